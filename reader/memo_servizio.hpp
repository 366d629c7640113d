// The placement procedures of the service description's entries: every write of a service entry
// into the records goes through them. The one walk that reads the descriptions
// (diagnostics/analisi.cpp) calls them in the order it reads the entries.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/registri.hpp"
#include "reader/lettore_campi.hpp"
#include "reader/voci.hpp"

// The scenario's name and the train's code in their slots (85 and 86).
void memo_nomi(stato_build& s);

// A signal at `posizione`: its cell, its packed values and the approach codes of the four cells
// before it; status 16 in errore_numero when its cell is not free.
void memo_segnale(stato_build& s, std::int32_t posizione, std::int32_t& sx, std::int32_t& s1, std::int32_t& s2,
                  std::int32_t& s3, std::int32_t& rapp, std::int32_t& dx, std::int32_t& d1, std::int32_t& d2,
                  std::int32_t& d3, std::int32_t& tempo);
void memo_rallentamento(stato_build& s, std::int32_t x, std::int32_t& v, std::int32_t& l, std::int32_t& f_tt,
                        std::int32_t f_ta, std::int32_t& d_v);

// A speed limit or adhesion profile, written cell by cell as its entries are read.
struct profilo {
    std::uint8_t cella::*campo;
    bool ferma_a_n;                             // the speed profile never writes past cell N - 1 from an entry
    std::uint8_t (*memorizzato)(std::int32_t);  // the stored form of a value
    std::int64_t cursore = 0;                   // the first cell not yet written
    std::int32_t valore = 0;                    // the value in force before the current entry
    luogo_testo voce;                           // where the last entry was read: the tail fails at it
};
// The stored speed limit is a fifth of the speed and must fit 8 bits; the adhesion keeps its low
// 8 bits.
profilo profilo_velocita();
profilo profilo_aderenza();
// Writes the value in force up to cell n - 1. An entry at cell 0 writes nothing; an entry that
// does not lie beyond the cursor still writes the cell at the cursor.
void avanza_profilo(stato_build& s, profilo& p, std::int64_t n);
// The value in force at the end fills the route up to its last three cells.
void coda_profilo(stato_build& s, profilo& p);

// Field i of massa frenata, numero vetture, orologio or sabbia, read at its width.
void memo_semplice(stato_build& s, chiave_voce chiave, std::size_t i, std::int32_t valore);

// A speed board at `posizione`; false when its cell is not free.
bool memo_abbattimento(stato_build& s, std::int32_t posizione, std::int32_t valore);

// Field i of a station entry, numbered as in the keyword table, into slot j: the position, the type
// and the narrow fields (the length and the time are worked out by memo_stazione).
void memo_campo_stazione(stato_build& s, std::int32_t j, std::size_t i, std::int32_t valore);
void memo_nome_stazione(stato_build& s, std::int32_t j, const std::string& nome);

// The station in slot j, whose fields as written (position, type, the narrow fields, the name)
// are already in the slot: its timetable, its extent, the rules of fields 5 and 6, its stop
// marker and approach codes. Returns the status that stops the reading (the end at 100 m or
// less, too close to the previous station), 0 when none; raises guasto_lettura for a value that
// does not fit or a cell outside the route.
std::int32_t memo_stazione(stato_build& s, std::int32_t j, std::int32_t lunghezza, std::int64_t ore,
                           std::int64_t minuti, std::int64_t secondi);
