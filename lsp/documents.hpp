// The descriptions open in the editor, as the editor holds them (UTF-8, positions in UTF-16
// code units), and their text as the reader takes it (Windows-1252).
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lsp {

enum class document_kind { line, service };

struct position {
    std::uint32_t line = 0;
    std::uint32_t character = 0;  // UTF-16 code units
};

struct text_change {
    std::optional<position> start;  // no range: the whole text is replaced
    position end;
    std::string text;
};

struct open_document {
    std::string uri;
    std::int64_t version = 0;
    std::string text;  // UTF-8
    document_kind kind = document_kind::line;
    // Longer than a description may be: its length in UTF-16 code units; the text is not held
    // and nothing of it is analysed. 0 for a document in hand.
    std::size_t refused_units = 0;
};

using document_store = std::map<std::string, open_document>;

// A line description by a name ending in "_linea.txt", a service by one ending in "-.txt",
// otherwise by what the text holds.
document_kind kind_of_document(std::string_view uri, std::string_view text);

// Byte offset in the UTF-8 text of a position; a position past a line's end or past the last
// line stands for that end.
std::size_t offset_of(std::string_view text, position p);

void apply_change(open_document& document, const text_change& change);

// The length of a UTF-8 text in UTF-16 code units, as the editor counts characters.
std::size_t utf16_units(std::string_view utf8);

// The text as Windows-1252, one byte for every UTF-16 code unit of the editor's text (a
// character the code page lacks becomes '?'), so a byte's column is the editor's column.
std::string reader_text(std::string_view utf8);

// The local path of a file: URI ("file:///tmp/a%20b.txt" gives "/tmp/a b.txt", and
// "file:///C:/x.txt" gives "C:/x.txt"); nothing for other schemes.
std::optional<std::string> path_of_uri(std::string_view uri);

// The name of the line description beside a service ("Sorvanta_E48027-.txt" gives
// "Sorvanta_linea.txt"): the scenario name is what comes before the last underscore.
std::optional<std::string> line_name_for_service(std::string_view service_name);

// The last part of a URI or path.
std::string_view file_name_of(std::string_view uri);

}  // namespace lsp
