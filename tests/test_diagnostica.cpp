// The diagnostics engine against the compile: whenever the compile records a status, check
// reports an error carrying it at the same file and line; when it records none, no error of
// check carries one. Then the engine's findings for a table of author mistakes.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "bench/scenario_generato.hpp"
#include "core/stati.hpp"
#include "diagnostics/diagnostica.hpp"
#include "harness/compila_in_memoria.hpp"
#include "tests/leggi_file.hpp"
#include "tests/ambiente.hpp"

namespace {

std::string descrivi(const analisi& a) {
    std::string r;
    for (const rilievo& d : a.diagnostiche)
        r += std::string(d.file == quale_file::linea ? "linea" : "servizio") + ":" + std::to_string(d.riga) + ":" +
             std::to_string(d.colonna) + " " + (d.severita == gravita::errore ? "error" : "warning") + " [" +
             std::to_string(d.stato) + "] " + d.messaggio + "\n";
    return r;
}

// The agreement property for one pair of descriptions; returns an explanation when it fails.
std::string accordo(const std::string& linea, const std::string& servizio, bool piano) {
    stato_build s;
    s.scenario = "Sorvanta";
    s.treno = "E48027";
    const descrizioni d = descrizioni_in_memoria("linea", linea, "servizio", servizio);
    std::int32_t fatale = 0;
    try {
        fatale = compila(s, {.piano = piano}, d);
    } catch (const errore_esecuzione&) {
    }
    opzioni_analisi o;
    o.piano = piano;
    const analisi a = analizza(&linea, &servizio, o);
    auto stesso_luogo = [&](const rilievo& r) {
        switch (s.resoconto.errore_descrizione) {
            case descrizione::linea: return r.file == quale_file::linea && r.riga == s.resoconto.errore_riga;
            case descrizione::servizio: return r.file == quale_file::servizio && r.riga == s.resoconto.errore_riga;
            case descrizione::nessuna: break;
        }
        return true;
    };
    // The metres of the entry, when the status names them, and the column: the compile records a
    // status at the entry's keyword, so the finding lies there or at a field after it (a failed
    // reading lies at the field being read, or at the entry whose tail fails: either side).
    const voce_stato* vs = cerca_stato(s.resoconto.errore_numero);
    auto stessi_metri = [&](const rilievo& r) {
        return !vs || !vs->con_posizione || s.resoconto.errore_descrizione == descrizione::nessuna ||
               (r.posizione_m && *r.posizione_m == s.resoconto.errore_metri);
    };
    auto stessa_colonna = [&](const rilievo& r) {
        if (s.resoconto.errore_descrizione == descrizione::nessuna || s.resoconto.errore_riga == 0 || r.riga != s.resoconto.errore_riga) return true;
        return s.resoconto.errore_numero == stati::lettura_fallita || r.colonna >= s.resoconto.errore_colonna;
    };
    std::string errore;
    if (s.resoconto.errore_numero != 0) {
        bool trovato = false;
        for (const rilievo& r : a.diagnostiche)
            trovato = trovato || (r.severita == gravita::errore && r.stato == s.resoconto.errore_numero && stesso_luogo(r) &&
                                  stessi_metri(r) && stessa_colonna(r));
        if (!trovato)
            errore = "the compile records status " + std::to_string(s.resoconto.errore_numero) + " at " +
                     (s.resoconto.errore_descrizione == descrizione::linea      ? "linea"
                      : s.resoconto.errore_descrizione == descrizione::servizio ? "servizio"
                                                                      : "the pass") +
                     ":" + std::to_string(s.resoconto.errore_riga) + "; check says:\n" + descrivi(a);
    } else {
        for (const rilievo& r : a.diagnostiche)
            if (r.stato != 0 && r.stato != fatale)
                errore = "the compile records no status; check says:\n" + descrivi(a);
    }
    if (fatale != 0) {
        bool trovato = false;
        for (const rilievo& r : a.diagnostiche) trovato = trovato || r.stato == fatale;
        if (!trovato) errore += "the compile stops with " + std::to_string(fatale) + "; check says:\n" + descrivi(a);
    }
    return errore;
}

std::vector<std::filesystem::path> file_in(const char* genere) {
    std::vector<std::filesystem::path> file;
    for (const char* cartella : {"corpus", "regressions"}) {
        const auto p = std::filesystem::path(GS_SOURCE_DIR) / "fuzz" / cartella / genere;
        if (!std::filesystem::exists(p)) continue;
        for (const auto& f : std::filesystem::directory_iterator(p))
            if (f.is_regular_file() && f.path().filename().string()[0] != '.') file.push_back(f.path());
    }
    return file;
}

// Small edits of the kind an author makes: a digit changed, a field or a comma lost, a line
// repeated or dropped, a number made large.
std::string muta(const std::string& t, std::mt19937& g) {
    std::string r = t;
    if (r.empty()) return r;
    auto a_caso = [&](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(g); };
    const std::size_t scelta = a_caso(9);
    const std::size_t i = a_caso(r.size());
    switch (scelta) {
        case 0:
            if (r[i] >= '0' && r[i] <= '9') r[i] = static_cast<char>('0' + a_caso(10));
            else r.insert(i, 1, static_cast<char>('0' + a_caso(10)));
            break;
        case 1: {
            const std::size_t c = r.find(',', i);
            if (c != std::string::npos) r.erase(c, 1);
            break;
        }
        case 2: {
            const std::size_t a = r.rfind('\n', i);
            const std::size_t b = r.find('\n', i);
            if (a != std::string::npos && b != std::string::npos) r.insert(b + 1, r.substr(a + 1, b - a));
            break;
        }
        case 3: {
            const std::size_t a = r.rfind('\n', i);
            const std::size_t b = r.find('\n', i);
            if (a != std::string::npos && b != std::string::npos) r.erase(a + 1, b - a);
            break;
        }
        case 4: {
            const std::size_t c = r.find(',', i);
            if (c != std::string::npos) r.insert(c + 1, " 99999");
            break;
        }
        case 5: {
            const std::size_t c = r.find(',', i);
            if (c != std::string::npos) r.insert(c + 1, a_caso(2) ? " -70000" : " 3000000000");
            break;
        }
        case 6: r.erase(i, std::min<std::size_t>(r.size() - i, a_caso(12))); break;
        case 7: {
            const char* voci[] = {"segnale, 1450, 2, 2, 5, 6, 1, 2, 2,1,0, 0\r\n", "abbattimento, 60, 80\r\n",
                                  "rallentamento, 5000, 60, 400, 1, 1, 30\r\n", "cartello_indicatore, 1450, (X)\r\n",
                                  "stazione, 2050, 12, 300, 0, 0, 0, 1,1,0, 4,1,1, 0, 0,0,0, A\r\n",
                                  "pendenza, 300, 400\r\n", "velocita, 700, 1300\r\n", "\"quoted, text\r\n"};
            const std::size_t b = r.find('\n', i);
            if (b != std::string::npos) r.insert(b + 1, voci[a_caso(8)]);
            break;
        }
        case 8: r[i] = "-,\" \r\n[]"[a_caso(8)]; break;
    }
    return r;
}

// The pairs the agreement properties start from: the built-in and example pairs, the fuzz corpus's
// lines and services beside the built-in ones, and two generated pairs.
std::vector<std::pair<std::string, std::string>> coppie_di_base() {
    std::vector<std::pair<std::string, std::string>> coppie;
    coppie.emplace_back(linea_incorporata(), servizio_incorporato());
    coppie.emplace_back(leggi_file(std::filesystem::path(GS_SOURCE_DIR) / "examples/Sorvanta_linea.txt"),
                        leggi_file(std::filesystem::path(GS_SOURCE_DIR) / "examples/Sorvanta_E48027-.txt"));
    for (const auto& p : file_in("linea")) {
        std::string t = leggi_file(p);
        chiede_piano(t);
        coppie.emplace_back(t, servizio_incorporato());
    }
    for (const auto& p : file_in("servizio")) {
        std::string t = leggi_file(p);
        chiede_piano(t);
        coppie.emplace_back(linea_incorporata(), t);
    }
    for (std::int64_t lunghezza : {20000, 100000}) {
        const descrizioni_generate g = genera_descrizioni(lunghezza);
        coppie.emplace_back(g.linea, g.servizio);
    }
    return coppie;
}

// Pair k % the bases' count with 1 to 4 edits, in the line, the service or both.
std::pair<std::string, std::string> modificata(const std::vector<std::pair<std::string, std::string>>& coppie, int k,
                                               std::mt19937& g) {
    const auto& [linea, servizio] = coppie[static_cast<std::size_t>(k) % coppie.size()];
    std::string l = linea, s = servizio;
    const int quali = k % 3;
    for (int n = 0; n < 1 + k % 4; ++n) {
        if (quali != 1) l = muta(l, g);
        if (quali != 0) s = muta(s, g);
    }
    return {l, s};
}

// Where the records of the findings walk (analizza, as compile takes them) differ from those of the
// build's walk (compila); empty when they agree: the walk that goes on past a stop never touches
// the records the compile writes.
std::string registri_diversi(const std::string& linea, const std::string& servizio, bool piano) {
    stato_build s;
    s.scenario = "Sorvanta";
    s.treno = "E48027";
    const descrizioni d = descrizioni_in_memoria("linea", linea, "servizio", servizio);
    try {
        compila(s, {.piano = piano}, d);
    } catch (const errore_esecuzione&) {
    }
    stato_build w;
    w.scenario = s.scenario;
    w.treno = s.treno;
    opzioni_analisi o;
    o.piano = piano;
    o.campi = false;
    o.registri = &w;
    analizza(&linea, &servizio, o);
    std::string r;
    auto uguali_celle = [](const cella& a, const cella& b) {
        return a.tipo_cella == b.tipo_cella && a.valore1 == b.valore1 && a.valore2 == b.valore2 &&
               a.valore3 == b.valore3 && a.valore4 == b.valore4 && a.tempo_segnale == b.tempo_segnale &&
               a.preavviso == b.preavviso && a.montagna == b.montagna && a.velocita_limite == b.velocita_limite &&
               a.pendenza == b.pendenza && a.aderenza == b.aderenza;
    };
    if (s.percorso.size() != w.percorso.size()) {
        r += "route sizes " + std::to_string(s.percorso.size()) + " vs " + std::to_string(w.percorso.size()) + "\n";
    } else {
        for (std::size_t k = 0; k < s.percorso.size(); ++k)
            if (!uguali_celle(s.percorso[k], w.percorso[k])) {
                const cella& a = s.percorso[k];
                const cella& b = w.percorso[k];
                r += "cell " + std::to_string(k) + ": type " + std::to_string(a.tipo_cella) + "/" +
                     std::to_string(b.tipo_cella) + " v1 " + std::to_string(a.valore1) + "/" + std::to_string(b.valore1) +
                     " pre " + std::to_string(a.preavviso) + "/" + std::to_string(b.preavviso) + " speed " +
                     std::to_string(a.velocita_limite) + "/" + std::to_string(b.velocita_limite) + " grad " +
                     std::to_string(a.pendenza) + "/" + std::to_string(b.pendenza) + " adh " +
                     std::to_string(a.aderenza) + "/" + std::to_string(b.aderenza) + " mont " +
                     std::to_string(a.montagna) + "/" + std::to_string(b.montagna) + "\n";
                break;
            }
    }
    for (std::size_t i = 0; i < s.servizio.size(); ++i) {
        const slot_servizio& a = s.servizio[i];
        const slot_servizio& b = w.servizio[i];
        if (i == slot_scenario || i == slot_treno) {
            if (a.inizio != b.inizio || a.fine != b.fine || a.posizione != b.posizione || a.campo7 != b.campo7 ||
                a.campo10 != b.campo10 || a.campo11 != b.campo11 || a.campo12 != b.campo12)
                r += "slot " + std::to_string(i) + " differs\n";
            continue;
        }
        if (a.tipo_stazione != b.tipo_stazione || a.inizio != b.inizio || a.fine != b.fine ||
            a.posizione != b.posizione || a.campo4 != b.campo4 || a.nome != b.nome || a.campo7 != b.campo7 ||
            a.campo8 != b.campo8 || a.campo10 != b.campo10 || a.campo11 != b.campo11 || a.campo12 != b.campo12 ||
            a.campo9 != b.campo9 || a.sosta != b.sosta || a.campo6 != b.campo6 || a.campo5 != b.campo5 ||
            a.orario != b.orario)
            r += "slot " + std::to_string(i) + " differs\n";
    }
    if (s.n_montagne != w.n_montagne || s.inizi_montagna != w.inizi_montagna || s.fini_montagna != w.fini_montagna)
        r += "mountains differ\n";
    if (s.linea.estensione != w.linea.estensione || s.linea.seminata != w.linea.seminata ||
        s.linea.metro != w.linea.metro || s.linea.tratti.size() != w.linea.tratti.size() ||
        !std::equal(s.linea.tratti.begin(), s.linea.tratti.end(), w.linea.tratti.begin(),
                    [](const tratto_linea& a, const tratto_linea& b) {
                        return a.fino == b.fino && a.curva == b.curva && a.k == b.k;
                    }))
        r += "plans differ: metro " + std::to_string(s.linea.metro) + "/" + std::to_string(w.linea.metro) + "\n";
    const resoconto_build& rs = s.resoconto;
    const resoconto_build& rw = w.resoconto;
    if (rs.errore_descrizione != rw.errore_descrizione || rs.errore_riga != rw.errore_riga ||
        rs.errore_colonna != rw.errore_colonna || rs.errore_metri != rw.errore_metri || rs.errore_motivo != rw.errore_motivo)
        r += "report " + std::to_string(rs.errore_riga) + ":" + std::to_string(rs.errore_colonna) + " " +
             std::to_string(rs.errore_metri) + " m \"" + rs.errore_motivo + "\" vs " + std::to_string(rw.errore_riga) + ":" +
             std::to_string(rw.errore_colonna) + " " + std::to_string(rw.errore_metri) + " m \"" + rw.errore_motivo + "\"\n";
    if (rs.errore_numero != rw.errore_numero || rs.errore_posizione != rw.errore_posizione)
        r += "status " + std::to_string(rs.errore_numero) + "@" + std::to_string(rs.errore_posizione) + " vs " +
             std::to_string(rw.errore_numero) + "@" + std::to_string(rw.errore_posizione) + "\n";
    return r;
}

// GS_CASI and GS_SEME run more edited pairs, or other ones, by hand.
TEST(Diagnostics, FindingsAndBuildKeepTheSameRecords) {
    const std::vector<std::pair<std::string, std::string>> coppie = coppie_di_base();
    int diverse = 0;
    for (const auto& [linea, servizio] : coppie) {
        const std::string e = registri_diversi(linea, servizio, numeri_piccoli(linea));
        if (!e.empty() && ++diverse <= 3) ADD_FAILURE() << e << linea.substr(0, 300) << "\n---\n" << servizio.substr(0, 300);
    }
    std::mt19937 g(std::getenv("GS_SEME") ? static_cast<unsigned>(std::atoi(std::getenv("GS_SEME"))) : 15u);
    const int casi = std::getenv("GS_CASI") ? std::atoi(std::getenv("GS_CASI")) : con_sanitizzatori() ? 400 : 1200;
    for (int k = 0; k < casi; ++k) {
        const auto [l, s] = modificata(coppie, k, g);
        const bool piano = k % 2 == 0 && numeri_piccoli(l);
        const std::string e = registri_diversi(l, s, piano);
        if (!e.empty() && ++diverse <= 40) ADD_FAILURE() << e << "\n=== line\n" << l << "\n=== service\n" << s;
    }
    EXPECT_EQ(diverse, 0) << "of " << coppie.size() + static_cast<std::size_t>(casi);
}

TEST(Diagnostics, AgreeWithTheCompile) {
    const std::vector<std::pair<std::string, std::string>> coppie = coppie_di_base();
    for (const auto& [linea, servizio] : coppie) {
        const bool piano = numeri_piccoli(linea);
        EXPECT_EQ(accordo(linea, servizio, piano), "") << linea.substr(0, 200) << "\n---\n" << servizio.substr(0, 200);
    }
    // Each pair again with edits, one file at a time or both.
    std::mt19937 g(15);
    int fallite = 0;
    const int casi = con_sanitizzatori() ? 400 : 1200;
    for (int k = 0; k < casi && fallite < 5; ++k) {
        const auto [l, s] = modificata(coppie, k, g);
        const bool piano = k % 2 == 0 && numeri_piccoli(l);
        const std::string e = accordo(l, s, piano);
        if (!e.empty()) {
            ++fallite;
            ADD_FAILURE() << e << "\n=== line\n" << l << "\n=== service\n" << s;
        }
    }
}

}  // namespace

