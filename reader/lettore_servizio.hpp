// The service reader: the second half of memorizza_dati.
#pragma once

#include <cstdint>

#include "reader/lettore_campi.hpp"
#include "core/registri.hpp"

// Reads the service description from `l` into the records, after the line reader. The
// caller deletes the file whatever happens. Raises guasto_lettura for the failure handler.
void leggi_servizio(stato_build& s, lettore_campi& l, std::int32_t contatore_cartelli);

void memo_segnale(stato_build& s, std::int32_t posizione, std::int32_t& sx, std::int32_t& s1, std::int32_t& s2,
                  std::int32_t& s3, std::int32_t& rapp, std::int32_t& dx, std::int32_t& d1, std::int32_t& d2,
                  std::int32_t& d3, std::int32_t& tempo);
void memo_rallentamento(stato_build& s, std::int32_t x, std::int32_t& v, std::int32_t& l, std::int32_t& f_tt,
                        std::int32_t f_ta, std::int32_t& d_v);
