#include "tools/dump.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>
#include <vector>

#include "core/celle.hpp"
#include "core/costanti.hpp"
#include "core/encoding.hpp"
#include "format/codec.hpp"
#include "format/file_binari.hpp"
#include "format/lettura_piano.hpp"
#include "platform/platform.hpp"

namespace {

using json = nlohmann::ordered_json;

// Texts come from the files as Windows-1252 and always convert to valid UTF-8; the replacing
// handler is there so that no byte sequence can make the dump throw.
std::string dumped(const json& j) { return j.dump(-1, ' ', false, json::error_handler_t::replace); }

// Writes one document as it is made: the summary, then the listed items one by one, then the
// notes. JSON and text are two renderings of the same keys and values.
struct listing {
    dump_format format;
    std::ostream& out;
    const char* items_key = "listed";
    bool first_item = true;
    std::vector<std::string> notes;
    std::size_t more_notes = 0;

    void begin(const json& summary) {
        if (format == dump_format::json) {
            std::string head = dumped(summary);
            head.pop_back();  // the closing brace: the items follow inside the same object
            out << head;
            return;
        }
        out << summary["kind"].get<std::string>() << " file " << summary["file"].get<std::string>() << ": "
            << summary["bytes"].get<std::size_t>() << " bytes\n";
        for (const auto& [key, value] : summary.items())
            if (key != "kind" && key != "file" && key != "bytes") out << key << ": " << text_value(value) << "\n";
    }
    void begin_items(const char* key) {
        items_key = key;
        if (format == dump_format::json) out << ",\"" << key << "\":[";
    }
    // One listed element. Its first key is the label and index ("cell": 30); a decoded cell's
    // metres, kind and, for an object placed by a rule, where it stands and the metres written
    // for it are shown first in text.
    void item(const json& fields) {
        if (format == dump_format::json) {
            out << (first_item ? "\n" : ",\n") << dumped(fields);
            first_item = false;
            return;
        }
        first_item = false;
        auto it = fields.begin();
        out << it.key() << " " << text_value(it.value());
        const bool ranged = fields.contains("from_m") && fields.contains("kind");
        if (ranged)
            out << " (" << text_value(fields["from_m"]) << " to " << text_value(fields["to_m"]) << " m)";
        out << ":";
        if (fields.contains("kind")) out << " " << fields["kind"].get<std::string>();
        if (fields.contains("role")) out << " " << fields["role"].get<std::string>();
        const bool placed = ranged && fields.contains("at_m");
        if (placed)
            out << " at " << text_value(fields["at_m"]) << " m (written " << text_value(fields["written_from_m"])
                << " to " << text_value(fields["written_to_m"]) << " m)";
        for (++it; it != fields.end(); ++it) {
            if (it.key() == "kind" || it.key() == "role") continue;
            if (ranged && (it.key() == "from_m" || it.key() == "to_m")) continue;
            if (placed && (it.key() == "at_m" || it.key() == "written_from_m" || it.key() == "written_to_m")) continue;
            out << " " << it.key() << "=" << text_value(it.value());
        }
        out << "\n";
    }
    void note(std::string n) {
        if (notes.size() < 20)
            notes.push_back(std::move(n));
        else
            ++more_notes;
    }
    void end() {
        if (more_notes > 0) notes.push_back("and " + std::to_string(more_notes) + " more like these");
        if (format == dump_format::json) {
            out << (first_item ? "]" : "\n]");
            if (!notes.empty()) out << ",\"notes\":" << dumped(json(notes));
            out << "}\n";
        } else {
            for (const std::string& n : notes) out << "note: " << n << "\n";
        }
    }

    static std::string text_value(const json& v) {
        if (v.is_array()) {
            std::string s;
            for (const json& e : v) s += (s.empty() ? "" : ",") + text_value(e);
            return s;
        }
        if (v.is_null()) return "empty";
        if (v.is_number_float()) {
            const double d = v.get<double>();
            char buffer[40];
            std::snprintf(buffer, sizeof buffer, "%.3f", d);
            return buffer;
        }
        return dumped(v);
    }
};

json summary(const std::string& path, const char* kind, std::size_t bytes) {
    json s;
    s["file"] = path;
    s["kind"] = kind;
    s["bytes"] = bytes;
    return s;
}

// ---- route cells

}  // namespace

