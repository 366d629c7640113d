// The in-memory scenario records and the build state that every build procedure shares.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// One 50 m route cell.
struct cella {
    std::uint8_t tipo_cella = 0;
    std::int16_t valore1 = 0;
    std::int16_t valore2 = 0;
    std::int16_t valore3 = 0;
    std::int16_t valore4 = 0;
    std::uint8_t tempo_segnale = 0;
    std::uint8_t preavviso = 0;
    std::uint8_t montagna = 0;
    std::uint8_t velocita_limite = 0;
    std::uint8_t pendenza = 0;
    std::uint8_t aderenza = 0;
};

// Cell type codes of `tipo_cella`.
namespace tipo {
inline constexpr std::uint8_t libera = 0;
inline constexpr std::uint8_t segnale = 1;
inline constexpr std::uint8_t fine_rallentamento = 2;
inline constexpr std::uint8_t inizio_rallentamento = 3;
inline constexpr std::uint8_t avviso_rallentamento = 4;
inline constexpr std::uint8_t preavviso_rallentamento = 5;
inline constexpr std::uint8_t indicatori_velocita = 6;
inline constexpr std::uint8_t fermata_stazione = 10;
inline constexpr std::uint8_t marcatore_montagna = 11;
inline constexpr std::uint8_t tabella_con_valore = 12;
inline constexpr std::uint8_t tabella_senza_valore = 13;
inline constexpr std::uint8_t cartello = 14;
}  // namespace tipo

// A route cell by its index: indexes are 32-bit, as every position of the build.
inline cella& cella_n(std::vector<cella>& p, std::int32_t k) { return p[static_cast<std::size_t>(k)]; }
inline const cella& cella_n(const std::vector<cella>& p, std::int32_t k) { return p[static_cast<std::size_t>(k)]; }

// Signals, boards and slowdown cells go only on cells of type 0 or 11.
inline bool cella_libera(const cella& c) {
    return c.tipo_cella == tipo::libera || c.tipo_cella == tipo::marcatore_montagna;
}

// One slot of the service slot table. `nome` holds Windows-1252 bytes, as every text of the system.
struct slot_servizio {
    std::uint8_t tipo_stazione = 0;
    std::int32_t inizio = 0;
    std::int32_t fine = 0;
    std::int32_t posizione = 0;
    std::uint8_t campo4 = 0;
    std::string nome;
    std::int16_t campo7 = 0;
    std::int16_t campo8 = 0;
    std::int16_t campo10 = 0;
    std::int16_t campo11 = 0;
    std::int16_t campo12 = 0;
    std::uint8_t campo9 = 0;
    std::uint8_t sosta = 0;
    std::uint8_t campo6 = 0;
    std::uint8_t campo5 = 0;
    std::int32_t orario = 0;
};

inline constexpr int n_slot = 87;
inline constexpr int slot_progressiva_tre = 81;
inline constexpr int slot_progressiva_due = 82;
inline constexpr int slot_progressiva_uno = 83;
inline constexpr int slot_generale = 84;
inline constexpr int slot_scenario = 85;
inline constexpr int slot_treno = 86;
inline constexpr int primo_slot_cartelli = 80;

// The plan of the track: x and y for every metre 0 to `estensione`. Metres 0 and 1 hold
// 16-bit integers once seeded, metres 2 to `metro` - 1 hold reals traced from the curves,
// every other metre is still empty. The points are traced contiguously, so these two
// numbers say the kind of every element without a tag per element.
struct linea_tracciata {
    std::int32_t estensione = -1;  // -1: the record was never created
    bool seminata = false;
    std::int32_t metro = 0;  // next metre to compute
    // One contiguous array in the order of the stored file: x of metres 0 to E, then y. Only
    // the elements that genere_di calls integers or reals hold values; the others are never
    // read, so the array is not cleared when it is made.
    std::unique_ptr<double[]> valori;
};

inline double* x_di(linea_tracciata& l) { return l.valori.get(); }
inline double* y_di(linea_tracciata& l) { return l.valori.get() + l.estensione + 1; }
inline const double* x_di(const linea_tracciata& l) { return l.valori.get(); }
inline const double* y_di(const linea_tracciata& l) { return l.valori.get() + l.estensione + 1; }

enum class genere_elemento { vuoto, intero16, reale64 };

inline bool linea_creata(const linea_tracciata& l) { return l.estensione >= 0; }

inline genere_elemento genere_di(const linea_tracciata& l, std::int32_t m) {
    if (!l.seminata) return genere_elemento::vuoto;
    if (m < 2) return genere_elemento::intero16;
    if (m < l.metro) return genere_elemento::reale64;
    return genere_elemento::vuoto;
}

// Which description a reader was reading when it recorded a status.
enum class descrizione { nessuna, linea, servizio };

struct stato_build {
    linea_tracciata linea;
    std::vector<cella> percorso;  // empty until the line reader sizes it
    std::array<slot_servizio, n_slot> servizio{};
    std::array<std::int32_t, 81> inizi_montagna{};
    std::array<std::int32_t, 81> fini_montagna{};
    std::int32_t n_montagne = 0;
    std::int32_t genera_linea = 0;
    std::string treno;
    std::string scenario;
    std::string riga;
    std::int32_t estensione = 0;
    std::int32_t n_celle = 0;
    std::int32_t errore_numero = 0;
    std::int32_t errore_posizione = 0;

    // Where the files are read and written: the program's own folder in the plain build.
    std::string cartella;
    // Where the reader stood when the last status was recorded, for diagnostics.
    descrizione errore_descrizione = descrizione::nessuna;
    int errore_riga = 0;
};

inline bool percorso_creato(const stato_build& s) { return !s.percorso.empty(); }

// Scenario identifier: the base name of every per-train file.
inline std::string identificatore(const stato_build& s) { return s.scenario + "_" + s.treno; }
