#include "tools/plot.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <set>

#include "core/encoding.hpp"
#include "platform/platform.hpp"

namespace {

constexpr double left = 90;
constexpr double right = 40;
constexpr double plot_width = page_width - left - right;
constexpr double max_plan_height = 760;
constexpr double strip_height = 110;
constexpr double strip_gap = 34;

struct colour {
    const char* name;
    const char* value;
};
constexpr colour plan_colour{"track plan", "#1f4e79"};
constexpr colour station_colour{"station", "#c0392b"};
constexpr colour signal_colour{"signal", "#2e8b57"};
constexpr colour sign_colour{"sign board", "#e67e22"};
constexpr colour gradient_colour{"gradient", "#8c564b"};
constexpr colour speed_colour{"speed limit", "#1f77b4"};
constexpr colour adhesion_colour{"adhesion", "#7b4fa0"};
constexpr colour mountain_colour{"mountain", "#8f8f8f"};
constexpr colour extent_colour{"station extent", "#e8a09a"};
constexpr colour slowdown_colour{"slowdown cell", "#d63384"};

// Coordinates keep one decimal: enough at this size, and the file stays small.
std::string num(double v) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.1f", std::nearbyint(v * 10) / 10);
    std::string s = buffer;
    if (s == "-0.0") s = "0.0";
    if (s.size() > 2 && s.compare(s.size() - 2, 2, ".0") == 0) s.resize(s.size() - 2);
    return s;
}

std::string escape(const std::string& utf8) {
    std::string out;
    for (char c : utf8) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default:
                if (static_cast<unsigned char>(c) >= 0x20 || c == '\t') out += c;
        }
    }
    return out;
}

std::string text(double x, double y, const std::string& utf8, const char* attributes = "") {
    return "<text x=\"" + num(x) + "\" y=\"" + num(y) + "\"" + attributes + ">" + escape(utf8) + "</text>\n";
}

// Label boxes already placed, so that no two labels overlap.
struct label_boxes {
    struct box {
        double x0, y0, x1, y1;
    };
    std::vector<box> placed;
    static constexpr double char_width = 7.2;
    static constexpr double height = 13;

    // Tries the candidate positions in turn; returns the first free one (text anchored at its start).
    std::optional<std::pair<double, double>> place(const std::vector<std::pair<double, double>>& candidates,
                                                   std::size_t chars) {
        const double w = static_cast<double>(chars) * char_width;
        for (const auto& [x, y] : candidates) {
            const box b{x - 2, y - height, x + w + 2, y + 3};
            if (b.x0 < 0 || b.x1 > page_width) continue;
            const bool free = std::none_of(placed.begin(), placed.end(), [&](const box& o) {
                return b.x0 < o.x1 && o.x0 < b.x1 && b.y0 < o.y1 && o.y0 < b.y1;
            });
            if (free) {
                placed.push_back(b);
                return std::pair{x, y};
            }
        }
        return std::nullopt;
    }
};

