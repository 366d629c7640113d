#include <gtest/gtest.h>

#include <sstream>

#include <nlohmann/json.hpp>

#include "avvia_programma.hpp"
#include "cartella_temporanea.hpp"
#include "harness/compila_in_memoria.hpp"
#include "lsp/answers.hpp"
#include "lsp/documents.hpp"
#include "lsp/layout.hpp"
#include "lsp/protocol.hpp"
#include "lsp/server.hpp"
#include "tests/ambiente.hpp"

namespace {

using lsp::position;

TEST(LspDocuments, EditsAtUtf16PositionsOverEveryLineEnd) {
    struct row {
        const char* before;
        position start, end;
        const char* text;
        const char* after;
    };
    // "è" is two UTF-8 bytes and one UTF-16 unit; "𝄞" four bytes and two units.
    const row rows[] = {
        {"ab\r\ncd\r\n", {1, 1}, {1, 2}, "X", "ab\r\ncX\r\n"},
        {"ab\ncd\n", {1, 0}, {1, 0}, "Z", "ab\nZcd\n"},
        {"ab\rcd", {1, 2}, {1, 2}, "!", "ab\rcd!"},
        {"città,1\n", {0, 5}, {0, 7}, ",2", "città,2\n"},
        {"\xF0\x9D\x84\x9E" "a,b", {0, 2}, {0, 3}, "", "\xF0\x9D\x84\x9E,b"},
        {"ab\ncd", {0, 9}, {7, 0}, "", "ab"},  // past a line's end and past the last line
        {"ab\ncd", {1, 1}, {0, 1}, "", "ad"},  // a range given backwards
        {"ab\r\ncd", {0, 2}, {1, 0}, " ", "ab cd"},
    };
    for (const row& r : rows) {
        lsp::open_document d{"file:///x_linea.txt", 1, r.before, lsp::document_kind::line};
        lsp::apply_change(d, {r.start, r.end, r.text});
        EXPECT_EQ(d.text, r.after) << r.before;
    }
    lsp::open_document d{"file:///x_linea.txt", 1, "old", lsp::document_kind::line};
    lsp::apply_change(d, {std::nullopt, {}, "new\r\n"});
    EXPECT_EQ(d.text, "new\r\n");
}

TEST(LspDocuments, ReaderTextKeepsOneByteForEveryEditorColumn) {
    EXPECT_EQ(lsp::reader_text("città €"), "citt\xE0 \x80");
    EXPECT_EQ(lsp::reader_text("a\xE2\x82\xAC" "b"), "a\x80" "b");
    EXPECT_EQ(lsp::reader_text("x\xE4\xB8\xAD" "y"), "x?y");            // a character the code page lacks
    EXPECT_EQ(lsp::reader_text("x\xF0\x9D\x84\x9E" "y"), "x??y");       // two UTF-16 units, two columns
}

TEST(LspDocuments, KindNamesAndPaths) {
    using lsp::document_kind;
    EXPECT_EQ(lsp::kind_of_document("file:///a/Sorvanta_linea.txt", ""), document_kind::line);
    EXPECT_EQ(lsp::kind_of_document("file:///a/Sorvanta_E48027-.txt", "lunghezza percorso, 10"), document_kind::service);
    EXPECT_EQ(lsp::kind_of_document("untitled:1", "[generale]\r\nLunghezza Percorso, 10\r\n"), document_kind::line);
    EXPECT_EQ(lsp::kind_of_document("untitled:2", "[generale]\r\nnumero vetture, 6\r\n"), document_kind::service);

    EXPECT_EQ(lsp::path_of_uri("file:///tmp/a%20b/c_linea.txt"), "/tmp/a b/c_linea.txt");
    EXPECT_EQ(lsp::path_of_uri("file:///C:/dati/x-.txt"), "C:/dati/x-.txt");
    EXPECT_EQ(lsp::path_of_uri("file:///c%3A/dati/x-.txt"), "c:/dati/x-.txt");
    EXPECT_EQ(lsp::path_of_uri("untitled:Untitled-1"), std::nullopt);

    EXPECT_EQ(lsp::line_name_for_service("Sorvanta_E48027-.txt"), "Sorvanta_linea.txt");
    EXPECT_EQ(lsp::line_name_for_service("Val_di_Sole_R12-.txt"), "Val_di_Sole_linea.txt");
    EXPECT_EQ(lsp::line_name_for_service("senza-.txt"), std::nullopt);
}

TEST(LspProtocol, FramesAndTheirFaults) {
    struct row {
        std::string input;
        lsp::frame_status status;
        std::string body;
    };
    const row rows[] = {
        {"Content-Length: 2\r\n\r\n{}", lsp::frame_status::message, "{}"},
        {"content-length:2\r\nContent-Type: x\r\n\r\n{}", lsp::frame_status::message, "{}"},
        {"\r\nContent-Length: 2\r\n\r\n{}", lsp::frame_status::message, "{}"},
        {"Content-Type: x\r\n\r\n", lsp::frame_status::bad_header, ""},
        {"Content-Length: -1\r\n\r\n", lsp::frame_status::bad_header, ""},
        {"garbage\r\nContent-Length: 2\r\n\r\n{}", lsp::frame_status::bad_header, ""},
        {"", lsp::frame_status::end_of_input, ""},
        {"Content-Length: 5\r\n\r\n{}", lsp::frame_status::cut_short, ""},
        {"Content-Length: 5\r\n", lsp::frame_status::cut_short, ""},
        {"Content-Length: 999999999999\r\n\r\n", lsp::frame_status::cut_short, ""},
    };
    for (const row& r : rows) {
        std::istringstream in(r.input);
        std::string body;
        EXPECT_EQ(lsp::read_frame(in, body), r.status) << r.input;
        if (r.status == lsp::frame_status::message) {
            EXPECT_EQ(body, r.body);
        }
    }
    std::ostringstream out;
    lsp::write_frame(out, "{\"a\":1}");
    EXPECT_EQ(out.str(), "Content-Length: 7\r\n\r\n{\"a\":1}");
}

std::string formatted(lsp::document_kind kind, const std::string& text) {
    const lsp::document_analysis a = lsp::analyse(kind, text, nullptr, "");
    return lsp::apply_edits(a.text, lsp::layout_edits(a.text, a.fields));
}

TEST(LspLayout, OnlyTheBlanksAfterCommasChange) {
    using lsp::document_kind;
    const std::string line_head = "[generale]\r\nlunghezza percorso,    39000\r\n[curve]\r\n";
    const std::string service_head = "[generale]\r\n";
    struct row {
        document_kind kind;
        const char* entry;
        const char* expected;
    };
    const row rows[] = {
        {document_kind::line, "  pendenza,100,\t2", "pendenza,  100,   2"},
        // Blanks in front of a comma might end a number early: they stay, and so does the gap after.
        {document_kind::line, "pendenza, 100 ,  2", "pendenza,  100 ,  2"},
        {document_kind::line, "cartello_indicatore,450,\"(A,B)\"", "cartello_indicatore,  450,   \"(A,B)\""},
        {document_kind::line, "indicatori_vmax,2200,80,85,85,0,,,,0", "indicatori_vmax,  2200,  80,  85,  85,  0,  ,  ,  ,  0"},
        {document_kind::line, "curvad4, 550,200", "curvad4,  550,  200"},
        {document_kind::line, "pendenzza, 550,200", "pendenzza, 550,200"},  // no entry: as written
        {document_kind::service, "orologio,10   14 20", "orologio,    10   14 20"},
        {document_kind::service, "velocita,2200,85", "velocita,    2200,    85"},
        {document_kind::service, "stazione,4000,24,200,0,0,0,0,0,0,4,1,1,0,0,0,0,  STAZIONE 2",
         "stazione,    4000, 24,  200,  0, 0, 0,  0,0,0,  4,1,1,    0,   0, 0, 0, STAZIONE 2"},
        {document_kind::service, "segnale,1450,2,2,5,6,1,2,2,1,0,0", "segnale,    1450,   2, 2, 5,  6, 1,    2,  2,1,0, 0"},
    };
    for (const row& r : rows) {
        const std::string head = r.kind == document_kind::line ? line_head : service_head;
        const std::string text = head + r.entry + "\r\n[fine]\r\n";
        const std::string once = formatted(r.kind, text);
        EXPECT_EQ(once, head + r.expected + "\r\n[fine]\r\n") << r.entry;
        EXPECT_EQ(formatted(r.kind, once), once) << r.entry;
    }
}

TEST(LspLayout, AMessyCopyOfTheExamplesFormatsToTheSameFilesAndCompilesTheSame) {
    // Every gap after a comma gets 0 to 4 blanks or a tab, and some lines blanks in front.
    auto mess = [](const std::string& text) {
        std::string out;
        int k = 0;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if ((i == 0 || text[i - 1] == '\n') && ++k % 3 == 0) out += "  ";
            out.push_back(text[i]);
            if (text[i] != ',') continue;
            while (i + 1 < text.size() && text[i + 1] == ' ') ++i;
            static const char* gaps[] = {"", " ", "\t", "   ", "    "};
            out += gaps[k++ % 5];
        }
        return out;
    };
    const std::string line = linea_incorporata();
    const std::string service = servizio_incorporato();
    const std::string messy_line = mess(line);
    const std::string messy_service = mess(service);
    ASSERT_NE(messy_line, line);
    const std::string line_fmt = formatted(lsp::document_kind::line, messy_line);
    const std::string service_fmt = formatted(lsp::document_kind::service, messy_service);
    EXPECT_EQ(line_fmt, formatted(lsp::document_kind::line, line));
    EXPECT_EQ(service_fmt, formatted(lsp::document_kind::service, service));
    EXPECT_EQ(formatted(lsp::document_kind::line, line_fmt), line_fmt);
    EXPECT_EQ(formatted(lsp::document_kind::service, service_fmt), service_fmt);

