// Tracing the plan of the track metre by metre from the curve entries.
#pragma once

#include <cstdint>

#include "core/registri.hpp"

// Re-creates the record for metres 0 to `estensione`, every element empty.
void crea_linea(linea_tracciata& linea, std::int32_t estensione);

// Stores (0, 0) and (0, 1) as 16-bit integers; the next metre to compute is 2.
void semina_linea(linea_tracciata& linea);

enum class esito_traccia { riuscita, oltre_milione };

// Straight run to `inizio`, then a curve of curvature `k` to `inizio` + `lunghezza`. Stops
// with oltre_milione when the metre index passes 1000000; raises guasto_lettura rather than
// write past the record's last metre.
esito_traccia traccia_curva(linea_tracciata& linea, std::int64_t inizio, std::int64_t lunghezza, double k);

// Straight run to `estensione` - 2.
void completa_linea(linea_tracciata& linea);
