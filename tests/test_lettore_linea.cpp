#include <gtest/gtest.h>

#include <string>

#include "diagnostics/diagnostica.hpp"
#include "reader/memo_linea.hpp"
#include "core/stati.hpp"

namespace {

struct lettura {
    stato_build s;
    bool continua = false;
    bool guasto = false;
    std::int32_t contatore = 0;
};

lettura leggi(const std::string& testo, std::int32_t genera_linea = 0) {
    lettura r;
    r.s.genera_linea = genera_linea;
    r.s.scenario = "Sorvanta";
    r.s.treno = "E48027";
    r.continua = leggi_linea(r.s, testo, r.contatore);
    r.guasto = r.s.resoconto.errore_numero == stati::lettura_fallita;
    return r;
}

// A 1000 m line: N = 160, so a feature position p passes the bounds check up to 7900.
std::string linea_corta(const std::string& caratteristiche) {
    return "[generale]\r\nlunghezza percorso,    1000\r\n[curve]\r\n" + caratteristiche + "[fine]\r\n";
}

struct caso_stato {
    const char* nome;
    std::string testo;
    std::int32_t genera_linea;
    std::int32_t stato;  // expected errore_numero; lettura_fallita when the failure handler takes over
    std::int32_t posizione;
    bool continua;  // whether the service description is read next
};

class LineReaderStatuses : public ::testing::TestWithParam<caso_stato> {};

TEST_P(LineReaderStatuses, RecordsTheExpectedStatus) {
    const caso_stato& c = GetParam();
    lettura r = leggi(c.testo, c.genera_linea);
    if (c.stato == stati::lettura_fallita) {
        EXPECT_TRUE(r.guasto);
        return;
    }
    ASSERT_FALSE(r.guasto);
    EXPECT_EQ(r.s.resoconto.errore_numero, c.stato);
    if (c.posizione != 0) {
        EXPECT_EQ(r.s.resoconto.errore_posizione, c.posizione);
    }
    EXPECT_EQ(r.continua, c.continua);
}

std::string molte(const std::string& riga, int volte) {
    std::string t;
    for (int i = 0; i < volte; ++i) t += riga;
    return t;
}

std::string cartelli(int quanti) {
    std::string t;
    for (int i = 0; i < quanti; ++i) t += "cartello_indicatore, " + std::to_string(50 * i) + ", (X)\r\n";
    return t;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LineReaderStatuses,
    ::testing::Values(
        caso_stato{"CleanLine", linea_corta("pendenza, 0, 1\r\n"), 1, 0, 0, true},
        caso_stato{"NoGeneralBlock", "[curve]\r\nlunghezza percorso, 1000\r\n[fine]\r\n", 0, 102, 0, false},
        caso_stato{"GeneralHeaderIsTheLastField", "x\r\n[generale]\r\n", 0, 102, 0, false},
        caso_stato{"LengthOverLimit", "[generale]\r\nlunghezza percorso, 1000001\r\n[curve]\r\n[fine]\r\n", 0, 1, 0,
                   false},
        caso_stato{"RepetitionStart", "[generale]\r\nlunghezza percorso, 1000\r\nripetizione segnali 4, 25, 100\r\n",
                   0, 3, 0, false},
        caso_stato{"RepetitionEnd", "[generale]\r\nlunghezza percorso, 1000\r\nripetizione segnali 4, 0, 125\r\n", 0,
                   4, 0, false},
        caso_stato{"RepetitionNoCode", "[generale]\r\nlunghezza percorso, 1000\r\nripetizione segnali, 0, 100\r\n",
                   0, 5, 0, false},
        caso_stato{"CurveWithoutClass", linea_corta("curvas7, 100, 50\r\n"), 1, 103, 0, false},
        caso_stato{"CurveIgnoredWithoutPlan", linea_corta("curvas7, 100, 50\r\n"), 0, 0, 0, true},
        caso_stato{"PlanPastAMillion",
                   "[generale]\r\nlunghezza percorso, 1000000\r\n[curve]\r\ncurvad1, 999000, 5000\r\n[fine]\r\n", 1,
                   103, 0, false},
        caso_stato{"GradientBeyondRoute", linea_corta("pendenza, 7901, 2\r\npendenza, 0, 5\r\n"), 0, 15, 7901, true},
        caso_stato{"GradientAtRouteLimit", linea_corta("pendenza, 7900, 2\r\n"), 0, 0, 0, true},
        caso_stato{"CurveBeyondRoute", linea_corta("curvad4, 7901, 10\r\n"), 1, 15, 7901, true},
        caso_stato{"MountainBeyondRoute", linea_corta("montagna, 7901, 8000, 1\r\n"), 0, 15, 7901, true},
        caso_stato{"BoardsBeyondRoute", linea_corta("indicatori_vmax, 7950, 80, 85, 85, 0, , , , 0\r\n"), 1, 15,
                   7950, true},
        caso_stato{"SignBeyondRoute", linea_corta("cartello_indicatore, 8000, (X)\r\n"), 0, 15, 8000, true},
        caso_stato{"SignOnBoards",
                   linea_corta("indicatori_vmax, 700, 80, 85, 85, 0, , , , 0\r\ncartello_indicatore, 700, (X)\r\n"), 0,
                   6, 700, false},
        caso_stato{"BoardsOnSign",
                   linea_corta("cartello_indicatore, 700, (X)\r\nindicatori_vmax, 720, 80, 85, 85, 0, , , , 0\r\n"), 0,
                   21, 720, false},
        caso_stato{"NoLengthEntry", "[generale]\r\nsfondo uno, 1\r\n[curve]\r\npendenza, 0, 0\r\n[fine]\r\n", 0, 25,
                   0, false},
        caso_stato{"NegativeLength", "[generale]\r\nlunghezza percorso, -5\r\n[curve]\r\n[fine]\r\n", 0, 25, 0, false},
        caso_stato{"NumberTooLarge", linea_corta("pendenza, 99999999999, 0\r\n"), 0, 25, 0, false},
        caso_stato{"EntryRunsPastEnd", "[generale]\r\nlunghezza percorso, 1000\r\n[curve]\r\npendenza, 100", 0, 25, 0,
                   false},
        caso_stato{"BoardsCodeBeyond16Bits", linea_corta("indicatori_vmax, 700, 2000, 85, 85, 0, , , , 0\r\n"), 0,
                   25, 0, false},
        caso_stato{"SignAtNegativePosition", linea_corta("cartello_indicatore, -500, (X)\r\n"), 0, 25, 0, false},
        caso_stato{"MountainPastLastCell", linea_corta("montagna, 7000, 9000, 1\r\n"), 0, 25, 0, false},
        caso_stato{"EightyMountains", linea_corta(molte("montagna, 0, 0, 1\r\n", 80)), 0, 0, 0, true},
        caso_stato{"EightyOneMountains", linea_corta(molte("montagna, 0, 0, 1\r\n", 81)), 0, 25, 0, false},
        caso_stato{"EightySigns", linea_corta(cartelli(80)), 0, 0, 0, true},
        caso_stato{"EightyOneSigns", linea_corta(cartelli(81)), 0, 25, 0, false},
        caso_stato{"CurvePastThePlan", linea_corta("curvad4, 7800, 300\r\n"), 1, 25, 0, false},
        caso_stato{"GradientFillPushedPastRoute", linea_corta(molte("pendenza, 7800, 0\r\n", 20)), 0, 25, 0,
                   false},
        caso_stato{"FinalGradientOutOfRange", linea_corta("pendenza, 0, 156\r\n"), 0, 25, 0, false}),
    [](const ::testing::TestParamInfo<caso_stato>& caso) { return std::string(caso.param.nome); });

TEST(LineReader, StatusFifteenLetsTheTailAndThePlanRun) {
    lettura r = leggi(linea_corta("pendenza, 0, 3\r\npendenza, 7901, 2\r\n"), 1);
    EXPECT_EQ(r.s.resoconto.errore_numero, stati::fuori_percorso);
    // The gradient in force when the loop ended fills the route; the plan is finished.
    EXPECT_EQ(r.s.percorso[157].pendenza, 103);
    EXPECT_EQ(r.s.percorso[158].pendenza, 0);
    EXPECT_EQ(r.s.linea.metro, r.s.linea.estensione - 1);
}

TEST(LineReader, GradientFill) {
    // Entries at 25 (nothing written), 75 (cells 0 and 1), twice at 500 (one extra cell).
    lettura r = leggi(linea_corta("pendenza, 25, 1\r\npendenza, 75, 2\r\npendenza, 500, 3\r\npendenza, 500, 4\r\n"));
    ASSERT_FALSE(r.guasto);
    EXPECT_EQ(r.s.percorso[0].pendenza, 101);
    EXPECT_EQ(r.s.percorso[1].pendenza, 101);
    EXPECT_EQ(r.s.percorso[2].pendenza, 102);
    EXPECT_EQ(r.s.percorso[9].pendenza, 102);
    EXPECT_EQ(r.s.percorso[10].pendenza, 103);  // the repeated position writes one cell with the earlier gradient
    EXPECT_EQ(r.s.percorso[11].pendenza, 104);
    EXPECT_EQ(r.s.percorso[157].pendenza, 104);
    EXPECT_EQ(r.s.percorso[158].pendenza, 0);
    EXPECT_EQ(r.s.percorso[160].pendenza, 0);
}

TEST(LineReader, Mountains) {
    lettura r = leggi(linea_corta("montagna, 1000, 2000, 12\r\nmontagna, 2150, 2500, 1\r\nmontagna, 3000, 3200, 4\r\n"));
    ASSERT_FALSE(r.guasto);
    for (int i = 20; i <= 39; ++i) {
        EXPECT_EQ(cella_n(r.s.percorso, i).montagna, 2) << i;
        const bool marcatore = i == 23 || i == 27 || i == 31 || i == 35 || i == 39;
        EXPECT_EQ(cella_n(r.s.percorso, i).tipo_cella, marcatore ? tipo::marcatore_montagna : tipo::libera) << i;
    }
    EXPECT_EQ(r.s.percorso[19].montagna, 0);
    EXPECT_EQ(r.s.percorso[40].montagna, 0);
    EXPECT_EQ(r.s.percorso[43].montagna, 3);  // 150 m after the first one's end: kind 3
    EXPECT_EQ(r.s.percorso[60].montagna, 4);  // 500 m after: its own kind
    EXPECT_EQ(r.s.n_montagne, 3);
    EXPECT_EQ(r.s.inizi_montagna[2], 2150);
    EXPECT_EQ(r.s.fini_montagna[3], 3200);
}

TEST(LineReader, SpeedBoardsAndSigns) {
    lettura r = leggi(linea_corta("montagna, 1000, 2000, 12\r\n"
                                  "indicatori_vmax,  700,  95,  100,  105,  0,  95,  100,  105,  0\r\n"
                                  "indicatori_vmax,  2200,  80,  85,  85,  3,  ,  ,  ,  4\r\n"
                                  "cartello_indicatore,  450,   (PONTE SUL     )(FIUME VALSIN 1)\r\n"
                                  "cartello_indicatore,  1100,   (SU MARCATORE)\r\n"));
    ASSERT_FALSE(r.guasto);
    const cella& a = r.s.percorso[15];
    EXPECT_EQ(a.tipo_cella, tipo::indicatori_velocita);
    EXPECT_EQ(a.valore1, 1919);
    EXPECT_EQ(a.valore2, 2020);
    EXPECT_EQ(a.valore3, 2121);
    EXPECT_EQ(a.valore4, 0);
    const cella& b = r.s.percorso[45];
    EXPECT_EQ(b.valore1, 1600);
    EXPECT_EQ(b.valore2, 1700);
    EXPECT_EQ(b.valore3, 1700);
    EXPECT_EQ(b.valore4, 34);
    EXPECT_EQ(r.s.percorso[10].tipo_cella, tipo::cartello);
    EXPECT_EQ(r.s.percorso[10].valore1, 80);
    EXPECT_EQ(r.s.servizio[80].nome, "(PONTE SUL     )(FIUME VALSIN 1)");
    // Cell 23 held a mountain marker, which counts as free.
    EXPECT_EQ(r.s.percorso[23].tipo_cella, tipo::cartello);
    EXPECT_EQ(r.s.percorso[23].valore1, 79);
    EXPECT_EQ(r.s.servizio[79].nome, "(SU MARCATORE)");
    EXPECT_EQ(r.contatore, 78);
}

TEST(LineReader, StripesSummedIn16Bits) {
    lettura r = leggi(linea_corta("indicatori_vmax, 700, 0, 0, 0, 3277, 0, 0, 0, 0\r\n"));
    ASSERT_FALSE(r.guasto);
    EXPECT_EQ(r.s.percorso[15].valore4, -32766);  // 32770 wraps
}

struct caso_generale {
    const char* nome;
    std::string righe;
    int slot;
    std::int32_t inizio, fine, posizione;
};

class GeneralBlock : public ::testing::TestWithParam<caso_generale> {};

TEST_P(GeneralBlock, FillsTheSlot) {
    const caso_generale& c = GetParam();
    lettura r = leggi("[generale]\r\nlunghezza percorso, 1000\r\n" + c.righe + "[curve]\r\n[fine]\r\n");
    ASSERT_FALSE(r.guasto);
    const slot_servizio& s = r.s.servizio[static_cast<std::size_t>(c.slot)];
    EXPECT_EQ(s.inizio, c.inizio);
    EXPECT_EQ(s.fine, c.fine);
    EXPECT_EQ(s.posizione, c.posizione);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GeneralBlock,
    ::testing::Values(
        caso_generale{"Backgrounds", "sfondo uno, 4\r\nsfondo due, 5\r\nsfondo tre, 6\r\n", 85, 4, 6, 5},
        caso_generale{"RepetitionNineCodes", "ripetizione segnali 9 codici, 100, 500\r\n", 86, 100, 500, 9},
        caso_generale{"RepetitionEndsAtZero", "ripetizione segnali 9 codici, 100, 0\r\n", 86, 100, 0, 0},
        caso_generale{"LengthAnyCase", "Lunghezza Percorso, 2000\r\n", 84, 0, 2000, 0},
        caso_generale{"ReferenceCaseIsExact", "Progressiva chilometrica uno, 100, 200, 0\r\n", 81, 0, 0, 0},
        caso_generale{"TenSeparatorsSkipped",
                      "-\r\n-\r\n-\r\n-\r\n-\r\n-\r\n-\r\n-\r\n-\r\n-- sfondo uno\r\nsfondo due, 3\r\n", 85, 0, 0, 3},
        caso_generale{"EleventhSeparatorIsTested",
                      "-\r\n-\r\n-\r\n-\r\n-\r\n-\r\n-\r\n-\r\n-\r\n-\r\n- sfondo uno, 7\r\n", 85, 7, 0, 0}),
    [](const ::testing::TestParamInfo<caso_generale>& caso) { return std::string(caso.param.nome); });

TEST(LineReader, SeparatorsInTheFeaturePart) {
    // Two separators in a row are passed over; a third one is tested like a keyword.
    lettura due = leggi(linea_corta("---\r\n-- curva\r\npendenza, 0, 4\r\n"), 1);
    EXPECT_EQ(due.s.percorso[0].pendenza, 104);
    lettura tre = leggi(linea_corta("---\r\n---\r\n- curvad4\r\n100, 50\r\n"), 1);
    ASSERT_FALSE(tre.guasto);
    EXPECT_GT(punti_di(tre.s.linea).x.at(200), 0.0);  // the comment line was taken as a right-hand curve
}

TEST(LineReader, ClosingTheGeneralBlock) {
    // The closing header is tested as a keyword field first; a separator with brackets does not close.
    lettura r = leggi("[generale]\r\nlunghezza percorso, 1000\r\n- [commento]\r\nsfondo tre, 2\r\n[x] sfondo uno, 5\r\n"
                      "sfondo due, 9\r\n[fine]\r\n");
    ASSERT_FALSE(r.guasto);
    EXPECT_EQ(r.s.servizio[85].fine, 2);
    EXPECT_EQ(r.s.servizio[85].inizio, 5);
    EXPECT_EQ(r.s.servizio[85].posizione, 0);  // read in the feature part, where it means nothing
}

TEST(LineReader, LastLineReadUnlessItIsTheLastField) {
    lettura r = leggi("[generale]\r\nlunghezza percorso, 1000\r\n[curve]\r\npendenza, 0, 7\r\n");
    ASSERT_FALSE(r.guasto);
    EXPECT_EQ(r.s.percorso[0].pendenza, 107);
}

struct caso_progressive {
    const char* nome;
    std::array<std::int32_t, 9> lette;   // tre, due, uno as (start, chainage, flag)
    std::array<std::int32_t, 9> attese;  // slots 81, 82, 83
};

class KilometreReferences : public ::testing::TestWithParam<caso_progressive> {};

TEST_P(KilometreReferences, AreSorted) {
    const caso_progressive& c = GetParam();
    stato_build s;
    for (std::size_t i = 0; i < 3; ++i) {
        slot_servizio& r = s.servizio[81 + i];
        r.inizio = c.lette[3 * i];
        r.fine = c.lette[3 * i + 1];
        r.posizione = c.lette[3 * i + 2];
    }
    progressive_ordina(s);
    std::array<std::int32_t, 9> ottenute{};
    for (std::size_t i = 0; i < 3; ++i) {
        const slot_servizio& r = s.servizio[81 + i];
        ottenute[3 * i] = r.inizio;
        ottenute[3 * i + 1] = r.fine;
        ottenute[3 * i + 2] = r.posizione;
    }
    EXPECT_EQ(ottenute, c.attese);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KilometreReferences,
    ::testing::Values(
        caso_progressive{"Embedded", {0, 0, 0, 1500, -1900, 0, 0, 150300, 1}, {1500, -1900, 0, 0, 150400, 1, 0, 0, 0}},
        caso_progressive{"TieAtTop", {1000, 5, 0, 1000, 6, 0, 0, 7, 0}, {0, 0, 0, 0, 0, 0, 0, 0, 0}},
        caso_progressive{"ReferenceThreeGreatest", {3000, 1, 0, 1000, 2, 0, 2000, 3, 1}, {3000, 1, 0, 2000, 103, 1, 1000, 2, 0}},
        caso_progressive{"ReferenceOneGreatest", {100, 1, 0, 200, 2, 0, 900, 3, 0}, {900, 3, 0, 200, 2, 0, 100, 1, 0}},
        caso_progressive{"ByChainageReferenceOne", {0, 5, 0, 0, 6, 0, 0, 7, 0}, {0, 7, 0, 0, 6, 0, 0, 5, 0}},
        caso_progressive{"ByChainageReferenceTwo", {0, 5, 0, 0, 6, 0, 0, 0, 0}, {0, 6, 0, 0, 5, 0, 0, 0, 0}},
        caso_progressive{"ByChainageReferenceThree", {0, 5, 1, 0, -6, 0, 0, 0, 0}, {0, 105, 1, 0, -6, 0, 0, 0, 0}},
        caso_progressive{"NothingPositive", {0, -5, 1, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0, 0}},
        caso_progressive{"NegativeStartsCancel", {-100, 1, 0, 100, 2, 0, 0, 0, 0},
                         {100, 2, 0, -100, 1, 0, 0, 0, 0}}),
    [](const ::testing::TestParamInfo<caso_progressive>& caso) { return std::string(caso.param.nome); });

}  // namespace
