// The build sequence: start-up, the compile step and the files it writes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "builder/nomi_file.hpp"
#include "core/costanti.hpp"
#include "core/registri.hpp"
#include "platform/platform.hpp"

// A run-time failure that stops the build (a route array that was never created).
struct errore_esecuzione {
    std::string messaggio;
};

void pulisci_servizio(stato_build& s);

// Where the reading step takes the two descriptions from.
struct descrizioni {
    std::string file_linea;
    std::string file_treno;
    const std::string* testo_linea = nullptr;  // already in memory: the file is not opened
    const std::string* testo_treno = nullptr;
    bool cancella = true;  // the plain build deletes its intermediate files once read
};

// Descriptions already read into memory: no file is opened or deleted; the names are only
// for the diagnostics.
descrizioni descrizioni_in_memoria(const std::string& nome_linea, const std::string& linea,
                                   const std::string& nome_treno, const std::string& servizio);

// The plain build's two intermediate files in the build's folder, deleted once read.
descrizioni descrizioni_incorporate(const stato_build& s);


// Removes the plain build's intermediate files, where they are still there.
void rimuovi_descrizioni(const descrizioni& d);

// Reads both descriptions (and deletes them); records a status on failure.
std::int32_t memorizza_dati(stato_build& s, const descrizioni& d);
std::int32_t memorizza_dati(stato_build& s);

// What a compile is asked for.
struct opzioni_compila {
    bool piano = true;  // trace the plan from the curves and write the line's plan file
};

// Steps 1 to 5 of the compile step, in memory. Returns 0, or the fatal error number of the
// stamping guards. Throws errore_esecuzione when the route array was never created.
std::int32_t compila(stato_build& s, const opzioni_compila& o, const descrizioni& d);
// The compile writes nothing without a route: raises errore_esecuzione, naming the recorded status.
void richiede_percorso(const stato_build& s, const descrizioni& d);
std::int32_t compila(stato_build& s, const opzioni_compila& o);

// Compiles two descriptions held in memory, with the plan, under the built-in scenario's names,
// for the checks that need the built records; false when the build stops on a fatal error or
// never creates the route (the reading's findings say why).
bool compila_testi(stato_build& s, const std::string& linea, const std::string& servizio);

// Steps 6 to 8: the line record file (when genera_linea is set), the slot table, the route,
// replaced together with `altri` (the driver's documents, when asked for): one set, all or nothing.
void scrivi_file_binari(const stato_build& s, const std::vector<platform::file_contents>& altri = {});

// The whole compile step: errore ends the program on a fatal error.
void memorizza_percorso(stato_build& s, const std::int32_t& j);

// One line for the user: where the status was recorded (file and line, or the cell of the
// finishing pass), "status N", its meaning and the position where one was recorded.
std::string diagnostica(const stato_build& s, const descrizioni& d);

// Shows " Errore n. " and the number, then ends the program.
[[noreturn]] void errore(const std::string& a);

// The start-up sequence of the plain build in `cartella`; returns the exit status.
int Form_Load(const std::string& cartella);
