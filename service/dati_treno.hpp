// The embedded service description of the scenario.
#pragma once

#include "model/registri.hpp"
#include "model/scrittore_documenti.hpp"

lista_righe righe_treno();

// Writes the service description file, scenario + "_" + treno + "-.txt", in the build's folder.
void dati_treno(const stato_build& s);
