#include "documents/documenti.hpp"

lista_righe righe_note(const stato_build&) { return {marcatore_fine}; }
lista_righe righe_rallentamenti(const stato_build&) { return {marcatore_fine}; }
lista_righe righe_scheda(const stato_build&) { return {marcatore_fine}; }
void dati_note(const stato_build&) {}
void dati_rallentamenti(const stato_build&) {}
void dati_scheda(const stato_build&) {}
