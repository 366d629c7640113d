#include <gtest/gtest.h>

#include <string>

#include "builder/scrittore_documenti.hpp"
#include "cartella_temporanea.hpp"
#include "scenario/dati_treno.hpp"

namespace {

TEST(BuiltInTrainData, Lines) {
    const lista_righe lines = righe_treno();
    ASSERT_EQ(lines.size(), 54u);
    EXPECT_EQ(lines[53], marcatore_fine);
    struct row {
        int number;  // 1 for the first written line
        const char* text;
    };
    const row rows[] = {
        {1, "[generale]"},
        {2, "numero vetture,    6"},
        {5, "orologio,    10              14            20 "},
        {9, "velocita,   0,    30"},
        {19, "velocita,   32600,    55"},
        {21, "stazione,       0,  8,  300,  1, 0, 0,  5,6,0,  2,1,1,    1,  10,15, 0, STAZIONE 1"},
        {22, "stazione,    1900, 11,  500,  1, 0, 0,  4,1,1,  2,1,1,    0,   0, 0, 0, Bivio per STAZIONE 10"},
        {26, "stazione,   14000, 12,  400,  0, 0, 0,  1,1,0,  4,1,1,   30,  10,36, 0, STAZIONE 5"},
        {31, "stazione,   33400, 12,  600,  0, 0, 0,  1,1,0,  2,1,1,    0,  10,58, 0, STAZIONE 10"},
        {32, "[rallentamenti]"},
        {34, "segnale,    1450,   2, 2, 5,  6, 1,    2,  2,1,0, 0"},
        {51, "segnale,   32600,   2, 3, 1,  0, 0,    0,  0,0,0, 0"},
        {52, "[codici]"},
        {53, "[fine]"},
    };
    for (const row& r : rows) EXPECT_EQ(lines[static_cast<std::size_t>(r.number - 1)], r.text) << r.number;
}

}  // namespace
