#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "core/stati.hpp"
#include "diagnostics/diagnostica.hpp"
#include "reader/memo_servizio.hpp"

namespace {

// The embedded line's route: L = 39000 m, N = 920.
constexpr std::int32_t route_n = 920;

stato_build make_state(std::int32_t n = route_n) {
    stato_build s;
    s.n_celle = n;
    s.percorso.assign(static_cast<std::size_t>(n) + 1, cella{});
    return s;
}

// Runs the reader as the build does: a read failure becomes status 25.
void read_service(stato_build& s, const std::string& text, std::int32_t sign_counter = primo_slot_cartelli) {
    leggi_servizio(s, text, sign_counter);
}

// A service file with the given entry lines between "[generale]" and "[fine]".
std::string service_text(std::initializer_list<std::string> lines) {
    std::string text = "[generale]\r\n";
    for (const std::string& line : lines) text += line + "\r\n";
    return text + "[fine]\r\n";
}

std::string describe(const cella& c) {
    return "tipo " + std::to_string(c.tipo_cella) + " v " + std::to_string(c.valore1) + "," +
           std::to_string(c.valore2) + "," + std::to_string(c.valore3) + "," + std::to_string(c.valore4) +
           " tempo " + std::to_string(c.tempo_segnale) + " preavviso " + std::to_string(c.preavviso) +
           " montagna " + std::to_string(c.montagna) + " vel " + std::to_string(c.velocita_limite) + " pend " +
           std::to_string(c.pendenza) + " ader " + std::to_string(c.aderenza);
}

// Every cell of the route against the expected one, so that stray writes show too.
void expect_route(const stato_build& s, const std::vector<cella>& expected) {
    ASSERT_EQ(s.percorso.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        if (describe(s.percorso[i]) != describe(expected[i]))
            ADD_FAILURE() << "cell " << i << ": " << describe(s.percorso[i]) << ", expected "
                          << describe(expected[i]);
}

// An object cell as the reader leaves it: type and values, nothing else.
struct object_cell {
    int index;
    std::uint8_t tipo;
    std::int16_t v1, v2, v3;
};

// Keyword tests, their order, disabled entries and field widths.
struct general_case {
    const char* name;
    std::string text;
    std::int32_t massa, vetture;
    std::int16_t sabbia, ore, minuti, secondi;
    std::int32_t status;
};

class ServiceGeneralValues : public ::testing::TestWithParam<general_case> {};

TEST_P(ServiceGeneralValues, ReadsTheGeneralValues) {
    const general_case& c = GetParam();
    stato_build s = make_state();
    read_service(s, c.text);
    EXPECT_EQ(s.resoconto.errore_numero, c.status);
    EXPECT_EQ(s.servizio[slot_generale].inizio, c.massa);
    EXPECT_EQ(s.servizio[slot_generale].posizione, c.vetture);
    EXPECT_EQ(s.servizio[slot_treno].campo7, c.sabbia);
    EXPECT_EQ(s.servizio[slot_treno].campo10, c.ore);
    EXPECT_EQ(s.servizio[slot_treno].campo11, c.minuti);
    EXPECT_EQ(s.servizio[slot_treno].campo12, c.secondi);
}

const general_case general_cases[] = {
    {"EmbeddedLines",
     service_text({"numero vetture,    6", "percentuale massa frenata,    130", "sabbia,    300",
                   "orologio,    10              14            20 "}),
     130, 6, 300, 10, 14, 20, stati::nessuno},
    {"CaseIgnored", service_text({"Numero Vetture, 7", "PERCENTUALE MASSA FRENATA, 120"}), 120, 7, 0, 0, 0, 0,
     stati::nessuno},
    {"MassaAloneIsNoKeyword", service_text({"massa, 130", "frenata, 140"}), 0, 0, 0, 0, 0, 0, stati::nessuno},
    // Orologio comes before sabbia among the tests, so its three numbers are read first.
    {"OneFieldPassesTwoTests", service_text({"sabbia orologio, 10, 14, 20, 300"}), 0, 0, 300, 10, 14, 20,
     stati::nessuno},
    {"ClockWithoutCommaTakesTheNextFields", service_text({"orologio 10 14 20", "5, 6, 7"}), 0, 0, 0, 5, 6, 7,
     stati::nessuno},
    {"DisabledEntry", service_text({"-numero vetture, 6"}), 0, 0, 0, 0, 0, 0, stati::nessuno},
    {"TwoMinusFieldsDropped", service_text({"-", "-", "numero vetture, 6"}), 0, 6, 0, 0, 0, 0, stati::nessuno},
    {"ThirdMinusFieldIsTested", service_text({"-", "-", "-numero vetture, 6"}), 0, 6, 0, 0, 0, 0,
     stati::nessuno},
    {"FieldsBeforeTheGeneralHeaderSkipped", "numero vetture, 9\r\n[Generale]\r\nnumero vetture, 6\r\n[fine]\r\n", 0, 6, 0,
     0, 0, 0, stati::nessuno},
    {"NoGeneralHeaderNoEntry", "numero vetture, 9\r\n[fine]\r\n", 0, 0, 0, 0, 0, 0, stati::nessuno},
    {"LastFieldNotInterpreted", "[generale]\r\nnumero vetture, 6\r\nnumero vetture\r\n", 0, 6, 0, 0, 0, 0,
     stati::nessuno},
    {"LastLineEntryStillRead", "[generale]\r\nnumero vetture, 6", 0, 6, 0, 0, 0, 0, stati::nessuno},
    {"EmptyFile", "", 0, 0, 0, 0, 0, 0, stati::lettura_fallita},
    {"EntryRunsPastTheEnd", "[generale]\r\nsabbia, 300\r\norologio, 10, 14\r\n", 0, 0, 300, 10, 14, 0,
     stati::lettura_fallita},
    {"SandFits16Bits", service_text({"sabbia, -32768"}), 0, 0, -32768, 0, 0, 0, stati::nessuno},
    {"SandBeyond16Bits", service_text({"sabbia, 32768"}), 0, 0, 0, 0, 0, 0, stati::lettura_fallita},
    {"ClockBeyond16Bits", service_text({"orologio, 10, 70000, 0"}), 0, 0, 0, 10, 0, 0, stati::lettura_fallita},
    {"CoachesBeyond32Bits", service_text({"numero vetture, 2147483648"}), 0, 0, 0, 0, 0, 0,
     stati::lettura_fallita},
    {"CoachesAt32BitLimit", service_text({"numero vetture, -2147483648"}), 0, INT32_MIN, 0, 0, 0, 0,
     stati::nessuno},
};

INSTANTIATE_TEST_SUITE_P(Cases, ServiceGeneralValues, ::testing::ValuesIn(general_cases),
                         [](const auto& caso) { return std::string(caso.param.name); });

// Speed and adhesion profiles, on a short route (N = 20: entries up to 900 m pass the bounds check).
struct run {
    int first, last, value;
};

struct profile_case {
    const char* name;
    std::string text;
    bool adhesion;  // which profile the runs describe
    std::vector<run> runs;  // cells outside every run hold 0
    std::int32_t status;
};

class ServiceProfiles : public ::testing::TestWithParam<profile_case> {};

TEST_P(ServiceProfiles, FillsTheCells) {
    const profile_case& c = GetParam();
    stato_build s = make_state(20);
    read_service(s, c.text);
    EXPECT_EQ(s.resoconto.errore_numero, c.status);
    std::vector<int> expected(21, 0);
    for (const run& r : c.runs)
        for (int i = r.first; i <= r.last; ++i) expected[static_cast<std::size_t>(i)] = r.value;
    std::vector<int> actual;
    for (const cella& k : s.percorso) actual.push_back(c.adhesion ? k.aderenza : k.velocita_limite);
    EXPECT_EQ(actual, expected);
}

const profile_case profile_cases[] = {
    {"SecondEntryWritesTheFirstsValue", service_text({"velocita, 0, 30", "velocita, 700, 100"}), false,
     {{0, 13, 6}, {14, 17, 20}}, stati::nessuno},
    {"CellsBeforeTheFirstEntryGetZero", service_text({"velocita, 200, 30"}), false, {{4, 17, 6}},
     stati::nessuno},
    {"EqualPositionsWriteOneCellEach",
     service_text({"velocita, 0, 30", "velocita, 100, 50", "velocita, 100, 100"}), false,
     {{0, 1, 6}, {2, 2, 10}, {3, 17, 20}}, stati::nessuno},
    // 32 / 5 = 6.4, 13 / 5 = 2.6; 75 m is cell 1.5, rounded to 2, and 125 m is 2.5, rounded to 2.
    {"HalvesToEven", service_text({"velocita, 0, 32", "velocita, 75, 13", "velocita, 125, 100"}), false,
     {{0, 1, 6}, {2, 2, 3}, {3, 17, 20}}, stati::nessuno},
    {"FastestSpeed", service_text({"velocita, 0, 1277"}), false, {{0, 17, 255}}, stati::nessuno},
    // A speed fails where it is written: the cells before it keep the earlier speed.
    {"SpeedFifthAbove255", service_text({"velocita, 0, 30", "velocita, 100, 1278"}), false, {{0, 1, 6}},
     stati::lettura_fallita},
    {"SpeedNeverWrittenIsHarmless", service_text({"velocita, 0, 1278", "velocita, 0, 30"}), false, {{0, 17, 6}},
     stati::nessuno},
    {"SpeedFifthBelowZero", service_text({"velocita, 0, -3"}), false, {}, stati::lettura_fallita},
    // The speed cursor stops at N; only the tail writes cell N.
    {"SpeedCursorStopsAtN",
     service_text({"velocita, 0, 10", "velocita, 900, 20", "velocita, 900, 30", "velocita, 900, 40",
                   "velocita, 900, 50"}),
     false, {{0, 17, 2}, {18, 18, 4}, {19, 19, 6}, {20, 20, 10}}, stati::nessuno},
    {"EntryBeyondTheRouteStillGetsTheTail", service_text({"velocita, 0, 30", "velocita, 901, 50"}), false,
     {{0, 17, 6}}, stati::fuori_percorso},
    {"AdhesionKeepsLow8Bits", service_text({"aderenza, 0, 300", "aderenza, 100, 5"}), true,
     {{0, 1, 44}, {2, 17, 5}}, stati::nessuno},
    {"AdhesionCursorReachesN",
     service_text({"aderenza, 0, 10", "aderenza, 900, 20", "aderenza, 900, 30", "aderenza, 900, 40"}), true,
     {{0, 17, 10}, {18, 18, 20}, {19, 19, 30}, {20, 20, 40}}, stati::nessuno},
    // Past N the tail would write outside the route.
    {"AdhesionTailPastN",
     service_text({"aderenza, 0, 10", "aderenza, 900, 20", "aderenza, 900, 30", "aderenza, 900, 40",
                   "aderenza, 900, 50"}),
     true, {{0, 17, 10}, {18, 18, 20}, {19, 19, 30}, {20, 20, 40}}, stati::lettura_fallita},
    {"AdhesionEntryPastN",
     service_text({"aderenza, 0, 10", "aderenza, 900, 20", "aderenza, 900, 30", "aderenza, 900, 40",
                   "aderenza, 900, 50", "aderenza, 900, 60"}),
     true, {{0, 17, 10}, {18, 18, 20}, {19, 19, 30}, {20, 20, 40}}, stati::lettura_fallita},
};

INSTANTIATE_TEST_SUITE_P(Cases, ServiceProfiles, ::testing::ValuesIn(profile_cases),
                         [](const auto& caso) { return std::string(caso.param.name); });

struct signal_case {
    const char* name;
    const char* line;
    std::uint8_t occupied;  // type already in the signal cell, 0 for none
    int cell;               // -1: nothing of the signal is written
    std::array<std::int16_t, 4> valori;
    std::uint8_t tempo;
    std::array<std::uint8_t, 4> approach;  // in cells k - 2, k - 4, k - 6, k - 8
    std::int32_t status;
    std::int32_t position;  // errore_posizione afterwards; -1 when it stays as it was
};

class ServiceSignals : public ::testing::TestWithParam<signal_case> {};

TEST_P(ServiceSignals, PlacesTheSignal) {
    const signal_case& c = GetParam();
    stato_build s = make_state();
    s.resoconto.errore_posizione = -1;
    if (c.occupied != 0) s.percorso[30].tipo_cella = c.occupied;
    std::vector<cella> expected = s.percorso;
    read_service(s, service_text({c.line}));
    EXPECT_EQ(s.resoconto.errore_numero, c.status);
    EXPECT_EQ(s.resoconto.errore_posizione, c.position);
    if (c.cell >= 0) {
        cella& k = expected[static_cast<std::size_t>(c.cell)];
        k.tipo_cella = tipo::segnale;
        k.valore1 = c.valori[0];
        k.valore2 = c.valori[1];
        k.valore3 = c.valori[2];
        k.valore4 = c.valori[3];
        k.tempo_segnale = c.tempo;
        for (std::size_t i = 0; i < 4; ++i)
            expected[static_cast<std::size_t>(c.cell) - 2 * (i + 1)].preavviso = c.approach[i];
    }
    expect_route(s, expected);
}

const signal_case signal_cases[] = {
    {"WorkedExample", "segnale,    1450,   2, 2, 5,  6, 1,    2,  2,1,0, 0", 0, 30, {22, 51, 60, 18}, 0,
     {81, 82, 83, 84}, stati::nessuno, -1},
    {"TempoRaisedTo101", "segnale, 1450, 2, 4, 0, 0, 0, 0, 0, 0, 0, 50", 0, 30, {40, 0, 0, 6}, 101,
     {61, 62, 63, 64}, stati::nessuno, -1},
    {"Tempo100RaisedTo101", "segnale, 1450, 2, 4, 0, 0, 0, 0, 0, 0, 0, 100", 0, 30, {40, 0, 0, 6}, 101,
     {61, 62, 63, 64}, stati::nessuno, -1},
    {"TempoLow8Bits", "segnale, 1450, 2, 4, 0, 0, 0, 0, 0, 0, 0, 300", 0, 30, {40, 0, 0, 6}, 44,
     {61, 62, 63, 64}, stati::nessuno, -1},
    {"TempoOnlyForKind2", "segnale, 1450, 1, 4, 1, 0, 0, 0, 0, 0, 0, 50", 0, 30, {40, 10, 0, 3}, 0,
     {31, 32, 33, 34}, stati::nessuno, -1},
    {"OnAMountainMarker", "segnale, 1450, 1, 4, 1, 0, 0, 0, 0, 0, 0, 0", tipo::marcatore_montagna, 30,
     {40, 10, 0, 3}, 0, {31, 32, 33, 34}, stati::nessuno, -1},
    {"OnASignBoard", "segnale, 1450, 1, 4, 1, 0, 0, 0, 0, 0, 0, 0", tipo::cartello, -1, {}, 0, {},
     stati::segnale_occupato, 1450},
    // 325 m is cell 7.5, rounded to 8: the last approach cell is cell 0.
    {"FirstPositionWithApproachCells", "segnale, 325, 1, 4, 0, 0, 0, 0, 0, 0, 0, 0", 0, 8, {40, 0, 0, 3}, 0,
     {31, 32, 33, 34}, stati::nessuno, -1},
    {"ApproachCellsBeforeCellZero", "segnale, 300, 1, 4, 0, 0, 0, 0, 0, 0, 0, 0", 0, -1, {}, 0, {},
     stati::lettura_fallita, -1},
    {"LastPositionOnTheRoute", "segnale, 45900, 1, 4, 0, 0, 0, 0, 0, 0, 0, 0", 0, 919, {40, 0, 0, 3}, 0,
     {31, 32, 33, 34}, stati::nessuno, -1},
    {"BeyondTheRoute", "segnale, 45901, 1, 4, 0, 0, 0, 0, 0, 0, 0, 0", 0, -1, {}, 0, {}, stati::fuori_percorso,
     45901},
    {"PackedKindsBeyond16Bits", "segnale, 1450, 2, 4, 0, 0, 3276, 2, 0, 0, 0, 0", 0, -1, {}, 0, {},
     stati::lettura_fallita, -1},
    {"PackedKindsAt16Bits", "segnale, 1450, 2, 4, 0, 0, 3275, 2, 0, 0, 0, 0", 0, 30, {40, 0, 0, 32758}, 0,
     {81, 82, 83, 84}, stati::nessuno, -1},
    {"SignalValueBeyond16Bits", "segnale, 1450, 2, 3277, 0, 0, 0, 2, 0, 0, 0, 0", 0, -1, {}, 0, {},
     stati::lettura_fallita, -1},
    {"ApproachCodeBeyond8Bits", "segnale, 1450, 8, 4, 0, 0, 0, 2, 0, 0, 0, 0", 0, -1, {}, 0, {},
     stati::lettura_fallita, -1},
    {"Disabled", "-segnale, 1450, 1, 4, 1, 0, 0, 0, 0, 0, 0, 0", 0, -1, {}, 0, {}, stati::nessuno, -1},
};

INSTANTIATE_TEST_SUITE_P(Cases, ServiceSignals, ::testing::ValuesIn(signal_cases),
                         [](const auto& caso) { return std::string(caso.param.name); });

struct slowdown_case {
    const char* name;
    const char* line;
    object_cell occupied;  // index -1: none
    std::vector<object_cell> written;
    std::int32_t status;
    std::int32_t position;
};

class ServiceSlowdowns : public ::testing::TestWithParam<slowdown_case> {};

TEST_P(ServiceSlowdowns, PlacesTheSlowdown) {
    const slowdown_case& c = GetParam();
    stato_build s = make_state();
    s.resoconto.errore_posizione = -1;
    if (c.occupied.index >= 0) {
        cella& k = s.percorso[static_cast<std::size_t>(c.occupied.index)];
        k.tipo_cella = c.occupied.tipo;
        k.valore2 = c.occupied.v2;
    }
    std::vector<cella> expected = s.percorso;
    for (const object_cell& w : c.written) {
        cella& k = expected[static_cast<std::size_t>(w.index)];
        k.tipo_cella = w.tipo;
        k.valore1 = w.v1;
        k.valore2 = w.v2;
        k.valore3 = w.v3;
    }
    read_service(s, service_text({c.line}));
    EXPECT_EQ(s.resoconto.errore_numero, c.status);
    EXPECT_EQ(s.resoconto.errore_posizione, c.position);
    expect_route(s, expected);
}

// With x = 3000: warning cell 37, pre-warning cells 36 to 33, start cell 61; with l = 1000, end cell 81.
const std::vector<object_cell> full_slowdown = {{37, 4, 60, 5, 0}, {36, 5, 1, 1, 0}, {35, 5, 2, 2, 0},
                                                {34, 5, 3, 3, 0},  {33, 5, 4, 4, 0}, {61, 3, 60, 5, 2},
                                                {81, 2, 60, 5, 2}};
const char* const full_slowdown_line = "rallentamento, 3000, 60, 1000, 2, 1, 5";

const slowdown_case slowdown_cases[] = {
    {"At1500NoWarning", "rallentamento, 1500, 30, 500, 7, 1, 0", {-1, 0, 0, 0, 0},
     {{31, 3, 30, 0, 7}, {41, 2, 30, 0, 7}}, stati::nessuno, -1},
    {"At1550WarningInCell8", "rallentamento, 1550, 30, 500, 7, 0, 0", {-1, 0, 0, 0, 0},
     {{8, 4, 30, 0, 0}, {32, 3, 30, 0, 7}, {42, 2, 30, 0, 7}}, stati::nessuno, -1},
    {"WithPreWarning", full_slowdown_line, {-1, 0, 0, 0, 0}, full_slowdown, stati::nessuno, -1},
    {"ZeroDvKeepsValore2", "rallentamento, 3000, 60, 1000, 2, 0, 0", {61, tipo::marcatore_montagna, 0, 9, 0},
     {{37, 4, 60, 0, 0}, {61, 3, 60, 9, 2}, {81, 2, 60, 0, 2}}, stati::nessuno, -1},
    {"Low16Bits", "rallentamento, 1000, 70000, 100, 65537, 0, -1", {-1, 0, 0, 0, 0},
     {{21, 3, 4464, -1, 1}, {23, 2, 4464, -1, 1}}, stati::nessuno, -1},
    {"WarningTaken", full_slowdown_line, {37, tipo::cartello, 0, 0, 0}, {}, stati::avviso_occupato, 3000},
    {"StartTaken", full_slowdown_line, {61, tipo::segnale, 0, 0, 0}, {}, stati::inizio_rallentamento_occupato,
     3000},
    {"EndTaken", full_slowdown_line, {81, tipo::indicatori_velocita, 0, 0, 0}, {},
     stati::fine_rallentamento_occupato, 3000},
    {"PreWarningTakenKeepsTheOthers", full_slowdown_line, {35, tipo::cartello, 0, 0, 0},
     {{37, 4, 60, 5, 0}, {61, 3, 60, 5, 2}, {81, 2, 60, 5, 2}}, stati::preavviso_occupato, 3000},
    {"EndBeyondTheRoute", "rallentamento, 1000, 30, 100000, 0, 0, 0", {-1, 0, 0, 0, 0}, {},
     stati::lettura_fallita, -1},
    {"StartBeforeCellZero", "rallentamento, -200, 30, 1000, 0, 0, 0", {-1, 0, 0, 0, 0}, {},
     stati::lettura_fallita, -1},
    {"BeyondTheRoute", "rallentamento, 45901, 30, 100, 0, 0, 0", {-1, 0, 0, 0, 0}, {}, stati::fuori_percorso,
     45901},
    {"SpeedBeyond32Bits", "rallentamento, 1000, 2147483648, 100, 0, 0, 0", {-1, 0, 0, 0, 0}, {},
     stati::lettura_fallita, -1},
};

INSTANTIATE_TEST_SUITE_P(Cases, ServiceSlowdowns, ::testing::ValuesIn(slowdown_cases),
                         [](const auto& caso) { return std::string(caso.param.name); });

// A status that the line reader left ends the reading at the first signal or slowdown, once it is placed.
TEST(ServiceReader, StatusFromTheLineReaderStopsAfterTheFirstSignalOrSlowdown) {
    struct row {
        const char* line;
        int cell;
        std::uint8_t tipo;
        std::int32_t position;
    };
    const row rows[] = {{"segnale, 1450, 1, 4, 0, 0, 0, 0, 0, 0, 0, 0", 30, tipo::segnale, 1450},
                        {"rallentamento, 1000, 30, 100, 0, 0, 0", 21, tipo::inizio_rallentamento, 1000}};
    for (const row& r : rows) {
        stato_build s = make_state();
        s.resoconto.errore_numero = stati::fuori_percorso;
        s.resoconto.errore_posizione = 60000;
        read_service(s, service_text({"velocita, 0, 30", r.line, "segnale, 5000, 1, 4, 0, 0, 0, 0, 0, 0, 0, 0"}));
        EXPECT_EQ(s.resoconto.errore_numero, stati::fuori_percorso) << r.line;
        EXPECT_EQ(s.resoconto.errore_posizione, r.position) << r.line;
        EXPECT_EQ(s.percorso[static_cast<std::size_t>(r.cell)].tipo_cella, r.tipo) << r.line;
        EXPECT_EQ(s.percorso[101].tipo_cella, tipo::libera) << r.line;
        EXPECT_EQ(s.percorso[0].velocita_limite, 0) << "no tail is written: " << r.line;
    }
}

TEST(ServiceReader, SpeedBoards) {
    struct row {
        const char* line;
        std::uint8_t occupied;  // in cell 20
        object_cell written;    // index -1: nothing written
        std::int32_t status;
        std::int32_t position;  // errore_posizione afterwards; -1 when it stays as it was
    };
    const row rows[] = {
        {"abbattimento, 1000, 60", 0, {20, tipo::tabella_con_valore, 60, 0, 0}, stati::nessuno, -1},
        {"abbattimento, 1000, 0", 0, {20, tipo::tabella_senza_valore, 0, 0, 0}, stati::nessuno, -1},
        {"abbattimento, 1000, -5", 0, {20, tipo::tabella_senza_valore, 0, 0, 0}, stati::nessuno, -1},
        {"abbattimento, 1000, 70000", 0, {20, tipo::tabella_con_valore, 4464, 0, 0}, stati::nessuno, -1},
        {"abbattimento, 1000, 60", tipo::marcatore_montagna, {20, tipo::tabella_con_valore, 60, 0, 0},
         stati::nessuno, -1},
        {"abbattimento, 1000, 60", tipo::segnale, {-1, 0, 0, 0, 0}, stati::abbattimento_occupato, 1000},
        {"abbattimento, -100, 60", 0, {-1, 0, 0, 0, 0}, stati::lettura_fallita, -1},
        {"abbattimento, 45901, 60", 0, {-1, 0, 0, 0, 0}, stati::fuori_percorso, 45901},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.line);
        stato_build s = make_state();
        s.resoconto.errore_posizione = -1;
        s.percorso[20].tipo_cella = r.occupied;
        std::vector<cella> expected = s.percorso;
        if (r.written.index >= 0) {
            expected[20].tipo_cella = r.written.tipo;
            expected[20].valore1 = r.written.v1;
        }
        read_service(s, service_text({r.line}));
        EXPECT_EQ(s.resoconto.errore_numero, r.status);
        EXPECT_EQ(s.resoconto.errore_posizione, r.position);
        expect_route(s, expected);
    }
}

// Stations: one station line on a fresh route.
struct station_case {
    const char* name;
    std::string line;
    std::int32_t status;
    std::int32_t position;  // errore_posizione afterwards; -1 when it stays as it was
    std::uint8_t tipo;
    std::int32_t posizione, inizio, fine;
    std::int32_t orario;
    const char* nome;
    int marker;                    // -1: no stop marker
    std::array<int, 4> approach;  // cells of the codes 81 to 84, -1 for none
};

class ServiceStations : public ::testing::TestWithParam<station_case> {};

TEST_P(ServiceStations, StoresTheStation) {
    const station_case& c = GetParam();
    stato_build s = make_state();
    s.resoconto.errore_posizione = -1;
    std::vector<cella> expected = s.percorso;
    if (c.marker >= 0) {
        expected[static_cast<std::size_t>(c.marker)].tipo_cella = tipo::fermata_stazione;
        expected[static_cast<std::size_t>(c.marker)].valore1 = 1;
    }
    for (std::size_t i = 0; i < 4; ++i)
        if (c.approach[i] >= 0)
            expected[static_cast<std::size_t>(c.approach[i])].preavviso = static_cast<std::uint8_t>(81 + i);
    read_service(s, service_text({c.line}));
    EXPECT_EQ(s.resoconto.errore_numero, c.status);
    EXPECT_EQ(s.resoconto.errore_posizione, c.position);
    const slot_servizio& slot = s.servizio[1];
    EXPECT_EQ(slot.tipo_stazione, c.tipo);
    EXPECT_EQ(slot.posizione, c.posizione);
    EXPECT_EQ(slot.inizio, c.inizio);
    EXPECT_EQ(slot.fine, c.fine);
    EXPECT_EQ(slot.orario, c.orario);
    EXPECT_EQ(slot.nome, c.nome);
    EXPECT_EQ(slot.campo5, 0) << "the first station never keeps campo5";
    EXPECT_EQ(slot.campo6, 0) << "the first station never keeps campo6";
    expect_route(s, expected);
}

const std::string first_embedded_station =
    "stazione,       0,  8,  300,  1, 0, 0,  5,6,0,  2,1,1,    1,  10,15, 0, STAZIONE 1";

// "stazione, P, T, L, ..." with the fields 4 to 16 of a station that stops nowhere.
std::string station(const std::string& p, const std::string& t, const std::string& l, const std::string& c6 = "0") {
    return "stazione, " + p + ", " + t + ", " + l + ", 1, 9, " + c6 + ", 1,1,0, 4,1,1, 0, 0,0,0, X";
}

const station_case station_cases[] = {
    {"FirstEmbeddedStation", first_embedded_station, stati::nessuno, -1, 8, 0, -300, 300, 36900, "STAZIONE 1", 5,
     {4, 3, 2, -1}},
    {"Type7", station("5000", "7", "300"), stati::nessuno, -1, 7, 5000, 4700, 5300, 0, "X", 105,
     {104, 103, 102, 101}},
    {"Type5HasNoApproachCodes", station("5000", "5", "300"), stati::nessuno, -1, 5, 5000, 4700, 5150, 0, "X", 102,
     {-1, -1, -1, -1}},
    {"Type12", station("5000", "12", "300"), stati::nessuno, -1, 12, 5000, 4850, 5150, 0, "X", 102,
     {101, 100, 99, 98}},
    // The extent takes campo6 before the first station clears it.
    {"Type12WithCampo6", station("5000", "12", "300", "1"), stati::nessuno, -1, 12, 5000, 4850, 5200, 0, "X", 103,
     {102, 101, 100, 99}},
    {"Type25HasNoCells", station("5000", "25", "300"), stati::nessuno, -1, 25, 5000, 4850, 5150, 0, "X", -1,
     {-1, -1, -1, -1}},
    {"PositionNotMultipleOf50", station("5025", "12", "300"), stati::stazione_posizione, 5025, 0, 5025, 0, 0, 0, "",
     -1, {-1, -1, -1, -1}},
    {"LengthNotMultipleOf100", station("5000", "12", "250"), stati::stazione_lunghezza, 5000, 12, 5000, 0, 0, 0,
     "", -1, {-1, -1, -1, -1}},
    {"EndAt100m", station("50", "24", "100"), stati::stazione_fine_bassa, -1, 24, 50, 0, 100, 0, "X", -1,
     {-1, -1, -1, -1}},
    {"EndAt150m", station("100", "24", "100"), stati::nessuno, -1, 24, 100, 50, 150, 0, "X", 2, {-1, -1, -1, -1}},
    {"LastPositionOnTheRoute", station("45200", "25", "0"), stati::nessuno, -1, 25, 45200, 45200, 45200, 0, "X",
     -1, {-1, -1, -1, -1}},
    {"BeyondTheRoute", station("45250", "25", "0"), stati::fuori_percorso, 45250, 0, 45250, 0, 0, 0, "", -1,
     {-1, -1, -1, -1}},
    {"MarkerBeyondTheRoute", station("1000", "12", "200000"), stati::lettura_fallita, -1, 12, 1000, -99000, 101000,
     0, "X", -1, {-1, -1, -1, -1}},
    {"TimeAt32BitLimit", "stazione, 1000, 25, 0, 0,0,0, 0,0,0, 0,0,0, 0, 596523, 14, 7, X", stati::nessuno, -1, 25,
     1000, 1000, 1000, INT32_MAX, "X", -1, {-1, -1, -1, -1}},
    {"TimeBeyond32Bits", "stazione, 1000, 25, 0, 0,0,0, 0,0,0, 0,0,0, 0, 596523, 14, 8, X",
     stati::lettura_fallita, -1, 25, 1000, 0, 0, 0, "X", -1, {-1, -1, -1, -1}},
    {"TypeBeyond8Bits", station("1000", "256", "0"), stati::lettura_fallita, -1, 0, 1000, 0, 0, 0, "", -1,
     {-1, -1, -1, -1}},
    {"Campo7Beyond16Bits", "stazione, 1000, 25, 0, 0,0,0, 32768,0,0, 0,0,0, 0, 0,0,0, X", stati::lettura_fallita,
     -1, 25, 1000, 0, 0, 0, "", -1, {-1, -1, -1, -1}},
};

INSTANTIATE_TEST_SUITE_P(Cases, ServiceStations, ::testing::ValuesIn(station_cases),
                         [](const auto& caso) { return std::string(caso.param.name); });

// Fields 5 and 6 and the distance from the previous station, on a second station after one ending at 1000 m.
TEST(ServiceReader, SecondStation) {
    struct row {
        std::string line;
        std::int32_t status;
        std::uint8_t campo5, campo6;
        std::int32_t inizio, fine;
        int marker;
        std::int32_t position;  // errore_posizione afterwards; -1 when it stays as it was
    };
    const row rows[] = {
        {station("5000", "12", "600", "1"), stati::nessuno, 9, 1, 4700, 5350, 106, -1},
        {station("5000", "12", "500", "1"), stati::nessuno, 0, 1, 4750, 5300, 105, -1},
        {station("5000", "7", "600", "1"), stati::nessuno, 9, 0, 4400, 5600, 111, -1},
        {station("1350", "24", "0"), stati::nessuno, 0, 0, 1350, 1350, 26, -1},
        // Read in full and marked before the distance is checked.
        {station("1300", "24", "0"), stati::stazione_vicina, 0, 0, 1300, 1300, 25, 1300},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.line);
        stato_build s = make_state();
        s.resoconto.errore_posizione = -1;
        read_service(s, service_text({station("1000", "25", "0"), r.line}));
        EXPECT_EQ(s.resoconto.errore_numero, r.status);
        EXPECT_EQ(s.resoconto.errore_posizione, r.position);
        const slot_servizio& slot = s.servizio[2];
        EXPECT_EQ(slot.campo5, r.campo5);
        EXPECT_EQ(slot.campo6, r.campo6);
        EXPECT_EQ(slot.inizio, r.inizio);
        EXPECT_EQ(slot.fine, r.fine);
        EXPECT_EQ(slot.nome, "X");
        EXPECT_EQ(s.percorso[static_cast<std::size_t>(r.marker)].tipo_cella, tipo::fermata_stazione);
        EXPECT_EQ(s.percorso[static_cast<std::size_t>(r.marker)].valore1, 2);
    }
}

