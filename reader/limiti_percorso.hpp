// The bounds of the route array, one copy for both description readers and for check, which
// must agree with them to the metre.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/numeri.hpp"
#include "core/registri.hpp"

// An item at position p with `margine` metres of route needed after it lies on the route when
// (p + margine) / 50 does not exceed N; features and most service items need 100 m, a station
// 800 m.
inline bool entro_percorso(const stato_build& s, std::int64_t p, double margine) {
    return (static_cast<double>(p) + margine) / 50.0 <= static_cast<double>(s.n_celle);
}

inline constexpr const char* motivo_fuori_percorso = "a route cell index lies outside the route";

// Every route cell index is checked before it is used: whatever its positions and lengths, a
// description cannot move a write outside the route array. A failure is a read failure.
inline void deve_stare_nel_percorso(const stato_build& s, std::int64_t i) {
    if (i < 0 || i > s.n_celle || i >= static_cast<std::int64_t>(s.percorso.size()))
        throw guasto_lettura{motivo_fuori_percorso};
}

inline cella& cella_a(stato_build& s, std::int64_t i) {
    deve_stare_nel_percorso(s, i);
    return s.percorso[static_cast<std::size_t>(i)];
}
