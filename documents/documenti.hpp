// The three companion documents for the driver.
#pragma once

#include "model/registri.hpp"
#include "model/scrittore_documenti.hpp"

lista_righe righe_note(const stato_build& s);
lista_righe righe_rallentamenti(const stato_build& s);
lista_righe righe_scheda(const stato_build& s);

void dati_note(const stato_build& s);
void dati_rallentamenti(const stato_build& s);
void dati_scheda(const stato_build& s);
