// Every keyword of both descriptions and every field it reads, in one table: both description
// readers dispatch on it (which entries, in which order, the texts a keyword field must contain,
// letter case, the fields each entry reads and their widths); the diagnostics, the documentation
// and the language server read it too. Nobody repeats a keyword, a width or a range.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

// Which of the two descriptions a finding or a field belongs to.
enum class quale_file { linea, servizio };

// What the compile does with a number outside the field's range.
enum class fuori_campo {
    niente,       // the whole 32-bit range is stored as written
    stato_25,     // the reading fails: status 25
    bassi_bit,    // only the low 8 or 16 bits are stored: the value wraps
    stato_proprio,  // the entry fails with its own status (given with the field)
    cifre,        // packed as a decimal digit: a value outside runs into the next digit
};

enum class genere_campo { numero, testo };

struct campo_voce {
    const char* nome;
    genere_campo genere;
    int bit;             // 32, 16 or 8 for numbers (8: unsigned), 0 for text
    const char* unita;   // "m", "km/h", "per mille", "s", or ""
    std::int64_t minimo;
    std::int64_t massimo;
    fuori_campo fuori;
    const char* spiegazione;  // its meaning, in a few words
};

// Where an entry is read: the line's general block, the line's feature part, or the service.
enum class parte_voce { generale, caratteristiche, servizio };

// Each entry, by name: what a reader does once the entry is recognised.
enum class chiave_voce {
    lunghezza_percorso,
    progressiva_tre,
    progressiva_due,
    progressiva_uno,
    sfondo_uno,
    sfondo_due,
    sfondo_tre,
    ripetizione_segnali,
    pendenza,
    curva,
    montagna,
    indicatori_vmax,
    cartello_indicatore,
    massa_frenata,
    vetture,
    velocita,
    aderenza,
    orologio,
    sabbia,
    segnale,
    rallentamento,
    abbattimento,
    stazione,
};

struct voce {
    chiave_voce chiave;
    parte_voce parte;
    const char* nome;       // as the writer writes it
    const char* testo;      // recognised when the keyword field contains this ...
    const char* anche;      // ... and this (or nullptr)
    bool maiuscole_esatte;  // letter case compared exactly
    std::vector<campo_voce> campi;
    const char* significato;
};

// The entries of each part, in the order the reader tests them. Every test is made: one keyword
// field may pass several of them, and each entry it passes reads its fields in turn.
const std::vector<voce>& voci_di(parte_voce p);

// The entry of a name.
const voce& voce_di(chiave_voce c);

// Whether a keyword field selects the entry: it contains the entry's text (and its second text),
// with letter case compared as the entry says.
// `minuscolo` is the field in lower case (core/testo.hpp's minuscole), made once for all the tests.
bool riconosce(const voce& v, std::string_view campo, std::string_view minuscolo);
bool riconosce(const voce& v, std::string_view campo);

// Section headers of each description, as the writer writes them.
const std::vector<const char*>& intestazioni_di(quale_file f);
