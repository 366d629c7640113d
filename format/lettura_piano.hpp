// Reading the line record file back in place: the file is checked once, then its elements are
// taken from the bytes on demand, so a reader holds nothing in proportion to the file beyond
// the bytes themselves (the file may be tens of megabytes, or hostile).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/registri.hpp"

// One element of the line record file as read back.
struct elemento_linea {
    genere_elemento genere = genere_elemento::vuoto;
    double valore = 0;
};

// A checked line record file: both halves hold `metri` elements (metres 0 to E) and the kind
// of metre m is the same in both.
struct piano_in_file {
    std::string_view byte;
    std::size_t metri = 0;
    std::size_t inizio_y = 0;  // byte offset of the y half
};

// Walks one half of a checked file, metre by metre.
struct cursore_piano {
    std::string_view byte;
    std::size_t at = 0;
    elemento_linea prossimo();
};

inline cursore_piano cursore_x(const piano_in_file& p) { return {p.byte, 0}; }
inline cursore_piano cursore_y(const piano_in_file& p) { return {p.byte, p.inizio_y}; }

// Checks the layout of every element and that the halves agree; returns false with the reason.
// The bytes must outlive `p`.
bool verifica_file_linea(std::string_view byte, piano_in_file& p, std::string& motivo);

// The whole plan in two arrays, for tests and small files.
bool leggi_file_linea(const std::string& byte, std::vector<elemento_linea>& x, std::vector<elemento_linea>& y,
                      std::string& motivo);
