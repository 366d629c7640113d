#include "builder/scrittore_documenti.hpp"

#include "builder/nomi_file.hpp"
#include "builder/sostituzione.hpp"
#include "platform/platform.hpp"
#include "scenario/dati_linea.hpp"
#include "scenario/dati_treno.hpp"
#include "scenario/documenti.hpp"

void scrivi_documento(const lista_righe& lista, const std::string& nome_file) {
    sostituisci_file(nome_file, testo_documento(lista));
}

void dati_linea(const stato_build& s) { scrivi_documento(righe_linea(), nome_file_linea_txt(s)); }

void dati_treno(const stato_build& s) { scrivi_documento(righe_treno(), nome_file_treno_txt(s)); }

void dati_note(const stato_build& s) { scrivi_documento(righe_note(s), nome_documento(s, "note.txt")); }

void dati_rallentamenti(const stato_build& s) {
    scrivi_documento(righe_rallentamenti(s), nome_documento(s, "rallentamenti.txt"));
}

void dati_scheda(const stato_build& s) { scrivi_documento(righe_scheda(s), nome_documento(s, "scheda_treno.txt")); }
