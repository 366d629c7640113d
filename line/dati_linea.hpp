// The embedded line description of the scenario.
#pragma once

#include "model/registri.hpp"
#include "model/scrittore_documenti.hpp"

lista_righe righe_linea();

// Writes the line description file, scenario + "_linea.txt", in the build's folder.
void dati_linea(const stato_build& s);