const char* cell_kind_name(std::uint8_t t) {
    switch (t) {
        case tipo::libera: return "plain track";
        case tipo::segnale: return "signal";
        case tipo::fine_rallentamento: return "slowdown end";
        case tipo::inizio_rallentamento: return "slowdown start";
        case tipo::avviso_rallentamento: return "slowdown warning";
        case tipo::preavviso_rallentamento: return "slowdown pre-warning";
        case tipo::indicatori_velocita: return "speed indicator boards";
        case tipo::fermata_stazione: return "station stop";
        case tipo::marcatore_montagna: return "mountain marker";
        case tipo::tabella_con_valore: return "speed board";
        case tipo::tabella_senza_valore: return "speed board without value";
        case tipo::cartello: return "sign board";
        default: return "unknown";
    }
}

namespace {

// A listed cell's metres: its own 50 m of track (from_m, to_m), where its gradient, speed limit
// and adhesion hold, so that no two cells share a metre; and, for an object that found its cell
// by a rule, the metre it stands at and the whole metres written in a description that land in
// this cell, both ends included: point items at p go to cell nearest(p / 50 + 1), speed boards and
// pre-warning runs to nearest(p / 50). Neighbouring cells of one kind never share a written metre.
void cell_metres(std::uint8_t t, long long k, json& item) {
    const metri_cella_da_a propri = metri_propri_cella(k);
    item["from_m"] = propri.da;
    item["to_m"] = propri.a;
    const std::optional<regola_cella> r = regola_di_tipo(t);
    if (!r) return;
    const metri_cella_da_a scritti = metri_di_cella(*r, k);
    item["at_m"] = metro_di_cella(*r, k);
    item["written_from_m"] = scritti.da;
    item["written_to_m"] = scritti.a;
}

// The values of a cell's object in the author's units. Fields that the kind does not use are
// listed under their stored names when they are not 0, so that nothing stored is hidden.
void decode_object(const cella& c, std::size_t k, json& item) {
    bool used[5] = {false, false, false, false, false};  // valore1..4, tempo_segnale
    const std::int16_t v[4] = {c.valore1, c.valore2, c.valore3, c.valore4};
    switch (c.tipo_cella) {
        case tipo::segnale: {
            const std::optional<segnale_scritto> d = decodifica_segnale({{v[0], v[1], v[2], v[3]}, c.tempo_segnale});
            if (!d) break;
            item["left_kind"] = d->sx;
            item["left_values"] = d->sinistra;
            item["right_kind"] = d->dx;
            item["right_values"] = d->destra;
            item["rapp"] = d->rapp;
            item["time"] = d->tempo;
            for (bool& u : used) u = true;
            break;
        }
        case tipo::fine_rallentamento:
        case tipo::inizio_rallentamento:
            item["slowdown_speed_kmh"] = v[0];
            item["d_v"] = v[1];
            item["f_tt"] = v[2];
            used[0] = used[1] = used[2] = true;
            break;
        case tipo::avviso_rallentamento:
            item["slowdown_speed_kmh"] = v[0];
            item["d_v"] = v[1];
            used[0] = used[1] = true;
            break;
        case tipo::preavviso_rallentamento:
            item["step"] = v[0];
            used[0] = true;
            break;
        case tipo::indicatori_velocita: {
            // Each code is 20 x left speed + right speed / 5, read with speeds in steps of 5 km/h,
            // as the boards show them.
            const std::optional<strisce_lati> stripes = decodifica_strisce(v[3]);
            std::optional<velocita_lati> speeds[3];
            bool plain = stripes.has_value();
            for (std::size_t i = 0; i < 3; ++i) {
                speeds[i] = decodifica_indicatore(v[i]);
                plain = plain && speeds[i].has_value();
            }
            if (!plain) break;
            const char* names[3][2] = {{"a_left_kmh", "a_right_kmh"}, {"b_left_kmh", "b_right_kmh"},
                                       {"c_left_kmh", "c_right_kmh"}};
            for (std::size_t i = 0; i < 3; ++i) {
                item[names[i][0]] = speeds[i]->sinistra;
                item[names[i][1]] = speeds[i]->destra;
                used[i] = true;
            }
            item["left_stripes"] = stripes->sinistra;
            item["right_stripes"] = stripes->destra;
            used[3] = true;
            break;
        }
        case tipo::fermata_stazione:
            item["station_slot"] = v[0];
            used[0] = true;
            break;
        case tipo::tabella_con_valore:
            item["speed_kmh"] = v[0];
            used[0] = true;
            break;
        case tipo::cartello:
            item["sign_slot"] = v[0];
            used[0] = true;
            break;
        default:
            break;
    }
    // Cell 1 carries the build marker and the route check code.
    if (k == 1 && c.tipo_cella == tipo::libera) {
        item["build_marker"] = v[0];
        item["route_check_code"] = v[1];
        used[0] = used[1] = true;
    }
    const char* stored[4] = {"valore1", "valore2", "valore3", "valore4"};
    for (int i = 0; i < 4; ++i)
        if (!used[i] && v[i] != 0) item[stored[i]] = v[i];
    if (!used[4] && c.tempo_segnale != 0) item["tempo_segnale"] = c.tempo_segnale;
}

bool dump_route(const std::string& path, const std::string& bytes, listing& l, dump_values values,
                std::string& error) {
    std::vector<cella> cells;
    std::string reason;
    if (!leggi_file_percorso(bytes, cells, reason)) {
        error = path + ": not a route file: " + reason;
        return false;
    }
    json s = summary(path, "route", bytes.size());
    s["cells"] = cells.size();
    if (values == dump_values::decoded) {
        s["from_m"] = 0;
        s["to_m"] = static_cast<std::size_t>(metri_cella) * cells.size();
    }
    l.begin(s);
    l.begin_items("listed");
    const bool json_out = l.format == dump_format::json;
    // A cell is listed when it holds an object or when the track under it changes.
    for (std::size_t k = 0; k < cells.size(); ++k) {
        const cella& c = cells[k];
        bool object = false;
        bool track_changes = k == 0;
        for (std::size_t f = 0; f < layout_cella.size(); ++f) {
            const std::int64_t v = layout_cella[f].leggi(c);
            if (f < primo_campo_binario)
                object = object || v != 0;
            else
                track_changes = track_changes || v != layout_cella[f].leggi(cells[k - 1]);
        }
        if (!object && !track_changes) continue;
        json item;
        item["cell"] = k;
        if (values == dump_values::raw) {
            item["position_m"] = static_cast<std::size_t>(metri_cella) * k;
            for (std::size_t f = 0; f < layout_cella.size(); ++f) {
                const std::int64_t v = layout_cella[f].leggi(c);
                const bool track = f >= primo_campo_binario;
                if ((track && track_changes) || (!track && (v != 0 || json_out))) item[layout_cella[f].nome] = v;
            }
        } else {
            item["kind"] = cell_kind_name(c.tipo_cella);
            if (std::string(cell_kind_name(c.tipo_cella)) == "unknown") item["code"] = c.tipo_cella;
            cell_metres(c.tipo_cella, static_cast<long long>(k), item);
            decode_object(c, k, item);
            if (c.preavviso != 0 || json_out) item["approach_code"] = c.preavviso;
            if (track_changes || json_out) {
                item["gradient_per_mille"] = decodifica_pendenza(c.pendenza);
                item["speed_limit_kmh"] = decodifica_velocita(c.velocita_limite);
                item["adhesion"] = c.aderenza;
                item["mountain"] = c.montagna;
            }
        }
        l.item(item);
    }
    l.end();
    return true;
}

// ---- service slots

std::string clock_text(std::int32_t seconds) {
    const orario_letto o = decodifica_orario(seconds);
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%s%02lld:%02lld:%02lld", o.negativo ? "-" : "", static_cast<long long>(o.ore),
                  static_cast<long long>(o.minuti), static_cast<long long>(o.secondi));
    return buffer;
}

