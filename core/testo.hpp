// Text helpers over Windows-1252 byte strings, the one text form of the system.
#pragma once

#include <string>
#include <string_view>

// Lower case of one Windows-1252 character: A-Z, the accented capitals C0-DE (but D7),
// and the four capitals of the 80-9F row that have a small letter (Š Œ Ž Ÿ).
inline unsigned char minuscola_1252(unsigned char c) {
    if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 32);
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<unsigned char>(c + 32);
    if (c == 0x8A || c == 0x8C || c == 0x8E) return static_cast<unsigned char>(c + 16);
    if (c == 0x9F) return 0xFF;
    return c;
}

inline std::string minuscole(std::string_view s) {
    std::string r(s);
    for (char& c : r) c = static_cast<char>(minuscola_1252(static_cast<unsigned char>(c)));
    return r;
}

// Whether `campo` contains `cercato`, letter case compared exactly.
inline bool contiene(std::string_view campo, std::string_view cercato) {
    return campo.find(cercato) != std::string_view::npos;
}

// Whether `campo` contains `cercato`, letter case ignored (`cercato` is given in lower case).
// Compared in place: it is asked of every keyword field for every entry.
inline bool contiene_nc(std::string_view campo, std::string_view cercato) {
    if (cercato.size() > campo.size()) return false;
    for (std::size_t i = 0; i + cercato.size() <= campo.size(); ++i) {
        std::size_t j = 0;
        while (j < cercato.size() && static_cast<char>(minuscola_1252(static_cast<unsigned char>(campo[i + j]))) == cercato[j])
            ++j;
        if (j == cercato.size()) return true;
    }
    return false;
}
