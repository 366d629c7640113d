#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "avvia_programma.hpp"
#include "cartella_temporanea.hpp"
#include "format/file_binari.hpp"
#include "harness/compila_in_memoria.hpp"
#include "scenario/dati_linea.hpp"
#include "scenario/dati_treno.hpp"
#include "tests/ambiente.hpp"
#include "tests/leggi_file.hpp"

namespace {

const std::filesystem::path sorgenti = std::filesystem::path(GS_SOURCE_DIR);

std::string leggi_esempio(const std::string& nome) { return leggi_file(sorgenti / "examples" / nome); }

// The examples for authors are exactly the descriptions the plain build writes and reads.
TEST(Examples, AreTheEmbeddedDescriptions) {
    EXPECT_EQ(leggi_esempio("Sorvanta_linea.txt"), testo_documento(righe_linea()));
    EXPECT_EQ(leggi_esempio("Sorvanta_E48027-.txt"), testo_documento(righe_treno()));
}

// The built files of the Valcorta example, as the compile command writes them.
struct valcorta_compilato {
    esecuzione compila;
    esecuzione controlla;
    std::vector<cella> percorso;
    std::array<slot_servizio, n_slot> servizio{};
    std::vector<elemento_linea> x, y;
    std::string byte_piano;
};

const valcorta_compilato& valcorta() {
    static const valcorta_compilato v = [] {
        valcorta_compilato r;
        cartella_temporanea c;
        const std::string esempi = (sorgenti / "examples").string();
        const std::string coppia = "'" + esempi + "/Valcorta_linea.txt' '" + esempi + "/Valcorta_R2231-.txt'";
        r.compila = avvia_in(c.percorso, programma_in_prova(), "compile " + coppia + " --out built --scenario Valcorta --train R2231");
        r.controlla = avvia_in(c.percorso, programma_in_prova(), "check --json " + coppia);
        std::string motivo;
        EXPECT_TRUE(leggi_file_percorso(leggi_file(c.percorso / "built/Valcorta_R2231.dat"), r.percorso, motivo)) << motivo;
        EXPECT_TRUE(leggi_file_servizio(leggi_file(c.percorso / "built/Valcorta_R2231.sim"), r.servizio, motivo)) << motivo;
        r.byte_piano = leggi_file(c.percorso / "built/Valcorta_linea.dat");
        EXPECT_TRUE(leggi_file_linea(r.byte_piano, r.x, r.y, motivo)) << motivo;
        return r;
    }();
    return v;
}

// The cell holding an item written at metre p: p / 50 + 1 for signals, slowdowns and boards.
const cella& punto(const std::vector<cella>& p, std::int32_t metri) { return p.at(static_cast<std::size_t>(metri / 50 + 1)); }
// The cell under metre p, for the track values (gradient, speed limit, adhesion, mountain).
const cella& sotto(const std::vector<cella>& p, std::int32_t metri) { return p.at(static_cast<std::size_t>(metri / 50)); }

std::vector<std::size_t> celle_di_tipo(const std::vector<cella>& p, std::uint8_t t) {
    std::vector<std::size_t> r;
    for (std::size_t k = 0; k < p.size(); ++k)
        if (p[k].tipo_cella == t) r.push_back(k);
    return r;
}

// The example that uses every keyword of both formats builds with no status and no finding.
TEST(Examples, ValcortaBuildsWithNoStatusAndNoFinding) {
    const valcorta_compilato& v = valcorta();
    EXPECT_EQ(v.compila.uscita, 0) << v.compila.errori;
    EXPECT_EQ(v.compila.errori.find("status"), std::string::npos) << v.compila.errori;
    EXPECT_EQ(v.controlla.uscita, 0) << v.controlla.uscita_standard;
    EXPECT_NE(v.controlla.uscita_standard.find("\"errors\": 0"), std::string::npos) << v.controlla.uscita_standard;
    EXPECT_NE(v.controlla.uscita_standard.find("\"warnings\": 0"), std::string::npos) << v.controlla.uscita_standard;
    // 12000 m and the run-out: cells 0 to 380, and a plan of 20 bytes a metre.
    EXPECT_EQ(v.percorso.size(), 381u);
    EXPECT_EQ(v.byte_piano.size(), 20u * 19000u - 36u);
}

TEST(Examples, ValcortaLineFeaturesLandInTheRouteAndThePlan) {
    const valcorta_compilato& v = valcorta();
    const std::vector<cella>& p = v.percorso;
    ASSERT_EQ(p.size(), 381u);

    // Gradients, stored + 100.
    const std::pair<std::int32_t, int> pendenze[] = {{1000, 0}, {2000, 6}, {5000, 12}, {7000, -4}, {10000, 0}};
    for (const auto& [metri, per_mille] : pendenze) EXPECT_EQ(sotto(p, metri).pendenza, per_mille + 100) << metri;

    // The kind 2 stretch has no markers; the "11" stretch is kind 1 with a marker every 200 m.
    for (std::int32_t m = 0; m < 12000; m += 50) {
        const int atteso = m >= 3000 && m < 5000 ? 2 : m >= 9500 && m < 10500 ? 1 : 0;
        EXPECT_EQ(sotto(p, m).montagna, atteso) << m;
    }
    const std::vector<std::size_t> marcatori = celle_di_tipo(p, tipo::marcatore_montagna);
    ASSERT_EQ(marcatori.size(), 5u);
    for (std::size_t i = 0; i < marcatori.size(); ++i) {
        EXPECT_EQ(p[marcatori[i]].montagna, 1) << marcatori[i];
        if (i > 0) {
            EXPECT_EQ(marcatori[i] - marcatori[i - 1], 4u);
        }
    }

    const cella& indicatori = punto(p, 2400);
    EXPECT_EQ(indicatori.tipo_cella, tipo::indicatori_velocita);
    EXPECT_EQ(indicatori.valore1, 80 / 5 * 100 + 75 / 5);  // 80 km/h left, 75 km/h right

    const cella& cartello = punto(p, 5450);
    ASSERT_EQ(cartello.tipo_cella, tipo::cartello);
    EXPECT_EQ(v.servizio.at(static_cast<std::size_t>(cartello.valore1)).nome, "(GALLERIA  )(MONTE AGRO)");

    // Straight up to the first curve, and turned to the right (towards +x) after it.
    ASSERT_GT(v.x.size(), 12000u);
    EXPECT_EQ(v.x[800].valore, 0.0);
    EXPECT_GT(v.x[1200].valore, 0.0);
    EXPECT_NE(v.x[12000].valore, 0.0);

    // General block: kilometre references sorted by start, the flag's 100 m added; backgrounds;
    // signal repetition with nine codes.
    const slot_servizio& r81 = v.servizio[81];
    const slot_servizio& r82 = v.servizio[82];
    EXPECT_EQ((std::array{r81.inizio, r81.fine, r81.posizione}), (std::array{6000, 29750, 1}));
    EXPECT_EQ((std::array{r82.inizio, r82.fine, r82.posizione}), (std::array{0, 23400, 0}));
    EXPECT_EQ(v.servizio[84].fine, 12000);
    EXPECT_EQ((std::array{v.servizio[85].inizio, v.servizio[85].posizione, v.servizio[85].fine}), (std::array{1, 0, 0}));
    EXPECT_EQ((std::array{v.servizio[86].inizio, v.servizio[86].fine, v.servizio[86].posizione}), (std::array{2000, 10000, 9}));
}

TEST(Examples, ValcortaServiceFeaturesLandInTheRouteAndTheSlots) {
    const valcorta_compilato& v = valcorta();
    const std::vector<cella>& p = v.percorso;
    const auto& s = v.servizio;
    ASSERT_EQ(p.size(), 381u);

    EXPECT_EQ(s[84].inizio, 115);
    EXPECT_EQ(s[84].posizione, 4);
    EXPECT_EQ(s[86].campo7, 250);
    EXPECT_EQ((std::array{s[86].campo10, s[86].campo11, s[86].campo12}), (std::array<std::int16_t, 3>{7, 58, 30}));
    EXPECT_EQ(s[85].nome, "Valcorta");
    EXPECT_EQ(s[86].nome, "R2231");

    // Speed limits in steps of 5 km/h, adhesion as written.
    EXPECT_EQ(sotto(p, 300).velocita_limite, 40 / 5);
    EXPECT_EQ(sotto(p, 3000).velocita_limite, 90 / 5);
    EXPECT_EQ(sotto(p, 8000).velocita_limite, 70 / 5);
    EXPECT_EQ(sotto(p, 11500).velocita_limite, 50 / 5);
    EXPECT_EQ(sotto(p, 2000).aderenza, 90);
    EXPECT_EQ(sotto(p, 4000).aderenza, 70);
    EXPECT_EQ(sotto(p, 6000).aderenza, 90);

    // The four stations in file order, each with its stop marker naming its slot.
    const char* nomi[] = {"PIANURA", "CASELLO ALTO", "SELVA", "VALCORTA CITT\xC0"};
    const std::int32_t posizioni[] = {0, 4200, 6500, 11000};
    for (std::size_t j = 1; j <= 4; ++j) {
        EXPECT_EQ(s[j].nome, nomi[j - 1]);
        EXPECT_EQ(s[j].posizione, posizioni[j - 1]);
        const cella& fermata = p.at(static_cast<std::size_t>(s[j].fine / 50 - 1));
        EXPECT_EQ(fermata.tipo_cella, tipo::fermata_stazione) << j;
        EXPECT_EQ(fermata.valore1, static_cast<std::int16_t>(j));
    }
    EXPECT_TRUE(s[5].nome.empty());
    EXPECT_EQ(s[3].orario, (8 * 60 + 7) * 60);
    EXPECT_EQ(s[3].sosta, 45);
    // Field 6 puts the terminus's end 50 m further; its field 5 is kept (600 m, not the first).
    EXPECT_EQ(s[4].fine, 11000 + 300 + 50);
    EXPECT_EQ(s[4].campo5, 2);

    // Signals, the kind 2 one on the mountain keeping its time value.
    for (std::int32_t m : {1250, 5700, 9700}) EXPECT_EQ(punto(p, m).tipo_cella, tipo::segnale) << m;
    EXPECT_EQ(celle_di_tipo(p, tipo::segnale).size(), 3u);
    EXPECT_EQ(punto(p, 9700).tempo_segnale, 120);

    // The slowdown: warning 1200 m before, four pre-warning cells in front of it, start and end.
    const cella& avviso = punto(p, 8800 - 1200);
    EXPECT_EQ(avviso.tipo_cella, tipo::avviso_rallentamento);
    EXPECT_EQ(avviso.valore1, 30);
    EXPECT_EQ(punto(p, 8800).tipo_cella, tipo::inizio_rallentamento);
    EXPECT_EQ(punto(p, 8800 + 600).tipo_cella, tipo::fine_rallentamento);
    const std::size_t k_avviso = static_cast<std::size_t>(&avviso - p.data());
    for (std::size_t i = 1; i <= 4; ++i) {
        EXPECT_EQ(p[k_avviso - i].tipo_cella, tipo::preavviso_rallentamento) << i;
        EXPECT_EQ(p[k_avviso - i].valore1, static_cast<std::int16_t>(i));
    }

    // Speed boards: the two written ones, and the 180 km/h boards the compile adds around a slow
    // slowdown: three before its start, one inside it and one before the signal after it.
    const cella& tabella = p.at(3500 / 50);
    EXPECT_EQ(tabella.tipo_cella, tipo::tabella_con_valore);
    EXPECT_EQ(tabella.valore1, 60);
    EXPECT_EQ(p.at(7000 / 50).tipo_cella, tipo::tabella_senza_valore);
    std::vector<std::size_t> aggiunte;
    for (std::size_t k : celle_di_tipo(p, tipo::tabella_con_valore))
        if (p[k].valore1 == 180) aggiunte.push_back(k);
    const std::size_t inizio = static_cast<std::size_t>(&punto(p, 8800) - p.data());
    const std::size_t fine = static_cast<std::size_t>(&punto(p, 8800 + 600) - p.data());
    const std::size_t segnale_dopo = static_cast<std::size_t>(&punto(p, 9700) - p.data());
    ASSERT_EQ(aggiunte.size(), 5u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_LT(aggiunte[i], inizio);
        EXPECT_GE(aggiunte[i] + 20, inizio);
    }
    EXPECT_GT(aggiunte[3], inizio);
    EXPECT_LT(aggiunte[3], fine);
    EXPECT_EQ(aggiunte[4], segnale_dopo - 1);
}

// Every worked example of docs/formats.md is read as the compile reads it: each builds with no
// status, changes the built files, and every keyword of both formats has one.
struct esempio_manuale {
    bool linea;
    std::string testo;
    int riga;
};

std::vector<esempio_manuale> esempi_del_manuale() {
    std::vector<esempio_manuale> r;
    std::istringstream in(leggi_file(sorgenti / "docs/formats.md"));
    std::string riga;
    esempio_manuale* aperto = nullptr;
    for (int n = 1; std::getline(in, riga); ++n) {
        if (aperto) {
            if (riga == "```")
                aperto = nullptr;
            else
                aperto->testo += riga + "\r\n";
        } else if (riga == "```line-description" || riga == "```service-description") {
            r.push_back({riga == "```line-description", "", n});
            aperto = &r.back();
        }
    }
    return r;
}

bool contiene_nc(std::string t, const std::string& cosa) {
    for (char& c : t) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return t.find(cosa) != std::string::npos;
}

TEST(Examples, WorkedExamplesOfTheFormatsReferenceBuildWithNoStatus) {
    const std::vector<esempio_manuale> esempi = esempi_del_manuale();
    ASSERT_FALSE(esempi.empty());
    const std::string generale = "[generale]\r\nlunghezza percorso,    12000\r\n";
    const std::string linea_vuota = generale + "[curve]\r\n[fine]\r\n";
    const std::string servizio_vuoto = "[generale]\r\n[fine]\r\n";
    const file_compilati vuoto = compila_e_serializza(linea_vuota, servizio_vuoto);
    ASSERT_EQ(vuoto.stato, 0);

    const char* parole_generale[] = {"lunghezza", "progressiva", "sfondo", "ripetizione"};
    const char* tutte[] = {"lunghezza percorso", "progressiva chilometrica uno", "progressiva chilometrica due",
                           "progressiva chilometrica tre", "sfondo uno", "sfondo due", "sfondo tre",
                           "ripetizione segnali", "pendenza", "curvas", "curvad", "montagna", "indicatori_vmax",
                           "cartello_indicatore", "percentuale massa frenata", "numero vetture", "velocita",
                           "aderenza", "orologio", "sabbia", "segnale", "rallentamento", "abbattimento", "stazione"};
    std::set<std::string> trovate;
    for (const esempio_manuale& e : esempi) {
        bool nel_generale = false;
        for (const char* parola : parole_generale) nel_generale = nel_generale || contiene_nc(e.testo, parola);
        const std::string linea = !e.linea ? linea_vuota
                                  : nel_generale ? generale + e.testo + "[curve]\r\n[fine]\r\n"
                                                 : generale + "[curve]\r\n" + e.testo + "[fine]\r\n";
        const std::string servizio = e.linea ? servizio_vuoto : "[generale]\r\n" + e.testo + "[fine]\r\n";
        const file_compilati f = compila_e_serializza(linea, servizio);
        EXPECT_EQ(f.stato, 0) << "docs/formats.md:" << e.riga;
        EXPECT_FALSE(f.percorso.empty()) << "docs/formats.md:" << e.riga;
        EXPECT_TRUE(f.linea != vuoto.linea || f.servizio != vuoto.servizio || f.percorso != vuoto.percorso)
            << "docs/formats.md:" << e.riga << ": the example changes nothing";
        for (const char* parola : tutte)
            if (contiene_nc(e.testo, parola)) trovate.insert(parola);
    }
    for (const char* parola : tutte) EXPECT_TRUE(trovate.count(parola)) << "no worked example of " << parola;
}

}  // namespace
