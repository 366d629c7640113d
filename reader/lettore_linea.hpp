// The line reader: the first half of memorizza_dati.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

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

// The placement procedures, shared by the line reader and the diagnostics walk: every write of a
// line entry into the records goes through them.

// The route for a line of `lunghezza` metres: 7000 m of run-out after it, a cell every 50 m, and
// the plan's record when the plan is traced.
void crea_percorso(stato_build& s, std::int32_t lunghezza);

// The gradient fill: each gradient entry writes the gradient in force before it up to the cell
// before its own.
struct riempimento_pendenze {
    std::int32_t indice = 0;    // next cell that receives a gradient
    std::int32_t corrente = 0;  // gradient of the last entry read
    luogo_testo voce;           // where that entry was read: the tail fails at it
};
// Up to cell q - 1 (at least the cell at the cursor); nothing when q <= 0.
void riempi_pendenze(stato_build& s, riempimento_pendenze& p, std::int64_t q);
// The gradient in force at the end fills the route up to its last three cells; it must fit 8 bits.
void coda_pendenze(stato_build& s, riempimento_pendenze& p);

// The curvature per metre a curve keyword names (its class digit 1 to 6, negative for a left
// curve "curvas"); none without a class digit.
std::optional<double> curvatura_di(const std::string& campo);

// A sign board at `posizione` and its text in the next sign slot; false when its cell is not free.
// Raises guasto_lettura past 80 boards.
bool memo_cartello(stato_build& s, std::int32_t posizione, const std::string& testo, std::int32_t& contatore_cartelli);
