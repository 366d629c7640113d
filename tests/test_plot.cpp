// The plot command on compiled files, run as the built program.
#include <gtest/gtest.h>

#include <bit>
#include <cctype>
#include <cmath>
#include <random>
#include <limits>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "avvia_programma.hpp"
#include "bench/scenario_generato.hpp"
#include "cartella_temporanea.hpp"
#include "format/codec.hpp"
#include "format/file_binari.hpp"
#include "format/lettura_piano.hpp"
#include "harness/compila_in_memoria.hpp"
#include "harness/descrizioni_casuali.hpp"
#include "tests/ambiente.hpp"

namespace {

const std::string esempi_plot = std::string(GS_SOURCE_DIR) + "/examples";

esecuzione comando(const cartella_temporanea& c, const std::string& argomenti) {
    return avvia_in(c.percorso, programma_in_prova(), argomenti);
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

std::string legenda_di(const std::string& svg) {
    const std::size_t da = svg.find("<g id=\"legend\"");
    return svg.substr(da, svg.find("</g>", da) - da);
}

class Plot : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(comando(c, "compile '" + esempi_plot + "/Sorvanta_linea.txt' '" + esempi_plot + "/Sorvanta_E48027-.txt'").uscita,
                  0);
    }
    cartella_temporanea c;
};

TEST_F(Plot, BuiltInScenario) {
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
    // Gradient, curvature, speed limit and adhesion, then the timetable's two panels: the fastest
    // run against the limit, and time along the line with the three scheduled times as points.
    EXPECT_EQ(conta(svg, "class=\"profile\""), 6u);
    EXPECT_NE(svg.find("id=\"run-speed\""), std::string::npos);
    EXPECT_NE(svg.find("id=\"run-time\""), std::string::npos);
    EXPECT_EQ(conta(svg, "class=\"scheduled\""), 3u);
    EXPECT_NE(svg.find("STAZIONE 10: scheduled 10:58:00, slack"), std::string::npos);
    EXPECT_NE(svg.find("width=\"1280\""), std::string::npos);
    // The first signal, written at 1450 m, and the first sign board keep their labels.
    EXPECT_NE(svg.find(">S 1.45</text>"), std::string::npos);
    EXPECT_NE(svg.find(">PONTE SUL FIUME VALSIN 1</text>"), std::string::npos);
    EXPECT_NE(svg.find(">line end 39 km</text>"), std::string::npos);
    EXPECT_NE(svg.find("id=\"plan-run-out\""), std::string::npos);
    // The legend lists only what is drawn: no mountain and no slowdown in this scenario.
    const std::string legenda = legenda_di(svg);
    for (const char* voce : {">track plan<", ">run-out<", ">signal<", ">sign board<", ">station<", ">curvature<"})
        EXPECT_NE(legenda.find(voce), std::string::npos) << voce;
    for (const char* voce : {">mountain<", ">slowdown<", ">speed board<"})
        EXPECT_EQ(legenda.find(voce), std::string::npos) << voce;
    if (std::system("command -v xmllint >/dev/null 2>&1") == 0) {
        EXPECT_EQ(avvia_in(c.percorso, "xmllint", "--noout Sorvanta_E48027.svg").uscita, 0);
    }
}

