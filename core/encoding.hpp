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
