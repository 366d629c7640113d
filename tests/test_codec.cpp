// The one codec: stored values in the author's units both ways, the position-to-cell rules and
// their inverse, and dump, plot and the reader agreeing on where every object stands.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "core/celle.hpp"
#include "format/codec.hpp"
#include "format/file_binari.hpp"
#include "harness/compila_in_memoria.hpp"
#include "tools/dump.hpp"
#include "tools/plot.hpp"

namespace {

using json = nlohmann::json;

TEST(Codec, SpeedLimitInFifths) {
    struct caso {
        std::int64_t kmh;
        int quinti;  // -1: does not fit
        std::int32_t letto;
    };
    for (const caso& k : {
             caso{0, 0, 0}, caso{30, 6, 30}, caso{160, 32, 160}, caso{1275, 255, 1275},
             // Not on the 5 km/h steps: halves go to the even fifth.
             caso{72, 14, 70}, caso{73, 15, 75}, caso{2, 0, 0}, caso{7, 1, 5}, caso{12, 2, 10}, caso{1277, 255, 1275},
             caso{1278, -1, 0}, caso{-2, 0, 0}, caso{-3, -1, 0},
         }) {
        const auto q = codifica_velocita(k.kmh);
        if (k.quinti < 0) {
            EXPECT_FALSE(q.has_value()) << k.kmh;
            continue;
        }
        ASSERT_TRUE(q.has_value()) << k.kmh;
        EXPECT_EQ(*q, k.quinti) << k.kmh;
        EXPECT_EQ(decodifica_velocita(*q), k.letto) << k.kmh;
    }
}

TEST(Codec, EightBitFieldsKeepTheirLowBits) {
    // Gradient + 100: -100 to 155 come back; beyond, the stored byte wraps.
    for (std::int64_t g = -100; g <= 155; ++g) EXPECT_EQ(decodifica_pendenza(codifica_pendenza(g)), g);
    EXPECT_EQ(codifica_pendenza(156), 0);
    EXPECT_EQ(decodifica_pendenza(codifica_pendenza(-101)), 155);
    EXPECT_EQ(codifica_aderenza(300), 44);
    // Mountain kinds above 10 ask for markers.
    struct caso {
        std::int64_t scritto, tipo;
        bool marcatori;
    };
    for (const caso& k : {caso{0, 0, false}, caso{3, 3, false}, caso{10, 10, false}, caso{11, 1, true},
                          caso{12, 2, true}, caso{266, 256, true}}) {
        const montagna_scritta m = leggi_tipo_montagna(k.scritto);
        EXPECT_EQ(m.tipo, k.tipo) << k.scritto;
        EXPECT_EQ(m.marcatori, k.marcatori) << k.scritto;
    }
    EXPECT_EQ(codifica_montagna(256), 0);
}

TEST(Codec, SpeedIndicatorBoards) {
    // Every pair on the 5 km/h steps, the right speed below 500 km/h, comes back as written.
    for (std::int64_t s = 0; s <= 1630; s += 5)
        for (std::int64_t d = 0; d < 500; d += 5) {
            const auto c = codifica_indicatore(s, d);
            ASSERT_TRUE(c.has_value()) << s << "/" << d;
            const auto l = decodifica_indicatore(*c);
            ASSERT_TRUE(l.has_value());
            ASSERT_EQ(l->sinistra, s) << s << "/" << d;
            ASSERT_EQ(l->destra, d) << s << "/" << d;
        }
    struct caso {
        std::int64_t sinistra, destra;
        int codice;  // INT32_MIN: does not fit 16 bits
    };
    for (const caso& k : {
             caso{95, 95, 1919}, caso{100, 100, 2020}, caso{105, 105, 2121}, caso{80, 0, 1600},
             // Off the steps: the right speed's fifth is rounded, halves to even.
             caso{100, 72, 2014}, caso{100, 2, 2000}, caso{100, 7, 2001},
             caso{1638, 0, 32760}, caso{1639, 0, INT32_MIN}, caso{-1639, 0, INT32_MIN},
         }) {
        const auto c = codifica_indicatore(k.sinistra, k.destra);
        if (k.codice == INT32_MIN) {
            EXPECT_FALSE(c.has_value()) << k.sinistra;
            continue;
        }
        ASSERT_TRUE(c.has_value());
        EXPECT_EQ(*c, k.codice) << k.sinistra << "/" << k.destra;
    }
    // A negative code is no reading of the author's.
    EXPECT_FALSE(decodifica_indicatore(-1).has_value());
    // Stripes: 10 x left + right, wrapping in 16 bits.
    for (std::int64_t s = 0; s < 100; ++s)
        for (std::int64_t d = 0; d < 10; ++d) {
            const auto l = decodifica_strisce(codifica_strisce(s, d));
            ASSERT_TRUE(l.has_value());
            EXPECT_EQ(l->sinistra, s);
            EXPECT_EQ(l->destra, d);
        }
    EXPECT_EQ(codifica_strisce(3277, 0), -32766);
    EXPECT_FALSE(decodifica_strisce(codifica_strisce(3277, 0)).has_value());
}

TEST(Codec, Signals) {
    // Every kind pair and digit comes back; rapp keeps the tens of valore4.
    for (std::int64_t sx = 0; sx <= 2; ++sx)
        for (std::int64_t dx = 0; dx <= 2; ++dx)
            for (std::int64_t v = 0; v <= 9; ++v) {
                segnale_scritto s;
                s.sx = sx;
                s.dx = dx;
                s.rapp = v;
                s.sinistra = {v, 9 - v, 0};
                s.destra = {9 - v, v, 9};
                s.tempo = 0;
                const auto d = decodifica_segnale(codifica_segnale(s));
                ASSERT_TRUE(d.has_value());
                EXPECT_EQ(d->sx, sx);
                EXPECT_EQ(d->dx, dx);
                EXPECT_EQ(d->rapp, v);
                EXPECT_EQ(d->sinistra, s.sinistra);
                EXPECT_EQ(d->destra, s.destra);
            }
    // The worked signal: "segnale, 1450, 2, 2, 5, 6, 1, 2, 2,1,0, 0".
    segnale_scritto s{2, 2, 1, 0, {2, 5, 6}, {2, 1, 0}};
    const segnale_in_cella c = codifica_segnale(s);
    EXPECT_EQ(c.valori, (std::array<std::int16_t, 4>{22, 51, 60, 18}));
    // A digit that runs into the next one is no reading of the author's.
    EXPECT_FALSE(decodifica_segnale({{22, 100, 60, 18}, 0}).has_value());
    EXPECT_FALSE(decodifica_segnale({{22, 51, 60, 19}, 0}).has_value());  // kinds 3 and 0
    // Time: 1 to 100 become 101, and only a left kind 2 keeps it, in 8 bits.
    struct caso {
        std::int64_t tempo, sx;
        int atteso;
    };
    for (const caso& k : {caso{0, 2, 0}, caso{1, 2, 101}, caso{50, 2, 101}, caso{100, 2, 101}, caso{101, 2, 101},
                          caso{255, 2, 255}, caso{300, 2, 44}, caso{50, 1, 0}, caso{300, 0, 0}})
        EXPECT_EQ(codifica_tempo_segnale(k.tempo, k.sx), k.atteso) << k.tempo << " " << k.sx;
}

TEST(Codec, ApproachCodes) {
    for (std::int64_t sx = 0; sx <= 2; ++sx)
        for (std::int64_t dx = 0; dx <= 2; ++dx)
            for (int i = 1; i <= celle_approccio; ++i) {
                const auto a = decodifica_approccio(codifica_approccio_segnale(sx, dx, i));
                ASSERT_TRUE(a.has_value());
                // Kinds 2 and 2 give 8: codes 81 to 84 read as a station's; both packings agree.
                if (sx * 3 + dx == 8) {
                    EXPECT_TRUE(a->stazione);
                } else {
                    EXPECT_FALSE(a->stazione);
                    EXPECT_EQ(a->tipi, sx * 3 + dx);
                }
                EXPECT_EQ(a->passo, i);
            }
    for (int i = 1; i <= celle_approccio; ++i) {
        const auto a = decodifica_approccio(codifica_approccio_stazione(i));
        ASSERT_TRUE(a.has_value());
        EXPECT_TRUE(a->stazione);
        EXPECT_EQ(a->passo, i);
    }
    for (int codice : {0, 5, 10, 85, 90, 99, 255}) EXPECT_FALSE(decodifica_approccio(static_cast<std::uint8_t>(codice)).has_value()) << codice;
}

TEST(Codec, SlotValues) {
    struct caso {
        std::int64_t h, m, s;
        std::int32_t secondi;
    };
    for (const caso& k : {caso{0, 0, 0, 0}, caso{10, 15, 0, 36900}, caso{23, 59, 59, 86399}, caso{30, 0, 1, 108001}}) {
        EXPECT_EQ(codifica_orario(k.h, k.m, k.s), k.secondi);
        const orario_letto o = decodifica_orario(k.secondi);
        EXPECT_EQ(o.ore, k.h);
        EXPECT_EQ(o.minuti, k.m);
        EXPECT_EQ(o.secondi, k.s);
        EXPECT_FALSE(o.negativo);
    }
    // A time past 59 minutes is carried into the hours: it reads back as the clock it is.
    const orario_letto o = decodifica_orario(codifica_orario(1, 75, 0));
    EXPECT_EQ(o.ore, 2);
    EXPECT_EQ(o.minuti, 15);
    EXPECT_TRUE(decodifica_orario(-61).negativo);
    // Kilometre references: flag 1 adds 100 m, which reading takes away again.
    for (std::int32_t segno : {0, 1, 2})
        for (std::int32_t chilometrica : {-1900, 0, 150300}) {
            slot_servizio s;
            s.fine = codifica_progressiva(chilometrica, segno);
            s.posizione = segno;
            EXPECT_EQ(decodifica_progressiva(s), chilometrica) << segno;
        }
    EXPECT_EQ(codici_ripetizione(9, 0), 0);
    EXPECT_EQ(codici_ripetizione(4, 1500), 4);
}

// The inverse of each rule: exactly the metres that the rule puts in cell k, halves going to
// the even cell, so that neighbouring cells never share a metre.
TEST(Celle, MetresOfACellAreExactlyThoseThatLandThere) {
    for (regola_cella r : {regola_cella::punto, regola_cella::profilo}) {
        for (std::int64_t k = -3; k <= 60; ++k) {
            const metri_cella_da_a m = metri_di_cella(r, k);
            for (std::int64_t p = m.da - 60; p <= m.a + 60; ++p)
                ASSERT_EQ(cella_di(r, static_cast<double>(p)) == k, p >= m.da && p <= m.a)
                    << "rule " << static_cast<int>(r) << " cell " << k << " metre " << p;
            EXPECT_EQ(metri_di_cella(r, k + 1).da, m.a + 1) << k;
            const std::int64_t centro = metro_di_cella(r, k);
            EXPECT_TRUE(centro >= m.da && centro <= m.a) << k;
        }
    }
}

TEST(Celle, PlacementRules) {
    struct caso {
        const char* cosa;
        std::int64_t cella, attesa;
    };
    for (const caso& k : {
             caso{"route of 39000 m", ultima_cella(39000), 920}, caso{"route of 1025 m", ultima_cella(1025), 160},
             caso{"route of 1075 m", ultima_cella(1075), 162}, caso{"signal at 1450", cella_punto(1450), 30},
             caso{"speed board at 1000", cella_profilo(1000), 20}, caso{"board at 700", cella_punto(700), 15},
             caso{"warning of 1550", cella_avviso_rallentamento(1550), 8},
             caso{"pre-warning 0 of 1550", cella_preavviso(1550, 0), 7},
             caso{"pre-warning 3 of 1550", cella_preavviso(1550, 3), 4},
             caso{"slowdown start 2530", cella_inizio_rallentamento(2530), 52},
             caso{"slowdown end 2530+400", cella_fine_rallentamento(2530, 400), 60},
             caso{"approach 1 of cell 30", cella_approccio_segnale(30, 1), 28},
             caso{"approach 4 of cell 30", cella_approccio_segnale(30, 4), 22},
             caso{"stop of a station ending at 300", cella_fermata(300), 5},
             caso{"mountain 1000..2000 first", prima_cella_montagna(1000), 20},
             caso{"mountain 1000..2000 last", ultima_cella_montagna(2000), 39},
         })
        EXPECT_EQ(k.cella, k.attesa) << k.cosa;
    // A station ending at 300 m: approach codes in cells 4, 3, 2; none at cell 1.
    EXPECT_EQ(cella_approccio_stazione(300, 1), 4);
    EXPECT_EQ(cella_approccio_stazione(300, 3), 2);
    EXPECT_FALSE(cella_approccio_stazione(300, 4).has_value());
    EXPECT_TRUE(rallentamento_con_avviso(1501));
    EXPECT_FALSE(rallentamento_con_avviso(1500));
}

// dump, plot and the reader on one compiled scenario: every object the author wrote stands in a
// cell of its kind whose listed metres hold the written position, and plot draws each listed
// cell within those metres and within half a cell of what was written. The slowdown's
// pre-warning run is the case plot once drew 50 m away.
TEST(Celle, DumpPlotAndReaderAgree) {
    const file_compilati f = compila_e_serializza(
        "[generale]\r\nlunghezza percorso, 6000\r\n[curve]\r\ncurvad4, 600, 200\r\npendenza, 0, 5\r\n"
        "cartello_indicatore, 520, (PONTE)\r\nindicatori_vmax, 1010, 95, 100, 105, 0, 95, 100, 105, 0\r\n[fine]\r\n",
        "[generale]\r\naderenza, 0, 100\r\nvelocita, 0, 100\r\n"
        "stazione, 0, 8, 300, 1, 0, 0, 5,6,0, 2,1,1, 1, 10,15,0, PARTENZA\r\n"
        "segnale, 1450, 2, 2, 5, 6, 1, 2, 2,1,0, 0\r\n"
        "abbattimento, 1990, 60\r\n"
        "rallentamento, 3530, 30, 420, 1, 1, 7\r\n"
        "rallentamento, 5000, 60, 200, 1, 1, 0\r\n[fine]\r\n");
    ASSERT_FALSE(f.percorso.empty());
    std::ostringstream out;
    std::string errore;
    ASSERT_TRUE(dump_bytes("x.dat", f.percorso, dump_format::json, dump_values::decoded, out, errore)) << errore;
    const json d = json::parse(out.str());
    std::vector<cella> route;
    ASSERT_TRUE(leggi_file_percorso(f.percorso, route, errore));

    // Every listed object: plot's metre lies in dump's range.
    std::size_t oggetti = 0;
    for (const json& e : d["listed"]) {
        const std::size_t k = e["cell"].get<std::size_t>();
        if (route[k].tipo_cella == tipo::libera || k == 1) continue;
        ++oggetti;
        const double disegnato = item_position(k, route[k].tipo_cella);
        EXPECT_GE(disegnato, e.value("written_from_m", e["from_m"]).get<double>()) << e.dump();
        EXPECT_LE(disegnato, e.value("written_to_m", e["to_m"]).get<double>()) << e.dump();
    }
    EXPECT_GE(oggetti, 15u);

    struct scritto {
        const char* tipo_dump;
        std::int64_t metro;  // as written (the pre-warning run: 1200 m before the start, 50 m a cell)
    };
    for (const scritto& w : {
             scritto{"sign board", 520}, scritto{"speed indicator boards", 1010}, scritto{"signal", 1450},
             scritto{"speed board", 1990}, scritto{"slowdown start", 3530}, scritto{"slowdown end", 3950},
             scritto{"slowdown warning", 2330}, scritto{"slowdown pre-warning", 2330},
             scritto{"slowdown pre-warning", 2280}, scritto{"slowdown pre-warning", 2230},
             scritto{"slowdown pre-warning", 2180}, scritto{"slowdown start", 5000}, scritto{"slowdown end", 5200},
             scritto{"slowdown warning", 3800}, scritto{"slowdown pre-warning", 3800},
             scritto{"slowdown pre-warning", 3650},
         }) {
        int trovate = 0;
        for (const json& e : d["listed"]) {
            if (e["kind"] != w.tipo_dump) continue;
            if (w.metro < e["written_from_m"].get<std::int64_t>() || w.metro > e["written_to_m"].get<std::int64_t>())
                continue;
            ++trovate;
            const std::size_t k = e["cell"].get<std::size_t>();
            EXPECT_LE(std::fabs(item_position(k, route[k].tipo_cella) - static_cast<double>(w.metro)), 25.0)
                << w.tipo_dump << " at " << w.metro << ": cell " << k;
        }
        EXPECT_EQ(trovate, 1) << w.tipo_dump << " written at " << w.metro;
    }
    // The pre-warning run of the slowdown at 3530: the reader put it where the rule says.
    for (int i = 0; i < celle_preavviso; ++i) {
        const cella& c = route[static_cast<std::size_t>(cella_preavviso(3530, i))];
        EXPECT_EQ(c.tipo_cella, tipo::preavviso_rallentamento) << i;
        EXPECT_EQ(c.valore1, codifica_passo_preavviso(i)) << i;
        EXPECT_EQ(c.valore2, codifica_passo_preavviso(i)) << i;
    }
}

}  // namespace