// A round number of metres near `target` (1, 2 or 5 times a power of ten).
double nice_step(double target) {
    const double p = std::pow(10.0, std::floor(std::log10(target)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * p >= target) return m * p;
    return 10 * p;
}

struct stations_and_signs {
    std::vector<int> stations;  // slot indices
    std::set<int> sign_slots;
};

// Station slots are the used slots below 81 that no sign board points at.
stations_and_signs classify(const scenario_to_plot& s) {
    stations_and_signs r;
    for (const cella& c : s.route)
        if (c.tipo_cella == tipo::cartello) r.sign_slots.insert(c.valore1);
    for (int k = 1; k <= primo_slot_cartelli; ++k) {
        const slot_servizio& slot = s.slots[static_cast<std::size_t>(k)];
        const bool used = !slot.nome.empty() || slot.tipo_stazione != 0 || slot.posizione != 0 || slot.fine != 0;
        if (used && !r.sign_slots.count(k)) r.stations.push_back(k);
    }
    return r;
}

// Metres along the line of a point item in cell k (it sits in the cell of p / 50 + 1).
double item_position(std::size_t k) { return (static_cast<double>(k) - 1) * 50; }

std::string legend(double y, bool with_plan) {
    std::string out = "<g id=\"legend\" font-size=\"12\">\n";
    double x = left;
    auto item = [&](const colour& c, const std::string& swatch) {
        out += swatch;
        out += text(x + 18, y + 4, c.name);
        x += 30 + 7.2 * static_cast<double>(std::string(c.name).size()) + 14;
    };
    auto line = [&](const colour& c) {
        return "<line x1=\"" + num(x) + "\" y1=\"" + num(y) + "\" x2=\"" + num(x + 14) + "\" y2=\"" + num(y) +
               "\" stroke=\"" + c.value + "\" stroke-width=\"2.5\"/>\n";
    };
    auto block = [&](const colour& c) {
        return "<rect x=\"" + num(x) + "\" y=\"" + num(y - 5) + "\" width=\"14\" height=\"10\" fill=\"" + c.value +
               "\"/>\n";
    };
    if (with_plan) item(plan_colour, line(plan_colour));
    item(station_colour, "<circle cx=\"" + num(x + 7) + "\" cy=\"" + num(y) + "\" r=\"5\" fill=\"" +
                             station_colour.value + "\"/>\n");
    item(signal_colour, "<path d=\"M" + num(x + 7) + " " + num(y - 6) + "l5 10h-10z\" fill=\"" +
                            signal_colour.value + "\"/>\n");
    item(sign_colour, "<rect x=\"" + num(x + 3) + "\" y=\"" + num(y - 4) + "\" width=\"8\" height=\"8\" fill=\"" +
                          sign_colour.value + "\"/>\n");
    item(gradient_colour, line(gradient_colour));
    item(speed_colour, line(speed_colour));
    item(adhesion_colour, line(adhesion_colour));
    item(mountain_colour, block(mountain_colour));
    item(extent_colour, block(extent_colour));
    item(slowdown_colour, block(slowdown_colour));
    return out + "</g>\n";
}

struct plan_frame {
    double scale = 1, x0 = 0, y0 = 0, top = 0, offset = 0;
    double px(double x) const { return left + offset + (x - x0) * scale; }
    double py(double y) const { return top + (y0 - y) * scale; }
};

// The track plan, with its markers; returns the height it takes.
double draw_plan(const scenario_to_plot& s, const stations_and_signs& kinds, double top, label_boxes& labels,
                 std::string& out) {
    std::size_t last = 0;
    bool first = true;
    double xmin = 0, xmax = 0, ymin = 0, ymax = 0;
    for (std::size_t m = 0; m < s.x.size() && m < s.y.size(); ++m) {
        if (s.x[m].genere == genere_elemento::vuoto || s.y[m].genere == genere_elemento::vuoto) continue;
        if (first) xmin = xmax = s.x[m].valore, ymin = ymax = s.y[m].valore;
        first = false;
        xmin = std::min(xmin, s.x[m].valore);
        xmax = std::max(xmax, s.x[m].valore);
        ymin = std::min(ymin, s.y[m].valore);
        ymax = std::max(ymax, s.y[m].valore);
        last = m;
    }
    const double dx = std::max(xmax - xmin, 1.0);
    const double dy = std::max(ymax - ymin, 1.0);
    plan_frame f;
    f.scale = std::min(plot_width / dx, max_plan_height / dy);
    f.x0 = xmin;
    f.y0 = ymax;
    f.top = top + 24;
    f.offset = (plot_width - dx * f.scale) / 2;
    auto point = [&](double metre) {
        const std::size_t m = std::min(static_cast<std::size_t>(std::max(metre, 0.0)), last);
        return std::pair{f.px(s.x[m].valore), f.py(s.y[m].valore)};
    };

    out += "<g id=\"plan-panel\">\n";
    out += text(left, top + 8, "Track plan (north-up along the line's first heading)",
                " font-size=\"14\" font-weight=\"bold\"");
    std::string points;
    std::string previous;
    std::string last_point;
    for (std::size_t m = 0; m <= last; ++m) {
        if (s.x[m].genere == genere_elemento::vuoto) continue;
        const std::string p = num(f.px(s.x[m].valore)) + "," + num(f.py(s.y[m].valore));
        last_point = p;
        if (p == previous && m != last) continue;
        if (!points.empty()) points += ' ';
        points += p;
        previous = p;
    }
    if (!last_point.empty() && previous != last_point) points += ' ' + last_point;
    char data[320];
    std::snprintf(data, sizeof data,
                  " data-scale=\"%.17g\" data-x0=\"%.17g\" data-y0=\"%.17g\" data-left=\"%.17g\" data-top=\"%.17g\"",
                  f.scale, f.x0, f.y0, left + f.offset, f.top);
    out += "<polyline id=\"plan\" fill=\"none\" stroke=\"" + std::string(plan_colour.value) +
           "\" stroke-width=\"2\" stroke-linejoin=\"round\"" + data + " points=\"" + points + "\"/>\n";

    for (std::size_t k = 0; k < s.route.size(); ++k) {
        const std::uint8_t t = s.route[k].tipo_cella;
        if (t != tipo::segnale && t != tipo::cartello) continue;
        const auto [x, y] = point(item_position(k));
        if (t == tipo::segnale) {
            out += "<path class=\"signal\" d=\"M" + num(x) + " " + num(y - 5) + "l4.5 8h-9z\" fill=\"" +
                   signal_colour.value + "\"><title>signal, " + num(item_position(k)) + " m</title></path>\n";
        } else {
            const std::string& sign = s.slots[static_cast<std::size_t>(std::clamp<int>(s.route[k].valore1, 0, 86))].nome;
            out += "<rect class=\"sign\" x=\"" + num(x - 3.5) + "\" y=\"" + num(y - 3.5) +
                   "\" width=\"7\" height=\"7\" fill=\"" + sign_colour.value + "\"><title>" +
                   escape(cp1252_to_utf8(sign)) + ", " + num(item_position(k)) + " m</title></rect>\n";
        }
    }
    for (int k : kinds.stations) {
        const slot_servizio& st = s.slots[static_cast<std::size_t>(k)];
        const auto [x, y] = point(st.posizione);
        out += "<circle class=\"station\" cx=\"" + num(x) + "\" cy=\"" + num(y) + "\" r=\"5.5\" fill=\"" +
               station_colour.value + "\" stroke=\"white\" stroke-width=\"1.5\"><title>" +
               escape(cp1252_to_utf8(st.nome)) + ", " + std::to_string(st.posizione) + " m</title></circle>\n";
    }
    // Labels after all markers: each takes the first free place around its station.
    for (int k : kinds.stations) {
        const slot_servizio& st = s.slots[static_cast<std::size_t>(k)];
        const auto [x, y] = point(st.posizione);
        const std::string name = cp1252_to_utf8(st.nome);
        const double w = 7.2 * static_cast<double>(name.size());
        if (auto at = labels.place({{x + 9, y + 4}, {x - 9 - w, y + 4}, {x - w / 2, y - 10}, {x - w / 2, y + 18},
                                    {x + 9, y + 20}, {x - 9 - w, y - 12}},
                                   name.size()))
            out += text(at->first, at->second, name, " class=\"station-label\" font-size=\"12\"");
    }

    const double plan_bottom = f.top + dy * f.scale;
    // Scale bar: a round length near a fifth of the panel.
    const double metres = nice_step(plot_width / 5 / f.scale);
    const double bar_y = plan_bottom + 30;
    out += "<g id=\"scale-bar\"><line x1=\"" + num(left) + "\" y1=\"" + num(bar_y) + "\" x2=\"" +
           num(left + metres * f.scale) + "\" y2=\"" + num(bar_y) +
           "\" stroke=\"black\" stroke-width=\"3\"/>\n" +
           text(left, bar_y - 7, std::to_string(static_cast<long long>(metres)) + " m", " font-size=\"12\"") +
           "</g>\n";
    out += "</g>\n";
    return bar_y + 20 - top;
}

struct axis {
    double total_metres;
    double x(double metres) const { return left + metres / total_metres * plot_width; }
};

// One profile strip: a step line of a value per 50 m cell.
std::string strip(const std::vector<double>& values, const axis& a, double top, const colour& c, const char* id,
                  const char* unit) {
    std::string out = "<g class=\"profile\" id=\"profile-" + std::string(id) + "\">\n";
    double lo = 0, hi = 1;
    for (double v : values) lo = std::min(lo, v), hi = std::max(hi, v);
    if (hi - lo < 1) hi = lo + 1;
    const double pad = (hi - lo) * 0.1;
    lo -= pad;
    hi += pad;
    auto y = [&](double v) { return top + strip_height - (v - lo) / (hi - lo) * strip_height; };
    out += "<rect x=\"" + num(left) + "\" y=\"" + num(top) + "\" width=\"" + num(plot_width) + "\" height=\"" +
           num(strip_height) + "\" fill=\"#fafafa\" stroke=\"#cccccc\"/>\n";
    if (lo < 0 && hi > 0)
        out += "<line x1=\"" + num(left) + "\" y1=\"" + num(y(0)) + "\" x2=\"" + num(left + plot_width) + "\" y2=\"" +
               num(y(0)) + "\" stroke=\"#bbbbbb\" stroke-dasharray=\"4 3\"/>\n";
    std::string d;
    for (std::size_t k = 0; k < values.size(); ++k) {
        if (k > 0 && values[k] == values[k - 1]) continue;
        const double x = a.x(50.0 * static_cast<double>(k));
        d += k == 0 ? "M" + num(x) + " " + num(y(values[k])) : "H" + num(x) + "V" + num(y(values[k]));
    }
    if (!values.empty()) d += "H" + num(a.x(50.0 * static_cast<double>(values.size())));
    out += "<path d=\"" + d + "\" fill=\"none\" stroke=\"" + c.value + "\" stroke-width=\"1.8\"/>\n";
    const std::string title = std::string(c.name) + (unit[0] ? std::string(" (") + unit + ")" : std::string());
    out += text(left, top - 6, title, " font-size=\"12\" font-weight=\"bold\"");
    for (double v : {hi - pad, lo + pad}) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%g", std::nearbyint(v * 10) / 10);
        out += text(left - 8, y(v) + 4, buffer, " font-size=\"10\" text-anchor=\"end\" fill=\"#666666\"");
    }
    return out + "</g>\n";
}

}  // namespace

