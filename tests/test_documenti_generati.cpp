// The driver's documents for an author's scenario: compile --documents, read back by columns.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "builder/costruzione.hpp"
#include "core/documento.hpp"
#include "documents/documenti_generati.hpp"
#include "tests/ambiente.hpp"
#include "tests/avvia_programma.hpp"
#include "tests/cartella_temporanea.hpp"

namespace {

const std::string esempi_valcorta = std::string(GS_SOURCE_DIR) + "/examples/";

// One timetable row of a sheet, cut at the columns the layout gives.
struct sheet_row {
    std::string speed, km, location, arrival, passing, departure;
};

std::string trimmed(const std::string& s) {
    const std::size_t a = s.find_first_not_of(' ');
    if (a == std::string::npos) return "";
    return s.substr(a, s.find_last_not_of(' ') - a + 1);
}

std::vector<sheet_row> rows_of(const std::string& sheet) {
    std::vector<sheet_row> rows;
    const lista_righe lines = lista_da_testo(sheet);
    for (std::size_t i = 17; i < lines.size(); ++i) {
        const std::string& l = lines[i];
        if (l.size() != 83 || trimmed(l.substr(32, 27)).empty()) continue;
        // Columns from 1: speed 3-6, km 15-22, location 33-59, arrival 62-66, passing 66-70,
        // departure 71-75 (a time is HH.MM, its point in its third column).
        rows.push_back({trimmed(l.substr(2, 4)), trimmed(l.substr(14, 8)), trimmed(l.substr(32, 27)),
                        l[63] == '.' ? l.substr(61, 5) : "", l[67] == '.' ? l.substr(65, 5) : "",
                        l[72] == '.' ? l.substr(70, 5) : ""});
    }
    return rows;
}

const sheet_row* row_named(const std::vector<sheet_row>& rows, const std::string& name) {
    for (const sheet_row& r : rows)
        if (r.location == name) return &r;
    return nullptr;
}

stato_build compiled(const std::string& line, const std::string& service) {
    stato_build s;
    s.scenario = "Valcorta";
    s.treno = "R2231";
    EXPECT_EQ(compila(s, {.piano = true}, descrizioni_in_memoria("l", line, "s", service)), 0);
    return s;
}

}  // namespace

TEST(DriverDocuments, CompileWritesSixFilesAndTheSheetHoldsEveryStation) {
    cartella_temporanea c;
    const esecuzione e = avvia_in(c.percorso, programma_in_prova(),
                                  "compile '" + esempi_valcorta + "Valcorta_linea.txt' '" + esempi_valcorta +
                                      "Valcorta_R2231-.txt' --scenario Valcorta --train R2231 --documents -q");
    ASSERT_EQ(e.uscita, 0) << e.errori;
    for (const char* f : {"Valcorta_linea.dat", "Valcorta_R2231.sim", "Valcorta_R2231.dat",
                          "Valcorta_R2231_scheda_treno.txt", "Valcorta_R2231_rallentamenti.txt", "Valcorta_R2231_note.txt"})
        EXPECT_TRUE(c.esiste(f)) << f;
    const std::string sheet = c.leggi("Valcorta_R2231_scheda_treno.txt");
    EXPECT_EQ(sheet.find("\n\n"), std::string::npos) << "CR LF line ends only";
    const std::vector<sheet_row> rows = rows_of(sheet);
    // Stations at their stop points: 250 m and further, counted from the references (23400 m from
    // 0, 29750 m from 6000 m, its flag adding 100 m).
    const struct {
        const char* name;
        const char* km;
        const char* arrival;
        const char* departure;
        const char* speed;
    } expected[] = {
        {"PIANURA", "23.650", "", "08.00", "40"},
        {"SELVA", "30.400", "", "08.07", ""},
        {"VALCORTA CITT\xC0", "35.050", "08.16", "", "50"},
    };
    for (const auto& x : expected) {
        const sheet_row* r = row_named(rows, x.name);
        ASSERT_TRUE(r) << x.name;
        EXPECT_EQ(r->km, x.km) << x.name;
        EXPECT_EQ(r->arrival, x.arrival) << x.name;
        EXPECT_EQ(r->departure, x.departure) << x.name;
        EXPECT_EQ(r->speed, x.speed) << x.name;
    }
    ASSERT_TRUE(row_named(rows, "Km 29.750")) << "the second reference starts a new chainage";
    EXPECT_TRUE(row_named(rows, "rallentamento 30 km/h"));
    const std::string notice = c.leggi("Valcorta_R2231_rallentamenti.txt");
    EXPECT_NE(notice.find("32.550  |  33.150  | 30"), std::string::npos) << notice;
}