// The stations fill slots upwards until they meet the sign texts, which fill slots downwards from 80.
TEST(ServiceReader, StationsStopBeforeTheSignSlots) {
    struct row {
        std::int32_t sign_counter;  // 80 minus the number of sign boards
        int stations_in_file;
        int stored;  // slots 1 to `stored` hold a station
        std::int32_t status;
    };
    const row rows[] = {
        {80, 78, 78, stati::nessuno},
        {80, 79, 79, stati::stazioni_troppe},
        {3, 5, 2, stati::stazioni_troppe},
        // With 79 or 80 sign boards not a single station fits.
        {1, 1, 0, stati::stazioni_troppe},
        {0, 1, 0, stati::stazioni_troppe},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(::testing::Message() << "counter " << r.sign_counter << ", " << r.stations_in_file);
        stato_build s = make_state();
        for (int i = r.sign_counter + 1; i <= primo_slot_cartelli; ++i)
            if (i >= 1) s.servizio[static_cast<std::size_t>(i)].nome = "(cartello)";
        std::string text = "[generale]\r\n";
        for (int i = 0; i < r.stations_in_file; ++i) text += station(std::to_string(1000 + 400 * i), "25", "0") + "\r\n";
        read_service(s, text + "[fine]\r\n", r.sign_counter);
        EXPECT_EQ(s.resoconto.errore_numero, r.status);
        for (int i = 1; i <= primo_slot_cartelli; ++i) {
            const slot_servizio& slot = s.servizio[static_cast<std::size_t>(i)];
            if (i <= r.stored) {
                EXPECT_EQ(slot.posizione, 1000 + 400 * (i - 1)) << i;
                EXPECT_EQ(slot.nome, "X") << i;
            } else {
                EXPECT_EQ(slot.posizione, 0) << i;
                EXPECT_EQ(slot.nome, i > r.sign_counter ? "(cartello)" : "") << i;
            }
        }
    }
}

