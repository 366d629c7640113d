// The domain's fixed figures, each written once: the readers, the finishing pass, the binary
// layouts and every tool take them from here.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// A route cell covers 50 m of line.
inline constexpr std::int32_t metri_cella = 50;

// The longest line a description may declare, and the metre index the plan's tracing may not pass.
inline constexpr std::int32_t lunghezza_massima_linea = 1000000;
inline constexpr std::int64_t limite_metri_piano = 1000000;

// The route and the plan reach this far beyond the line's end (the run-out).
inline constexpr std::int32_t metri_oltre_fine = 7000;

// The curvature per metre of the curve classes 1 to 6 (right-hand; a left-hand curve negates it).
inline constexpr std::array<double, 6> curvature_classi = {0.0001, 0.0002, 0.0004, 0.001, 0.002, 0.003};

// Route needed after an item's position: 100 m for features and most service items, 800 m for a station.
inline constexpr double margine_voce_m = 100.0;
inline constexpr double margine_stazione_m = 800.0;

// A station must start at least this far after the previous one's end.
inline constexpr std::int32_t distanza_minima_stazioni_m = 350;

// Slowdowns: the warning board stands 1200 m before the start, and only a start beyond 1500 m has one.
inline constexpr std::int32_t anticipo_avviso_m = 1200;
inline constexpr std::int32_t soglia_avviso_m = 1500;

// The speed of the boards the finishing pass places around slowdowns, in km/h, and the speed
// below which a slowdown counts as slow.
inline constexpr std::int16_t velocita_tabella_finitura = 180;
inline constexpr std::int16_t soglia_rallentamento_lento = 110;

// The speed limit is stored in units of 5 km/h; the gradient as gradient + 100.
inline constexpr std::int32_t passo_velocita_kmh = 5;
inline constexpr std::int32_t scarto_pendenza = 100;

// The longest description that is read, in bytes: the longest line a description can declare
// needs a small fraction of it, and nothing larger is ever held in memory.
inline constexpr std::size_t dimensione_massima_descrizione = std::size_t{16} << 20;
