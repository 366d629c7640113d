// Editable descriptions back from a compiled scenario: the route file, the slot table and,
// when there is one, the plan, turned into a line description and a service description
// whose compile gives the very same bytes.
#pragma once

#include <string>
#include <vector>

// The three compiled files as bytes; the names are only for the messages.
struct scenario_compilato {
    std::string nome_piano;
    std::string nome_servizio;
    std::string nome_percorso;
    bool con_piano = false;
    std::string piano;
    std::string servizio;
    std::string percorso;
};

struct esito_decompilazione {
    bool letto = false;       // false: a file does not follow its layout, and nothing was decompiled
    bool riprodotto = false;  // compiling the two texts gives the same bytes in every file
    std::string scenario;     // the names stored in slots 85 and 86, which a recompile must be given
    std::string treno;
    std::string linea;     // the line description, Windows-1252 with CR LF
    std::string servizio;  // the service description
    std::vector<std::string> note;  // choices made where the bytes do not tell the source
    std::string problema;           // when not read or not reproduced: the file, the cell or slot, the reason
};

esito_decompilazione decompila(const scenario_compilato& c);

// Compiles the two descriptions in memory under the given names and compares every file with
// the compiled set; an empty result means the bytes are the same, otherwise it names the file
// and the first cell, slot or metre that differs.
std::string confronta_ricompilazione(const scenario_compilato& c, const std::string& linea,
                                     const std::string& servizio, const std::string& scenario,
                                     const std::string& treno);