TEST_F(Plot, PolylineEndsOnThePlansLastPoint) {
    ASSERT_EQ(comando(c, "plot . -o piano.svg").uscita, 0);
    const std::string svg = c.leggi("piano.svg");
    const std::size_t at = svg.find("<polyline id=\"plan\"");
    ASSERT_NE(at, std::string::npos);
    const double scala = std::stod(attributo(svg, at, "data-scale"));
    const double x0 = std::stod(attributo(svg, at, "data-x0"));
    const double y0 = std::stod(attributo(svg, at, "data-y0"));
    const double sinistra = std::stod(attributo(svg, at, "data-left"));
    const double alto = std::stod(attributo(svg, at, "data-top"));
    auto ultimo_punto = [&](std::size_t da) {
        const std::string punti = attributo(svg, da, "points");
        const std::string ultimo = punti.substr(punti.find_last_of(' ') + 1);
        return std::pair{std::stod(ultimo.substr(0, ultimo.find(','))), std::stod(ultimo.substr(ultimo.find(',') + 1))};
    };

    std::vector<elemento_linea> x, y;
    std::string motivo;
    ASSERT_TRUE(leggi_file_linea(c.leggi("Sorvanta_linea.dat"), x, y, motivo));
    ASSERT_EQ(x[45998].genere, genere_elemento::reale64);
    ASSERT_EQ(x[45999].genere, genere_elemento::vuoto);
    // The line ends at 39000 m; the run-out goes on to the last traced point.
    for (const auto& [id, metro] : {std::pair{"<polyline id=\"plan\"", 39000}, std::pair{"<polyline id=\"plan-run-out\"", 45998}}) {
        const auto [px, py] = ultimo_punto(svg.find(id));
        const std::size_t m = static_cast<std::size_t>(metro);
        EXPECT_NEAR(px, sinistra + (x[m].valore - x0) * scala, 0.051) << id;
        EXPECT_NEAR(py, alto + (y0 - y[m].valore) * scala, 0.051) << id;
    }
}

// A short scenario with every kind of object: each keeps its label, the slowdown is drawn in
// the speed panel at its speed, and the curves show in the curvature panel.
TEST(PlotInMemory, EveryObjectHasItsLabel) {
    std::string svg;
    ASSERT_TRUE(plot_in_memoria("\x01", &svg));
    for (const char* etichetta : {">S 1.45<", ">PONTE SUL FIUME<", ">95/100/105 | 95/100/105<", ">180<", ">warning 30<",
                                  ">PARTENZA<", ">ARRIVO<", ">line end 4 km<", ">km 150.4<", ">km 12<"})
        EXPECT_NE(svg.find(etichetta), std::string::npos) << etichetta;
    // A kilometre reference's label gives the chainage in effect; its title, what was written.
    EXPECT_NE(svg.find("<title>kilometre reference: km 150.4 at 0 km along the line (written 150.3, raised 100 m by "
                       "its flag)</title>"),
              std::string::npos);
    EXPECT_NE(svg.find("<title>kilometre reference: km 12 at 2 km along the line</title>"), std::string::npos);
    EXPECT_EQ(svg.find("left out where crowded"), std::string::npos);
    EXPECT_EQ(conta(svg, "class=\"slowdown\""), 1u);
    EXPECT_NE(svg.find("<title>slowdown 30 km/h, 2500 to 2900 m</title>"), std::string::npos);
    EXPECT_EQ(conta(svg, "class=\"mountain\""), 1u);
    EXPECT_NE(svg.find("id=\"profile-curvature\""), std::string::npos);
}

// A line of random curves: every class, both sides, lengths from 50 to 1500 m, back to back or
// apart, at positions off the 50 m grid, on a line of 20 to 120 km.
std::string linea_curva_casuale(std::uint32_t seme) {
    std::mt19937 g(seme);
    auto tra = [&](std::int64_t a, std::int64_t b) { return std::uniform_int_distribution<std::int64_t>(a, b)(g); };
    const std::int64_t lunghezza = tra(20000, 120000);
    std::string l = "[generale]\r\nlunghezza percorso, " + std::to_string(lunghezza) + "\r\n[curve]\r\n";
    for (std::int64_t p = tra(0, 500); p < lunghezza;) {
        const std::int64_t lungo = tra(50, 1500);
        l += std::string(tra(0, 1) ? "curvas" : "curvad") + std::to_string(tra(1, 6)) + ", " + std::to_string(p) + ", " +
             std::to_string(lungo) + "\r\n";
        p += lungo + (tra(0, 2) == 0 ? 0 : tra(1, 2000));
    }
    return l + "[fine]\r\n";
}