std::string clock_text(int h, int m, int s) {
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", h, m, s);
    return buffer;
}

// The roles of the slots: stations from slot 1 up, sign texts from slot 80 down (a slot that
// holds only a text), then the line's and the scenario's general values.
void decode_slot(const slot_servizio& s, int k, json& item) {
    const std::string name = cp1252_to_utf8(s.nome);
    // Stored fields that the role names; any other that is not 0 is listed by its stored name.
    std::vector<std::string> named;
    auto put = [&](const char* key, const json& value, std::initializer_list<const char*> stored) {
        item[key] = value;
        for (const char* f : stored) named.emplace_back(f);
    };
    bool numbers = false;
    for (const campo_slot& f : layout_slot)
        if (f.byte != 0) numbers = numbers || f.leggi(s) != 0;
    if (k >= 1 && k <= primo_slot_cartelli && !numbers) {
        item["role"] = "sign text";
        put("text", name, {"nome"});
    } else if (k >= 1 && k <= primo_slot_cartelli) {
        item["role"] = "station";
        put("name", name, {"nome"});
        put("type", s.tipo_stazione, {"tipo_stazione"});
        put("position_m", s.posizione, {"posizione"});
        put("from_m", s.inizio, {"inizio"});
        put("to_m", s.fine, {"fine"});
        put("field4", s.campo4, {"campo4"});
        put("field5", s.campo5, {"campo5"});
        put("field6", s.campo6, {"campo6"});
        put("field7", s.campo7, {"campo7"});
        put("field8", s.campo8, {"campo8"});
        put("field9", s.campo9, {"campo9"});
        put("field10", s.campo10, {"campo10"});
        put("field11", s.campo11, {"campo11"});
        put("field12", s.campo12, {"campo12"});
        put("stop", s.sosta, {"sosta"});
        put("time", clock_text(s.orario), {"orario"});
        put("time_s", s.orario, {});
    } else if (k >= slot_progressiva_tre && k <= slot_progressiva_uno) {
        item["role"] = "kilometre reference";
        put("start_m", s.inizio, {"inizio"});
        put("chainage_m", s.fine, {"fine"});
        put("flag", s.posizione, {"posizione"});
    } else if (k == slot_generale) {
        item["role"] = "general";
        put("braked_mass_percent", s.inizio, {"inizio"});
        put("line_length_m", s.fine, {"fine"});
        put("cars", s.posizione, {"posizione"});
    } else if (k == slot_scenario) {
        item["role"] = "scenario";
        put("scenario", name, {"nome"});
        put("background_one", s.inizio, {"inizio"});
        put("background_two", s.posizione, {"posizione"});
        put("background_three", s.fine, {"fine"});
        put("build_marker", s.campo7, {"campo7"});
        put("service_check_code", s.orario, {"orario"});
    } else if (k == slot_treno) {
        item["role"] = "train";
        put("train", name, {"nome"});
        put("signal_repetition_from_m", s.inizio, {"inizio"});
        put("signal_repetition_to_m", s.fine, {"fine"});
        put("signal_repetition_codes", s.posizione, {"posizione"});
        put("sand", s.campo7, {"campo7"});
        put("clock", clock_text(s.campo10, s.campo11, s.campo12), {"campo10", "campo11", "campo12"});
    } else {
        item["role"] = "unused";
    }
    for (const campo_slot& f : layout_slot) {
        if (std::find(named.begin(), named.end(), f.nome) != named.end()) continue;
        if (f.byte == 0 && !s.nome.empty()) item["nome"] = name;
        if (f.byte != 0 && f.leggi(s) != 0) item[f.nome] = f.leggi(s);
    }
}

