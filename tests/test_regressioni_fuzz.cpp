// Every input the fuzz harnesses start from, and every input that once made them fail, is
// compiled again here with the outcome it must have, so that the sanitizer build of the suite
// guards against regressions and a change of behaviour on any of them shows.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include "core/stati.hpp"
#include "harness/compila_in_memoria.hpp"
#include "harness/decompila_in_memoria.hpp"
#include "tests/leggi_file.hpp"

namespace {

const std::filesystem::path fuzz_root = std::filesystem::path(GS_SOURCE_DIR) / "fuzz";

// Which description the input replaces; the other one is the embedded description.
enum class input_kind { line, service };

// What a compile of the input gives: whether the route is made (and the binary files with it),
// the fatal error that stops the build, and the build status.
struct compile_outcome {
    input_kind kind;
    const char* file;  // under fuzz/corpus/<kind> or fuzz/regressions/<kind>
    bool files_written;
    std::int32_t fatal;
    std::int32_t status;
};

const char* folder_of(input_kind k) { return k == input_kind::line ? "linea" : "servizio"; }

void PrintTo(const compile_outcome& c, std::ostream* os) { *os << folder_of(c.kind) << "/" << c.file; }

std::filesystem::path find_input(const char* folder, const char* file) {
    for (const char* where : {"corpus", "regressions"}) {
        const std::filesystem::path p = fuzz_root / where / folder / file;
        if (std::filesystem::is_regular_file(p)) return p;
    }
    return {};
}

class FuzzCompileRegressions : public ::testing::TestWithParam<compile_outcome> {};

TEST_P(FuzzCompileRegressions, GiveTheirOutcome) {
    const compile_outcome& c = GetParam();
    const std::filesystem::path p = find_input(folder_of(c.kind), c.file);
    ASSERT_FALSE(p.empty()) << "no input " << folder_of(c.kind) << "/" << c.file;
    std::string input = leggi_file(p);
    const bool plan = chiede_piano(input);
    const esito_in_memoria e = c.kind == input_kind::line
                                   ? compila_in_memoria(input, servizio_incorporato(), plan)
                                   : compila_in_memoria(linea_incorporata(), input, plan);
    EXPECT_EQ(e.percorso && e.fatale == 0, c.files_written);
    EXPECT_EQ(e.fatale, c.fatal);
    EXPECT_EQ(e.stato, c.status);
    if (c.files_written) {
        EXPECT_GT(e.byte, 0u);
    }
}

// The short lines end before the embedded service's last stations and signals: status 15.
const compile_outcome compile_outcomes[] = {
    {input_kind::line, "corta.txt", true, 0, stati::fuori_percorso},
    {input_kind::line, "incorporata.txt", true, 0, stati::nessuno},
    {input_kind::line, "incorporata_con_piano.txt", true, 0, stati::nessuno},
    {input_kind::line, "piano_corta.txt", true, 0, stati::fuori_percorso},
    {input_kind::line, "piano_separatori.txt", true, 0, stati::fuori_percorso},
    {input_kind::line, "piano_virgolette.txt", true, 0, stati::fuori_percorso},
    {input_kind::line, "separatori.txt", true, 0, stati::fuori_percorso},
    {input_kind::line, "virgolette.txt", true, 0, stati::fuori_percorso},
    {input_kind::service, "incorporato.txt", true, 0, stati::nessuno},
    {input_kind::service, "rallentamenti.txt", true, 0, stati::inizio_rallentamento_occupato},
    {input_kind::service, "stazioni.txt", true, 0, stati::nessuno},
};

std::string test_name(const char* folder, const char* file) {
    std::string name = std::string(folder) + "_" + file;
    std::replace_if(name.begin(), name.end(), [](char ch) { return !std::isalnum(static_cast<unsigned char>(ch)); },
                    '_');
    return name;
}

INSTANTIATE_TEST_SUITE_P(Inputs, FuzzCompileRegressions, ::testing::ValuesIn(compile_outcomes),
                         [](const ::testing::TestParamInfo<compile_outcome>& row) {
                             return test_name(folder_of(row.param.kind), row.param.file);
                         });

// What dump gives for the input: listed, or refused with a reason.
struct dump_outcome {
    const char* file;
    bool listed;
    const char* reason;  // part of the reason when refused
};

void PrintTo(const dump_outcome& d, std::ostream* os) { *os << "dump/" << d.file; }

class FuzzDumpRegressions : public ::testing::TestWithParam<dump_outcome> {};

TEST_P(FuzzDumpRegressions, GiveTheirOutcome) {
    const dump_outcome& d = GetParam();
    const std::filesystem::path p = find_input("dump", d.file);
    ASSERT_FALSE(p.empty()) << "no input dump/" << d.file;
    std::ostringstream out;
    std::string error;
    const bool listed = dump_in_memoria(leggi_file(p), out, error);
    EXPECT_EQ(listed, d.listed) << error;
    if (d.listed) {
        EXPECT_FALSE(out.str().empty());
    } else {
        EXPECT_EQ(out.str(), "");
        EXPECT_NE(error.find(d.reason), std::string::npos) << error;
    }
}

const dump_outcome dump_outcomes[] = {
    {"percorso.bin", true, ""},      {"percorso_corto.bin", false, "not a route file: size 47"}, {"percorso_json.bin", true, ""},
    {"piano.bin", true, ""},         {"piano_json.bin", true, ""},     {"slot.bin", true, ""},
    {"slot_json.bin", true, ""},
};

INSTANTIATE_TEST_SUITE_P(Inputs, FuzzDumpRegressions, ::testing::ValuesIn(dump_outcomes),
                         [](const ::testing::TestParamInfo<dump_outcome>& row) {
                             return test_name("dump", row.param.file);
                         });

// What decompile gives for the input: the files read or refused, and whether compiling the two
// descriptions it wrote gives the same bytes again.
struct decompile_outcome {
    const char* file;
    bool read;
    bool reproduced;
};

void PrintTo(const decompile_outcome& d, std::ostream* os) { *os << "decompile/" << d.file; }

class FuzzDecompileRegressions : public ::testing::TestWithParam<decompile_outcome> {};

TEST_P(FuzzDecompileRegressions, GiveTheirOutcome) {
    const decompile_outcome& d = GetParam();
    const std::filesystem::path p = find_input("decompile", d.file);
    ASSERT_FALSE(p.empty()) << "no input decompile/" << d.file;
    const esito_decompilazione e = decompila(scenario_da_byte(leggi_file(p)));
    EXPECT_EQ(e.letto, d.read) << e.problema;
    EXPECT_EQ(e.riprodotto, d.reproduced) << e.problema;
    if (!d.read || !d.reproduced) {
        EXPECT_FALSE(e.problema.empty());
    }
}

const decompile_outcome decompile_outcomes[] = {
    {"incorporato_senza_piano.bin", true, true},
    {"piccolo_piano_troncato.bin", false, false},  // the plan is cut inside a real
    {"piccolo_senza_piano.bin", true, true},
};

INSTANTIATE_TEST_SUITE_P(Inputs, FuzzDecompileRegressions, ::testing::ValuesIn(decompile_outcomes),
                         [](const ::testing::TestParamInfo<decompile_outcome>& row) {
                             return test_name("decompile", row.param.file);
                         });

// What plot gives for the input: drawn, or refused with a reason.
struct plot_outcome {
    const char* file;
    bool drawn;
    const char* reason;  // part of the reason when refused
};

void PrintTo(const plot_outcome& d, std::ostream* os) { *os << "plot/" << d.file; }

class FuzzPlotRegressions : public ::testing::TestWithParam<plot_outcome> {};

TEST_P(FuzzPlotRegressions, GiveTheirOutcome) {
    const plot_outcome& d = GetParam();
    const std::filesystem::path p = find_input("plot", d.file);
    ASSERT_FALSE(p.empty()) << "no input plot/" << d.file;
    std::string svg, reason;
    EXPECT_EQ(plot_in_memoria(leggi_file(p), &svg, &reason), d.drawn) << reason;
    if (d.drawn)
        EXPECT_NE(svg.find("</svg>"), std::string::npos);
    else
        EXPECT_NE(reason.find(d.reason), std::string::npos) << reason;
}

const plot_outcome plot_outcomes[] = {
    {"edits_inf_plan.bin", false, "metre 1001: x is inf"},
    {"edits_none.bin", true, ""},
    {"edits_route.bin", true, ""},  // a signal cell with out-of-digit values
    {"files_without_plan.bin", true, ""},
};

INSTANTIATE_TEST_SUITE_P(Inputs, FuzzPlotRegressions, ::testing::ValuesIn(plot_outcomes),
                         [](const ::testing::TestParamInfo<plot_outcome>& row) {
                             return test_name("plot", row.param.file);
                         });

// An input added to the corpus or to the regressions comes with the outcome it must have.
TEST(FuzzRegressions, EveryInputHasItsExpectedOutcome) {
    std::vector<std::string> known;
    for (const compile_outcome& c : compile_outcomes) known.push_back(std::string(folder_of(c.kind)) + "/" + c.file);
    for (const dump_outcome& d : dump_outcomes) known.push_back(std::string("dump/") + d.file);
    for (const decompile_outcome& d : decompile_outcomes) known.push_back(std::string("decompile/") + d.file);
    for (const plot_outcome& d : plot_outcomes) known.push_back(std::string("plot/") + d.file);
    for (const char* where : {"corpus", "regressions"}) {
        for (const char* folder : {"linea", "servizio", "dump", "decompile", "plot"}) {
            const std::filesystem::path p = fuzz_root / where / folder;
            if (!std::filesystem::exists(p)) continue;
            for (const auto& f : std::filesystem::directory_iterator(p)) {
                const std::string name = f.path().filename().string();
                if (!f.is_regular_file() || name[0] == '.') continue;
                const std::string key = std::string(folder) + "/" + name;
                EXPECT_NE(std::find(known.begin(), known.end(), key), known.end())
                    << "fuzz/" << where << "/" << key << " has no expected outcome in " << __FILE__;
            }
        }
    }
}

TEST(FuzzRegressions, EmbeddedDescriptionsInMemory) {
    const esito_in_memoria e = compila_in_memoria(linea_incorporata(), servizio_incorporato(), true);
    EXPECT_TRUE(e.percorso);
    EXPECT_EQ(e.fatale, 0);
    EXPECT_EQ(e.stato, 0);
    EXPECT_EQ(e.byte, 13815u + 3576u);
}

}  // namespace
