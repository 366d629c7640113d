#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <tuple>
#include <vector>

#include "finish/passata_finale.hpp"
#include "core/stati.hpp"

namespace {

// Any code that is neither free nor a speed board.
constexpr std::uint8_t occupata = tipo::indicatori_velocita;

struct route_fixture : ::testing::Test {
    stato_build s;

    // Exactly sized, so that a read past the last cell is caught by the address sanitizer.
    void route(std::size_t cells) { s.percorso = std::vector<cella>(cells); }

    void SetUp() override { route(60); }

    void put(std::int32_t k, std::uint8_t t, std::int16_t v1 = 0) {
        s.percorso.at(static_cast<std::size_t>(k)).tipo_cella = t;
        s.percorso.at(static_cast<std::size_t>(k)).valore1 = v1;
    }

    void occupy(std::initializer_list<std::int32_t> cells) {
        for (std::int32_t k : cells) put(k, occupata);
    }

    // Cells from `from` on that hold a speed board, each checked to carry 180.
    std::vector<std::int32_t> boards(std::int32_t from = 0) const {
        std::vector<std::int32_t> found;
        for (std::size_t k = static_cast<std::size_t>(from); k < s.percorso.size(); ++k) {
            if (s.percorso[k].tipo_cella != tipo::tabella_con_valore) continue;
            EXPECT_EQ(s.percorso[k].valore1, 180) << "cell " << k;
            found.push_back(static_cast<std::int32_t>(k));
        }
        return found;
    }
};

auto fields(const cella& c) {
    return std::tie(c.tipo_cella, c.valore1, c.valore2, c.valore3, c.valore4, c.tempo_segnale, c.preavviso,
                    c.montagna, c.velocita_limite, c.pendenza, c.aderenza);
}

using FinishingPassWithoutSlowdowns = route_fixture;

TEST_F(FinishingPassWithoutSlowdowns, RouteWithoutSlowdownCellsIsUnchanged) {
    put(3, tipo::segnale, 7);
    put(10, tipo::tabella_con_valore, 200);
    put(11, tipo::marcatore_montagna);
    put(12, tipo::fermata_stazione, 1);
    put(20, tipo::tabella_senza_valore);
    put(30, tipo::segnale, 2);
    s.percorso[31].velocita_limite = 24;
    const std::vector<cella> before = s.percorso;
    passata_finale(s);
    for (std::size_t k = 0; k < before.size(); ++k) EXPECT_TRUE(fields(s.percorso[k]) == fields(before[k])) << k;
    EXPECT_EQ(s.resoconto.errore_numero, stati::nessuno);
}

using FinishingPassSlowdownWarning = route_fixture;

TEST_F(FinishingPassSlowdownWarning, EverySignalWithinTwentyCellsGetsItsBoardKeepingTheTrackFields) {
    put(30, tipo::avviso_rallentamento, 60);
    put(26, tipo::segnale);
    put(21, tipo::segnale);
    put(20, tipo::marcatore_montagna);
    s.percorso[20].montagna = 3;
    s.percorso[20].velocita_limite = 24;
    passata_finale(s);
    EXPECT_EQ(boards(), (std::vector<std::int32_t>{20, 25}));
    EXPECT_EQ(s.percorso[20].montagna, 3);
    EXPECT_EQ(s.percorso[20].velocita_limite, 24);
    EXPECT_EQ(s.resoconto.errore_numero, stati::nessuno);
}

TEST_F(FinishingPassSlowdownWarning, LookBackWindowEndsTwentyCellsBackAndBeforeCellThree) {
    struct row {
        std::int32_t warning, signal;
        std::initializer_list<std::int32_t> occupied;
        std::vector<std::int32_t> expected;
    };
    const row rows[] = {
        {40, 20, {}, {19}},
        {40, 19, {}, {}},
        {5, 3, {2}, {1}},  // the board on cell 1 is what the stamping guard later rejects
        {5, 2, {}, {}},
        {58, 55, {}, {}},  // the last two cells are never the current cell
    };
    for (const row& r : rows) {
        SCOPED_TRACE(testing::Message() << "warning " << r.warning << ", signal " << r.signal);
        route(60);
        put(r.warning, tipo::avviso_rallentamento, 60);
        put(r.signal, tipo::segnale);
        occupy(r.occupied);
        passata_finale(s);
        EXPECT_EQ(boards(), r.expected);
        EXPECT_EQ(s.percorso[0].tipo_cella, tipo::libera);
    }
}

TEST_F(FinishingPassSlowdownWarning, FreeCellFirstThenExistingBoardLoweredThenStatus) {
    // Signal at 20, warning at 25; the two cells before the signal are 19 and 18.
    struct row {
        const char* name;
        std::uint8_t t19;
        std::int16_t v19;
        std::uint8_t t18;
        std::int16_t v18;
        std::uint8_t t19_after;
        std::int16_t v19_after;
        std::uint8_t t18_after;
        std::int16_t v18_after;
        std::int32_t status;
    };
    constexpr std::uint8_t b = tipo::tabella_con_valore;
    const row rows[] = {
        {"free cell beats a board", b, 200, tipo::libera, 0, b, 200, b, 180, stati::nessuno},
        {"fast board lowered", b, 200, occupata, 0, b, 180, occupata, 0, stati::nessuno},
        {"slow board kept", b, 90, occupata, 0, b, 90, occupata, 0, stati::nessuno},
        {"board two cells back lowered", occupata, 0, b, 200, occupata, 0, b, 180, stati::nessuno},
        {"mountain marker is free", tipo::marcatore_montagna, 0, tipo::libera, 0, b, 180, tipo::libera, 0,
         stati::nessuno},
        {"no room", occupata, 0, occupata, 0, occupata, 0, occupata, 0, stati::finitura_segnale},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        route(60);
        s.resoconto.errore_posizione = -1;
        put(25, tipo::avviso_rallentamento, 60);
        put(20, tipo::segnale);
        put(19, r.t19, r.v19);
        put(18, r.t18, r.v18);
        passata_finale(s);
        EXPECT_EQ(s.percorso[19].tipo_cella, r.t19_after);
        EXPECT_EQ(s.percorso[19].valore1, r.v19_after);
        EXPECT_EQ(s.percorso[18].tipo_cella, r.t18_after);
        EXPECT_EQ(s.percorso[18].valore1, r.v18_after);
        EXPECT_EQ(s.resoconto.errore_numero, r.status);
        EXPECT_EQ(s.resoconto.errore_posizione, r.status == stati::nessuno ? -1 : 20 * 50);
    }
}

using FinishingPassSlowdownStart = route_fixture;

TEST_F(FinishingPassSlowdownStart, DistanceGroupsBeforeAStart) {
    struct row {
        std::int32_t start;
        std::initializer_list<std::int32_t> occupied;
        std::vector<std::int32_t> expected;
        std::int32_t status;
    };
    const row rows[] = {
        {7, {}, {}, stati::nessuno},
        {8, {}, {3}, stati::nessuno},
        {8, {3, 2}, {1}, stati::nessuno},
        {13, {}, {8}, stati::nessuno},
        {14, {}, {3, 9}, stati::nessuno},
        {20, {}, {9, 15}, stati::nessuno},
        {21, {}, {3, 10, 16}, stati::nessuno},
        {30, {25}, {12, 19, 24}, stati::nessuno},
        {30, {25, 24, 23}, {12, 19}, stati::finitura_gruppo},  // the groups after a full one still get theirs
    };
    for (const row& r : rows) {
        SCOPED_TRACE(testing::Message() << "start " << r.start);
        route(60);
        s.resoconto.errore_numero = stati::nessuno;
        put(r.start, tipo::inizio_rallentamento, 150);
        occupy(r.occupied);
        passata_finale(s);
        EXPECT_EQ(boards(), r.expected);
        EXPECT_EQ(s.resoconto.errore_numero, r.status);
        if (r.status != stati::nessuno) {
            EXPECT_EQ(s.resoconto.errore_posizione, r.start * 50);
        }
    }
}

TEST_F(FinishingPassSlowdownStart, OnlyASlowStartGetsBoardsInsideAndAfterItsZone) {
    // Start at 10, end at 30, a signal at 35.
    struct row {
        std::int16_t speed;
        std::vector<std::int32_t> expected;
    };
    const row rows[] = {
        {109, {5, 18, 26, 34}},
        {110, {5}},
        {-1, {5, 18, 26, 34}},  // the speed is a signed value
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.speed);
        route(60);
        put(10, tipo::inizio_rallentamento, r.speed);
        put(30, tipo::fine_rallentamento, r.speed);
        put(35, tipo::segnale);
        passata_finale(s);
        EXPECT_EQ(boards(), r.expected);
    }
}