bool dump_slots(const std::string& path, const std::string& bytes, listing& l, dump_values values,
                std::string& error) {
    std::array<slot_servizio, n_slot> slots{};
    std::string reason;
    if (!leggi_file_servizio(bytes, slots, reason)) {
        error = path + ": not a service slot file: " + reason;
        return false;
    }
    json s = summary(path, "slots", bytes.size());
    s["slots"] = n_slot;
    if (values == dump_values::decoded) {
        // The line length sizes the other two files: a reader of them can check theirs.
        const std::int64_t length = slots[slot_generale].fine;
        s["line_length_m"] = length;
        if (length >= 0 && length <= lunghezza_massima_linea) {
            const std::int64_t extent = length + metri_oltre_fine;
            const std::int64_t upper = ultima_cella(length);
            s["route_cells"] = upper + 1;
            s["route_bytes"] = static_cast<std::int64_t>(byte_cella) * (upper + 1);
            s["plan_bytes"] = 20 * extent - 36;
        }
    }
    l.begin(s);
    l.begin_items("listed");
    const bool json_out = l.format == dump_format::json;
    for (int k = 0; k < n_slot; ++k) {
        const slot_servizio& slot = slots[static_cast<std::size_t>(k)];
        bool used = !slot.nome.empty();
        for (const campo_slot& f : layout_slot)
            if (f.byte != 0) used = used || f.leggi(slot) != 0;
        if (!used) continue;
        json item;
        item["slot"] = k;
        if (values == dump_values::decoded) {
            decode_slot(slot, k, item);
        } else {
            for (const campo_slot& f : layout_slot) {
                if (f.byte == 0) {
                    if (!slot.nome.empty() || json_out) item["nome"] = cp1252_to_utf8(slot.nome);
                } else if (f.leggi(slot) != 0 || json_out) {
                    item[f.nome] = f.leggi(slot);
                }
            }
        }
        l.item(item);
    }
    l.end();
    return true;
}