namespace {

const std::string linea_base =
    "[generale]\r\n"
    "lunghezza percorso,    12000\r\n"
    "progressiva chilometrica uno,    0,    150300,    1\r\n"
    "ripetizione segnali 4 codici,    0,    10000\r\n"
    "[curve]\r\n"
    "curvas6,  350,  100\r\n"
    "[pendenze]\r\n"
    "pendenza,   0,    0\r\n"
    "pendenza,   5000,    4\r\n"
    "[montagne]\r\n"
    "montagna,  1000,  2000,  12\r\n"
    "[cartelli]\r\n"
    "indicatori_vmax,  700,  95,  100,  105,  0,  ,  ,  ,  0\r\n"
    "[indicazioni]\r\n"
    "cartello_indicatore,  450,   (P.L.)(Km 1)\r\n"
    "[fine]\r\n";

const std::string servizio_base =
    "[generale]\r\n"
    "numero vetture,    6\r\n"
    "sabbia,    300\r\n"
    "orologio,    10 14 20\r\n"
    "aderenza,   0,    100\r\n"
    "velocita,   0,    80\r\n"
    "[stazioni]\r\n"
    "stazione,       0,  8,  300,  1, 0, 0,  5,6,0,  2,1,1,    1,  10,15, 0, ORIGINE\r\n"
    "stazione,    6000,  12,  300,  0, 0, 0,  5,6,0,  2,1,1,    0,  10,25, 0, ARRIVO\r\n"
    "[segnali]\r\n"
    "segnale,    1450,   2, 2, 5,  6, 1,    2,  2,1,0, 0\r\n"
    "[fine]\r\n";

// One author mistake: a text replaced in one description, and the finding expected.
struct errore_autore {
    const char* nome;
    quale_file file;
    const char* da;  // replaced, first occurrence
    const char* a;
    gravita severita;
    int riga;             // 0: the whole file
    const char* accanto;  // the finding's column is where this text starts on its line; "" for column 1
    std::int32_t stato;
    bool nell_altro = false;  // the finding is in the other description
};

void PrintTo(const errore_autore& e, std::ostream* os) { *os << e.nome; }

std::string sostituisci(std::string t, const std::string& da, const std::string& a) {
    const std::size_t i = t.find(da);
    EXPECT_NE(i, std::string::npos) << da;
    if (i != std::string::npos) t.replace(i, da.size(), a);
    return t;
}

int colonna_attesa(const std::string& t, int riga, const std::string& accanto) {
    if (riga == 0) return 0;
    std::size_t a = 0;
    for (int r = 1; r < riga; ++r) a = t.find('\n', a) + 1;
    if (accanto.empty()) return 1;
    const std::size_t i = t.find(accanto, a);
    return static_cast<int>(i - a) + 1;
}

constexpr quale_file L = quale_file::linea;
constexpr quale_file S = quale_file::servizio;
constexpr gravita E = gravita::errore;
constexpr gravita W = gravita::avviso;

// A sign text one byte longer than its 16-bit length can hold.
const std::string testo_troppo_lungo = "(" + std::string(65534, 'x') + ")";

class AuthorMistakes : public ::testing::TestWithParam<errore_autore> {};

TEST_P(AuthorMistakes, OneFindingInTheRightPlace) {
    const errore_autore& e = GetParam();
    const std::string linea = e.file == quale_file::linea ? sostituisci(linea_base, e.da, e.a) : linea_base;
    const std::string servizio = e.file == quale_file::servizio ? sostituisci(servizio_base, e.da, e.a) : servizio_base;
    const analisi a = analizza(&linea, &servizio);
    const quale_file dove = e.nell_altro ? (e.file == L ? S : L) : e.file;
    const int colonna = colonna_attesa(dove == quale_file::linea ? linea : servizio, e.riga, e.accanto);
    bool trovato = false;
    for (const rilievo& r : a.diagnostiche)
        trovato = trovato || (r.file == dove && r.severita == e.severita && r.riga == e.riga &&
                              r.colonna == colonna && r.stato == e.stato);
    EXPECT_TRUE(trovato) << "expected " << (e.severita == gravita::errore ? "an error" : "a warning") << " at "
                         << e.riga << ":" << colonna << " status " << e.stato << "; found:\n" << descrivi(a);
    EXPECT_EQ(accordo(linea, servizio, true), "");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AuthorMistakes,
    ::testing::Values(
        errore_autore{"MisspelledLineKeyword", L, "lunghezza percorso", "lunghezza percoso", E, 2, "", 0},
        errore_autore{"NoRouteLength", L, "lunghezza percorso", "lunghezza percoso", E, 5, "", 25},
        errore_autore{"MisspelledGradient", L, "pendenza,   5000", "pendenxa,   5000", E, 9, "", 0},
        errore_autore{"MisspelledStation", S, "stazione,    6000", "stazoine,    6000", E, 9, "", 0},
        errore_autore{"PluralSignalKeyword", S, "segnale,", "segnali,", E, 11, "", 0},
        errore_autore{"GradientWraps", L, "pendenza,   0,    0", "pendenza,   0,    200", E, 8, "200", 0},
        errore_autore{"LastGradientOutOfRange", L, "pendenza,   5000,    4", "pendenza,   5000,    200", E, 9, "200", 25},
        errore_autore{"AdhesionWraps", S, "aderenza,   0,    100", "aderenza,   0,    300", E, 5, "300", 0},
        errore_autore{"SignalTimeWraps", S, "2,1,0, 0\r\n", "2,1,0, 300\r\n", E, 11, "300", 0},
        errore_autore{"StripesWrap", L, "105,  0,", "105,  4000,", E, 13, "4000", 0},
        errore_autore{"MissingField", L, ",  ,  ,  0\r\n", ",  ,  \r\n", E, 13, "", 0},
        errore_autore{"ExtraField", S, "sabbia,    300", "sabbia,    300, 5", W, 3, "5", 0},
        errore_autore{"OverlappingCurves", L, "curvas6,  350,  100\r\n", "curvas6,  350,  100\r\ncurvad4,  400,  100\r\n",
                      W, 7, "400", 0},
        errore_autore{"ReversedMountain", L, "montagna,  1000,  2000", "montagna,  3000,  2000", E, 11, "2000", 0},
        errore_autore{"GradientsOutOfOrder", L, "pendenza,   5000,    4\r\n",
                      "pendenza,   5000,    4\r\npendenza,   3000,    2\r\n", W, 10, "3000", 0},
        errore_autore{"SpeedsOutOfOrder", S, "velocita,   0,    80\r\n",
                      "velocita,   2000,    80\r\nvelocita,   1000,    60\r\n", W, 7, "1000", 0},
        errore_autore{"StationBeyondTheLine", S, "stazione,    6000", "stazione,    12500", W, 9, "12500", 0},
        errore_autore{"OverlappingStations", S, "stazione,    6000", "stazione,    300", E, 9, "300", 22},
        errore_autore{"StationNotAMultiple", S, "stazione,    6000", "stazione,    6020", E, 9, "6020", 8},
        errore_autore{"CommaInTheName", S, "ARRIVO", "ARRIVO, NORD", W, 9, "ARRIVO", 0},
        errore_autore{"Utf8", S, "ARRIVO", "CITT\xc3\x80", W, 9, "CITT", 0},
        errore_autore{"DecimalPoint", S, "velocita,   0,    80", "velocita,   0,    80.5", E, 6, "80.5", 0},
        errore_autore{"ThousandsSeparator", S, "stazione,    6000", "stazione,    6.000", E, 9, "6.000", 0},
        errore_autore{"UnclosedQuote", L, "(P.L.)(Km 1)", "\"(P.L.)(Km 1)", E, 15, "\"", 25},
        errore_autore{"UnclosedQuoteInTheName", S, "ARRIVO", "\"ARRIVO", E, 9, "\"", 25},
        errore_autore{"SignTextTooLong", L, "(P.L.)(Km 1)", testo_troppo_lungo.c_str(), E, 15, "(", 25},
        errore_autore{"ChainageNotAMultiple", L, "150300", "150320", E, 3, "150320", 2},
        errore_autore{"ChainageBeyond32Bits", L, "150300", "2147483600", E, 3, "", 25},
        // The position slides onto the next line: the status stays with the entry's keyword.
        errore_autore{"SignEntryBrokenOverTwoLines", L, "[fine]", "cartello_indicatore\r\n460,   (X)\r\n[fine]", E, 16, "", 6},
        errore_autore{"EmptyLine", S, "sabbia,    300\r\n", "sabbia,    300\r\n\r\n", W, 4, "", 0},
        errore_autore{"NoEndHeader", S, "[fine]", "[codici]", W, 12, "", 0},
        errore_autore{"LastLineIsAnEntry", S, "[fine]", "sabbia", E, 12, "", 0},
        errore_autore{"ServiceWithoutGeneralBlock", S, "[generale]\r\n", "", E, 0, "", 0},
        errore_autore{"CurveWithoutClass", L, "curvas6", "curvas7", E, 6, "", 103},
        errore_autore{"ServiceNotRead", L, "curvas6", "curvas7", E, 0, "", 0, true},
        errore_autore{"SignOnATakenCell", L, "[fine]", "cartello_indicatore,  460,   (X)\r\n[fine]", E, 16,
                      "460", 6},
        errore_autore{"BeyondTheRoute", L, "pendenza,   5000", "pendenza,   100000", E, 9, "100000", 15},
        errore_autore{"ReadingStoppedByStatus15", L, "pendenza,   5000", "pendenza,   100000", E, 11, "1450", 0,
                      true},
        errore_autore{"NumberTooLarge", S, "numero vetture,    6", "numero vetture,    3000000000", E, 2,
                      "3000000000", 25},
        errore_autore{"SandBeyond16Bits", S, "sabbia,    300", "sabbia,    40000", E, 3, "40000", 25}),
    [](const ::testing::TestParamInfo<errore_autore>& i) { return std::string(i.param.nome); });

}  // namespace