    const file_compilati original = compila_e_serializza(line, service);
    for (const auto& [l, s] : {std::pair{messy_line, messy_service}, std::pair{line_fmt, service_fmt}}) {
        const file_compilati other = compila_e_serializza(l, s);
        EXPECT_EQ(other.stato, original.stato);
        EXPECT_TRUE(other.linea == original.linea && other.servizio == original.servizio &&
                    other.percorso == original.percorso);
    }
}

TEST(LspLayout, FmtRewritesOrWithCheckListsAndChangesNothing) {
    cartella_temporanea c;
    const std::string messy = "[generale]\r\nlunghezza percorso,9000\r\n[curve]\r\ncurvas6,350, 100\r\n[fine]\r\n";
    const std::string tidy = "[generale]\r\nlunghezza percorso,    9000\r\n[curve]\r\ncurvas6,  350,  100\r\n[fine]\r\n";
    c.scrivi("M_linea.txt", messy);
    c.scrivi("T_linea.txt", tidy);
    auto fmt = [&](const std::string& arguments) { return avvia_in(c.percorso, programma_in_prova(), "fmt " + arguments); };

    esecuzione e = fmt("--check M_linea.txt T_linea.txt");
    EXPECT_EQ(e.uscita, 1);
    EXPECT_EQ(e.uscita_standard, "M_linea.txt\n");
    EXPECT_EQ(c.leggi("M_linea.txt"), messy);

    e = fmt("M_linea.txt T_linea.txt");
    EXPECT_EQ(e.uscita, 0) << e.errori;
    EXPECT_EQ(c.leggi("M_linea.txt"), tidy);
    EXPECT_EQ(c.leggi("T_linea.txt"), tidy);
    EXPECT_EQ(fmt("--check M_linea.txt").uscita, 0);

    e = fmt("missing_linea.txt");
    EXPECT_EQ(e.uscita, 1);
    EXPECT_NE(e.errori.find("cannot open missing_linea.txt: "), std::string::npos) << e.errori;
    EXPECT_EQ(fmt("--check").uscita, 64);
}

