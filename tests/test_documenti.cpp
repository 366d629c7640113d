#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "builder/scrittore_documenti.hpp"
#include "builder/sostituzione.hpp"
#include "scenario/documenti.hpp"
#include "scenario/scheda_treno.hpp"
#include "platform/platform.hpp"

namespace {

stato_build sorvanta(const std::string& folder = "") {
    stato_build s;
    s.scenario = "Sorvanta";
    s.treno = "E48027";
    s.cartella = folder;
    return s;
}

// The lines of a document's bytes, each of which must end with CR LF.
std::vector<std::string> lines_of(const std::string& bytes) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find("\r\n", start);
        if (end == std::string::npos) {
            ADD_FAILURE() << "last line has no CR LF: " << bytes.substr(start);
            lines.push_back(bytes.substr(start));
            break;
        }
        lines.push_back(bytes.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

std::vector<std::string> sheet_lines(const stato_build& s = sorvanta()) {
    return lines_of(testo_documento(righe_scheda(s)));
}
std::vector<std::string> notes_lines() { return lines_of(testo_documento(righe_note(sorvanta()))); }

constexpr std::array<std::size_t, 8> table_bars = {2, 8, 14, 25, 31, 60, 77, 83};

std::vector<std::size_t> bar_columns(const std::string& line) {
    std::vector<std::size_t> columns;
    for (std::size_t i = 0; i < line.size(); ++i)
        if (line[i] == '|') columns.push_back(i + 1);
    return columns;
}

// A scenario name, "_" and a train code: "Valmora_R2231".
bool is_identifier(const std::string& text) {
    const std::size_t cut = text.find('_');
    if (cut == std::string::npos || cut < 2 || text.size() < cut + 3) return false;
    auto upper = [](char c) { return c >= 'A' && c <= 'Z'; };
    auto lower = [](char c) { return c >= 'a' && c <= 'z'; };
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    return upper(text[0]) && std::all_of(text.begin() + 1, text.begin() + static_cast<std::ptrdiff_t>(cut), lower) && upper(text[cut + 1]) &&
           std::all_of(text.begin() + static_cast<std::ptrdiff_t>(cut) + 2, text.end(), digit);
}

const std::string blank_row = " |     |     |          |     |                            |                |     |";
const std::string rule_row = " |_____|_____|__________|_____|____________________________|________________|_____|";

TEST(SchedaTreno, FixedLinesAreExact) {
    struct example {
        std::size_t line;
        std::string text;
    };
    const std::vector<example> examples = {
        {1, ""},
        {2, ""},
        {3, "  ___________________                                               ______________"},
        {4, " |                   |                    SCHEDA                   |              |"},
        {5, " |   TRENO n.48027   |                   da: STAZIONE 1            |    V100 B    |"},
        {6, " |___________________|                    a: STAZIONE 10           |     130%     |"},
        {7, "                                                                   |______________|"},
        {8, "  ___________________                ___________________"},
        {9, " |  CLASSIFICAZIONE  |              |  MASSA BLOCCATA   |       "},
        {10, " |   ESPRESSO        |              |      500T         |"},
        {11, " |___________________|              |___________________|"},
        {12, ""},
        {13, "  ________________________________________________________________________________"},
        {14, " | Vel.| Vel.| Progr Km |  No |   Localita' di  Servizio   |     Orario     | Rec |"},
        {15, " | Lim.|Marc.|          |  Rs |                            |                |     |"},
        {16, rule_row},
        {17, blank_row},
        {48, rule_row},
        {49, ""},
    };
    const std::vector<std::string> lines = sheet_lines();
    ASSERT_EQ(lines.size(), 49u);
    for (const example& c : examples) EXPECT_EQ(lines[c.line - 1], c.text) << "line " << c.line;
    for (std::size_t n = 38; n <= 47; ++n) EXPECT_EQ(lines[n - 1], blank_row) << "line " << n;
}

TEST(SchedaTreno, TimetableRowsAreExact) {
    const std::array<std::string, 20> rows = {
        " |  30 |     | 150.200  |  30 | STAZIONE 1                 |          10.15 |     |",
        " | 100 |     | 149.550  | 100 | deviatoio di uscita        |     10.17      |     |",
        " |  60 |     | 148.850  |  60 | Bivio STAZIONE 10          |     10.17+     |     |",
        " |  85 |     |   0.600  |  85 | uscita Bivio STAZIONE 10   |     10.18+     |     |",
        " |     |     |   2.100  |     | STAZIONE 2                 |     10.20      | 1.0 |",
        " |  65 |     |   4.743  |  65 | P.L. Km 4.743              |     10.22+     |     |",
        " |     |     |   5.300  |     | STAZIONE 3                 |     10.23      |     |",
        " |  75 |     |   9.400  |  75 | STAZIONE 4                 |     10.28      |     |",
        " |     |     |  12.100  |     | STAZIONE 5                 | 10.32    10.36 | 1.0 |",
        " |  65 |     |  15.500  |  65 | segn.prot. STAZIONE 6      |     10.40+     |     |",
        " |     |     |  15.950  |     | STAZIONE 6                 |     10.41      |     |",
        " |  95 |     |  17.000  |  95 | Km 17.000                  |     10.42      |     |",
        " |     |     |  19.150  |     | STAZIONE 7                 |     10.44      |     |",
        " |  80 |     |  22.500  |  80 | segn.prot. STAZIONE 8      |     10.46+     |     |",
        " |     |     |  23.000  |     | STAZIONE 8                 |     10.47      | 1.0 |",
        " |  95 |     |  23.550  |  95 | Km 23.550                  |     10.47+     |     |",
        " |  65 |     |  28.950  |  65 | segn.prot. STAZIONE 9      |     10.51+     |     |",
        " |     |     |  29.350  |     | STAZIONE 9                 |     10.52      |     |",
        " |  55 |     |  30.700  |  55 | segn.prot. STAZIONE 10     |     10.57      |     |",
        " |     |     |  31.700  |     | STAZIONE 10                | 10.58          |     |",
    };
    const std::vector<std::string> lines = sheet_lines();
    ASSERT_EQ(lines.size(), 49u);
    for (std::size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(lines[17 + i], rows[i]) << "line " << 18 + i;
}

TEST(SchedaTreno, TableLinesKeepTheirBars) {
    const std::vector<std::size_t> bars(table_bars.begin(), table_bars.end());
    const std::vector<std::string> lines = sheet_lines();
    ASSERT_EQ(lines.size(), 49u);
    for (std::size_t n = 14; n <= 48; ++n) {
        EXPECT_EQ(lines[n - 1].size(), 83u) << "line " << n;
        EXPECT_EQ(bar_columns(lines[n - 1]), bars) << "line " << n;
    }
}

TEST(SchedaTreno, TrainNumberComesFromTheTrainCode) {
    struct example {
        std::string treno;
        std::string shown;
    };
    const std::vector<example> examples = {
        {"E48027", "TRENO n.48027   "},
        {"E7", "TRENO n.7       "},
        {"R2231", "TRENO n.R2231   "},  // only a leading "E" is dropped
        {"E123456789012345", "TRENO n.12345678"},  // cut at the box's edge
    };
    const std::vector<std::size_t> header_bars = {2, 22, 68, 83};
    for (const example& c : examples) {
        stato_build s = sorvanta();
        s.treno = c.treno;
        const std::vector<std::string> lines = sheet_lines(s);
        ASSERT_EQ(lines.size(), 49u);
        EXPECT_EQ(lines[4].substr(5, 16), c.shown) << c.treno;
        EXPECT_EQ(bar_columns(lines[4]), header_bars) << c.treno;
        EXPECT_EQ(lines[4].substr(41), "da: STAZIONE 1            |    V100 B    |") << c.treno;
    }
}

TEST(SchedaTreno, RowFormatterKeepsCellsInPlace) {
    struct example {
        const char* what;
        voce_orario voce;
        std::string row;
    };
    const std::vector<example> examples = {
        {"27 characters touch the bar",
         {.velocita = 5, .metri = 7, .localita = "abcdefghijklmnopqrstuvwxyz1", .transito = 905},
         " |   5 |     |   0.007  |   5 | abcdefghijklmnopqrstuvwxyz1|     09.05      |     |"},
        {"a longer location is cut at the bar",
         {.metri = 999999, .localita = "abcdefghijklmnopqrstuvwxyz1234", .arrivo = 2359, .rec = true},
         " |     |     | 999.999  |     | abcdefghijklmnopqrstuvwxyz1| 23.59          | 1.0 |"},
        {"departure alone, no plus without a passing time",
         {.metri = 1000, .localita = "x", .piu = true, .partenza = 0},
         " |     |     |   1.000  |     | x                          |          00.00 |     |"},
    };
    for (const example& c : examples) EXPECT_EQ(riga_orario(c.voce), c.row) << c.what;
}

TEST(AvvisoRallentamenti, HoldsExactly46Bytes) {
    const std::string bytes = testo_documento(righe_rallentamenti(sorvanta()));
    EXPECT_EQ(bytes, "\r\n\r\n\r\n                  NESSUNA PRESCRIZIONE\r\n");
    EXPECT_EQ(bytes.size(), 46u);
}

TEST(NoteScenario, FixedLinesAndBlankLines) {
    const std::vector<std::string> lines = notes_lines();
    ASSERT_EQ(lines.size(), 40u);
    EXPECT_EQ(lines[0].rfind("AUTORE: ", 0), 0u);
    EXPECT_GT(lines[0].size(), 8u);
    const std::string email = "INDIRIZZO EMAIL: ";
    const std::string domain = "@example.org";
    ASSERT_GT(lines[1].size(), email.size() + domain.size());
    EXPECT_EQ(lines[1].substr(0, email.size()), email);
    EXPECT_EQ(lines[1].substr(lines[1].size() - domain.size()), domain);
    EXPECT_EQ(lines[2], "NUMERO PROGRESSIVO SCENARIO: 4");
    EXPECT_EQ(lines[3], "DATA REALIZZAZIONE SCENARIO: 01.04.2001");
    EXPECT_EQ(lines[35], "SCENARI PRECEDENTEMENTE REALIZZATI:");
    const std::vector<std::size_t> empty = {5, 6, 33, 34, 35, 37};
    for (std::size_t n = 1; n <= lines.size(); ++n) {
        bool expected_empty = std::find(empty.begin(), empty.end(), n) != empty.end();
        EXPECT_EQ(lines[n - 1].empty(), expected_empty) << "line " << n;
    }
}

TEST(NoteScenario, ProseBlocksEndWhereTheLayoutSays) {
    const std::vector<std::string> lines = notes_lines();
    ASSERT_EQ(lines.size(), 40u);
    for (std::size_t n : {11u, 16u, 21u, 25u, 31u, 32u}) {
        ASSERT_FALSE(lines[n - 1].empty()) << "line " << n;
        EXPECT_EQ(lines[n - 1].back(), '.') << "line " << n;
    }
}

TEST(NoteScenario, LinesAreShortTrimmedSingleByteText) {
    const std::vector<std::string> lines = notes_lines();
    ASSERT_EQ(lines.size(), 40u);
    const std::string accented = "\xE0\xE8\xE9\xEC\xF2\xF9";
    std::string seen;
    for (std::size_t n = 1; n <= lines.size(); ++n) {
        const std::string& line = lines[n - 1];
        EXPECT_LE(line.size(), 96u) << "line " << n;
        if (line.empty()) continue;
        EXPECT_NE(line.front(), ' ') << "line " << n;
        EXPECT_NE(line.back(), ' ') << "line " << n;
        for (char c : line) {
            auto byte = static_cast<unsigned char>(c);
            if (byte >= 0x80) {
                EXPECT_NE(accented.find(c), std::string::npos) << "line " << n << " byte " << int(byte);
                seen += c;
            } else {
                EXPECT_TRUE(byte >= 0x20 && byte < 0x7F) << "line " << n << " byte " << int(byte);
            }
        }
    }
    for (char c : std::string("\xE8\xE0\xF9"))
        EXPECT_NE(seen.find(c), std::string::npos) << "byte " << int(static_cast<unsigned char>(c));
}

TEST(NoteScenario, EarlierScenariosAreIdentifiers) {
    const std::vector<std::string> lines = notes_lines();
    ASSERT_EQ(lines.size(), 40u);
    for (std::size_t n = 38; n <= 40; ++n) {
        EXPECT_TRUE(is_identifier(lines[n - 1])) << lines[n - 1];
        EXPECT_NE(lines[n - 1], "Sorvanta_E48027");
    }
    EXPECT_NE(lines[37], lines[38]);
    EXPECT_NE(lines[38], lines[39]);
    EXPECT_NE(lines[37], lines[39]);
}

class DocumentiSuDisco : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device seed;
        folder = std::filesystem::temp_directory_path() / ("documenti_" + std::to_string(seed()) + "_" +
                                                           std::to_string(seed()));
        std::filesystem::create_directories(folder);
        s = sorvanta(folder.string());
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }

    std::string read(const std::string& name) {
        std::string bytes, reason;
        EXPECT_TRUE(platform::read_file((folder / name).string(), bytes, reason)) << name << ": " << reason;
        return bytes;
    }

    struct document {
        const char* file;
        std::function<void(const stato_build&)> write;
        std::function<lista_righe(const stato_build&)> list;
        std::size_t lines;
    };
    const std::vector<document> documents = {
        {"Sorvanta_E48027_note.txt", dati_note, righe_note, 40},
        {"Sorvanta_E48027_rallentamenti.txt", dati_rallentamenti, righe_rallentamenti, 4},
        {"Sorvanta_E48027_scheda_treno.txt", dati_scheda, righe_scheda, 49},
    };

    std::filesystem::path folder;
    stato_build s;
};

TEST_F(DocumentiSuDisco, FilesAreCrLfLinesWithoutTheMarker) {
    for (const document& d : documents) {
        d.write(s);
        const std::string bytes = read(d.file);
        EXPECT_EQ(bytes, testo_documento(d.list(s))) << d.file;
        const std::vector<std::string> lines = lines_of(bytes);
        EXPECT_EQ(lines.size(), d.lines) << d.file;
        for (const std::string& line : lines) {
            EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << d.file << ": bare CR or LF";
            EXPECT_EQ(line.find(marcatore_fine), std::string::npos) << d.file;
        }
    }
    const std::string sheet = read("Sorvanta_E48027_scheda_treno.txt");
    ASSERT_GE(sheet.size(), 4u);
    EXPECT_EQ(sheet.substr(sheet.size() - 4), "\r\n\r\n");
}

TEST_F(DocumentiSuDisco, SecondRunReplacesALongerFile) {
    for (const document& d : documents) {
        const std::string path = (folder / d.file).string();
        sostituisci_file(path, std::string(20000, 'x') + "\r\n");
        d.write(s);
        const std::string expected = testo_documento(d.list(s));
        EXPECT_EQ(std::filesystem::file_size(path), expected.size()) << d.file;
        EXPECT_EQ(read(d.file), expected) << d.file;
    }
    EXPECT_EQ(std::filesystem::file_size(folder / "Sorvanta_E48027_rallentamenti.txt"), 46u);
}

}  // namespace
