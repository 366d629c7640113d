// The one walk that reads both descriptions, for the compile and for every tool: field by field
// with the field reader, each entry placed into the records through the placement procedures of
// reader/ (memo_linea, memo_servizio), each status recorded in the build report where the compile
// stops, and every problem told as a finding with its place. The compile's walk stops at the first
// status (leggi_descrizioni); check's, the language server's and compile's findings go on past it,
// entry by entry, to report the rest (analizza), still reading each text once.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <deque>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/celle.hpp"
#include "core/costanti.hpp"
#include "core/encoding.hpp"
#include "core/numeri.hpp"
#include "core/registri.hpp"
#include "core/stati.hpp"
#include "core/testo.hpp"
#include "diagnostics/codifica.hpp"
#include "diagnostics/diagnostica.hpp"
#include "diagnostics/scritto.hpp"
#include "reader/voci.hpp"
#include "finish/codici_gara.hpp"
#include "format/codec.hpp"
#include "finish/passata_finale.hpp"
#include "reader/lettore_campi.hpp"
#include "reader/memo_linea.hpp"
#include "reader/memo_servizio.hpp"
#include "reader/limiti_percorso.hpp"
#include "reader/tracciato.hpp"

namespace {

constexpr std::size_t mai = std::numeric_limits<std::size_t>::max();

// The compile stops reading here (the exact walk only).
struct fermata {};
// An entry runs past the end of the file (the walk that goes on after a stop).
struct fine_testo {};

struct campo_recente {
    std::size_t inizio = 0;
    std::size_t fine = 0;
    std::string testo;
};
// More than the fields of the longest entry, however its fields run over lines.
constexpr std::size_t campi_recenti = 256;

struct sorgente {
    const std::string* t = nullptr;
    quale_file f = quale_file::linea;
    std::vector<std::size_t> righe;  // offset of each line's first byte
    std::vector<campo_letto> campi;  // every field read, when the caller keeps them
    // The last fields read, kept always: a status recorded at an entry's keyword field takes that
    // field's extent from here.
    std::deque<campo_recente> recenti;
};

std::vector<std::size_t> inizi_righe(const std::string& t) {
    std::vector<std::size_t> r{0};
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (t[i] == '\r') {
            if (i + 1 < t.size() && t[i + 1] == '\n') ++i;
            r.push_back(i + 1);
        } else if (t[i] == '\n') {
            r.push_back(i + 1);
        }
    }
    return r;
}

int riga_di(const sorgente& s, std::size_t offset) {
    auto it = std::upper_bound(s.righe.begin(), s.righe.end(), offset);
    return static_cast<int>(it - s.righe.begin());
}

int colonna_di(const sorgente& s, std::size_t offset) {
    const int r = riga_di(s, offset);
    return static_cast<int>(offset - s.righe[static_cast<std::size_t>(r - 1)]) + 1;
}

// A field as it stands in the text.
struct campo_n {
    std::string testo;
    std::size_t inizio = 0;
    std::size_t fine = 0;
    int riga = 0;
    const char* nome = "";  // the field's name in its entry
    std::optional<std::int32_t> numero;  // a number field read whole
};

struct numero_n {
    campo_n c;
    std::int32_t v = 0;
    bool letto = false;  // false: the number did not fit 32 bits
};

// Where an entry stands, for the findings that the compile makes later (finishing pass, stamps).
struct luogo {
    quale_file f = quale_file::servizio;
    campo_n c;
    const char* cosa = "";
    int colonna = 0;
    luogo_testo voce;  // the entry's keyword field, where the compile records its statuses
    std::int32_t inizio = 0;  // a kilometre reference's start and chainage
    std::int32_t catena = 0;
};

bool bianco(char c) { return c == ' ' || c == '\t'; }
bool fine_riga_c(char c) { return c == '\r' || c == '\n'; }

std::string decimale(std::int64_t v) { return std::to_string(v); }

struct profilo_d {
    profilo r;  // the cells written so far, the value in force and its entry
    std::optional<campo_n> campo_valore;  // the field of the value in force
    std::int64_t ultima_posizione = std::numeric_limits<std::int64_t>::min();
};

// The speed limit profile, against the adhesion one.
bool di_velocita(const profilo_d& p) { return p.r.campo == &cella::velocita_limite; }

struct motore {
    const opzioni_analisi* o;
    bool recupero;  // false: stop where the compile stops; true: skip the entry and go on
    // The exact walk turns into the walk that goes on at its first stop, keeping what the compile
    // has read there; false: it stops (the compile's own walk).
    bool prosegue = false;
    std::vector<rilievo> out;
    stato_build proprio;  // the records, when the caller keeps none
    stato_build* s;       // the records the walk builds: the caller's, for the exact walk that keeps them
    sorgente* src = nullptr;
    const sorgente* src_linea = nullptr;  // the line description, when there is one
    lettore_campi l;

    // The compile's records where the exact walk stopped, and where their entries stand, when it
    // went on past the stop.
    struct fermo_esatto {
        stato_build s;
        std::vector<std::int32_t> luogo_cella;
        std::vector<luogo> luoghi;
        bool in_linea = false;
    };
    std::optional<fermo_esatto> compilato;

    // An item beyond the route (status 15) ends the reading of its description, not the compile,
    // which goes on with what follows (the profiles' tails, the service). The exact walk that goes
    // on sets the compile's walk aside there, reads the rest of the description as the walk that
    // goes on, then takes the compile's walk up where it was set aside: each text is read once.
    struct messo_da_parte;
    std::shared_ptr<messo_da_parte> sospeso;

    // Where the exact walk stopped reading each file: mai when it read it to the end.
    std::size_t fermo_linea = mai;
    std::size_t fermo_servizio = mai;
    bool servizio_letto = false;
    bool voce_fallita = false;  // a field of the current entry failed (the walk that goes on)

    // The entry being read, for the checks of its line.
    const char* nome_voce = "";
    std::uint8_t numero_voce = 0;  // as a field record keeps it: 1 + its chiave_voce, 0 for none
    const std::vector<campo_voce>* campi_voce = nullptr;
    int indice_campo = 0;
    std::vector<campo_n> campi_correnti;

    int riga_silenziosa = 0;      // a line whose remaining fields are not reported one by one
    int riga_ultima_voce = 0;     // line of the last field of the last entry read
    const char* ultima_voce = "";

    // Line state.
    std::int32_t contatore_cartelli = primo_slot_cartelli;
    std::int64_t fine_curva_prec = -1;
    riempimento_pendenze pendenze;  // the gradient cells written so far and the gradient in force
    std::optional<campo_n> campo_pendenza;
    std::int64_t posizione_pendenza_prec = std::numeric_limits<std::int64_t>::min();
    std::array<std::optional<luogo>, 3> progressive;  // as read: tre, due, uno
    std::optional<campo_n> campo_lunghezza;
    std::vector<std::int32_t> luogo_cella;  // entry that placed each cell, index into luoghi
    std::vector<luogo> luoghi;

    // Service state.
    std::int32_t j = 1;
    std::int32_t limite_stazioni = primo_slot_cartelli;
    profilo_d velocita{profilo_velocita(), {}, std::numeric_limits<std::int64_t>::min()};
    profilo_d aderenza{profilo_aderenza(), {}, std::numeric_limits<std::int64_t>::min()};

    // Past the listing limit a description's findings are counted, not kept: they are written
    // into `scarto`, which the caller fills and nobody reads.
    std::array<std::size_t, 2> elencati{};
    // While the compile's walk is set aside, the walk that goes on keeps only what lies past the
    // place where it was set aside: the compile's walk reports the rest when it takes up.
    std::array<std::size_t, 2> primo_tenuto{};
    std::array<std::array<int, 3>, 2> non_elencati{};  // per file, per severity
    rilievo scarto;

    // What the author wrote, compared with what the records hold (the exact walk only).
    stato_scritto scritto;

    // `su`: records that already hold what the walk needs (one description read alone), kept as they are.
    explicit motore(const opzioni_analisi& opzioni, stato_build* su = nullptr)
        : o(&opzioni), recupero(false), s(su ? su : opzioni.registri ? opzioni.registri : &proprio) {
        if (su) return;
        if (s != &proprio) {
            // Built anew: only the names and the output folder stay.
            stato_build nuovo;
            nuovo.scenario = std::move(s->scenario);
            nuovo.treno = std::move(s->treno);
            nuovo.cartella = std::move(s->cartella);
            *s = std::move(nuovo);
        }
        s->genera_linea = opzioni.piano;
        memo_nomi(*s);
    }

};

// The compile's walk as it was set aside, with what it had read last.
struct motore::messo_da_parte {
    motore m;  // its records in its own `proprio`
    std::deque<campo_recente> recenti;
    campo_n ultimo;  // the last field of the entries read
    std::optional<campo_n> da_chiudere;  // the keyword of an entry that the compile closes when it takes up
};

const std::string& testo(const motore& m) { return *m.src->t; }

std::uint8_t numero_di(const voce& v) { return static_cast<std::uint8_t>(static_cast<int>(v.chiave) + 1); }

std::size_t indice_file(quale_file f) { return f == quale_file::linea ? 0 : 1; }

// Whether the fields read are kept: when the caller asks, for a text whose offsets fit a field
// record's 32 bits.
bool tiene_campi(const sorgente& src, const opzioni_analisi& o) {
    return o.campi && src.t->size() < std::numeric_limits<std::uint32_t>::max();
}

// In the walk that goes on after the compile's walk was set aside: what lies at `offset` of file `f`
// the compile's walk reports when it takes up.
bool della_esatta(const motore& m, quale_file f, std::size_t offset) {
    return m.recupero && offset < m.primo_tenuto[indice_file(f)];
}

// Keeps a finding, or past the listing limit of its file only counts it.
rilievo& trattieni(motore& m, rilievo d) {
    const std::size_t f = indice_file(d.file);
    if (della_esatta(m, d.file, d.inizio)) {
        // The compile's walk, set aside, reports this part when it takes up.
        m.scarto = std::move(d);
        return m.scarto;
    }
    if (m.elencati[f] >= rilievi_elencati_per_file) {
        ++m.non_elencati[f][static_cast<std::size_t>(d.severita)];
        m.scarto = std::move(d);
        return m.scarto;
    }
    ++m.elencati[f];
    m.out.push_back(std::move(d));
    return m.out.back();
}

rilievo& nuova_in(motore& m, const sorgente& src, gravita g, const campo_n& c, std::string messaggio) {
    rilievo d;
    d.severita = g;
    d.file = src.f;
    d.inizio = c.inizio;
    d.fine = c.fine;
    d.riga = riga_di(src, c.inizio);
    d.colonna = colonna_di(src, c.inizio);
    d.valore = c.testo;
    d.messaggio = std::move(messaggio);
    return trattieni(m, std::move(d));
}

rilievo& nuova(motore& m, gravita g, const campo_n& c, std::string messaggio) {
    return nuova_in(m, *m.src, g, c, std::move(messaggio));
}

rilievo& nuova_su_file(motore& m, gravita g, quale_file f, std::string messaggio) {
    rilievo d;
    d.severita = g;
    d.file = f;
    d.messaggio = std::move(messaggio);
    return trattieni(m, std::move(d));
}

// The field read at a place of a file (line 0: the file's start); a bare point when none begins there.
campo_n campo_a(const sorgente& src, luogo_testo dove) {
    campo_n c;
    c.riga = std::max(dove.riga, 1);
    const std::size_t r = static_cast<std::size_t>(c.riga - 1);
    c.inizio = r < src.righe.size() ? src.righe[r] + static_cast<std::size_t>(std::max(dove.colonna, 1) - 1)
                                    : src.t->size();
    c.inizio = std::min(c.inizio, src.t->size());
    c.fine = c.inizio;
    // The place is nearly always one of the last fields read.
    for (auto it = src.recenti.rbegin(); it != src.recenti.rend(); ++it) {
        if (it->inizio != c.inizio) continue;
        c.fine = it->fine;
        c.testo = it->testo;
        break;
    }
    return c;
}

// A build status at the place where the compile records it, in the file `src`. On that line the
// finding keeps the field it is about; a field that an entry took from a later line gives way to
// the compile's place.
// The exact walk records the status in the build report as the compile does: the number, where it
// lies, the metres of the entry and, for a failed reading, the reader's own reason.
rilievo& stato_in(motore& m, const sorgente& src, std::int32_t numero, const campo_n& c, std::string messaggio,
                  luogo_testo dove, std::optional<std::int32_t> posizione = std::nullopt,
                  const char* motivo = nullptr) {
    const bool altrove = dove.riga > 0 && dove.riga != riga_di(src, c.inizio);
    rilievo& d = nuova_in(m, src, gravita::errore, altrove ? campo_a(src, dove) : c, std::move(messaggio));
    d.stato = numero;
    d.posizione_m = posizione;
    if (!m.recupero) {
        registra_stato_in(*m.s, src.f == quale_file::linea ? descrizione::linea : descrizione::servizio, dove, numero);
        if (posizione) {
            m.s->resoconto.errore_posizione = *posizione;
            m.s->resoconto.errore_metri = *posizione;
        }
        if (motivo) m.s->resoconto.errore_motivo = motivo;
    }
    return d;
}

// The compile records a status at the entry being read, and a failed reading (status 25) at the
// field being read.
rilievo& stato(motore& m, std::int32_t numero, const campo_n& c, std::string messaggio,
               std::optional<std::int32_t> posizione = std::nullopt, const char* motivo = nullptr) {
    const luogo_testo dove = numero == stati::lettura_fallita ? m.l.campo : m.l.voce;
    return stato_in(m, *m.src, numero, c, std::move(messaggio), dove, posizione, motivo);
}

