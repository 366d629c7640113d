// decompile: descriptions back from compiled files, which compile to the very same bytes.
#include <gtest/gtest.h>

#include <string>

#include "decompile/decompilatore.hpp"
#include "harness/compila_in_memoria.hpp"

namespace {

scenario_compilato insieme(const file_compilati& f) {
    scenario_compilato c;
    c.nome_piano = "Sorvanta_linea.dat";
    c.nome_servizio = "Sorvanta_E48027.sim";
    c.nome_percorso = "Sorvanta_E48027.dat";
    c.con_piano = true;
    c.piano = f.linea;
    c.servizio = f.servizio;
    c.percorso = f.percorso;
    return c;
}

TEST(decompile, built_in_scenario_comes_back_byte_for_byte) {
    const file_compilati f = compila_e_serializza(linea_incorporata(), servizio_incorporato());
    const esito_decompilazione e = decompila(insieme(f));
    ASSERT_TRUE(e.riprodotto) << e.problema;
    const file_compilati g = compila_e_serializza(e.linea, e.servizio);
    EXPECT_EQ(g.linea, f.linea);
    EXPECT_EQ(g.servizio, f.servizio);
    EXPECT_EQ(g.percorso, f.percorso);
    EXPECT_EQ(g.stato, 0);
    std::cout << e.linea << e.servizio;
    for (auto& n : e.note) std::cout << n << "\n";
}

}  // namespace
