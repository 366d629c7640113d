// dump in the author's units, on the built-in scenario and on hostile files.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <bit>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "avvia_programma.hpp"
#include "cartella_temporanea.hpp"
#include "harness/compila_in_memoria.hpp"
#include "tests/ambiente.hpp"

namespace {

using nlohmann::json;

const file_compilati& incorporati() {
    static const file_compilati f = compila_e_serializza(linea_incorporata(), servizio_incorporato());
    return f;
}

struct risultato_dump {
    bool ok;
    std::string testo;
    std::string errore;
};

risultato_dump esegui_dump(const std::string& nome, const std::string& byte, dump_format formato,
                           dump_values valori = dump_values::decoded) {
    std::ostringstream out;
    risultato_dump r;
    r.ok = dump_bytes(nome, byte, formato, valori, out, r.errore);
    r.testo = out.str();
    return r;
}

json dump_json(const std::string& nome, const std::string& byte) {
    const risultato_dump r = esegui_dump(nome, byte, dump_format::json);
    EXPECT_TRUE(r.ok) << r.errore;
    return json::parse(r.testo);
}

// The listed element whose label key (cell, slot, metre) has the index.
json elemento(const json& documento, const char* lista, const char* chiave, long long indice) {
    for (const json& e : documento.at(lista))
        if (e.at(chiave).get<long long>() == indice) return e;
    ADD_FAILURE() << chiave << " " << indice << " is not listed";
    return json::object();
}

// The plan file with one x value replaced.
std::string piano_con(double valore, int metro) {
    std::string byte = incorporati().linea;
    const std::size_t at = 8 + 10 * static_cast<std::size_t>(metro - 2) + 2;
    const auto bit = std::bit_cast<std::uint64_t>(valore);
    for (int i = 0; i < 8; ++i) byte[at + static_cast<std::size_t>(i)] = static_cast<char>((bit >> (8 * i)) & 0xFFu);
    return byte;
}

TEST(Dump, RouteCellsInUnits) {
    const json d = dump_json("Sorvanta_E48027.dat", incorporati().percorso);
    EXPECT_EQ(d["cells"], 921);
    struct caso {
        long long cella;
        json atteso;
    };
    for (const caso& k : {
             // "segnale, 1450, 2, 2, 5, 6, 1, 2, 2,1,0, 0": the cell that takes 1450 m, whose own
             // track lies 50 m further on.
             caso{30, {{"kind", "signal"}, {"from_m", 1500}, {"to_m", 1549}, {"at_m", 1450},
                       {"written_from_m", 1425}, {"written_to_m", 1475}, {"left_kind", 2},
                       {"left_values", {2, 5, 6}}, {"right_kind", 2}, {"right_values", {2, 1, 0}}, {"rapp", 1},
                       {"time", 0}}},
             caso{0, {{"kind", "plain track"}, {"gradient_per_mille", 0}, {"speed_limit_kmh", 30}, {"adhesion", 100}}},
             caso{1, {{"build_marker", 5121}}},
             // "indicatori_vmax, 700, 95, 100, 105, 0, 95, 100, 105, 0"
             caso{15, {{"kind", "speed indicator boards"}, {"written_from_m", 676}, {"a_left_kmh", 95}, {"a_right_kmh", 95},
                       {"c_left_kmh", 105}, {"left_stripes", 0}}},
             caso{5, {{"kind", "station stop"}, {"from_m", 250}, {"to_m", 299}, {"station_slot", 1},
                      {"written_from_m", nullptr}}},
             caso{10, {{"kind", "sign board"}, {"sign_slot", 80}}},
             caso{28, {{"approach_code", 81}}},
         }) {
        const json e = elemento(d, "listed", "cell", k.cella);
        for (const auto& [chiave, valore] : k.atteso.items())
            EXPECT_EQ(e.value(chiave, json()), valore) << "cell " << k.cella << " " << chiave << ": " << e.dump();
        // Every listed cell carries the same keys in JSON.
        for (const char* chiave : {"kind", "from_m", "to_m", "gradient_per_mille", "speed_limit_kmh", "adhesion",
                                   "mountain", "approach_code"})
            EXPECT_TRUE(e.contains(chiave)) << chiave;
    }
    const risultato_dump testo = esegui_dump("Sorvanta_E48027.dat", incorporati().percorso, dump_format::text);
    // The listed cells' own metres follow one another and never overlap, whatever their kinds.
    long long fine_precedente = -1;
    for (const json& e : d["listed"]) {
        EXPECT_GT(e["from_m"].get<long long>(), fine_precedente) << e.dump();
        EXPECT_EQ(e["to_m"].get<long long>(), e["from_m"].get<long long>() + 49) << e.dump();
        fine_precedente = e["to_m"].get<long long>();
    }
    EXPECT_NE(testo.testo.find("cell 30 (1500 to 1549 m): signal at 1450 m (written 1425 to 1475 m) left_kind=2 "
                               "left_values=2,5,6 right_kind=2 "
                               "right_values=2,1,0 rapp=1 time=0\n"),
              std::string::npos)
        << testo.testo.substr(0, 2000);
}

TEST(Dump, SlotsByRole) {
    const json d = dump_json("Sorvanta_E48027.sim", incorporati().servizio);
    EXPECT_EQ(d["line_length_m"], 39000);
    EXPECT_EQ(d["route_bytes"], incorporati().percorso.size());
    EXPECT_EQ(d["plan_bytes"], incorporati().linea.size());
    struct caso {
        long long slot;
        json atteso;
    };
    for (const caso& k : {
             caso{1, {{"role", "station"}, {"name", "STAZIONE 1"}, {"type", 8}, {"position_m", 0}, {"from_m", -300},
                      {"to_m", 300}, {"stop", 1}, {"time", "10:15:00"}}},
             caso{80, {{"role", "sign text"}, {"text", "(PONTE SUL     )(FIUME VALSIN 1)"}}},
             caso{82, {{"role", "kilometre reference"}, {"start_m", 0}, {"chainage_m", 150400}, {"flag", 1}}},
             caso{84, {{"role", "general"}, {"braked_mass_percent", 130}, {"line_length_m", 39000}, {"cars", 6}}},
             caso{85, {{"role", "scenario"}, {"scenario", "Sorvanta"}, {"background_three", 1}, {"build_marker", 610}}},
             caso{86, {{"role", "train"}, {"train", "E48027"}, {"signal_repetition_to_m", 35000},
                       {"signal_repetition_codes", 4}, {"sand", 300}, {"clock", "10:14:20"}}},
         }) {
        const json e = elemento(d, "listed", "slot", k.slot);
        for (const auto& [chiave, valore] : k.atteso.items())
            EXPECT_EQ(e.value(chiave, json()), valore) << "slot " << k.slot << " " << chiave << ": " << e.dump();
        // Nothing is shown under its stored name when the role names it.
        for (const char* grezzo : {"nome", "inizio", "fine", "posizione", "campo7", "orario"})
            EXPECT_FALSE(e.contains(grezzo)) << "slot " << k.slot << " " << grezzo;
    }
    const json grezzo = json::parse(esegui_dump("x.sim", incorporati().servizio, dump_format::json, dump_values::raw).testo);
    EXPECT_EQ(elemento(grezzo, "listed", "slot", 85).at("campo7"), 610);
}

// Values a plan file can hold but no trace makes: JSON has no inf or nan, so they are null
// with a note; nothing is converted to an integer.
TEST(Dump, PlanWithHostileValues) {
    for (double v : {std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                     std::numeric_limits<double>::quiet_NaN(), 1e300, -1e300}) {
        const std::string byte = piano_con(v, 1000);
        const risultato_dump r = esegui_dump("x_linea.dat", byte, dump_format::json);
        ASSERT_TRUE(r.ok) << r.errore;
        ASSERT_TRUE(json::accept(r.testo)) << v;
        const json d = json::parse(r.testo);
        ASSERT_EQ(d.at("notes").size(), 1u) << v;
        EXPECT_NE(d["notes"][0].get<std::string>().find("metre 1000: x"), std::string::npos) << d["notes"];
        const json punto = elemento(d, "sample", "metre", 1000);
        if (std::isfinite(v))
            EXPECT_EQ(punto["x_m"], v);
        else
            EXPECT_TRUE(punto["x_m"].is_null());
        EXPECT_TRUE(esegui_dump("x_linea.dat", byte, dump_format::text).ok);
    }
}

TEST(Dump, FilesThatDoNotHoldTogetherAreRefused) {
    const std::string piano = incorporati().linea;
    struct caso {
        const char* nome;
        std::string byte;
        const char* messaggio;
    };
    for (const caso& k : {
             // Bytes appended to a good plan: the halves no longer agree, and nothing is listed.
             caso{"x_linea.dat", piano + std::string(200000, '\0'), "metre 0 is an integer in the x half but empty"},
             caso{"x_linea.dat", piano.substr(0, piano.size() - 2), "elements, not two equal halves"},
             caso{"x_linea.dat", piano.substr(0, 11), "truncated real at byte 10"},
             caso{"x_linea.dat", std::string("\x07\x00", 2), "unknown element type 7"},
             caso{"x.dat", incorporati().percorso + "x", "not a positive multiple of 15 bytes"},
             // A text length that promises more than the file holds.
             caso{"x.sim", std::string(14, '\0') + "\xFF\xFF" + "abc", "the text of slot 0 is truncated"},
         }) {
        for (dump_format f : {dump_format::text, dump_format::json}) {
            const risultato_dump r = esegui_dump(k.nome, k.byte, f);
            EXPECT_FALSE(r.ok) << k.messaggio;
            EXPECT_NE(r.errore.find(k.messaggio), std::string::npos) << r.errore;
            EXPECT_EQ(r.testo, "");
        }
    }
}

TEST(Dump, FullStandardOutputIsAFailure) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    cartella_temporanea c;
    c.scrivi("Sorvanta_E48027.dat", incorporati().percorso);
    const std::string comando = "cd '" + c.percorso.string() + "' && '" + programma_in_prova() +
                                "' dump Sorvanta_E48027.dat >/dev/full 2>errori.txt";
    const int stato = std::system(comando.c_str());
    ASSERT_TRUE(WIFEXITED(stato));
    EXPECT_EQ(WEXITSTATUS(stato), 1);
    EXPECT_NE(c.leggi("errori.txt").find("cannot write to standard output: No space left on device"), std::string::npos)
        << c.leggi("errori.txt");
    // Said once: the failure is one, however many places notice it.
    const std::string errori = c.leggi("errori.txt");
    EXPECT_EQ(errori.find("standard output"), errori.rfind("standard output")) << errori;
}

}  // namespace
