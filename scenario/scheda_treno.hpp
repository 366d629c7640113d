// The train sheet's timetable rows: one record per row and the one formatter that lays it out.
#pragma once

#include <cstdint>
#include <string>

inline constexpr int senza_valore = -1;  // the cell stays blank

// Times are hhmm (1015 is "10.15"); the kilometric position is in whole metres (150200 is
// "150.200") so that no real number is ever formatted.
struct voce_orario {
    int velocita = senza_valore;  // km/h, written under "Vel. Lim." and again under "No Rs"
    std::uint32_t metri = 0;
    std::string localita;
    int arrivo = senza_valore;
    int transito = senza_valore;
    bool piu = false;  // "+" right after the passing time
    int partenza = senza_valore;
    bool rec = false;  // "1.0" under "Rec"
};

// One 83-character row of the timetable; a text too long for its cell is cut at the cell's
// edge so that the bars stay in their columns.
std::string riga_orario(const voce_orario& v);
