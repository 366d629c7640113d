// Every keyword of both descriptions and every field it reads, in one table: the engine, the
// documentation and the language server read it; nobody repeats a width or a range.
#pragma once

#include <cstdint>
#include <vector>

#include "diagnostics/diagnostica.hpp"

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

struct voce {
    parte_voce parte;
    const char* nome;       // as the writer writes it
    const char* testo;      // recognised when the keyword field contains this ...
    const char* anche;      // ... and this (or nullptr)
    bool maiuscole_esatte;  // letter case compared exactly
    std::vector<campo_voce> campi;
    const char* significato;
};

// The entries of each part, in the order the reader tests them.
const std::vector<voce>& voci_di(parte_voce p);

// Section headers of each description, as the writer writes them.
const std::vector<const char*>& intestazioni_di(quale_file f);
