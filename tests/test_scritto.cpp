// Written against stored: on random descriptions every speed, stripe count and station field 5 or 6 that the records
// give back other than written is reported at its line, and none where the two agree; the built-in scenario, the
// examples and the generated descriptions have nothing to report.
#include <gtest/gtest.h>

#include <filesystem>
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
        stato_build b;
        opzioni_analisi o;
        o.registri = &b;
        const analisi a = analizza(&linea, &servizio, o);
        if (b.resoconto.errore_numero != 0 || b.percorso.empty()) continue;  // only what the compile applies in full
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
        stato_build b;
        opzioni_analisi o;
        o.registri = &b;
        const analisi a = analizza(&d.linea, &d.servizio, o);
        if (b.resoconto.errore_numero != 0 || b.percorso.empty()) continue;  // only what the compile applies in full
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

}  // namespace
