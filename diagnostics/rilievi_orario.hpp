// The timetable's findings at the time fields of the station entries that wrote them: what
// check --timetable and the language server add to the findings of the reading.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "diagnostics/diagnostica.hpp"
#include "timetable/timetable.hpp"

// The time fields of one station entry, from the hours' first byte to the seconds' last.
struct campi_orario {
    bool letti = false;  // false for an entry cut short before its seconds
    std::size_t inizio = 0;
    std::size_t fine = 0;
};

// The time fields of every station entry of a service, in the order the entries were read: the
// n-th station entry gives slot n, and so row n of the timetable.
std::vector<campi_orario> campi_orario_stazioni(const std::vector<campo_letto>& campi_servizio);

// Works out the timetable of a compiled scenario (its plan traced, so that curves count) with
// `treno` and adds its findings among those of the reading, in file order: an error for every
// time that cannot be kept, a warning for a tight one and a note for slack, each at the hours,
// minutes and seconds of its station entry. A train that cannot run the line at all is one
// warning about the service, saying why. Returns the timetable, for what else is shown of it.
timetable_result aggiungi_rilievi_orario(analisi& a, const std::string& testo_servizio, const stato_build& s,
                                         const train_model& treno);

// check --documents: a station name longer than the train sheet's location column (it is cut
// there) is a warning at the name, in file order among the other findings.
void aggiungi_rilievi_documenti(analisi& a, const std::string& testo_servizio);
