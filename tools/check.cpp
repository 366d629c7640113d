#include "tools/check.hpp"

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <nlohmann/json.hpp>

#include "core/encoding.hpp"
#include "core/indice_righe.hpp"
#include "core/stati.hpp"
#include "platform/platform.hpp"
#include "tools/timetable.hpp"

namespace {

const char* severity_name(gravita g) {
    switch (g) {
        case gravita::errore: return "error";
        case gravita::avviso: return "warning";
        case gravita::nota: break;
    }
    return "note";
}

const std::string& file_name(const checked_files& f, quale_file q) {
    return q == quale_file::linea ? f.line_name : f.service_name;
}

const std::string* file_text(const checked_files& f, quale_file q) {
    return q == quale_file::linea ? f.line_text : f.service_text;
}

std::string utf8(const std::string& cp1252) { return cp1252_to_utf8(cp1252); }

std::string plural(int n, const char* word) { return std::to_string(n) + " " + word + (n == 1 ? "" : "s"); }

// A terminal shows a finding's source line as a window of this many characters around the caret,
// and a quoted value of a message cut to this many: a line or value of megabytes would otherwise
// be printed whole, once for every finding on it (the JSON and SARIF outputs keep them whole).
constexpr std::size_t finestra_prima = 60;
constexpr std::size_t finestra = 200;
constexpr std::size_t citazione_massima = 80;

// The message with each quoted value longer than citazione_massima shortened to its start and
// end around "...".
std::string messaggio_breve(const std::string& m) {
    std::string r;
    std::size_t i = 0;
    while (i < m.size()) {
        const std::size_t a = m.find('"', i);
        const std::size_t b = a == std::string::npos ? std::string::npos : m.find('"', a + 1);
        if (b == std::string::npos) break;
        r.append(m, i, a + 1 - i);
        const std::size_t n = b - a - 1;
        // Its first 60 characters and its last 17 (with "...", 80 in all).
        if (n > citazione_massima)
            r.append(m, a + 1, citazione_massima - 20).append("...").append(m, b - 17, 17);
        else
            r.append(m, a + 1, n);
        r += '"';
        i = b + 1;
    }
    r.append(m, i, std::string::npos);
    return r;
}

}  // namespace

bool use_color(const std::string& mode, bool error_stream) {
    if (mode == "always") return true;
    if (mode == "never") return false;
    const char* no_color = std::getenv("NO_COLOR");
    if (no_color && *no_color) return false;
    return platform::is_terminal(error_stream);
}

std::string render_text(const analisi& a, const checked_files& f, bool color, bool summary) {
    auto paint = [&](const char* code, const std::string& s) {
        return color ? std::string("\x1b[") + code + "m" + s + "\x1b[0m" : s;
    };
    std::string out;
    // Each text's lines indexed once: a finding's source line is then found without a rescan.
    const indice_righe righe_linea = f.line_text ? indicizza_righe(*f.line_text) : indice_righe{};
    const indice_righe righe_servizio = f.service_text ? indicizza_righe(*f.service_text) : indice_righe{};
    for (const rilievo& d : a.diagnostiche) {
        std::string where = file_name(f, d.file);
        if (d.riga > 0) where += ":" + std::to_string(d.riga);
        if (d.riga > 0 && d.colonna > 0) where += ":" + std::to_string(d.colonna);
        const char* tint = d.severita == gravita::errore ? "1;31" : d.severita == gravita::avviso ? "1;35" : "1;36";
        out += paint("1", where + ":") + " " + paint(tint, std::string(severity_name(d.severita)) + ":") + " " +
               utf8(messaggio_breve(d.messaggio));
        if (d.stato != 0) out += " [status " + std::to_string(d.stato) + "]";
        out += "\n";
        const std::string* t = file_text(f, d.file);
        if (t && d.riga > 0) {
            const std::string_view line = testo_riga(*t, d.file == quale_file::linea ? righe_linea : righe_servizio, d.riga);
            const std::size_t col = d.colonna > 0 ? static_cast<std::size_t>(d.colonna - 1) : 0;
            // The window shown: the whole line when it is short enough.
            std::size_t da = 0, fino = line.size();
            if (line.size() > finestra) {
                const std::size_t campo = std::min(col, line.size());
                da = campo > finestra_prima ? campo - finestra_prima : 0;
                fino = std::min(line.size(), da + finestra);
            }
            const std::string prima = da > 0 ? "..." : "";
            out += "  " + prima + utf8(std::string(line.substr(da, fino - da))) + (fino < line.size() ? "..." : "") + "\n";
            if (d.colonna > 0) {
                std::string caret = "  " + std::string(prima.size(), ' ');
                for (std::size_t i = da; i < col && i < fino; ++i) caret += line[i] == '\t' ? '\t' : ' ';
                std::size_t width = d.fine > d.inizio ? d.fine - d.inizio : 1;
                if (col + width > fino && fino > col) width = fino - col;
                caret += "^" + std::string(width > 1 ? width - 1 : 0, '~');
                out += paint("1;32", caret) + "\n";
            }
        }
        std::string note = d.nota;
        if (d.correzione && note.find("did you mean") == std::string::npos)
            note += (note.empty() ? "" : "; ") + std::string("write \"") + *d.correzione + "\"";
        if (!note.empty()) out += "  " + paint("1;36", "note:") + " " + utf8(note) + "\n";
    }
    if (summary && !a.diagnostiche.empty()) out += finding_count(a) + "\n";
    return out;
}

std::string finding_count(const analisi& a) { return plural(a.errori, "error") + ", " + plural(a.avvisi, "warning"); }