// The built-in pair in a folder, as Prova_linea.txt and Prova_E1-.txt, the service's time
// `from` written `to`, and a server started with `options` that has the service open.
struct timetable_session {
    cartella_temporanea folder;
    std::string service_uri;
    std::string service_text;
    lsp::server_state server;
    nlohmann::json published;  // the service's latest diagnostics

    timetable_session(const std::string& from, const std::string& to, const nlohmann::json& options) {
        service_text = servizio_incorporato();
        const std::size_t at = service_text.find(from);
        if (!from.empty() && at != std::string::npos) service_text.replace(at, from.size(), to);
        folder.scrivi("Prova_linea.txt", linea_incorporata());
        folder.scrivi("Prova_E1-.txt", service_text);
        service_uri = "file://" + folder.str() + "/Prova_E1-.txt";
        send({{"id", 1}, {"method", "initialize"}, {"params", {{"capabilities", nlohmann::json::object()},
                                                               {"initializationOptions", options}}}});
        send({{"method", "textDocument/didOpen"},
              {"params", {{"textDocument", {{"uri", service_uri}, {"version", 1}, {"text", service_text}}}}}});
    }

    std::vector<nlohmann::json> send(nlohmann::json message) {
        message["jsonrpc"] = "2.0";
        std::vector<nlohmann::json> out = lsp::handle_message(server, message);
        for (const nlohmann::json& m : out)
            if (m.value("method", "") == "textDocument/publishDiagnostics" && m["params"]["uri"] == service_uri)
                published = m["params"]["diagnostics"];
        return out;
    }