// Where a failed reading lies: its own place when it names one, else the field being read.
luogo_testo luogo_guasto(const motore& m, const guasto_lettura& g) {
    return g.riga > 0 ? luogo_testo{g.riga, g.colonna} : m.l.campo;
}

// The compile stops reading this description (or, in the walk that goes on, skips the entry).
void ferma(motore& m) {
    if (m.recupero) {
        m.voce_fallita = true;
        m.s->resoconto.errore_numero = 0;
        return;
    }
    std::size_t& fermo = m.src->f == quale_file::linea ? m.fermo_linea : m.fermo_servizio;
    fermo = std::min(fermo, m.l.pos);
    if (!m.prosegue) throw fermata{};
    // The compile stops here: its records are kept as they are, and the walk goes on from here as the
    // walk that goes on, leaving out this entry. What it finds from here on, also about what lies
    // before (the rest of this entry, the profiles' tails), the compile never reaches: it is told.
    m.compilato = motore::fermo_esatto{*m.s, m.luogo_cella, m.luoghi, m.src->f == quale_file::linea};
    m.recupero = true;
    m.voce_fallita = true;
    m.s->resoconto.errore_numero = 0;
}

void chiudi_voce(motore& m, const campo_n& chiave);

// At a status 15 in the exact walk that goes on: the compile's walk is set aside as it stands, and
// the walk goes on through the rest of this description as the walk that goes on. `da_chiudere`:
// the keyword of the entry that the compile closes before it goes on.
void metti_da_parte(motore& m, std::optional<campo_n> da_chiudere = std::nullopt) {
    // The findings and the comparison of written and stored values stay out of the copy: the walk
    // that goes on adds to the first and leaves the second alone.
    std::vector<rilievo> out = std::move(m.out);
    stato_scritto scritto = std::move(m.scritto);
    m.out.clear();
    m.scritto = {};
    campo_n ultimo = m.campi_correnti.empty() ? campo_a(*m.src, m.l.voce) : m.campi_correnti.back();
    auto p = std::make_shared<motore::messo_da_parte>(
        motore::messo_da_parte{m, m.src->recenti, std::move(ultimo), std::move(da_chiudere)});
    if (m.s != &m.proprio) p->m.proprio = *m.s;
    p->m.scritto = std::move(scritto);
    m.out = std::move(out);
    m.sospeso = std::move(p);
    std::size_t& fermo = m.src->f == quale_file::linea ? m.fermo_linea : m.fermo_servizio;
    fermo = std::min(fermo, m.l.pos);
    m.recupero = true;
    m.primo_tenuto[indice_file(m.src->f)] = fermo + 1;
    // What the walk that goes on finds in the other description (the kilometre references, checked
    // at the service's end) the compile's walk finds again when it takes up.
    m.primo_tenuto[1 - indice_file(m.src->f)] = mai;
}

// After the walk that goes on has read the rest of the description: the compile's walk set aside
// takes up where it was, with the findings gathered meanwhile. Gives the last field it had read.
campo_n riprendi_compilazione(motore& m) {
    motore::messo_da_parte p = std::move(*m.sospeso);
    motore& c = p.m;
    c.out = std::move(m.out);
    c.elencati = m.elencati;
    c.non_elencati = m.non_elencati;
    c.fermo_linea = m.fermo_linea;
    c.fermo_servizio = m.fermo_servizio;
    c.sospeso = nullptr;
    stato_build* const registri = m.s;
    const bool propri = registri == &m.proprio;
    if (!propri) *registri = std::move(c.proprio);
    m = std::move(c);
    m.s = propri ? &m.proprio : registri;
    m.src->recenti = std::move(p.recenti);
    if (p.da_chiudere) chiudi_voce(m, *p.da_chiudere);
    return std::move(p.ultimo);
}

// A status about one field that stops the reading (in the walk that goes on, skips the entry).
void ferma_al_campo(motore& m, std::int32_t numero, const campo_n& c, std::string messaggio, std::string nota,
                    std::optional<std::int32_t> posizione = std::nullopt) {
    rilievo& d = stato(m, numero, c, std::move(messaggio), posizione);
    d.campo = c.nome;
    d.nota = std::move(nota);
    ferma(m);
}

// The note of an item on route cell k, which covers `da` to `da` + 50 m, already taken.
std::string occupata(std::int64_t k, std::int64_t da, const char* descrizione_letta) {
    return "route cell " + decimale(k) + " (" + decimale(da) + " to " + decimale(da + 50) +
           " m) already holds an object; the " + descrizione_letta + "'s reading stops here";
}

// A number outside the range its field allows; `poi` says what the compile does then.
void ferma_fuori_intervallo(motore& m, std::int32_t numero, const campo_n& c, std::string messaggio,
                            std::string intervallo, const std::string& poi, const char* motivo = nullptr) {
    rilievo& d = stato(m, numero, c, std::move(messaggio), std::nullopt, motivo);
    d.campo = c.nome;
    d.intervallo = std::move(intervallo);
    d.nota = "allowed: " + d.intervallo + "; " + poi;
    ferma(m);
}

const char* nome_campo(const motore& m) {
    if (!m.campi_voce || m.indice_campo < 1 || static_cast<std::size_t>(m.indice_campo) > m.campi_voce->size())
        return "";
    return (*m.campi_voce)[static_cast<std::size_t>(m.indice_campo - 1)].nome;
}

void registra_campo(motore& m, const campo_n& c) {
    m.src->recenti.push_back({c.inizio, c.fine, c.testo});
    if (m.src->recenti.size() > campi_recenti) m.src->recenti.pop_front();
    if (!tiene_campi(*m.src, *m.o) || della_esatta(m, m.src->f, c.inizio)) return;
    campo_letto f;
    f.riga = c.riga;
    f.inizio = static_cast<std::uint32_t>(c.inizio);  // the text is under 4 GiB (tiene_campi)
    f.fine = static_cast<std::uint32_t>(c.fine);
    f.voce = m.indice_campo == 0 ? 0 : m.numero_voce;
    f.indice = static_cast<std::uint16_t>(std::clamp(m.indice_campo, 0, 0xFFFF));
    m.src->campi.push_back(f);
}

void passato_fine(motore& m) {
    campo_n c;
    c.inizio = c.fine = testo(m).size();
    c.riga = m.l.riga_campo;
    std::string msg = "the file ends inside this entry";
    if (*m.nome_voce) msg = std::string("the file ends inside this ") + m.nome_voce + " entry";
    rilievo& d = stato(m, stati::lettura_fallita, c, msg, std::nullopt, "an entry runs past the end of the file");
    if (*nome_campo(m)) d.campo = nome_campo(m);
    d.nota = "every field the entry takes must be written; end the file with [fine]";
    ferma(m);
    throw fine_testo{};
}

// Bytes that look like UTF-8: at least one lead byte followed by its continuation bytes, and no
// byte above 0x7F outside such a sequence.
bool sembra_utf8(const std::string& t) {
    bool trovato = false;
    for (std::size_t i = 0; i < t.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(t[i]);
        if (c < 0x80) continue;
        const std::size_t n = c >= 0xC2 && c <= 0xDF ? 1 : c >= 0xE0 && c <= 0xEF ? 2 : c >= 0xF0 && c <= 0xF4 ? 3 : 0;
        if (n == 0 || i + n >= t.size()) return false;
        for (std::size_t k = 1; k <= n; ++k) {
            const unsigned char d = static_cast<unsigned char>(t[i + k]);
            if (d < 0x80 || d > 0xBF) return false;
        }
        i += n;
        trovato = true;
    }
    return trovato;
}

void controlla_testo(motore& m, const campo_n& c) {
    if (!sembra_utf8(c.testo)) return;
    rilievo& d = nuova(m, gravita::avviso, c,
                           "this text looks like UTF-8: the simulator shows \"" + c.testo + "\"");
    d.campo = c.nome;
    d.nota = "save the description as Windows-1252, one byte for each accented letter; compile and check read "
             "a UTF-8 file with --input-encoding utf-8";
    std::string cp;
    if (utf8_to_cp1252(c.testo, cp)) d.correzione = cp;
}

// A text field, read by the compile's own reader; `sedici`: a text stored with a 16-bit length
// (a sign text, a station name).
campo_n leggi_t(motore& m, bool sedici = false) {
    const std::string& t = testo(m);
    if (fine_file(m.l)) passato_fine(m);
    std::size_t a = m.l.pos;
    while (a < t.size() && bianco(t[a])) ++a;
    std::size_t e = a;
    const bool virgolette = a < t.size() && t[a] == '"';
    if (virgolette) {
        // A quoted text runs to the next double quote on its own line.
        e = a + 1;
        while (e < t.size() && t[e] != '"' && !fine_riga_c(t[e])) ++e;
        if (e < t.size() && t[e] == '"') ++e;
    } else {
        while (e < t.size() && t[e] != ',' && !fine_riga_c(t[e])) ++e;
    }
    campo_n c;
    c.inizio = a;
    c.fine = e;
    c.nome = nome_campo(m);
    try {
        c.testo = sedici ? leggi_testo16(m.l) : leggi_testo(m.l);
    } catch (const guasto_lettura& g) {
        // A field the reader refuses fails the compile's reading there.
        c.riga = m.l.campo.riga;
        c.testo = t.substr(a, e - a);
        const bool aperta = virgolette && (e == a + 1 || t[e - 1] != '"');
        std::string messaggio = aperta ? "unclosed quote: the quoted text does not end on this line"
                                       : std::string("the reading fails here: ") + g.motivo;
        if (!aperta && sedici)
            messaggio = "the text is " + decimale(static_cast<std::int64_t>(virgolette ? e - a - 2 : e - a)) +
                        " bytes long, above 65535";
        rilievo& d = stato_in(m, *m.src, stati::lettura_fallita, c, std::move(messaggio), luogo_guasto(m, g),
                              std::nullopt, g.motivo);
        if (*c.nome) d.campo = c.nome;
        d.nota = aperta ? "a quoted text runs to the next double quote on the same line; close it there, or drop "
                          "the quote; the reading of the description fails here"
                 : sedici ? "a sign text or a station name holds at most 65535 bytes; the reading of the description "
                            "fails here"
                          : "the reading of the description fails here";
        ferma(m);
        if (fine_file(m.l)) throw fine_testo{};
        // The walk that goes on resumes after the field, as the rest of the file is intact; the
        // refused text counts as empty.
        c.testo.clear();
        return c;
    }
    c.riga = m.l.campo.riga;
    return c;
}

// A text field of the current entry: a sign text or a station name, both stored with a 16-bit length.
campo_n leggi_testo_voce(motore& m) {
    ++m.indice_campo;
    campo_n c = leggi_t(m, true);
    registra_campo(m, c);
    m.campi_correnti.push_back(c);
    controlla_testo(m, c);
    return c;
}

// A comma ends a sign text or a station name: the rest of its line is read as keyword fields.
void virgola_nel_testo(motore& m, const campo_n& t, const char* campo, const char* cosa) {
    const std::string& tt = testo(m);
    if (t.fine >= tt.size() || tt[t.fine] != ',') return;
    rilievo& d = nuova(m, gravita::avviso, t, std::string("a comma ends the ") + cosa + " here");
    d.campo = campo;
    d.nota = std::string("the rest of the line is read as keyword fields; a ") + cosa + " has no commas";
    m.riga_silenziosa = std::max(m.riga_silenziosa, riga_di(*m.src, t.inizio));
}

bool intero_valido(const std::string& r) {
    std::size_t i = !r.empty() && r[0] == '-' ? 1 : 0;
    if (i >= r.size()) return false;
    for (; i < r.size(); ++i)
        if (r[i] < '0' || r[i] > '9') return false;
    return true;
}

// Whether a number field holds what the reader does not take as a number: it is then read as 0.
bool non_numero(const numero_n& n) {
    const std::string& r = n.c.testo;
    return n.letto && !r.empty() && r != "-" && !intero_valido(r);
}

// A number field the reader takes as 0 although something else is written there: the value
// written is lost, so it is an error.
void numero_scritto_male(motore& m, const numero_n& n) {
    if (!non_numero(n)) return;
    const std::string& r = n.c.testo;
    auto solo = [&](const char* ammessi) {
        return std::all_of(r.begin(), r.end(), [&](char c) {
            return (c >= '0' && c <= '9') || std::string_view(ammessi).find(c) != std::string_view::npos;
        });
    };
    const bool separatore = solo(".'-") && std::any_of(r.begin(), r.end(), [](char c) { return c == '.' || c == '\''; });
    const bool esponente = solo(".-+eE") && std::any_of(r.begin(), r.end(), [](char c) { return c == 'e' || c == 'E'; }) &&
                           r.find_first_of("0123456789") < r.find_first_of("eE");
    rilievo& d = nuova(m, gravita::errore, n.c,
                       std::string(n.c.nome) + " \"" + r + "\" is read as 0: " +
                           (separatore   ? "a number with a decimal point or a thousands separator"
                            : esponente ? "a number with an exponent"
                                        : "text where a number is expected"));
    d.campo = n.c.nome;
    d.nota = "write a whole number of digits, with an optional minus sign";
}

