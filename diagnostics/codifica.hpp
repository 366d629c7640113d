// A description saved in an encoding the readers cannot take, told in the same words by compile,
// check and the language server. The format is Windows-1252 (UTF-8 on request); UTF-16 has a
// NUL in every other byte of plain text, and would be read as a file with no section at all.
#pragma once

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// The sentence that says what to do about a UTF-16 file.
inline constexpr const char* rimedio_utf16 =
    "descriptions are Windows-1252 text: save the file as Windows-1252, or as UTF-8 and read it with "
    "--input-encoding utf-8";

// "the file is UTF-16 text (...)" when the bytes are: a byte order mark FF FE or FE FF first, or
// a NUL byte in every other place of its start (UTF-16 without a mark).
inline std::optional<std::string> testo_utf16(std::string_view t) {
    if (t.size() >= 2 && t[0] == '\xFF' && t[1] == '\xFE')
        return std::string("the file is UTF-16 text (little-endian, byte order mark FF FE)");
    if (t.size() >= 2 && t[0] == '\xFE' && t[1] == '\xFF')
        return std::string("the file is UTF-16 text (big-endian, byte order mark FE FF)");
    // Plain text in UTF-16 has a NUL beside nearly every character; a description has none.
    const std::size_t n = std::min<std::size_t>(t.size(), 512) / 2 * 2;
    if (n < 4) return std::nullopt;
    std::size_t nul_pari = 0, nul_dispari = 0;
    for (std::size_t i = 0; i < n; ++i)
        if (t[i] == '\0') ++(i % 2 == 0 ? nul_pari : nul_dispari);
    const std::size_t coppie = n / 2;
    if (nul_pari == 0 && nul_dispari * 4 >= coppie * 3)
        return std::string("the file is UTF-16 text (little-endian: a NUL byte after every character)");
    if (nul_dispari == 0 && nul_pari * 4 >= coppie * 3)
        return std::string("the file is UTF-16 text (big-endian: a NUL byte before every character)");
    return std::nullopt;
}
