// The placement procedures of the line description's entries: every write of a line entry into the
// records goes through them. The one walk that reads the descriptions (diagnostics/analisi.cpp)
// calls them in the order it reads the entries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "core/registri.hpp"
#include "reader/lettore_campi.hpp"
#include "reader/voci.hpp"

// The kilometre references in slots 81 to 83 in decreasing order of start, each chainage raised by
// 100 m where its flag is 1 (a chainage that then no longer fits fails at its entry).
void progressive_ordina(stato_build& s);
void memo_montagna(stato_build& s, std::int32_t inizio, std::int32_t fine, std::int32_t& tipo);
void memo_indicatori_v_max(stato_build& s, std::int32_t posizione, std::int32_t vas, std::int32_t vbs,
                           std::int32_t vcs, std::int32_t strisces, std::int32_t vad, std::int32_t vbd,
                           std::int32_t vcd, std::int32_t strisced);

// Field i of a general-block entry (the line length, a kilometre reference, a background setting,
// the signal repetition's start and end) into its slot.
void memo_generale(stato_build& s, chiave_voce chiave, std::size_t i, std::int32_t valore);
// The signal repetition's code count from its keyword: 4 or 9, none for a stretch that ends at 0;
// false when the keyword holds neither digit.
bool memo_codici_ripetizione(stato_build& s, const std::string& campo);

// Cell i as the route was created, for a walk that leaves out an entry it has half written.
void svuota_cella(stato_build& s, std::int64_t i);

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
