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


TEST(TrainSheet, TableLinesKeepTheirBars) {
    const std::vector<std::size_t> bars(table_bars.begin(), table_bars.end());
    const std::vector<std::string> lines = sheet_lines();
    ASSERT_EQ(lines.size(), 49u);
    for (std::size_t n = 14; n <= 48; ++n) {
        EXPECT_EQ(lines[n - 1].size(), 83u) << "line " << n;
        EXPECT_EQ(bar_columns(lines[n - 1]), bars) << "line " << n;
    }
}

TEST(TrainSheet, TrainNumberComesFromTheTrainCode) {
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

TEST(TrainSheet, RowFormatterKeepsCellsInPlace) {
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

TEST(ScenarioNotes, LinesAreShortTrimmedSingleByteText) {
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

class DocumentsOnDisk : public ::testing::Test {
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

TEST_F(DocumentsOnDisk, FilesAreCrLfLinesWithoutTheMarker) {
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

}  // namespace