    std::string hover(std::uint32_t line, std::uint32_t character) {
        nlohmann::json params;
        params["textDocument"]["uri"] = service_uri;
        params["position"]["line"] = line;
        params["position"]["character"] = character;
        const auto out = send({{"id", 2}, {"method", "textDocument/hover"}, {"params", params}});
        if (out.empty() || !out[0].contains("result")) {
            ADD_FAILURE() << "no hover: " << nlohmann::json(out).dump();
            return std::string();
        }
        const nlohmann::json& r = out[0]["result"];
        return r.is_null() ? std::string() : r["contents"]["value"].get<std::string>();
    }
};

// A train too weak for the line's first climb: its traction beats the resistance on the level only.
const char* const weak_train =
    "name = \"weak\"\nmass_t = 372.0\nrotating_mass_factor = 1.08\nlength_m = 180.0\nmax_speed_kmh = 160.0\n"
    "[resistance]\na_kn = 1.0\nb_kn_per_kmh = 0.0\nc_kn_per_kmh2 = 0.0\n"
    "[traction]\nspeed_kmh = [0, 160]\nforce_kn = [3.0, 3.0]\n[braking]\ndeceleration_ms2 = 0.4\n";

TEST(LspTimetable, TheServicesDiagnosticsAreThoseOfCheckTimetable) {
    struct row {
        const char* what;
        const char* from;  // the terminus's time as the built-in service writes it, and as changed
        const char* to;
        const char* model;  // the train model file's text; empty: the train made from the service
        const char* expected;  // one of the findings
    };
    const row rows[] = {
        {"infeasible", "10,58, 0,", "10,40, 0,", "",
         "scheduled arrival 10:40:00, earliest arrival 10:51:15: 11 min 15 s short"},
        {"tight", "10,58, 0,", "10,51,30,", "", "15 s of margin (1.7 % of the 15 min 15 s the run takes)"},
        {"the built-in times", "", "", "", "over 10 %: slack"},
        {"a train that stalls", "", "", weak_train, "the timetable cannot be worked out: the train cannot go on at"},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.what);
        nlohmann::json options = {{"timetable", true}};
        timetable_session t(r.from, r.to, nullptr);
        std::string model_option;
        if (*r.model) {
            t.folder.scrivi("train.toml", r.model);
            options["trainModel"] = t.folder.str() + "/train.toml";
            model_option = " --train-model train.toml";
        }
        t.send({{"method", "workspace/didChangeConfiguration"}, {"params", {{"settings", options}}}});

        const esecuzione e = avvia_in(t.folder.percorso, programma_in_prova(),
                                      "check Prova_linea.txt Prova_E1-.txt --timetable --json" + model_option);
        const nlohmann::json check = nlohmann::json::parse(e.uscita_standard);
        std::vector<nlohmann::json> expected;
        for (const nlohmann::json& d : check["diagnostics"])
            if (d["file"] == "Prova_E1-.txt") expected.push_back(d);
        ASSERT_EQ(t.published.size(), expected.size()) << t.published.dump(1) << "\n" << e.uscita_standard;
        bool seen = false;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const nlohmann::json& c = expected[i];
            const nlohmann::json& l = t.published[i];
            const int severity = c["severity"] == "error" ? 1 : c["severity"] == "warning" ? 2 : 3;
            EXPECT_EQ(l["severity"], severity) << c.dump();
            const int line = c["line"].get<int>();
            EXPECT_EQ(l["range"]["start"]["line"].get<int>(), line > 0 ? line - 1 : 0) << c.dump();
            EXPECT_EQ(l["range"]["start"]["character"].get<int>(), line > 0 ? c["column"].get<int>() - 1 : 0);
            const std::string message = c["message"].get<std::string>() + "; " + c.value("note", "");
            EXPECT_EQ(l["message"], message);
            seen = seen || message.find(r.expected) != std::string::npos;
        }
        EXPECT_TRUE(seen) << e.uscita_standard;
    }
}