using FinishingPassSlowdownZone = route_fixture;

TEST_F(FinishingPassSlowdownZone, WalkPlacesEveryEightCellsShiftingAroundOccupiedCells) {
    // A slow start at 10; the near group's board on cell 5 is left out of the comparison.
    struct row {
        const char* name;
        std::int32_t end;
        std::initializer_list<std::int32_t> occupied;
        std::int32_t signal;  // 0: none
        std::vector<std::int32_t> expected;
        std::int32_t status_cell;  // 0: no status
    };
    const row rows[] = {
        {"all free", 30, {}, 0, {18, 26}, 0},
        {"one cell back", 30, {18}, 0, {17, 25}, 0},
        {"one cell on", 30, {17, 18}, 0, {19, 27}, 0},
        {"occupied run ends the zone's boards, not the walk", 40, {17, 18, 19}, 45, {44}, 18},
        {"end cell is the 8th", 18, {}, 0, {17}, 0},
        {"board after the end cell", 18, {17}, 0, {19}, 0},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        route(60);
        s.resoconto.errore_numero = stati::nessuno;
        put(10, tipo::inizio_rallentamento, 60);
        put(r.end, tipo::fine_rallentamento, 60);
        if (r.signal != 0) put(r.signal, tipo::segnale);
        occupy(r.occupied);
        passata_finale(s);
        EXPECT_EQ(boards(11), r.expected);
        if (r.status_cell == 0) {
            EXPECT_EQ(s.resoconto.errore_numero, stati::nessuno);
        } else {
            EXPECT_EQ(s.resoconto.errore_numero, stati::finitura_zona);
            EXPECT_EQ(s.resoconto.errore_posizione, r.status_cell * 50);
        }
    }
}

