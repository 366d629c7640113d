// The plot command on compiled files, run as the built program.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "avvia_programma.hpp"
#include "cartella_temporanea.hpp"
#include "format/file_binari.hpp"
#include "format/lettura_piano.hpp"

namespace {

const std::string esempi = std::string(GS_SOURCE_DIR) + "/examples";

esecuzione comando(const cartella_temporanea& c, const std::string& argomenti) {
    return avvia_in(c.percorso, GENERA_SCENARIO_EXE, argomenti);
}

std::size_t conta(const std::string& testo, const std::string& cercato) {
    std::size_t n = 0;
    for (std::size_t at = testo.find(cercato); at != std::string::npos; at = testo.find(cercato, at + 1)) ++n;
    return n;
}

std::string attributo(const std::string& svg, std::size_t da, const std::string& nome) {
    const std::size_t a = svg.find(" " + nome + "=\"", da);
    if (a == std::string::npos) return "";
    const std::size_t inizio = a + nome.size() + 3;
    return svg.substr(inizio, svg.find('"', inizio) - inizio);
}

class Plot : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(comando(c, "compile '" + esempi + "/Sorvanta_linea.txt' '" + esempi + "/Sorvanta_E48027-.txt'").uscita,
                  0);
    }
    cartella_temporanea c;
};

TEST_F(Plot, ScenarioIncorporato) {
    const esecuzione e = comando(c, "plot .");
    ASSERT_EQ(e.uscita, 0) << e.errori;
    const std::string svg = c.leggi("Sorvanta_E48027.svg");
    EXPECT_LT(svg.size(), 1000000u);
    EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
    EXPECT_NE(svg.find("Sorvanta_E48027 \xE2\x80\x94 line 39000 m"), std::string::npos);
    // One marker for each station, signal and sign board; every station keeps its label.
    EXPECT_EQ(conta(svg, "class=\"station\""), 11u);
    EXPECT_EQ(conta(svg, "class=\"station-label\""), 11u);
    EXPECT_EQ(conta(svg, "class=\"signal\""), 18u);
    EXPECT_EQ(conta(svg, "class=\"sign\""), 15u);
    EXPECT_EQ(conta(svg, "class=\"extent\""), 11u);
    EXPECT_EQ(conta(svg, "class=\"profile\""), 3u);
    if (std::system("command -v xmllint >/dev/null 2>&1") == 0) {
        EXPECT_EQ(avvia_in(c.percorso, "xmllint", "--noout Sorvanta_E48027.svg").uscita, 0);
    }
}

TEST_F(Plot, LaPolilineaFinisceSullUltimoPuntoDelPiano) {
    ASSERT_EQ(comando(c, "plot . -o piano.svg").uscita, 0);
    const std::string svg = c.leggi("piano.svg");
    const std::size_t at = svg.find("<polyline id=\"plan\"");
    ASSERT_NE(at, std::string::npos);
    const double scala = std::stod(attributo(svg, at, "data-scale"));
    const double x0 = std::stod(attributo(svg, at, "data-x0"));
    const double y0 = std::stod(attributo(svg, at, "data-y0"));
    const double sinistra = std::stod(attributo(svg, at, "data-left"));
    const double alto = std::stod(attributo(svg, at, "data-top"));
    const std::string punti = attributo(svg, at, "points");
    const std::string ultimo = punti.substr(punti.find_last_of(' ') + 1);
    const double px = std::stod(ultimo.substr(0, ultimo.find(',')));
    const double py = std::stod(ultimo.substr(ultimo.find(',') + 1));

    std::vector<elemento_linea> x, y;
    std::string motivo;
    ASSERT_TRUE(leggi_file_linea(c.leggi("Sorvanta_linea.dat"), x, y, motivo));
    ASSERT_EQ(x[45998].genere, genere_elemento::reale64);
    ASSERT_EQ(x[45999].genere, genere_elemento::vuoto);
    EXPECT_NEAR(px, sinistra + (x[45998].valore - x0) * scala, 0.051);
    EXPECT_NEAR(py, alto + (y0 - y[45998].valore) * scala, 0.051);
}

TEST_F(Plot, SenzaPianoSoloIProfili) {
    cartella_temporanea d;
    ASSERT_EQ(comando(d, "compile '" + esempi + "/Sorvanta_linea.txt' '" + esempi + "/Sorvanta_E48027-.txt' --no-plan")
                  .uscita,
              0);
    ASSERT_EQ(comando(d, "plot Sorvanta_E48027.sim Sorvanta_E48027.dat").uscita, 0);
    const std::string svg = d.leggi("Sorvanta_E48027.svg");
    EXPECT_EQ(svg.find("id=\"plan\""), std::string::npos);
    EXPECT_EQ(conta(svg, "class=\"profile\""), 3u);
    EXPECT_EQ(conta(svg, "class=\"extent\""), 11u);
}

TEST_F(Plot, FileMancantiORovinati) {
    const std::string sim = c.leggi("Sorvanta_E48027.sim");
    c.scrivi("Rotto_E1.sim", sim.substr(0, 100));
    c.scrivi("Rotto_E1.dat", c.leggi("Sorvanta_E48027.dat"));
    struct caso {
        const char* argomenti;
        int uscita;
        const char* messaggio;
    };
    for (const caso& k : {caso{"plot . --train X1", 1, "cannot open ./Sorvanta_X1.sim"},
                          caso{"plot Rotto_E1.sim Rotto_E1.dat", 1, "not a service slot file"},
                          caso{"plot Sorvanta_E48027.sim", 64, "needs the slot file"},
                          caso{"plot", 64, "takes a folder"},
                          caso{"plot . --colour", 64, "unknown option --colour"}}) {
        const esecuzione e = comando(c, k.argomenti);
        EXPECT_EQ(e.uscita, k.uscita) << k.argomenti;
        EXPECT_NE(e.errori.find(k.messaggio), std::string::npos) << k.argomenti << ": " << e.errori;
    }
    EXPECT_FALSE(c.esiste("Rotto_E1.svg"));
}

}  // namespace
