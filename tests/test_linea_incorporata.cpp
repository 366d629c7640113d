#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "builder/scrittore_documenti.hpp"
#include "cartella_temporanea.hpp"
#include "builder/costruzione.hpp"
#include "scenario/dati_linea.hpp"
#include "format/file_binari.hpp"
#include "format/lettura_piano.hpp"
#include "scenario/dati_treno.hpp"

namespace {

stato_build compila_incorporato(const cartella_temporanea& c, std::int32_t j) {
    stato_build s = stato_sorvanta(c);
    dati_linea(s);
    dati_treno(s);
    compila(s, {.piano = j != 0});
    return s;
}

TEST(BuiltInLine, DescriptionFile) {
    lista_righe righe = righe_linea();
    ASSERT_EQ(righe.size(), 113u);
    EXPECT_EQ(righe.front(), "[generale]");
    EXPECT_EQ(righe[111], "[fine]");
    EXPECT_EQ(righe[112], marcatore_fine);
    cartella_temporanea c;
    stato_build s = stato_sorvanta(c);
    dati_linea(s);
    const std::string testo = c.leggi("Sorvanta_linea.txt");
    EXPECT_EQ(testo.find("riferimento"), std::string::npos);
    std::size_t righe_scritte = 0;
    for (std::size_t i = 0; i + 1 < testo.size(); ++i)
        if (testo[i] == '\r' && testo[i + 1] == '\n') ++righe_scritte;
    EXPECT_EQ(righe_scritte, 112u);
    EXPECT_EQ(testo.substr(0, 12), "[generale]\r\n");
    EXPECT_EQ(testo.substr(testo.size() - 8), "[fine]\r\n");
}

TEST(BuiltInLine, RouteCells) {
    cartella_temporanea c;
    stato_build s = compila_incorporato(c, 0);
    EXPECT_FALSE(c.esiste("Sorvanta_linea.txt"));
    ASSERT_EQ(s.n_celle, 920);
    ASSERT_EQ(s.percorso.size(), 921u);
    EXPECT_EQ(s.estensione, 46000);

    const std::vector<std::pair<int, int>> pendenze = {{147, 100}, {273, 102}, {287, 100}, {351, 102}, {363, 100},
                                                       {491, 102}, {503, 100}, {621, 103}, {917, 100}, {920, 0}};
    int da = 0;
    for (const auto& [fino, valore] : pendenze) {
        for (int i = da; i <= fino; ++i) ASSERT_EQ(s.percorso[static_cast<std::size_t>(i)].pendenza, valore) << i;
        da = fino + 1;
    }

    struct indicatore {
        int cella, v1, v2, v3;
    };
    const indicatore indicatori[] = {{15, 1919, 2020, 2121}, {29, 2828, 3030, 3030}, {45, 1600, 1700, 1700},
                                     {115, 1200, 1300, 1300}, {225, 1400, 1500, 1500}, {333, 1200, 1300, 1300},
                                     {379, 1800, 1900, 1900}, {473, 1500, 1600, 1600}, {510, 1800, 1900, 1900},
                                     {598, 1200, 1300, 1300}, {637, 1100, 1100, 1100}};
    for (const indicatore& i : indicatori) {
        const cella& k = s.percorso[static_cast<std::size_t>(i.cella)];
        EXPECT_EQ(k.tipo_cella, tipo::indicatori_velocita) << i.cella;
        EXPECT_EQ(k.valore1, i.v1) << i.cella;
        EXPECT_EQ(k.valore2, i.v2) << i.cella;
        EXPECT_EQ(k.valore3, i.v3) << i.cella;
        EXPECT_EQ(k.valore4, 0) << i.cella;
    }

    const int celle_cartelli[] = {10, 12, 24, 83, 98, 101, 117, 127, 134, 141, 293, 361, 654, 655, 661};
    int slot = 80;
    for (int i : celle_cartelli) {
        const cella& k = s.percorso[static_cast<std::size_t>(i)];
        EXPECT_EQ(k.tipo_cella, tipo::cartello) << i;
        EXPECT_EQ(k.valore1, slot) << i;
        EXPECT_FALSE(s.servizio[static_cast<std::size_t>(slot)].nome.empty()) << slot;
        --slot;
    }
    EXPECT_EQ(s.servizio[80].nome, "(PONTE SUL     )(FIUME VALSIN 1)");
    EXPECT_EQ(s.servizio[66].nome, "(P.L.     )(Km 31.122)");
    EXPECT_TRUE(s.servizio[65].nome.empty());
    for (const cella& k : s.percorso) EXPECT_EQ(k.montagna, 0);
}

TEST(BuiltInLine, LineSlots) {
    cartella_temporanea c;
    stato_build s = compila_incorporato(c, 0);
    EXPECT_EQ(s.servizio[84].fine, 39000);
    EXPECT_EQ(s.servizio[85].inizio, 0);
    EXPECT_EQ(s.servizio[85].posizione, 0);
    EXPECT_EQ(s.servizio[85].fine, 1);
    EXPECT_EQ(s.servizio[85].nome, "Sorvanta");
    EXPECT_EQ(s.servizio[86].inizio, 0);
    EXPECT_EQ(s.servizio[86].fine, 35000);
    EXPECT_EQ(s.servizio[86].posizione, 4);
    EXPECT_EQ(s.servizio[86].nome, "E48027");
    EXPECT_EQ(s.servizio[81].inizio, 1500);
    EXPECT_EQ(s.servizio[81].fine, -1900);
    EXPECT_EQ(s.servizio[81].posizione, 0);
    EXPECT_EQ(s.servizio[82].inizio, 0);
    EXPECT_EQ(s.servizio[82].fine, 150400);
    EXPECT_EQ(s.servizio[82].posizione, 1);
    EXPECT_EQ(s.servizio[83].inizio, 0);
    EXPECT_EQ(s.servizio[83].fine, 0);
    EXPECT_EQ(s.servizio[83].posizione, 0);
    EXPECT_EQ(s.servizio[0].nome, "");
}

TEST(BuiltInLine, LinePlan) {
    cartella_temporanea c;
    stato_build s = compila_incorporato(c, 1);
    ASSERT_TRUE(linea_creata(s.linea));
    EXPECT_EQ(s.linea.estensione, 46000);
    EXPECT_EQ(s.linea.metro, 45999);
    const std::string byte = serializza_linea(s.linea);
    EXPECT_EQ(byte.size(), 919964u);
    // The y half starts at 10 E - 18 with the integer 0 of metre 0.
    EXPECT_EQ(byte.substr(459982, 4), std::string("\x02\x00\x00\x00", 4));
    std::vector<elemento_linea> x, y;
    std::string motivo;
    ASSERT_TRUE(leggi_file_linea(byte, x, y, motivo)) << motivo;
    ASSERT_EQ(x.size(), 46001u);
    EXPECT_EQ(y[1].genere, genere_elemento::intero16);
    EXPECT_EQ(y[1].valore, 1.0);
    EXPECT_EQ(x[45998].genere, genere_elemento::reale64);
    EXPECT_EQ(x[45999].genere, genere_elemento::vuoto);
    // The track has turned: the line ends well off its initial heading.
    EXPECT_NE(x[45998].valore, 0.0);
    // Up to the first curve at 350 m the track runs straight along y.
    EXPECT_EQ(x[350].valore, 0.0);
    EXPECT_EQ(y[350].valore, 350.0);
    EXPECT_NE(x[352].valore, 0.0);
}

TEST(BuiltInLine, WithoutPlanNoRecords) {
    cartella_temporanea c;
    stato_build s = compila_incorporato(c, 0);
    EXPECT_FALSE(linea_creata(s.linea));
}

}  // namespace