TEST_F(FinishingPassSlowdownZone, BoardBeforeTheFirstSignalWithinTwelveCellsAfterTheEnd) {
    // A slow start at 10 and its end at 30; the zone's own boards are on 18 and 26.
    struct row {
        std::initializer_list<std::int32_t> signals;
        std::initializer_list<std::int32_t> occupied;
        std::vector<std::int32_t> expected;
        std::int32_t status;
    };
    const row rows[] = {
        {{35}, {}, {34}, stati::nessuno},
        {{35}, {34}, {33}, stati::nessuno},
        {{35}, {34, 33}, {}, stati::finitura_zona},
        {{31}, {}, {29}, stati::nessuno},  // the cell before the signal is the end cell
        {{42}, {}, {41}, stati::nessuno},
        {{43}, {}, {}, stati::nessuno},
        {{33, 36}, {}, {32}, stati::nessuno},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(testing::Message() << "first signal " << *r.signals.begin());
        route(60);
        s.resoconto.errore_numero = stati::nessuno;
        put(10, tipo::inizio_rallentamento, 60);
        put(30, tipo::fine_rallentamento, 60);
        for (std::int32_t k : r.signals) put(k, tipo::segnale);
        occupy(r.occupied);
        passata_finale(s);
        EXPECT_EQ(boards(27), r.expected);
        EXPECT_EQ(s.resoconto.errore_numero, r.status);
        if (r.status != stati::nessuno) {
            EXPECT_EQ(s.resoconto.errore_posizione, 30 * 50);
        }
    }
}

TEST_F(FinishingPassSlowdownZone, WalkAndSearchStopAtTheLastCell) {
    // 60 cells: the last one is 59.
    {
        SCOPED_TRACE("no end cell, 8th cell is the last one and occupied with its neighbour");
        route(60);
        put(51, tipo::inizio_rallentamento, 60);
        occupy({58, 59});
        passata_finale(s);
        EXPECT_EQ(boards(52), std::vector<std::int32_t>{});
        EXPECT_EQ(s.resoconto.errore_numero, stati::finitura_zona);
        EXPECT_EQ(s.resoconto.errore_posizione, 59 * 50);
    }
    {
        SCOPED_TRACE("no end cell, 8th cell is the last one and free");
        route(60);
        put(51, tipo::inizio_rallentamento, 60);
        passata_finale(s);
        EXPECT_EQ(boards(52), std::vector<std::int32_t>{59});
    }
    {
        SCOPED_TRACE("search cut at the last cell");
        route(60);
        put(50, tipo::inizio_rallentamento, 60);
        put(55, tipo::fine_rallentamento, 60);
        put(59, tipo::segnale);
        passata_finale(s);
        EXPECT_EQ(boards(52), std::vector<std::int32_t>{58});
    }
}

TEST_F(FinishingPassSlowdownZone, TinyRoutesAreWalkedWithoutLeavingTheArray) {
    const std::uint8_t fills[] = {tipo::inizio_rallentamento, tipo::avviso_rallentamento, tipo::segnale};
    for (std::int32_t cells = 0; cells <= 12; ++cells) {
        SCOPED_TRACE(testing::Message() << cells << " cells");
        for (std::uint8_t fill : fills) {
            route(static_cast<std::size_t>(cells));
            for (std::int32_t k = 1; k < cells; ++k) put(k, fill, 60);
            passata_finale(s);
            if (cells > 0) {
                EXPECT_EQ(s.percorso[0].tipo_cella, tipo::libera);
            }
        }
        for (std::int32_t start = 1; start + 2 < cells; ++start) {
            route(static_cast<std::size_t>(cells));
            put(start, tipo::inizio_rallentamento, 60);
            passata_finale(s);
            EXPECT_EQ(s.percorso[0].tipo_cella, tipo::libera);
        }
    }
}

}  // namespace