// A number field of the current entry, read by the compile's own rules. `riferisci`: a field
// that holds no number is reported here (false: the entry reports it, knowing more).
numero_n leggi_n(motore& m, bool riferisci = true) {
    ++m.indice_campo;
    const std::string& t = testo(m);
    if (fine_file(m.l)) passato_fine(m);
    std::size_t a = m.l.pos;
    while (a < t.size() && bianco(t[a])) ++a;
    std::size_t e = a;
    while (e < t.size() && t[e] != ',' && !fine_riga_c(t[e]) && !bianco(t[e])) ++e;
    numero_n n;
    n.c.testo = t.substr(a, e - a);
    n.c.inizio = a;
    n.c.fine = e;
    n.c.nome = nome_campo(m);
    const char* motivo = nullptr;
    try {
        n.v = leggi_numero(m.l);
        n.letto = true;
    } catch (const guasto_lettura& g) {
        n.letto = false;
        motivo = g.motivo;
    }
    n.c.riga = m.l.riga_campo;
    if (n.letto) n.c.numero = n.v;
    registra_campo(m, n.c);
    m.campi_correnti.push_back(n.c);
    if (!n.letto) {
        ferma_fuori_intervallo(m, stati::lettura_fallita, n.c,
                               std::string(n.c.nome) + " " + n.c.testo + " does not fit a 32-bit number",
                               "-2147483648 to 2147483647", "the reading of the description fails here", motivo);
        return n;
    }
    if (riferisci) numero_scritto_male(m, n);
    return n;
}

// A number that must fit a narrower field: the compile's reading fails (status 25) when it does not.
bool deve_stare(motore& m, const numero_n& n, std::int64_t minimo, std::int64_t massimo, const char* larghezza) {
    if (!n.letto) return false;
    if (n.v >= minimo && n.v <= massimo) return true;
    ferma_fuori_intervallo(m, stati::lettura_fallita, n.c,
                           std::string(n.c.nome) + " " + n.c.testo + " does not fit its " + larghezza + " field",
                           decimale(minimo) + " to " + decimale(massimo), "the reading of the description fails here",
                           massimo > 255 ? "number does not fit 16 bits" : "number does not fit 8 bits");
    return false;
}

// A value of which the simulator gets only the low bits.
void errore_bassi_bit(motore& m, const campo_n& c, std::int64_t scritto, std::int64_t memorizzato,
                      const std::string& intervallo, const std::string& come) {
    rilievo& d = nuova(m, gravita::errore, c,
                           std::string(c.nome) + " " + decimale(scritto) + " is out of range: the simulator gets " +
                               decimale(memorizzato));
    d.campo = c.nome;
    d.intervallo = intervallo;
    d.nota = "allowed: " + intervallo + "; " + come;
}

void inizia_voce(motore& m, const voce& v) {
    // The keyword field just read takes the name of the (first) entry it introduces.
    for (auto it = m.src->campi.rbegin(); it != m.src->campi.rend(); ++it) {
        if (della_esatta(m, m.src->f, it->inizio)) break;
        if (it->indice != 0) continue;
        if (it->voce == 0) it->voce = numero_di(v);
        break;
    }
    m.nome_voce = v.nome;
    m.numero_voce = numero_di(v);
    m.campi_voce = &v.campi;
    m.indice_campo = 0;
    m.campi_correnti.clear();
    m.voce_fallita = false;
}

// Hands the comparison of written and stored values what the walk's findings have gathered.
void consegna_pronti(motore& m) {
    for (rilievo& d : m.scritto.pronti) trattieni(m, std::move(d));
    m.scritto.pronti.clear();
}

// Hands the entry just read, with its fields, to the comparison of written and stored values.
void consegna_voce(motore& m, const campo_n& chiave) {
    auto vista = [&](const campo_n& c) {
        return campo_scritto{c.testo, c.inizio, c.fine, riga_di(*m.src, c.inizio), colonna_di(*m.src, c.inizio),
                             c.nome, c.numero};
    };
    m.scritto.campi.clear();
    for (const campo_n& c : m.campi_correnti) m.scritto.campi.push_back(vista(c));
    scritto_voce(m.scritto, {m.src->f, static_cast<chiave_voce>(m.numero_voce - 1), vista(chiave), &m.scritto.campi,
                             m.voce_fallita, m.l.pos});
    consegna_pronti(m);
}

// Fields that slide: an entry whose fields run on to the next line.
void chiudi_voce(motore& m, const campo_n& chiave) {
    const int riga_chiave = riga_di(*m.src, chiave.inizio);
    for (std::size_t i = 0; i < m.campi_correnti.size(); ++i) {
        const campo_n& c = m.campi_correnti[i];
        const int riga = riga_di(*m.src, c.inizio);
        if (riga == riga_chiave) continue;
        rilievo& d = nuova(m, gravita::errore, chiave,
                               std::string("too few fields: ") + m.nome_voce + " takes " +
                                   std::to_string(m.campi_voce ? m.campi_voce->size() : 0) + " fields after its keyword, "
                                   "line " + std::to_string(riga_chiave) + " has " + std::to_string(i));
        d.nota = std::string("its ") + c.nome + " and the fields after it are taken from line " + std::to_string(riga) +
                 ", whose own entry is lost";
        m.riga_silenziosa = std::max(m.riga_silenziosa, riga_di(*m.src, m.campi_correnti.back().inizio));
        break;
    }
    if (!m.campi_correnti.empty()) {
        m.riga_ultima_voce = riga_di(*m.src, m.campi_correnti.back().inizio);
        m.ultima_voce = m.nome_voce;
    }
    if (!m.recupero && m.numero_voce != 0) consegna_voce(m, chiave);
    m.nome_voce = "";
    m.numero_voce = 0;
    m.campi_voce = nullptr;
    m.indice_campo = 0;
}

// An entry of N number fields, read in order.
template <std::size_t N>
std::array<numero_n, N> leggi_numeri(motore& m, const voce& v, const campo_n& chiave) {
    inizia_voce(m, v);
    std::array<numero_n, N> n;
    for (numero_n& x : n) x = leggi_n(m);
    chiudi_voce(m, chiave);
    return n;
}

template <std::size_t N>
bool letti(const std::array<numero_n, N>& n) {
    return std::all_of(n.begin(), n.end(), [](const numero_n& x) { return x.letto; });
}

bool percorso_pronto(const motore& m) { return percorso_creato(*m.s); }

void luogo_cella(motore& m, std::int64_t cella_i, const campo_n& c, const char* cosa) {
    if (cella_i < 0 || static_cast<std::size_t>(cella_i) >= m.luogo_cella.size()) return;
    m.luoghi.push_back({m.src->f, c, cosa, colonna_di(*m.src, c.inizio), m.l.voce, 0, 0});
    m.luogo_cella[static_cast<std::size_t>(cella_i)] = static_cast<std::int32_t>(m.luoghi.size() - 1);
}

// An item beyond the route: status 15. True when the compile stops reading this description here;
// the walk that goes on skips the entry instead (the exact walk that goes on sets the compile's
// walk aside first).
bool fuori_percorso(motore& m, const numero_n& n, double margine) {
    const double limite = static_cast<double>(m.s->n_celle) * 50.0 - margine;
    if (!m.recupero) {
        std::size_t& fermo = m.src->f == quale_file::linea ? m.fermo_linea : m.fermo_servizio;
        fermo = std::min(fermo, m.l.pos);
    }
    const std::int64_t fine_percorso = std::int64_t{m.s->n_celle} * 50;
    const std::int64_t ultima = static_cast<std::int64_t>(std::floor(limite));
    // Past the last position an item may take, which lies `margine` metres before the route's end.
    rilievo& d = stato(m, stati::fuori_percorso, n.c,
                       std::string(n.c.nome) + " " + n.c.testo + " m lies " +
                           (n.v > fine_percorso ? "beyond the route" : "too close to the route's end") +
                           ": items stand at " + decimale(ultima) + " m at most",
                       n.v);
    d.campo = n.c.nome;
    d.intervallo = "at most " + decimale(ultima) + " m";
    d.nota = "the route ends at " + decimale(fine_percorso) + " m (the line and 7000 m of run-out), and an item needs " +
             decimale(static_cast<std::int64_t>(margine)) + " m of it after its position; from here on this "
             "description's entries are not applied";
    if (!m.recupero) {
        if (!m.prosegue) return true;
        metti_da_parte(m);
    }
    ferma(m);
    return false;
}

// A guasto_lettura raised by one of the compile's placement procedures: status 25.
// It lies at the field being read, or at `dove` when the compile places it in an earlier entry.
void guasto(motore& m, const campo_n& c, const std::string& messaggio, const char* motivo,
            std::optional<luogo_testo> dove = std::nullopt) {
    rilievo& d = stato_in(m, *m.src, stati::lettura_fallita, c, messaggio, dove ? *dove : m.l.campo, std::nullopt,
                          motivo);
    d.campo = c.nome;
    d.nota = std::string("the compile's reading fails: ") + motivo;
    ferma(m);
}

// The edit distance with adjacent transpositions, for "did you mean". A field much longer than
// any keyword is far from all of them: it is not measured.
std::size_t distanza(const std::string& a, const std::string& b) {
    const std::size_t n = a.size(), k = b.size();
    if (n > k + 8 || k > n + 8) return std::max(n, k) - std::min(n, k);
    // Three rows of the table: two before the current one, for the transposition. It is worked
    // out for every keyword field that matches nothing, so it allocates nothing for a keyword's length.
    constexpr std::size_t corta = 64;
    std::array<std::size_t, 3 * corta> su_pila{};
    std::vector<std::size_t> sul_mucchio;
    std::size_t* r = su_pila.data();
    if (k + 1 > corta) {
        sul_mucchio.resize(3 * (k + 1));
        r = sul_mucchio.data();
    }
    std::size_t* prima = r;                // row i - 2
    std::size_t* sopra = r + (k + 1);      // row i - 1
    std::size_t* riga = r + 2 * (k + 1);   // row i
    for (std::size_t j = 0; j <= k; ++j) sopra[j] = j;
    for (std::size_t i = 1; i <= n; ++i) {
        riga[0] = i;
        for (std::size_t j = 1; j <= k; ++j) {
            const std::size_t costo = a[i - 1] == b[j - 1] ? 0 : 1;
            riga[j] = std::min({sopra[j] + 1, riga[j - 1] + 1, sopra[j - 1] + costo});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                riga[j] = std::min(riga[j], prima[j - 2] + 1);
        }
        std::size_t* libera = prima;
        prima = sopra;
        sopra = riga;
        riga = libera;
    }
    return sopra[k];
}

std::string senza_bianchi(const std::string& t) {
    const std::size_t a = t.find_first_not_of(" \t");
    if (a == std::string::npos) return "";
    const std::size_t e = t.find_last_not_of(" \t");
    return t.substr(a, e - a + 1);
}

bool riga_vuota(const motore& m, int riga) {
    const std::string& t = testo(m);
    std::size_t i = m.src->righe[static_cast<std::size_t>(riga - 1)];
    while (i < t.size() && bianco(t[i])) ++i;
    return i >= t.size() || fine_riga_c(t[i]);
}

// The candidates for "did you mean", in the part where the field stands.
std::vector<std::string> elenca_candidati(parte_voce p) {
    std::vector<std::string> c;
    for (const voce& v : voci_di(p)) {
        if (v.chiave == chiave_voce::curva) {
            for (char lato : {'s', 'd'})
                for (char classe = '1'; classe <= '6'; ++classe) c.push_back(std::string("curva") + lato + classe);
        } else {
            c.push_back(v.nome);
        }
    }
    if (p == parte_voce::generale) c.push_back("ripetizione segnali 9 codici");
    return c;
}

// Made once: a file of unknown keywords asks for them on every line.
const std::vector<std::string>& candidati(parte_voce p) {
    static const std::array<std::vector<std::string>, 3> c = {
        elenca_candidati(parte_voce::generale), elenca_candidati(parte_voce::caratteristiche),
        elenca_candidati(parte_voce::servizio)};
    return c[static_cast<std::size_t>(p)];
}