std::string plot_svg(const scenario_to_plot& s) {
    const stations_and_signs kinds = classify(s);
    label_boxes labels;
    std::string body;
    double y = 90;

    if (s.has_plan) y += draw_plan(s, kinds, y, labels, body) + 20;

    // The profiles cover the route cells whose track values were written: up to N - 3.
    const std::size_t cells = s.route.size() > 3 ? s.route.size() - 3 : s.route.size();
    std::vector<double> gradient, speed, adhesion;
    for (std::size_t k = 0; k < cells; ++k) {
        gradient.push_back(static_cast<double>(s.route[k].pendenza) - 100);
        speed.push_back(5.0 * s.route[k].velocita_limite);
        adhesion.push_back(s.route[k].aderenza);
    }
    const axis a{std::max(50.0 * static_cast<double>(s.route.size()), 50.0)};
    body += text(left, y + 8, "Along the line", " font-size=\"14\" font-weight=\"bold\"");
    y += 40;
    body += strip(gradient, a, y, gradient_colour, "gradient", "per mille");
    y += strip_height + strip_gap;
    body += strip(speed, a, y, speed_colour, "speed", "km/h");
    y += strip_height + strip_gap;
    body += strip(adhesion, a, y, adhesion_colour, "adhesion", "");
    y += strip_height + strip_gap;

    // Features: mountain stretches, station extents and slowdown cells on one strip.
    const double features = 70;
    body += "<g id=\"features\">\n<rect x=\"" + num(left) + "\" y=\"" + num(y) + "\" width=\"" + num(plot_width) +
            "\" height=\"" + num(features) + "\" fill=\"#fafafa\" stroke=\"#cccccc\"/>\n";
    body += text(left, y - 6, "mountains, station extents, slowdown cells", " font-size=\"12\" font-weight=\"bold\"");
    body += text(left - 8, y + 16, "mountains", " font-size=\"11\" text-anchor=\"end\"");
    body += text(left - 8, y + 40, "stations", " font-size=\"11\" text-anchor=\"end\"");
    body += text(left - 8, y + 62, "slowdowns", " font-size=\"11\" text-anchor=\"end\"");
    for (std::size_t k = 0; k < s.route.size();) {
        if (s.route[k].montagna == 0) {
            ++k;
            continue;
        }
        std::size_t e = k;
        while (e < s.route.size() && s.route[e].montagna != 0) ++e;
        body += "<rect class=\"mountain\" x=\"" + num(a.x(50.0 * static_cast<double>(k))) + "\" y=\"" +
                num(y + 6) + "\" width=\"" + num(std::max(a.x(50.0 * static_cast<double>(e)) - a.x(50.0 * static_cast<double>(k)), 1.0)) +
                "\" height=\"12\" fill=\"" + mountain_colour.value + "\"/>\n";
        k = e;
    }
    for (int k : kinds.stations) {
        const slot_servizio& st = s.slots[static_cast<std::size_t>(k)];
        const double x0 = a.x(std::max(st.inizio, 0));
        const double x1 = a.x(std::max(st.fine, 0));
        body += "<rect class=\"extent\" x=\"" + num(x0) + "\" y=\"" + num(y + 30) + "\" width=\"" +
                num(std::max(x1 - x0, 1.0)) + "\" height=\"12\" fill=\"" + extent_colour.value + "\"><title>" +
                escape(cp1252_to_utf8(st.nome)) + ", " + std::to_string(st.inizio) + " to " +
                std::to_string(st.fine) + " m</title></rect>\n";
    }
    for (std::size_t k = 0; k < s.route.size(); ++k) {
        const std::uint8_t t = s.route[k].tipo_cella;
        if (t < tipo::fine_rallentamento || t > tipo::preavviso_rallentamento) continue;
        body += "<rect class=\"slowdown\" x=\"" + num(a.x(item_position(k))) + "\" y=\"" + num(y + 52) +
                "\" width=\"2\" height=\"12\" fill=\"" + slowdown_colour.value + "\"/>\n";
    }
    body += "</g>\n";
    y += features;

    // The shared axis, in kilometres.
    const double step = nice_step(a.total_metres / 16);
    body += "<g id=\"axis\" font-size=\"11\">\n";
    for (double m = 0; m <= a.total_metres + 1e-9; m += step) {
        const double x = a.x(m);
        body += "<line x1=\"" + num(x) + "\" y1=\"" + num(y) + "\" x2=\"" + num(x) + "\" y2=\"" + num(y + 6) +
                "\" stroke=\"black\"/>\n";
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%g", m / 1000);
        body += text(x, y + 19, buffer, " text-anchor=\"middle\"");
    }
    body += text(left + plot_width / 2, y + 38, "position along the line (km)", " text-anchor=\"middle\"");
    body += "</g>\n";
    const double height = y + 56;

    std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + num(page_width) + "\" height=\"" + num(height) +
           "\" viewBox=\"0 0 " + num(page_width) + " " + num(height) +
           "\" font-family=\"DejaVu Sans, Verdana, sans-serif\">\n";
    svg += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    const std::int32_t length = s.slots[slot_generale].fine;
    svg += text(left, 36, s.title + " \xE2\x80\x94 line " + std::to_string(length) + " m",
                " id=\"title\" font-size=\"22\" font-weight=\"bold\"");
    svg += legend(62, s.has_plan);
    svg += body;
    svg += "</svg>\n";
    return svg;
}

