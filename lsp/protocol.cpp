#include "lsp/protocol.hpp"

#include <charconv>
#include <istream>
#include <ostream>

namespace lsp {

namespace {

bool same_letters(const std::string& a, const char* b) {
    std::size_t i = 0;
    for (; i < a.size() && b[i] != '\0'; ++i) {
        char x = a[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (x != b[i]) return false;
    }
    return i == a.size() && b[i] == '\0';
}

}  // namespace

frame_status read_frame(std::istream& in, std::string& body) {
    bool any_header = false;
    bool length_known = false;
    bool length_bad = false;
    std::size_t length = 0;
    std::string line;
    for (;;) {
        if (!std::getline(in, line)) return any_header ? frame_status::cut_short : frame_status::end_of_input;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) {
            // Blank lines between messages are tolerated; one after headers ends the block.
            if (any_header) break;
            continue;
        }
        any_header = true;
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos) {
            length_bad = true;
            continue;
        }
        if (!same_letters(line.substr(0, colon), "content-length")) continue;
        std::size_t start = colon + 1;
        while (start < line.size() && (line[start] == ' ' || line[start] == '\t')) ++start;
        std::size_t end = line.size();
        while (end > start && (line[end - 1] == ' ' || line[end - 1] == '\t')) --end;
        const auto [rest, error] = std::from_chars(line.data() + start, line.data() + end, length);
        length_known = error == std::errc{} && rest == line.data() + end && end > start;
        if (!length_known) length_bad = true;
    }
    if (!length_known || length_bad) return frame_status::bad_header;
    if (length > largest_body) {
        in.ignore(static_cast<std::streamsize>(length));
        return in.gcount() == static_cast<std::streamsize>(length) ? frame_status::bad_header : frame_status::cut_short;
    }
    body.resize(length);
    in.read(body.data(), static_cast<std::streamsize>(length));
    if (in.gcount() != static_cast<std::streamsize>(length)) return frame_status::cut_short;
    return frame_status::message;
}

void write_frame(std::ostream& out, const std::string& body) {
    out << "Content-Length: " << body.size() << "\r\n\r\n" << body;
    out.flush();
}

}  // namespace lsp
