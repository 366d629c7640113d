// The author's commands, run as the built program.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "avvia_programma.hpp"
#include "cartella_temporanea.hpp"
#include "core/encoding.hpp"
#include "tests/ambiente.hpp"

namespace {

const std::string esempi_comandi = std::string(GS_SOURCE_DIR) + "/examples";

esecuzione comando(const cartella_temporanea& c, const std::string& argomenti) {
    return avvia_in(c.percorso, programma_in_prova(), argomenti);
}

// A small strict JSON checker: enough to tell that dump --json prints one valid document.
struct json_checker {
    const std::string& t;
    std::size_t i = 0;
    void blanks() {
        while (i < t.size() && std::isspace(static_cast<unsigned char>(t[i]))) ++i;
    }
    bool literal(const char* w) {
        const std::string s(w);
        if (t.compare(i, s.size(), s) != 0) return false;
        i += s.size();
        return true;
    }
    bool string() {
        if (t[i] != '"') return false;
        for (++i; i < t.size(); ++i) {
            if (t[i] == '\\') {
                ++i;
            } else if (t[i] == '"') {
                ++i;
                return true;
            } else if (static_cast<unsigned char>(t[i]) < 0x20) {
                return false;
            }
        }
        return false;
    }
    bool number() {
        const std::size_t da = i;
        if (t[i] == '-') ++i;
        while (i < t.size() && (std::isdigit(static_cast<unsigned char>(t[i])) || t[i] == '.' || t[i] == 'e' ||
                                t[i] == 'E' || t[i] == '+' || t[i] == '-'))
            ++i;
        return i > da;
    }
    bool value() {
        blanks();
        if (i >= t.size()) return false;
        bool ok;
        if (t[i] == '{')
            ok = sequence('}', true);
        else if (t[i] == '[')
            ok = sequence(']', false);
        else if (t[i] == '"')
            ok = string();
        else if (t[i] == 't')
            ok = literal("true");
        else if (t[i] == 'f')
            ok = literal("false");
        else if (t[i] == 'n')
            ok = literal("null");
        else
            ok = number();
        blanks();
        return ok;
    }
    bool sequence(char fine, bool oggetto) {
        ++i;
        blanks();
        if (i < t.size() && t[i] == fine) {
            ++i;
            return true;
        }
        for (;;) {
            if (oggetto) {
                blanks();
                if (!string()) return false;
                blanks();
                if (i >= t.size() || t[i++] != ':') return false;
            }
            if (!value()) return false;
            if (i < t.size() && t[i] == ',') {
                ++i;
                continue;
            }
            if (i < t.size() && t[i] == fine) {
                ++i;
                return true;
            }
            return false;
        }
    }
    bool document() { return value() && i == t.size(); }
};

bool json_valido(const std::string& testo) {
    json_checker j{testo};
    return j.document();
}

const char* linea_minima = "[generale]\r\nlunghezza percorso, 1000\r\n[curve]\r\npendenza, 0, 1\r\n[fine]\r\n";
const char* servizio_minimo = "[generale]\r\nvelocita, 0, 60\r\n[fine]\r\n";

TEST(Commands, CompileOfTheExamplesMatchesTheBuiltInBuild) {
    cartella_temporanea incorporata;
    std::filesystem::copy_file(programma_in_prova(), incorporata / "genera_scenario");
    ASSERT_EQ(avvia_in("/", (incorporata / "genera_scenario").string(), "").uscita, 0);

    cartella_temporanea c;
    const esecuzione e =
        comando(c, "compile '" + esempi_comandi + "/Sorvanta_linea.txt' '" + esempi_comandi + "/Sorvanta_E48027-.txt' --out uscita");
    ASSERT_EQ(e.uscita, 0) << e.errori;
    EXPECT_EQ(e.errori, "wrote uscita/Sorvanta_linea.dat, uscita/Sorvanta_E48027.sim, uscita/Sorvanta_E48027.dat\n");
    for (const char* nome : {"Sorvanta_linea.dat", "Sorvanta_E48027.sim", "Sorvanta_E48027.dat"})
        EXPECT_EQ(c.leggi(std::string("uscita/") + nome), incorporata.leggi(nome)) << nome;
    // compile writes the three binary files and nothing else.
    int quanti = 0;
    for ([[maybe_unused]] const auto& f : std::filesystem::directory_iterator(c / "uscita")) ++quanti;
    EXPECT_EQ(quanti, 3);
}

// What compile says and leaves for one pair of descriptions.
struct caso_compile {
    const char* nome;
    std::string linea;
    std::string servizio;  // empty: no service file at all
    const char* opzioni;
    int uscita;
    std::string errori;   // the whole of standard error
    bool file_binari;     // whether the route and slot files are written
};

class CompileDiagnostics : public ::testing::TestWithParam<caso_compile> {};

TEST_P(CompileDiagnostics, SaysWhereAndLeavesTheRightFiles) {
    const caso_compile& k = GetParam();
    cartella_temporanea c;
    c.scrivi("l.txt", k.linea);
    if (!k.servizio.empty()) c.scrivi("s.txt", k.servizio);
    // -q leaves on standard error only what went wrong.
    const esecuzione e = comando(c, std::string("compile l.txt s.txt -q --out o ") + k.opzioni);
    EXPECT_EQ(e.uscita, k.uscita);
    // The findings of check come first, as check prints them, then the recorded status, and last
    // check's count of errors and warnings.
    const bool senza_piano = std::string(k.opzioni).find("--no-plan") != std::string::npos;
    const esecuzione controllo = comando(c, std::string("check l.txt s.txt") + (senza_piano ? " --no-plan" : ""));
    std::string trovati = controllo.uscita_standard, conto;
    if (!trovati.empty()) {
        const std::size_t ultima = trovati.rfind('\n', trovati.size() - 2);
        conto = trovati.substr(ultima == std::string::npos ? 0 : ultima + 1);
        trovati.erase(trovati.size() - conto.size());
    }
    EXPECT_EQ(e.errori, trovati + k.errori + conto);
    EXPECT_EQ(c.esiste("o/Sorvanta_E48027.sim"), k.file_binari);
    EXPECT_EQ(c.esiste("o/Sorvanta_E48027.dat"), k.file_binari);
    // The author's files are only read.
    EXPECT_EQ(c.leggi("l.txt"), k.linea);
    if (!k.servizio.empty()) {
        EXPECT_EQ(c.leggi("s.txt"), k.servizio);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CompileDiagnostics,
    ::testing::Values(
        caso_compile{"Clean", linea_minima, servizio_minimo, "", 0, "", true},
        caso_compile{"LineStatus",
                     "[generale]\r\nlunghezza percorso, 1000\r\n[curve]\r\ncartello_indicatore, 100, (A)\r\n"
                     "cartello_indicatore, 120, (B)\r\n[fine]\r\n",
                     servizio_minimo, "", 2, "l.txt:5:1: status 6: sign board on a cell that is not free (at 120 m)\n",
                     true},
        caso_compile{"ServiceStatus", linea_minima,
                     "[generale]\r\nvelocita, 0, 60\r\nstazione, 1920, 12, 300, 0,0,0, 1,1,0, 4,1,1, 0, 0,0,0, X\r\n"
                     "[fine]\r\n",
                     "--no-plan", 2, "s.txt:3:1: status 8: station position not a multiple of 50 (at 1920 m)\n", true},
        // Three speed boards fill the near group before the slowdown start in cell 41.
        caso_compile{"FinishingPassStatus", linea_minima,
                     "[generale]\r\nvelocita, 0, 60\r\nabbattimento, 1700, 0\r\nabbattimento, 1750, 0\r\n"
                     "abbattimento, 1800, 0\r\nrallentamento, 2000, 60, 200, 0, 0, 0\r\n[fine]\r\n",
                     "", 2,
                     "finishing pass, cell 41: status 12: no free cell in a distance group before a slowdown start "
                     "(at 2050 m)\n",
                     true},
        // A sign board at 0 m lands in route cell 1, whose first value is reserved.
        caso_compile{"FatalGuard",
                     "[generale]\r\nlunghezza percorso, 1000\r\n[curve]\r\ncartello_indicatore, 0, (A)\r\n[fine]\r\n",
                     servizio_minimo, "", 1, " Errore n. 1250\n", false},
        caso_compile{"RouteNeverCreated", "[generale]\r\nlunghezza percorso, 2000000\r\n[curve]\r\n[fine]\r\n",
                     servizio_minimo, "", 1,
                     "l.txt:2:1: status 1: line length above 1000000 m; the route was never created, so no binary file "
                     "is written\n",
                     false},
        caso_compile{"MissingInput", linea_minima, "", "", 1, "cannot open s.txt: No such file or directory\n", false},
        caso_compile{"UnwritableOutput", linea_minima, servizio_minimo, "--out l.txt/sotto", 1,
                     "cannot create folder l.txt/sotto: Not a directory\n", false}),
    [](const ::testing::TestParamInfo<caso_compile>& caso) { return std::string(caso.param.nome); });

TEST(Commands, NamesAndPlanOptions) {
    cartella_temporanea c;
    c.scrivi("l.txt", linea_minima);
    c.scrivi("s.txt", servizio_minimo);
    c.scrivi("Mia_linea.dat", "piano precedente");
    EXPECT_EQ(comando(c, "compile l.txt s.txt --scenario Mia --train R2 --no-plan").uscita, 0);
    EXPECT_TRUE(c.esiste("Mia_R2.sim"));
    EXPECT_TRUE(c.esiste("Mia_R2.dat"));
    EXPECT_EQ(c.leggi("Mia_linea.dat"), "piano precedente");

    EXPECT_EQ(comando(c, "compile l.txt s.txt --scenario=Citt\xC3\xA0 --train=R1 --out sotto/cartella").uscita, 0);
    EXPECT_TRUE(c.esiste("sotto/cartella/Citt\xC3\xA0_R1.sim"));
    EXPECT_TRUE(c.esiste("sotto/cartella/Citt\xC3\xA0_linea.dat"));
    // The slot text holds the name in Windows-1252: one byte for the accented letter.
    const std::string sim = c.leggi("sotto/cartella/Citt\xC3\xA0_R1.sim");
    EXPECT_NE(sim.find(std::string("\x05\x00" "Citt\xE0", 7)), std::string::npos);
}

struct caso_uso {
    const char* nome;
    std::string argomenti;
    int uscita;
    const char* messaggio;  // found in standard error, or in standard output for help and version
};

class CommandUsage : public ::testing::TestWithParam<caso_uso> {};

TEST_P(CommandUsage, AnswersAsExpected) {
    const caso_uso& u = GetParam();
    cartella_temporanea c;
    c.scrivi("l.txt", linea_minima);
    c.scrivi("s.txt", servizio_minimo);
    const esecuzione e = comando(c, u.argomenti);
    EXPECT_EQ(e.uscita, u.uscita) << e.errori;
    const std::string& testo = u.uscita == 0 ? e.uscita_standard : e.errori;
    EXPECT_NE(testo.find(u.messaggio), std::string::npos) << testo;
    if (u.uscita == 64) {
        EXPECT_NE(e.errori.find("usage:"), std::string::npos);
        EXPECT_FALSE(c.esiste("Sorvanta_E48027.sim"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandUsage,
    ::testing::Values(caso_uso{"Help", "--help", 0, "usage: genera_scenario"},
                      caso_uso{"Version", "--version", 0, "genera_scenario 1."},
                      caso_uso{"CompileHelp", "compile --help", 0, "--no-plan"},
                      caso_uso{"DumpHelp", "dump --help", 0, "--json"},
                      caso_uso{"UnknownCommand", "build", 64, "unknown command build"},
                      caso_uso{"UnknownOption", "compile l.txt s.txt --fast", 64, "unknown option --fast\n"},
                      caso_uso{"NearOption", "compile l.txt s.txt --outt=o", 64,
                               "unknown option --outt=o (did you mean --out?)"},
                      caso_uso{"NearCommand", "plto .", 64, "unknown command plto (did you mean plot?)"},
                      caso_uso{"HelpCommand", "help dump", 0, "usage: genera_scenario dump"},
                      caso_uso{"MissingValue", "compile l.txt s.txt --out", 64, "--out needs a value"},
                      caso_uso{"OneFile", "compile l.txt", 64, "a line file and a service file"},
                      caso_uso{"ThreeFiles", "compile l.txt s.txt x.txt", 64, "unexpected argument x.txt"},
                      caso_uso{"EmptyName", "compile l.txt s.txt --scenario ''", 64, "scenario name is empty"},
                      caso_uso{"EmptyCode", "compile l.txt s.txt --train ''", 64, "train code is empty"},
                      caso_uso{"EmptyCodePlot", "plot . --train ''", 64, "train code is empty"},
                      caso_uso{"EmptyOut", "compile l.txt s.txt -o ''", 64, "--out needs a folder"},
                      caso_uso{"SeparatorInName", "compile l.txt s.txt --scenario a/b", 64, "path separator"},
                      caso_uso{"BackslashInCode", "compile l.txt s.txt --train 'a\\b'", 64, "path separator"},
                      caso_uso{"ControlInName", "compile l.txt s.txt --scenario \"$(printf 'a\\tb')\"", 64,
                               "control character"},
                      caso_uso{"OutsideWindows1252", "compile l.txt s.txt --train \xE2\x82\xAC\xE2\x98\x83", 64,
                               "outside Windows-1252"},
                      caso_uso{"InvalidUtf8", "compile l.txt s.txt --train \"$(printf 'a\\377')\"", 64,
                               "outside Windows-1252"},
                      caso_uso{"TrainCodeThatNamesThePlanFile", "compile l.txt s.txt --train LiNeA", 64, "plan file's name"},
                      caso_uso{"DumpNoFile", "dump", 64, "dump takes one file"},
                      caso_uso{"DumpUnknownOption", "dump x.dat --xml", 64, "unknown option --xml"}),
    [](const ::testing::TestParamInfo<caso_uso>& caso) { return std::string(caso.param.nome); });

TEST(Commands, DumpOfTheBuiltInFiles) {
    cartella_temporanea c;
    ASSERT_EQ(comando(c, "compile '" + esempi_comandi + "/Sorvanta_linea.txt' '" + esempi_comandi + "/Sorvanta_E48027-.txt'").uscita, 0);

    const esecuzione percorso = comando(c, "dump Sorvanta_E48027.dat --raw");
    ASSERT_EQ(percorso.uscita, 0) << percorso.errori;
    EXPECT_NE(percorso.uscita_standard.find("cells: 921"), std::string::npos);
    EXPECT_NE(percorso.uscita_standard.find("cell 30: position_m=1500 tipo_cella=1 valore1=22 valore2=51 valore3=60 "
                                            "valore4=18"),
              std::string::npos)
        << percorso.uscita_standard;

    const esecuzione slot = comando(c, "dump Sorvanta_E48027.sim --raw");
    ASSERT_EQ(slot.uscita, 0);
    EXPECT_NE(slot.uscita_standard.find("slot 80: nome=\"(PONTE SUL     )(FIUME VALSIN 1)\""), std::string::npos);
    EXPECT_EQ(slot.uscita_standard.find("slot 0:"), std::string::npos);

    for (const char* file : {"Sorvanta_E48027.dat", "Sorvanta_E48027.sim", "Sorvanta_linea.dat"})
        for (const char* valori : {"", " --raw"}) {
            const esecuzione j = comando(c, std::string("dump ") + file + " --json" + valori);
            ASSERT_EQ(j.uscita, 0) << file;
            EXPECT_TRUE(json_valido(j.uscita_standard)) << file << "\n" << j.uscita_standard.substr(0, 400);
        }
    const esecuzione piano = comando(c, "dump Sorvanta_linea.dat");
    EXPECT_NE(piano.uscita_standard.find("E: 46000"), std::string::npos) << piano.uscita_standard;
}

TEST(Commands, DumpOfDamagedFiles) {
    cartella_temporanea c;
    ASSERT_EQ(comando(c, "compile '" + esempi_comandi + "/Sorvanta_linea.txt' '" + esempi_comandi + "/Sorvanta_E48027-.txt'").uscita, 0);
    const std::string sim = c.leggi("Sorvanta_E48027.sim");
    c.scrivi("Corto_E1.sim", sim.substr(0, sim.size() - 3));
    c.scrivi("Corto_E1.dat", c.leggi("Sorvanta_E48027.dat").substr(0, 100));
    c.scrivi("Corto_linea.dat", c.leggi("Sorvanta_linea.dat").substr(0, 1001));
    c.scrivi("strano.bin", "x");
    struct caso {
        const char* file;
        const char* messaggio;
    };
    for (const caso& k : {caso{"Corto_E1.sim", "not a service slot file: slot 86 is truncated"},
                          caso{"Corto_E1.dat", "not a route file: size 100"},
                          caso{"Corto_linea.dat", "not a line plan file: truncated"},
                          caso{"strano.bin", "cannot tell the kind of file"},
                          caso{"manca.dat", "cannot open manca.dat"}}) {
        const esecuzione e = comando(c, std::string("dump ") + k.file);
        EXPECT_EQ(e.uscita, 1) << k.file;
        EXPECT_NE(e.errori.find(k.messaggio), std::string::npos) << e.errori;
        EXPECT_EQ(e.uscita_standard, "") << k.file;
    }
}

// The commands the program's help lists, read from it so that a new command is covered here
// as soon as it is in the table.
std::vector<std::string> comandi_elencati() {
    cartella_temporanea c;
    const std::string aiuto = comando(c, "--help").uscita_standard;
    std::vector<std::string> nomi;
    const std::size_t inizio = aiuto.find("commands:\n");
    std::size_t riga = inizio == std::string::npos ? aiuto.size() : inizio + 10;
    while (riga + 2 < aiuto.size() && aiuto.compare(riga, 2, "  ") == 0) {
        const std::size_t fine = aiuto.find(' ', riga + 2);
        nomi.push_back(aiuto.substr(riga + 2, fine - riga - 2));
        riga = aiuto.find('\n', riga) + 1;
    }
    return nomi;
}

TEST(Commands, EveryCommandAnswersHelpAndAMistypedOption) {
    const std::vector<std::string> comandi = comandi_elencati();
    ASSERT_GE(comandi.size(), 3u);
    cartella_temporanea c;
    for (const std::string& nome : comandi) {
        const esecuzione breve = comando(c, nome + " -h");
        const esecuzione lunga = comando(c, nome + " --help");
        EXPECT_EQ(breve.uscita, 0) << nome;
        EXPECT_EQ(lunga.uscita, 0) << nome;
        EXPECT_NE(lunga.uscita_standard.find("usage: genera_scenario " + nome), std::string::npos) << nome;
        EXPECT_NE(lunga.uscita_standard.find("exit status:"), std::string::npos) << nome;
        EXPECT_EQ(breve.uscita_standard, lunga.uscita_standard) << nome;

        const esecuzione versione = comando(c, nome + " --version");
        EXPECT_EQ(versione.uscita, 0) << nome;
        EXPECT_EQ(versione.uscita_standard.rfind("genera_scenario 1.", 0), 0u) << nome;

        const esecuzione sbagliata = comando(c, nome + " --hepl");
        EXPECT_EQ(sbagliata.uscita, 64) << nome;
        EXPECT_EQ(sbagliata.uscita_standard, "") << nome;
        EXPECT_EQ(sbagliata.errori.rfind("genera_scenario " + nome + ": unknown option --hepl (did you mean --help?)\n"
                                         "usage: genera_scenario " + nome + " ",
                                         0),
                  0u)
            << sbagliata.errori;
    }
    // Nothing was written by any of them.
    EXPECT_TRUE(std::filesystem::is_empty(c.percorso));
}

// A missing input is the same answer everywhere: the path, the system's words, status 1.
TEST(Commands, MissingInputIsNamed) {
    cartella_temporanea c;
    c.scrivi("l.txt", linea_minima);
    c.scrivi("s.txt", servizio_minimo);
    for (const auto& [argomenti, percorso] : std::vector<std::pair<std::string, std::string>>{
             {"compile manca.txt s.txt", "manca.txt"},
             {"compile l.txt manca/s.txt --out o", "manca/s.txt"},
             {"dump manca.dat", "manca.dat"},
             {"plot manca", "manca"},
             {"plot manca/ --scenario A --train B", "manca/"},
             {"plot A_B.sim A_B.dat", "A_B.sim"}}) {
        const esecuzione e = comando(c, argomenti);
        EXPECT_EQ(e.uscita, 1) << argomenti;
        EXPECT_EQ(e.errori, "cannot open " + percorso + ": No such file or directory\n") << argomenti;
    }
    EXPECT_FALSE(c.esiste("o"));
}

// plot finds in a folder what compile wrote there, and says what it wrote; -q keeps it quiet.
TEST(Commands, PlotFindsTheNamesCompileGave) {
    cartella_temporanea c;
    c.scrivi("l.txt", linea_minima);
    c.scrivi("s.txt", servizio_minimo);
    ASSERT_EQ(comando(c, "compile l.txt s.txt -q --scenario Citt\xC3\xA0_Alta --train R_1 -o o").uscita, 0);
    esecuzione e = comando(c, "plot o");
    EXPECT_EQ(e.uscita, 0) << e.errori;
    EXPECT_EQ(e.errori, "wrote o/Citt\xC3\xA0_Alta_R_1.svg\n");
    EXPECT_TRUE(c.esiste("o/Citt\xC3\xA0_Alta_R_1.svg"));

    ASSERT_EQ(comando(c, "compile l.txt s.txt --no-plan -q --scenario Altra --train X -o o").uscita, 0);
    e = comando(c, "plot o -o immagini/piano.svg");
    EXPECT_EQ(e.uscita, 64);
    EXPECT_NE(e.errori.find("o holds several scenarios (Altra_X, Citt\xC3\xA0_Alta_R_1): name one with --scenario and "
                            "--train"),
              std::string::npos)
        << e.errori;
    e = comando(c, "plot o --train X -q -o immagini/piano.svg");
    EXPECT_EQ(e.uscita, 0) << e.errori;
    EXPECT_EQ(e.errori, "");
    EXPECT_TRUE(c.esiste("immagini/piano.svg"));
}

// A description saved as UTF-8 by an editor compiles with --input-encoding utf-8 to the very
// bytes of its Windows-1252 twin; a byte order mark in front is dropped.
TEST(Commands, Utf8DescriptionCompilesLikeItsWindows1252Twin) {
    cartella_temporanea c;
    auto sostituisci = [](std::string testo, const std::string& da, const std::string& a) {
        const std::size_t dove = testo.find(da);
        EXPECT_NE(dove, std::string::npos) << da;
        if (dove != std::string::npos) testo.replace(dove, da.size(), a);
        return testo;
    };
    // à, € and the right quote (0x92) are Windows-1252 bytes whose UTF-8 forms take 2 and 3 bytes.
    const std::string linea = sostituisci(c.leggi(esempi_comandi + "/Sorvanta_linea.txt"), "(FIUME VALSIN 1)",
                                          "(FIUME CITT\xC0 1)");
    const std::string servizio = sostituisci(
        sostituisci(c.leggi(esempi_comandi + "/Sorvanta_E48027-.txt"), "STAZIONE 2", "Citt\xE0 \x80"), "STAZIONE 3",
        "Sant\x92" "Elia");
    c.scrivi("cp_l.txt", linea);
    c.scrivi("cp_s.txt", servizio);
    c.scrivi("u8_l.txt", "\xEF\xBB\xBF" + cp1252_to_utf8(linea));
    c.scrivi("u8_s.txt", cp1252_to_utf8(servizio));
    ASSERT_NE(c.leggi("u8_s.txt"), servizio);

    ASSERT_EQ(comando(c, "compile cp_l.txt cp_s.txt -q -o cp").uscita, 0);
    const esecuzione e = comando(c, "compile u8_l.txt u8_s.txt -q -o u8 --input-encoding utf-8");
    ASSERT_EQ(e.uscita, 0) << e.errori;
    for (const char* nome : {"Sorvanta_linea.dat", "Sorvanta_E48027.sim", "Sorvanta_E48027.dat"})
        EXPECT_EQ(c.leggi(std::string("u8/") + nome), c.leggi(std::string("cp/") + nome)) << nome;
    EXPECT_NE(c.leggi("cp/Sorvanta_E48027.sim").find("Citt\xE0 \x80"), std::string::npos);

    // check reads them the same way: the same findings as for the twin.
    const esecuzione gemella = comando(c, "check cp_l.txt cp_s.txt --json");
    const esecuzione utf8 = comando(c, "check u8_l.txt u8_s.txt --json --input-encoding=utf-8");
    EXPECT_EQ(utf8.uscita, gemella.uscita) << utf8.errori;
    std::string letto = utf8.uscita_standard;
    for (std::size_t at = letto.find("u8_"); at != std::string::npos; at = letto.find("u8_", at)) letto.replace(at, 3, "cp_");
    EXPECT_EQ(letto, gemella.uscita_standard);
}

struct caso_codifica {
    const char* nome;
    const char* servizio;  // UTF-8 bytes
    const char* errore;
};

void PrintTo(const caso_codifica& k, std::ostream* os) { *os << k.nome; }

class RefusedEncoding : public ::testing::TestWithParam<caso_codifica> {};

// A character that Windows-1252 lacks, or bytes that are not UTF-8, stop compile and check
// before anything is written, naming the file, line and column (in characters).
TEST_P(RefusedEncoding, NamesLineAndColumn) {
    const caso_codifica& k = GetParam();
    cartella_temporanea c;
    c.scrivi("l.txt", linea_minima);
    c.scrivi("s.txt", k.servizio);
    for (const char* comando_usato : {"compile l.txt s.txt -o o", "check l.txt s.txt"}) {
        const esecuzione e = comando(c, std::string(comando_usato) + " --input-encoding utf-8");
        EXPECT_EQ(e.uscita, 1) << comando_usato;
        std::string attesa = std::string("s.txt:") + k.errore + "\n";
        // Bytes that are not UTF-8 may be the format's own Windows-1252: the message says how that is read.
        if (attesa.find("not UTF-8") != std::string::npos)
            attesa += "note: if the file is Windows-1252 text (the format's own), read it without --input-encoding utf-8\n";
        EXPECT_EQ(e.errori, attesa) << comando_usato;
        EXPECT_EQ(e.uscita_standard, "") << comando_usato;
    }
    EXPECT_FALSE(c.esiste("o"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusedEncoding,
    ::testing::Values(
        caso_codifica{"Macron", "[generale]\r\nvelocita, 0, 60\r\nstazione, 2000, 12, 300, 0,0,0, 1,1,0, 4,1,1, 0, "
                                "0,0,0, R\xC4\x81ga\r\n[fine]\r\n",
                      "3:58: cannot convert from UTF-8 (--input-encoding utf-8): \"\xC4\x81\" (U+0101) has no "
                      "Windows-1252 byte"},
        caso_codifica{"EmojiAfterAccents",
                      "[generale]\r\nvelocita, 0, 60\r\nstazione, 2000, 12, 300, 0,0,0, 1,1,0, 4,1,1, 0, 0,0,0, "
                      "Citt\xC3\xA0 \xE2\x82\xAC \xF0\x9F\x98\x80\r\n[fine]\r\n",
                      "3:65: cannot convert from UTF-8 (--input-encoding utf-8): \"\xF0\x9F\x98\x80\" (U+1F600) has "
                      "no Windows-1252 byte"},
        caso_codifica{"C1Control", "[generale]\r\n\xC2\x85\r\n",
                      "2:1: cannot convert from UTF-8 (--input-encoding utf-8): \"\xC2\x85\" (U+0085) has no "
                      "Windows-1252 byte"},
        caso_codifica{"Windows1252Byte", "[generale]\r\nvelocita, 0, 60\r\n; Citt\xE0\r\n",
                      "3:7: cannot convert from UTF-8 (--input-encoding utf-8): not UTF-8 (byte 0xE0)"},
        caso_codifica{"TruncatedSequence", "[generale]\r\n\xE2\x82",
                      "2:1: cannot convert from UTF-8 (--input-encoding utf-8): not UTF-8 (byte 0xE2)"},
        caso_codifica{"OverlongSlash", "[generale]\r\n\xC0\xAF\r\n",
                      "2:1: cannot convert from UTF-8 (--input-encoding utf-8): not UTF-8 (byte 0xC0)"},
        caso_codifica{"SurrogateHalf", "\xED\xA0\x80",
                      "1:1: cannot convert from UTF-8 (--input-encoding utf-8): not UTF-8 (byte 0xED)"}),
    [](const ::testing::TestParamInfo<caso_codifica>& caso) { return std::string(caso.param.nome); });

// The default stays Windows-1252: UTF-8 bytes are read as they are, and only the two names are taken.
TEST(Commands, InputEncodingIsUtf8OrCp1252) {
    cartella_temporanea c;
    c.scrivi("l.txt", linea_minima);
    c.scrivi("s.txt", servizio_minimo);
    for (const char* nome : {"cp1252", "utf-8"})
        EXPECT_EQ(comando(c, std::string("compile l.txt s.txt -q --input-encoding ") + nome).uscita, 0) << nome;
    const esecuzione e = comando(c, "check l.txt s.txt --input-encoding latin1");
    EXPECT_EQ(e.uscita, 64);
    EXPECT_NE(e.errori.find("--input-encoding takes utf-8 or cp1252, not latin1"), std::string::npos) << e.errori;
}

// What a folder holds, symbolic links as their targets: to see that a refused run changed nothing.
std::map<std::string, std::string> contenuto_cartella(const cartella_temporanea& c) {
    std::map<std::string, std::string> r;
    for (const auto& voce : std::filesystem::recursive_directory_iterator(c.percorso)) {
        const std::string nome = std::filesystem::relative(voce.path(), c.percorso).string();
        if (voce.is_symlink())
            r[nome] = "-> " + std::filesystem::read_symlink(voce.path()).string();
        else if (voce.is_regular_file())
            r[nome] = leggi_file(voce.path());
        else
            r[nome] = "folder";
    }
    return r;
}

// No command writes over a file it reads, whatever name the output gives it: "./" in front, a
// symbolic link or a second name (hard link). Both paths are named and nothing is written.
TEST(Commands, NoCommandWritesOverItsOwnInput) {
    cartella_temporanea c;
    c.scrivi("l.txt", linea_minima);
    c.scrivi("s.txt", servizio_minimo);
    c.scrivi("n.txt", "notes\r\n");
    ASSERT_EQ(comando(c, "compile l.txt s.txt -q -o a").uscita, 0);
    c.scrivi("Sorvanta_linea.dat", linea_minima);  // a line description under the plan's name
    for (const char* cartella : {"o1", "o2", "o3", "d"}) std::filesystem::create_directory(c / cartella);
    std::filesystem::create_symlink("../s.txt", c / "o1/Sorvanta_E48027.sim");
    std::filesystem::create_hard_link(c / "n.txt", c / "o2/Sorvanta_E48027_note.txt");
    std::filesystem::create_hard_link(c / "l.txt", c / "o3/Sorvanta_E48027.svg");
    std::filesystem::create_symlink("../a/Sorvanta_E48027.sim", c / "d/Sorvanta_E48027-.txt");
    std::filesystem::create_hard_link(c / "a/Sorvanta_E48027.dat", c / "h.svg");
    const struct {
        const char* argomenti;
        const char* uscita;
        const char* ingresso;
    } casi[] = {
        {"compile Sorvanta_linea.dat s.txt", "./Sorvanta_linea.dat", "Sorvanta_linea.dat"},
        {"compile l.txt s.txt -o o1", "o1/Sorvanta_E48027.sim", "s.txt"},
        {"compile l.txt s.txt -o o2 --documents --notes n.txt", "o2/Sorvanta_E48027_note.txt", "n.txt"},
        {"compile l.txt s.txt -o o3 --plot", "o3/Sorvanta_E48027.svg", "l.txt"},
        {"decompile a -o d --force", "d/Sorvanta_E48027-.txt", "a/Sorvanta_E48027.sim"},
        {"plot a -o ./a/Sorvanta_E48027.sim", "./a/Sorvanta_E48027.sim", "a/Sorvanta_E48027.sim"},
        {"plot a -o h.svg", "h.svg", "a/Sorvanta_E48027.dat"},
        {"timetable l.txt s.txt --curve ./l.txt", "./l.txt", "l.txt"},
        {"view l.txt s.txt --html ./s.txt", "./s.txt", "s.txt"},
    };
    const std::map<std::string, std::string> prima = contenuto_cartella(c);
    for (const auto& k : casi) {
        const esecuzione e = comando(c, k.argomenti);
        EXPECT_EQ(e.uscita, 1) << k.argomenti << ": " << e.errori;
        EXPECT_NE(e.errori.find(std::string("the output ") + k.uscita + " is the input " + k.ingresso +
                                " (the same file): nothing was written\n"),
                  std::string::npos)
            << k.argomenti << ": " << e.errori;
        EXPECT_EQ(e.errori.find("wrote"), std::string::npos) << k.argomenti << ": " << e.errori;
        EXPECT_TRUE(contenuto_cartella(c) == prima) << k.argomenti;
    }
    // The same names without the links are written as usual.
    std::filesystem::remove(c / "o1/Sorvanta_E48027.sim");
    EXPECT_EQ(comando(c, "compile l.txt s.txt -q -o o1").uscita, 0);
    EXPECT_EQ(comando(c, "compile Sorvanta_linea.dat s.txt -q --no-plan").uscita, 0);
}

// Every command that writes says so in one line on standard error, naming each file; -q
// silences it and leaves the files the same.
// A line of megabytes is shown as a window around the caret, and a value of megabytes quoted in a
// message by its start and end: each finding's text stays short, however long the line
// (`--json` keeps the value whole).
TEST(Commands, FindingsOnAVeryLongLineStayShort) {
    cartella_temporanea c;
    const std::string parola(1 << 20, 'x');
    c.scrivi("l_linea.txt", "[generale]\r\nlunghezza percorso, 1000\r\n[curve]\r\npendenza, 0, 1\r\n" + parola +
                                ", 5\r\n" + std::string(100000, ' ') + "curvaq, 10, 20\r\n[fine]\r\n");
    c.scrivi("s-.txt", "[generale]\r\nvelocita, 0, 60\r\n[fine]\r\n");
    const esecuzione e = comando(c, "check l_linea.txt s-.txt --color never");
    EXPECT_LT(e.uscita_standard.size(), 4000u) << e.uscita_standard.substr(0, 4000);
    // The keyword: quoted by its start and end, the line from its start, the caret under it.
    EXPECT_NE(e.uscita_standard.find("unknown keyword \"" + std::string(60, 'x') + "..." + std::string(17, 'x') + "\""),
              std::string::npos)
        << e.uscita_standard;
    EXPECT_NE(e.uscita_standard.find("\n  " + std::string(200, 'x') + "...\n  ^~~"), std::string::npos);
    // A field far along its line: the window starts 60 characters before it, the caret under it.
    const std::size_t at = e.uscita_standard.find("l_linea.txt:6:100001:");
    ASSERT_NE(at, std::string::npos) << e.uscita_standard;
    const std::size_t riga = e.uscita_standard.find("\n  ...", at);
    ASSERT_NE(riga, std::string::npos);
    const std::string atteso = "\n  ..." + std::string(60, ' ') + "curvaq, 10, 20\n  " + std::string(63, ' ') + "^~~~~~\n";
    EXPECT_EQ(e.uscita_standard.substr(riga, atteso.size()), atteso);
    EXPECT_NE(comando(c, "check l_linea.txt s-.txt --json").uscita_standard.find(parola), std::string::npos);
}

TEST(Commands, EveryWritingCommandSaysSoInOneLine) {
    cartella_temporanea c;
    c.scrivi("l.txt", linea_minima);
    c.scrivi("s.txt", servizio_minimo);
    ASSERT_EQ(comando(c, "compile l.txt s.txt -q -o a").uscita, 0);
    const struct {
        const char* argomenti;
        const char* detto;
    } casi[] = {
        {"compile l.txt s.txt -o o", "wrote o/Sorvanta_linea.dat, o/Sorvanta_E48027.sim, o/Sorvanta_E48027.dat\n"},
        {"plot a -o p/a.svg", "wrote p/a.svg\n"},
        {"decompile a -o d", "wrote d/Sorvanta_linea.txt, d/Sorvanta_E48027-.txt\n"},
        {"fmt f.txt", "wrote f.txt\n"},
    };
    for (const auto& k : casi) {
        for (const char* silenzio : {"", " -q"}) {
            for (const char* via : {"o", "p", "d"}) std::filesystem::remove_all(c / via);
            c.scrivi("f.txt", "[generale]\r\nvelocita,0,   60\r\n[fine]\r\n");
            const esecuzione e = comando(c, std::string(k.argomenti) + silenzio);
            EXPECT_EQ(e.uscita, 0) << k.argomenti << silenzio << ": " << e.errori;
            EXPECT_EQ(e.errori, *silenzio ? "" : k.detto) << k.argomenti << silenzio;
        }
    }
    EXPECT_EQ(comando(c, "fmt --check f.txt -q").uscita, 0);
}

}  // namespace
