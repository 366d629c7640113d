// The document writer and the five text files of the plain build: every text file of the
// system is a line list written as Windows-1252 lines ended by CR LF, up to the end marker.
#pragma once

#include <string>

#include "core/documento.hpp"
#include "core/registri.hpp"

// Replaces the named file with the list's text (a failure throws platform::file_error).
void scrivi_documento(const lista_righe& lista, const std::string& nome_file);

// The line description, scenario + "_linea.txt", in the build's folder.
void dati_linea(const stato_build& s);
// The service description, scenario + "_" + treno + "-.txt".
void dati_treno(const stato_build& s);
// The companion documents, scenario + "_" + treno + "_note.txt", "_rallentamenti.txt" and
// "_scheda_treno.txt".
void dati_note(const stato_build& s);
void dati_rallentamenti(const stato_build& s);
void dati_scheda(const stato_build& s);