// A keyword field that matches no entry: dropped by the compile.
void sconosciuta(motore& m, const campo_n& c, parte_voce p) {
    // A keyword field that matches nothing is not kept among the fields read (a file of commas
    // would keep millions of them), a section header is: editors lay it out.
    std::vector<campo_letto>& campi = m.src->campi;
    if (!della_esatta(m, m.src->f, c.inizio) && !campi.empty() && campi.back().inizio == c.inizio &&
        campi.back().indice == 0 && !e_intestazione(c.testo))
        campi.pop_back();
    const int riga = riga_di(*m.src, c.inizio);
    if (riga <= m.riga_silenziosa) return;
    const std::string nudo = senza_bianchi(c.testo);
    if (nudo.empty()) {
        if (riga_vuota(m, riga)) {
            rilievo& d = nuova(m, gravita::avviso, c, "blank line");
            d.nota = "a blank line is read as an empty keyword field; where an entry's fields are expected it "
                     "reads as 0 and shifts the fields after it";
            m.riga_silenziosa = riga;
        }
        return;
    }
    if (nudo.find('-') != std::string::npos) {  // a comment line, passed over as a field
        m.riga_silenziosa = riga;
        return;
    }
    const std::string minuscolo = minuscole(nudo);
    for (const char* h : intestazioni_di(m.src->f))
        if (minuscolo == h) {
            if (!m.recupero) scritto_intestazione(m.scritto, m.src->f, minuscolo, c.inizio, riga);
            m.riga_silenziosa = riga;
            return;
        }
    m.riga_silenziosa = riga;
    if (riga == m.riga_ultima_voce) {
        rilievo& d = nuova(m, gravita::avviso, c,
                               std::string("too many fields: ") + m.ultima_voce + " has taken its fields; \"" + nudo +
                                   "\" and the rest of the line are not read");
        d.nota = "a field after an entry's last one is read as a keyword field, which matches nothing";
        return;
    }
    if (nudo[0] == '[' && nudo.back() == ']') {
        std::string migliore;
        std::size_t meglio = 3;
        for (const char* h : intestazioni_di(m.src->f)) {
            const std::size_t dd = distanza(minuscolo, h);
            if (dd < meglio) {
                meglio = dd;
                migliore = h;
            }
        }
        rilievo& d = nuova(m, gravita::avviso, c, "unknown section header \"" + nudo + "\"");
        d.nota = migliore.empty() ? "section headers only name the groups; this one is passed over"
                                  : "did you mean \"" + migliore + "\"?";
        if (!migliore.empty()) d.correzione = migliore;
        return;
    }
    if (intero_valido(nudo)) {
        // First on its line, the number starts an entry whose keyword is missing: the line is lost.
        const bool primo =
            testo(m).find_first_not_of(" \t", m.src->righe[static_cast<std::size_t>(riga - 1)]) == c.inizio;
        rilievo& d = nuova(m, primo ? gravita::errore : gravita::avviso, c,
                           "a number where a keyword is expected: \"" + nudo + "\" is not read");
        d.nota = primo ? "the line has no keyword: none of its fields is read"
                       : "the line has no keyword, or its entry took fewer fields than are written";
        return;
    }
    // The best match among this part's keywords; a keyword of another part or file says where it belongs.
    std::string migliore;
    std::size_t meglio = std::numeric_limits<std::size_t>::max();
    for (const std::string& k : candidati(p)) {
        const std::size_t dd = distanza(minuscolo, k);
        if (dd < meglio) {
            meglio = dd;
            migliore = k;
        }
    }
    const std::size_t soglia = minuscolo.size() >= 12 ? 3 : minuscolo.size() >= 5 ? 2 : 1;
    // An entry the author meant (a keyword close to a known one, or one of another part or file)
    // is lost: an error. A keyword field like no entry at all stays a warning.
    auto altrove = [&](parte_voce q) -> const voce* {
        for (const voce& v : voci_di(q))
            if (contiene_nc(nudo, v.testo) || distanza(minuscolo, v.nome) <= soglia) return &v;
        return nullptr;
    };
    std::string messaggio = "unknown keyword \"" + nudo + "\": the entry is dropped";
    std::string nota = "a keyword field that matches no entry is passed over";
    std::optional<std::string> correzione;
    const parte_voce altra = m.src->f == quale_file::linea ? parte_voce::servizio : parte_voce::caratteristiche;
    const voce* caratteristica = nullptr;
    const voce* dell_altra = nullptr;
    if (meglio <= soglia) {
        nota = "did you mean \"" + migliore + "\"?";
        correzione = migliore;
    } else if (p == parte_voce::generale && (caratteristica = altrove(parte_voce::caratteristiche))) {
        messaggio = std::string(caratteristica->nome) + " stands in the general block, where it is not read";
        nota = "feature entries are read only after the header that closes the general block, such as [curve]";
    } else if ((dell_altra = altrove(altra))) {
        nota = std::string("\"") + dell_altra->nome + "\" is an entry of the " +
               (m.src->f == quale_file::linea ? "service" : "line") + " description";
    }
    const bool voluta = meglio <= soglia || caratteristica || dell_altra;
    rilievo& d = nuova(m, voluta ? gravita::errore : gravita::avviso, c, std::move(messaggio));
    d.nota = std::move(nota);
    d.correzione = std::move(correzione);
}

// A field holding a minus sign that is read as an entry all the same: the comment fields passed
// over in a row ran out. The author meant it left out, and it is applied: an error, told before
// the entry is read, whatever its reading then does.
void commento_letto(motore& m, const campo_n& k, parte_voce p, const char* quanti) {
    if (!contiene(k.testo, "-")) return;
    const voce* letta = nullptr;
    for (const voce& v : voci_di(p))
        if (!letta && riconosce(v, k.testo) && (m.o->piano || v.chiave != chiave_voce::curva)) letta = &v;
    if (!letta) return;
    const char* nome = letta->chiave == chiave_voce::curva ? "curva" : letta->nome;
    rilievo& d = nuova(m, gravita::errore, k,
                       std::string("a comment is read as the entry \"") + nome + "\": only " + quanti +
                           " comment fields in a row are passed over");
    d.nota = std::string("after ") + quanti + " fields with a minus sign in a row the next field is read as an entry "
             "whatever it holds (a comment line counts one field for each comma); keep fewer comment lines together, "
             "or write no keyword in them";
}

// The last field of a file is never read as an entry.
void ultimo_campo(motore& m, const campo_n& c, const std::vector<parte_voce>& parti) {
    const std::string nudo = senza_bianchi(c.testo);
    for (parte_voce p : parti) {
        for (const voce& v : voci_di(p)) {
            if (contiene_nc(c.testo, v.testo) && (!v.anche || contiene_nc(c.testo, v.anche))) {
                rilievo& d = nuova(m, gravita::errore, c,
                                       std::string("the last field of the file is never read: this ") + v.nome +
                                           " entry is not applied");
                d.nota = "end the file with a line [fine]";
                return;
            }
        }
    }
    if (minuscole(nudo) != "[fine]") {
        rilievo& d = nuova(m, gravita::avviso, c, "the file does not end with [fine]");
        d.nota = "the last field of a file is never read; the writer ends every description with [fine]";
    }
}

// The file ends right after an entry's last field, with no [fine].
void senza_fine(motore& m) {
    const std::string& t = testo(m);
    std::size_t e = t.size();
    while (e > 0 && (fine_riga_c(t[e - 1]) || bianco(t[e - 1]))) --e;
    std::size_t a = e;
    while (a > 0 && !fine_riga_c(t[a - 1])) --a;
    campo_n c;
    c.inizio = a;
    c.fine = e;
    c.testo = t.substr(a, e - a);
    nuova(m, gravita::avviso, c, "the file does not end with [fine]").nota =
        "the last field of a file is never read as an entry; the writer ends every description with [fine]";
}

// Preamble: fields before [generale] are skipped.
void preambolo(motore& m, const campo_n& c, const std::vector<parte_voce>& parti, bool& detto) {
    if (detto) return;
    for (parte_voce p : parti) {
        for (const voce& v : voci_di(p)) {
            if (contiene_nc(c.testo, v.testo) && (!v.anche || contiene_nc(c.testo, v.anche))) {
                rilievo& d = nuova(m, gravita::errore, c,
                                       std::string("this ") + v.nome + " entry stands before [generale] and is not read");
                d.nota = "everything before the first [generale] is skipped";
                detto = true;
                return;
            }
        }
    }
}

// ---------------------------------------------------------------- line description

void passo_lunghezza(motore& m, const voce& v, const campo_n& chiave) {
    const auto [n] = leggi_numeri<1>(m, v, chiave);
    if (!n.letto) return;
    memo_generale(*m.s, v.chiave, 0, n.v);
    m.campo_lunghezza = n.c;
    if (n.v > lunghezza_massima_linea || n.v < 0) {
        // Too long: status 1, and no route; negative: the reading fails.
        const bool lunga = n.v > lunghezza_massima_linea;
        rilievo& d = stato(m, lunga ? stati::lunghezza_oltre_limite : stati::lettura_fallita, n.c,
                           "line length " + n.c.testo + (lunga ? " m is above 1000000 m" : " m is negative"),
                           std::nullopt, lunga ? nullptr : "negative line length");
        d.campo = n.c.nome;
        d.intervallo = "0 to 1000000";
        d.nota = std::string("allowed: 0 to 1000000 m; ") +
                 (lunga ? "nothing after this is read and no route is built" : "the reading of the description fails here");
        ferma(m);
        return;
    }
    crea_percorso(*m.s, n.v);
    m.luogo_cella.assign(m.s->percorso.size(), -1);
}

void passo_progressiva(motore& m, const voce& v, const campo_n& chiave, int indice) {
    const auto numeri = leggi_numeri<3>(m, v, chiave);
    if (!letti(numeri)) return;
    const auto& [a, b, c] = numeri;
    for (std::size_t i = 0; i < numeri.size(); ++i) memo_generale(*m.s, v.chiave, i, numeri[i].v);
    const campo_n& colpevole = a.v % 50 != 0 ? a.c : b.c;
    m.progressive[static_cast<std::size_t>(indice)] =
        luogo{quale_file::linea, colpevole, v.nome, colonna_di(*m.src, colpevole.inizio), m.l.voce, a.v, b.v};
    m.s->resoconto.luoghi_progressive[static_cast<std::size_t>(indice)] = m.l.voce;
    if (c.v != 0 && c.v != 1) {
        rilievo& d = nuova(m, gravita::avviso, c.c, "flag " + c.c.testo + " is neither 0 nor 1: it counts as 0");
        d.campo = c.c.nome;
        d.intervallo = "0 or 1";
        d.nota = "with 1 the chainage is raised by 100 m";
    }
}

void passo_sfondo(motore& m, const voce& v, const campo_n& chiave) {
    const auto [n] = leggi_numeri<1>(m, v, chiave);
    if (n.letto) memo_generale(*m.s, v.chiave, 0, n.v);
}

void passo_ripetizione(motore& m, const voce& v, const campo_n& chiave) {
    const auto numeri = leggi_numeri<2>(m, v, chiave);
    if (!letti(numeri)) return;
    const auto& [a, b] = numeri;
    memo_generale(*m.s, v.chiave, 0, a.v);
    memo_generale(*m.s, v.chiave, 1, b.v);
    if (a.v % 50 != 0) {
        ferma_al_campo(m, stati::ripetizione_inizio, a.c,
                       "signal repetition start " + a.c.testo + " m is not a multiple of 50",
                       "the line's reading stops here");
        return;
    }
    if (b.v % 50 != 0) {
        ferma_al_campo(m, stati::ripetizione_fine, b.c,
                       "signal repetition end " + b.c.testo + " m is not a multiple of 50",
                       "the line's reading stops here");
        return;
    }
    if (!memo_codici_ripetizione(*m.s, chiave.testo)) {
        rilievo& d = stato(m, stati::ripetizione_codici, chiave,
                               "the signal repetition keyword holds neither the digit 4 nor 9");
        d.nota = "write \"ripetizione segnali 4 codici\" or \"ripetizione segnali 9 codici\"; the line's reading "
                 "stops here";
        ferma(m);
    }
}

// The general block; false when the end of the file was reached in it.
void blocco_generale(motore& m) {
    constexpr chiave_voce progressive[] = {chiave_voce::progressiva_tre, chiave_voce::progressiva_due,
                                           chiave_voce::progressiva_uno};
    constexpr chiave_voce sfondi_voci[] = {chiave_voce::sfondo_uno, chiave_voce::sfondo_due, chiave_voce::sfondo_tre};
    for (;;) {
        if (fine_file(m.l)) {
            senza_fine(m);
            return;
        }
        campo_n k = leggi_t(m);
        registra_campo(m, k);
        if (fine_file(m.l)) {
            ultimo_campo(m, k, {parte_voce::generale});
            return;
        }
        for (int i = 0; i < 10; ++i) {
            if (!contiene(k.testo, "-")) continue;
            k = leggi_t(m);
            registra_campo(m, k);
        }
        segna_voce(m.l);
        controlla_testo(m, k);
        commento_letto(m, k, parte_voce::generale, "ten");
        bool riconosciuta = false;
        if (riconosce(voce_di(chiave_voce::lunghezza_percorso), k.testo)) {
            riconosciuta = true;
            passo_lunghezza(m, voce_di(chiave_voce::lunghezza_percorso), k);
        }
        for (int i = 0; i < 3; ++i) {
            const voce& v = voce_di(progressive[static_cast<std::size_t>(i)]);
            if (riconosce(v, k.testo)) {
                riconosciuta = true;
                passo_progressiva(m, v, k, i);
            }
        }
        for (int i = 0; i < 3; ++i) {
            const voce& v = voce_di(sfondi_voci[static_cast<std::size_t>(i)]);
            if (riconosce(v, k.testo)) {
                riconosciuta = true;
                passo_sfondo(m, v, k);
            }
        }
        if (riconosce(voce_di(chiave_voce::ripetizione_segnali), k.testo)) {
            riconosciuta = true;
            passo_ripetizione(m, voce_di(chiave_voce::ripetizione_segnali), k);
        }
        const std::size_t primo = k.testo.find_first_not_of(" \t");
        const bool separatore = primo != std::string::npos && k.testo[primo] == '-';
        const bool chiude = !separatore && contiene(k.testo, "[") && contiene(k.testo, "]");
        if (!riconosciuta && !chiude) sconosciuta(m, k, parte_voce::generale);
        if (chiude) {
            if (!riconosciuta && minuscole(senza_bianchi(k.testo)) == "[fine]")
                nuova(m, gravita::avviso, k, "the general block is closed by [fine]").nota =
                    "the feature part follows the header that closes the general block";
            return;
        }
    }
}

void scrivi_pendenze(motore& m, const campo_n& dove, std::int64_t q) {
    if (q <= 0) {
        if (m.campo_pendenza) {
            rilievo& d = nuova(m, gravita::errore, *m.campo_pendenza,
                                   "this gradient is never stored: the next gradient entry stands in the same first cell");
            d.campo = "gradient";
            d.nota = "a gradient entry at a position below 26 m writes no cell";
        }
        return;
    }
    try {
        riempi_pendenze(*m.s, m.pendenze, q);
    } catch (const guasto_lettura&) {
        guasto(m, dove, "gradient entries at one position push the gradient past the route's last cell",
               motivo_fuori_percorso);
        return;
    }
    const std::int64_t v = std::int64_t{m.pendenze.corrente} + scarto_pendenza;
    if ((v < 0 || v > 255) && m.campo_pendenza)
        errore_bassi_bit(m, *m.campo_pendenza, m.pendenze.corrente,
                         decodifica_pendenza(codifica_pendenza(m.pendenze.corrente)), "-100 to 155",
                         "the gradient + 100 keeps its low 8 bits");
}