int plot_files(const std::string& plan, const std::string& slots, const std::string& route, const std::string& title,
               const std::string& output) {
    scenario_to_plot s;
    s.title = title;
    std::string bytes, reason;
    auto fail = [](const std::string& message) {
        platform::report_failure(message);
        return 1;
    };
    if (!platform::read_file(slots, bytes, reason)) return fail("cannot open " + slots + ": " + reason);
    if (!leggi_file_servizio(bytes, s.slots, reason)) return fail(slots + ": not a service slot file: " + reason);
    if (!platform::read_file(route, bytes, reason)) return fail("cannot open " + route + ": " + reason);
    if (!leggi_file_percorso(bytes, s.route, reason)) return fail(route + ": not a route file: " + reason);
    if (!plan.empty()) {
        if (!platform::read_file(plan, bytes, reason)) return fail("cannot open " + plan + ": " + reason);
        if (!leggi_file_linea(bytes, s.x, s.y, reason)) return fail(plan + ": not a line plan file: " + reason);
        s.has_plan = std::any_of(s.x.begin(), s.x.end(), [](const elemento_linea& e) {
            return e.genere != genere_elemento::vuoto;
        });
    }
    try {
        platform::replace_file(output, plot_svg(s));
    } catch (const platform::file_error& e) {
        return fail(e.message);
    }
    return 0;
}
