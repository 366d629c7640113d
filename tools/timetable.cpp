#include "tools/timetable.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>

#include "builder/costruzione.hpp"
#include "builder/sostituzione.hpp"
#include "core/encoding.hpp"
#include "diagnostics/rilievi_orario.hpp"
#include "platform/platform.hpp"
#include "timetable/train_file.hpp"
#include "tools/command.hpp"

namespace {

std::string fixed(double v, int decimals) {
    char b[64];
    std::snprintf(b, sizeof b, "%.*f", decimals, v);
    return b;
}

std::string signed_duration(double seconds) {
    const double r = std::nearbyint(seconds);
    const long long s = static_cast<long long>(std::fabs(r));
    char b[40];
    if (s >= 3600)
        std::snprintf(b, sizeof b, "%s%lld:%02lld:%02lld", r < 0 ? "-" : "+", s / 3600, s / 60 % 60, s % 60);
    else
        std::snprintf(b, sizeof b, "%s%lld:%02lld", r < 0 ? "-" : "+", s / 60, s % 60);
    return b;
}

std::string pad(std::string s, std::size_t width) {
    // Widths count characters of the UTF-8 text, not bytes.
    std::size_t chars = 0;
    for (char c : s) chars += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    if (chars < width) s.append(width - chars, ' ');
    return s;
}

nlohmann::ordered_json optional_number(const std::optional<double>& v) {
    return v ? nlohmann::ordered_json(*v) : nlohmann::ordered_json(nullptr);
}

nlohmann::ordered_json optional_time(const std::optional<std::int32_t>& v) {
    return v ? nlohmann::ordered_json(*v) : nlohmann::ordered_json(nullptr);
}

}  // namespace

std::string render_timetable_text(const timetable_result& r) {
    const train_model& m = r.train;
    std::string out = "train: " + m.name + ": " + fixed(m.mass_t, 1) + " t, " + fixed(m.length_m, 1) + " m, up to " +
                      fixed(m.max_speed_kmh, 0) + " km/h, service braking " + fixed(m.deceleration_ms2, 3) + " m/s2\n";
    out += pad("station", 28) + pad("position", 10) + pad("", 6) + pad("scheduled", 14) + pad("earliest", 27) +
           pad("min run", 9) + pad("margin", 17) + "verdict\n";
    for (const timetable_row& row : r.rows) {
        std::string scheduled, earliest;
        if (row.scheduled_arrival_s) scheduled = "arr " + clock_text(*row.scheduled_arrival_s);
        if (row.scheduled_departure_s) scheduled = "dep " + clock_text(*row.scheduled_departure_s);
        if (row.scheduled_passing_s) scheduled = "pass " + clock_text(*row.scheduled_passing_s);
        if (row.earliest_arrival_s) earliest = "arr " + clock_text(*row.earliest_arrival_s);
        if (row.earliest_departure_s) earliest += (earliest.empty() ? "" : " ") + std::string("dep ") + clock_text(*row.earliest_departure_s);
        if (row.earliest_passing_s) earliest = "pass " + clock_text(*row.earliest_passing_s);
        std::string run, margin;
        if (row.min_running_time_s) run = signed_duration(*row.min_running_time_s).substr(1);
        if (row.margin_s) margin = signed_duration(*row.margin_s) + " (" + fixed(*row.margin_pct, 1) + " %)";
        out += pad(cp1252_to_utf8(row.name), 28) + pad(std::to_string(row.position_m) + " m", 10) +
               pad(row.stops ? "stop" : "pass", 6) + pad(scheduled, 14) + pad(earliest, 27) + pad(run, 9) +
               pad(margin, 17) + verdict_name(row.v);
        while (!out.empty() && out.back() == ' ') out.pop_back();
        out += "\n";
    }
    out += "total running time " + signed_duration(r.total_running_time_s).substr(1) +
           " (origin to terminus, every stop's minimum dwell included)\n";
    return out;
}