// The line's features, entry by entry, up to the end of the file (the compile's own walk: or up
// to an item beyond the route).
void caratteristiche(motore& m) {
    for (;;) {
        if (fine_file(m.l)) {
            senza_fine(m);
            return;
        }
        campo_n k = leggi_t(m);
        registra_campo(m, k);
        if (fine_file(m.l)) {
            ultimo_campo(m, k, {parte_voce::caratteristiche});
            return;
        }
        for (int i = 0; i < 2 && contiene(k.testo, "-"); ++i) {
            k = leggi_t(m);
            registra_campo(m, k);
            if (fine_file(m.l)) {
                ultimo_campo(m, k, {parte_voce::caratteristiche});
                return;
            }
        }
        segna_voce(m.l);
        controlla_testo(m, k);
        commento_letto(m, k, parte_voce::caratteristiche, "two");
        bool riconosciuta = false;
        const std::string& c = k.testo;

        if (riconosce(voce_di(chiave_voce::pendenza), c)) {
            riconosciuta = true;
            const auto numeri = leggi_numeri<2>(m, voce_di(chiave_voce::pendenza), k);
            const auto& [p, g] = numeri;
            if (letti(numeri)) {
                if (p.v < m.posizione_pendenza_prec) {
                    rilievo& d = nuova(m, gravita::avviso, p.c, "gradient entries out of position order");
                    d.campo = p.c.nome;
                    d.nota = "the gradient before it is written up to this position only; write them in "
                             "increasing order of position";
                }
                m.posizione_pendenza_prec = p.v;
                if (!percorso_pronto(m)) {
                    if (g.v < -100 || g.v > 155)
                        errore_bassi_bit(m, g.c, g.v, decodifica_pendenza(codifica_pendenza(g.v)), "-100 to 155",
                                         "the gradient + 100 keeps its low 8 bits");
                } else if (!entro_percorso(*m.s, p.v, margine_voce_m)) {
                    if (fuori_percorso(m, p, margine_voce_m)) return;
                } else {
                    scrivi_pendenze(m, p.c, cella_profilo(p.v));
                    if (!m.voce_fallita) {
                        m.pendenze.corrente = g.v;
                        m.campo_pendenza = g.c;
                        m.pendenze.voce = m.l.voce;
                    }
                }
            }
        }
        if (!m.o->piano && riconosce(voce_di(chiave_voce::curva), c)) {
            // Without the plan a curve is not read at all, as asked: its numbers are passed over.
            riconosciuta = true;
            m.riga_silenziosa = std::max(m.riga_silenziosa, riga_di(*m.src, k.inizio));
        }
        if (m.o->piano && riconosce(voce_di(chiave_voce::curva), c)) {
            riconosciuta = true;
            const auto numeri = leggi_numeri<2>(m, voce_di(chiave_voce::curva), k);
            const auto& [a, n] = numeri;
            if (letti(numeri)) {
                if (percorso_pronto(m) && !entro_percorso(*m.s, a.v, margine_voce_m)) {
                    if (fuori_percorso(m, a, margine_voce_m)) return;
                } else {
                    const std::optional<double> curvatura = curvatura_di(c);
                    if (!curvatura) {
                        rilievo& d = stato(m, stati::curva_non_valida, k,
                                               "the curve keyword \"" + senza_bianchi(c) + "\" has no class digit 1 to 6");
                        d.nota = "write curvas1 to curvas6 (left) or curvad1 to curvad6 (right); the line's reading "
                                 "stops here and the service description is not read";
                        ferma(m);
                    } else {
                        if (m.fine_curva_prec >= 0 && a.v < m.fine_curva_prec) {
                            rilievo& d = nuova(m, gravita::avviso, a.c,
                                                   "this curve overlaps the previous one, which ends at " +
                                                       decimale(m.fine_curva_prec) + " m");
                            d.campo = a.c.nome;
                            d.nota = "the plan is traced metre by metre: this curve starts where the previous one "
                                     "ends, and ends later";
                        }
                        const std::int64_t fine = std::int64_t{a.v} + n.v;
                        int e = 0;
                        const char* motivo = nullptr;
                        if (percorso_pronto(m)) {
                            try {
                                if (traccia_curva(m.s->linea, a.v, n.v, *curvatura) == esito_traccia::oltre_milione)
                                    e = stati::curva_non_valida;
                            } catch (const guasto_lettura& g) {
                                e = stati::lettura_fallita;
                                motivo = g.motivo;
                            }
                        }
                        if (e == stati::curva_non_valida) {
                            ferma_al_campo(m, stati::curva_non_valida, n.c,
                                           "the plan passes metre 1000000 in this curve",
                                           "the line's reading stops here and the service description is not read");
                        } else if (e == stati::lettura_fallita) {
                            rilievo& d = stato(m, stati::lettura_fallita, n.c,
                                               "the curve runs to " + decimale(fine) + " m, past the plan's end at " +
                                                   decimale(m.s->estensione) + " m",
                                               std::nullopt, motivo);
                            d.campo = n.c.nome;
                            d.intervallo = "start + length at most " + decimale(m.s->estensione);
                            d.nota = "the line and 7000 m of run-out; the reading of the description fails here";
                            ferma(m);
                        }
                        m.fine_curva_prec = std::max(m.fine_curva_prec, fine);
                    }
                }
            }
        }
        if (riconosce(voce_di(chiave_voce::montagna), c)) {
            riconosciuta = true;
            const auto numeri = leggi_numeri<3>(m, voce_di(chiave_voce::montagna), k);
            const auto& [a, f, t] = numeri;
            if (letti(numeri)) {
                if (f.v < a.v) {
                    // The stretch is lost: no cell gets it.
                    rilievo& d = nuova(m, gravita::errore, f.c,
                                       "the mountain ends at " + f.c.testo + " m, before it starts at " + a.c.testo + " m");
                    d.campo = f.c.nome;
                    d.nota = "no cell gets this stretch; write its start first, then its end";
                }
                const std::int64_t genere = t.v > 10 ? std::int64_t{t.v} - 10 : t.v;
                if (genere < 0 || genere > 255)
                    errore_bassi_bit(m, t.c, t.v, bassi8(genere), "0 to 265",
                                     "the kind (less 10 above 10) keeps its low 8 bits");
                if (!percorso_pronto(m)) {
                } else if (!entro_percorso(*m.s, a.v, margine_voce_m)) {
                    if (fuori_percorso(m, a, margine_voce_m)) return;
                } else {
                    std::int32_t tipo_m = t.v;
                    try {
                        memo_montagna(*m.s, a.v, f.v, tipo_m);
                    } catch (const guasto_lettura& g) {
                        guasto(m, m.s->n_montagne >= 80 ? k : f.c,
                               m.s->n_montagne >= 80 ? "more than 80 mountain stretches"
                                                    : "the mountain stretch runs past the route's last cell",
                               g.motivo);
                    }
                }
            }
        }
        if (riconosce(voce_di(chiave_voce::indicatori_vmax), c)) {
            riconosciuta = true;
            const std::array<numero_n, 9> v = leggi_numeri<9>(m, voce_di(chiave_voce::indicatori_vmax), k);
            if (letti(v)) {
                if (!percorso_pronto(m)) {
                } else if (!entro_percorso(*m.s, v[0].v, margine_voce_m)) {
                    if (fuori_percorso(m, v[0], margine_voce_m)) return;
                } else {
                    const std::int64_t strisce = std::int64_t{v[4].v} * 10 + v[8].v;
                    const std::int16_t memorizzate = codifica_strisce(v[4].v, v[8].v);
                    if (v[8].v != bassi16(v[8].v))
                        errore_bassi_bit(m, v[8].c, v[8].v, bassi16(v[8].v), "-32768 to 32767",
                                         "the right stripes keep their low 16 bits before they are packed");
                    else if (strisce != memorizzate)
                        errore_bassi_bit(m, v[4].c, strisce, memorizzate, "-32768 to 32767 for 10 x left + right",
                                         "the stripe code keeps its low 16 bits");
                    const std::int64_t i = cella_punto(v[0].v);
                    const std::int32_t prima = m.s->resoconto.errore_numero;
                    m.s->resoconto.errore_numero = 0;
                    try {
                        memo_indicatori_v_max(*m.s, v[0].v, v[1].v, v[2].v, v[3].v, v[4].v, v[5].v, v[6].v, v[7].v,
                                              v[8].v);
                        if (m.s->resoconto.errore_numero == stati::indicatori_occupato) {
                            m.s->resoconto.errore_numero = prima;
                            ferma_al_campo(m, stati::indicatori_occupato, v[0].c,
                                           "speed indicator boards on a cell that is not free",
                                           occupata(i, i * 50 - 50, "line"), v[0].v);
                        } else {
                            m.s->resoconto.errore_numero = prima;
                            luogo_cella(m, i, v[0].c, "speed indicator boards");
                        }
                    } catch (const guasto_lettura& g) {
                        m.s->resoconto.errore_numero = prima;
                        if (i < 0 || i > m.s->n_celle) {
                            guasto(m, v[0].c, "the boards' cell lies outside the route", g.motivo);
                        } else {
                            guasto(m, v[1].c, "a speed code 20 x left speed + right speed / 5 does not fit 16 bits",
                                   g.motivo);
                            // The walk that goes on leaves the entry out: its cell is free again.
                            if (m.recupero) svuota_cella(*m.s, i);
                        }
                    }
                }
            }
        }
        if (riconosce(voce_di(chiave_voce::cartello_indicatore), c)) {
            riconosciuta = true;
            inizia_voce(m, voce_di(chiave_voce::cartello_indicatore));
            const numero_n p = leggi_n(m);
            const campo_n t = leggi_testo_voce(m);
            chiudi_voce(m, k);
            if (p.letto) {
                virgola_nel_testo(m, t, "text", "sign text");
                if (!percorso_pronto(m)) {
                } else if (!entro_percorso(*m.s, p.v, margine_voce_m)) {
                    if (fuori_percorso(m, p, margine_voce_m)) return;
                } else {
                    const std::int64_t i = cella_punto(p.v);
                    bool libera = false;
                    try {
                        libera = memo_cartello(*m.s, p.v, t.testo, m.contatore_cartelli);
                    } catch (const guasto_lettura& g) {
                        if (i < 0 || i > m.s->n_celle)
                            guasto(m, p.c, "the sign board's cell lies outside the route", g.motivo);
                        else
                            guasto(m, k, "more than 80 sign boards", g.motivo);
                        libera = true;
                    }
                    if (!libera)
                        ferma_al_campo(m, stati::cartello_occupato, p.c, "sign board on a cell that is not free",
                                       occupata(i, i * 50 - 50, "line"), p.v);
                    else if (!m.voce_fallita)
                        luogo_cella(m, i, p.c, "sign board");
                }
            }
        }
        if (!riconosciuta) sconosciuta(m, k, parte_voce::caratteristiche);
    }
}

// The line's end: the gradient in force fills the route, and the plan is traced.
void coda_linea(motore& m) {
    // The gradient in force at the end fills the route up to its last three cells.
    const std::int64_t v = std::int64_t{m.pendenze.corrente} + 100;
    bool coda_fallita = false;
    const char* motivo = nullptr;
    if (percorso_pronto(m)) {
        try {
            coda_pendenze(*m.s, m.pendenze);
        } catch (const guasto_lettura& g) {
            coda_fallita = true;
            motivo = g.motivo;
        }
    }
    if (coda_fallita) {
        // The compile places the failure at the last gradient entry.
        const luogo_testo voce = m.pendenze.voce.riga > 0 ? m.pendenze.voce : m.l.campo;
        const campo_n dove = m.campo_pendenza ? *m.campo_pendenza : campo_a(*m.src, voce);
        rilievo& d = stato_in(m, *m.src, stati::lettura_fallita, dove,
                               v < 0 || v > 255 ? "the last gradient " + decimale(m.pendenze.corrente) +
                                                      " does not fit its 8-bit field"
                                                : "gradient entries push the gradient past the route's last cell",
                               voce, std::nullopt, motivo);
        d.campo = "gradient";
        d.intervallo = "-100 to 155";
        d.nota = "the last gradient fills the route to its end and must be -100 to 155; the reading of the "
                 "description fails here";
        ferma(m);
    }
    // The plan is traced for the compile's records only.
    if (percorso_pronto(m) && !coda_fallita && m.s->genera_linea && !m.recupero) completa_linea(m.s->linea);
}