// The kilometre reference check, only at the end of reading.
TEST(ServiceReader, KilometreReferenceCheck) {
    struct row {
        const char* name;
        std::int32_t inizio81, fine83, posizione83;
        std::int32_t status_before;
        const char* line;
        std::int32_t status;
        std::int32_t position;
    };
    const row rows[] = {
        {"StartNotMultiple", 1525, 0, 0, 0, "numero vetture, 6", stati::progressiva_non_multipla, 777},
        {"NegativeChainageNotMultiple", 0, -1925, 0, 0, "numero vetture, 6", stati::progressiva_non_multipla, 777},
        {"NegativeChainageMultiple", 1500, -1900, 0, 0, "numero vetture, 6", stati::nessuno, 777},
        {"FlagNotChecked", 0, 0, 1, 0, "numero vetture, 6", stati::nessuno, 777},
        {"Replaces15", 1525, 0, 0, stati::fuori_percorso, "numero vetture, 6", stati::progressiva_non_multipla, 777},
        {"NotAfterAStop", 1525, 0, 0, 0, "abbattimento, 1000, 60, abbattimento, 1000, 60",
         stati::abbattimento_occupato, 1000},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        stato_build s = make_state();
        s.servizio[slot_progressiva_tre].inizio = r.inizio81;
        s.servizio[slot_progressiva_uno].fine = r.fine83;
        s.servizio[slot_progressiva_uno].posizione = r.posizione83;
        s.resoconto.errore_numero = r.status_before;
        s.resoconto.errore_posizione = 777;
        read_service(s, service_text({r.line}));
        EXPECT_EQ(s.resoconto.errore_numero, r.status);
        EXPECT_EQ(s.resoconto.errore_posizione, r.position);
    }
}

// memo_segnale changes `tempo` for its caller.
TEST(ServiceReader, MemoSegnaleAdjustsTempo) {
    stato_build s = make_state();
    std::int32_t sx = 2, s1 = 4, s2 = 0, s3 = 0, rapp = 0, dx = 0, d1 = 0, d2 = 0, d3 = 0, tempo = 7;
    memo_segnale(s, 1450, sx, s1, s2, s3, rapp, dx, d1, d2, d3, tempo);
    EXPECT_EQ(tempo, 101);
    EXPECT_EQ(s.percorso[30].tempo_segnale, 101);
}

}  // namespace