#include <nlohmann/json.hpp>

#include "avvia_programma.hpp"
#include "cartella_temporanea.hpp"

namespace {

std::string piu(std::string t, const std::vector<std::pair<std::string, std::string>>& cambi) {
    for (const auto& [da, a] : cambi) t = sostituisci(t, da, a);
    return t;
}

// Errors in both files, one of them stopping the line's reading: every one is reported.
const std::string linea_errata = piu(linea_base, {{"curvas6", "curvas7"},
                                                  {"pendenza,   0,    0", "pendenza,   0,    200"},
                                                  {"105,  0,", "105,  4000,"},
                                                  {"[fine]", "cartello_indicatore,  460,   (X)\r\n[fine]"}});
const std::string servizio_errato = piu(servizio_base, {{"sabbia,    300", "sabbia,    40000"},
                                                        {"aderenza,   0,    100", "aderenza,   0,    300"},
                                                        {"stazione,    6000", "stazione,    6020"},
                                                        {"2,1,0, 0\r\n", "2,1,0, 300\r\n"}});

TEST(Diagnostics, EveryErrorOfBothFiles) {
    const analisi a = analizza(&linea_errata, &servizio_errato);
    const std::vector<std::tuple<quale_file, int, std::int32_t>> attesi = {
        {L, 6, 103}, {L, 8, 0}, {L, 13, 0}, {L, 16, 6}, {S, 0, 0}, {S, 3, 25}, {S, 5, 0}, {S, 9, 8}, {S, 11, 0}};
    for (const auto& [file, riga, stato] : attesi) {
        bool trovato = false;
        for (const rilievo& r : a.diagnostiche)
            trovato = trovato || (r.severita == E && r.file == file && r.riga == riga && r.stato == stato);
        EXPECT_TRUE(trovato) << (file == L ? "line " : "service ") << riga << " status " << stato << "\n" << descrivi(a);
    }
    EXPECT_EQ(a.errori, static_cast<int>(attesi.size())) << descrivi(a);
}

// The kilometre references are checked once the service has been read: a service that stops the
// compile earlier still has them checked, and the one walk reports both.
TEST(Diagnostics, AReferenceCheckedAfterAServiceThatStops) {
    const std::string linea = piu(linea_base, {{"0,    150300,    1", "0,    150310,    1"}});
    const std::string servizio = piu(servizio_base, {{"6000,  12,", "6010,  12,"}});
    const analisi a = analizza(&linea, &servizio);
    const std::vector<std::tuple<quale_file, int, std::int32_t>> attesi = {{L, 3, 2}, {S, 9, 8}};
    for (const auto& [file, riga, stato] : attesi) {
        bool trovato = false;
        for (const rilievo& r : a.diagnostiche)
            trovato = trovato || (r.severita == E && r.file == file && r.riga == riga && r.stato == stato);
        EXPECT_TRUE(trovato) << (file == L ? "line " : "service ") << riga << " status " << stato << "\n" << descrivi(a);
    }
}

// An item beyond the route ends its description's reading, not the compile's, which goes on with
// the gradients' tail and the service: the findings go on through the rest of that description
// from where the compile stopped reading it, each one is told once (the kilometre references,
// checked at the service's end, too), and the records stay the compile's.
TEST(Diagnostics, AnItemBeyondTheRouteEndsOnlyItsDescription) {
    struct caso {
        const char* nome;
        std::string linea, servizio;
        std::vector<std::tuple<quale_file, int, std::int32_t>> attesi;  // every error: file, line, status
    };
    const std::string riferimento_storto = "0,    150310,    1";
    const std::vector<caso> casi = {
        {"InTheLine",
         piu(linea_base, {{"0,    150300,    1", riferimento_storto},
                          {"pendenza,   5000,    4", "pendenza,   50000,    4"},
                          {"cartello_indicatore,  450,", "cartello_indicatore,  4x0,"}}),
         piu(servizio_base, {{"6000,  12,", "6010,  12,"}}),
         {{L, 3, 2}, {L, 9, 15}, {L, 15, 0}, {S, 9, 8}}},
        {"InTheService", piu(linea_base, {{"0,    150300,    1", riferimento_storto}}),
         piu(servizio_base, {{"segnale,    1450,", "segnale,    91450,"},
                             {"[fine]", "velocita,   6x00,    60\r\n[fine]"}}),
         {{L, 3, 2}, {S, 11, 15}, {S, 12, 0}}},
        {"InBoth",
         piu(linea_base, {{"pendenza,   5000,    4", "pendenza,   50000,    4"},
                          {"cartello_indicatore,  450,", "cartello_indicatore,  4x0,"}}),
         piu(servizio_base, {{"stazione,    6000,", "stazione,    18800,"},
                             {"[fine]", "velocita,   6x00,    60\r\n[fine]"}}),
         {{L, 9, 15}, {L, 15, 0}, {S, 9, 15}, {S, 12, 0}}},
    };
    for (const caso& c : casi) {
        SCOPED_TRACE(c.nome);
        const analisi a = analizza(&c.linea, &c.servizio);
        std::set<std::tuple<quale_file, int, int, std::string>> visti;
        for (const rilievo& r : a.diagnostiche)
            EXPECT_TRUE(visti.insert({r.file, r.riga, r.colonna, r.messaggio}).second)
                << "told twice: " << r.riga << ":" << r.colonna << " " << r.messaggio;
        for (const auto& [file, riga, stato] : c.attesi) {
            const auto n = std::count_if(a.diagnostiche.begin(), a.diagnostiche.end(), [&](const rilievo& r) {
                return r.severita == E && r.file == file && r.riga == riga && r.stato == stato;
            });
            EXPECT_EQ(n, 1) << (file == L ? "line " : "service ") << riga << " status " << stato << "\n" << descrivi(a);
        }
        EXPECT_EQ(a.errori, static_cast<int>(c.attesi.size())) << descrivi(a);
        EXPECT_EQ(registri_diversi(c.linea, c.servizio, false), "");
    }
}

esecuzione controlla(const cartella_temporanea& c, const std::string& argomenti) {
    return avvia_in(c.percorso, programma_in_prova(), argomenti);
}

TEST(Diagnostics, CheckOutputsJsonAndSarif) {
    cartella_temporanea c;
    c.scrivi("l.txt", linea_base);
    c.scrivi("s.txt", servizio_base);
    c.scrivi("le.txt", linea_errata);
    c.scrivi("se.txt", servizio_errato);
    c.scrivi("sw.txt", sostituisci(servizio_base, "segnale,", "segnali,"));

    EXPECT_EQ(controlla(c, "check l.txt s.txt").uscita, 0);
    // A mistyped keyword drops its entry: an error.
    const esecuzione avviso = controlla(c, "check l.txt sw.txt");
    EXPECT_EQ(avviso.uscita, 2);
    EXPECT_NE(avviso.uscita_standard.find("sw.txt:11:1: error: unknown keyword \"segnali\""), std::string::npos);
    EXPECT_NE(avviso.uscita_standard.find("note: did you mean \"segnale\"?"), std::string::npos);
    EXPECT_NE(avviso.uscita_standard.find("1 error, 0 warnings\n"), std::string::npos);
    EXPECT_EQ(controlla(c, "check le.txt se.txt").uscita, 2);
    EXPECT_EQ(controlla(c, "check l.txt mancante.txt").uscita, 1);
    EXPECT_EQ(controlla(c, "check l.txt").uscita, 64);
    EXPECT_EQ(controlla(c, "check l.txt s.txt --color=rosso").uscita, 64);

    // Colour only when asked for, or on a terminal without NO_COLOR.
    EXPECT_EQ(controlla(c, "check le.txt se.txt").uscita_standard.find('\x1b'), std::string::npos);
    EXPECT_NE(controlla(c, "check le.txt se.txt --color=always").uscita_standard.find("\x1b[1;31merror:"),
              std::string::npos);

    const esecuzione j = controlla(c, "check le.txt se.txt --json");
    EXPECT_EQ(j.uscita, 2);
    const nlohmann::json doc = nlohmann::json::parse(j.uscita_standard);
    ASSERT_TRUE(doc["diagnostics"].is_array());
    EXPECT_EQ(doc["errors"], 9);
    EXPECT_TRUE(doc["warnings"].is_number_integer());
    bool con_stato = false;
    for (const auto& d : doc["diagnostics"]) {
        for (const char* chiave : {"severity", "file", "line", "column", "message", "field", "status", "position_m"})
            EXPECT_TRUE(d.contains(chiave)) << chiave << " in " << d.dump();
        EXPECT_TRUE(d["severity"] == "error" || d["severity"] == "warning" || d["severity"] == "note");
        EXPECT_TRUE(d["status"].is_null() || d["status"].is_number_integer());
        if (d["status"] == 8) {
            con_stato = true;
            EXPECT_EQ(d["file"], "se.txt");
            EXPECT_EQ(d["line"], 9);
            EXPECT_EQ(d["column"], 14);
            EXPECT_EQ(d["field"], "position");
            EXPECT_EQ(d["position_m"], 6020);
        }
    }
    EXPECT_TRUE(con_stato);

    const esecuzione s = controlla(c, "check le.txt se.txt --sarif");
    EXPECT_EQ(s.uscita, 2);
    const nlohmann::json log = nlohmann::json::parse(s.uscita_standard);
    EXPECT_EQ(log["version"], "2.1.0");
    const auto& run = log["runs"][0];
    EXPECT_EQ(run["tool"]["driver"]["name"], "genera_scenario");
    ASSERT_EQ(run["results"].size(), doc["diagnostics"].size());
    std::set<std::string> regole;
    for (const auto& r : run["tool"]["driver"]["rules"]) regole.insert(r["id"].get<std::string>());
    for (const auto& r : run["results"]) {
        EXPECT_TRUE(regole.count(r["ruleId"].get<std::string>())) << r["ruleId"];
        EXPECT_TRUE(r["level"] == "error" || r["level"] == "warning" || r["level"] == "note");
        EXPECT_TRUE(r["message"]["text"].is_string());
        EXPECT_TRUE(r["ruleId"].is_string());
        const auto& luogo = r["locations"][0]["physicalLocation"];
        EXPECT_TRUE(luogo["artifactLocation"]["uri"] == "le.txt" || luogo["artifactLocation"]["uri"] == "se.txt");
        if (luogo.contains("region")) {
            EXPECT_GE(luogo["region"]["startLine"], 1);
        }
    }
}

TEST(Diagnostics, CompileStrictWritesNothing) {
    cartella_temporanea c;
    c.scrivi("l.txt", linea_base);
    c.scrivi("sw.txt", sostituisci(servizio_base, "sabbia,    300", "sabbia,    300, 5"));
    const esecuzione e = controlla(c, "compile l.txt sw.txt --out o --strict");
    EXPECT_EQ(e.uscita, 1);
    EXPECT_FALSE(c.esiste("o"));
    EXPECT_NE(e.errori.find("warning: too many fields"), std::string::npos);
    // Without --strict a warning does not stop the build.
    EXPECT_EQ(controlla(c, "compile l.txt sw.txt --out o").uscita, 0);
    EXPECT_TRUE(c.esiste("o/Sorvanta_E48027.dat"));
}

}  // namespace

namespace {

// What an editor shows for each field: the entry, the field's index and name, its bytes.
TEST(Diagnostics, FieldsOfEveryLine) {
    const analisi a = analizza(&linea_base, &servizio_base);
    std::vector<campo_letto> riga9;
    for (const campo_letto& c : a.campi_servizio)
        if (c.riga == 9) riga9.push_back(c);
    ASSERT_EQ(riga9.size(), 18u);
    for (std::size_t i = 0; i < riga9.size(); ++i) {
        EXPECT_EQ(parola_chiave_di(riga9[i]), "stazione");
        EXPECT_EQ(riga9[i].indice, static_cast<int>(i));
        EXPECT_EQ(servizio_base.substr(riga9[i].inizio, riga9[i].fine - riga9[i].inizio),
                  valore_di(riga9[i], servizio_base));
    }
    EXPECT_EQ(nome_di(riga9[1]), "position");
    EXPECT_EQ(valore_di(riga9[1], servizio_base), "6000");
    EXPECT_EQ(nome_di(riga9[17]), "name");
    EXPECT_EQ(valore_di(riga9[17], servizio_base), "ARRIVO");
}

}  // namespace
