// Conversion between Windows-1252, the system's one text form, and UTF-8, the form of
// command-line arguments and console output.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

std::string cp1252_to_utf8(std::string_view text);

// False when the text is not valid UTF-8 or holds a character that Windows-1252 lacks.
bool utf8_to_cp1252(std::string_view text, std::string& out);

// Two lower-case hexadecimal digits for each byte, first byte first.
std::string hex_digits(const unsigned char* bytes, std::size_t count);

// Where a UTF-8 text cannot become Windows-1252: its line and column (1-based, the column
// counted in characters) and why.
struct encoding_error {
    int line = 0;
    int column = 0;
    std::string reason;
};

// Converts a whole UTF-8 text (a leading byte order mark dropped) to Windows-1252; false with
// the place of the first sequence that is not UTF-8 or has no Windows-1252 byte.
bool utf8_text_to_cp1252(std::string_view text, std::string& out, encoding_error& error);