// The line description; true when the compile reads the service description next.
bool leggi_linea_d(motore& m) {
    m.l = apri_lettore(*m.src->t);
    try {
        bool detto = false;
        for (;;) {
            campo_n k = leggi_t(m);
            registra_campo(m, k);
            segna_voce(m.l);
            if (fine_file(m.l)) {
                if (contiene_nc(k.testo, "[generale]")) {
                    rilievo& d = stato(m, stati::generale_mancante, k, "[generale] is the last field of the file");
                    d.nota = "the last field of a file is never read; nothing of the line is read";
                } else {
                    campo_n tutto;
                    tutto.inizio = 0;
                    tutto.fine = 0;
                    rilievo& d = stato(m, stati::generale_mancante, tutto, "no [generale] in the line description");
                    d.nota = "everything before the first field holding [generale] is skipped; nothing of the line is "
                             "read";
                }
                ferma(m);
                return false;
            }
            if (contiene_nc(k.testo, "[generale]")) break;
            preambolo(m, k, {parte_voce::generale, parte_voce::caratteristiche}, detto);
        }
        blocco_generale(m);
        try {
            progressive_ordina(*m.s);
        } catch (const guasto_lettura& g) {
            // The compile places the failure at the reference entry whose chainage overflows.
            const luogo_testo dove = luogo_guasto(m, g);
            guasto(m, campo_a(*m.src, dove), "a chainage raised by 100 m by its flag does not fit 32 bits", g.motivo,
                   dove);
        }
        m.contatore_cartelli = primo_slot_cartelli;
        if (!percorso_pronto(m)) {
            rilievo& d = stato(m, stati::lettura_fallita, campo_a(*m.src, m.l.campo), "no line length before the features",
                               std::nullopt, "no line length before the features");
            d.nota = "write \"lunghezza percorso, L\" in the general block; nothing is built";
            ferma(m);
        }
        m.s->n_montagne = 0;
        if (percorso_pronto(m) && m.s->genera_linea) semina_linea(m.s->linea);
        bool letta_tutta = true;  // false: the walk that goes on met the file's end inside an entry
        try {
            caratteristiche(m);
        } catch (const fine_testo&) {
            if (!m.sospeso) throw;
            letta_tutta = false;
        }
        if (m.sospeso) {
            // The walk that goes on has read the rest of the line: it fills its gradients to the end,
            // then the compile's walk takes up where it was set aside.
            if (letta_tutta) coda_linea(m);
            riprendi_compilazione(m);
        }
        coda_linea(m);
        return true;
    } catch (const fermata&) {
        return false;
    } catch (const fine_testo&) {
        return false;
    }
}

// ---------------------------------------------------------------- service description

void fine_lettura_servizio(motore& m, const campo_n& dove);

// Stops the service reading at a status (or skips the entry in the walk that goes on).
enum class esito_d { continua, fine_lettura };

// The value in force so far is written up to cell n - 1.
void avanza_profilo_d(motore& m, profilo_d& p, std::int64_t n, const campo_n& dove) {
    if (n <= 0) {
        if (p.campo_valore) {
            rilievo& d = nuova(m, gravita::errore, *p.campo_valore,
                                   std::string("this ") + (di_velocita(p) ? "speed" : "adhesion") +
                                       " is never stored: the next entry stands in the same first cell");
            d.campo = p.campo_valore->nome;
            d.nota = "an entry at a position below 26 m writes no cell";
        }
        return;
    }
    const std::int64_t cursore = p.r.cursore;
    try {
        avanza_profilo(*m.s, p.r, n);
    } catch (const guasto_lettura& g) {
        if (cursore > m.s->n_celle) {
            guasto(m, dove, "entries at one position push the profile past the route's last cell", g.motivo);
        } else if (!di_velocita(p)) {
            guasto(m, dove, "entries at one position push the adhesion past the route's last cell", g.motivo);
        } else {
            // The compile records the failure where the speed is written, as for the last speed; it
            // fails when this entry applies it.
            const luogo_testo voce = p.r.voce.riga > 0 ? p.r.voce : m.l.campo;
            rilievo& d = stato_in(m, *m.src, stati::lettura_fallita, p.campo_valore ? *p.campo_valore : dove,
                                  "the speed " + decimale(p.r.valore) + " km/h does not fit: speed / 5 must be 0 to 255",
                                  voce, std::nullopt, g.motivo);
            d.campo = "speed";
            d.intervallo = "0 to 1277";
            d.nota = "allowed: 0 to 1277 km/h; the reading of the description fails here, when the speed entry of "
                     "line " + std::to_string(riga_di(*m.src, dove.inizio)) + " applies it";
            ferma(m);
            // The walk that goes on drops the speed that does not fit, which would fail again at
            // every later entry: it is told once.
            p.r.valore = 0;
            p.campo_valore.reset();
        }
        return;
    }
    if (!di_velocita(p) && (p.r.valore < 0 || p.r.valore > 255) && p.campo_valore) {
        errore_bassi_bit(m, *p.campo_valore, p.r.valore, bassi8(p.r.valore), "0 to 255",
                         "the adhesion keeps its low 8 bits");
        p.campo_valore.reset();
    }
}

esito_d passo_profilo_d(motore& m, const voce& v, const campo_n& chiave, profilo_d& p) {
    const auto [pos, val] = leggi_numeri<2>(m, v, chiave);
    if (m.voce_fallita || !percorso_pronto(m)) return esito_d::continua;
    if (!entro_percorso(*m.s, pos.v, margine_voce_m)) {
        return fuori_percorso(m, pos, margine_voce_m) ? esito_d::fine_lettura : esito_d::continua;
    }
    if (pos.v < p.ultima_posizione) {
        rilievo& d = nuova(m, gravita::avviso, pos.c,
                               std::string(di_velocita(p) ? "speed limit" : "adhesion") + " entries out of position order");
        d.campo = pos.c.nome;
        d.nota = "the value before it is written up to this position only; write them in increasing order of position";
    }
    p.ultima_posizione = pos.v;
    avanza_profilo_d(m, p, cella_profilo(pos.v), pos.c);
    if (m.voce_fallita) return esito_d::continua;
    p.r.valore = val.v;
    p.campo_valore = val.c;
    p.r.voce = m.l.voce;
    return esito_d::continua;
}

// After a signal or a slowdown the compile stops on any status, also on the line's status 15.
esito_d dopo_memo_d(motore& m, std::int32_t prima, const numero_n& pos, const char* cosa, std::int32_t numero_atteso) {
    if (m.s->resoconto.errore_numero <= 0) return esito_d::continua;
    if (m.s->resoconto.errore_numero != prima) {
        const std::int32_t n = m.s->resoconto.errore_numero;
        m.s->resoconto.errore_numero = prima;
        const voce_stato* vs = cerca_stato(n);
        rilievo& d = stato(m, n, pos.c, std::string(vs ? vs->significato : cosa), pos.v);
        d.campo = pos.c.nome;
        d.nota = std::string("the ") + cosa + " needs free route cells; the service's reading stops here";
        (void)numero_atteso;
        ferma(m);
        return esito_d::continua;
    }
    // The status keeps its number and takes this entry's position.
    if (!m.recupero) m.s->resoconto.errore_posizione = pos.v;
    rilievo& d = nuova(m, gravita::errore, pos.c,
                           std::string("the service's reading stops at this ") + cosa +
                               ": the line's status " + decimale(m.s->resoconto.errore_numero) + " is still set");
    d.campo = pos.c.nome;
    d.nota = "after a status in the line description, the first signal or slowdown ends the service's reading; "
             "the entries after it are not read";
    if (!m.recupero) {
        if (!m.prosegue) {
            m.fermo_servizio = std::min(m.fermo_servizio, m.l.pos);
            throw fermata{};
        }
        ferma(m);
    }
    return esito_d::continua;
}

void controlla_cifra(motore& m, const numero_n& n, std::int64_t massimo) {
    if (n.v >= 0 && n.v <= massimo) return;
    rilievo& d = nuova(m, gravita::errore, n.c,
                           std::string(n.c.nome) + " " + n.c.testo + " is out of range: it runs into the next packed digit");
    d.campo = n.c.nome;
    d.intervallo = "0 to " + decimale(massimo);
    d.nota = "allowed: 0 to " + decimale(massimo) + "; the signal's values are packed as decimal digits";
}

esito_d passo_segnale_d(motore& m, const voce& v, const campo_n& chiave) {
    const std::array<numero_n, 11> n = leggi_numeri<11>(m, v, chiave);
    if (m.voce_fallita) return esito_d::continua;
    controlla_cifra(m, n[1], 2);
    controlla_cifra(m, n[6], 2);
    for (std::size_t i : {2u, 3u, 4u, 7u, 8u, 9u}) controlla_cifra(m, n[i], 9);
    if (n[1].v == 2) {
        const std::int32_t t = n[10].v;
        if (t >= 1 && t <= 100) {
            rilievo& d = nuova(m, gravita::avviso, n[10].c, "tempo " + n[10].c.testo + " is raised to 101");
            d.campo = "tempo";
            d.intervallo = "0 or 101 to 255";
            d.nota = "allowed: 0 or 101 to 255";
        } else if (t < 0 || t > 255) {
            errore_bassi_bit(m, n[10].c, t, bassi8(t), "0 or 101 to 255", "tempo keeps its low 8 bits");
        }
    }
    if (!percorso_pronto(m)) return esito_d::continua;
    if (!entro_percorso(*m.s, n[0].v, margine_voce_m)) {
        return fuori_percorso(m, n[0], margine_voce_m) ? esito_d::fine_lettura : esito_d::continua;
    }
    std::array<std::int32_t, 11> x{};
    for (std::size_t i = 0; i < 11; ++i) x[i] = n[i].v;
    const std::int32_t prima = m.s->resoconto.errore_numero;
    if (m.recupero) m.s->resoconto.errore_numero = 0;
    const std::int64_t k = cella_punto(x[0]);
    try {
        memo_segnale(*m.s, x[0], x[1], x[2], x[3], x[4], x[5], x[6], x[7], x[8], x[9], x[10]);
    } catch (const guasto_lettura& g) {
        if (k - 8 < 0 || k > m.s->n_celle)
            guasto(m, n[0].c, "the signal's approach cells (400 m before it) lie outside the route", g.motivo);
        else
            guasto(m, n[5].c, "a packed signal value does not fit its field", g.motivo);
        return esito_d::continua;
    }
    if (m.s->resoconto.errore_numero == 0 || m.s->resoconto.errore_numero == prima) luogo_cella(m, k, n[0].c, "signal");
    return dopo_memo_d(m, m.recupero ? 0 : prima, n[0], "signal", stati::segnale_occupato);
}

esito_d passo_rallentamento_d(motore& m, const voce& v, const campo_n& chiave) {
    const std::array<numero_n, 6> n = leggi_numeri<6>(m, v, chiave);
    if (m.voce_fallita) return esito_d::continua;
    for (std::size_t i : {1u, 3u, 5u})
        if (n[i].v < INT16_MIN || n[i].v > INT16_MAX)
            errore_bassi_bit(m, n[i].c, n[i].v, bassi16(n[i].v), "-32768 to 32767", "it keeps its low 16 bits");
    if (!percorso_pronto(m)) return esito_d::continua;
    if (!entro_percorso(*m.s, n[0].v, margine_voce_m)) {
        return fuori_percorso(m, n[0], margine_voce_m) ? esito_d::fine_lettura : esito_d::continua;
    }
    std::int32_t x = n[0].v, vv = n[1].v, l = n[2].v, f_tt = n[3].v, f_ta = n[4].v, d_v = n[5].v;
    const std::int32_t prima = m.s->resoconto.errore_numero;
    if (m.recupero) m.s->resoconto.errore_numero = 0;
    try {
        memo_rallentamento(*m.s, x, vv, l, f_tt, f_ta, d_v);
    } catch (const guasto_lettura& g) {
        guasto(m, n[2].c, "a cell of the slowdown lies outside the route", g.motivo);
        return esito_d::continua;
    }
    const bool con_avviso = rallentamento_con_avviso(x);
    const std::int64_t s = cella_inizio_rallentamento(x);
    const std::int64_t e = cella_fine_rallentamento(x, l);
    const std::int32_t dopo = m.s->resoconto.errore_numero;
    if (dopo == 0 || dopo == prima || dopo == stati::preavviso_occupato) {
        luogo_cella(m, e, n[0].c, "slowdown end");
        luogo_cella(m, s, n[0].c, "slowdown start");
        if (con_avviso) luogo_cella(m, cella_avviso_rallentamento(x), n[0].c, "slowdown warning");
        if (con_avviso && f_ta != 0 && dopo != stati::preavviso_occupato)
            for (int i = 0; i < celle_preavviso; ++i) luogo_cella(m, cella_preavviso(x, i), n[0].c, "pre-warning");
    }
    if (l < 0 && dopo == prima) {
        // The end cell goes before the start: the slowdown is not the stretch written.
        rilievo& d = nuova(m, gravita::errore, n[2].c,
                           "slowdown length " + n[2].c.testo + " m is negative: its end lies before its start");
        d.campo = "l";
        d.intervallo = "0 or more";
        d.nota = "the length runs from the position forward, in metres; its end cell is placed at position + length";
    } else if (e <= s && dopo == prima) {
        rilievo& d = nuova(m, gravita::avviso, n[2].c, "the slowdown's end lies in its start cell");
        d.campo = "l";
        d.nota = "a slowdown shorter than 50 m has no end cell of its own";
    }
    return dopo_memo_d(m, m.recupero ? 0 : prima, n[0], "slowdown", 0);
}

esito_d passo_abbattimento_d(motore& m, const voce& v, const campo_n& chiave) {
    const auto [p, val] = leggi_numeri<2>(m, v, chiave);
    if (m.voce_fallita) return esito_d::continua;
    if (val.v > INT16_MAX)
        errore_bassi_bit(m, val.c, val.v, bassi16(val.v), "up to 32767", "the board's speed keeps its low 16 bits");
    if (!percorso_pronto(m)) return esito_d::continua;
    if (!entro_percorso(*m.s, p.v, margine_voce_m)) {
        return fuori_percorso(m, p, margine_voce_m) ? esito_d::fine_lettura : esito_d::continua;
    }
    const std::int64_t q = cella_profilo(p.v);
    try {
        if (!memo_abbattimento(*m.s, p.v, val.v)) {
            ferma_al_campo(m, stati::abbattimento_occupato, p.c, "speed board on a cell that is not free",
                           occupata(q, q * 50, "service"), p.v);
            return esito_d::continua;
        }
    } catch (const guasto_lettura& g) {
        guasto(m, p.c, "the speed board's cell lies outside the route", g.motivo);
        return esito_d::continua;
    }
    luogo_cella(m, q, p.c, "speed board");
    return esito_d::continua;
}

