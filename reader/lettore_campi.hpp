// The field reader of both description files: a stream of comma-separated fields.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/numeri.hpp"
#include "core/registri.hpp"
#include "reader/voci.hpp"

struct lettore_campi {
    const std::string* testo = nullptr;
    std::size_t pos = 0;
    int riga = 1;                // line of the next character
    std::size_t inizio_riga = 0;  // offset of that line's first character
    luogo_testo campo{1, 1};     // where the last field read began
    int riga_campo = 1;          // its line, as campo.riga
    luogo_testo voce{1, 1};      // where the keyword field of the entry being read began
};

lettore_campi apri_lettore(const std::string& testo);

// The end of the file counts as reached when nothing is left after the last field read
// and its closing comma or line end.
bool fine_file(const lettore_campi& l);

// A text field: from its first non-blank character to the comma or line end, or, when it
// begins with a double quote, up to the next double quote on the same line (commas included).
// A quote left open at the line end, or reading past the end of the file, raises guasto_lettura.
std::string leggi_testo(lettore_campi& l);

// A text that is stored with a 16-bit length: one over 65535 bytes raises guasto_lettura.
std::string leggi_testo16(lettore_campi& l);

// A number field: an optional minus sign and digits, ending at a blank, comma or line end.
// Blank or text reads 0; a number outside the 32-bit range raises guasto_lettura.
std::int32_t leggi_numero(lettore_campi& l);
std::int16_t leggi_numero16(lettore_campi& l);
std::uint8_t leggi_numero8(lettore_campi& l);

// Field `i` of entry `v`, a number read at the width the table gives it (32, 16 or 8 bits).
std::int32_t leggi_campo(lettore_campi& l, const voce& v, std::size_t i);

// Field `i` of entry `v`, a text stored with a 16-bit length.
std::string leggi_campo_testo(lettore_campi& l, const voce& v, std::size_t i);

// Every field of an entry that holds numbers only, in the table's order; the rest stay 0.
inline constexpr std::size_t campi_numerici_massimi = 11;
std::array<std::int32_t, campi_numerici_massimi> leggi_campi(lettore_campi& l, const voce& v);

// The field just read is the keyword field of the entry that follows: statuses recorded
// while the entry is read point at it.
void segna_voce(lettore_campi& l);

// A failure found after its entry was read (a profile's tail, the ordering of the kilometre
// references) lies in that entry, when its place is known.
void guasto_alla_voce(guasto_lettura& g, luogo_testo voce);

// Records a build status at the entry being read, for the diagnostics.
void registra_stato(stato_build& s, const lettore_campi& l, descrizione d, std::int32_t numero);
void registra_stato(stato_build& s, const lettore_campi& l, descrizione d, std::int32_t numero,
                    std::int32_t posizione);

// Records a build status at a given place.
void registra_stato_in(stato_build& s, descrizione d, luogo_testo dove, std::int32_t numero);
