// Rounding and narrowing rules shared by the readers, the pass and the writers.
#pragma once

#include <cmath>
#include <cstdint>

// Raised by anything that cannot go on while a description is read: a number that does not
// fit its field, an entry that runs past the end of the file, an index outside a table.
// The reader's failure handler turns it into build status 25.
struct guasto_lettura {
    const char* motivo;
    // Where the failure lies when it is not the field being read (line 0: that field).
    int riga = 0;
    int colonna = 0;
};

// Nearest integer, halves to even: the rounding of every division by 50 or by 5.
inline std::int64_t nearest(double v) {
    double r = std::nearbyint(v);
    if (!(r > -9.2e18 && r < 9.2e18)) throw guasto_lettura{"number out of range"};
    return static_cast<std::int64_t>(r);
}

inline std::int32_t deve_stare_i32(std::int64_t v) {
    if (v < INT32_MIN || v > INT32_MAX) throw guasto_lettura{"number does not fit 32 bits"};
    return static_cast<std::int32_t>(v);
}

inline std::int16_t deve_stare_i16(std::int64_t v) {
    if (v < INT16_MIN || v > INT16_MAX) throw guasto_lettura{"number does not fit 16 bits"};
    return static_cast<std::int16_t>(v);
}

inline std::uint8_t deve_stare_u8(std::int64_t v) {
    if (v < 0 || v > 255) throw guasto_lettura{"number does not fit 8 bits"};
    return static_cast<std::uint8_t>(v);
}

// Where a stored value keeps only its low bits, on purpose.
inline std::int16_t bassi16(std::int64_t v) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(static_cast<std::uint64_t>(v) & 0xFFFFu));
}

inline std::uint8_t bassi8(std::int64_t v) {
    return static_cast<std::uint8_t>(static_cast<std::uint64_t>(v) & 0xFFu);
}