// What a drawn page must be whatever the line: one whole SVG document, its groups closed, and
// no coordinate that is not a number (nan, inf).
::testing::AssertionResult pagina_sana(const std::string& svg) {
    if (svg.rfind("<?xml", 0) != 0 || !svg.ends_with("</svg>\n") || conta(svg, "<svg") != 1)
        return ::testing::AssertionFailure() << "not one whole SVG document";
    if (conta(svg, "<g") != conta(svg, "</g>")) return ::testing::AssertionFailure() << "a group left open";
    for (const char* parola : {"nan", "inf"}) {
        for (std::size_t at = svg.find(parola); at != std::string::npos; at = svg.find(parola, at + 1)) {
            const auto lettera = [&](std::size_t i) { return i < svg.size() && std::isalpha(static_cast<unsigned char>(svg[i])); };
            if ((at == 0 || !lettera(at - 1)) && !lettera(at + 3))
                return ::testing::AssertionFailure() << "\"" << parola << "\" at byte " << at << ": "
                                                     << svg.substr(at < 60 ? 0 : at - 60, 120);
        }
    }
    if (svg.find(">line end ") == std::string::npos) return ::testing::AssertionFailure() << "no line end label";
    return ::testing::AssertionSuccess();
}

// The 1,000,000 m line: the polyline and the strips are drawn at the page's resolution.
TEST(PlotInMemory, MillionMetreLine) {
    const descrizioni_generate d = genera_descrizioni(1000000);
    const file_compilati f = compila_e_serializza(d.linea, d.servizio);
    ASSERT_EQ(f.linea.size(), 20u * 1007000u - 36u);
    scenario_to_plot s;
    std::string errore;
    const named_bytes piano{"x_linea.dat", f.linea}, slot{"x.sim", f.servizio}, percorso{"x.dat", f.percorso};
    ASSERT_TRUE(prepare_plot(&piano, slot, percorso, "x", s, errore)) << errore;
    const std::string svg = plot_svg(s);
    EXPECT_LT(svg.size(), 2000000u);
    EXPECT_NE(svg.find(">line end 1000 km<"), std::string::npos);
    EXPECT_TRUE(pagina_sana(svg));
}

// Every plan that tracing can produce plots: curve steps lengthen the step by sqrt(1 + k^2) and
// nothing shortens it again, so long curvy lines have steps well over 1 m. The built-in scenario,
// the generated lines from 20 km to 1000 km, a line of tight curves back to back and random
// curvy lines are all drawn, and the longest step of each stays within what the check allows.
// Each is drawn as a whole page with no coordinate that is not a number.
TEST(PlotInMemory, EveryTracedPlanPlots) {
    struct caso {
        std::string nome, linea, servizio;
        bool disegnato = true;
    };
    std::vector<caso> casi{{"built-in", linea_incorporata(), servizio_incorporato()}};
    for (std::int64_t lunghezza : {20000, 54250, 100000, 300000, 1000000}) {
        const descrizioni_generate d = genera_descrizioni(lunghezza);
        // MillionMetreLine draws the 1000 km page: drawn here too, it doubled this test's time.
        casi.push_back({"generated " + std::to_string(lunghezza), d.linea, d.servizio, lunghezza < 1000000});
    }
    // 100 km of class 6 curves, each 400 m, alternating sides, back to back.
    std::string strette = "[generale]\r\nlunghezza percorso, 100000\r\n[curve]\r\n";
    for (std::int64_t p = 100; p + 400 <= 100000; p += 400)
        strette += std::string(p / 400 % 2 ? "curvas6, " : "curvad6, ") + std::to_string(p) + ", 400\r\n";
    casi.push_back({"tight curves", strette + "[fine]\r\n", "[generale]\r\nvelocita, 0, 100\r\n[fine]\r\n"});
    for (std::uint32_t seme = 1; seme <= 12; ++seme) {
        const descrizioni_casuali d = genera_casuali(seme);
        casi.push_back({"random " + std::to_string(seme), d.linea, d.servizio});
    }
    for (std::uint32_t seme = 1; seme <= 6; ++seme)
        casi.push_back({"random curves " + std::to_string(seme), linea_curva_casuale(seme),
                        "[generale]\r\nvelocita, 0, 100\r\n[fine]\r\n"});
    double piu_lungo = 0;
    for (const caso& k : casi) {
        const file_compilati f = compila_e_serializza(k.linea, k.servizio);
        if (f.linea.empty()) continue;  // a status that stops the build: nothing to draw
        scenario_to_plot s;
        std::string errore;
        const named_bytes piano{"x_linea.dat", f.linea}, slot{"x.sim", f.servizio}, percorso{"x.dat", f.percorso};
        ASSERT_TRUE(prepare_plot(&piano, slot, percorso, "x", s, errore)) << k.nome << ": " << errore;
        EXPECT_TRUE(s.has_plan) << k.nome << ", status " << f.stato;
        if (k.disegnato) {
            const std::string svg = plot_svg(s);
            EXPECT_TRUE(pagina_sana(svg)) << k.nome;
            EXPECT_LT(svg.size(), 2000000u) << k.nome;
            if (k.nome == "built-in" || k.nome == "tight curves" || k.nome.starts_with("random curves")) {
                EXPECT_NE(svg.find("plan-panel"), std::string::npos) << k.nome;
            }
        }
        // The longest step of the plan, against the check's bound.
        std::vector<elemento_linea> x, y;
        ASSERT_TRUE(leggi_file_linea(f.linea, x, y, errore));
        double passo = 0;
        for (std::size_t m = 1; m < x.size(); ++m)
            if (x[m].genere != genere_elemento::vuoto)
                passo = std::max(passo, std::hypot(x[m].valore - x[m - 1].valore, y[m].valore - y[m - 1].valore));
        EXPECT_LE(passo, passo_massimo_piano(x.size())) << k.nome;
        piu_lungo = std::max(piu_lungo, passo);
    }
    // The tight curves reach steps that a 1 m limit refused.
    EXPECT_GT(piu_lungo, 1.2);
}

