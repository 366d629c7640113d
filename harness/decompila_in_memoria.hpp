// decompile on arbitrary bytes, for the fuzz harness and its regressions: the input holds the
// three files one after the other.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "decompile/decompilatore.hpp"

// Byte 0 bit 0 asks for a plan file; bytes 1-2 and 3-4 are the little-endian sizes of the slot
// table and of the route that follow; whatever remains is the plan.
inline scenario_compilato scenario_da_byte(const std::string& ingresso) {
    scenario_compilato c;
    c.nome_piano = "x_linea.dat";
    c.nome_servizio = "x_E1.sim";
    c.nome_percorso = "x_E1.dat";
    if (ingresso.size() < 5) return c;
    auto misura = [&](std::size_t i) {
        return static_cast<std::size_t>(static_cast<unsigned char>(ingresso[i])) |
               static_cast<std::size_t>(static_cast<unsigned char>(ingresso[i + 1])) << 8;
    };
    std::size_t at = 5;
    const std::size_t servizio = std::min(misura(1), ingresso.size() - at);
    c.servizio = ingresso.substr(at, servizio);
    at += servizio;
    const std::size_t percorso = std::min(misura(3), ingresso.size() - at);
    c.percorso = ingresso.substr(at, percorso);
    at += percorso;
    c.con_piano = (static_cast<unsigned char>(ingresso[0]) & 1) != 0;
    if (c.con_piano) c.piano = ingresso.substr(at);
    return c;
}

// The inverse, for writing seeds.
inline std::string byte_da_scenario(const scenario_compilato& c) {
    std::string r(1, c.con_piano ? '\1' : '\0');
    for (std::size_t n : {c.servizio.size(), c.percorso.size()}) {
        r += static_cast<char>(n & 0xFFu);
        r += static_cast<char>((n >> 8) & 0xFFu);
    }
    return r + c.servizio + c.percorso + (c.con_piano ? c.piano : std::string());
}

inline void decompila_in_memoria(const std::string& ingresso) { decompila(scenario_da_byte(ingresso)); }
