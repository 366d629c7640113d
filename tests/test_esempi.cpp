#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "scenario/dati_linea.hpp"
#include "scenario/dati_treno.hpp"

namespace {

std::string leggi(const std::string& nome) {
    std::ifstream f(std::string(GS_SOURCE_DIR) + "/examples/" + nome, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// The examples for authors are exactly the descriptions the plain build writes and reads.
TEST(Esempi, SonoLeDescrizioniIncorporate) {
    EXPECT_EQ(leggi("Sorvanta_linea.txt"), testo_documento(righe_linea()));
    EXPECT_EQ(leggi("Sorvanta_E48027-.txt"), testo_documento(righe_treno()));
}

}  // namespace
