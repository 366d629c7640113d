// Author mistakes applied one at a time to a small clean scenario. Each either leaves the compiled
// bytes as the clean build's, or check reports it at the line the author edited; an entry dropped
// or read as something else is an error there, and compile then ends with exit status 2.
#include <gtest/gtest.h>

#include <string>

#include "avvia_programma.hpp"
#include "cartella_temporanea.hpp"
#include "core/encoding.hpp"
#include "diagnostics/codifica.hpp"
#include "diagnostics/diagnostica.hpp"
#include "harness/compila_in_memoria.hpp"
#include "lsp/answers.hpp"
#include "tests/ambiente.hpp"

namespace {

const std::string linea_pulita =
    "[generale]\r\n"
    "lunghezza percorso,    12000\r\n"
    "progressiva chilometrica uno,    0,    150300,    1\r\n"
    "[curve]\r\n"
    "curvas6,  350,  100\r\n"
    "curvad4,  2000,  200\r\n"
    "[pendenze]\r\n"
    "pendenza,   0,    5\r\n"
    "pendenza,   3000,    -3\r\n"
    "[montagne]\r\n"
    "montagna,  1000,  2000,  12\r\n"
    "[cartelli]\r\n"
    "indicatori_vmax,  4000,  95,  100,  105,  0,  95,  100,  105,  0\r\n"
    "[indicazioni]\r\n"
    "cartello_indicatore,  500,   (PONTE)\r\n"
    "[fine]\r\n";

const std::string servizio_pulito =
    "[generale]\r\n"
    "- servizio di prova\r\n"
    "- due righe di commento\r\n"
    "numero vetture,    6\r\n"
    "sabbia,    300\r\n"
    "orologio,    10 14 20\r\n"
    "aderenza,   0,    100\r\n"
    "velocita,   0,    80\r\n"
    "velocita,   2000,    100\r\n"
    "[stazioni]\r\n"
    "stazione,       0,  8,  300,  1, 0, 0,  5,6,0,  2,1,1,    1,  10,15,0, ORIGINE\r\n"
    "stazione,    6000,  12,  300,  0, 0, 0,  5,6,0,  2,1,1,    0,  10,25,0, STAZIONE NUOVA\r\n"
    "[segnali]\r\n"
    "segnale,    1450,   2, 2, 5,  6, 1,    2,  2,1,0, 0\r\n"
    "rallentamento,  8000,  30,  400,  1,  1,  0\r\n"
    "abbattimento,  9500,  60\r\n"
    "[fine]\r\n";

enum class esito {
    stessi_byte,  // the compiled files are the clean build's, and check finds no error
    avviso,       // a warning at the edited line, and no error anywhere
    errore,       // an error at the edited line (or about the whole edited file), compile exit 2
};

struct sbaglio {
    const char* nome;
    quale_file file;
    const char* da;  // replaced, first occurrence
    const char* a;
    esito atteso;
    int uscita = 2;  // compile's exit status after an error: 1 when no route could be built
};

void PrintTo(const sbaglio& s, std::ostream* os) { *os << s.nome; }

constexpr quale_file LIN = quale_file::linea;
constexpr quale_file SER = quale_file::servizio;
constexpr esito Uguale = esito::stessi_byte;
constexpr esito AVV = esito::avviso;
constexpr esito ERR = esito::errore;

// The line of the first byte where the two texts differ.
int riga_cambiata(const std::string& prima, const std::string& dopo) {
    std::size_t i = 0;
    while (i < prima.size() && i < dopo.size() && prima[i] == dopo[i]) ++i;
    int riga = 1;
    for (std::size_t k = 0; k < i; ++k) riga += dopo[k] == '\n' ? 1 : 0;
    return riga;
}

std::string elenco(const analisi& a) {
    std::string r;
    for (const rilievo& d : a.diagnostiche)
        r += std::string(d.file == LIN ? "line:" : "service:") + std::to_string(d.riga) + ":" + std::to_string(d.colonna) +
             (d.severita == gravita::errore ? " error " : d.severita == gravita::avviso ? " warning " : " note ") +
             d.messaggio + "\n";
    return r;
}

const file_compilati& compilati_puliti() {
    static const file_compilati f = compila_e_serializza(linea_pulita, servizio_pulito);
    return f;
}

TEST(AuthorMistakeBase, TheCleanScenarioHasNoFinding) {
    const analisi a = analizza(&linea_pulita, &servizio_pulito);
    EXPECT_TRUE(a.diagnostiche.empty()) << elenco(a);
    EXPECT_EQ(compilati_puliti().stato, 0);
    EXPECT_FALSE(compilati_puliti().percorso.empty());
}

class AuthorMistakeTable : public ::testing::TestWithParam<sbaglio> {};

TEST_P(AuthorMistakeTable, SameBytesOrAFindingWhereItWasWritten) {
    const sbaglio& s = GetParam();
    std::string linea = linea_pulita, servizio = servizio_pulito;
    std::string& cambiato = s.file == LIN ? linea : servizio;
    const std::size_t i = cambiato.find(s.da);
    ASSERT_NE(i, std::string::npos) << s.da;
    cambiato.replace(i, std::string(s.da).size(), s.a);
    const int riga = riga_cambiata(s.file == LIN ? linea_pulita : servizio_pulito, cambiato);

    const analisi a = analizza(&linea, &servizio);
    if (s.atteso == Uguale) {
        const file_compilati f = compila_e_serializza(linea, servizio);
        EXPECT_EQ(a.errori, 0) << elenco(a);
        EXPECT_TRUE(f.linea == compilati_puliti().linea && f.servizio == compilati_puliti().servizio &&
                    f.percorso == compilati_puliti().percorso)
            << "the compiled bytes differ from the clean build's, and check says:\n" << elenco(a);
        return;
    }
    const gravita g = s.atteso == ERR ? gravita::errore : gravita::avviso;
    bool trovato = false;
    for (const rilievo& d : a.diagnostiche)
        trovato = trovato || (d.file == s.file && d.severita == g && (d.riga == riga || (s.atteso == ERR && d.riga == 0)));
    EXPECT_TRUE(trovato) << "expected " << (s.atteso == ERR ? "an error" : "a warning") << " at line " << riga
                         << "; check says:\n" << elenco(a);
    if (s.atteso == AVV) {
        EXPECT_EQ(a.errori, 0) << elenco(a);
    }

    // The language server publishes for the edited file what check reports there (each file read
    // with the other, as check reads the pair).
    const lsp::document_analysis editore =
        s.file == LIN ? lsp::analyse(lsp::document_kind::line, linea, nullptr, "", {}, {servizio})
                    : lsp::analyse(lsp::document_kind::service, servizio, &linea, "file:///l.txt");
    std::string pubblicato, atteso;
    for (const nlohmann::json& d : lsp::diagnostics_json(editore))
        pubblicato += std::to_string(d["range"]["start"]["line"].get<int>() + 1) + ":" +
                      std::to_string(d["range"]["start"]["character"].get<int>() + 1) + " " +
                      std::to_string(d["severity"].get<int>()) + " " + d["message"].get<std::string>() + "\n";
    for (const rilievo& d : a.diagnostiche) {
        if (d.file != s.file) continue;
        atteso += std::to_string(std::max(d.riga, 1)) + ":" + std::to_string(std::max(d.colonna, 1)) + " " +
                  std::to_string(d.severita == gravita::errore ? 1 : d.severita == gravita::avviso ? 2 : 3) + " " +
                  cp1252_to_utf8(d.messaggio + (d.nota.empty() ? "" : "; " + d.nota)) + "\n";
    }
    EXPECT_EQ(pubblicato, atteso);

    // The command agrees: exit 2 after an error, with the count at the end; 0 after warnings only.
    cartella_temporanea c;
    c.scrivi("l.txt", linea);
    c.scrivi("s.txt", servizio);
    const esecuzione e = avvia_in(c.percorso, programma_in_prova(), "compile l.txt s.txt --out o -q");
    EXPECT_EQ(e.uscita, s.atteso == ERR ? s.uscita : 0) << e.errori;
    EXPECT_EQ(c.esiste("o/Sorvanta_E48027.dat"), e.uscita != 1) << e.errori;
    const std::string conto = std::to_string(a.errori) + (a.errori == 1 ? " error, " : " errors, ") +
                              std::to_string(a.avvisi) + (a.avvisi == 1 ? " warning\n" : " warnings\n");
    EXPECT_TRUE(e.errori.ends_with(conto)) << e.errori;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AuthorMistakeTable,
    ::testing::Values(
        // Nothing the simulator gets changes.
        sbaglio{"MoreBlanks", LIN, "pendenza,   3000,    -3", "pendenza,3000,  -3", Uguale},
        sbaglio{"CommentLine", SER, "[segnali]\r\n", "[segnali]\r\n- segnali della linea\r\n", Uguale},
        sbaglio{"HeaderInCapitals", LIN, "[curve]", "[CURVE]", Uguale},
        sbaglio{"KeywordInCapitals", SER, "segnale,", "SEGNALE,", Uguale},
        sbaglio{"PositionOffTheGridInTheSameCell", SER, "segnale,    1450", "segnale,    1460", Uguale},
        sbaglio{"ExtraField", SER, "sabbia,    300", "sabbia,    300, 5", Uguale},
        sbaglio{"WordLikeNoKeyword", SER, "[fine]", "appunti\r\n[fine]", Uguale},
        // Keyword typos: the entry is dropped.
        sbaglio{"GradientTypo", LIN, "pendenza,   3000", "pendenxa,   3000", ERR},
        sbaglio{"MountainTypo", LIN, "montagna", "montgana", ERR},
        sbaglio{"CurveTypo", LIN, "curvad4", "cruvad4", ERR},
        sbaglio{"SignBoardTypo", LIN, "cartello_indicatore", "cartelo_indicatore", ERR},
        sbaglio{"SpeedIndicatorTypo", LIN, "indicatori_vmax", "indicatore_vmax", ERR},
        sbaglio{"StationTypo", SER, "stazione,    6000", "stazoine,    6000", ERR},
        sbaglio{"SignalPlural", SER, "segnale,", "segnali,", ERR},
        sbaglio{"SlowdownTypo", SER, "rallentamento", "rallentameno", ERR},
        sbaglio{"SpeedBoardTypo", SER, "abbattimento", "abatimento", ERR},
        sbaglio{"SpeedTypo", SER, "velocita,   2000", "veloctia,   2000", ERR},
        sbaglio{"AdhesionTypo", SER, "aderenza", "adernza", ERR},
        sbaglio{"ClockTypo", SER, "orologio", "orlogio", ERR},
        sbaglio{"NoKeyword", SER, "segnale,    1450", "1450", ERR},
        sbaglio{"LineEntryInTheService", SER, "[fine]", "pendenza,   3000,    2\r\n[fine]", ERR},
        // A third comment line in a row is read as an entry.
        sbaglio{"ThirdCommentLine", SER, "numero vetture", "-- velocita,   0,    60\r\nnumero vetture", ERR},
        // Missing sections.
        sbaglio{"NoCurveHeader", LIN, "[curve]\r\n", "", ERR},
        sbaglio{"NoGeneralHeaderInTheLine", LIN, "[generale]\r\n", "", ERR, 1},
        sbaglio{"NoGeneralHeaderInTheService", SER, "[generale]\r\n", "", ERR},
        // Missing fields: the next fields slide in.
        sbaglio{"StationOneNumberShort", SER, "10,25,0, STAZIONE NUOVA", "10,25, STAZIONE NUOVA", ERR},
        sbaglio{"SignalOneNumberShort", SER, "2,1,0, 0\r\n", "2,1,0\r\n", ERR},
        sbaglio{"SpeedIndicatorOneNumberShort", LIN, "105,  0\r\n", "105\r\n", ERR},
        sbaglio{"CoachCountMissing", SER, "numero vetture,    6", "numero vetture", ERR},
        // Out of range: wrapped, packed into the next digit, or a failed reading.
        sbaglio{"AdhesionWraps", SER, "aderenza,   0,    100", "aderenza,   0,    300", ERR},
        sbaglio{"GradientWraps", LIN, "pendenza,   0,    5", "pendenza,   0,    200", ERR},
        sbaglio{"MountainKindWraps", LIN, "1000,  2000,  12", "1000,  2000,  300", ERR},
        sbaglio{"SignalDigitRunsOn", SER, "2, 2, 5,  6", "2, 12, 5,  6", ERR},
        sbaglio{"SpeedTooHigh", SER, "velocita,   2000,    100", "velocita,   2000,    2000", ERR},
        sbaglio{"StationTypeTooLarge", SER, "stazione,    6000,  12", "stazione,    6000,  300", ERR},
        sbaglio{"BeyondTheRoute", SER, "abbattimento,  9500", "abbattimento,  40000", ERR},
        sbaglio{"TooCloseToTheRoutesEnd", SER, "segnale,    1450", "segnale,    18990", ERR},
        // Decimal, exponent and negative values.
        sbaglio{"DecimalSpeed", SER, "velocita,   2000,    100", "velocita,   2000,    100.5", ERR},
        sbaglio{"ExponentSpeed", SER, "velocita,   2000,    100", "velocita,   2000,    1e2", ERR},
        sbaglio{"ThousandsSeparator", SER, "stazione,    6000", "stazione,    6.000", ERR},
        sbaglio{"DecimalPosition", LIN, "pendenza,   3000", "pendenza,   3000.0", ERR},
        sbaglio{"NegativeSlowdownLength", SER, "8000,  30,  400", "8000,  30,  -400", ERR},
        sbaglio{"NegativeAdhesion", SER, "aderenza,   0,    100", "aderenza,   0,    -5", ERR},
        sbaglio{"MountainEndsBeforeItStarts", LIN, "1000,  2000,  12", "1000,  -2000,  12", ERR},
        // Duplicates.
        sbaglio{"StationTwice", SER, "[segnali]",
                "stazione,    6000,  12,  300,  0, 0, 0,  5,6,0,  2,1,1,    0,  10,25,0, STAZIONE NUOVA\r\n[segnali]", ERR},
        sbaglio{"SignalTwice", SER, "rallentamento", "segnale,    1450,   2, 2, 5,  6, 1,    2,  2,1,0, 0\r\nrallentamento", ERR},
        sbaglio{"SignBoardTwice", LIN, "[fine]", "cartello_indicatore,  510,   (PONTE)\r\n[fine]", ERR},
        // Written against stored: rounded, packed into the next field, given twice, out of order.
        sbaglio{"SpeedIndicatorNotAStep", LIN, "indicatori_vmax,  4000,  95,", "indicatori_vmax,  4000,  72,", ERR},
        sbaglio{"SpeedIndicatorRightRounded", LIN, "105,  0,  95,", "105,  0,  97,", AVV},
        sbaglio{"StripesRunOn", LIN, "105,  0,  95", "105,  1,  95,  100,  105,  12\r\n", ERR},
        sbaglio{"SpeedRounded", SER, "velocita,   2000,    100", "velocita,   2000,    72", AVV},
        sbaglio{"SpeedTwiceInOneCell", SER, "velocita,   2000,    100", "velocita,   2000,    100\r\nvelocita,   2010,    90", ERR},
        sbaglio{"GradientTwiceAtOnePosition", LIN, "pendenza,   3000,    -3", "pendenza,   3000,    -3\r\npendenza,   3000,    -2", ERR},
        sbaglio{"SecondLength", LIN, "lunghezza percorso,    12000", "lunghezza percorso,    12000\r\nlunghezza percorso,    13000", ERR},
        sbaglio{"SandTwice", SER, "sabbia,    300", "sabbia,    300\r\nsabbia,    200", ERR},
        sbaglio{"CoachCountTwice", SER, "sabbia,    300", "sabbia,    300\r\nnumero vetture,    7", ERR},
        sbaglio{"MountainTwice", LIN, "montagna,  1000,  2000,  12", "montagna,  1000,  2000,  12\r\nmontagna,  1000,  2000,  12", ERR},
        sbaglio{"MountainOnNoCell", LIN, "[montagne]\r\n", "[montagne]\r\nmontagna,  500,  520,  1\r\n", ERR},
        sbaglio{"MountainsJoined", LIN, "montagna,  1000,  2000,  12", "montagna,  1000,  2000,  12\r\nmontagna,  2100,  2600,  1", AVV},
        sbaglio{"StationHours31", SER, "10,25,0, STAZIONE NUOVA", "31,25,0, STAZIONE NUOVA", AVV},
        sbaglio{"StationMinutes75", SER, "10,25,0, STAZIONE NUOVA", "10,75,0, STAZIONE NUOVA", ERR},
        sbaglio{"StationSecondsNegative", SER, "10,25,0, STAZIONE NUOVA", "10,25,-5, STAZIONE NUOVA", ERR},
        sbaglio{"Clock2570", SER, "orologio,    10 14 20", "orologio,    25 70 20", AVV},
        sbaglio{"TimeBeforeTheDeparture", SER, "10,25,0, STAZIONE NUOVA", "9,25,0, STAZIONE NUOVA", AVV},
        sbaglio{"StopWithNoTime", SER, "    0,  10,25,0, STAZIONE NUOVA", "    30,  0,0,0, STAZIONE NUOVA", AVV},
        sbaglio{"NegativeCoachCount", SER, "numero vetture,    6", "numero vetture,    -6", AVV},
        sbaglio{"StationWithoutAName", SER, "10,25,0, STAZIONE NUOVA", "10,25,0, ", AVV},
        sbaglio{"SignalInTheRunOut", SER, "segnale,    1450", "segnale,    12500", AVV},
        sbaglio{"SpeedBoardBelowZero", SER, "abbattimento,  9500,  60", "abbattimento,  9500,  -60", AVV},
        sbaglio{"SpeedBoardLoweredByTheFinishingPass", SER, "rallentamento,",
                "abbattimento,  6400,  200\r\nabbattimento,  6350,  150\r\n"
                "segnale,    6400,   2, 2, 5,  6, 1,    2,  2,1,0, 0\r\nrallentamento,", AVV},
        // Values the compile stores as 0 by its rules.
        sbaglio{"FirstStationField5", SER, "300,  1, 0, 0,  5,6,0,  2,1,1,    1,", "300,  1, 1, 0,  5,6,0,  2,1,1,    1,", AVV},
        sbaglio{"FirstStationField6", SER, "300,  1, 0, 0,  5,6,0,  2,1,1,    1,", "300,  1, 0, 1,  5,6,0,  2,1,1,    1,", AVV},
        sbaglio{"ShortStationField5", SER, "6000,  12,  300,  0, 0, 0,", "6000,  12,  300,  0, 1, 0,", AVV},
        sbaglio{"EarlySlowdownPreWarning", SER, "rallentamento,  8000,  30,  400,  1,  1,  0",
                "rallentamento,  1200,  30,  400,  1,  1,  0", AVV},
        sbaglio{"SignalTimeNotKept", SER, "1450,   2, 2, 5,  6, 1,    2,  2,1,0, 0", "1450,   1, 2, 5,  6, 1,    2,  2,1,0, 150", AVV},
        // Lines the author meant left out, read all the same.
        sbaglio{"HashComment", SER, "abbattimento,  9500,  60", "# abbattimento,  9500,  60", ERR},
        sbaglio{"SlashComment", LIN, "pendenza,   3000,    -3", "// pendenza,   3000,    -3", ERR},
        sbaglio{"SemicolonComment", SER, "velocita,   2000,    100", ";velocita,   2000,    100", ERR},
        sbaglio{"EntryAfterFine", SER, "[fine]\r\n", "[fine]\r\nabbattimento,  9000,  50\r\n", ERR},
        // A station's stop marker takes its cell whatever stands there.
        sbaglio{"StopMarkerOverSpeedBoard", SER, "[stazioni]", "abbattimento,  6100,  60\r\n[stazioni]", ERR},
        sbaglio{"StopMarkerOverLineSign", LIN, "cartello_indicatore,  500,", "cartello_indicatore,  6050,", ERR},
        // A slowdown written before the station: read after it, it would stop the compile (status 19).
        sbaglio{"StopMarkerOverSlowdownStart", SER, "[stazioni]", "rallentamento,  6050,  30,  400,  1,  1,  0\r\n[stazioni]", ERR},
        sbaglio{"StopMarkerOverSlowdownEnd", SER, "[stazioni]", "rallentamento,  5650,  30,  400,  1,  1,  0\r\n[stazioni]", ERR},
        sbaglio{"SlowdownEndOnAStopMarker", SER, "rallentamento,  8000,  30,  400,", "rallentamento,  5650,  30,  400,", ERR},
        // Encodings: a UTF-8 name is stored as its bytes.
        sbaglio{"Utf8Name", SER, "STAZIONE NUOVA", "CITT\xC3\x80", AVV}),
    [](const ::testing::TestParamInfo<sbaglio>& i) { return std::string(i.param.nome); });

// What a finding says leads to the fix: its range agrees with the limit it states, the cause is
// the one written, and the rule that was broken is named.
TEST(AuthorMistakeMessages, SayWhatHappenedAndWhatToDo) {
    struct riga {
        const char* nome;
        quale_file file;
        const char* da;
        const char* a;
        std::vector<const char*> detto;  // in the finding at the edited line (message and note)
        std::vector<const char*> non_detto;
    };
    const riga righe[] = {
        {"TooCloseToTheEnd", SER, "segnale,    1450", "segnale,    18990",
         {"18990 m lies too close to the route's end: items stand at 18900 m at most", "the route ends at 19000 m",
          "needs 100 m of it after its position"},
         {"beyond"}},
        {"BeyondTheEnd", SER, "abbattimento,  9500", "abbattimento,  40000",
         {"40000 m lies beyond the route: items stand at 18900 m at most"}, {}},
        {"NegativeSlowdownLength", SER, "8000,  30,  400", "8000,  30,  -400",
         {"slowdown length -400 m is negative: its end lies before its start"}, {"shorter than 50 m"}},
        {"ShortSlowdown", SER, "8000,  30,  400", "8000,  30,  20", {"a slowdown shorter than 50 m"}, {}},
        {"ThirdCommentLine", SER, "numero vetture", "-- velocita,   0,    60\r\nnumero vetture",
         {"a comment is read as the entry \"velocita\": only two comment fields in a row are passed over"}, {}},
        {"StationOneNumberShort", SER, "10,25,0, STAZIONE NUOVA", "10,25, STAZIONE NUOVA",
         {"too few fields: stazione takes 17 fields", "\"STAZIONE\" is read as its seconds",
          "the name is stored as \"NUOVA\""},
         {}},
        {"Exponent", SER, "velocita,   2000,    100", "velocita,   2000,    1e2", {"\"1e2\" is read as 0: a number with an exponent"}, {}},
        {"Utf8WithoutTheOption", SER, "STAZIONE NUOVA", "CITT\xC3\x80", {"looks like UTF-8", "--input-encoding utf-8"}, {}},
        {"FeatureInTheGeneralBlock", LIN, "[curve]\r\n", "", {"curvas6 stands in the general block, where it is not read"}, {}},
        // The flag's 100 m is the format's: the chainage is told as written.
        {"ChainageOffTheGrid", LIN, "0,    150300,    1", "0,    150310,    1",
         {"a kilometre reference's start (0 m) or chainage (150310 m) is not a multiple of 50"}, {"150410"}},
    };
    for (const riga& r : righe) {
        SCOPED_TRACE(r.nome);
        std::string linea = linea_pulita, servizio = servizio_pulito;
        std::string& cambiato = r.file == LIN ? linea : servizio;
        const std::size_t i = cambiato.find(r.da);
        ASSERT_NE(i, std::string::npos);
        cambiato.replace(i, std::string(r.da).size(), r.a);
        const int numero = riga_cambiata(r.file == LIN ? linea_pulita : servizio_pulito, cambiato);
        const analisi a = analizza(&linea, &servizio);
        std::string detto;
        for (const rilievo& d : a.diagnostiche)
            if (d.file == r.file && d.riga == numero) detto += d.messaggio + " | " + d.nota + "\n";
        for (const char* t : r.detto) EXPECT_NE(detto.find(t), std::string::npos) << t << "\n" << elenco(a);
        for (const char* t : r.non_detto) EXPECT_EQ(detto.find(t), std::string::npos) << t << "\n" << detto;
    }
}

// A speed that does not fit fails when the compile applies it, at the next speed entry: it is told
// once, where it is written (the compile records it there too), naming the entry that applies it,
// and not again at every later speed entry.
TEST(AuthorMistakeMessages, ASpeedThatDoesNotFitIsToldOnce) {
    std::string servizio = servizio_pulito;
    const std::string da = "velocita,   2000,    100\r\n";
    servizio.replace(servizio.find(da), da.size(),
                     "velocita,   1000,    2000\r\nvelocita,   2000,    100\r\nvelocita,   3000,    90\r\n"
                     "velocita,   4000,    80\r\n");
    const analisi a = analizza(&linea_pulita, &servizio);
    int dette = 0;
    for (const rilievo& d : a.diagnostiche) {
        if (d.messaggio.find("2000 km/h") == std::string::npos) continue;
        ++dette;
        EXPECT_EQ(d.riga, 9) << elenco(a);
        EXPECT_EQ(d.campo, "speed");
        EXPECT_EQ(d.valore, "2000");
        EXPECT_NE(d.nota.find("the speed entry of line 10 applies it"), std::string::npos) << d.nota;
        EXPECT_EQ(d.stato, 25);
    }
    EXPECT_EQ(dette, 1) << elenco(a);
    EXPECT_EQ(a.errori, 1) << elenco(a);
}

// What the walk finds after the compile stops is told, also where it lies before the stop: the
// stopping entry's own fields, a service without [generale] when the line's status stops the
// compile before the service.
TEST(AuthorMistakeMessages, WhatLiesBeforeTheStopIsToldToo) {
    struct caso {
        const char* nome;
        std::vector<std::pair<const char*, const char*>> linea, servizio;  // texts replaced
        int riga;  // 0: about the whole service
        const char* detto;
    };
    const caso casi[] = {
        // The name holds "stazione": after the unknown keyword the compile starts a station entry
        // there, which takes the next line's fields and stops the compile with its type.
        {"NameReadAsAKeyword", {},
         {{"stazione,       0,", "stazion,       0,"}, {"10,15,0, ORIGINE", "10,15,0, STAZIONE ORIGINE"}}, 11,
         "too few fields: stazione takes 17 fields after its keyword, line 11 has 0"},
        {"NoGeneraleAfterALineStop", {{"[fine]", "cartello_indicatore,  510,   (PONTE)\r\n[fine]"}},
         {{"[generale]", "[generalx]"}}, 0, "no [generale] in the service description"},
    };
    for (const caso& c : casi) {
        SCOPED_TRACE(c.nome);
        std::string linea = linea_pulita, servizio = servizio_pulito;
        for (const auto& [da, a] : c.linea) linea.replace(linea.find(da), std::string(da).size(), a);
        for (const auto& [da, a] : c.servizio) servizio.replace(servizio.find(da), std::string(da).size(), a);
        const analisi a = analizza(&linea, &servizio);
        int dette = 0;
        for (const rilievo& d : a.diagnostiche)
            dette += d.file == SER && d.riga == c.riga && d.severita == gravita::errore &&
                     d.messaggio.find(c.detto) != std::string::npos;
        EXPECT_EQ(dette, 1) << elenco(a);
    }
}

// A UTF-16 description (either byte order, with or without a byte order mark) is no description
// at all: compile and check refuse it by name, and the language server says so at the top.
TEST(AuthorMistakeEncodings, Utf16IsNamed) {
    auto utf16 = [](const std::string& t, bool big, bool mark) {
        std::string r = mark ? (big ? "\xFE\xFF" : "\xFF\xFE") : "";
        for (char c : t) {
            if (big) r += '\0';
            r += c;
            if (!big) r += '\0';
        }
        return r;
    };
    for (const bool big : {false, true}) {
        for (const bool mark : {false, true}) {
            SCOPED_TRACE(std::string(big ? "big" : "little") + (mark ? " with" : " without") + " mark");
            const std::string servizio = utf16(servizio_pulito, big, mark);
            const std::optional<std::string> detto = testo_utf16(servizio);
            ASSERT_TRUE(detto.has_value());
            EXPECT_NE(detto->find(big ? "big-endian" : "little-endian"), std::string::npos) << *detto;

            cartella_temporanea c;
            c.scrivi("l.txt", linea_pulita);
            c.scrivi("s.txt", servizio);
            for (const char* comando : {"check l.txt s.txt", "compile l.txt s.txt -o o",
                                        "check l.txt s.txt --input-encoding utf-8", "compile l.txt s.txt -o o --input-encoding utf-8"}) {
                const esecuzione e = avvia_in(c.percorso, programma_in_prova(), comando);
                EXPECT_EQ(e.uscita, 1) << comando;
                EXPECT_EQ(e.errori, "s.txt: " + *detto + "; " + rimedio_utf16 + "\n") << comando;
            }
            EXPECT_FALSE(c.esiste("o"));

            const lsp::document_analysis a = lsp::analyse(lsp::document_kind::service, servizio, &linea_pulita, "");
            const nlohmann::json d = lsp::diagnostics_json(a);
            ASSERT_FALSE(d.empty());
            EXPECT_EQ(d[0]["severity"], 1);
            EXPECT_EQ(d[0]["range"]["start"], nlohmann::json({{"line", 0}, {"character", 0}}));
            EXPECT_EQ(d[0]["message"].get<std::string>().find(*detto), 0U) << d.dump(1);
        }
    }
    // Windows-1252 text with accented letters, and text with a stray NUL, are not taken for UTF-16.
    EXPECT_FALSE(testo_utf16(servizio_pulito).has_value());
    EXPECT_FALSE(testo_utf16("[generale]\r\nstazione, 0, 8, 300, 1,0,0, 5,6,0, 2,1,1, 1, 10,15,0, CITT\xC0\r\n").has_value());
    EXPECT_FALSE(testo_utf16(std::string("[generale]\0\r\n[fine]\r\n", 20)).has_value());
}

// Names that become file names hold no character Windows refuses there; a plain check that finds
// nothing says so; a compile with an error and no status names that error on its last lines.
TEST(AuthorMistakeCommands, NamesQuietChecksAndTheFirstError) {
    cartella_temporanea c;
    c.scrivi("l.txt", linea_pulita);
    c.scrivi("s.txt", servizio_pulito);
    for (const char carattere : std::string(":*?\"<>|")) {
        for (const char* opzione : {"--scenario", "--train"}) {
            const std::string nome = std::string("A") + carattere + "B";
            const esecuzione e = avvia_in(c.percorso, programma_in_prova(),
                                          std::string("compile l.txt s.txt -o o ") + opzione + " '" + nome + "'");
            EXPECT_EQ(e.uscita, 64) << nome;
            EXPECT_NE(e.errori.find(std::string("holds '") + carattere + "', which Windows forbids in a file name"),
                      std::string::npos)
                << e.errori;
        }
    }
    EXPECT_FALSE(c.esiste("o"));
    EXPECT_EQ(avvia_in(c.percorso, programma_in_prova(), "compile l.txt s.txt -o o -q --scenario 'Val di Sole'").uscita, 0);

    const esecuzione pulito = avvia_in(c.percorso, programma_in_prova(), "check l.txt s.txt");
    EXPECT_EQ(pulito.uscita, 0);
    EXPECT_EQ(pulito.uscita_standard, "");
    EXPECT_EQ(pulito.errori, "no problem found in l.txt and s.txt\n");
    EXPECT_EQ(avvia_in(c.percorso, programma_in_prova(), "check l.txt s.txt --json").errori, "");

    std::string servizio = servizio_pulito;
    servizio.replace(servizio.find("segnale,"), 8, "segnali,");
    c.scrivi("s.txt", servizio);
    const esecuzione e = avvia_in(c.percorso, programma_in_prova(), "compile l.txt s.txt -o o -q");
    EXPECT_EQ(e.uscita, 2);
    EXPECT_TRUE(e.errori.ends_with("s.txt:14:1: error: unknown keyword \"segnali\": the entry is dropped\n"
                                   "1 error, 0 warnings\n"))
        << e.errori;
}

}  // namespace