esito_d passo_stazione_d(motore& m, const voce& v, const campo_n& chiave) {
    stato_build& s = *m.s;
    inizia_voce(m, v);
    const bool con_percorso = percorso_pronto(m);
    if (con_percorso && m.j >= m.limite_stazioni) {
        rilievo& d = stato(m, stati::stazioni_troppe, chiave, "too many stations for the slot table");
        d.nota = "with B sign boards in the line, at most 78 - B stations fit; the service's reading stops here";
        ferma(m);
    }
    // The fields are stored in the station's slot as they are read, when there is one to take them.
    const bool scrive = con_percorso && !m.voce_fallita;
    const slot_servizio scarto;
    const slot_servizio& slot = scrive ? s.servizio[static_cast<std::size_t>(m.j)] : scarto;
    const numero_n pos = leggi_n(m);
    if (pos.letto && scrive) memo_campo_stazione(s, m.j, 0, pos.v);
    if (!m.voce_fallita && con_percorso && !entro_percorso(*m.s, pos.v, margine_stazione_m)) {
        const double limite = static_cast<double>(s.n_celle) * 50.0 - margine_stazione_m;
        if (!m.recupero) m.fermo_servizio = std::min(m.fermo_servizio, m.l.pos);
        rilievo& d = stato(m, stati::fuori_percorso, pos.c, "station position " + pos.c.testo + " m lies too close "
                               "to the route's end", pos.v);
        d.campo = pos.c.nome;
        d.intervallo = "at most " + decimale(static_cast<std::int64_t>(std::floor(limite))) + " m";
        d.nota = "a station needs 800 m of route after its position; from here on the service's entries are not "
                 "applied";
        if (!m.recupero) {
            // The compile reads the profiles' tails on from here.
            if (!m.prosegue) {
                chiudi_voce(m, chiave);
                return esito_d::fine_lettura;
            }
            metti_da_parte(m, chiave);
        }
        ferma(m);
    }
    if (!m.voce_fallita && pos.v % 50 != 0) {
        rilievo& d = stato(m, stati::stazione_posizione, pos.c,
                               "station position " + pos.c.testo + " m is not a multiple of 50", pos.v);
        d.campo = pos.c.nome;
        d.nota = "the service's reading stops here";
        if (pos.v % 50 != 0) d.correzione = decimale(nearest(pos.v / 50.0) * 50);
        ferma(m);
    }
    const numero_n t = leggi_n(m);
    if (!m.voce_fallita && deve_stare(m, t, 0, 255, "8-bit") && scrive) memo_campo_stazione(s, m.j, 1, t.v);
    const numero_n lung = leggi_n(m);
    if (!m.voce_fallita && lung.v % 100 != 0) {
        ferma_al_campo(m, stati::stazione_lunghezza, lung.c,
                       "station length " + lung.c.testo + " m is not a multiple of 100",
                       "the service's reading stops here", pos.v);
    }
    // The narrow fields 4 to 12 and the stop, each at the width the keyword table gives it.
    for (std::size_t i = 3; i <= 12; ++i) {
        const numero_n n = leggi_n(m);
        if (m.voce_fallita) continue;
        const bool sta = v.campi[i].bit == 8 ? deve_stare(m, n, 0, 255, "8-bit")
                                             : deve_stare(m, n, INT16_MIN, INT16_MAX, "16-bit");
        if (sta && scrive) memo_campo_stazione(s, m.j, i, n.v);
    }
    const numero_n ore = leggi_n(m);
    const numero_n minuti = leggi_n(m);
    const numero_n secondi = leggi_n(m, false);
    const campo_n nome = leggi_testo_voce(m);
    chiudi_voce(m, chiave);
    // A number short, the name's first word is read as the seconds (a number ends at a blank)
    // and the rest of it as the name: no field runs over to the next line to tell.
    if (non_numero(secondi) && testo(m).find_first_not_of(" \t", secondi.c.fine) == nome.inizio) {
        rilievo& d = nuova(m, gravita::errore, secondi.c,
                           "too few fields: stazione takes " + std::to_string(v.campi.size()) +
                               " fields after its keyword, and the name's first word \"" + secondi.c.testo +
                               "\" is read as its seconds");
        d.campo = secondi.c.nome;
        d.nota = "the name is stored as \"" + nome.testo + "\"; write the number that is missing before the name";
    } else {
        numero_scritto_male(m, secondi);
    }
    virgola_nel_testo(m, nome, "name", "station name");
    if (m.voce_fallita || !con_percorso) return esito_d::continua;
    memo_nome_stazione(s, m.j, nome.testo);
    auto oltre_la_linea = [&] {
        const std::int64_t lunghezza_linea = std::int64_t{s.estensione} - metri_oltre_fine;
        if (pos.v <= lunghezza_linea) return;
        rilievo& d = nuova(m, gravita::avviso, pos.c,
                               "the station lies past the line's end at " + decimale(lunghezza_linea) + " m");
        d.campo = pos.c.nome;
        d.nota = "the 7000 m after the line's end are run-out";
    };
    std::int32_t esito_stazione = 0;
    try {
        esito_stazione = memo_stazione(s, m.j, lung.v, ore.v, minuti.v, secondi.v);
    } catch (const guasto_lettura& g) {
        // Which value failed: the timetable is worked out first, then the extent, then the cells.
        const std::int64_t orario = (std::int64_t{ore.v} * 60 + minuti.v) * 60 + secondi.v;
        if (std::string_view(g.motivo) == motivo_fuori_percorso) {
            oltre_la_linea();
            guasto(m, pos.c, "the station's stop marker lies outside the route", g.motivo);
        } else if (orario < INT32_MIN || orario > INT32_MAX)
            guasto(m, secondi.c, "the timetable (h x 60 + min) x 60 + s does not fit 32 bits", g.motivo);
        else
            guasto(m, lung.c, "the station's extent does not fit 32 bits", g.motivo);
        return esito_d::continua;
    }
    oltre_la_linea();
    if (esito_stazione == stati::stazione_fine_bassa) {
        ferma_al_campo(m, stati::stazione_fine_bassa, pos.c,
                       "the station ends at " + decimale(slot.fine) + " m, 100 m or less from the line's start",
                       "a station of type below 25 gets a stop marker in the cell before its end; the service's "
                       "reading stops here");
        return esito_d::continua;
    }
    if (slot.tipo_stazione < 25) luogo_cella(m, cella_fermata(slot.fine), pos.c,
                                             "station stop marker");
    if (esito_stazione == stati::stazione_vicina) {
        const std::int32_t prec = s.servizio[static_cast<std::size_t>(m.j - 1)].fine;
        ferma_al_campo(
            m, stati::stazione_vicina, pos.c,
            std::string(slot.inizio < prec ? "stations overlap: " : "") + "this station starts at " +
                decimale(slot.inizio) + " m, less than 350 m after the previous one ends at " + decimale(prec) + " m",
            "write stations in increasing order of position, 350 m apart or more; the service's reading stops here",
            pos.v);
        return esito_d::continua;
    }
    ++m.j;
    if (m.j >= m.limite_stazioni) {
        rilievo& d = stato(m, stati::stazioni_troppe, chiave, "too many stations for the slot table");
        d.nota = "with B sign boards in the line, at most 78 - B stations fit; the service's reading stops here";
        ferma(m);
        if (m.recupero) m.j = m.limite_stazioni;
    }
    return esito_d::continua;
}

esito_d passo_semplice(motore& m, const voce& v, const campo_n& chiave) {
    inizia_voce(m, v);
    std::vector<numero_n> n;
    for (const campo_voce& c : v.campi) {
        n.push_back(leggi_n(m));
        if (!m.voce_fallita && c.bit == 16) deve_stare(m, n.back(), INT16_MIN, INT16_MAX, "16-bit");
        if (!m.voce_fallita) memo_semplice(*m.s, v.chiave, n.size() - 1, n.back().v);
    }
    chiudi_voce(m, chiave);
    return esito_d::continua;
}

void fine_lettura_servizio(motore& m, const campo_n& dove) {
    stato_build& s = *m.s;
    if (!percorso_pronto(m)) return;
    if (m.velocita.r.cursore > s.n_celle || m.aderenza.r.cursore > s.n_celle) {
        // The compile places the failure at the last entry of the profile that runs past.
        const profilo_d& p = m.velocita.r.cursore > s.n_celle ? m.velocita : m.aderenza;
        guasto(m, p.campo_valore ? *p.campo_valore : dove,
               "the speed or adhesion entries push their profile past the route's last cell",
               "a profile runs past the end of the route", p.r.voce.riga > 0 ? p.r.voce : m.l.campo);
        return;
    }
    for (profilo_d* p : {&m.velocita, &m.aderenza}) {
        bool fallita = false;
        const char* motivo = nullptr;
        try {
            coda_profilo(s, p->r);
        } catch (const guasto_lettura& g) {
            fallita = true;
            motivo = g.motivo;
        }
        if (di_velocita(*p)) {
            if (fallita) {
                rilievo& d = stato_in(m, *m.src, stati::lettura_fallita, p->campo_valore ? *p->campo_valore : dove,
                                      "the last speed " + decimale(p->r.valore) + " km/h does not fit: speed / 5 must be "
                                      "0 to 255",
                                      p->r.voce.riga > 0 ? p->r.voce : m.l.campo, std::nullopt, motivo);
                d.campo = "speed";
                d.intervallo = "0 to 1277";
                d.nota = "allowed: 0 to 1277 km/h; the reading of the description fails where the speed is written";
                ferma(m);
                return;
            }
        } else if ((p->r.valore < 0 || p->r.valore > 255) && p->campo_valore) {
            errore_bassi_bit(m, *p->campo_valore, p->r.valore, bassi8(p->r.valore), "0 to 255",
                             "the adhesion keeps its low 8 bits");
        }
    }
    for (int i = 0; i < 3; ++i) {
        const slot_servizio& slot = s.servizio[static_cast<std::size_t>(slot_progressiva_tre + i)];
        if (slot.inizio % 50 == 0 && slot.fine % 50 == 0) continue;
        // The chainage as written: the flag's 100 m, added when the references are sorted, is the
        // format's, and a multiple of 50 itself.
        const std::string messaggio = "a kilometre reference's start (" + decimale(slot.inizio) + " m) or chainage (" +
                                      decimale(decodifica_progressiva(slot)) + " m) is not a multiple of 50";
        const std::string nota = "the compile checks the kilometre references after reading the service description";
        // The reference was read from the line description: the compile records the status at its entry there.
        const luogo_testo voce = s.resoconto.luoghi_progressive[static_cast<std::size_t>(i)];
        if (!m.src_linea || voce.riga <= 0) {
            stato(m, stati::progressiva_non_multipla, dove, messaggio).nota = nota;
            ferma(m);
            return;
        }
        const luogo* letta = nullptr;
        for (const auto& r : m.progressive)
            if (r && r->voce.riga == voce.riga && r->voce.colonna == voce.colonna) letta = &*r;
        rilievo& d = stato_in(m, *m.src_linea, stati::progressiva_non_multipla,
                              letta ? letta->c : campo_a(*m.src_linea, voce), messaggio, voce);
        if (letta && d.riga == letta->c.riga) d.campo = letta->c.nome;
        d.nota = nota;
        ferma(m);
        return;
    }
}

void leggi_servizio_d(motore& m) {
    m.l = apri_lettore(*m.src->t);
    m.riga_silenziosa = 0;
    m.riga_ultima_voce = 0;
    m.limite_stazioni = std::min(m.contatore_cartelli, primo_slot_cartelli);
    campo_n ultimo;
    bool letta_tutta = false;  // false: the walk ended inside the entries
    try {
        campo_n k;
        bool detto = false;
        do {
            k = leggi_t(m);
            registra_campo(m, k);
            segna_voce(m.l);
            if (!contiene_nc(k.testo, "[generale]")) preambolo(m, k, {parte_voce::servizio}, detto);
        } while (!contiene_nc(k.testo, "[generale]") && !fine_file(m.l));
        if (!contiene_nc(k.testo, "[generale]")) {
            nuova_su_file(m, gravita::errore, quale_file::servizio, "no [generale] in the service description").nota =
                "everything before the first field holding [generale] is skipped: nothing of the service is read";
        }
        ultimo = k;
        const std::vector<voce>& vv = voci_di(parte_voce::servizio);
        for (;;) {
            if (fine_file(m.l)) {
                senza_fine(m);
                break;
            }
            k = leggi_t(m);
            registra_campo(m, k);
            ultimo = k;
            bool finito = fine_file(m.l);
            for (int i = 0; i < 2 && !finito && contiene(k.testo, "-"); ++i) {
                k = leggi_t(m);
                registra_campo(m, k);
                ultimo = k;
                finito = fine_file(m.l);
            }
            if (finito) {
                ultimo_campo(m, k, {parte_voce::servizio});
                break;
            }
            segna_voce(m.l);
            controlla_testo(m, k);
            commento_letto(m, k, parte_voce::servizio, "two");
            bool riconosciuta = false;
            esito_d e = esito_d::continua;
            for (const voce& v : vv) {
                if (!riconosce(v, k.testo)) continue;
                riconosciuta = true;
                switch (v.chiave) {
                    case chiave_voce::velocita: e = passo_profilo_d(m, v, k, m.velocita); break;
                    case chiave_voce::aderenza: e = passo_profilo_d(m, v, k, m.aderenza); break;
                    case chiave_voce::segnale: e = passo_segnale_d(m, v, k); break;
                    case chiave_voce::rallentamento: e = passo_rallentamento_d(m, v, k); break;
                    case chiave_voce::abbattimento: e = passo_abbattimento_d(m, v, k); break;
                    case chiave_voce::stazione: e = passo_stazione_d(m, v, k); break;
                    default: e = passo_semplice(m, v, k); break;
                }
                if (!m.campi_correnti.empty()) ultimo = m.campi_correnti.back();
                if (e != esito_d::continua) break;
            }
            if (!riconosciuta) sconosciuta(m, k, parte_voce::servizio);
            if (e == esito_d::fine_lettura) break;
        }
        letta_tutta = true;
    } catch (const fermata&) {
    } catch (const fine_testo&) {
    }
    auto finisci = [&m](const campo_n& ultimo_campo) {
        try {
            fine_lettura_servizio(m, ultimo_campo);
        } catch (const fermata&) {
        }
    };
    if (m.sospeso) {
        // The walk that goes on has read the rest of the service: it finishes its profiles, then the
        // compile's walk takes up where it was set aside.
        if (letta_tutta) finisci(ultimo);
        ultimo = riprendi_compilazione(m);
        letta_tutta = true;
    }
    if (letta_tutta) finisci(ultimo);
}

