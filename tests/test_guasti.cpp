// Failures from outside: a read-only folder, a write cut short, hostile input files. The
// program must say what went wrong, exit 1, and leave no half-written file under a final name.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>

#include "avvia_programma.hpp"
#include "builder/sostituzione.hpp"
#include "cartella_temporanea.hpp"
#include "platform/platform.hpp"
#include "tests/ambiente.hpp"

namespace {

std::map<std::string, std::string> contenuto(const cartella_temporanea& c) {
    std::map<std::string, std::string> file;
    for (const auto& f : std::filesystem::directory_iterator(c.percorso))
        if (f.is_regular_file()) file[f.path().filename().string()] = c.leggi(f.path().filename().string());
    return file;
}

// Runs a shell command line (for unshare, ulimit) with `lavoro` as the working folder.
esecuzione shell(const std::filesystem::path& lavoro, const std::string& riga) {
    return avvia_in(lavoro, "bash", "-c '" + riga + "'");
}

bool puo_montare() {
    return ::geteuid() == 0 && std::system("unshare -m true >/dev/null 2>&1") == 0;
}

// The folder seen read-only by the command, through a bind mount in a private namespace.
std::string in_sola_lettura(const cartella_temporanea& c, const std::string& comando) {
    const std::string d = c.str();
    return "unshare -m sh -c \"mount --bind " + d + " " + d + " && mount -o remount,bind,ro " + d + " && " +
           comando + "\"";
}

class Faults : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::copy_file(programma_in_prova(), c / "genera_scenario");
        ASSERT_EQ(avvia_in("/", (c / "genera_scenario").string(), "").uscita, 0);
        prima = contenuto(c);
        ASSERT_EQ(prima.size(), 7u);  // the program, three binary files, three documents
    }
    cartella_temporanea c;
    std::map<std::string, std::string> prima;
};

TEST_F(Faults, ReadOnlyFolder) {
    if (!puo_montare()) GTEST_SKIP() << "needs root and mount namespaces";
    const esecuzione e = shell("/", in_sola_lettura(c, (c / "genera_scenario").string()));
    EXPECT_EQ(e.uscita, 1);
    EXPECT_NE(e.errori.find("cannot write " + (c / "Sorvanta_linea.txt").string() + ": Read-only file system"),
              std::string::npos)
        << e.errori;
    EXPECT_EQ(contenuto(c), prima);
}

TEST_F(Faults, CompileIntoReadOnlyFolder) {
    if (!puo_montare()) GTEST_SKIP() << "needs root and mount namespaces";
    cartella_temporanea ingressi;
    ingressi.scrivi("l.txt", "[generale]\r\nlunghezza percorso, 1000\r\n[curve]\r\n[fine]\r\n");
    ingressi.scrivi("s.txt", "[generale]\r\n[fine]\r\n");
    const esecuzione e = shell(ingressi.percorso, in_sola_lettura(c, std::string(programma_in_prova()) +
                                                                         " compile l.txt s.txt --out " + c.str()));
    EXPECT_EQ(e.uscita, 1);
    EXPECT_NE(e.errori.find("Read-only file system"), std::string::npos) << e.errori;
    EXPECT_EQ(contenuto(c), prima);
}

TEST_F(Faults, WriteCutOffHalfWay) {
    // 600 KiB: every document and the two small binary files fit, the 919964-byte plan does not.
    const esecuzione e = shell("/", "trap \"\" XFSZ; ulimit -f 600; exec " + (c / "genera_scenario").string());
    EXPECT_EQ(e.uscita, 1);
    EXPECT_NE(e.errori.find("cannot write " + (c / "Sorvanta_linea.dat").string() + ": File too large"),
              std::string::npos)
        << e.errori;
    // The earlier good files stay, complete; no temporary file is left.
    EXPECT_EQ(contenuto(c), prima);
}

TEST(FaultsInAnEmptyFolder, CutOffWriteLeavesNoTruncatedFiles) {
    cartella_temporanea c;
    std::filesystem::copy_file(programma_in_prova(), c / "genera_scenario");
    const esecuzione e = shell("/", "trap \"\" XFSZ; ulimit -f 600; exec " + (c / "genera_scenario").string());
    EXPECT_EQ(e.uscita, 1);
    const auto file = contenuto(c);
    // The three binary files are renamed into place together: none of them is there.
    for (const char* nome : {"Sorvanta_linea.dat", "Sorvanta_E48027.sim", "Sorvanta_E48027.dat"})
        EXPECT_EQ(file.count(nome), 0u) << nome;
    for (const auto& [nome, byte] : file) EXPECT_EQ(nome.find(".tmp"), std::string::npos) << nome;
}

// A file streamed in pieces is their concatenation; a producer that fails half-way leaves the
// earlier files as they were and no temporary behind, as a write the system refuses does.
TEST(StreamedFiles, PiecesFollowOneAnotherAndAFailureKeepsTheEarlierFiles) {
    cartella_temporanea c;
    const std::string a = (c / "a.dat").string();
    const std::string b = (c / "b.dat").string();
    const std::string long_piece(70000, 'c');
    sostituisci_insieme({{a, [&](const platform::byte_sink& put) {
                                  put("ab");
                                  put("");
                                  put(long_piece);
                              }},
                             {b, "plain"}});
    EXPECT_EQ(c.leggi("a.dat"), "ab" + long_piece);
    EXPECT_EQ(c.leggi("b.dat"), "plain");

    struct producer_failed {};
    EXPECT_THROW(sostituisci_insieme({{b, "new"}, {a, [](const platform::byte_sink& put) {
                                               put("xy");
                                               throw producer_failed{};
                                           }}}),
                 producer_failed);
    EXPECT_EQ(c.leggi("a.dat"), "ab" + long_piece);
    EXPECT_EQ(c.leggi("b.dat"), "plain");
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& f : std::filesystem::directory_iterator(c.percorso)) ++files;
    EXPECT_EQ(files, 2u);
}

