#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "finish/codici_gara.hpp"
#include "finish/passata_finale.hpp"
#include "core/stati.hpp"

namespace {

stato_build with_names(const std::string& treno, const std::string& scenario) {
    stato_build s;
    s.servizio[slot_treno].nome = treno;
    s.servizio[slot_scenario].nome = scenario;
    s.percorso = std::vector<cella>(60);
    return s;
}

TEST(CheckCodes, CodesOfTheJoinedLowerCasedNamesPaddedToTwentyFiveCharacters) {
    struct row {
        const char* treno;
        const char* scenario;
        std::int32_t og;
        std::int32_t st;
    };
    const row rows[] = {
        {"T1", "Ab", 2503, 33481},
        {"t1", "aB", 2503, 33481},
        {"", "", 2583, 34355},
        {"AB", "C", 2546, 33756},
        {"abc", "", 2546, 33756},
        // abcdefghijklmnopqrstuvwxy: codes 97 to 121, no filler and nothing past the 25th character.
        {"ABCDEFGHIJKLM", "NOPQRSTUVWXY", (97 + 121) * 25 / 2, 96 * 325 + 5525},
        {"ABCDEFGHIJKLM", "NOPQRSTUVWXYZZZ", (97 + 121) * 25 / 2, 96 * 325 + 5525},
        // \xC8 lowers to \xE8 (232), an unsigned code: the empty names' string with 232 in front.
        {"\xC8", "", 2583 - 'o' + 232, 34284},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(testing::Message() << "treno \"" << r.treno << "\", scenario \"" << r.scenario << "\"");
        const stato_build s = with_names(r.treno, r.scenario);
        EXPECT_EQ(codice_gara_og(s), r.og);
        EXPECT_EQ(codice_gara_st(s), r.st);
    }
}

TEST(Stamps, StampsMarkersAndCodesFromTheSlotCopiesOfTheNames) {
    stato_build s = with_names("T1", "Ab");
    s.treno = "E48027";
    s.scenario = "Sorvanta";
    EXPECT_EQ(applica_timbri(s), 0);
    EXPECT_EQ(s.servizio[slot_scenario].campo7, 610);
    EXPECT_EQ(s.servizio[slot_scenario].orario, 33481);
    EXPECT_EQ(s.percorso[1].valore1, 5121);
    EXPECT_EQ(s.percorso[1].valore2, 2503);
    EXPECT_EQ(s.percorso[0].valore1, 0);
    EXPECT_EQ(s.percorso[2].valore1, 0);
}

TEST(Stamps, GuardsStopBeforeTheFieldsTheyProtect) {
    struct row {
        const char* name;
        std::int16_t campo7;
        std::int16_t valore1;
        std::int32_t orario;
        std::int16_t valore2;
        std::int32_t result;
        std::int16_t campo7_after;
        std::int16_t valore1_after;
    };
    const row rows[] = {
        {"campo7 taken", 1, 0, 0, 0, stati::campi_riservati_occupati, 1, 0},
        {"valore1 taken", 0, 7, 0, 0, stati::campi_riservati_occupati, 0, 7},
        {"both guards' fields taken", 1, 0, 5, 5, stati::campi_riservati_occupati, 1, 0},
        {"orario taken, markers already set", 0, 0, 5, 0, stati::codici_riservati_occupati, 610, 5121},
        {"valore2 taken, markers already set", 0, 0, 0, 5, stati::codici_riservati_occupati, 610, 5121},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        stato_build s = with_names("T1", "Ab");
        s.servizio[slot_scenario].campo7 = r.campo7;
        s.percorso[1].valore1 = r.valore1;
        s.servizio[slot_scenario].orario = r.orario;
        s.percorso[1].valore2 = r.valore2;
        EXPECT_EQ(applica_timbri(s), r.result);
        EXPECT_EQ(s.servizio[slot_scenario].campo7, r.campo7_after);
        EXPECT_EQ(s.percorso[1].valore1, r.valore1_after);
        EXPECT_EQ(s.servizio[slot_scenario].orario, r.orario);
        EXPECT_EQ(s.percorso[1].valore2, r.valore2);
    }
}

TEST(Stamps, BoardThatTheFinishingPassPutsOnCellOneIsRejected) {
    stato_build s = with_names("T1", "Ab");
    s.percorso[8].tipo_cella = tipo::inizio_rallentamento;
    s.percorso[8].valore1 = 150;
    s.percorso[3].tipo_cella = tipo::indicatori_velocita;
    s.percorso[2].tipo_cella = tipo::indicatori_velocita;
    passata_finale(s);
    ASSERT_EQ(s.percorso[1].tipo_cella, tipo::tabella_con_valore);
    EXPECT_EQ(applica_timbri(s), stati::campi_riservati_occupati);
}

TEST(Stamps, RouteWithoutCellOneKeepsOnlyTheSlotStamps) {
    stato_build s = with_names("T1", "Ab");
    s.percorso = std::vector<cella>(1);
    EXPECT_EQ(applica_timbri(s), 0);
    EXPECT_EQ(s.servizio[slot_scenario].campo7, 610);
    EXPECT_EQ(s.servizio[slot_scenario].orario, 33481);
    EXPECT_EQ(s.percorso[0].valore1, 0);
}

}  // namespace
