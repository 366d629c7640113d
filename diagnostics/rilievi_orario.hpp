// The timetable's findings at the time fields of the station entries that wrote them: what
// check --timetable and the language server add to the findings of the reading.
#pragma once

#include <string>

#include "diagnostics/diagnostica.hpp"
#include "timetable/timetable.hpp"

// Adds an error for every time that cannot be kept, a warning for a tight one and a note for
// slack, each at the hours, minutes and seconds of its station entry (the n-th station entry of
// the service gives slot n).
void aggiungi_rilievi_orario(analisi& a, const std::string& testo_servizio, const timetable_result& r);

// check --documents: a station name longer than the train sheet's location column (it is cut
// there) is a warning at the name.
void aggiungi_rilievi_documenti(analisi& a, const std::string& testo_servizio);
