// Where a status is reported: the file, line and column of the entry that caused it, and the
// metres that entry gives, while the build state keeps the position its own rules store.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "builder/costruzione.hpp"
#include "core/stati.hpp"

namespace {

struct diagnostic_case {
    const char* name;
    std::string line;
    std::string service;
    std::string diagnostic;
    std::int32_t stored_position;  // errore_posizione afterwards; -1: not checked
};

void PrintTo(const diagnostic_case& c, std::ostream* os) { *os << c.name; }

// The two descriptions, each "[generale]" first and "[fine]" last, with the given lines between.
std::string description(const std::string& lines) { return "[generale]\r\n" + lines + "[fine]\r\n"; }

// A 1000 m line: N = 160, so positions up to 7900 m pass the bounds check.
std::string short_line(const std::string& features) {
    return description("lunghezza percorso, 1000\r\n[curve]\r\n" + features);
}

const std::string plain_service = description("velocita, 0, 60\r\naderenza, 0, 100\r\n");

class DiagnosticPlaces : public ::testing::TestWithParam<diagnostic_case> {};

TEST_P(DiagnosticPlaces, PointAtTheEntryThatCausedTheStatus) {
    const diagnostic_case& c = GetParam();
    stato_build s;
    s.scenario = "Sorvanta";
    s.treno = "E48027";
    const descrizioni d = descrizioni_in_memoria("l.txt", c.line, "s.txt", c.service);
    try {
        compila(s, {.piano = false}, d);
    } catch (const errore_esecuzione&) {
        // No route: the diagnostic is the same, with the reason appended by the build.
    }
    EXPECT_EQ(diagnostica(s, d), c.diagnostic);
    if (c.stored_position >= 0) {
        EXPECT_EQ(s.resoconto.errore_posizione, c.stored_position);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DiagnosticPlaces,
    ::testing::Values(
        // The first signal takes over the stored position; the report stays with the gradient.
        diagnostic_case{"GradientBeyondTheRouteThenASignal",
                        short_line("pendenza, 0, 1\r\npendenza, 100000, 0\r\n"),
                        description("velocita, 0, 60\r\nsegnale, 1450, 2, 2, 5, 6, 1, 2, 2, 1, 0, 0\r\n"
                                    "segnale, 2450, 1, 4, 0, 0, 0, 0, 0, 0, 0, 0\r\n"),
                        "l.txt:5:1: status 15: an item's position lies beyond the route (at 100000 m)", 1450},
        // The kilometre references are checked after the service is read, but come from the line.
        diagnostic_case{"ChainageNotAMultipleOf50",
                        description("lunghezza percorso, 1000\r\nprogressiva chilometrica due, 1500, -2147483648, 0\r\n"
                                    "[curve]\r\n"),
                        plain_service,
                        "l.txt:3:1: status 2: a kilometre reference's start or chainage is not a multiple of 50", -1},
        diagnostic_case{"ReferenceFoundAfterOrdering",
                        description("lunghezza percorso, 1000\r\nprogressiva chilometrica tre, 100, 0, 0\r\n"
                                    "  progressiva chilometrica uno, 2020, 150000, 0\r\n[curve]\r\n"),
                        plain_service,
                        "l.txt:4:3: status 2: a kilometre reference's start or chainage is not a multiple of 50", -1},
        // The flag raises the chainage past 32 bits after the general block: the failure is the entry's.
        diagnostic_case{"ChainageRaisedPast32Bits",
                        description("lunghezza percorso, 1000\r\n  progressiva chilometrica uno, 0, 2147483600, 1\r\n"
                                    "[curve]\r\n"),
                        plain_service, "l.txt:3:3: status 25: number does not fit 32 bits", -1},
        diagnostic_case{"LineStatusAtAnIndentedEntry",
                        short_line("cartello_indicatore, 100, (A)\r\n\tcartello_indicatore, 120, (B)\r\n"), plain_service,
                        "l.txt:5:2: status 6: sign board on a cell that is not free (at 120 m)", 120},
        diagnostic_case{"ServiceStatusAtItsEntry",
                        short_line("cartello_indicatore, 1450, (A)\r\n"),
                        description("velocita, 0, 60\r\nsegnale, 1450, 1, 4, 0, 0, 0, 0, 0, 0, 0, 0\r\n"),
                        "s.txt:3:1: status 16: signal on a cell that is not free (at 1450 m)", 1450},
        diagnostic_case{"UnclosedQuoteInASignText", short_line("cartello_indicatore, 100, \"(A)\r\npendenza, 0, 1\r\n"),
                        plain_service, "l.txt:4:27: status 25: unclosed quote", -1},
        diagnostic_case{"UnclosedQuoteInAStationName", short_line(""),
                        description("stazione, 0, 8, 300, 1,0,0, 1,1,0, 1,1,1, 1, 10,15,0, \"STAZIONE 1\r\n"
                                    "segnale, 1450, 1, 4, 0, 0, 0, 0, 0, 0, 0, 0\r\n"),
                        "s.txt:2:55: status 25: unclosed quote", -1},
        diagnostic_case{"NumberTooLargeAtItsField", short_line("pendenza, 0, 99999999999\r\n"), plain_service,
                        "l.txt:4:14: status 25: number does not fit 32 bits", -1},
        // The tails are written after the last entry: their failure lies in the entry they fill from.
        diagnostic_case{"LastGradientOutOfRange",
                        short_line("pendenza, 0, 156\r\nmontagna, 1000, 2000, 1\r\n"), plain_service,
                        "l.txt:4:1: status 25: number does not fit 8 bits", -1},
        diagnostic_case{"LastSpeedOutOfRange", short_line(""),
                        description("velocita, 0, 1278\r\naderenza, 0, 100\r\n"),
                        "s.txt:2:1: status 25: number does not fit 8 bits", -1},
        diagnostic_case{"AdhesionPushedPastTheRoute", short_line(""),
                        description("aderenza, 7900, 10\r\naderenza, 7900, 20\r\naderenza, 7900, 30\r\n"
                                    "aderenza, 7900, 40\r\nvelocita, 0, 60\r\n"),
                        "s.txt:5:1: status 25: a profile runs past the end of the route", -1},
        diagnostic_case{"SignTextOver65535Bytes",
                        short_line("cartello_indicatore, 100, (" + std::string(65534, 'x') + ")\r\n"), plain_service,
                        "l.txt:4:27: status 25: a text longer than 65535 bytes", -1},
        diagnostic_case{"StationNameOver65535Bytes", short_line(""),
                        description("stazione, 0, 8, 300, 1,0,0, 1,1,0, 1,1,1, 1, 10,15,0, " +
                                    std::string(65536, 'S') + "\r\n"),
                        "s.txt:2:55: status 25: a text longer than 65535 bytes", -1},
        diagnostic_case{"NoRouteNamesTheLengthEntry",
                        description("sfondo uno, 1\r\n  lunghezza percorso, 1000001\r\n[curve]\r\n"), plain_service,
                        "l.txt:3:3: status 1: line length above 1000000 m", -1}),
    [](const ::testing::TestParamInfo<diagnostic_case>& row) { return std::string(row.param.name); });

// The longest texts that fit are stored whole.
TEST(TextLengths, LongestSignTextAndStationNameAreKept) {
    stato_build s;
    s.scenario = "Sorvanta";
    s.treno = "E48027";
    const std::string sign = "(" + std::string(65533, 'x') + ")";
    const std::string name(65535, 'S');
    const std::string line = short_line("cartello_indicatore, 100, " + sign + "\r\n");
    const std::string service = description("stazione, 0, 8, 300, 1,0,0, 1,1,0, 1,1,1, 1, 10,15,0, " + name + "\r\n");
    const descrizioni d = descrizioni_in_memoria("l.txt", line, "s.txt", service);
    EXPECT_EQ(compila(s, {.piano = false}, d), 0);
    EXPECT_EQ(s.resoconto.errore_numero, stati::nessuno) << diagnostica(s, d);
    EXPECT_EQ(s.servizio[80].nome, sign);
    EXPECT_EQ(s.servizio[1].nome, name);
}

}  // namespace
