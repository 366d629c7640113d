#include "lsp/protocol.hpp"

#include <algorithm>
#include <array>
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

// Reads one header line into `line` (its CR LF or LF taken off). A line longer than the limit is
// read to its end but not held: `too_long` is set. False at the end of the input.
bool read_header_line(std::istream& in, std::string& line, bool& too_long) {
    line.clear();
    too_long = false;
    std::streambuf* source = in.rdbuf();
    bool any = false;
    for (;;) {
        const int c = source->sbumpc();
        if (c == std::char_traits<char>::eof()) {
            in.setstate(std::ios::eofbit);
            return any;
        }
        any = true;
        if (c == '\n') break;
        if (line.size() < largest_header_line)
            line.push_back(static_cast<char>(c));
        else
            too_long = true;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

// Skips `count` bytes of the input; false when it ends first. The bytes are read, never more:
// istream::ignore looks at one byte past the last it skips, which would hold the refusal back
// until the client sends its next message.
bool skip_bytes(std::istream& in, std::size_t count) {
    std::array<char, std::size_t{1} << 16> buffer;
    std::streambuf* source = in.rdbuf();
    while (count > 0) {
        const std::size_t piece = std::min(count, buffer.size());
        const std::streamsize got = source->sgetn(buffer.data(), static_cast<std::streamsize>(piece));
        if (got <= 0) {
            in.setstate(std::ios::eofbit);
            return false;
        }
        count -= static_cast<std::size_t>(got);
    }
    return true;
}

}  // namespace

frame_status read_frame(std::istream& in, std::string& body) {
    bool any_header = false;
    bool length_known = false;
    bool length_bad = false;
    bool line_too_long = false;
    std::size_t length = 0;
    std::string line;
    for (;;) {
        bool too_long = false;
        if (!read_header_line(in, line, too_long))
            return any_header ? frame_status::cut_short : frame_status::end_of_input;
        if (too_long) {
            any_header = true;
            line_too_long = true;
            continue;
        }
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
    // A long header line may have hidden the length: nothing after it is trusted.
    if (line_too_long) {
        // Its body, when the length is known, goes with it.
        if (length_known && !length_bad && !skip_bytes(in, length)) return frame_status::cut_short;
        return frame_status::header_too_long;
    }
    if (!length_known || length_bad) return frame_status::bad_header;
    if (length > largest_body) return skip_bytes(in, length) ? frame_status::too_large : frame_status::cut_short;
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
