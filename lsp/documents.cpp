#include "lsp/documents.hpp"

#include <algorithm>
#include <utility>

#include "core/encoding.hpp"

namespace lsp {

namespace {

std::string lower_ascii(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// Length in bytes of the UTF-8 sequence that starts with this byte (1 for a stray byte).
std::size_t sequence_length(unsigned char c) {
    if (c >= 0xF0) return 4;
    if (c >= 0xE0) return 3;
    if (c >= 0xC0) return 2;
    return 1;
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::string_view file_name_of(std::string_view uri) {
    const std::size_t slash = uri.find_last_of("/\\");
    return slash == std::string_view::npos ? uri : uri.substr(slash + 1);
}

document_kind kind_of_document(std::string_view uri, std::string_view text) {
    const std::string name = lower_ascii(file_name_of(uri));
    if (name.ends_with("_linea.txt")) return document_kind::line;
    if (name.ends_with("-.txt")) return document_kind::service;
    // Only a line description has a length entry; every service has stations or signals.
    const std::string lower = lower_ascii(text);
    if (lower.find("lunghezza") != std::string::npos && lower.find("percorso") != std::string::npos)
        return document_kind::line;
    return document_kind::service;
}

std::size_t offset_of(std::string_view text, position p) {
    std::size_t i = 0;
    for (std::uint32_t line = 0; line < p.line; ++line) {
        while (i < text.size() && text[i] != '\n' && text[i] != '\r') ++i;
        if (i == text.size()) return i;
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        ++i;
    }
    std::uint32_t units = 0;
    while (i < text.size() && units < p.character && text[i] != '\n' && text[i] != '\r') {
        const std::size_t n = sequence_length(static_cast<unsigned char>(text[i]));
        units += n == 4 ? 2 : 1;
        i = std::min(text.size(), i + n);
    }
    return i;
}

void apply_change(open_document& document, const text_change& change) {
    if (!change.start) {
        document.text = change.text;
        return;
    }
    std::size_t from = offset_of(document.text, *change.start);
    std::size_t to = offset_of(document.text, change.end);
    if (to < from) std::swap(from, to);
    document.text.replace(from, to - from, change.text);
}

std::size_t utf16_units(std::string_view utf8) {
    std::size_t units = 0;
    for (const char c : utf8) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80 || (b >= 0xC0 && b < 0xF0))
            ++units;
        else if (b >= 0xF0)
            units += 2;
    }
    return units;
}

std::string reader_text(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    std::string one;
    std::size_t i = 0;
    while (i < utf8.size()) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
            ++i;
            continue;
        }
        const std::size_t n = std::min(sequence_length(c), utf8.size() - i);
        if (utf8_to_cp1252(utf8.substr(i, n), one) && one.size() == 1)
            out += one;
        else
            out.append(n == 4 ? 2 : 1, '?');
        i += n;
    }
    return out;
}

std::optional<std::string> path_of_uri(std::string_view uri) {
    constexpr std::string_view scheme = "file://";
    if (uri.substr(0, scheme.size()) != scheme) return std::nullopt;
    std::string_view rest = uri.substr(scheme.size());
    const std::size_t slash = rest.find('/');
    if (slash == std::string_view::npos) return std::nullopt;
    rest = rest.substr(slash);  // a host part, if any, is dropped
    std::string path;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] == '%' && i + 2 < rest.size() && hex_digit(rest[i + 1]) >= 0 && hex_digit(rest[i + 2]) >= 0) {
            path.push_back(static_cast<char>(hex_digit(rest[i + 1]) * 16 + hex_digit(rest[i + 2])));
            i += 2;
        } else {
            path.push_back(rest[i]);
        }
    }
    // "/C:/folder" is a Windows drive path.
    if (path.size() >= 3 && path[0] == '/' && path[2] == ':') path.erase(0, 1);
    return path;
}

std::optional<std::string> line_name_for_service(std::string_view service_name) {
    if (!service_name.ends_with("-.txt")) return std::nullopt;
    const std::size_t underscore = service_name.rfind('_');
    if (underscore == std::string_view::npos || underscore == 0) return std::nullopt;
    return std::string(service_name.substr(0, underscore)) + "_linea.txt";
}

}  // namespace lsp
