// One finding about a description, as data: the terminal, JSON, SARIF and the language server
// each render the same record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/registri.hpp"
#include "reader/voci.hpp"

enum class gravita { errore, avviso, nota };

// Every text of a finding is Windows-1252, like the descriptions it quotes; renderers convert.
struct rilievo {
    gravita severita = gravita::errore;
    quale_file file = quale_file::linea;
    int riga = 0;                 // 1-based; 0 when the finding is about the whole file
    int colonna = 0;              // 1-based byte column of the field; 0 when none
    std::size_t inizio = 0;       // byte range of the field in the file's text
    std::size_t fine = 0;
    std::string messaggio;
    std::string campo;            // the field's name, when the problem is one field
    std::string valore;           // the field as written (Windows-1252 bytes)
    std::string intervallo;       // the allowed range, in words
    std::int32_t stato = 0;       // the build status the compile records for it; 0: none
    std::optional<std::int32_t> posizione_m;
    std::string nota;             // the range, the reason or the suggestion, in a sentence
    std::optional<std::string> correzione;  // text that replaces the field's range, when certain
};

// One field of an entry as it stands in the text: what an editor shows on hover, as an inlay
// hint or as a symbol, and what a formatter lays out.
// A record per field read, millions in a large file, so 16 bytes: the entry is its number in the
// keyword table, the field's bytes stay in the text. Fields are kept for texts under 4 GiB only
// (every reader refuses a description over 16 MiB).
struct campo_letto {
    std::uint32_t inizio = 0;  // byte range, blanks before it and its separator excluded
    std::uint32_t fine = 0;
    std::int32_t riga = 0;     // 1-based line of the field's first byte
    std::uint16_t indice = 0;  // 0: the keyword field; 1, 2, ...: the entry's fields in order
    std::uint8_t voce = 0;     // 1 + the entry's chiave_voce; 0: a keyword field that matches nothing
};

// The entry as written in the table ("stazione"); empty for a keyword field that matches nothing.
std::string_view parola_chiave_di(const campo_letto& c);
// The field's name from the table ("position"); empty for a keyword field.
std::string_view nome_di(const campo_letto& c);
// The field as written.
inline std::string_view valore_di(const campo_letto& c, std::string_view testo) {
    if (c.inizio >= testo.size()) return {};
    return testo.substr(c.inizio, c.fine - c.inizio);
}

// A description's findings past this many are counted, not listed: a file of one mistake per
// line would otherwise keep a record for each of millions of lines.
inline constexpr std::size_t rilievi_elencati_per_file = 1000;

// A section header such as "[curve]": a keyword field in square brackets (blanks after it aside).
bool e_intestazione(std::string_view campo);

struct analisi {
    std::vector<rilievo> diagnostiche;  // line description first, then the service, in order
    std::vector<campo_letto> campi_linea;
    std::vector<campo_letto> campi_servizio;
    int errori = 0;
    int avvisi = 0;
    std::int32_t fatale = 0;  // the fatal error of the build marks, as the compile stops with it
};

struct opzioni_analisi {
    bool piano = true;  // the compile traces the plan (its default); without it curves are not read
    bool campi = true;  // keep every field read (editors need them; the findings alone do not)
    // When set, receives the records the walk builds, as the compile leaves them (after the
    // finishing pass and the build marks), with the build report; its names and output folder stay.
    stato_build* registri = nullptr;
};

// Reads both descriptions as the compile would, and reports every problem in both. Either text
// may be missing (nullptr): a service alone is read without the line's route, a line alone
// without a service.
analisi analizza(const std::string* linea, const std::string* servizio, const opzioni_analisi& o = {});

// The compile's reading: the line description, then the service (when the line's reading goes on
// to it; nullptr: its file could not be read), the finishing pass and the build marks, into `s`,
// whose names, output folder and plan flag (genera_linea) stay. Every status is recorded in `s` as
// the build report has it.
struct esito_lettura {
    std::int32_t fatale = 0;      // the fatal error of the build marks, 0 when none
    bool servizio_letto = false;  // the line's reading went on to the service description
};
esito_lettura leggi_descrizioni(stato_build& s, const std::string& linea, const std::string* servizio);

// One description alone, read by the same walk into records that already hold what it needs (the
// route, for a service), with no finishing pass and no build marks: each description's reading on
// its own. The line returns true when the service is read next and leaves the sign slot counter.
bool leggi_linea(stato_build& s, const std::string& testo, std::int32_t& contatore_cartelli);
void leggi_servizio(stato_build& s, const std::string& testo, std::int32_t contatore_cartelli);
