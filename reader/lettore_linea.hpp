// The line reader: the first half of memorizza_dati.
#pragma once

#include <cstdint>

#include "reader/lettore_campi.hpp"
#include "core/registri.hpp"

// Reads the line description from `l` into the records. Returns true when the service
// description is to be read next, false when the reading step ends here. The sign slot
// counter is left for the service reader. Raises guasto_lettura for the failure handler.
bool leggi_linea(stato_build& s, lettore_campi& l, std::int32_t& contatore_cartelli);

void progressive_ordina(stato_build& s);
void memo_montagna(stato_build& s, std::int32_t inizio, std::int32_t fine, std::int32_t& tipo);
void memo_indicatori_v_max(stato_build& s, std::int32_t posizione, std::int32_t vas, std::int32_t vbs,
                           std::int32_t vcs, std::int32_t strisces, std::int32_t vad, std::int32_t vbd,
                           std::int32_t vcd, std::int32_t strisced);