// Files that do not belong together or hold values no trace makes are refused, naming the
// file and the metre; nothing is converted to an integer on the way.
TEST(PlotInMemory, HostileFilesAreRefused) {
    const file_compilati& f = scenario_da_disegnare();
    const file_compilati& altro = compila_e_serializza(linea_incorporata(), servizio_incorporato());
    auto con_x = [&](double v) {
        std::string byte = f.linea;
        const auto bit = std::bit_cast<std::uint64_t>(v);
        for (std::size_t i = 0; i < 8; ++i) byte[8 + 10 * 998 + 2 + i] = static_cast<char>((bit >> (8 * i)) & 0xFFu);
        return byte;
    };
    struct caso {
        std::string piano, slot, percorso;
        const char* messaggio;
    };
    for (const caso& k : {
             caso{con_x(std::numeric_limits<double>::infinity()), f.servizio, f.percorso, "x_linea.dat: metre 1000: x is inf"},
             caso{con_x(-std::numeric_limits<double>::infinity()), f.servizio, f.percorso, "metre 1000: x is -inf"},
             caso{con_x(std::numeric_limits<double>::quiet_NaN()), f.servizio, f.percorso, "metre 1000: x is nan"},
             caso{con_x(1e300), f.servizio, f.percorso, "metre 1000: the point lies 1e+300 m from the one before"},
             caso{f.linea, f.servizio, altro.percorso, "x.dat: holds 921 cells, but the line length 4000 m of x.sim makes 221"},
             caso{altro.linea, f.servizio, f.percorso, "x_linea.dat: holds 46001 metres"},
             caso{f.linea + std::string(4000, '\0'), f.servizio, f.percorso, "metre 0 is an integer in the x half"},
             caso{f.linea.substr(0, 1000), f.servizio, f.percorso, "x_linea.dat: not a line plan file"},
             caso{f.linea, f.servizio.substr(0, 40), f.percorso, "x.sim: not a service slot file"},
         }) {
        scenario_to_plot s;
        std::string errore;
        const named_bytes piano{"x_linea.dat", k.piano}, slot{"x.sim", k.slot}, percorso{"x.dat", k.percorso};
        EXPECT_FALSE(prepare_plot(&piano, slot, percorso, "x", s, errore)) << k.messaggio;
        EXPECT_NE(errore.find(k.messaggio), std::string::npos) << errore;
    }
    // A line length outside the route's range.
    std::string slot_lungo = f.servizio;
    std::size_t at = 0;
    for (int k = 0; k < slot_generale; ++k)
        at += 34u + static_cast<unsigned char>(slot_lungo[at + 14]) + 256u * static_cast<unsigned char>(slot_lungo[at + 15]);
    for (std::size_t i = 0; i < 4; ++i) slot_lungo[at + 5 + i] = i == 3 ? '\x7F' : '\xFF';
    scenario_to_plot s;
    std::string errore;
    const named_bytes slot{"x.sim", slot_lungo}, percorso{"x.dat", f.percorso};
    EXPECT_FALSE(prepare_plot(nullptr, slot, percorso, "x", s, errore));
    EXPECT_NE(errore.find("the line length 2147483647 m is outside 0 to 1000000"), std::string::npos) << errore;
}