// ---- line plan

bool dump_plan(const std::string& path, const std::string& bytes, listing& l, dump_values values,
               std::string& error) {
    piano_in_file p;
    std::string reason;
    if (!verifica_file_linea(bytes, p, reason)) {
        error = path + ": not a line plan file: " + reason;
        return false;
    }
    long long counts[3] = {0, 0, 0};
    std::size_t last_point = 0;
    {
        cursore_piano x = cursore_x(p);
        for (std::size_t m = 0; m < p.metri; ++m) {
            const genere_elemento g = x.prossimo().genere;
            counts[static_cast<int>(g)] += 2;
            if (g != genere_elemento::vuoto) last_point = m;
        }
    }
    json s = summary(path, "plan", bytes.size());
    s["E"] = p.metri - 1;
    s["empty_elements"] = counts[static_cast<int>(genere_elemento::vuoto)];
    s["integer_elements"] = counts[static_cast<int>(genere_elemento::intero16)];
    s["real_elements"] = counts[static_cast<int>(genere_elemento::reale64)];
    if (values == dump_values::decoded) s["traced_to_m"] = last_point;
    l.begin(s);
    l.begin_items("sample");
    const bool decoded = values == dump_values::decoded;
    // Every point of the track lies within one metre per metre of the start.
    const double farthest = static_cast<double>(p.metri);
    cursore_piano x = cursore_x(p), y = cursore_y(p);
    for (std::size_t m = 0; m < p.metri; ++m) {
        const elemento_linea ex = x.prossimo();
        const elemento_linea ey = y.prossimo();
        for (const auto& [axis, e] : {std::pair{"x", ex}, std::pair{"y", ey}}) {
            if (e.genere == genere_elemento::vuoto) continue;
            char value[40];
            std::snprintf(value, sizeof value, "%.17g", e.valore);
            if (!std::isfinite(e.valore))
                l.note("metre " + std::to_string(m) + ": " + axis + " is " + value + ", not a number of metres" +
                       (l.format == dump_format::json ? " (listed as null)" : ""));
            else if (std::fabs(e.valore) > farthest)
                l.note("metre " + std::to_string(m) + ": " + axis + " = " + value +
                       " lies farther from the start than the plan is long");
        }
        if (m % 1000 != 0 && m != last_point) continue;
        // Empty elements are null; so are non-finite values in JSON, which has no inf or nan.
        auto value = [&](const elemento_linea& e) -> json {
            if (e.genere == genere_elemento::vuoto) return nullptr;
            return e.valore;
        };
        json item;
        item["metre"] = m;
        item[decoded ? "x_m" : "x"] = value(ex);
        item[decoded ? "y_m" : "y"] = value(ey);
        l.item(item);
    }
    l.end();
    return true;
}

}  // namespace

file_kind kind_of(const std::string& name) {
    if (name.ends_with("_linea.dat")) return file_kind::plan;
    if (name.ends_with(".sim")) return file_kind::slots;
    if (name.ends_with(".dat")) return file_kind::route;
    return file_kind::unknown;
}

bool dump_bytes(const std::string& name, const std::string& bytes, dump_format format, dump_values values,
                std::ostream& out, std::string& error) {
    listing l{format, out, "listed", true, {}, 0};
    switch (kind_of(name)) {
        case file_kind::plan: return dump_plan(name, bytes, l, values, error);
        case file_kind::slots: return dump_slots(name, bytes, l, values, error);
        case file_kind::route: return dump_route(name, bytes, l, values, error);
        case file_kind::unknown:
            error = name + ": cannot tell the kind of file from its name (*_linea.dat, *.sim or *.dat)";
            return false;
    }
    return false;
}

int dump_file(const std::string& path, dump_format format, dump_values values) {
    std::string bytes, reason;
    if (!platform::read_file(path, bytes, reason)) {
        platform::report_failure("cannot open " + path + ": " + reason);
        return 1;
    }
    std::string error;
    if (!dump_bytes(path, bytes, format, values, std::cout, error)) {
        platform::report_failure(error);
        return 1;
    }
    // Output lost to a full disk or a closed pipe is told once, for every command, as the run ends.
    return 0;
}
