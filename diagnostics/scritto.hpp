// What the author wrote against what the simulator gets. The diagnostics walk hands every entry
// it has read to `scritto_voce`, each section header to `scritto_intestazione`, and the records
// as the compile leaves them (after the finishing pass) to `scritto_fine`; the findings wait in
// `pronti` until the walk takes them. Per entry only a few numbers are kept, never its texts.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/registri.hpp"
#include "diagnostics/diagnostica.hpp"
#include "reader/voci.hpp"

// One field of an entry as the walk read it.
struct campo_scritto {
    std::string_view testo;
    std::size_t inizio = 0;
    std::size_t fine = 0;
    int riga = 0;
    int colonna = 0;
    const char* nome = "";
    std::optional<std::int32_t> numero;  // a number field that fits 32 bits; none for a text
};

// An entry the walk has read, with its fields in order.
struct voce_scritta {
    quale_file file = quale_file::linea;
    chiave_voce chiave = chiave_voce::lunghezza_percorso;
    campo_scritto parola;  // the keyword field
    const std::vector<campo_scritto>* campi = nullptr;
    bool fallita = false;  // a field of it failed: it is not applied
    std::size_t dopo = 0;  // where the reading stands after its last field
};

// Where a finding will be told: a field of an entry, without its text.
struct luogo_scritto {
    quale_file file = quale_file::linea;
    std::size_t inizio = 0;
    std::size_t fine = 0;
    int riga = 0;
    int colonna = 0;
    const char* nome = "";
};

// A point item placed on a route cell, kept to compare its cell after the finishing pass.
struct oggetto_scritto {
    chiave_voce chiave = chiave_voce::segnale;
    std::int32_t cella = 0;
    std::size_t dopo = 0;
    int riga_voce = 0;
    std::array<luogo_scritto, 11> campi{};   // its fields, the position first
    std::array<std::int32_t, 11> valori{};  // the numbers written in them
};

// A profile (gradient, speed limit, adhesion) as its entries fill the route.
struct profilo_scritto {
    std::int64_t cursore = 0;  // the first cell not yet written
    std::int64_t cella_ultima = -1;
    std::int32_t posizione_ultima = 0;
    int riga_ultima = 0;
    bool visto = false;
};

// A single-valued entry: where it was last given.
struct unica_scritta {
    int riga = 0;
    bool vista = false;
};

// A kilometre reference as written: the three are sorted by start into slots 81 to 83.
struct progressiva_scritta {
    luogo_scritto inizio;  // its start field
    int riga = 0;
    std::array<std::int32_t, 3> valori{};  // start, chainage, flag
    std::size_t dopo = 0;
};

struct stato_scritto {
    // Scratch for the walk's hook: the fields of the entry it hands over.
    std::vector<campo_scritto> campi;
    // Findings ready for the walk to take.
    std::vector<rilievo> pronti;

    // Findings about the last entry of each file, held until it is known to be applied.
    std::array<std::vector<rilievo>, 2> in_attesa;
    std::array<std::size_t, 2> dopo_attesa{};
    // The offset of a [fine] header read in each file; entries past it are still read.
    std::array<std::optional<std::size_t>, 2> fine_vista;
    std::array<int, 2> riga_fine{};

    std::array<unica_scritta, static_cast<std::size_t>(chiave_voce::stazione) + 1> uniche{};
    profilo_scritto pendenza, velocita, aderenza;
    std::int64_t lunghezza = -1;  // the line length read, -1 before it
    std::int32_t fine_montagna = 0;
    int riga_montagna = 0;
    std::int32_t inizio_montagna = 0;
    bool montagna_vista = false;

    // The timetable along the route.
    std::optional<std::int64_t> partenza;  // the first station time written (not 0, 0, 0)
    int riga_partenza = 0;
    std::optional<std::int64_t> orario_prec;
    int riga_orario_prec = 0;

    std::array<std::optional<progressiva_scritta>, 3> progressive;  // tre, due, uno: the last given of each
    std::vector<oggetto_scritto> oggetti;
    std::vector<luogo_scritto> stazioni;  // the position field of each station read, in slot order
};

// The walk has read an entry (the exact walk only: what the compile reads).
void scritto_voce(stato_scritto& s, const voce_scritta& v);
// A keyword field that is a section header.
void scritto_intestazione(stato_scritto& s, quale_file f, std::string_view campo, std::size_t inizio, int riga);
// The records as the compile leaves them; `fermo_*`: where the exact walk stopped reading each file
// (the largest size_t when it read it to its end). The texts give the findings the fields as written.
void scritto_fine(stato_scritto& s, const stato_build& b, std::size_t fermo_linea, std::size_t fermo_servizio,
                  const std::string* linea, const std::string* servizio);
