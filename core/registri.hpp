// The in-memory scenario records and the build state that every build procedure shares.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <iterator>
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
// A kilometre reference slot that holds no reference: (0, 0, 0), as a tie in the sorting leaves it.
inline bool progressiva_vuota(const slot_servizio& s) { return s.inizio == 0 && s.fine == 0 && s.posizione == 0; }
inline constexpr int slot_generale = 84;
inline constexpr int slot_scenario = 85;
inline constexpr int slot_treno = 86;
inline constexpr int primo_slot_cartelli = 80;

// One run of the plan's tracing: metres up to `fino` traced straight on, or turned by the
// curvature `k` per metre.
struct tratto_linea {
    std::int32_t fino = 0;
    bool curva = false;
    double k = 0;
};

// The plan of the track: x and y for every metre 0 to `estensione`. Metres 0 and 1 hold
// 16-bit integers once seeded, metres 2 to `metro` - 1 hold reals traced from the curves,
// every other metre is still empty, so these numbers say the kind of every element. Each
// traced point follows from the two before it, so the record keeps the runs that traced
// them, not the points: the points are worked out again, in order, when they are written
// (percorri_linea), and a plan of a million metres never has to be held whole in memory.
struct linea_tracciata {
    std::int32_t estensione = -1;  // -1: the record was never created
    bool seminata = false;
    std::int32_t metro = 0;  // next metre to compute
    // In order; together they cover metres 2 to `metro` - 1.
    std::vector<tratto_linea> tratti;
};

enum class genere_elemento { vuoto, intero16, reale64 };

inline bool linea_creata(const linea_tracciata& l) { return l.estensione >= 0; }

inline genere_elemento genere_di(const linea_tracciata& l, std::int32_t m) {
    if (!l.seminata) return genere_elemento::vuoto;
    if (m < 2) return genere_elemento::intero16;
    if (m < l.metro) return genere_elemento::reale64;
    return genere_elemento::vuoto;
}

// The seed: metre 0 at (0, 0), metre 1 at (0, 1).
inline constexpr double x_seme[2] = {0, 0};
inline constexpr double y_seme[2] = {0, 1};

namespace dettaglio_linea {
// `quanti` steps from the last two points (x2, y2), (x1, y1), which move along.
template <bool curva>
void passi(double& x2, double& x1, double& y2, double& y1, double k, double* x, double* y, std::size_t quanti) {
    for (std::size_t i = 0; i < quanti; ++i) {
        const double dx = x1 - x2;
        const double dy = y1 - y2;
        double xn, yn;
        if constexpr (curva) {
            xn = x1 + dx + k * dy;
            yn = y1 + dy - k * dx;
        } else {
            xn = x1 + dx;
            yn = y1 + dy;
        }
        x[i] = xn;
        y[i] = yn;
        x2 = x1;
        x1 = xn;
        y2 = y1;
        y1 = yn;
    }
}
}  // namespace dettaglio_linea

// Works out the traced points of metres 2 to `metro` - 1, in order, and hands them to
// `blocco(x, y, n)` a few thousand at a time. Each point is the one before it plus the step
// between the two before it (never normalised), turned by k on a curve: the same binary64
// operations in the same order whenever the plan is walked.
template <class F>
void percorri_linea(const linea_tracciata& l, F&& blocco) {
    if (!l.seminata) return;
    constexpr std::size_t n_blocco = 2048;
    double bx[n_blocco];
    double by[n_blocco];
    std::size_t n = 0;
    double x2 = x_seme[0], x1 = x_seme[1], y2 = y_seme[0], y1 = y_seme[1];
    std::int64_t m = 2;
    for (const tratto_linea& t : l.tratti) {
        const double k = t.k;
        while (m <= t.fino) {
            // Up to the run's end or the block's, whichever comes first.
            const std::size_t passi = static_cast<std::size_t>(
                std::min<std::int64_t>(t.fino - m + 1, static_cast<std::int64_t>(n_blocco - n)));
            if (t.curva) {
                dettaglio_linea::passi<true>(x2, x1, y2, y1, k, bx + n, by + n, passi);
            } else {
                dettaglio_linea::passi<false>(x2, x1, y2, y1, k, bx + n, by + n, passi);
            }
            n += passi;
            m += static_cast<std::int64_t>(passi);
            if (n == n_blocco) {
                blocco(static_cast<const double*>(bx), static_cast<const double*>(by), n);
                n = 0;
            }
        }
    }
    if (n > 0) blocco(static_cast<const double*>(bx), static_cast<const double*>(by), n);
}

// Metres 0 to `metro` - 1 as two arrays, for the checks that look at single points.
struct punti_linea {
    std::vector<double> x;
    std::vector<double> y;
};

inline punti_linea punti_di(const linea_tracciata& l) {
    punti_linea p;
    if (!l.seminata) return p;
    p.x.assign(std::begin(x_seme), std::end(x_seme));
    p.y.assign(std::begin(y_seme), std::end(y_seme));
    percorri_linea(l, [&](const double* x, const double* y, std::size_t n) {
        p.x.insert(p.x.end(), x, x + n);
        p.y.insert(p.y.end(), y, y + n);
    });
    return p;
}

// Which description a reader was reading when it recorded a status.
enum class descrizione { nessuna, linea, servizio };

// A place in a description: line and column (from 1) of an entry or a field; line 0 when unknown.
struct luogo_testo {
    int riga = 0;
    int colonna = 0;
};

// The build report: the status the build records (errore_numero, 0 when none) and, for the
// messages only, where it lies. Nothing of it is stored in the built files.
struct resoconto_build {
    std::int32_t errore_numero = 0;
    std::int32_t errore_posizione = 0;
    // The description and the place (line and column of the entry or the field) of the entry that
    // caused the status. errore_posizione keeps its own rules (a later signal or slowdown takes it
    // over), so errore_metri keeps the metres of the entry that caused the status.
    descrizione errore_descrizione = descrizione::nessuna;
    int errore_riga = 0;
    int errore_colonna = 0;
    std::int32_t errore_metri = 0;
    std::string errore_motivo;  // a read failure's own reason, empty for the others
    // Where the kilometre references now in slots 81, 82 and 83 were read, for status 2.
    std::array<luogo_testo, 3> luoghi_progressive{};
};

// What one build works on: the records it fills (the plan, the route, the slot table and the
// mountain stretches), what it is asked for (the names, whether the plan is built, the output
// folder) and its report.
struct stato_build {
    // The records.
    linea_tracciata linea;
    std::vector<cella> percorso;  // empty until the line length sizes it
    std::array<slot_servizio, n_slot> servizio{};
    std::array<std::int32_t, 81> inizi_montagna{};
    std::array<std::int32_t, 81> fini_montagna{};
    std::int32_t n_montagne = 0;
    std::int32_t estensione = 0;
    std::int32_t n_celle = 0;

    // What the build is asked for.
    std::string treno;
    std::string scenario;
    bool genera_linea = false;  // the plan is traced and its file written
    // Where the files are read and written: the program's own folder in the plain build.
    std::string cartella;

    resoconto_build resoconto;
};

inline bool percorso_creato(const stato_build& s) { return !s.percorso.empty(); }

// Scenario identifier: the base name of every per-train file.
inline std::string identificatore(const stato_build& s) { return s.scenario + "_" + s.treno; }
