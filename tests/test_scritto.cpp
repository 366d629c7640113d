// Written against stored: on random descriptions every numeric field the compile stores, keyword by keyword,
// that the records give back other than written is reported at its line, and none where the two agree; a
// point item moved out of its own cell is reported at its line; the built-in scenario, the examples and the
// generated descriptions have nothing to report.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <limits>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "bench/scenario_generato.hpp"
#include "core/celle.hpp"
#include "diagnostics/diagnostica.hpp"
#include "format/codec.hpp"
#include "harness/compila_in_memoria.hpp"
#include "harness/descrizioni_casuali.hpp"
#include "tests/ambiente.hpp"
#include "tests/leggi_file.hpp"

namespace {

std::string elenco(const analisi& a) {
    std::string r;
    for (const rilievo& d : a.diagnostiche)
        r += std::string(d.file == quale_file::linea ? "line:" : "service:") + std::to_string(d.riga) + " " +
             d.messaggio + "\n";
    return r;
}

// A pair's findings with the records the compile leaves, when it applies the pair in full: nothing
// when it records a status or builds no route. `opzioni` chooses the plan and the fields kept.
struct applicata {
    analisi a;
    stato_build b;
};
std::optional<applicata> analizza_applicata(const std::string& linea, const std::string& servizio,
                                            opzioni_analisi opzioni = {}) {
    applicata r;
    opzioni.registri = &r.b;
    r.a = analizza(&linea, &servizio, opzioni);
    if (r.b.resoconto.errore_numero != 0 || r.b.percorso.empty()) return std::nullopt;
    return r;
}

opzioni_analisi senza_piano_ne_campi() {
    opzioni_analisi o;
    o.piano = false;
    o.campi = false;
    return o;
}

TEST(WrittenAgainstStored, KnownDescriptionsHaveNothingToReport) {
    const std::filesystem::path esempi = std::filesystem::path(GS_SOURCE_DIR) / "examples";
    std::vector<std::pair<std::string, std::string>> coppie;
    coppie.emplace_back(linea_incorporata(), servizio_incorporato());
    coppie.emplace_back(leggi_file(esempi / "Sorvanta_linea.txt"), leggi_file(esempi / "Sorvanta_E48027-.txt"));
    coppie.emplace_back(leggi_file(esempi / "Valcorta_linea.txt"), leggi_file(esempi / "Valcorta_R2231-.txt"));
    for (std::int64_t lunghezza : {100000, 1000000}) {
        const descrizioni_generate g = genera_descrizioni(lunghezza);
        coppie.emplace_back(g.linea, g.servizio);
    }
    for (std::size_t i = 0; i < coppie.size(); ++i) {
        const analisi a = analizza(&coppie[i].first, &coppie[i].second);
        EXPECT_TRUE(a.diagnostiche.empty()) << "pair " << i << "\n" << elenco(a).substr(0, 2000);
    }
}

// The numbers of a line "keyword, a, b, ..." (an empty field reads as 0).
std::vector<std::int32_t> numeri(const std::string& riga) {
    std::vector<std::int32_t> n;
    std::stringstream ss(riga.substr(riga.find(',') + 1));
    for (std::string campo; std::getline(ss, campo, ',');) {
        const std::size_t a = campo.find_first_not_of(" \t\r");
        n.push_back(a == std::string::npos ? 0 : std::stoi(campo.substr(a)));
    }
    return n;
}

std::vector<std::string> righe_di(const std::string& t) {
    std::vector<std::string> r;
    std::stringstream ss(t);
    for (std::string x; std::getline(ss, x);) r.push_back(x);
    return r;
}

// Each speed of the lines starting with `parola` is replaced, now and then, by any number of km/h.
std::string con_velocita_qualsiasi(const std::string& t, const char* parola, std::mt19937& g) {
    std::string r;
    for (std::string riga : righe_di(t)) {
        if (riga.rfind(parola, 0) == 0) {
            std::vector<std::string> campi;
            std::stringstream ss(riga);
            for (std::string c; std::getline(ss, c, ',');) campi.push_back(c);
            for (std::size_t i = 2; i < campi.size(); ++i) {
                // Stripes take 0 to 15 (a digit, or one that runs into the other side's).
                const bool striscia = std::string(parola) == "indicatori_vmax" && (i == 5 || i == 9);
                if (std::uniform_int_distribution<int>(0, 2)(g) != 0) continue;
                campi[i] = " " + std::to_string(std::uniform_int_distribution<int>(0, striscia ? 15 : 300)(g));
                if (i + 1 == campi.size()) campi[i] += "\r";
            }
            riga.clear();
            for (std::size_t i = 0; i < campi.size(); ++i) riga += (i ? "," : "") + campi[i];
        }
        r += riga + "\n";
    }
    return r;
}

// Lines of file `f` where the comparison reports a value stored otherwise.
std::set<int> righe_riferite(const analisi& a, quale_file f) {
    std::set<int> r;
    for (const rilievo& d : a.diagnostiche)
        if (d.file == f && (d.messaggio.find(" is stored as ") != std::string::npos ||
                            d.messaggio.find("reads back as no") != std::string::npos))
            r.insert(d.riga);
    return r;
}

TEST(WrittenAgainstStored, EverySpeedReadBackOtherwiseIsReportedAndNoOther) {
    std::mt19937 g(24);
    const int casi = con_sanitizzatori() ? 60 : 200;
    int confrontate = 0, diverse = 0;
    for (int k = 0; k < casi; ++k) {
        const descrizioni_casuali d = genera_casuali(static_cast<std::uint32_t>(1000 + k));
        const std::string linea = con_velocita_qualsiasi(d.linea, "indicatori_vmax", g);
        const std::string servizio = con_velocita_qualsiasi(d.servizio, "velocita", g);
        const std::optional<applicata> esito = analizza_applicata(linea, servizio);
        if (!esito) continue;  // only what the compile applies in full
        const analisi& a = esito->a;
        const stato_build& b = esito->b;
        SCOPED_TRACE("seed " + std::to_string(1000 + k));

        std::set<int> attese_linea, attese_servizio;
        const std::vector<std::string> rl = righe_di(linea);
        for (std::size_t i = 0; i < rl.size(); ++i) {
            if (rl[i].rfind("indicatori_vmax", 0) != 0) continue;
            const std::vector<std::int32_t> n = numeri(rl[i]);
            const cella& c = b.percorso.at(static_cast<std::size_t>(cella_punto(n[0])));
            if (c.tipo_cella != tipo::indicatori_velocita) {
                // A station's stop marker took the cell: that is told at the boards' line.
                bool detto = false;
                for (const rilievo& r : a.diagnostiche)
                    detto = detto || (r.file == quale_file::linea && r.riga == static_cast<int>(i + 1) &&
                                      r.messaggio.find("overwritten by the stop marker") != std::string::npos);
                EXPECT_TRUE(detto) << rl[i] << "\n" << elenco(a);
                continue;
            }
            const std::int16_t codici[] = {c.valore1, c.valore2, c.valore3};
            const std::optional<strisce_lati> strisce = decodifica_strisce(c.valore4);
            bool uguali = strisce && strisce->sinistra == n[4] && strisce->destra == n[8];
            for (std::size_t j = 0; j < 3; ++j) {
                const std::optional<velocita_lati> v = decodifica_indicatore(codici[j]);
                uguali = uguali && v && v->sinistra == n[1 + j] && v->destra == n[5 + j];
            }
            ++confrontate;
            if (!uguali) attese_linea.insert(static_cast<int>(i + 1));
        }
        const std::vector<std::string> rs = righe_di(servizio);
        std::vector<std::pair<int, std::vector<std::int32_t>>> profilo;
        for (std::size_t i = 0; i < rs.size(); ++i)
            if (rs[i].rfind("velocita", 0) == 0) profilo.emplace_back(static_cast<int>(i + 1), numeri(rs[i]));
        for (std::size_t i = 0; i < profilo.size(); ++i) {
            // The speed in force in the entry's own cell, when no later entry takes that cell.
            const std::int64_t q = cella_profilo(profilo[i].second[0]);
            const bool propria = q > 0 && q < b.n_celle &&
                                 (i + 1 == profilo.size() || cella_profilo(profilo[i + 1].second[0]) > q) &&
                                 (i == 0 || cella_profilo(profilo[i - 1].second[0]) < q);
            if (!propria) continue;
            ++confrontate;
            if (decodifica_velocita(b.percorso[static_cast<std::size_t>(q)].velocita_limite) != profilo[i].second[1])
                attese_servizio.insert(profilo[i].first);
        }
        diverse += static_cast<int>(attese_linea.size() + attese_servizio.size());
        std::set<int> riferite_servizio = righe_riferite(a, quale_file::servizio);
        // Entries whose own cell another entry takes are not compared here.
        std::erase_if(riferite_servizio, [&](int r) {
            for (std::size_t i = 0; i < profilo.size(); ++i) {
                if (profilo[i].first != r) continue;
                const std::int64_t q = cella_profilo(profilo[i].second[0]);
                return !(q > 0 && q < b.n_celle &&
                         (i + 1 == profilo.size() || cella_profilo(profilo[i + 1].second[0]) > q) &&
                         (i == 0 || cella_profilo(profilo[i - 1].second[0]) < q));
            }
            return true;
        });
        std::set<int> riferite_linea = righe_riferite(a, quale_file::linea);
        std::erase_if(riferite_linea, [&](int r) { return rl.at(static_cast<std::size_t>(r - 1)).rfind("indicatori_vmax", 0) != 0; });
        EXPECT_EQ(riferite_linea, attese_linea) << elenco(a);
        EXPECT_EQ(riferite_servizio, attese_servizio) << elenco(a);
    }
    // The property compared something, and saw speeds stored otherwise.
    EXPECT_GT(confrontate, casi);
    EXPECT_GT(diverse, casi / 4);
}


// A station's fields 5 and 6, as the random descriptions write them (0 to 3, and 0 or 1), against
// the slot table: each one the compile stores as 0 is reported at its line, and no other.
TEST(WrittenAgainstStored, EveryStationFieldStoredAsZeroIsReportedAndNoOther) {
    const int casi = con_sanitizzatori() ? 60 : 200;
    int confrontati = 0, diversi = 0;
    for (int k = 0; k < casi; ++k) {
        const descrizioni_casuali d = genera_casuali(static_cast<std::uint32_t>(5000 + k));
        const std::optional<applicata> esito = analizza_applicata(d.linea, d.servizio);
        if (!esito) continue;  // only what the compile applies in full
        const analisi& a = esito->a;
        const stato_build& b = esito->b;
        SCOPED_TRACE("seed " + std::to_string(5000 + k));
        std::set<int> attese;
        const std::vector<std::string> rs = righe_di(d.servizio);
        std::size_t j = 1;  // the stations fill slots 1, 2, ... in the order they are written
        for (std::size_t i = 0; i < rs.size(); ++i) {
            if (rs[i].rfind("stazione", 0) != 0) continue;
            // The numbers before the name (the 17th field, which may hold anything).
            std::size_t taglio = 0;
            for (int c = 0; c < 17 && taglio != std::string::npos; ++c) taglio = rs[i].find(',', taglio + (c ? 1 : 0));
            const std::vector<std::int32_t> n = numeri(rs[i].substr(0, taglio));
            const slot_servizio& slot = b.servizio.at(j++);
            ++confrontati;
            if (slot.campo5 != n[4] || slot.campo6 != n[5]) attese.insert(static_cast<int>(i + 1));
        }
        std::set<int> riferite;
        for (const rilievo& r : a.diagnostiche)
            if (r.file == quale_file::servizio && r.messaggio.find(" is stored as 0: ") != std::string::npos &&
                (r.campo == "f5" || r.campo == "f6"))
                riferite.insert(r.riga);
        diversi += static_cast<int>(attese.size());
        EXPECT_EQ(riferite, attese) << elenco(a);
    }
    EXPECT_GT(confrontati, casi);
    EXPECT_GT(diversi, casi / 4);
}


// ---- Every numeric field, keyword by keyword: one generic perturbation and one table of fields
// with the way each is read back from the records.

// An entry of the perturbed description: its line and the numbers after its keyword.
struct voce_in_prova {
    int riga = 0;
    std::vector<std::int64_t> n;
};

// The value as written, in the author's units, and as the records give it back.
struct lettura_slot {
    std::int64_t scritto = 0;
    std::int64_t letto = 0;
};

// Read back as nothing the author can write.
constexpr std::int64_t illeggibile = std::numeric_limits<std::int64_t>::min();

// The entry `i` of `voci` (every entry of the keyword, in file order), field `k`: what the records
// hold for it, or nothing when the entry is not compared (its cell is another entry's).
using lettore = std::optional<lettura_slot> (*)(const stato_build&, const std::vector<voce_in_prova>&, std::size_t i,
                                          std::size_t k);

struct campo_in_prova {
    quale_file file;
    const char* parola;  // the entries whose keyword field starts with this
    std::size_t indice;  // the field, counted from 0 after the keyword
    const char* nome;    // its name in the findings
    std::int64_t minimo, massimo;  // the values the field keeps
    lettore leggi;
    const char* anche = nullptr;  // a finding at another field of the entry that tells this one
    std::int64_t passo = 1;       // values are drawn in these units (a field that must be a multiple)
};

// The numeric fields of a line after its keyword, each as the byte range it takes: fields end at a
// comma or a blank (an empty one reads as 0), up to the first that is not a number (a name).
std::vector<std::pair<std::size_t, std::size_t>> campi_numerici(const std::string& riga) {
    std::vector<std::pair<std::size_t, std::size_t>> r;
    std::size_t i = riga.find(',');
    if (i == std::string::npos) return r;
    ++i;
    auto bianco = [&](std::size_t j) { return j < riga.size() && (riga[j] == ' ' || riga[j] == '\t'); };
    for (;;) {
        while (bianco(i)) ++i;
        const std::size_t a = i;
        while (i < riga.size() && riga[i] != ',' && riga[i] != '\r' && !bianco(i)) ++i;
        const std::string t = riga.substr(a, i - a);
        if (t.find_first_not_of("-0123456789") != std::string::npos || t == "-") return r;
        if (t.empty() && (i >= riga.size() || riga[i] != ',')) return r;
        r.emplace_back(a, i);
        while (bianco(i)) ++i;
        if (i < riga.size() && riga[i] == ',') ++i;
    }
}

std::vector<voce_in_prova> voci_di(const std::vector<std::string>& righe, const char* parola) {
    std::vector<voce_in_prova> r;
    for (std::size_t i = 0; i < righe.size(); ++i) {
        if (righe[i].rfind(parola, 0) != 0) continue;
        voce_in_prova v;
        v.riga = static_cast<int>(i + 1);
        for (const auto& [a, b] : campi_numerici(righe[i]))
            v.n.push_back(a == b ? 0 : std::stoll(righe[i].substr(a, b - a)));
        r.push_back(std::move(v));
    }
    return r;
}

// A value for a field that keeps `minimo` to `massimo`: in range, or just out of it, negative,
// large, wrapping its 8 or 16 bits, or running into the next digit.
std::int64_t valore_qualsiasi(const campo_in_prova& c, std::mt19937& g) {
    auto tra = [&](std::int64_t a, std::int64_t b) { return std::uniform_int_distribution<std::int64_t>(a, b)(g); };
    switch (tra(0, 19)) {
        case 0: return c.minimo - 1;
        case 1: return c.massimo + 1;
        case 2: return c.minimo - tra(1, 300);
        case 3: return c.massimo + tra(1, 300);
        case 4: return tra(-9, -1);
        case 5: return 256 + tra(0, 20);
        case 6: return 65536 + tra(0, 20);
        case 7: return 32768 + tra(0, 20);
        case 8: return -32769 - tra(0, 20);
        case 9: return tra(10, 99);
        default: return tra(c.minimo, c.massimo);
    }
}

// Field `c.indice` of one to three `c.parola` entries is replaced by any value (a few only: a value
// that stops the compile with a status leaves the whole case out).
std::string perturba(const std::string& t, const campo_in_prova& c, std::mt19937& g) {
    std::vector<std::string> righe = righe_di(t);
    std::vector<std::size_t> sue;
    for (std::size_t i = 0; i < righe.size(); ++i)
        if (righe[i].rfind(c.parola, 0) == 0) sue.push_back(i);
    for (int k = std::uniform_int_distribution<int>(1, 3)(g); k > 0 && !sue.empty(); --k) {
        std::string& riga = righe[sue[std::uniform_int_distribution<std::size_t>(0, sue.size() - 1)(g)]];
        const auto campi = campi_numerici(riga);
        if (c.indice >= campi.size()) continue;
        const auto [a, b] = campi[c.indice];
        riga.replace(a, b - a, std::to_string(valore_qualsiasi(c, g) * c.passo));
    }
    std::string r;
    for (const std::string& riga : righe) r += riga + "\n";
    return r;
}

// A finding that says a value is stored otherwise than written.
bool di_memoria(const rilievo& d) {
    for (const char* p : {" is stored as ", "reads back as", "the simulator gets", "runs into the next packed digit",
                          "is raised to", "is not stored", "is not applied"})
        if (d.messaggio.find(p) != std::string::npos) return true;
    return false;
}

const cella* cella_se(const stato_build& b, std::int64_t k) {
    return k >= 0 && static_cast<std::size_t>(k) < b.percorso.size() ? &b.percorso[static_cast<std::size_t>(k)]
                                                                     : nullptr;
}

// A profile entry's own cell, when it is written there and holds it: an entry whose cell an earlier
// one already took applies from the next free cell (its own rule tells it), an entry whose cell
// the next one names holds it for one cell, and the profile's tail fills the last cells.
std::optional<std::int64_t> cella_propria(const stato_build& b, const std::vector<voce_in_prova>& v, std::size_t i) {
    auto q = [&](std::size_t j) { return cella_profilo(static_cast<double>(v[j].n.at(0))); };
    const std::int64_t c = q(i);
    if (c <= 0 || c >= b.n_celle - 2) return std::nullopt;
    if (i + 1 < v.size() && q(i + 1) <= c) return std::nullopt;
    std::int64_t cursore = 0;  // the cell the entries before it reached, as the compile pushes them on
    for (std::size_t j = 0; j < i; ++j)
        if (q(j) > 0) cursore = std::max(cursore + 1, q(j));
    if (cursore >= c) return std::nullopt;
    return c;
}

std::optional<lettura_slot> leggi_pendenza(const stato_build& b, const std::vector<voce_in_prova>& v, std::size_t i,
                                      std::size_t) {
    const auto q = cella_propria(b, v, i);
    if (!q) return std::nullopt;
    return lettura_slot{v[i].n.at(1), decodifica_pendenza(b.percorso.at(static_cast<std::size_t>(*q)).pendenza)};
}

std::optional<lettura_slot> leggi_aderenza(const stato_build& b, const std::vector<voce_in_prova>& v, std::size_t i,
                                      std::size_t) {
    const auto q = cella_propria(b, v, i);
    if (!q) return std::nullopt;
    return lettura_slot{v[i].n.at(1), b.percorso.at(static_cast<std::size_t>(*q)).aderenza};
}

std::optional<lettura_slot> leggi_velocita(const stato_build& b, const std::vector<voce_in_prova>& v, std::size_t i,
                                      std::size_t) {
    const auto q = cella_propria(b, v, i);
    if (!q) return std::nullopt;
    return lettura_slot{v[i].n.at(1), decodifica_velocita(b.percorso.at(static_cast<std::size_t>(*q)).velocita_limite)};
}

// A mountain's kind in its first cell, when no later stretch covers that cell.
std::optional<lettura_slot> leggi_montagna(const stato_build& b, const std::vector<voce_in_prova>& v, std::size_t i,
                                      std::size_t) {
    const std::int64_t primo = prima_cella_montagna(v[i].n.at(0));
    if (primo > ultima_cella_montagna(v[i].n.at(1))) return std::nullopt;
    for (std::size_t j = i + 1; j < v.size(); ++j)
        if (prima_cella_montagna(v[j].n.at(0)) <= primo && primo <= ultima_cella_montagna(v[j].n.at(1)))
            return std::nullopt;
    const cella* c = cella_se(b, primo);
    if (!c) return std::nullopt;
    return lettura_slot{leggi_tipo_montagna(v[i].n.at(2)).tipo, c->montagna};
}

// A point item of kind `t` in cell `k`, or nothing when another item took the cell.
const cella* oggetto(const stato_build& b, std::int64_t k, std::uint8_t t) {
    const cella* c = cella_se(b, k);
    return c && c->tipo_cella == t ? c : nullptr;
}

std::optional<lettura_slot> leggi_indicatori(const stato_build& b, const std::vector<voce_in_prova>& v, std::size_t i,
                                        std::size_t k) {
    const cella* c = oggetto(b, cella_punto(static_cast<double>(v[i].n.at(0))), tipo::indicatori_velocita);
    if (!c) return std::nullopt;
    const std::int64_t scritto = v[i].n.at(k);
    if (k == 4 || k == 8) {
        const std::optional<strisce_lati> s = decodifica_strisce(c->valore4);
        return lettura_slot{scritto, !s ? illeggibile : k == 4 ? s->sinistra : s->destra};
    }
    const std::array<std::int16_t, 3> codici{c->valore1, c->valore2, c->valore3};
    const std::optional<velocita_lati> s = decodifica_indicatore(codici.at(k <= 3 ? k - 1 : k - 5));
    return lettura_slot{scritto, !s ? illeggibile : k <= 3 ? s->sinistra : s->destra};
}

std::optional<lettura_slot> leggi_segnale(const stato_build& b, const std::vector<voce_in_prova>& v, std::size_t i,
                                     std::size_t k) {
    const cella* c = oggetto(b, cella_punto(static_cast<double>(v[i].n.at(0))), tipo::segnale);
    if (!c) return std::nullopt;
    const std::int64_t scritto = v[i].n.at(k);
    if (k == 10) return lettura_slot{scritto, c->tempo_segnale};
    segnale_in_cella sc;
    sc.valori = {c->valore1, c->valore2, c->valore3, c->valore4};
    const std::optional<segnale_scritto> s = decodifica_segnale(sc);
    if (!s) return lettura_slot{scritto, illeggibile};
    const std::array<std::int64_t, 10> letti{0, s->sx, s->sinistra[0], s->sinistra[1], s->sinistra[2],
                                             s->rapp, s->dx, s->destra[0], s->destra[1], s->destra[2]};
    return lettura_slot{scritto, letti.at(k)};
}

// A slowdown's speed (valore1), d_v (valore2) and f_tt (valore3) in its start cell; f_ta as
// whether the pre-warning cells stand before its warning board.
std::optional<lettura_slot> leggi_rallentamento(const stato_build& b, const std::vector<voce_in_prova>& v, std::size_t i,
                                           std::size_t k) {
    const std::int64_t x = v[i].n.at(0);
    const cella* c = oggetto(b, cella_inizio_rallentamento(x), tipo::inizio_rallentamento);
    if (!c) return std::nullopt;
    const std::int64_t scritto = v[i].n.at(k);
    switch (k) {
        case 1: return lettura_slot{scritto, c->valore1};
        case 3: return lettura_slot{scritto, c->valore3};
        case 5: return lettura_slot{scritto, c->valore2};
        default: {
            const bool preavviso = rallentamento_con_avviso(x) &&
                                   oggetto(b, cella_preavviso(x, 0), tipo::preavviso_rallentamento) != nullptr;
            return lettura_slot{scritto != 0, preavviso};
        }
    }
}

// A speed board's value; one without value reads back as 0.
std::optional<lettura_slot> leggi_abbattimento(const stato_build& b, const std::vector<voce_in_prova>& v, std::size_t i,
                                          std::size_t) {
    const cella* c = cella_se(b, cella_profilo(static_cast<double>(v[i].n.at(0))));
    if (!c) return std::nullopt;
    if (c->tipo_cella == tipo::tabella_senza_valore) return lettura_slot{v[i].n.at(1), 0};
    if (c->tipo_cella != tipo::tabella_con_valore) return std::nullopt;
    return lettura_slot{v[i].n.at(1), c->valore1};
}

// The station entries fill slots 1, 2, ... in the order they are written.
std::optional<lettura_slot> leggi_stazione(const stato_build& b, const std::vector<voce_in_prova>& v, std::size_t i,
                                      std::size_t k) {
    const slot_servizio& s = b.servizio.at(i + 1);
    const std::int64_t scritto = v[i].n.at(k);
    const orario_letto o = decodifica_orario(s.orario);
    const std::int64_t dopo_50 = s.campo6 != 0 && (s.tipo_stazione < 5 || s.tipo_stazione > 8) ? 50 : 0;
    switch (k) {
        case 1: return lettura_slot{scritto, s.tipo_stazione};
        case 2:
            if (s.tipo_stazione == 5 || s.tipo_stazione == 6) return lettura_slot{scritto, std::int64_t{s.posizione} - s.inizio};
            if (s.tipo_stazione == 7 || s.tipo_stazione == 8) return lettura_slot{scritto, std::int64_t{s.fine} - s.posizione};
            return lettura_slot{scritto, std::int64_t{s.fine} - dopo_50 - s.inizio};
        case 3: return lettura_slot{scritto, s.campo4};
        case 4: return lettura_slot{scritto, s.campo5};
        case 5: return lettura_slot{scritto, s.campo6};
        case 6: return lettura_slot{scritto, s.campo7};
        case 7: return lettura_slot{scritto, s.campo8};
        case 8: return lettura_slot{scritto, s.campo9};
        case 9: return lettura_slot{scritto, s.campo10};
        case 10: return lettura_slot{scritto, s.campo11};
        case 11: return lettura_slot{scritto, s.campo12};
        case 12: return lettura_slot{scritto, s.sosta};
        case 13: return lettura_slot{scritto, o.negativo ? illeggibile : o.ore};
        case 14: return lettura_slot{scritto, o.negativo ? illeggibile : o.minuti};
        default: return lettura_slot{scritto, o.negativo ? illeggibile : o.secondi};
    }
}

// The single-valued entries of the general blocks, each in its slot: the last one given holds.
std::optional<lettura_slot> generale(const std::vector<voce_in_prova>& v, std::size_t i, std::size_t k,
                                std::int64_t letto) {
    if (i + 1 != v.size()) return std::nullopt;
    return lettura_slot{v[i].n.at(k), letto};
}

// A single-valued entry whose field is one field of a slot.
template <int slot, auto campo>
std::optional<lettura_slot> leggi_slot(const stato_build& b, const std::vector<voce_in_prova>& v, std::size_t i,
                                  std::size_t k) {
    return generale(v, i, k, b.servizio.at(slot).*campo);
}

std::optional<lettura_slot> leggi_ripetizione(const stato_build& b, const std::vector<voce_in_prova>& v, std::size_t i,
                                         std::size_t k) {
    const slot_servizio& s = b.servizio.at(slot_treno);
    return generale(v, i, k, k == 0 ? s.inizio : s.fine);
}

std::optional<lettura_slot> leggi_orologio(const stato_build& b, const std::vector<voce_in_prova>& v, std::size_t i,
                                      std::size_t k) {
    const slot_servizio& s = b.servizio.at(slot_treno);
    return generale(v, i, k, k == 0 ? s.campo10 : k == 1 ? s.campo11 : s.campo12);
}

// A kilometre reference: the three are sorted by their start into slots 81 to 83, each slot
// remembering the line of the entry it holds; one held by none is lost, and reads back as nothing
// unless it was 0, 0, 0, which is what an empty slot holds.
std::optional<lettura_slot> leggi_progressiva(const stato_build& b, const std::vector<voce_in_prova>& v, std::size_t i,
                                         std::size_t k) {
    for (std::size_t j = 0; j < 3; ++j) {
        if (b.resoconto.luoghi_progressive.at(j).riga != v[i].riga) continue;
        const slot_servizio& s = b.servizio.at(static_cast<std::size_t>(slot_progressiva_tre) + j);
        return lettura_slot{v[i].n.at(k), k == 0 ? s.inizio : k == 1 ? decodifica_progressiva(s) : s.posizione};
    }
    const bool vuota = v[i].n == std::vector<std::int64_t>{0, 0, 0};
    return lettura_slot{v[i].n.at(k), vuota ? v[i].n.at(k) : illeggibile};
}

// Every numeric field the compile stores; positions and lengths, which say where an item goes,
// are the 50 m grid's and not compared here (where the point items land is, below).
const std::vector<campo_in_prova>& campi_in_prova() {
    constexpr quale_file L = quale_file::linea, S = quale_file::servizio;
    static const std::vector<campo_in_prova> t = {
        // The three references at once: starts of 0 to 100 m tie now and then.
        {L, "progressiva chilometrica", 0, "start", 0, 2, leggi_progressiva, "is stored as 0, 0, 0", 50},
        {L, "progressiva chilometrica", 1, "chainage", -4000, 4000, leggi_progressiva, "is stored as 0, 0, 0", 50},
        {L, "progressiva chilometrica", 2, "flag", 0, 1, leggi_progressiva, "is stored as 0, 0, 0"},
        {L, "sfondo uno", 0, "value", 0, 3, leggi_slot<slot_scenario, &slot_servizio::inizio>},
        {L, "sfondo due", 0, "value", 0, 3, leggi_slot<slot_scenario, &slot_servizio::posizione>},
        {L, "sfondo tre", 0, "value", 0, 3, leggi_slot<slot_scenario, &slot_servizio::fine>},
        {L, "ripetizione segnali", 0, "start", 0, 100, leggi_ripetizione, nullptr, 50},
        {L, "ripetizione segnali", 1, "end", 0, 800, leggi_ripetizione, nullptr, 50},
        {L, "pendenza", 1, "gradient", -100, 155, leggi_pendenza},
        {L, "montagna", 2, "kind", 0, 265, leggi_montagna, "kind 3"},
        {L, "indicatori_vmax", 1, "vas", 0, 300, leggi_indicatori},
        {L, "indicatori_vmax", 2, "vbs", 0, 300, leggi_indicatori},
        {L, "indicatori_vmax", 3, "vcs", 0, 300, leggi_indicatori},
        {L, "indicatori_vmax", 4, "strisces", 0, 9, leggi_indicatori},
        {L, "indicatori_vmax", 5, "vad", 0, 495, leggi_indicatori},
        {L, "indicatori_vmax", 6, "vbd", 0, 495, leggi_indicatori},
        {L, "indicatori_vmax", 7, "vcd", 0, 495, leggi_indicatori},
        {L, "indicatori_vmax", 8, "strisced", 0, 9, leggi_indicatori},
        {S, "numero vetture", 0, "count", 1, 12, leggi_slot<slot_generale, &slot_servizio::posizione>},
        {S, "percentuale massa frenata", 0, "percentage", 50, 160, leggi_slot<slot_generale, &slot_servizio::inizio>},
        {S, "sabbia", 0, "sand", -500, 3000, leggi_slot<slot_treno, &slot_servizio::campo7>},
        {S, "orologio", 0, "hours", 0, 23, leggi_orologio},
        {S, "orologio", 1, "minutes", 0, 59, leggi_orologio},
        {S, "orologio", 2, "seconds", 0, 59, leggi_orologio},
        {S, "aderenza", 1, "adhesion", 0, 255, leggi_aderenza},
        {S, "velocita", 1, "speed", 0, 1277, leggi_velocita},
        {S, "segnale", 1, "sx", 0, 2, leggi_segnale},
        {S, "segnale", 2, "s1", 0, 9, leggi_segnale},
        {S, "segnale", 3, "s2", 0, 9, leggi_segnale},
        {S, "segnale", 4, "s3", 0, 9, leggi_segnale},
        {S, "segnale", 5, "rapp", 0, 3276, leggi_segnale},
        {S, "segnale", 6, "dx", 0, 2, leggi_segnale},
        {S, "segnale", 7, "d1", 0, 9, leggi_segnale},
        {S, "segnale", 8, "d2", 0, 9, leggi_segnale},
        {S, "segnale", 9, "d3", 0, 9, leggi_segnale},
        {S, "segnale", 10, "tempo", 0, 255, leggi_segnale},
        {S, "rallentamento", 1, "v", 5, 150, leggi_rallentamento},
        {S, "rallentamento", 3, "f_tt", -3, 3, leggi_rallentamento},
        {S, "rallentamento", 4, "f_ta", 0, 1, leggi_rallentamento},
        {S, "rallentamento", 5, "d_v", -50, 100, leggi_rallentamento},
        {S, "abbattimento", 1, "value", 0, 300, leggi_abbattimento},
        {S, "stazione", 1, "type", 0, 30, leggi_stazione},
        {S, "stazione", 2, "length", 1, 8, leggi_stazione, "its end still lies 50 m further", 100},
        {S, "stazione", 3, "f4", 0, 1, leggi_stazione},
        {S, "stazione", 4, "f5", 0, 3, leggi_stazione},
        {S, "stazione", 5, "f6", 0, 1, leggi_stazione},
        {S, "stazione", 6, "f7", 0, 9, leggi_stazione},
        {S, "stazione", 7, "f8", 0, 9, leggi_stazione},
        {S, "stazione", 8, "f9", 0, 9, leggi_stazione},
        {S, "stazione", 9, "f10", 0, 9, leggi_stazione},
        {S, "stazione", 10, "f11", 0, 9, leggi_stazione},
        {S, "stazione", 11, "f12", 0, 9, leggi_stazione},
        {S, "stazione", 12, "stop", 0, 40, leggi_stazione},
        {S, "stazione", 13, "hours", 0, 23, leggi_stazione},
        {S, "stazione", 14, "minutes", 0, 59, leggi_stazione},
        {S, "stazione", 15, "seconds", 0, 59, leggi_stazione},
    };
    return t;
}

TEST(WrittenAgainstStored, EveryNumericFieldReadBackOtherwiseIsReportedAtItsLineAndNoOther) {
    const int casi = con_sanitizzatori() ? 4 : 20;
    int confrontati = 0, diversi = 0;
    for (const campo_in_prova& c : campi_in_prova()) {
        SCOPED_TRACE(std::string(c.parola) + " " + c.nome);
        int confrontati_qui = 0;
        std::mt19937 g(static_cast<std::uint32_t>(c.indice * 131 + std::string(c.parola).size()));
        // `casi` descriptions that compile in full, out of at most four times as many tried.
        for (int k = 0, applicati = 0; applicati < casi && k < 4 * casi; ++k) {
            const std::uint32_t seme = static_cast<std::uint32_t>(9000 + k);
            const descrizioni_casuali d = genera_casuali(seme);
            const bool di_linea = c.file == quale_file::linea;
            const std::string linea = di_linea ? perturba(d.linea, c, g) : d.linea;
            const std::string servizio = di_linea ? d.servizio : perturba(d.servizio, c, g);
            const std::optional<applicata> esito = analizza_applicata(linea, servizio, senza_piano_ne_campi());
            if (!esito) continue;  // only what the compile applies in full
            const analisi& a = esito->a;
            const stato_build& b = esito->b;
            ++applicati;
            SCOPED_TRACE("seed " + std::to_string(seme));
            const std::vector<voce_in_prova> v = voci_di(righe_di(di_linea ? linea : servizio), c.parola);
            std::set<int> attese, confrontate;
            std::string letture;  // what each entry compared reads back as, for the message
            const std::vector<std::string> righe = righe_di(di_linea ? linea : servizio);
            for (std::size_t i = 0; i < v.size(); ++i) {
                const std::optional<lettura_slot> l = c.leggi(b, v, i, c.indice);
                if (!l) continue;
                confrontate.insert(v[i].riga);
                if (l->scritto != l->letto) attese.insert(v[i].riga);
                letture += std::to_string(v[i].riga) + ": " + righe[static_cast<std::size_t>(v[i].riga - 1)] + " -> " +
                           std::to_string(l->letto) + "\n";
            }
            std::set<int> riferite;
            for (const rilievo& r : a.diagnostiche)
                if (r.file == c.file && confrontate.count(r.riga) &&
                    ((r.campo == c.nome && di_memoria(r)) ||
                     (c.anche && r.messaggio.find(c.anche) != std::string::npos)))
                    riferite.insert(r.riga);
            confrontati_qui += static_cast<int>(confrontate.size());
            diversi += static_cast<int>(attese.size());
            EXPECT_EQ(riferite, attese) << letture << elenco(a);
        }
        EXPECT_GT(confrontati_qui, 0) << "no entry compared";
        confrontati += confrontati_qui;
    }
    EXPECT_GT(diversi, casi);
    (void)confrontati;
}

// A cell an entry writes: where, by the cell rule of its kind (none: the entry writes no such cell),
// and the kind it writes there.
struct oggetto_in_prova {
    quale_file file;
    const char* parola;
    const char* cosa;
    std::optional<std::int64_t> (*cella_di)(const std::vector<std::int64_t>& n);
    bool (*suo)(std::uint8_t tipo_cella);
};

// The positions of every point item and station of both descriptions, for items moved onto them.
std::vector<std::int64_t> posizioni_di(const std::string& linea, const std::string& servizio) {
    std::vector<std::int64_t> r;
    for (const std::string* t : {&linea, &servizio})
        for (const char* parola : {"indicatori_vmax", "cartello_indicatore", "segnale", "rallentamento", "abbattimento", "stazione"})
            for (const voce_in_prova& v : voci_di(righe_di(*t), parola))
                if (!v.n.empty()) r.push_back(v.n[0]);
    // A slowdown also takes the cells of its end and of its warning board.
    for (const voce_in_prova& v : voci_di(righe_di(servizio), "rallentamento"))
        if (v.n.size() > 2) {
            r.push_back(v.n[0] + v.n[2]);
            r.push_back(v.n[0] - static_cast<std::int64_t>(anticipo_avviso_m));
        }
    return r;
}

// Field 0 (the position) of one to three `parola` entries moved: onto another item's position, just
// beside it, or anywhere on the line.
std::string sposta(const std::string& t, const char* parola, const std::vector<std::int64_t>& altre,
                   std::int64_t fine_linea, std::mt19937& g) {
    auto tra = [&](std::int64_t a, std::int64_t b) { return std::uniform_int_distribution<std::int64_t>(a, b)(g); };
    std::vector<std::string> righe = righe_di(t);
    std::vector<std::size_t> sue;
    for (std::size_t i = 0; i < righe.size(); ++i)
        if (righe[i].rfind(parola, 0) == 0) sue.push_back(i);
    for (std::int64_t k = tra(1, 3); k > 0 && !sue.empty(); --k) {
        std::string& riga = righe[sue[static_cast<std::size_t>(tra(0, static_cast<std::int64_t>(sue.size()) - 1))]];
        const auto campi = campi_numerici(riga);
        if (campi.empty()) continue;
        const std::int64_t vicina = altre.empty() ? 0 : altre[static_cast<std::size_t>(tra(0, static_cast<std::int64_t>(altre.size()) - 1))];
        std::int64_t p = 0;
        switch (tra(0, 2)) {
            case 0: p = vicina; break;
            case 1: p = vicina + tra(-60, 60); break;
            default: p = tra(0, std::max<std::int64_t>(0, fine_linea)); break;
        }
        const auto [a, b] = campi[0];
        riga.replace(a, b - a, std::to_string(std::max<std::int64_t>(0, p)));
    }
    std::string r;
    for (const std::string& riga : righe) r += riga + "\n";
    return r;
}

// Moved about on random descriptions, each point item lands in its own cell and holds it to the end,
// or a finding at its line says where it went: into another cell, overwritten, or never applied.
TEST(WrittenAgainstStored, EveryPointItemOutOfItsOwnCellIsReportedAtItsLine) {
    using campi = std::vector<std::int64_t>;
    const std::vector<oggetto_in_prova> oggetti = {
        {quale_file::linea, "indicatori_vmax", "boards",
         [](const campi& n) -> std::optional<std::int64_t> { return cella_punto(static_cast<double>(n[0])); },
         [](std::uint8_t t) { return t == tipo::indicatori_velocita; }},
        {quale_file::linea, "cartello_indicatore", "sign board",
         [](const campi& n) -> std::optional<std::int64_t> { return cella_punto(static_cast<double>(n[0])); },
         [](std::uint8_t t) { return t == tipo::cartello; }},
        {quale_file::servizio, "segnale", "signal",
         [](const campi& n) -> std::optional<std::int64_t> { return cella_punto(static_cast<double>(n[0])); },
         [](std::uint8_t t) { return t == tipo::segnale; }},
        {quale_file::servizio, "rallentamento", "start",
         [](const campi& n) -> std::optional<std::int64_t> { return cella_inizio_rallentamento(n[0]); },
         [](std::uint8_t t) { return t == tipo::inizio_rallentamento; }},
        {quale_file::servizio, "rallentamento", "end",
         [](const campi& n) -> std::optional<std::int64_t> {
             if (n.size() < 3) return std::nullopt;
             return cella_fine_rallentamento(n[0], n[2]);
         },
         [](std::uint8_t t) { return t == tipo::fine_rallentamento; }},
        {quale_file::servizio, "rallentamento", "warning board",
         [](const campi& n) -> std::optional<std::int64_t> {
             if (!rallentamento_con_avviso(n[0])) return std::nullopt;
             return cella_avviso_rallentamento(n[0]);
         },
         [](std::uint8_t t) { return t == tipo::avviso_rallentamento; }},
        {quale_file::servizio, "abbattimento", "speed board",
         [](const campi& n) -> std::optional<std::int64_t> { return cella_profilo(static_cast<double>(n[0])); },
         [](std::uint8_t t) { return t == tipo::tabella_con_valore || t == tipo::tabella_senza_valore; }},
    };
    const int casi = con_sanitizzatori() ? 6 : 120;
    int fuori_posto = 0;
    for (const oggetto_in_prova& o : oggetti) {
        SCOPED_TRACE(std::string(o.parola) + " " + o.cosa);
        std::mt19937 g(static_cast<std::uint32_t>((std::string(o.parola).size() + std::string(o.cosa).size()) * 7919));
        for (int k = 0, applicati = 0; applicati < casi && k < 4 * casi; ++k) {
            const std::uint32_t seme = static_cast<std::uint32_t>(12000 + k);
            const descrizioni_casuali d = genera_casuali(seme);
            const std::vector<voce_in_prova> lunghezza = voci_di(righe_di(d.linea), "lunghezza percorso");
            const std::int64_t fine_linea = lunghezza.empty() || lunghezza[0].n.empty() ? 0 : lunghezza[0].n[0];
            const std::vector<std::int64_t> altre = posizioni_di(d.linea, d.servizio);
            const bool di_linea = o.file == quale_file::linea;
            const std::string linea = di_linea ? sposta(d.linea, o.parola, altre, fine_linea, g) : d.linea;
            const std::string servizio = di_linea ? d.servizio : sposta(d.servizio, o.parola, altre, fine_linea, g);
            const std::optional<applicata> esito = analizza_applicata(linea, servizio, senza_piano_ne_campi());
            if (!esito) continue;  // a status: nothing applied in full
            const analisi& a = esito->a;
            const stato_build& b = esito->b;
            ++applicati;
            SCOPED_TRACE("seed " + std::to_string(seme));
            const std::vector<std::string> righe = righe_di(di_linea ? linea : servizio);
            const std::vector<voce_in_prova> v = voci_di(righe, o.parola);
            std::set<int> riferite;
            for (const rilievo& r : a.diagnostiche)
                if (r.file == o.file && r.severita != gravita::nota) riferite.insert(r.riga);
            for (std::size_t i = 0; i < v.size(); ++i) {
                if (v[i].n.empty()) continue;
                const std::optional<std::int64_t> propria = o.cella_di(v[i].n);
                if (!propria) continue;
                const cella* c = cella_se(b, *propria);
                bool al_suo_posto = c && o.suo(c->tipo_cella);
                for (std::size_t j = i + 1; j < v.size(); ++j)
                    if (!v[j].n.empty() && o.cella_di(v[j].n) == propria) al_suo_posto = false;
                if (al_suo_posto) continue;
                ++fuori_posto;
                EXPECT_TRUE(riferite.count(v[i].riga))
                    << "line " << v[i].riga << ": " << righe[static_cast<std::size_t>(v[i].riga - 1)] << " (own cell "
                    << *propria << ", kind " << (c ? int{c->tipo_cella} : -1) << ")\n"
                    << elenco(a);
            }
        }
    }
    // Most moves stop the compile with a status; a few hundred cases leave dozens of items out of place.
    if (!con_sanitizzatori()) {
        EXPECT_GT(fuori_posto, 10);
    }
}

// The findings the property above asks for, each on the short example line and service with one or two
// entries changed: at the entry's line and field, with the value as written and what it is stored as.
TEST(WrittenAgainstStored, EachStoredOtherwiseFindingStandsAtItsField) {
    struct caso {
        quale_file file;
        std::vector<std::pair<std::string, std::string>> modifiche;  // an entry as written, and what replaces it
        const char* campo;
        const char* messaggio;
        const char* non = nullptr;  // what the message must not say
        int righe_dopo = 0;  // the finding stands this many lines below the first change
    };
    const std::string tre = "progressiva chilometrica tre,    0,    0,    0";
    const std::string uno = "progressiva chilometrica uno,    0,    23400,    0";
    const std::string due = "progressiva chilometrica due,    6000,    29650,    1";
    const std::string vmax = "indicatori_vmax,  2400,  80,  85,  90,  0,  75,  80,  85,  1";
    const std::string prima = "stazione,       0,  8,  300,  1, 0, 0,  5,6,0,  2,1,1,    1,   8, 0, 0, PIANURA";
    const std::string selva = "stazione,    6500, 12,  400,  0, 0, 0,  1,1,0,  4,1,1,   45,   8, 7, 0, SELVA";
    const std::vector<caso> casi = {
        {quale_file::linea, {{uno, "progressiva chilometrica uno,    6000,    23400,    0"}}, "start",
         "kilometre reference uno 6000, 23400, 0 is stored as 0, 0, 0: the greatest start, 6000 m, is shared"},
        {quale_file::linea,
         {{uno, "progressiva chilometrica uno,    0,    -100,    0"}, {due, "progressiva chilometrica due,    0,    0,    1"}},
         "start", "kilometre reference uno 0, -100, 0 is stored as 0, 0, 0: the starts add up to 0 and no chainage"},
        {quale_file::linea, {{vmax, "indicatori_vmax,  2400,  80,  85,  90,  -1,  75,  80,  85,  1"}}, "strisces",
         "strisces -1 is stored as a code that reads back as no stripes"},
        {quale_file::linea, {{vmax, "indicatori_vmax,  2400,  80,  85,  90,  0,  75,  80,  85,  65555"}}, "strisced",
         "strisced 65555 is out of range: the simulator gets 19"},
        {quale_file::linea, {{vmax, "indicatori_vmax,  2400,  0,  85,  90,  0,  -5,  80,  85,  1"}}, "vad",
         "vas 0 and vad -5 km/h are stored as code -1, which reads back as no speeds"},
        {quale_file::servizio,
         {{prima, "stazione,       0,  12,  300,  1, 0, 1,  5,6,0,  2,1,1,    1,   8, 0, 0, PIANURA"}}, "f6",
         "f6 1 is stored as 0: the first station keeps no field 6, yet its end still lies 50 m further"},
        {quale_file::servizio,
         {{selva, "stazione,    6500, 12,  400,  0, 0, 0,  1,1,0,  4,1,1,   45,   -1, 10, 0, SELVA"}}, "hours",
         "its hours -1 is negative; it is stored as -00:50:00"},
        {quale_file::servizio,
         {{selva, "stazione,    6500, 12,  400,  0, 0, 0,  1,1,0,  4,1,1,   45,   24, 7, 0, SELVA"}}, "hours",
         "its hours 24 is above 23", "stored as"},
        // A mountain listed after one lying further on.
        {quale_file::linea, {{"montagna,", "montagna,  6000,  7000,  12\r\nmontagna,"}}, "kind",
         "is stored as 3: this stretch lies before the one of line", "after the one", 1},
        // A chain of entries within 50 m: the second is pushed into the third's own cell.
        {quale_file::linea,
         {{"pendenza,  4000,   12", "pendenza,  4000,   12\r\npendenza,  4011,   10\r\npendenza,  4051,   8"}}, "position",
         "gradient entry at 4051 m falls in route cell 81 (4050 to 4099 m), which the gradient entries before it take "
         "(the one of line 23 was pushed to cell 81): it applies from cell 82",
         nullptr, 2},
    };
    const std::filesystem::path esempi = std::filesystem::path(GS_SOURCE_DIR) / "examples";
    for (const caso& c : casi) {
        SCOPED_TRACE(c.messaggio);
        std::array<std::string, 2> testi{leggi_file(esempi / "Valcorta_linea.txt"), leggi_file(esempi / "Valcorta_R2231-.txt")};
        std::string& t = testi.at(c.file == quale_file::linea ? 0 : 1);
        int riga = 0;
        for (const auto& [vecchia, nuova] : c.modifiche) {
            const std::size_t a = t.find(vecchia);
            ASSERT_NE(a, std::string::npos) << vecchia;
            t.replace(a, vecchia.size(), nuova);
            if (riga == 0) riga = static_cast<int>(std::count(t.begin(), t.begin() + static_cast<std::ptrdiff_t>(a), '\n')) + 1;
        }
        riga += c.righe_dopo;
        const analisi a = analizza(&testi[0], &testi[1]);
        bool trovato = false;
        for (const rilievo& d : a.diagnostiche) {
            if (d.file != c.file || d.riga != riga || d.campo != c.campo) continue;
            if (d.messaggio.find(c.messaggio) == std::string::npos) continue;
            trovato = true;
            if (c.non) {
                EXPECT_EQ(d.messaggio.find(c.non), std::string::npos) << d.messaggio;
            }
        }
        EXPECT_TRUE(trovato) << "line " << riga << "\n" << elenco(a);
    }
}

}  // namespace
