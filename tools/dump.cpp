#include "tools/dump.hpp"

#include <cstdio>
#include <iostream>
#include <sstream>
#include <vector>

#include "core/encoding.hpp"
#include "format/file_binari.hpp"
#include "platform/platform.hpp"

namespace {

std::string json_string(const std::string& utf8) {
    std::string out = "\"";
    for (char c : utf8) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\u%04x", u);
            out += buffer;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string real_text(double v, bool exact) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, exact ? "%.17g" : "%.3f", v);
    return buffer;
}

struct listing {
    dump_format format;
    std::ostringstream out;
    bool first_item = true;

    void begin(const std::string& path, const char* kind, std::size_t bytes) {
        if (format == dump_format::json)
            out << "{\"file\": " << json_string(path) << ", \"kind\": \"" << kind << "\", \"bytes\": " << bytes;
        else
            out << kind << " file " << path << ": " << bytes << " bytes\n";
    }
    void summary(const char* key, long long value) {
        if (format == dump_format::json)
            out << ", \"" << key << "\": " << value;
        else
            out << key << ": " << value << "\n";
    }
    void begin_items(const char* key) {
        if (format == dump_format::json) out << ", \"" << key << "\": [";
    }
    // One listed element: its label and its fields as name/value pairs already formatted.
    void item(const char* label, long long index, const std::vector<std::pair<std::string, std::string>>& fields) {
        if (format == dump_format::json) {
            out << (first_item ? "\n  " : ",\n  ") << "{\"" << label << "\": " << index;
            for (const auto& [name, value] : fields) out << ", \"" << name << "\": " << value;
            out << "}";
        } else {
            out << label << " " << index << ":";
            for (const auto& [name, value] : fields) out << " " << name << "=" << value;
            out << "\n";
        }
        first_item = false;
    }
    void end() {
        if (format == dump_format::json) out << (first_item ? "]}\n" : "\n]}\n");
    }
};

bool dump_route(const std::string& path, const std::string& bytes, listing& l, std::string& error) {
    std::vector<cella> cells;
    std::string reason;
    if (!leggi_file_percorso(bytes, cells, reason)) {
        error = path + ": not a route file: " + reason;
        return false;
    }
    l.begin(path, "route", bytes.size());
    l.summary("cells", static_cast<long long>(cells.size()));
    l.begin_items("listed");
    // A cell is listed when it holds an object or when the track under it changes.
    for (std::size_t k = 0; k < cells.size(); ++k) {
        std::vector<std::pair<std::string, std::string>> fields;
        fields.emplace_back("position_m", std::to_string(50 * k));
        bool object = false;
        bool track_changes = k == 0;
        for (std::size_t f = 0; f < layout_cella.size(); ++f) {
            const std::int64_t v = layout_cella[f].leggi(cells[k]);
            if (f < primo_campo_binario)
                object = object || v != 0;
            else
                track_changes = track_changes || v != layout_cella[f].leggi(cells[k - 1]);
        }
        if (!object && !track_changes) continue;
        for (std::size_t f = 0; f < layout_cella.size(); ++f) {
            const std::int64_t v = layout_cella[f].leggi(cells[k]);
            const bool track = f >= primo_campo_binario;
            if ((track && track_changes) || (!track && (v != 0 || l.format == dump_format::json)))
                fields.emplace_back(layout_cella[f].nome, std::to_string(v));
        }
        l.item("cell", static_cast<long long>(k), fields);
    }
    l.end();
    return true;
}

bool dump_slots(const std::string& path, const std::string& bytes, listing& l, std::string& error) {
    std::array<slot_servizio, n_slot> slots{};
    std::string reason;
    if (!leggi_file_servizio(bytes, slots, reason)) {
        error = path + ": not a service slot file: " + reason;
        return false;
    }
    l.begin(path, "slots", bytes.size());
    l.summary("slots", n_slot);
    l.begin_items("listed");
    for (int k = 0; k < n_slot; ++k) {
        const slot_servizio& s = slots[static_cast<std::size_t>(k)];
        std::vector<std::pair<std::string, std::string>> fields;
        bool used = !s.nome.empty();
        for (const campo_slot& f : layout_slot)
            if (f.byte != 0) used = used || f.leggi(s) != 0;
        if (!used) continue;
        for (const campo_slot& f : layout_slot) {
            if (f.byte == 0) {
                if (!s.nome.empty() || l.format == dump_format::json)
                    fields.emplace_back("nome", json_string(cp1252_to_utf8(s.nome)));
            } else if (f.leggi(s) != 0 || l.format == dump_format::json) {
                fields.emplace_back(f.nome, std::to_string(f.leggi(s)));
            }
        }
        l.item("slot", k, fields);
    }
    l.end();
    return true;
}

bool dump_plan(const std::string& path, const std::string& bytes, listing& l, std::string& error) {
    std::vector<elemento_linea> x, y;
    std::string reason;
    if (!leggi_file_linea(bytes, x, y, reason)) {
        error = path + ": not a line plan file: " + reason;
        return false;
    }
    l.begin(path, "plan", bytes.size());
    l.summary("E", static_cast<long long>(x.size()) - 1);
    long long counts[3] = {0, 0, 0};
    std::size_t last_point = 0;
    for (std::size_t m = 0; m < x.size(); ++m) {
        for (const elemento_linea* e : {&x[m], &y[m]}) ++counts[static_cast<int>(e->genere)];
        if (x[m].genere != genere_elemento::vuoto) last_point = m;
    }
    l.summary("empty_elements", counts[static_cast<int>(genere_elemento::vuoto)]);
    l.summary("integer_elements", counts[static_cast<int>(genere_elemento::intero16)]);
    l.summary("real_elements", counts[static_cast<int>(genere_elemento::reale64)]);
    l.begin_items("sample");
    const bool exact = l.format == dump_format::json;
    auto value = [&](const elemento_linea& e) {
        return e.genere == genere_elemento::vuoto ? std::string(exact ? "null" : "empty") : real_text(e.valore, exact);
    };
    for (std::size_t m = 0; m < x.size(); ++m) {
        if (m % 1000 != 0 && m != last_point) continue;
        l.item("metre", static_cast<long long>(m), {{"x", value(x[m])}, {"y", value(y[m])}});
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

bool dump_bytes(const std::string& name, const std::string& bytes, dump_format format, std::ostream& out,
                std::string& error) {
    listing l{format, {}, true};
    bool ok = false;
    switch (kind_of(name)) {
        case file_kind::plan:
            ok = dump_plan(name, bytes, l, error);
            break;
        case file_kind::slots:
            ok = dump_slots(name, bytes, l, error);
            break;
        case file_kind::route:
            ok = dump_route(name, bytes, l, error);
            break;
        case file_kind::unknown:
            error = name + ": cannot tell the kind of file from its name (*_linea.dat, *.sim or *.dat)";
            break;
    }
    if (ok) out << l.out.str();
    return ok;
}

int dump_file(const std::string& path, dump_format format) {
    std::string bytes, reason;
    if (!platform::read_file(path, bytes, reason)) {
        platform::report_failure("cannot open " + path + ": " + reason);
        return 1;
    }
    std::string error;
    if (!dump_bytes(path, bytes, format, std::cout, error)) {
        platform::report_failure(error);
        return 1;
    }
    return 0;
}