std::string render_timetable_json(const timetable_result& r) {
    const train_model& m = r.train;
    nlohmann::ordered_json train;
    train["name"] = m.name;
    train["mass_t"] = m.mass_t;
    train["rotating_mass_factor"] = m.rotating_mass_factor;
    train["length_m"] = m.length_m;
    train["max_speed_kmh"] = m.max_speed_kmh;
    train["resistance"] = {{"a_kn", m.resistance_a_kn},
                           {"b_kn_per_kmh", m.resistance_b_kn_per_kmh},
                           {"c_kn_per_kmh2", m.resistance_c_kn_per_kmh2}};
    train["traction"] = {{"speed_kmh", m.traction_speed_kmh}, {"force_kn", m.traction_force_kn}};
    train["traction"]["adhesive_mass_t"] = optional_number(m.adhesive_mass_t);
    train["braking"] = {{"deceleration_ms2", m.deceleration_ms2}};
    nlohmann::ordered_json stations = nlohmann::ordered_json::array();
    for (const timetable_row& row : r.rows) {
        nlohmann::ordered_json j;
        j["name"] = cp1252_to_utf8(row.name);
        j["position_m"] = row.position_m;
        j["stop_point_m"] = row.stop_point_m;
        j["stops"] = row.stops;
        j["scheduled_arrival_s"] = optional_time(row.scheduled_arrival_s);
        j["scheduled_departure_s"] = optional_time(row.scheduled_departure_s);
        j["scheduled_passing_s"] = optional_time(row.scheduled_passing_s);
        j["earliest_arrival_s"] = optional_number(row.earliest_arrival_s);
        j["earliest_departure_s"] = optional_number(row.earliest_departure_s);
        j["earliest_passing_s"] = optional_number(row.earliest_passing_s);
        j["minimum_dwell_s"] = row.minimum_dwell_s;
        j["min_running_time_s"] = optional_number(row.min_running_time_s);
        j["margin_s"] = optional_number(row.margin_s);
        j["margin_pct"] = optional_number(row.margin_pct);
        j["verdict"] = row.v == verdict::none ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(verdict_name(row.v));
        stations.push_back(std::move(j));
    }
    nlohmann::ordered_json doc;
    doc["train"] = std::move(train);
    doc["stations"] = std::move(stations);
    doc["total_running_time_s"] = r.total_running_time_s;
    return doc.dump(2) + "\n";
}

std::string render_run_csv(const timetable_result& r) {
    std::string out = "position_m,speed_kmh,time_s,limit_kmh\n";
    // The dwells: a stop's minimum dwell counts from the metre it stops at on.
    std::vector<std::pair<std::int32_t, double>> dwells;
    for (const timetable_row& row : r.rows)
        if (row.minimum_dwell_s > 0) dwells.emplace_back(row.stop_point_m, row.minimum_dwell_s);
    double waited = 0;
    std::size_t next = 0;
    for (std::size_t i = 0; i < r.run.speed_ms.size(); ++i) {
        const std::int32_t at = r.first_metre + static_cast<std::int32_t>(i);
        out += std::to_string(at) + "," + fixed(r.run.speed_ms[i] * 3.6, 3) + "," + fixed(r.run.time_s[i] + waited, 3) +
               "," + fixed(r.run.effective_limit_kmh[i], 0) + "\n";
        while (next < dwells.size() && dwells[next].first <= at) waited += dwells[next++].second;
    }
    return out;
}

// The model of --train-model, or the one made from the service; false after reporting why not.
bool train_of(const std::string& model_file, const stato_build& s, train_model& model) {
    if (model_file.empty()) {
        model = default_train_model(s);
        return true;
    }
    std::string text, reason, error;
    if (!platform::read_file(model_file, text, reason, dimensione_massima_descrizione)) {
        platform::report_failure("cannot open " + model_file + ": " + reason);
        return false;
    }
    if (!read_train_model(model_file, text, model, error)) {
        platform::report_failure(error);
        return false;
    }
    return true;
}

bool add_timetable_findings(analisi& a, const std::string& line_text, const std::string& service_text,
                            const std::string& model_file) {
    stato_build s;
    if (!compila_testi(s, line_text, service_text)) return true;  // the reading's findings say why
    train_model model;
    if (!train_of(model_file, s, model)) return false;
    aggiungi_rilievi_orario(a, service_text, s, model);
    return true;
}

void add_document_findings(analisi& a, const std::string& service_text) { aggiungi_rilievi_documenti(a, service_text); }

int timetable_files(const timetable_request& q) {
    std::string line_text, service_text;
    if (!read_description(q.line_file, q.encoding, line_text)) return 1;
    if (!read_description(q.service_file, q.encoding, service_text)) return 1;

    stato_build s;
    s.scenario = "Sorvanta";
    s.treno = "E48027";
    const descrizioni d = descrizioni_in_memoria(q.line_file, line_text, q.service_file, service_text);
    try {
        // With the plan, so that the curves count.
        if (const std::int32_t fatal = compila(s, {.piano = true}, d); fatal != 0) {
            platform::report_failure(" Errore n. " + std::to_string(fatal));
            return 1;
        }
    } catch (const errore_esecuzione& e) {
        platform::report_failure(e.messaggio);
        return 1;
    }
    if (s.resoconto.errore_numero != 0)
        platform::report_note(diagnostica(s, d) + "; the timetable is worked out on what the simulator gets");

    train_model model;
    if (!train_of(q.model_file, s, model)) return 1;
    const timetable_result r = work_out_timetable(s, model);
    if (!r.problem.empty()) {
        platform::report_failure("no timetable: " + r.problem);
        return 1;
    }
    if (!q.curve_file.empty()) {
        try {
            make_parent_folder(q.curve_file);
            sostituisci_file(q.curve_file, render_run_csv(r));
        } catch (const platform::file_error& e) {
            platform::report_failure(e.message);
            return 1;
        }
    }
    std::cout << (q.json ? render_timetable_json(r) : render_timetable_text(r));
    std::cout.flush();
    for (const timetable_row& row : r.rows)
        if (row.v == verdict::infeasible) return 2;
    return 0;
}
