// Every stored cell and slot value read back in the author's units: the inverses of
// core/codifica.hpp, which says what a description's value becomes in the files. A decoding that
// the stored value does not allow (a code no description can write) gives no value. Where cells
// go, and which metres a cell stands for, is in core/celle.hpp.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "core/celle.hpp"
#include "core/codifica.hpp"
#include "core/registri.hpp"

std::int32_t decodifica_velocita(std::uint8_t quinti);
// -100 to 155 per mille come back as written.
std::int32_t decodifica_pendenza(std::uint8_t v);

struct velocita_lati {
    std::int32_t sinistra = 0, destra = 0;
};
// The author's reading of a speed indicator code: speeds in 5 km/h steps, the right one below
// 500 km/h.
std::optional<velocita_lati> decodifica_indicatore(std::int16_t codice);

struct strisce_lati {
    std::int32_t sinistra = 0, destra = 0;
};
std::optional<strisce_lati> decodifica_strisce(std::int16_t codice);

// Kinds 0 to 2 and one-digit values; the time as stored (a time of 1 to 100 was raised to 101).
std::optional<segnale_scritto> decodifica_segnale(const segnale_in_cella& c);

struct approccio_letto {
    bool stazione = false;
    std::int32_t tipi = 0;   // sx x 3 + dx, for a signal
    std::int32_t passo = 0;  // i
};
std::optional<approccio_letto> decodifica_approccio(std::uint8_t codice);

struct orario_letto {
    std::int64_t ore = 0, minuti = 0, secondi = 0;
    bool negativo = false;
};
orario_letto decodifica_orario(std::int32_t secondi);

std::int32_t decodifica_progressiva(const slot_servizio& s);

// The plan's steps: tracing starts with a 1 m step, and each curve step makes it longer by the
// factor sqrt(1 + k^2), never shorter. No step of a plan of `metri` metres can be longer than
// this; 1.06 m is common on long curvy lines.
double passo_massimo_piano(std::size_t metri);
