// Where things go on the route: the rules that turn a position in metres into a route cell, and
// back. The readers place by them; dump, plot, decompile and the language server read by them.
// Every division is a real one, rounded to the nearest cell with halves going to the even one.
#pragma once

#include <cstdint>
#include <optional>

#include "core/costanti.hpp"
#include "core/numeri.hpp"
#include "core/registri.hpp"

// The two ways a position meets the grid. A point item (signal, slowdown start, end and warning,
// speed indicator boards, sign board) at p takes cell nearest(p / 50 + 1); a profile change, a
// speed board and the base of a slowdown's pre-warning run take nearest(p / 50).
enum class regola_cella : std::uint8_t { punto, profilo };

inline std::int64_t cella_di(regola_cella r, double metri) {
    return r == regola_cella::punto ? nearest(metri / metri_cella + 1) : nearest(metri / metri_cella);
}

inline std::int64_t cella_punto(double metri) { return cella_di(regola_cella::punto, metri); }
inline std::int64_t cella_profilo(double metri) { return cella_di(regola_cella::profilo, metri); }

// The route's upper cell index for a line of `lunghezza` metres: the route keeps the run-out.
inline std::int64_t ultima_cella(std::int64_t lunghezza) {
    return nearest(static_cast<double>(lunghezza + metri_oltre_fine) / metri_cella);
}

// Slowdowns: the start at x, the end at x + l, and, for a start beyond 1500 m, the warning board
// 1200 m before the start and the four pre-warning cells in front of it.
inline bool rallentamento_con_avviso(std::int64_t x) { return x > soglia_avviso_m; }
inline std::int64_t cella_inizio_rallentamento(std::int64_t x) { return cella_punto(static_cast<double>(x)); }
inline std::int64_t cella_fine_rallentamento(std::int64_t x, std::int64_t l) {
    return cella_punto(static_cast<double>(x) + static_cast<double>(l));
}
inline std::int64_t cella_avviso_rallentamento(std::int64_t x) {
    return cella_punto(static_cast<double>(x) - anticipo_avviso_m);
}
// i = 0 .. 3: the cell just before the warning board's, then the three before it.
inline constexpr int celle_preavviso = 4;
inline std::int64_t cella_preavviso(std::int64_t x, int i) {
    return cella_profilo(static_cast<double>(x) - anticipo_avviso_m) - i;
}

// A signal in cell k carries its approach codes 100, 200, 300 and 400 m before it (i = 1 .. 4).
inline constexpr int celle_approccio = 4;
inline std::int64_t cella_approccio_segnale(std::int64_t k, int i) { return k - 2 * i; }

// A station that ends at `fine`: its stop marker takes the cell that begins 50 m before the end,
// and its approach codes the cells 100 to 250 m before the end (i = 1 .. 4), those beyond cell 1.
inline double indice_fermata(std::int64_t fine) { return static_cast<double>(fine) / metri_cella - 1; }
inline std::int64_t cella_fermata(std::int64_t fine) { return nearest(indice_fermata(fine)); }
inline std::optional<std::int64_t> cella_approccio_stazione(std::int64_t fine, int i) {
    const double r = static_cast<double>(fine) / metri_cella - i - 1;
    if (!(r > 1)) return std::nullopt;
    return nearest(r);
}

// A mountain stretch from `inizio` to `fine` covers these cells (none when the first is past the last).
inline std::int64_t prima_cella_montagna(std::int64_t inizio) { return cella_profilo(static_cast<double>(inizio)); }
inline std::int64_t ultima_cella_montagna(std::int64_t fine) {
    return nearest(static_cast<double>(fine) / metri_cella - 1);
}

// The rule by which an object of kind `t` found its cell; the rest (plain track, mountain markers,
// station stop markers) is the cell's own 50 m.
inline std::optional<regola_cella> regola_di_tipo(std::uint8_t t) {
    switch (t) {
        case tipo::segnale:
        case tipo::fine_rallentamento:
        case tipo::inizio_rallentamento:
        case tipo::avviso_rallentamento:
        case tipo::indicatori_velocita:
        case tipo::cartello: return regola_cella::punto;
        case tipo::preavviso_rallentamento:
        case tipo::tabella_con_valore:
        case tipo::tabella_senza_valore: return regola_cella::profilo;
        default: return std::nullopt;
    }
}

// The whole metres that land in cell k by rule r, both ends included. The two ends are the
// halves of the grid: a half goes to the even cell, so an even cell takes both and an odd one
// neither, and neighbouring cells never share a metre.
struct metri_cella_da_a {
    std::int64_t da = 0, a = 0;
};
inline metri_cella_da_a metri_di_cella(regola_cella r, std::int64_t k) {
    const std::int64_t centro = metri_cella * (r == regola_cella::punto ? k - 1 : k);
    const std::int64_t meta = metri_cella / 2;
    const std::int64_t stretta = k % 2 == 0 ? 0 : 1;
    return {centro - meta + stretta, centro + meta - stretta};
}
// The metre an item in cell k stands at, as drawn and written back: the middle of its range.
inline std::int64_t metro_di_cella(regola_cella r, std::int64_t k) {
    return metri_cella * (r == regola_cella::punto ? k - 1 : k);
}
// The cell's own 50 m of track (gradient, speed limit, adhesion, terrain).
inline metri_cella_da_a metri_propri_cella(std::int64_t k) { return {metri_cella * k, metri_cella * k + metri_cella - 1}; }
