#include "lsp/answers.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <unordered_set>

#include "builder/costruzione.hpp"
#include "core/codifica.hpp"
#include "core/costanti.hpp"
#include "core/encoding.hpp"
#include "core/numeri.hpp"
#include "core/stati.hpp"
#include "diagnostics/rilievi_orario.hpp"
#include "platform/platform.hpp"
#include "reader/voci.hpp"
#include "lsp/layout.hpp"
#include "timetable/train_file.hpp"

namespace lsp {

using nlohmann::json;

namespace {

std::string utf8(std::string_view cp1252) { return cp1252_to_utf8(cp1252); }

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

std::optional<std::int64_t> number_of(std::string_view s) {
    s = trimmed(s);
    std::int64_t v = 0;
    const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (error != std::errc{} || end != s.data() + s.size() || s.empty()) return std::nullopt;
    return v;
}

json position_json(position p) { return json{{"line", p.line}, {"character", p.character}}; }

json range_json(const line_index& lines, std::size_t from, std::size_t to) {
    return json{{"start", position_json(position_at(lines, from))}, {"end", position_json(position_at(lines, to))}};
}

std::vector<parte_voce> parts_of(quale_file f) {
    if (f == quale_file::linea) return {parte_voce::generale, parte_voce::caratteristiche};
    return {parte_voce::servizio};
}

const voce* entry_named(quale_file f, std::string_view name) {
    for (parte_voce p : parts_of(f))
        for (const voce& v : voci_di(p))
            if (name == v.nome) return &v;
    return nullptr;
}

// The field under a byte offset, its end included (a cursor just after a value is on it).
const campo_letto* field_at(const std::vector<campo_letto>& fields, std::size_t offset) {
    const auto after = std::upper_bound(fields.begin(), fields.end(), offset,
                                        [](std::size_t o, const campo_letto& f) { return o < f.inizio; });
    if (after == fields.begin()) return nullptr;
    const campo_letto& f = *std::prev(after);
    return offset <= f.fine ? &f : nullptr;
}

// An entry as read: its keyword field and the fields after it.
struct entry_read {
    const voce* table = nullptr;
    std::size_t first = 0;  // index in the fields of the keyword field
    std::size_t count = 0;  // the keyword field and its fields
};

std::vector<entry_read> entries_of(const document_analysis& a) {
    std::vector<entry_read> out;
    const auto& fields = a.fields;
    for (std::size_t i = 0; i + 1 < fields.size(); ++i) {
        if (fields[i].indice != 0 || fields[i + 1].indice != 1 || parola_chiave_di(fields[i + 1]).empty()) continue;
        entry_read e;
        e.table = entry_named(a.file, parola_chiave_di(fields[i + 1]));
        e.first = i;
        e.count = 2;
        while (i + e.count < fields.size() && fields[i + e.count].indice == static_cast<int>(e.count)) ++e.count;
        if (e.table) out.push_back(e);
    }
    return out;
}

std::string range_text(const campo_voce& c) {
    if (c.genere == genere_campo::testo) return "text";
    const std::string unit = *c.unita ? std::string(" ") + c.unita : "";
    const std::string in_unit = *c.unita ? std::string("in ") + c.unita + ", " : "";
    if (c.minimo == INT32_MIN && c.massimo == INT32_MAX) return in_unit + "a 32-bit whole number";
    if (c.minimo == 0 && c.massimo == INT32_MAX) return in_unit + "0 or more";
    const std::string bits = c.bit == 8 ? "8-bit" : c.bit == 16 ? "16-bit" : "32-bit";
    return std::to_string(c.minimo) + " to " + std::to_string(c.massimo) + unit + " (" + bits + ")";
}

// What the timetable says of the station whose time fields hold `f`: its scheduled time, the
// earliest the train can keep, the margin and the verdict; empty when it says nothing.
std::string timetable_hover(const document_analysis& a, const campo_letto& f) {
    if (a.timetable.empty() || parola_chiave_di(f) != "stazione") return "";
    const std::vector<campi_orario> times = campi_orario_stazioni(a.fields);
    std::size_t i = 0;
    while (i < times.size() && !(times[i].letti && times[i].inizio <= f.inizio && f.fine <= times[i].fine)) ++i;
    if (i >= times.size() || i >= a.timetable.size()) return "";
    const timetable_row& row = a.timetable[i];
    std::string t = "**timetable**: ";
    if (row.scheduled_departure_s)
        t += "scheduled departure " + clock_text(*row.scheduled_departure_s);
    else if (row.scheduled_arrival_s)
        t += "scheduled arrival " + clock_text(*row.scheduled_arrival_s);
    else if (row.scheduled_passing_s)
        t += "scheduled passing " + clock_text(*row.scheduled_passing_s);
    else
        t += "no scheduled time";
    std::string earliest;
    if (row.earliest_arrival_s) earliest += ", earliest arrival " + clock_text(*row.earliest_arrival_s);
    if (row.earliest_departure_s) earliest += ", earliest departure " + clock_text(*row.earliest_departure_s);
    if (row.earliest_passing_s) earliest += ", earliest passing " + clock_text(*row.earliest_passing_s);
    t += earliest;
    if (row.margin_s && row.margin_pct && row.min_running_time_s) {
        char b[160];
        std::snprintf(b, sizeof b, "margin %+.1f s (%+.1f %%) on a minimum running time of %.1f s: **%s**",
                      *row.margin_s, *row.margin_pct, *row.min_running_time_s, verdict_name(row.v));
        t += std::string("\n\n") + b;
    }
    return t;
}

}  // namespace

line_index index_lines(std::string_view text) { return indicizza_righe(text); }

position position_at(const line_index& lines, std::size_t offset) {
    offset = std::min(offset, lines.dimensione);
    const int riga = riga_di(lines, offset);
    return position{static_cast<std::uint32_t>(riga - 1), static_cast<std::uint32_t>(colonna_di(lines, offset) - 1)};
}

// A character past a line's end stays on that line: at its line end, or at the text's end.
std::size_t offset_at(const line_index& lines, position p) {
    if (p.line >= lines.inizi.size()) return lines.dimensione;
    const int riga = static_cast<int>(p.line) + 1;
    const std::size_t fine = p.line + 1 < lines.inizi.size() ? lines.inizi[p.line + 1] : lines.dimensione;
    return std::min(offset_di(lines, riga, 1) + p.character, fine);
}

void read_timetable_settings(const json& settings, timetable_settings& t) {
    if (!settings.is_object()) return;
    const auto section = settings.find("generaScenario");
    const json& s = section != settings.end() && section->is_object() ? *section : settings;
    if (const auto on = s.find("timetable"); on != s.end() && on->is_boolean()) t.on = on->get<bool>();
    if (const auto model = s.find("trainModel"); model != s.end()) {
        if (model->is_null()) t.model_file.clear();
        if (model->is_string()) {
            const std::string& m = model->get_ref<const std::string&>();
            const auto path = path_of_uri(m);
            t.model_file = path ? *path : m;
        }
    }
}

namespace {

// A model file that cannot be had, as an error about the whole service (`why` is UTF-8, as the
// setting names the file).
rilievo model_refused(const std::string& why) {
    rilievo d;
    d.file = quale_file::servizio;
    d.messaggio = "the train model cannot be read: " + reader_text(why);
    d.nota = "no scheduled time is judged until the setting trainModel names a model that can be read";
    return d;
}

// The timetable of a service read with its line, as check --timetable works it out: the pair
// built in memory with its plan (nothing when the build stops: the reading's findings say why)
// and run by the setting's train or the one made from the service.
void add_timetable(analisi& r, const std::string& line_text, const std::string& service_text,
                   const timetable_settings& t, std::vector<timetable_row>& rows) {
    std::optional<train_model> model;
    if (!t.model_file.empty()) {
        std::string text, reason, error;
        train_model m;
        if (!platform::read_file(t.model_file, text, reason, dimensione_massima_descrizione)) {
            error = "cannot open " + t.model_file + ": " + reason;
        } else if (read_train_model(t.model_file, text, m, error)) {
            model = std::move(m);
        }
        if (!model) {
            ++r.errori;
            r.diagnostiche.push_back(model_refused(error));
            return;
        }
    }
    stato_build s;
    if (!compila_testi(s, line_text, service_text)) return;
    rows = aggiungi_rilievi_orario(r, service_text, s, model ? *model : default_train_model(s)).rows;
}

}  // namespace

document_analysis analyse(document_kind kind, std::string text, const std::string* line_text,
                          const std::string& line_uri, const timetable_settings& timetable,
                          const std::vector<std::string>& service_texts) {
    document_analysis a;
    a.text = std::move(text);
    a.lines = index_lines(a.text);
    if (kind == document_kind::line) {
        a.file = quale_file::linea;
        analisi r = analizza(&a.text, service_texts.empty() ? nullptr : &service_texts.front());
        for (rilievo& d : r.diagnostiche)
            if (d.file == quale_file::linea) a.diagnostics.push_back(std::move(d));
        a.fields = std::move(r.campi_linea);
        // The other services add what only they give; a finding the line gives with every
        // service is told once.
        if (service_texts.size() > 1) {
            const auto key = [](const rilievo& d) {
                return std::to_string(d.inizio) + ' ' + std::to_string(d.fine) + ' ' + std::to_string(d.riga) + ' ' +
                       std::to_string(static_cast<int>(d.severita)) + ' ' + std::to_string(d.stato) + '\n' +
                       d.messaggio + '\n' + d.nota;
            };
            std::unordered_set<std::string> told;
            for (const rilievo& d : a.diagnostics) told.insert(key(d));
            for (std::size_t i = 1; i < service_texts.size(); ++i) {
                analisi other = analizza(&a.text, &service_texts[i]);
                for (rilievo& d : other.diagnostiche)
                    if (d.file == quale_file::linea && told.insert(key(d)).second) a.diagnostics.push_back(std::move(d));
            }
        }
    } else {
        a.file = quale_file::servizio;
        analisi r = analizza(line_text, &a.text);
        if (line_text && timetable.on) add_timetable(r, *line_text, a.text, timetable, a.timetable);
        for (rilievo& d : r.diagnostiche)
            if (d.file == quale_file::servizio) a.diagnostics.push_back(std::move(d));
        a.fields = std::move(r.campi_servizio);
        if (line_text) {
            a.line_uri = line_uri;
            a.line_lines = index_lines(*line_text);
            a.line_fields = std::move(r.campi_linea);
        }
    }
    // The fields come in the text's order; sorting them anyway would take a buffer as large again.
    const auto prima = [](const campo_letto& x, const campo_letto& y) { return x.inizio < y.inizio; };
    if (!std::is_sorted(a.fields.begin(), a.fields.end(), prima)) std::stable_sort(a.fields.begin(), a.fields.end(), prima);
    return a;
}

std::string stored_as(std::string_view entry, int index, std::string_view value) {
    const auto v = number_of(value);
    if (!v) return "";
    if (entry == "velocita" && index == 2 && *v >= 0 && *v <= INT32_MAX)
        return "stored as " + std::to_string(nearest(static_cast<double>(*v) / passo_velocita_kmh)) +
               " (km/h / 5, halves to even)";
    if (entry == "pendenza" && index == 2 && *v >= INT32_MIN && *v <= INT32_MAX)
        return "stored as " + std::to_string(static_cast<int>(codifica_pendenza(*v))) + " (gradient + 100)";
    if (entry == "segnale" && index == 11 && *v >= 1 && *v <= 100)
        return "raised to " + std::to_string(static_cast<int>(codifica_tempo_segnale(*v, 2)));
    return "";
}

json diagnostics_json(const document_analysis& a) {
    json out = json::array();
    // A service beyond its route points at the line's length, which sizes the route.
    std::optional<json> length_location;
    for (const campo_letto& f : a.line_fields)
        if (f.indice == 1 && parola_chiave_di(f) == "lunghezza percorso")
            length_location = json{{"uri", a.line_uri}, {"range", range_json(a.line_lines, f.inizio, f.fine)}};
    for (const rilievo& d : a.diagnostics) {
        json j;
        j["range"] = d.riga > 0 ? range_json(a.lines, d.inizio, std::max(d.inizio, d.fine)) : range_json(a.lines, 0, 0);
        j["severity"] = d.severita == gravita::errore ? 1 : d.severita == gravita::avviso ? 2 : 3;
        if (d.stato != 0) j["code"] = d.stato;
        j["source"] = "genera_scenario";
        std::string message = utf8(d.messaggio);
        if (!d.nota.empty()) message += "; " + utf8(d.nota);
        j["message"] = message;
        if (d.stato == stati::fuori_percorso && length_location)
            j["relatedInformation"] = json::array({{{"location", *length_location},
                                                    {"message", "the line's length sizes the route"}}});
        out.push_back(std::move(j));
    }
    return out;
}

json hover_json(const document_analysis& a, position p) {
    const campo_letto* f = field_at(a.fields, offset_at(a.lines, p));
    if (!f) return nullptr;
    std::string text;
    const voce* v = nullptr;
    if (f->indice == 0) {
        // The keyword field: the entry and all its fields.
        for (const entry_read& e : entries_of(a))
            if (&a.fields[e.first] == f) v = e.table;
        if (!v) return nullptr;
        text = std::string("**") + v->nome + "**: " + v->significato + "\n\nfields:";
        for (const campo_voce& c : v->campi) text += std::string(" ") + c.nome;
    } else {
        v = entry_named(a.file, parola_chiave_di(*f));
        if (!v || f->indice < 1 || static_cast<std::size_t>(f->indice) > v->campi.size()) return nullptr;
        const campo_voce& c = v->campi[static_cast<std::size_t>(f->indice - 1)];
        const std::string value{trimmed(valore_di(*f, a.text))};
        text = std::string("**") + c.nome + "**: " + c.spiegazione + "\n\n";
        text += std::string(v->nome) + ", field " + std::to_string(f->indice) + " of " + std::to_string(v->campi.size());
        text += ": " + range_text(c) + "\n\n";
        if (c.genere == genere_campo::numero) {
            text += (value.empty() ? "0 (empty)" : value) + (*c.unita ? std::string(" ") + c.unita : "");
            const std::string stored = stored_as(v->nome, f->indice, value);
            if (!stored.empty()) text += ", " + stored;
        } else {
            text += "\"" + value + "\"";
        }
        const std::string timetable = timetable_hover(a, *f);
        if (!timetable.empty()) text += "\n\n" + timetable;
    }
    return json{{"contents", {{"kind", "markdown"}, {"value", utf8(text)}}},
                {"range", range_json(a.lines, f->inizio, f->fine)}};
}

json inlay_hints_json(const document_analysis& a, position from, position to) {
    const std::size_t lo = offset_at(a.lines, from);
    const std::size_t hi = offset_at(a.lines, to);
    json out = json::array();
    for (const entry_read& e : entries_of(a)) {
        // A one-field entry says what it is by its keyword.
        if (e.table->campi.size() < 2) continue;
        for (std::size_t k = 1; k < e.count; ++k) {
            const campo_letto& f = a.fields[e.first + k];
            if (f.inizio < lo || f.inizio > hi) continue;
            const campo_voce& c = e.table->campi[k - 1];
            if (c.genere != genere_campo::numero) continue;
            out.push_back({{"position", position_json(position_at(a.lines, f.inizio))},
                           {"label", std::string(c.nome) + ":"},
                           {"kind", 2},
                           {"paddingRight", true}});
        }
    }
    return out;
}

json completion_json(const document_analysis& a, position p) {
    json items = json::array();
    const std::size_t at = offset_at(a.lines, p);
    const std::size_t line_start = a.lines.inizi[std::min<std::size_t>(p.line, a.lines.inizi.size() - 1)];
    // Keywords start a line: nothing is offered once a comma stands before the cursor.
    if (a.text.substr(line_start, at - line_start).find(',') != std::string::npos) return items;
    const json replace = range_json(a.lines, line_start, at);
    for (parte_voce part : parts_of(a.file)) {
        for (const voce& v : voci_di(part)) {
            std::string label = v.nome;
            std::string snippet = v.nome;
            if (label == "curvas6") {
                label = "curva";
                snippet = "curva${1|s,d|}${2|1,2,3,4,5,6|}";
            }
            int n = snippet == v.nome ? 1 : 3;
            for (std::size_t k = 0; k < v.campi.size(); ++k) {
                const std::string name = v.campi[k].nome;
                const int blanks = blanks_before_field(v.nome, static_cast<int>(k + 1), name.size());
                snippet += "," + std::string(static_cast<std::size_t>(std::max(blanks, 1)), ' ');
                snippet += "${" + std::to_string(n++) + ":" + name + "}";
            }
            items.push_back({{"label", label},
                             {"kind", 15},
                             {"detail", v.significato},
                             {"insertTextFormat", 2},
                             {"textEdit", {{"range", replace}, {"newText", snippet}}}});
        }
    }
    for (const char* header : intestazioni_di(a.file))
        items.push_back({{"label", header}, {"kind", 9}, {"textEdit", {{"range", replace}, {"newText", header}}}});
    return items;
}

json document_symbols_json(const document_analysis& a) {
    json sections = json::array();
    json loose = json::array();
    // Section headers stand alone on their lines.
    struct section {
        std::size_t start, end;
        std::string name;
    };
    std::vector<section> heads;
    for (int l = 1; l <= numero_righe(a.lines); ++l) {
        const std::size_t s = offset_di(a.lines, l, 1);
        const std::string_view line = trimmed(testo_riga(a.text, a.lines, l));
        if (line.size() > 2 && line.front() == '[' && line.back() == ']' && line.find(',') == std::string_view::npos) {
            if (!heads.empty()) heads.back().end = s;
            heads.push_back({s, a.text.size(), std::string(line)});
        }
    }
    std::vector<json> children(heads.size(), json::array());
    for (const entry_read& e : entries_of(a)) {
        const campo_letto& key = a.fields[e.first];
        const campo_letto& last = a.fields[e.first + e.count - 1];
        auto value = [&](std::size_t k) {
            return k < e.count ? std::string(trimmed(valore_di(a.fields[e.first + k], a.text))) : std::string();
        };
        const std::string entry = e.table->nome;
        std::string name, detail;
        int kind = 0;
        if (entry == "stazione") {
            name = value(17), detail = value(1) + " m", kind = 5;
        } else if (entry == "segnale") {
            name = "segnale " + value(1) + " m", kind = 24;
        } else if (entry == "curvas6") {
            name = std::string(trimmed(valore_di(key, a.text))) + " " + value(1) + " m", detail = value(2) + " m long", kind = 8;
        } else if (entry == "montagna") {
            name = "montagna " + value(1) + "-" + value(2) + " m", detail = "kind " + value(3), kind = 10;
        } else if (entry == "cartello_indicatore") {
            name = value(2), detail = value(1) + " m", kind = 15;
        } else if (entry == "rallentamento") {
            name = "rallentamento " + value(1) + " m", detail = value(2) + " km/h", kind = 14;
        } else {
            continue;
        }
        if (name.empty()) name = entry;
        json symbol = {{"name", utf8(name)},
                       {"kind", kind},
                       {"range", range_json(a.lines, key.inizio, last.fine)},
                       {"selectionRange", range_json(a.lines, key.inizio, key.fine)}};
        if (!detail.empty()) symbol["detail"] = utf8(detail);
        std::size_t h = heads.size();
        while (h > 0 && heads[h - 1].start > key.inizio) --h;
        (h == 0 ? loose : children[h - 1]).push_back(std::move(symbol));
    }
    for (std::size_t h = 0; h < heads.size(); ++h) {
        std::size_t end = heads[h].end;
        while (end > heads[h].start && (a.text[end - 1] == '\r' || a.text[end - 1] == '\n')) --end;
        sections.push_back({{"name", utf8(heads[h].name)},
                            {"kind", 3},
                            {"range", range_json(a.lines, heads[h].start, end)},
                            {"selectionRange", range_json(a.lines, heads[h].start, heads[h].start + heads[h].name.size())},
                            {"children", std::move(children[h])}});
    }
    for (json& s : loose) sections.push_back(std::move(s));
    return sections;
}

json formatting_json(const document_analysis& a) {
    json edits = json::array();
    for (const blank_edit& e : layout_edits(a.text, a.fields))
        edits.push_back({{"range", range_json(a.lines, e.offset, e.offset + e.length)},
                         {"newText", std::string(e.blanks, ' ')}});
    return edits;
}

json code_actions_json(const document_analysis& a, const std::string& uri, position from, position to) {
    const std::size_t lo = offset_at(a.lines, from);
    const std::size_t hi = offset_at(a.lines, to);
    json actions = json::array();
    const json all = diagnostics_json(a);
    for (std::size_t i = 0; i < a.diagnostics.size(); ++i) {
        const rilievo& d = a.diagnostics[i];
        if (!d.correzione || d.riga == 0 || d.fine < lo || d.inizio > hi) continue;
        const std::string replacement = utf8(*d.correzione);
        json edit = {{"range", range_json(a.lines, d.inizio, d.fine)}, {"newText", replacement}};
        actions.push_back({{"title", "Change to \"" + replacement + "\""},
                           {"kind", "quickfix"},
                           {"isPreferred", true},
                           {"diagnostics", json::array({all[i]})},
                           {"edit", {{"changes", {{uri, json::array({edit})}}}}}});
    }
    return actions;
}

}  // namespace lsp