std::string first_error(const analisi& a, const checked_files& f) {
    for (const rilievo& d : a.diagnostiche) {
        if (d.severita != gravita::errore) continue;
        std::string where = file_name(f, d.file);
        if (d.riga > 0) where += ":" + std::to_string(d.riga);
        if (d.riga > 0 && d.colonna > 0) where += ":" + std::to_string(d.colonna);
        return where + ": error: " + utf8(messaggio_breve(d.messaggio));
    }
    return "";
}

std::string render_json(const analisi& a, const checked_files& f) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const rilievo& d : a.diagnostiche) {
        nlohmann::ordered_json j;
        j["severity"] = severity_name(d.severita);
        j["file"] = file_name(f, d.file);
        j["line"] = d.riga;
        j["column"] = d.colonna;
        j["message"] = utf8(d.messaggio);
        j["field"] = d.campo.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(utf8(d.campo));
        j["status"] = d.stato == 0 ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(d.stato);
        j["position_m"] = d.posizione_m ? nlohmann::ordered_json(*d.posizione_m) : nlohmann::ordered_json(nullptr);
        j["value"] = utf8(d.valore);
        if (!d.intervallo.empty()) j["range"] = utf8(d.intervallo);
        if (!d.nota.empty()) j["note"] = utf8(d.nota);
        if (d.correzione) j["fix"] = utf8(*d.correzione);
        list.push_back(std::move(j));
    }
    nlohmann::ordered_json doc;
    doc["diagnostics"] = std::move(list);
    doc["errors"] = a.errori;
    doc["warnings"] = a.avvisi;
    return doc.dump(2) + "\n";
}

std::string render_sarif(const analisi& a, const checked_files& f) {
    nlohmann::ordered_json rules = nlohmann::ordered_json::array();
    std::size_t count = 0;
    const voce_stato* table = voci_stati(count);
    for (std::size_t i = 0; i < count; ++i) {
        nlohmann::ordered_json r;
        r["id"] = "status-" + std::to_string(table[i].numero);
        r["shortDescription"]["text"] = table[i].significato;
        rules.push_back(std::move(r));
    }
    // A finding without a build status takes its severity's name as its rule.
    for (gravita g : {gravita::errore, gravita::avviso, gravita::nota}) {
        nlohmann::ordered_json r;
        r["id"] = severity_name(g);
        r["shortDescription"]["text"] = std::string("a description ") + severity_name(g) + " without a build status";
        rules.push_back(std::move(r));
    }
    nlohmann::ordered_json results = nlohmann::ordered_json::array();
    for (const rilievo& d : a.diagnostiche) {
        nlohmann::ordered_json r;
        r["ruleId"] = d.stato != 0 && cerca_stato(d.stato) ? "status-" + std::to_string(d.stato)
                                                            : std::string(severity_name(d.severita));
        r["level"] = severity_name(d.severita);
        std::string text = utf8(d.messaggio);
        if (!d.nota.empty()) text += " (" + utf8(d.nota) + ")";
        r["message"]["text"] = text;
        nlohmann::ordered_json location;
        location["physicalLocation"]["artifactLocation"]["uri"] = file_name(f, d.file);
        if (d.riga > 0) {
            nlohmann::ordered_json region;
            region["startLine"] = d.riga;
            if (d.colonna > 0) {
                region["startColumn"] = d.colonna;
                region["endColumn"] = d.colonna + static_cast<int>(d.fine > d.inizio ? d.fine - d.inizio : 1);
            }
            location["physicalLocation"]["region"] = std::move(region);
        }
        r["locations"] = nlohmann::ordered_json::array({std::move(location)});
        nlohmann::ordered_json properties;
        properties["status"] = d.stato == 0 ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(d.stato);
        if (!d.campo.empty()) properties["field"] = utf8(d.campo);
        if (d.posizione_m) properties["position_m"] = *d.posizione_m;
        r["properties"] = std::move(properties);
        results.push_back(std::move(r));
    }
    nlohmann::ordered_json run;
    run["tool"]["driver"]["name"] = "genera_scenario";
    run["tool"]["driver"]["version"] = GS_VERSION;
    run["tool"]["driver"]["rules"] = std::move(rules);
    run["results"] = std::move(results);
    nlohmann::ordered_json log;
    log["$schema"] = "https://json.schemastore.org/sarif-2.1.0.json";
    log["version"] = "2.1.0";
    log["runs"] = nlohmann::ordered_json::array({std::move(run)});
    return log.dump(2) + "\n";
}

int check_files(const std::string& line_file, const std::string& service_file, input_encoding encoding,
                check_format format, const std::string& color, bool plan, const check_extras& extras) {
    const std::vector<std::string> files = {line_file, service_file};
    std::string line_text, service_text;
    for (auto [file, text] : {std::pair{&files[0], &line_text}, std::pair{&files[1], &service_text}}) {
        if (!read_description(*file, encoding, *text)) return 1;
    }
    opzioni_analisi o;
    o.piano = plan;
    o.campi = extras.timetable || extras.documents;  // the station fields they read
    analisi a = analizza(&line_text, &service_text, o);
    if (extras.timetable && !add_timetable_findings(a, line_text, service_text, extras.model_file)) return 1;
    if (extras.documents) add_document_findings(a, service_text);
    const checked_files f{files[0], files[1], &line_text, &service_text};
    switch (format) {
        case check_format::json: std::cout << render_json(a, f); break;
        case check_format::sarif: std::cout << render_sarif(a, f); break;
        case check_format::text:
            std::cout << render_text(a, f, use_color(color, false));
            if (a.diagnostiche.empty()) platform::report_note("no problem found in " + files[0] + " and " + files[1]);
            break;
    }
    std::cout.flush();
    return a.errori > 0 ? 2 : 0;
}