TEST(LspTimetable, OffUnlessAskedAndAModelThatCannotBeReadIsAnErrorAboutTheService) {
    timetable_session t("10,58, 0,", "10,40, 0,", {{"trainModel", "unused.toml"}});
    EXPECT_EQ(t.published, nlohmann::json::array()) << "a model alone does not turn the timetable on";
    EXPECT_EQ(t.hover(30, 63).find("**timetable**"), std::string::npos);

    t.folder.scrivi("broken.toml", "mass_t = 0\n");
    const std::string broken = t.folder.str() + "/broken.toml";
    const auto out = t.send({{"method", "workspace/didChangeConfiguration"},
                             {"params", {{"settings", {{"generaScenario", {{"timetable", true}, {"trainModel", broken}}}}}}}});
    ASSERT_EQ(out.size(), 1U) << "the open service is published again";
    ASSERT_EQ(t.published.size(), 1U);
    EXPECT_EQ(t.published[0]["severity"], 1);
    EXPECT_EQ(t.published[0]["range"]["start"], nlohmann::json({{"line", 0}, {"character", 0}}));
    const std::string message = t.published[0]["message"];
    EXPECT_EQ(message.find("the train model cannot be read: " + broken + ":1: "), 0U) << message;

    // The same settings again change nothing and publish nothing.
    EXPECT_TRUE(t.send({{"method", "workspace/didChangeConfiguration"},
                        {"params", {{"settings", {{"trainModel", broken}}}}}}).empty());
    // Back to the train made from the service: the infeasible time is an error at its fields.
    t.send({{"method", "workspace/didChangeConfiguration"}, {"params", {{"settings", {{"trainModel", nullptr}}}}}});
    ASSERT_EQ(t.published.size(), 2U);
    EXPECT_EQ(t.published[1]["severity"], 1);
    EXPECT_EQ(t.published[1]["range"]["start"], nlohmann::json({{"line", 30}, {"character", 62}}));
}

TEST(LspTimetable, HoverOnAStationsTimeGivesItsEarliestTimeMarginAndVerdict) {
    timetable_session t("10,58, 0,", "10,40, 0,", {{"timetable", true}});
    // Line 31 of the service: the terminus, "...    0,  10,40, 0, STAZIONE 10"; hours at column 63.
    for (std::uint32_t column : {62U, 66U, 69U}) {
        const std::string hover = t.hover(30, column);
        EXPECT_NE(hover.find("**timetable**: scheduled arrival 10:40:00, earliest arrival 10:51:15"), std::string::npos)
            << hover;
        EXPECT_NE(hover.find("margin -674.6 s (-73.8 %) on a minimum running time of 914.6 s: **infeasible**"),
                  std::string::npos)
            << hover;
    }
    // The origin has nothing to keep; a station passed without a time, when it passes.
    EXPECT_NE(t.hover(20, 63).find("**timetable**: scheduled departure 10:15:00, earliest departure 10:15:00"),
              std::string::npos);
    EXPECT_EQ(t.hover(20, 63).find("margin"), std::string::npos);
    EXPECT_NE(t.hover(21, 63).find("**timetable**: no scheduled time, earliest passing 10:17:22"), std::string::npos);
    // Other fields of the entry say nothing of the timetable.
    EXPECT_EQ(t.hover(30, 12).find("**timetable**"), std::string::npos);
}

