// Reading the two descriptions as the readers take them: Windows-1252 text.
#pragma once

#include <string>

// How a description file is encoded. Windows-1252 is the format's own; UTF-8, as editors save
// today, is converted to it.
enum class input_encoding { cp1252, utf8 };

// Reads a description as Windows-1252 text, converted from UTF-8 when so asked (a leading byte
// order mark dropped). False after reporting why on standard error: the file cannot be read, is
// UTF-16 text (either way), or "FILE:LINE:COLUMN: ..." for a sequence that is not UTF-8 (with a
// hint that the file may be Windows-1252) or has no Windows-1252 byte.
bool read_description(const std::string& path, input_encoding encoding, std::string& text);