// ---------------------------------------------------------------- after reading

const luogo* luogo_di_cella(const motore& m, std::int64_t k) {
    if (k < 0 || static_cast<std::size_t>(k) >= m.luogo_cella.size()) return nullptr;
    const std::int32_t i = m.luogo_cella[static_cast<std::size_t>(k)];
    return i < 0 ? nullptr : &m.luoghi[static_cast<std::size_t>(i)];
}

// A status that the compile records after reading, at the entry that placed the cell it is about
// (none known: the service description as a whole).
rilievo& stato_dopo_lettura(motore& m, const luogo* l, std::string messaggio, std::int32_t numero,
                            std::int32_t posizione) {
    rilievo d;
    d.severita = gravita::errore;
    d.file = l ? l->f : quale_file::servizio;
    if (l) {
        d.inizio = l->c.inizio;
        d.fine = l->c.fine;
        d.riga = l->c.riga;
        d.colonna = l->colonna;
        d.valore = l->c.testo;
        d.campo = l->c.nome;
    }
    d.messaggio = std::move(messaggio);
    d.stato = numero;
    d.posizione_m = posizione;
    return trattieni(m, std::move(d));
}

// The finishing pass and the stamping guards, on the records as the compile leaves them.
std::int32_t passata_e_timbri(motore& m) {
    stato_build& s = *m.s;
    resoconto_build& r = s.resoconto;
    if (!percorso_creato(s)) return 0;
    const std::int32_t prima = r.errore_numero;
    const std::int32_t posizione_prima = r.errore_posizione;
    passata_finale(s);
    if (r.errore_numero != prima && !m.recupero) {
        // A status of the finishing pass lies in no description: the report keeps its metres only.
        r.errore_descrizione = descrizione::nessuna;
        r.errore_metri = r.errore_posizione;
        r.errore_motivo.clear();
    }
    if (r.errore_numero != prima || (r.errore_numero >= stati::finitura_segnale &&
                                     r.errore_numero <= stati::finitura_zona && r.errore_posizione != posizione_prima)) {
        const std::int64_t k = r.errore_posizione / 50;
        const luogo* l = luogo_di_cella(m, k);
        // A board inside a slowdown's zone is the slowdown's: the nearest start before the cell.
        for (std::int64_t c = k; !l && c >= 0 && c > k - 4000; --c) {
            const luogo* q = luogo_di_cella(m, c);
            if (q && std::string(q->cosa) == "slowdown start") l = q;
        }
        const voce_stato* v = cerca_stato(r.errore_numero);
        const std::string messaggio = std::string("the finishing pass finds ") +
                                      (v ? v->significato : "no free cell") + " at route cell " + decimale(k);
        stato_dopo_lettura(m, l, messaggio, r.errore_numero, r.errore_posizione).nota =
            "the pass places speed boards of 180 km/h around slowdowns on free cells; keep the cells before the "
            "slowdown and its signals free";
    }
    const std::int32_t fatale = applica_timbri(s);
    if (fatale != 0) {
        const luogo* l = luogo_di_cella(m, 1);
        const std::string messaggio = std::string(l ? l->cosa : "an item") +
                                      " in route cell 1, whose values are reserved for the build marks: fatal error " +
                                      decimale(fatale);
        stato_dopo_lettura(m, l, messaggio, fatale, 50).nota =
            "route cell 1 covers 0 to 50 m (25 to 75 m for speed boards); the compile stops and writes no file";
    }
    return fatale;
}

struct passata {
    std::int32_t fatale = 0;
    std::vector<rilievo> out;
    std::array<std::array<int, 3>, 2> non_elencati{};
    std::vector<campo_letto> campi_linea, campi_servizio;
};

// Room for every field the text can hold (one per comma or line end, and one more): the list
// never grows by copying. The room not used is never touched, so it costs no memory.
void riserva_campi(sorgente& src, const opzioni_analisi& o) {
    if (!tiene_campi(src, o)) return;
    std::size_t n = 1;
    for (char c : *src.t) n += c == ',' || c == '\n' || c == '\r';
    src.campi.reserve(n);
}

// A description's text, as the walk reads it.
void apri(sorgente& src, const std::string& t, quale_file f, const opzioni_analisi& o) {
    src.t = &t;
    src.f = f;
    src.righe = inizi_righe(t);
    riserva_campi(src, o);
}

// Each description read from its source; the line says whether the service is read next.
bool cammina_linea(motore& m, sorgente& sl) {
    m.src = &sl;
    m.src_linea = &sl;
    return leggi_linea_d(m);
}

void cammina_servizio(motore& m, sorgente& ss) {
    m.src = &ss;
    m.servizio_letto = !m.recupero;  // read by the compile
    leggi_servizio_d(m);
}

// The options of the compile's own walk: the plan as the records ask for it, no field kept.
opzioni_analisi opzioni_della_compilazione(const stato_build& s) {
    opzioni_analisi o;
    o.piano = s.genera_linea;
    o.campi = false;
    return o;
}

// The exact walk that goes on past the compile's stops: one reading of each text reports every
// finding and leaves the compile's records.
passata cammina(const std::string* linea, const std::string* servizio, const opzioni_analisi& o) {
    motore m(o);
    m.prosegue = true;
    sorgente sl, ss;
    bool leggi_servizio = true;
    if (linea) {
        apri(sl, *linea, quale_file::linea, o);
        leggi_servizio = cammina_linea(m, sl);
    }
    if (servizio) {
        apri(ss, *servizio, quale_file::servizio, o);
        const bool fermo_in_linea = m.compilato && m.compilato->in_linea;
        if (!leggi_servizio || fermo_in_linea) {
            // Told as the exact walk's, also when the walk went on past the line's stop.
            const bool recupero_ora = m.recupero;
            m.recupero = false;
            rilievo& d = nuova_su_file(m, gravita::errore, quale_file::servizio,
                                       "the service description is not read: the line's reading stopped");
            d.nota = "the reading of both descriptions ends at the line's status; no station, signal or profile "
                     "reaches the compiled files";
            m.recupero = recupero_ora;
        }
        if (leggi_servizio || m.recupero) cammina_servizio(m, ss);
    }
    // Past the exact walk's stop the records went on with the walk: the compile's are those it stopped with.
    if (m.compilato) {
        *m.s = std::move(m.compilato->s);
        m.luogo_cella = std::move(m.compilato->luogo_cella);
        m.luoghi = std::move(m.compilato->luoghi);
        m.recupero = false;
    }
    std::int32_t fatale = 0;
    if (linea) fatale = passata_e_timbri(m);
    scritto_fine(m.scritto, *m.s, m.fermo_linea, m.fermo_servizio, linea, servizio);
    consegna_pronti(m);
    passata p;
    p.fatale = fatale;
    p.out = std::move(m.out);
    p.non_elencati = m.non_elencati;
    p.campi_linea = std::move(sl.campi);
    p.campi_servizio = std::move(ss.campi);
    return p;
}

}  // namespace

std::string_view parola_chiave_di(const campo_letto& c) {
    if (c.voce == 0) return {};
    return voce_di(static_cast<chiave_voce>(c.voce - 1)).nome;
}

std::string_view nome_di(const campo_letto& c) {
    if (c.voce == 0 || c.indice == 0) return {};
    const voce& v = voce_di(static_cast<chiave_voce>(c.voce - 1));
    return c.indice <= v.campi.size() ? v.campi[c.indice - 1u].nome : std::string_view{};
}

bool e_intestazione(std::string_view campo) {
    while (!campo.empty() && bianco(campo.back())) campo.remove_suffix(1);
    return campo.size() > 2 && campo.front() == '[' && campo.back() == ']';
}

// After the limit, a description's findings are told as one note at the end of its list.
void limita_elenco(analisi& a, const std::array<std::array<int, 3>, 2>& non_elencati) {
    std::array<std::array<int, 3>, 2> fuori = non_elencati;
    std::array<std::size_t, 2> elencati{};
    std::vector<rilievo> tenuti;
    tenuti.reserve(std::min(a.diagnostiche.size(), 2 * rilievi_elencati_per_file));
    for (rilievo& d : a.diagnostiche) {
        const std::size_t f = indice_file(d.file);
        if (elencati[f] >= rilievi_elencati_per_file) {
            ++fuori[f][static_cast<std::size_t>(d.severita)];
            continue;
        }
        ++elencati[f];
        tenuti.push_back(std::move(d));
    }
    a.diagnostiche = std::move(tenuti);
    for (const rilievo& d : a.diagnostiche) {
        if (d.severita == gravita::errore) ++a.errori;
        if (d.severita == gravita::avviso) ++a.avvisi;
    }
    for (quale_file file : {quale_file::linea, quale_file::servizio}) {
        const auto& n = fuori[indice_file(file)];
        a.errori += n[static_cast<std::size_t>(gravita::errore)];
        a.avvisi += n[static_cast<std::size_t>(gravita::avviso)];
        const int tutti = n[0] + n[1] + n[2];
        if (tutti == 0) continue;
        rilievo d;
        d.severita = gravita::nota;
        d.file = file;
        d.messaggio = std::to_string(tutti) + " more finding" + (tutti == 1 ? "" : "s") + " in this description (" +
                      std::to_string(n[0]) + " error" + (n[0] == 1 ? "" : "s") + ", " + std::to_string(n[1]) +
                      " warning" + (n[1] == 1 ? "" : "s") + ") not listed";
        d.nota = "a description's first " + std::to_string(rilievi_elencati_per_file) +
                 " findings are listed; mend them and check again for the rest";
        a.diagnostiche.push_back(std::move(d));
    }
}

analisi analizza(const std::string* linea, const std::string* servizio, const opzioni_analisi& o) {
    passata esatta = cammina(linea, servizio, o);
    analisi a;
    a.fatale = esatta.fatale;
    a.diagnostiche = std::move(esatta.out);
    a.campi_linea = std::move(esatta.campi_linea);
    a.campi_servizio = std::move(esatta.campi_servizio);
    // A text in UTF-16 reads as one without any section: say why, above what the walk found.
    for (auto [t, f] : {std::pair{linea, quale_file::linea}, std::pair{servizio, quale_file::servizio}}) {
        if (!t) continue;
        const std::optional<std::string> utf16 = testo_utf16(*t);
        if (!utf16) continue;
        rilievo d;
        d.file = f;
        d.messaggio = *utf16;
        d.nota = rimedio_utf16;
        a.diagnostiche.insert(a.diagnostiche.begin(), std::move(d));
    }
    std::stable_sort(a.diagnostiche.begin(), a.diagnostiche.end(), [](const rilievo& x, const rilievo& y) {
        if (x.file != y.file) return x.file == quale_file::linea;
        if (x.riga != y.riga) return x.riga < y.riga;
        return x.colonna < y.colonna;
    });
    limita_elenco(a, esatta.non_elencati);
    return a;
}

esito_lettura leggi_descrizioni(stato_build& s, const std::string& linea, const std::string* servizio) {
    opzioni_analisi o = opzioni_della_compilazione(s);
    o.registri = &s;
    motore m(o);
    sorgente sl, ss;
    apri(sl, linea, quale_file::linea, o);
    if (cammina_linea(m, sl)) {
        if (!servizio) {
            // The service file could not be read: the reading fails at its start.
            registra_stato_in(*m.s, descrizione::servizio, {}, stati::lettura_fallita);
        } else {
            apri(ss, *servizio, quale_file::servizio, o);
            cammina_servizio(m, ss);
        }
    }
    esito_lettura e;
    e.fatale = passata_e_timbri(m);
    e.servizio_letto = m.servizio_letto;
    return e;
}

bool leggi_linea(stato_build& s, const std::string& testo, std::int32_t& contatore_cartelli) {
    const opzioni_analisi o = opzioni_della_compilazione(s);
    motore m(o, &s);
    sorgente sl;
    apri(sl, testo, quale_file::linea, o);
    const bool continua = cammina_linea(m, sl);
    contatore_cartelli = m.contatore_cartelli;
    return continua;
}

void leggi_servizio(stato_build& s, const std::string& testo, std::int32_t contatore_cartelli) {
    const opzioni_analisi o = opzioni_della_compilazione(s);
    motore m(o, &s);
    m.contatore_cartelli = contatore_cartelli;
    sorgente ss;
    apri(ss, testo, quale_file::servizio, o);
    cammina_servizio(m, ss);
}
