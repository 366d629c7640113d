// The field reader of both description files: a stream of comma-separated fields.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/numeri.hpp"

struct stato_build;
enum class descrizione;

struct lettore_campi {
    const std::string* testo = nullptr;
    std::size_t pos = 0;
    int riga = 1;        // line of the next character
    int riga_campo = 1;  // line on which the last field read began
};

lettore_campi apri_lettore(const std::string& testo);

// The end of the file counts as reached when nothing is left after the last field read
// and its closing comma or line end.
bool fine_file(const lettore_campi& l);

// A text field: from its first non-blank character to the comma or line end, or, when it
// begins with a double quote, up to the next double quote (commas included).
// Reading past the end of the file raises guasto_lettura.
std::string leggi_testo(lettore_campi& l);

// A number field: an optional minus sign and digits, ending at a blank, comma or line end.
// Blank or text reads 0; a number outside the 32-bit range raises guasto_lettura.
std::int32_t leggi_numero(lettore_campi& l);
std::int16_t leggi_numero16(lettore_campi& l);
std::uint8_t leggi_numero8(lettore_campi& l);

// Records a build status with the reader's line, for the diagnostics.
void registra_stato(stato_build& s, const lettore_campi& l, descrizione d, std::int32_t numero);
void registra_stato(stato_build& s, const lettore_campi& l, descrizione d, std::int32_t numero,
                    std::int32_t posizione);
