// The compile step on descriptions in memory, up to the bytes of the three files.
#pragma once

#include <string>

#include "driver/costruzione.hpp"
#include "model/file_binari.hpp"

struct file_compilati {
    std::string linea;     // the plan file
    std::string servizio;  // the slot table file
    std::string percorso;  // the route file
    std::int32_t stato = 0;
};

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
