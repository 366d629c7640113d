// The whole compile step on descriptions held in memory, as the tests, the fuzz harnesses and
// the benchmarks run it: no file is read, deleted or written.
#pragma once

#include <cctype>
#include <cstdint>
#include <sstream>
#include <string>

#include "builder/costruzione.hpp"
#include "tools/dump.hpp"
#include "scenario/dati_linea.hpp"
#include "format/file_binari.hpp"
#include "scenario/dati_treno.hpp"

// An input that starts with '+' asks for the line plan; the rest is the description.
inline bool chiede_piano(std::string& testo) {
    if (testo.empty() || testo[0] != '+') return false;
    testo.erase(0, 1);
    return true;
}

// The plan costs time in proportion to the line length: a description holding a number
// above 60000 is compiled without it, so that one execution stays fast.
inline bool numeri_piccoli(const std::string& testo) {
    std::int64_t n = 0;
    for (char c : testo) {
        if (std::isdigit(static_cast<unsigned char>(c))) {
            n = n * 10 + (c - '0');
            if (n > 60000) return false;
        } else {
            n = 0;
        }
    }
    return true;
}

struct esito_in_memoria {
    bool percorso = false;     // the route was created
    std::int32_t fatale = 0;   // 1250 or 1251
    std::int32_t stato = 0;    // the build status
    std::size_t byte = 0;      // total size of the serialised files
};

inline esito_in_memoria compila_in_memoria(const std::string& linea, const std::string& servizio, bool piano) {
    stato_build s;
    s.scenario = "Sorvanta";
    s.treno = "E48027";
    const descrizioni d = descrizioni_in_memoria("linea", linea, "servizio", servizio);
    esito_in_memoria e;
    try {
        e.fatale = compila(s, piano && numeri_piccoli(linea) ? 1 : 0, d);
    } catch (const errore_esecuzione&) {
        e.stato = s.errore_numero;
        return e;
    }
    e.percorso = true;
    e.stato = s.errore_numero;
    if (e.fatale == 0) {
        // The plan's bytes depend only on its length, which the unit tests cover; writing them
        // out here would take most of each execution.
        e.byte = serializza_percorso(s.percorso).size() + serializza_servizio(s.servizio).size();
    }
    return e;
}

struct file_compilati {
    std::string linea;     // the plan file
    std::string servizio;  // the slot table file
    std::string percorso;  // the route file
    std::int32_t stato = 0;
};

// The bytes of the three files, as the plain build would write them (empty when a fatal
// error stops the build).
inline file_compilati compila_e_serializza(const std::string& linea, const std::string& servizio) {
    stato_build s;
    s.scenario = "Sorvanta";
    s.treno = "E48027";
    const descrizioni d = descrizioni_in_memoria("linea", linea, "servizio", servizio);
    file_compilati f;
    if (compila(s, 1, d) != 0) return f;
    f.linea = serializza_linea(s.linea);
    f.servizio = serializza_servizio(s.servizio);
    f.percorso = serializza_percorso(s.percorso);
    f.stato = s.errore_numero;
    return f;
}

inline const std::string& linea_incorporata() {
    static const std::string testo = testo_documento(righe_linea());
    return testo;
}

inline const std::string& servizio_incorporato() {
    static const std::string testo = testo_documento(righe_treno());
    return testo;
}

// dump on arbitrary bytes: the first byte chooses the kind of file, the format and decoded or
// raw values; the rest is the file. Returns whether the file was listed; `out` and `errore_dump` get what dump said.
inline bool dump_in_memoria(const std::string& ingresso, std::ostream& out, std::string& errore_dump) {
    if (ingresso.empty()) return false;
    const unsigned char scelta = static_cast<unsigned char>(ingresso[0]);
    const char* nomi[] = {"x_linea.dat", "x_E1.sim", "x_E1.dat"};
    return dump_bytes(nomi[scelta % 3], ingresso.substr(1), (scelta & 4) ? dump_format::json : dump_format::text,
                      (scelta & 8) ? dump_values::raw : dump_values::decoded, out, errore_dump);
}

inline void dump_in_memoria(const std::string& ingresso) {
    std::ostringstream out;
    std::string errore_dump;
    dump_in_memoria(ingresso, out, errore_dump);
}
