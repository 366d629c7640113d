#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "core/registri.hpp"
#include "core/stati.hpp"
#include "tests/leggi_file.hpp"

namespace {

// Every status of the table has its own text, and the authors' reference explains it.
TEST(Statuses, EveryNumberHasTextAndDocumentation) {
    const std::string guida = leggi_file(std::filesystem::path(GS_SOURCE_DIR) / "docs/formats.md");
    ASSERT_FALSE(guida.empty());
    std::size_t quante = 0;
    const voce_stato* voci = voci_stati(quante);
    ASSERT_EQ(quante, 28u);
    for (std::size_t i = 0; i < quante; ++i) {
        const voce_stato& v = voci[i];
        EXPECT_EQ(cerca_stato(v.numero), &v);
        stato_build s;
        s.resoconto.errore_numero = v.numero;
        s.resoconto.errore_metri = 4100;
        const std::string testo = descrivi_stato(s);
        EXPECT_EQ(testo.rfind("status " + std::to_string(v.numero) + ": ", 0), 0u) << testo;
        EXPECT_EQ(testo.find("(at 4100 m)") != std::string::npos, v.con_posizione) << testo;
        const std::string n = std::to_string(v.numero);
        const bool documentato = guida.find("| " + n + " |") != std::string::npos ||
                                 guida.find("| " + n + ",") != std::string::npos ||
                                 guida.find(", " + n + ",") != std::string::npos ||
                                 guida.find(", " + n + " |") != std::string::npos;
        EXPECT_TRUE(documentato) << "status " << n << " is missing from docs/formats.md";
    }
    EXPECT_EQ(cerca_stato(14), nullptr);
    EXPECT_EQ(cerca_stato(23), nullptr);
}

}  // namespace