TEST_F(Plot, CompileDrawsBesideTheFiles) {
    cartella_temporanea d;
    const esecuzione e = comando(d, "compile '" + esempi_plot + "/Sorvanta_linea.txt' '" + esempi_plot +
                                        "/Sorvanta_E48027-.txt' --out fuori --plot --scenario Altra");
    ASSERT_EQ(e.uscita, 0) << e.errori;
    // The one line of what was written names the picture with the files.
    EXPECT_EQ(e.errori, "wrote fuori/Altra_linea.dat, fuori/Altra_E48027.sim, fuori/Altra_E48027.dat, "
                        "fuori/Altra_E48027.svg\n");
    EXPECT_NE(d.leggi("fuori/Altra_E48027.svg").find("Altra_E48027 \xE2\x80\x94 line 39000 m"), std::string::npos);
    // --output, the name plot first took for -o, still works.
    const esecuzione piano =
        comando(d, "plot fuori/Altra_E48027.sim fuori/Altra_E48027.dat fuori/Altra_linea.dat --output p.svg");
    ASSERT_EQ(piano.uscita, 0) << piano.errori;
    EXPECT_NE(d.leggi("p.svg").find("id=\"plan\""), std::string::npos);
}

// The picture is drawn before anything is replaced and written in one set with the files: when
// it cannot take its place, the earlier set stays whole and nothing is written.
TEST_F(Plot, CompileWhosePictureCannotBeWrittenLeavesTheEarlierSet) {
    std::filesystem::create_directories(c / "Sorvanta_E48027.svg/in the way");
    const std::string prima[] = {c.leggi("Sorvanta_linea.dat"), c.leggi("Sorvanta_E48027.sim"), c.leggi("Sorvanta_E48027.dat")};
    const esecuzione e = comando(c, "compile '" + esempi_plot + "/Valcorta_linea.txt' '" + esempi_plot + "/Valcorta_R2231-.txt' --plot");
    EXPECT_EQ(e.uscita, 1) << e.errori;
    EXPECT_NE(e.errori.find("Sorvanta_E48027.svg"), std::string::npos) << e.errori;
    EXPECT_EQ(e.errori.find("wrote"), std::string::npos) << e.errori;
    EXPECT_EQ(c.leggi("Sorvanta_linea.dat"), prima[0]);
    EXPECT_EQ(c.leggi("Sorvanta_E48027.sim"), prima[1]);
    EXPECT_EQ(c.leggi("Sorvanta_E48027.dat"), prima[2]);
    std::size_t voci = 0;
    for ([[maybe_unused]] const auto& voce : std::filesystem::directory_iterator(c.percorso)) ++voci;
    EXPECT_EQ(voci, 4u);  // the three files and the folder in the picture's way; no temporary left
}

TEST_F(Plot, WithoutPlanOnlyTheProfiles) {
    cartella_temporanea d;
    ASSERT_EQ(comando(d, "compile '" + esempi_plot + "/Sorvanta_linea.txt' '" + esempi_plot + "/Sorvanta_E48027-.txt' --no-plan")
                  .uscita,
              0);
    ASSERT_EQ(comando(d, "plot Sorvanta_E48027.sim Sorvanta_E48027.dat").uscita, 0);
    const std::string svg = d.leggi("Sorvanta_E48027.svg");
    EXPECT_EQ(svg.find("id=\"plan\""), std::string::npos);
    // Gradient, speed limit, adhesion and the timetable's two panels (curves then do not count).
    EXPECT_EQ(conta(svg, "class=\"profile\""), 5u);
    // Without a plan the legend lists neither the plan nor the curvature.
    for (const char* voce : {">track plan<", ">run-out<", ">curvature<"})
        EXPECT_EQ(legenda_di(svg).find(voce), std::string::npos) << voce;
    EXPECT_EQ(conta(svg, "class=\"extent\""), 11u);
}

TEST_F(Plot, MissingOrDamagedFiles) {
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
