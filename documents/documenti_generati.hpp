// The three documents for the driver made for any scenario from its compiled records: the train
// sheet (with the passing times of the fastest run), the slowdown notice and the notes. They are
// laid out as the built-in documents are, through the same layout code.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/documento.hpp"
#include "core/registri.hpp"
#include "timetable/timetable.hpp"

// The kilometric position of a point of the line, in metres: from the kilometre reference with
// the greatest start at or before it (slots 81 to 83, a reference of three zeros unused),
// counting up from its chainage; the position itself where no reference applies.
std::int64_t progressiva_di(const stato_build& s, std::int64_t posizione);

// A slowdown as the compiled route holds it.
struct rallentamento_letto {
    std::int64_t inizio_m = 0;
    std::int64_t fine_m = 0;
    std::int32_t velocita = 0;
    bool con_avviso = false;
    std::int64_t avviso_m = 0;  // the warning board, 1200 m before the start
};
std::vector<rallentamento_letto> rallentamenti_di(const stato_build& s);

// A passing time in the sheet's HH.MM: to the nearest minute, halves to the even minute.
int ora_scheda(double secondi);

// The train sheet: one row per station in route order, one where a kilometre reference starts a
// new chainage and one at each slowdown's start, sorted by position; a name longer than the
// location column is cut there (`avvisi` says which).
lista_righe righe_scheda_generata(const stato_build& s, const timetable_result& r, std::vector<std::string>& avvisi);

// Every slowdown with its start and end in kilometres, its speed and its warning board; with none,
// the built-in notice's "NESSUNA PRESCRIZIONE".
lista_righe righe_rallentamenti_generate(const stato_build& s);

// The notes: the author's text (Windows-1252 lines, wrapped at 96 characters), or a short summary
// of the scenario when there is none.
lista_righe righe_note_generate(const stato_build& s, const std::string* testo_autore, std::vector<std::string>& avvisi);
