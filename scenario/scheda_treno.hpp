// The train sheet's timetable rows: one record per row and the one formatter that lays it out.
#pragma once

#include <cstdint>
#include <cstddef>
#include <string>
#include <vector>

#include "core/documento.hpp"

inline constexpr int senza_valore = -1;  // the cell stays blank

// Times are hhmm (1015 is "10.15"); the kilometric position is in whole metres (150200 is
// "150.200", -400 is "-0.400") so that no real number is ever formatted.
struct voce_orario {
    int velocita = senza_valore;  // km/h, written under "Vel. Lim." and again under "No Rs"
    std::int64_t metri = 0;
    std::string localita;
    int arrivo = senza_valore;
    int transito = senza_valore;
    bool piu = false;  // "+" right after the passing time
    int partenza = senza_valore;
    bool rec = false;  // "1.0" under "Rec"
};

// Whole metres as kilometres with three decimals: 150200 is "150.200", -400 is "-0.400".
std::string chilometri(std::int64_t metri);

// One 83-character row of the timetable; a text too long for its cell is cut at the cell's
// edge so that the bars stay in their columns.
std::string riga_orario(const voce_orario& v);

// The widest location text the timetable's column holds; a longer one is cut there.
inline constexpr std::size_t larghezza_localita = 27;

// What the sheet's header boxes hold. The two boxes on the right centre their texts.
struct testata_scheda {
    std::string treno;           // the train code; the sheet shows it without a leading "E"
    std::string origine;
    std::string destinazione;
    std::string categoria;       // the box above the braked-mass percentage
    std::string massa_frenata;   // e.g. "130%"
    std::string classificazione;
    std::string massa_bloccata;
};

// The most timetable rows a sheet can hold: its 17 heading lines, 10 blank rows, the closing rule,
// an empty line and the end marker share the line list's 1001 slots.
inline constexpr std::size_t righe_orario_massime = 971;

// The whole sheet: the header boxes, the table with one row per entry (at most
// righe_orario_massime; more are left out), ten blank rows and the closing rule.
lista_righe righe_scheda_con(const testata_scheda& t, const std::vector<voce_orario>& voci);