TEST(LspTimetable, SettingsFromEitherPlace) {
    struct row {
        const char* settings;
        bool on;
        const char* model;
    };
    const row rows[] = {
        {R"({"timetable": true})", true, "keep.toml"},
        {R"({"generaScenario": {"timetable": false, "trainModel": "b.toml"}})", false, "b.toml"},
        {R"({"trainModel": "file:///tmp/a%20b/t.toml"})", true, "/tmp/a b/t.toml"},
        {R"({"trainModel": null})", true, ""},
        {R"({"timetable": "yes", "trainModel": 3})", true, "keep.toml"},  // of the wrong kind: ignored
        {R"(null)", true, "keep.toml"},
    };
    for (const row& r : rows) {
        lsp::timetable_settings t{true, "keep.toml"};
        lsp::read_timetable_settings(nlohmann::json::parse(r.settings), t);
        EXPECT_EQ(t.on, r.on) << r.settings;
        EXPECT_EQ(t.model_file, r.model) << r.settings;
    }
}

// A line read with the services beside it, as check reads each pair: a sign that a station's stop
// marker overwrites is told in the line's buffer, whether the service is open or only on disk, and
// goes when the service's buffer moves the station away.
TEST(LspPairs, ALineItemAStationOverwritesIsShownInTheLineBuffer) {
    const std::string line =
        "[generale]\r\nlunghezza percorso,    12000\r\nprogressiva chilometrica uno,    0,    150300,    1\r\n"
        "[indicazioni]\r\ncartello_indicatore,  6050,   (PONTE)\r\n[fine]\r\n";
    const std::string service =
        "[generale]\r\nnumero vetture,    6\r\norologio,    10 14 20\r\naderenza,   0,    100\r\n"
        "velocita,   0,    80\r\n[stazioni]\r\n"
        "stazione,       0,  8,  300,  1, 0, 0,  5,6,0,  2,1,1,    1,  10,15,0, ORIGINE\r\n"
        "stazione,    6000,  12,  300,  0, 0, 0,  5,6,0,  2,1,1,    0,  10,25,0, ARRIVO\r\n[fine]\r\n";
    cartella_temporanea folder;
    folder.scrivi("Prova_linea.txt", line);
    folder.scrivi("Prova_E1-.txt", service);
    const std::string line_uri = "file://" + folder.str() + "/Prova_linea.txt";
    const std::string service_uri = "file://" + folder.str() + "/Prova_E1-.txt";

    lsp::server_state server;
    nlohmann::json published_line;
    auto send = [&](nlohmann::json message) {
        message["jsonrpc"] = "2.0";
        for (const nlohmann::json& m : lsp::handle_message(server, message))
            if (m.value("method", "") == "textDocument/publishDiagnostics" && m["params"]["uri"] == line_uri)
                published_line = m["params"]["diagnostics"];
    };
    auto open = [&](const std::string& uri, const std::string& text) {
        send({{"method", "textDocument/didOpen"},
              {"params", {{"textDocument", {{"uri", uri}, {"version", 1}, {"text", text}}}}}});
    };
    send({{"id", 1}, {"method", "initialize"}, {"params", {{"capabilities", nlohmann::json::object()}}}});
    open(line_uri, line);

    // What check says about the line, read with its service.
    const esecuzione e =
        avvia_in(folder.percorso, programma_in_prova(), "check Prova_linea.txt Prova_E1-.txt --json");
    const nlohmann::json check = nlohmann::json::parse(e.uscita_standard);
    std::vector<nlohmann::json> expected;
    for (const nlohmann::json& d : check["diagnostics"])
        if (d["file"] == "Prova_linea.txt") expected.push_back(d);
    ASSERT_EQ(published_line.size(), expected.size()) << published_line.dump(1) << "\n" << e.uscita_standard;
    bool overwritten = false;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const nlohmann::json& c = expected[i];
        EXPECT_EQ(published_line[i]["range"]["start"]["line"].get<int>(), c["line"].get<int>() - 1);
        EXPECT_EQ(published_line[i]["range"]["start"]["character"].get<int>(), c["column"].get<int>() - 1);
        EXPECT_EQ(published_line[i]["message"], c["message"].get<std::string>() + "; " + c.value("note", ""));
        overwritten = overwritten || c["message"].get<std::string>().find("overwritten by the stop marker") != std::string::npos;
    }
    EXPECT_TRUE(overwritten) << e.uscita_standard;

    // The service's buffer moves the station away: its text, not the file's, is read with the line.
    std::string moved = service;
    moved.replace(moved.find("6000,  12"), 9, "9000,  12");
    open(service_uri, moved);
    EXPECT_TRUE(published_line.empty()) << published_line.dump(1);
    send({{"method", "textDocument/didChange"},
          {"params", {{"textDocument", {{"uri", service_uri}, {"version", 2}}}, {"contentChanges", {{{"text", service}}}}}}});
    ASSERT_EQ(published_line.size(), expected.size()) << published_line.dump(1);
}

}  // namespace
