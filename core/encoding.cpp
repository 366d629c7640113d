#include "core/encoding.hpp"

#include <cstdint>

namespace {

// Unicode code points of bytes 0x80 to 0x9F; 0 marks the five bytes the code page leaves undefined.
constexpr char32_t riga_80[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                  0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char32_t code_point(unsigned char c) {
    if (c >= 0x80 && c < 0xA0) return riga_80[c - 0x80] ? riga_80[c - 0x80] : 0xFFFD;
    return c;
}

void put_utf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

}  // namespace

std::string cp1252_to_utf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) put_utf8(out, code_point(static_cast<unsigned char>(c)));
    return out;
}

namespace {

// Decodes the UTF-8 sequence at text[i]: its code point and length; false when it is not a
// valid, shortest-form sequence.
bool decode_utf8(std::string_view text, std::size_t i, char32_t& cp, std::size_t& n) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
        cp = c;
        n = 1;
    } else if ((c & 0xE0) == 0xC0) {
        cp = c & 0x1F;
        n = 2;
    } else if ((c & 0xF0) == 0xE0) {
        cp = c & 0x0F;
        n = 3;
    } else if ((c & 0xF8) == 0xF0) {
        cp = c & 0x07;
        n = 4;
    } else {
        return false;
    }
    if (i + n > text.size()) return false;
    for (std::size_t k = 1; k < n; ++k) {
        const unsigned char d = static_cast<unsigned char>(text[i + k]);
        if ((d & 0xC0) != 0x80) return false;
        cp = (cp << 6) | (d & 0x3F);
    }
    const char32_t minimo_per_lunghezza[] = {0, 0, 0x80, 0x800, 0x10000};
    // Overlong forms, the surrogate halves and code points past U+10FFFF are not UTF-8.
    return cp >= minimo_per_lunghezza[n] && (cp < 0xD800 || cp > 0xDFFF) && cp <= 0x10FFFF;
}

// The Windows-1252 byte of a code point; false when the code page has none.
bool cp1252_byte(char32_t cp, char& byte) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
        byte = static_cast<char>(cp);
        return true;
    }
    for (int b = 0; b < 32; ++b) {
        if (riga_80[b] != 0 && riga_80[b] == cp) {
            byte = static_cast<char>(0x80 + b);
            return true;
        }
    }
    return false;
}

}  // namespace

bool utf8_to_cp1252(std::string_view text, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < text.size();) {
        char32_t cp;
        std::size_t n;
        char byte;
        if (!decode_utf8(text, i, cp, n) || !cp1252_byte(cp, byte)) return false;
        out.push_back(byte);
        i += n;
    }
    return true;
}

bool utf8_text_to_cp1252(std::string_view text, std::string& out, encoding_error& error) {
    out.clear();
    out.reserve(text.size());
    std::size_t i = 0;
    // A byte order mark that an editor put first is not part of the text.
    if (text.substr(0, 3) == "\xEF\xBB\xBF") i = 3;
    int line = 1;
    int column = 1;
    while (i < text.size()) {
        char32_t cp;
        std::size_t n;
        char byte;
        if (!decode_utf8(text, i, cp, n)) {
            constexpr char hex[] = "0123456789ABCDEF";
            const unsigned char c = static_cast<unsigned char>(text[i]);
            error = {line, column, std::string("not UTF-8 (byte 0x") + hex[c >> 4] + hex[c & 0xF] + ")"};
            return false;
        }
        if (!cp1252_byte(cp, byte)) {
            constexpr char hex[] = "0123456789ABCDEF";
            std::string code;
            for (char32_t v = cp; v != 0 || code.size() < 4; v >>= 4) code.insert(code.begin(), hex[v & 0xF]);
            error = {line, column,
                     "\"" + std::string(text.substr(i, n)) + "\" (U+" + code + ") has no Windows-1252 byte"};
            return false;
        }
        out.push_back(byte);
        i += n;
        if (cp == '\n') {
            ++line;
            column = 1;
        } else {
            ++column;
        }
    }
    return true;
}

std::string hex_digits(const unsigned char* bytes, std::size_t count) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 15];
    }
    return text;
}