TEST(InputFaults, UnreadableDescription) {
    cartella_temporanea c;
    c.scrivi("l.txt", "[generale]\r\nlunghezza percorso, 1000\r\n[curve]\r\n[fine]\r\n");
    std::filesystem::create_directory(c / "s.txt");
    const esecuzione e = avvia_in(c.percorso, programma_in_prova(), "compile l.txt s.txt --out o");
    EXPECT_EQ(e.uscita, 1);
    EXPECT_EQ(e.errori, "cannot open s.txt: Is a directory\n");
    EXPECT_FALSE(c.esiste("o"));
}

// The hostile inputs are made inside the test that uses them: built at start-up, their tens of
// megabytes would be paid by every test process of the suite.
struct caso_ingresso {
    const char* nome;
    std::string (*linea)();
    std::string (*servizio)();
};

void PrintTo(const caso_ingresso& k, std::ostream* os) { *os << k.nome; }

class HostileInputs : public ::testing::TestWithParam<caso_ingresso> {};

// A status or a clean result, never a crash and never a hang.
TEST_P(HostileInputs, StatusOrCleanResult) {
    const caso_ingresso& k = GetParam();
    const std::string linea = k.linea();
    cartella_temporanea c;
    c.scrivi("l.txt", linea);
    c.scrivi("s.txt", k.servizio());
    const esecuzione e = avvia_in(c.percorso, "timeout", "120 " + std::string(programma_in_prova()) +
                                                             " compile l.txt s.txt --out o");
    EXPECT_TRUE(e.uscita == 0 || e.uscita == 1 || e.uscita == 2) << e.uscita << " " << e.errori;
    EXPECT_EQ(e.errori.find("runtime error"), std::string::npos) << e.errori;
    EXPECT_EQ(e.errori.find("Sanitizer"), std::string::npos) << e.errori;
    EXPECT_EQ(c.leggi("l.txt"), linea);
}

std::string linea_buona() { return "[generale]\r\nlunghezza percorso, 1000\r\n[curve]\r\npendenza, 0, 1\r\n[fine]\r\n"; }
std::string servizio_buono() { return "[generale]\r\nvelocita, 0, 60\r\n[fine]\r\n"; }

std::string ripeti(const std::string& s, std::size_t volte) {
    std::string r;
    r.reserve(s.size() * volte);
    for (std::size_t i = 0; i < volte; ++i) r += s;
    return r;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HostileInputs,
    ::testing::Values(
        caso_ingresso{"NulBytes",
                      [] { return std::string("[generale]\r\nlunghezza\0 percorso, 10\0 00\r\n[curve]\r\n\0\0[fine]", 47); },
                      [] { return std::string("[generale]\0,\0,velocita\0, 0, 60\r\n[fine]\r\n", 38); }},
        caso_ingresso{"NoLineEnds",
                      [] { return std::string("[generale], lunghezza percorso, 1000, [curve], pendenza, 0, 1, [fine]"); },
                      [] { return std::string("[generale], velocita, 0, 60, [fine]"); }},
        caso_ingresso{"OnlyCr",
                      [] { return std::string("[generale]\rlunghezza percorso, 1000\r[curve]\rpendenza, 0, 1\r[fine]\r"); },
                      [] { return std::string("[generale]\rvelocita, 0, 60\r[fine]\r"); }},
        caso_ingresso{"Utf8Bom", [] { return "\xEF\xBB\xBF" + linea_buona(); },
                      [] { return "\xEF\xBB\xBF" + servizio_buono(); }},
        caso_ingresso{"TenMegabytesOfOneField",
                      [] { return linea_buona() + std::string(10 << 20, 'x') + "\r\n[fine]\r\n"; },
                      [] { return servizio_buono() + std::string(10 << 20, 'y') + "\r\n[fine]\r\n"; }},
        caso_ingresso{"TenMegabytesOfOneNumber",
                      [] { return "[generale]\r\nlunghezza percorso, " + std::string(10 << 20, '7'); }, servizio_buono},
        caso_ingresso{"DeeplyRepeatedSeparators",
                      [] { return "[generale]\r\n" + ripeti("-\r\n", 1 << 20) + linea_buona(); },
                      [] { return "[generale]\r\n" + ripeti("-,", 1 << 20) + servizio_buono(); }},
        caso_ingresso{"UnclosedQuote",
                      [] { return std::string("[generale]\r\nlunghezza percorso, 1000\r\n[curve]\r\ncartello_indicatore, 100, \"(A"); },
                      [] { return std::string("[generale]\r\nstazione, 0, 8, 300, 1,0,0, 1,1,0, 1,1,1, 1, 10,15,0, \"X"); }},
        caso_ingresso{"ManyCommas",
                      [] { return "[generale]\r\nlunghezza percorso, 1000\r\n[curve]\r\n" + ripeti(",", 1 << 22); },
                      servizio_buono},
        caso_ingresso{"EmptyFiles", [] { return std::string(); }, [] { return std::string(); }}),
    [](const ::testing::TestParamInfo<caso_ingresso>& caso) { return std::string(caso.param.nome); });

}  // namespace