TEST(DriverDocuments, PassingTimesAreThoseOfTheTimetableToTheMinute) {
    const std::string line = leggi_file(esempi_valcorta + "Valcorta_linea.txt");
    const std::string service = leggi_file(esempi_valcorta + "Valcorta_R2231-.txt");
    const stato_build s = compiled(line, service);
    const timetable_result r = work_out_timetable(s, default_train_model(s));
    std::vector<std::string> warnings;
    const std::vector<sheet_row> rows = rows_of(testo_documento(righe_scheda_generata(s, r, warnings)));
    int passed = 0;
    for (const timetable_row& t : r.rows) {
        if (!t.earliest_passing_s || t.scheduled_passing_s) continue;
        const sheet_row* row = row_named(rows, t.name);
        ASSERT_TRUE(row) << t.name;
        const int hhmm = ora_scheda(*t.earliest_passing_s);
        char text[32];
        std::snprintf(text, sizeof text, "%02d.%02d", hhmm / 100, hhmm % 100);
        EXPECT_EQ(row->passing, text) << t.name;
        ++passed;
    }
    EXPECT_GT(passed, 0);
    // To the nearest minute, halves to the even minute.
    EXPECT_EQ(ora_scheda(10 * 3600 + 17 * 60 + 29.9), 1017);
    EXPECT_EQ(ora_scheda(10 * 3600 + 17 * 60 + 30), 1018);
    EXPECT_EQ(ora_scheda(10 * 3600 + 18 * 60 + 30), 1018);
}

TEST(DriverDocuments, KilometresFollowTheReferencesAcrossAChainageJump) {
    const std::string line =
        "[generale]\r\nlunghezza percorso, 20000\r\nprogressiva chilometrica uno, 0, 100000, 0\r\n"
        "progressiva chilometrica due, 8000, 500, 0\r\nprogressiva chilometrica tre, 0, 0, 0\r\n[curve]\r\n"
        "[pendenze]\r\npendenza, 0, 0\r\n[fine]\r\n";
    const std::string service =
        "[generale]\r\nnumero vetture, 5\r\npercentuale massa frenata, 120\r\naderenza, 0, 100\r\nvelocita, 0, 100\r\n"
        "stazione, 1000, 12, 400, 0, 0, 0, 1,1,0, 4,1,1, 1, 9, 0, 0, PRIMA\r\n"
        "stazione, 6000, 12, 400, 0, 0, 0, 1,1,0, 4,1,1, 0, 0, 0, 0, SECONDA\r\n"
        "stazione, 12000, 12, 400, 0, 0, 0, 1,1,0, 4,1,1, 0, 9, 30, 0, TERZA\r\n[fine]\r\n";
    const stato_build s = compiled(line, service);
    EXPECT_EQ(progressiva_di(s, 7950), 107950);
    EXPECT_EQ(progressiva_di(s, 8000), 500);
    EXPECT_EQ(progressiva_di(s, 12150), 4650);
    const timetable_result r = work_out_timetable(s, default_train_model(s));
    std::vector<std::string> warnings;
    const std::vector<sheet_row> rows = rows_of(testo_documento(righe_scheda_generata(s, r, warnings)));
    ASSERT_TRUE(row_named(rows, "PRIMA"));
    EXPECT_EQ(row_named(rows, "PRIMA")->km, "101.150");   // stop point 1150 m
    EXPECT_EQ(row_named(rows, "SECONDA")->km, "106.150");
    ASSERT_TRUE(row_named(rows, "Km 0.500"));
    EXPECT_EQ(row_named(rows, "TERZA")->km, "4.650");
    EXPECT_EQ(row_named(rows, "TERZA")->arrival, "09.30");
}

TEST(DriverDocuments, ALongNameIsCutAtItsColumnAndSaidSo) {
    const std::string line = leggi_file(esempi_valcorta + "Valcorta_linea.txt");
    std::string service = leggi_file(esempi_valcorta + "Valcorta_R2231-.txt");
    const std::size_t at = service.find("SELVA");
    ASSERT_NE(at, std::string::npos);
    service.replace(at, 5, "SELVA DI SOPRA E DI SOTTO ALLA CHIESA");
    const stato_build s = compiled(line, service);
    std::vector<std::string> warnings;
    const std::string sheet =
        testo_documento(righe_scheda_generata(s, work_out_timetable(s, default_train_model(s)), warnings));
    EXPECT_NE(sheet.find("| SELVA DI SOPRA E DI SOTTO A|"), std::string::npos);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("cut to \"SELVA DI SOPRA E DI SOTTO A\""), std::string::npos) << warnings[0];
}

