// The reference tables of docs/formats.md, made from the keyword table the readers dispatch on,
// so that the manual of both formats cannot tell a keyword, a width or a range the readers do
// not have.
#pragma once

#include <string>
#include <string_view>

// `document` (docs/formats.md) with every generated table made again: each block between a line
// "<!-- generated: NAME -->" and the next line "<!-- end generated -->". The names are
// keywords-line, fields-line, keywords-service and fields-service. Everything else is kept as it
// is; a block of an unknown name, or one left open, is an error (std::invalid_argument).
std::string formats_reference(std::string_view document);
