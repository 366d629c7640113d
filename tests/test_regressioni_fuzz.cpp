// Every input the fuzz harnesses start from, and every input that once made them fail, is
// compiled again here, so that the sanitizer build of the suite guards against regressions.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "harness/compila_in_memoria.hpp"
#include "harness/decompila_in_memoria.hpp"

namespace {

const std::filesystem::path radice = std::filesystem::path(GS_SOURCE_DIR) / "fuzz";

std::vector<std::filesystem::path> ingressi(const char* genere) {
    std::vector<std::filesystem::path> file;
    for (const char* cartella : {"corpus", "regressions"}) {
        const std::filesystem::path p = radice / cartella / genere;
        if (!std::filesystem::exists(p)) continue;
        for (const auto& f : std::filesystem::directory_iterator(p))
            if (f.is_regular_file() && f.path().filename().string()[0] != '.') file.push_back(f.path());
    }
    return file;
}

std::string leggi(const std::filesystem::path& p) {
    std::ifstream f(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

TEST(RegressioniFuzz, Linee) {
    const auto file = ingressi("linea");
    ASSERT_FALSE(file.empty());
    for (const auto& p : file) {
        std::string linea = leggi(p);
        const bool piano = chiede_piano(linea);
        compila_in_memoria(linea, servizio_incorporato(), piano);
    }
}

TEST(RegressioniFuzz, Servizi) {
    const auto file = ingressi("servizio");
    ASSERT_FALSE(file.empty());
    for (const auto& p : file) {
        std::string servizio = leggi(p);
        const bool piano = chiede_piano(servizio);
        compila_in_memoria(linea_incorporata(), servizio, piano);
    }
}

TEST(RegressioniFuzz, Dump) {
    const auto file = ingressi("dump");
    ASSERT_FALSE(file.empty());
    for (const auto& p : file) dump_in_memoria(leggi(p));
}

TEST(RegressioniFuzz, Decompile) {
    const auto file = ingressi("decompile");
    ASSERT_FALSE(file.empty());
    for (const auto& p : file) decompila_in_memoria(leggi(p));
}

TEST(RegressioniFuzz, DescrizioniIncorporateInMemoria) {
    const esito_in_memoria e = compila_in_memoria(linea_incorporata(), servizio_incorporato(), true);
    EXPECT_TRUE(e.percorso);
    EXPECT_EQ(e.fatale, 0);
    EXPECT_EQ(e.stato, 0);
    EXPECT_EQ(e.byte, 13815u + 3576u);
}

}  // namespace
