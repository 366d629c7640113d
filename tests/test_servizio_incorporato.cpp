#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "builder/scrittore_documenti.hpp"
#include "cartella_temporanea.hpp"
#include "builder/costruzione.hpp"
#include "scenario/dati_linea.hpp"
#include "core/stati.hpp"
#include "scenario/dati_treno.hpp"

namespace {

// The embedded line and service, compiled by the real build without the line plan.
class BuiltInService : public ::testing::Test {
protected:
    void SetUp() override {
        s = stato_sorvanta(folder);
        dati_linea(s);
        dati_treno(s);
        ASSERT_EQ(compila(s, {.piano = false}), 0);
        ASSERT_EQ(s.n_celle, 920);
        ASSERT_EQ(s.percorso.size(), 921u);
    }

    const cella& cell(int i) const { return s.percorso[static_cast<std::size_t>(i)]; }

    cartella_temporanea folder;
    stato_build s;
};

struct station_row {
    int slot;
    const char* nome;
    std::uint8_t tipo;
    std::int32_t posizione, inizio, fine, orario;
    std::uint8_t campo4, sosta;
    std::array<std::int16_t, 6> gruppi;  // campo7, campo8, campo9, campo10, campo11, campo12
    int marker;
    std::array<int, 4> approach;  // cells of the codes 81 to 84, -1 for none
};

const station_row stations[] = {
    {1, "STAZIONE 1", 8, 0, -300, 300, 36900, 1, 1, {5, 6, 0, 2, 1, 1}, 5, {4, 3, 2, -1}},
    {2, "Bivio per STAZIONE 10", 11, 1900, 1650, 2150, 0, 1, 0, {4, 1, 1, 2, 1, 1}, 42, {41, 40, 39, 38}},
    {3, "STAZIONE 2", 24, 4000, 3900, 4100, 0, 0, 0, {0, 0, 0, 4, 1, 1}, 81, {80, 79, 78, 77}},
    {4, "STAZIONE 3", 12, 7200, 7050, 7350, 0, 0, 0, {1, 1, 0, 4, 1, 1}, 146, {145, 144, 143, 142}},
    {5, "STAZIONE 4", 24, 11100, 10950, 11250, 0, 0, 0, {0, 0, 0, 4, 1, 1}, 224, {223, 222, 221, 220}},
    {6, "STAZIONE 5", 12, 14000, 13800, 14200, 38160, 0, 30, {1, 1, 0, 4, 1, 1}, 283, {282, 281, 280, 279}},
    {7, "STAZIONE 6", 12, 17850, 17650, 18050, 0, 0, 0, {1, 1, 0, 4, 1, 1}, 360, {359, 358, 357, 356}},
    {8, "STAZIONE 7", 24, 21050, 20900, 21200, 0, 0, 0, {0, 0, 0, 4, 1, 1}, 423, {422, 421, 420, 419}},
    {9, "STAZIONE 8", 12, 24900, 24700, 25100, 0, 0, 0, {1, 1, 0, 4, 1, 1}, 501, {500, 499, 498, 497}},
    {10, "STAZIONE 9", 24, 31250, 31050, 31450, 0, 0, 0, {0, 0, 0, 5, 1, 1}, 628, {627, 626, 625, 624}},
    {11, "STAZIONE 10", 12, 33400, 33100, 33700, 39480, 0, 0, {1, 1, 0, 2, 1, 1}, 673, {672, 671, 670, 669}},
};

struct signal_row {
    int cell;
    std::array<std::int16_t, 4> valori;
    std::uint8_t first_code;  // the codes run from it upwards in the cells 2, 4, 6 and 8 before
};

const signal_row signals[] = {
    {30, {22, 51, 60, 18}, 81}, {56, {40, 0, 0, 6}, 61},   {120, {40, 10, 0, 6}, 61}, {137, {40, 10, 0, 6}, 61},
    {193, {40, 0, 0, 3}, 31},   {212, {40, 0, 0, 6}, 61},  {249, {50, 10, 0, 3}, 31}, {271, {30, 10, 0, 6}, 61},
    {322, {40, 10, 0, 3}, 31},  {349, {40, 10, 0, 6}, 61}, {394, {40, 0, 0, 3}, 31},  {413, {40, 0, 0, 6}, 61},
    {465, {40, 10, 0, 3}, 31},  {489, {40, 10, 0, 6}, 61}, {561, {40, 0, 0, 6}, 61},  {591, {40, 0, 0, 3}, 31},
    {618, {40, 0, 0, 6}, 61},   {653, {30, 10, 0, 6}, 61},
};

TEST_F(BuiltInService, NoStatusAndGeneralValues) {
    EXPECT_EQ(s.resoconto.errore_numero, stati::nessuno);
    EXPECT_FALSE(folder.esiste("Sorvanta_E48027-.txt"));
    EXPECT_EQ(s.servizio[slot_generale].inizio, 130);
    EXPECT_EQ(s.servizio[slot_generale].posizione, 6);
    EXPECT_EQ(s.servizio[slot_treno].campo7, 300);
    EXPECT_EQ(s.servizio[slot_treno].campo10, 10);
    EXPECT_EQ(s.servizio[slot_treno].campo11, 14);
    EXPECT_EQ(s.servizio[slot_treno].campo12, 20);
}

TEST_F(BuiltInService, Stations) {
    for (const station_row& r : stations) {
        SCOPED_TRACE(r.nome);
        const slot_servizio& slot = s.servizio[static_cast<std::size_t>(r.slot)];
        EXPECT_EQ(slot.nome, r.nome);
        EXPECT_EQ(slot.tipo_stazione, r.tipo);
        EXPECT_EQ(slot.posizione, r.posizione);
        EXPECT_EQ(slot.inizio, r.inizio);
        EXPECT_EQ(slot.fine, r.fine);
        EXPECT_EQ(slot.orario, r.orario);
        EXPECT_EQ(slot.campo4, r.campo4);
        EXPECT_EQ(slot.campo5, 0);
        EXPECT_EQ(slot.campo6, 0);
        EXPECT_EQ(slot.sosta, r.sosta);
        const std::array<std::int16_t, 6> gruppi = {slot.campo7,  slot.campo8,  slot.campo9,
                                                    slot.campo10, slot.campo11, slot.campo12};
        EXPECT_EQ(gruppi, r.gruppi);
        EXPECT_EQ(cell(r.marker).tipo_cella, tipo::fermata_stazione);
        EXPECT_EQ(cell(r.marker).valore1, r.slot);
    }
    EXPECT_EQ(s.servizio[12].nome, "");
    EXPECT_EQ(s.servizio[12].posizione, 0);
}

TEST_F(BuiltInService, Signals) {
    for (const signal_row& r : signals) {
        SCOPED_TRACE(r.cell);
        const cella& k = cell(r.cell);
        EXPECT_EQ(k.tipo_cella, tipo::segnale);
        const std::array<std::int16_t, 4> valori = {k.valore1, k.valore2, k.valore3, k.valore4};
        EXPECT_EQ(valori, r.valori);
        EXPECT_EQ(k.tempo_segnale, 0);
    }
    int signal_cells = 0, markers = 0;
    for (const cella& k : s.percorso) {
        signal_cells += k.tipo_cella == tipo::segnale;
        markers += k.tipo_cella == tipo::fermata_stazione;
    }
    EXPECT_EQ(signal_cells, 18);
    EXPECT_EQ(markers, 11);
}

// Every approach code of the route, from the stations and the signals, and none elsewhere.
TEST_F(BuiltInService, ApproachCodes) {
    std::vector<int> expected(921, 0);
    for (const station_row& r : stations)
        for (std::size_t i = 0; i < 4; ++i)
            if (r.approach[i] >= 0) expected[static_cast<std::size_t>(r.approach[i])] = static_cast<int>(81 + i);
    for (const signal_row& r : signals)
        for (int i = 0; i < 4; ++i) expected[static_cast<std::size_t>(r.cell - 2 * (i + 1))] = r.first_code + i;
    std::vector<int> actual;
    for (const cella& k : s.percorso) actual.push_back(k.preavviso);
    EXPECT_EQ(actual, expected);
}

TEST_F(BuiltInService, SpeedLimitsAndAdhesion) {
    struct tratto {
        int last, value;  // from the cell after the previous stretch's last
    };
    const tratto speeds[] = {{13, 6},   {43, 20},  {133, 17}, {223, 13}, {347, 15}, {377, 13},
                          {487, 19}, {508, 16}, {616, 19}, {651, 13}, {917, 11}, {920, 0}};
    std::vector<int> expected_speed, actual_speed, actual_adhesion;
    int first = 0;
    for (const tratto& r : speeds) {
        for (int i = first; i <= r.last; ++i) expected_speed.push_back(r.value);
        first = r.last + 1;
    }
    std::vector<int> expected_adhesion(918, 100);
    expected_adhesion.resize(921, 0);
    for (const cella& k : s.percorso) {
        actual_speed.push_back(k.velocita_limite);
        actual_adhesion.push_back(k.aderenza);
    }
    EXPECT_EQ(actual_speed, expected_speed);
    EXPECT_EQ(actual_adhesion, expected_adhesion);
}

}  // namespace
