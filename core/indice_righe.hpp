// Offsets to lines and columns: one index of a text's line starts, built in one pass, for every
// tool that shows a place (check, compile, the language server, the viewer).
#pragma once

#include <algorithm>
#include <cstddef>
#include <string_view>
#include <vector>

// A line ends at CR LF, LF or CR alone, as the field reader counts them.
struct indice_righe {
    std::vector<std::size_t> inizi{0};  // offset of each line's first byte
    std::size_t dimensione = 0;          // the text's length
};

inline indice_righe indicizza_righe(std::string_view t) {
    indice_righe r;
    r.dimensione = t.size();
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (t[i] == '\r') {
            if (i + 1 < t.size() && t[i + 1] == '\n') ++i;
            r.inizi.push_back(i + 1);
        } else if (t[i] == '\n') {
            r.inizi.push_back(i + 1);
        }
    }
    return r;
}

inline int numero_righe(const indice_righe& r) { return static_cast<int>(r.inizi.size()); }

// The line (from 1) that holds the byte at `offset`; an offset at the end of the text belongs to
// the last line.
inline int riga_di(const indice_righe& r, std::size_t offset) {
    auto it = std::upper_bound(r.inizi.begin(), r.inizi.end(), offset);
    return static_cast<int>(it - r.inizi.begin());
}

// The byte column (from 1) of `offset` on its line.
inline int colonna_di(const indice_righe& r, std::size_t offset) {
    const int riga = riga_di(r, offset);
    return static_cast<int>(offset - r.inizi[static_cast<std::size_t>(riga - 1)]) + 1;
}

// The offset of line `riga` (from 1) and column `colonna` (from 1), clamped to the text.
inline std::size_t offset_di(const indice_righe& r, int riga, int colonna) {
    if (riga < 1) return 0;
    const std::size_t i = static_cast<std::size_t>(riga - 1);
    if (i >= r.inizi.size()) return r.dimensione;
    return std::min(r.inizi[i] + static_cast<std::size_t>(std::max(colonna, 1) - 1), r.dimensione);
}

// Line `riga` (from 1) without its line end; empty past the last line.
inline std::string_view testo_riga(std::string_view t, const indice_righe& r, int riga) {
    if (riga < 1 || static_cast<std::size_t>(riga) > r.inizi.size()) return {};
    const std::size_t da = r.inizi[static_cast<std::size_t>(riga - 1)];
    std::size_t a = da;
    while (a < t.size() && t[a] != '\r' && t[a] != '\n') ++a;
    return t.substr(da, a - da);
}
