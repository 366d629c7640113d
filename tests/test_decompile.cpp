// decompile: descriptions back from compiled files, which compile to the very same bytes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bench/scenario_generato.hpp"
#include "decompile/decompilatore.hpp"
#include "harness/compila_in_memoria.hpp"
#include "harness/descrizioni_casuali.hpp"

namespace {

// The three files of a compile under the built-in names, with or without the plan; `stato`
// is -1 when the compile stops before writing anything.
struct compilato {
    scenario_compilato file;
    std::int32_t stato = -1;
};

compilato compila_file(const std::string& linea, const std::string& servizio, bool piano) {
    compilato c;
    c.file.nome_piano = "Sorvanta_linea.dat";
    c.file.nome_servizio = "Sorvanta_E48027.sim";
    c.file.nome_percorso = "Sorvanta_E48027.dat";
    c.file.con_piano = piano;
    stato_build s;
    s.scenario = "Sorvanta";
    s.treno = "E48027";
    try {
        if (compila(s, piano ? 1 : 0, descrizioni_in_memoria("linea", linea, "servizio", servizio)) != 0) return c;
    } catch (const errore_esecuzione&) {
        return c;
    }
    if (piano) c.file.piano = serializza_linea(s.linea);
    c.file.servizio = serializza_servizio(s.servizio);
    c.file.percorso = serializza_percorso(s.percorso);
    c.stato = s.errore_numero;
    return c;
}

// Decompiles the set and compiles the result again on its own: every byte must come back.
::testing::AssertionResult torna_uguale(const compilato& c) {
    const esito_decompilazione e = decompila(c.file);
    if (!e.riprodotto) return ::testing::AssertionFailure() << e.problema;
    const compilato d = compila_file(e.linea, e.servizio, c.file.con_piano);
    if (d.file.piano != c.file.piano || d.file.servizio != c.file.servizio || d.file.percorso != c.file.percorso)
        return ::testing::AssertionFailure() << "the recompiled bytes differ";
    if (e.scenario != "Sorvanta" || e.treno != "E48027")
        return ::testing::AssertionFailure() << "names " << e.scenario << " " << e.treno;
    return ::testing::AssertionSuccess();
}

std::string leggi(const std::filesystem::path& p) {
    std::ifstream f(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

TEST(decompile, built_in_scenario_comes_back_byte_for_byte) {
    const compilato c = compila_file(linea_incorporata(), servizio_incorporato(), true);
    ASSERT_EQ(c.stato, 0);
    EXPECT_TRUE(torna_uguale(c));
    // The plain build's own files, as the reference holds them.
    const std::filesystem::path riferimento = "/work/golden-ref/plain";
    if (std::filesystem::exists(riferimento)) {
        EXPECT_EQ(leggi(riferimento / "Sorvanta_E48027.dat"), c.file.percorso);
        EXPECT_EQ(leggi(riferimento / "Sorvanta_linea.dat"), c.file.piano);
    }
}

TEST(decompile, without_the_plan_the_line_is_written_straight_and_said_so) {
    const compilato c = compila_file(linea_incorporata(), servizio_incorporato(), false);
    ASSERT_EQ(c.stato, 0);
    EXPECT_TRUE(torna_uguale(c));
    const esito_decompilazione e = decompila(c.file);
    EXPECT_EQ(e.linea.find("curva"), std::string::npos);
    bool detta = false;
    for (const std::string& n : e.note) detta = detta || n.find("written straight") != std::string::npos;
    EXPECT_TRUE(detta);
}

TEST(decompile, the_built_in_texts_come_back_in_the_writers_layout) {
    const esito_decompilazione e = decompila(compila_file(linea_incorporata(), servizio_incorporato(), true).file);
    for (const char* riga : {"lunghezza percorso,    39000\r\n", "progressiva chilometrica due,    1500,    -1900,    0\r\n",
                             "curvas6,  350,  100\r\n", "pendenza,  7400,  2\r\n",
                             "indicatori_vmax,  2200,  80,  85,  85,  0,  ,  ,  ,  0\r\n",
                             "cartello_indicatore,  6650,   (P.L.     )(Km. 4.743)\r\n"})
        EXPECT_NE(e.linea.find(riga), std::string::npos) << riga;
    for (const char* riga : {"velocita,  0,  30\r\n", "segnale,  1450,   2, 2, 5, 6,  1,  2,  2,1,0, 0\r\n",
                             "stazione,  1900,  11,  500,  1, 0, 0,  4,1,1,  2,1,1,  0,  0,0,0, Bivio per STAZIONE 10\r\n"})
        EXPECT_NE(e.servizio.find(riga), std::string::npos) << riga;
    EXPECT_EQ(e.linea.substr(0, 12), "[generale]\r\n");
    EXPECT_EQ(e.servizio.substr(e.servizio.size() - 8), "[fine]\r\n");
}

TEST(decompile, random_descriptions_that_compile_without_a_status_come_back) {
    int provate = 0, senza_stato = 0;
    for (std::uint32_t seme = 1; seme <= 400; ++seme) {
        const descrizioni_casuali d = genera_casuali(seme);
        const compilato c = compila_file(d.linea, d.servizio, seme % 4 != 0);
        ++provate;
        if (c.stato != 0) continue;
        ++senza_stato;
        EXPECT_TRUE(torna_uguale(c)) << "seed " << seme << "\n" << d.linea << d.servizio;
    }
    // The property must not hold only because nothing compiled.
    EXPECT_GE(senza_stato, provate / 4) << senza_stato << " of " << provate;
    std::cout << "random descriptions: " << senza_stato << " of " << provate << " compiled without a status\n";
}

TEST(decompile, generated_benchmark_lines_come_back) {
    for (std::int64_t lunghezza : {20000, 39000, 60000, 100000}) {
        const descrizioni_generate d = genera_descrizioni(lunghezza);
        const compilato c = compila_file(d.linea, d.servizio, true);
        if (c.stato != 0) continue;
        EXPECT_TRUE(torna_uguale(c)) << lunghezza;
    }
}

TEST(decompile, fuzz_corpus_pairs_come_back) {
    const std::filesystem::path radice = std::filesystem::path(GS_SOURCE_DIR) / "fuzz" / "corpus";
    std::vector<std::string> linee, servizi;
    for (const auto& f : std::filesystem::directory_iterator(radice / "linea")) linee.push_back(leggi(f.path()));
    for (const auto& f : std::filesystem::directory_iterator(radice / "servizio")) servizi.push_back(leggi(f.path()));
    int riuscite = 0;
    for (std::string linea : linee) {
        const bool piano = chiede_piano(linea);
        for (const std::string& servizio : servizi) {
            const compilato c = compila_file(linea, servizio, piano);
            if (c.stato != 0) continue;
            ++riuscite;
            EXPECT_TRUE(torna_uguale(c)) << linea << servizio;
        }
    }
    EXPECT_GT(riuscite, 0);
}

}  // namespace