TEST(DriverDocuments, AFailedWriteLeavesTheEarlierSetWhole) {
    cartella_temporanea c;
    const std::string args = "compile '" + esempi_valcorta + "Valcorta_linea.txt' '" + esempi_valcorta +
                             "Valcorta_R2231-.txt' --scenario Valcorta --train R2231 --documents -q";
    ASSERT_EQ(avvia_in(c.percorso, programma_in_prova(), args).uscita, 0);
    std::vector<std::pair<std::string, std::string>> before;
    for (const auto& f : std::filesystem::directory_iterator(c.percorso))
        before.emplace_back(f.path().filename().string(), leggi_file(f.path()));
    // A new set whose notes cannot take their place: a folder stands at the notes' name.
    std::filesystem::remove(c / "Valcorta_R2231_note.txt");
    std::filesystem::create_directory(c / "Valcorta_R2231_note.txt");
    std::filesystem::create_directory(c / "Valcorta_R2231_note.txt" / "inside");
    c.scrivi("notes.txt", "Le note dell'autore.\r\n");
    const esecuzione e = avvia_in(c.percorso, programma_in_prova(), args + " --notes notes.txt");
    EXPECT_EQ(e.uscita, 1) << e.errori;
    for (const auto& [name, bytes] : before) {
        if (name == "Valcorta_R2231_note.txt") continue;
        EXPECT_EQ(c.leggi(name), bytes) << name << " must be the earlier file";
    }
}

TEST(DriverDocuments, TheAuthorsNotesAreWrappedAndWithoutThemASummary) {
    const stato_build s = compiled(leggi_file(esempi_valcorta + "Valcorta_linea.txt"), leggi_file(esempi_valcorta + "Valcorta_R2231-.txt"));
    std::vector<std::string> warnings;
    const std::string text = "AUTORE: Chi scrive   \r\n\r\n" + std::string(60, 'x') + " " + std::string(60, 'y') + "\r\n";
    const lista_righe notes = righe_note_generate(s, &text, warnings);
    ASSERT_EQ(notes.size(), 5u);
    EXPECT_EQ(notes[0], "AUTORE: Chi scrive");
    EXPECT_EQ(notes[1], "");
    EXPECT_EQ(notes[2], std::string(60, 'x'));
    EXPECT_EQ(notes[3], std::string(60, 'y'));
    EXPECT_EQ(notes[4], marcatore_fine);
    const lista_righe summary = righe_note_generate(s, nullptr, warnings);
    const std::string all = testo_documento(summary);
    EXPECT_NE(all.find("STAZIONI: 4, DI CUI 3 CON FERMATA"), std::string::npos) << all;
    EXPECT_NE(all.find("RALLENTAMENTI: 1"), std::string::npos) << all;
    EXPECT_TRUE(warnings.empty());
}

TEST(DriverDocuments, CheckWarnsOfANameTheSheetWouldCut) {
    cartella_temporanea c;
    std::string service = leggi_file(esempi_valcorta + "Valcorta_R2231-.txt");
    const std::size_t at = service.find("SELVA");
    ASSERT_NE(at, std::string::npos);
    service.replace(at, 5, "SELVA DI SOPRA E DI SOTTO ALLA CHIESA");
    c.scrivi("service.txt", service);
    const std::string args = "check '" + esempi_valcorta + "Valcorta_linea.txt' service.txt";
    EXPECT_EQ(avvia_in(c.percorso, programma_in_prova(), args).uscita_standard.find("train sheet"), std::string::npos);
    const esecuzione e = avvia_in(c.percorso, programma_in_prova(), args + " --documents");
    EXPECT_EQ(e.uscita, 0) << "a warning, not an error";
    EXPECT_NE(e.uscita_standard.find("warning: the name is 37 characters long: the train sheet shows \"SELVA DI SOPRA E DI SOTTO A\""),
              std::string::npos)
        << e.uscita_standard;
}

TEST(DriverDocuments, DecompileWritesTheDocumentsARecompileGives) {
    cartella_temporanea c;
    const std::string names = " --scenario Valcorta --train R2231 -q";
    ASSERT_EQ(avvia_in(c.percorso, programma_in_prova(),
                       "compile '" + esempi_valcorta + "Valcorta_linea.txt' '" + esempi_valcorta + "Valcorta_R2231-.txt' -o built --documents" + names)
                  .uscita,
              0);
    const esecuzione e = avvia_in(c.percorso, programma_in_prova(), "decompile built -o back --documents" + names);
    ASSERT_EQ(e.uscita, 0) << e.errori;
    for (const char* f : {"Valcorta_R2231_scheda_treno.txt", "Valcorta_R2231_rallentamenti.txt"})
        EXPECT_EQ(c.leggi(std::string("back/") + f), c.leggi(std::string("built/") + f)) << f;
    EXPECT_TRUE(c.esiste("back/Valcorta_R2231_note.txt"));
}
