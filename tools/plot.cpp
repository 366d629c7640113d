#include "tools/plot.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <set>

#include "builder/nomi_file.hpp"
#include "builder/sostituzione.hpp"
#include "core/celle.hpp"
#include "core/costanti.hpp"
#include "core/encoding.hpp"
#include "format/codec.hpp"
#include "platform/platform.hpp"
#include "timetable/timetable.hpp"

namespace {

constexpr double left = 96;
constexpr double right = 28;
constexpr double plot_width = page_width - left - right;
constexpr std::size_t plot_columns = 1156;  // plot_width in whole pixels
constexpr double max_plan_height = 520;
constexpr double strip_height = 96;
constexpr double strip_gap = 40;
constexpr double label_char_width = 6.6;  // an 11 px label, generously
constexpr double label_row = 13;
constexpr int max_label_rows = 12;

struct colour {
    const char* name;
    const char* value;
};
constexpr colour plan_colour{"track plan", "#1f4e79"};
constexpr colour run_out_colour{"run-out", "#9ab3cc"};
constexpr colour station_colour{"station", "#c0392b"};
constexpr colour signal_colour{"signal", "#2e8b57"};
constexpr colour sign_colour{"sign board", "#e67e22"};
constexpr colour indicator_colour{"speed indicator boards", "#17a2b8"};
constexpr colour board_colour{"speed board", "#555555"};
constexpr colour gradient_colour{"gradient", "#8c564b"};
constexpr colour curvature_colour{"curvature", "#6a3d9a"};
constexpr colour speed_colour{"speed limit", "#1f77b4"};
constexpr colour adhesion_colour{"adhesion", "#7b4fa0"};
constexpr colour mountain_colour{"mountain", "#8f8f8f"};
constexpr colour extent_colour{"station extent", "#e8a09a"};
constexpr colour slowdown_colour{"slowdown", "#d63384"};
constexpr colour line_end_colour{"line end", "#000000"};
constexpr colour reference_colour{"kilometre reference", "#3b3b98"};
constexpr colour run_colour{"fastest run", "#d62728"};
constexpr colour timed_colour{"scheduled time", "#2ca02c"};

// Coordinates keep one decimal: enough at this size, and the file stays small.
std::string num(double v) {
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%.1f", std::nearbyint(v * 10) / 10);
    std::string s = buffer;
    if (s == "-0.0") s = "0.0";
    if (s.size() > 2 && s.compare(s.size() - 2, 2, ".0") == 0) s.resize(s.size() - 2);
    return s;
}

std::string general(double v) {
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%g", v);
    return buffer;
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

std::string text(double x, double y, const std::string& utf8, const std::string& attributes = "") {
    return "<text x=\"" + num(x) + "\" y=\"" + num(y) + "\"" + attributes + ">" + escape(utf8) + "</text>\n";
}

std::string line(double x1, double y1, double x2, double y2, const std::string& attributes) {
    return "<line x1=\"" + num(x1) + "\" y1=\"" + num(y1) + "\" x2=\"" + num(x2) + "\" y2=\"" + num(y2) + "\" " +
           attributes + "/>\n";
}

// Characters of a UTF-8 text, for its width on the page.
std::size_t characters(const std::string& utf8) {
    return static_cast<std::size_t>(
        std::count_if(utf8.begin(), utf8.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// At most `n` characters, with an ellipsis when cut.
std::string shortened(const std::string& utf8, std::size_t n) {
    if (characters(utf8) <= n) return utf8;
    std::string out;
    std::size_t count = 0;
    for (char c : utf8) {
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80 && ++count > n - 1) break;
        out += c;
    }
    return out + "\xE2\x80\xA6";
}

// A round step near `target` (1, 2 or 5 times a power of ten).
double nice_step(double target) {
    if (!(target > 0) || !std::isfinite(target)) return 1;
    const double p = std::pow(10.0, std::floor(std::log10(target)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * p >= target) return m * p;
    return 10 * p;
}

// Label boxes already placed in the plan, so that no two labels overlap.
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

// What the page shows, for a legend that lists nothing else.
struct legend_entries {
    enum class swatch { line, dashed, block, circle, triangle, square, diamond, ring, bar };
    std::vector<std::pair<colour, swatch>> entries;
    void add(const colour& c, swatch s) {
        for (const auto& e : entries)
            if (std::string(e.first.name) == c.name) return;
        entries.emplace_back(c, s);
    }
};

std::string marker(legend_entries::swatch s, double x, double y, const char* fill, const std::string& cls,
                   const std::string& title) {
    using sw = legend_entries::swatch;
    const std::string c = cls.empty() ? "" : " class=\"" + cls + "\"";
    const std::string t = title.empty() ? "/>\n" : "><title>" + escape(title) + "</title></";
    auto close = [&](const char* tag) { return title.empty() ? t : t + tag + ">\n"; };
    switch (s) {
        case sw::triangle:
            return "<path" + c + " d=\"M" + num(x) + " " + num(y - 5) + "l4.5 8h-9z\" fill=\"" + fill + "\"" +
                   close("path");
        case sw::square:
            return "<rect" + c + " x=\"" + num(x - 3.5) + "\" y=\"" + num(y - 3.5) +
                   "\" width=\"7\" height=\"7\" fill=\"" + fill + "\"" + close("rect");
        case sw::diamond:
            return "<path" + c + " d=\"M" + num(x) + " " + num(y - 5) + "l4 5l-4 5l-4-5z\" fill=\"" + fill + "\"" +
                   close("path");
        case sw::ring:
            return "<circle" + c + " cx=\"" + num(x) + "\" cy=\"" + num(y) + "\" r=\"4\" fill=\"white\" stroke=\"" +
                   fill + "\" stroke-width=\"2\"" + close("circle");
        case sw::circle:
            return "<circle" + c + " cx=\"" + num(x) + "\" cy=\"" + num(y) + "\" r=\"5.5\" fill=\"" + fill +
                   "\" stroke=\"white\" stroke-width=\"1.5\"" + close("circle");
        case sw::bar:
            return "<rect" + c + " x=\"" + num(x - 1.5) + "\" y=\"" + num(y - 6) +
                   "\" width=\"3\" height=\"12\" fill=\"" + fill + "\"" + close("rect");
        default:
            return "";
    }
}

std::string draw_legend(const legend_entries& l, double& y) {
    using sw = legend_entries::swatch;
    std::string out = "<g id=\"legend\" font-size=\"12\">\n";
    double x = left;
    for (const auto& [c, s] : l.entries) {
        const double width = 30 + 7.2 * static_cast<double>(std::string(c.name).size()) + 8;
        if (x + width > page_width - right) {
            x = left;
            y += 20;
        }
        if (s == sw::line || s == sw::dashed)
            out += line(x, y, x + 14, y, std::string("stroke=\"") + c.value + "\" stroke-width=\"2.5\"" +
                                             (s == sw::dashed ? " stroke-dasharray=\"4 2\"" : ""));
        else if (s == sw::block)
            out += "<rect x=\"" + num(x) + "\" y=\"" + num(y - 5) + "\" width=\"14\" height=\"10\" fill=\"" + c.value +
                   "\"/>\n";
        else
            out += marker(s, x + 7, y, c.value, "", "");
        out += text(x + 18, y + 4, c.name);
        x += width;
    }
    return out + "</g>\n";
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

}  // namespace

double item_position(std::size_t k, std::uint8_t t) {
    const std::int64_t cell = static_cast<std::int64_t>(k);
    const std::optional<regola_cella> r = regola_di_tipo(t);
    return static_cast<double>(r ? metro_di_cella(*r, cell) : metri_propri_cella(cell).da);
}

namespace {

const std::string& slot_text(const scenario_to_plot& s, std::int16_t index) {
    return s.slots[static_cast<std::size_t>(std::clamp<int>(index, 0, n_slot - 1))].nome;
}

// A sign's lines are written in brackets: "(PONTE SUL )(FIUME VALSIN 1)" reads "PONTE SUL FIUME VALSIN 1".
std::string sign_words(const std::string& cp1252) {
    std::string out;
    bool blank = true;
    for (char c : cp1252) {
        const bool space = c == ' ' || c == '(' || c == ')' || c == '\t';
        if (space) {
            if (!blank) out += ' ';
            blank = true;
        } else {
            out += c;
            blank = false;
        }
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return cp1252_to_utf8(out);
}

// ---- the plan, read in place in two passes: first its extent and the points the page needs,
// then the polyline at the scale found.

struct point {
    double x = 0, y = 0;
    bool valid = false;
};

struct plan_scan {
    bool any = false;
    double xmin = 0, xmax = 0, ymin = 0, ymax = 0;
    std::size_t last = 0;
    std::vector<point> every_50;       // the last point at or before each multiple of 50 m
    std::vector<std::size_t> wanted;    // metres asked for, sorted
    std::vector<point> found;          // their points (the last point at or before each)

    point at(double metre) const {
        const std::size_t m = metre <= 0 ? 0 : metre >= 1e7 ? std::size_t{10000000} : static_cast<std::size_t>(metre);
        const auto it = std::lower_bound(wanted.begin(), wanted.end(), m);
        if (it == wanted.end() || *it != m) return {};
        return found[static_cast<std::size_t>(it - wanted.begin())];
    }
};

plan_scan scan_plan(const piano_in_file& p, std::vector<std::size_t> wanted) {
    plan_scan r;
    std::sort(wanted.begin(), wanted.end());
    wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());
    r.found.resize(wanted.size());
    r.wanted = std::move(wanted);
    std::size_t next = 0;
    point last;
    cursore_piano cx = cursore_x(p), cy = cursore_y(p);
    for (std::size_t m = 0; m < p.metri; ++m) {
        const elemento_linea ex = cx.prossimo();
        const elemento_linea ey = cy.prossimo();
        if (ex.genere != genere_elemento::vuoto) {
            last = {ex.valore, ey.valore, true};
            if (!r.any) r.xmin = r.xmax = ex.valore, r.ymin = r.ymax = ey.valore;
            r.any = true;
            r.xmin = std::min(r.xmin, ex.valore);
            r.xmax = std::max(r.xmax, ex.valore);
            r.ymin = std::min(r.ymin, ey.valore);
            r.ymax = std::max(r.ymax, ey.valore);
            r.last = m;
        }
        if (m % 50 == 0) r.every_50.push_back(last);
        while (next < r.wanted.size() && r.wanted[next] == m) r.found[next++] = last;
    }
    while (next < r.wanted.size()) r.found[next++] = last;
    return r;
}

struct plan_frame {
    double scale = 1, x0 = 0, y0 = 0, top = 0, offset = 0;
    double px(double x) const { return left + offset + (x - x0) * scale; }
    double py(double y) const { return top + (y0 - y) * scale; }
};

// The track plan, with its markers; returns the height it takes.
double draw_plan(const scenario_to_plot& s, const plan_scan& scan, const stations_and_signs& kinds, double top,
                 label_boxes& labels, legend_entries& legend, std::string& out) {
    const double dx = std::max(scan.xmax - scan.xmin, 1.0);
    const double dy = std::max(scan.ymax - scan.ymin, 1.0);
    plan_frame f;
    f.scale = std::min(plot_width / dx, max_plan_height / dy);
    f.x0 = scan.xmin;
    f.y0 = scan.ymax;
    f.top = top + 24;
    f.offset = (plot_width - dx * f.scale) / 2;
    const double length = s.slots[slot_generale].fine;

    out += "<g id=\"plan-panel\">\n";
    out += text(left, top + 8, "Track plan (north-up along the line's first heading)",
                " font-size=\"14\" font-weight=\"bold\"");
    // The polyline keeps a point only when it lies 0.6 px or more from the last one kept, and
    // always the last point of the line and of the run-out: the drawing's resolution, whatever
    // the length of the line.
    std::string main_points, run_out_points;
    {
        cursore_piano cx = cursore_x(s.plan), cy = cursore_y(s.plan);
        double kept_x = 0, kept_y = 0;
        bool kept = false;
        std::string pending;
        const std::size_t line_end = static_cast<std::size_t>(std::min(length, static_cast<double>(scan.last)));
        for (std::size_t m = 0; m <= scan.last; ++m) {
            const elemento_linea ex = cx.prossimo();
            const elemento_linea ey = cy.prossimo();
            if (ex.genere == genere_elemento::vuoto) continue;
            const double x = f.px(ex.valore), y = f.py(ey.valore);
            const bool boundary = m == line_end || m == scan.last;
            const bool far = !kept || std::hypot(x - kept_x, y - kept_y) >= 0.6;
            if (!far && !boundary) continue;
            const std::string p = num(x) + "," + num(y);
            std::string& points = m <= line_end ? main_points : run_out_points;
            if (!points.empty()) points += ' ';
            points += p;
            // The run-out starts where the line ends.
            if (m == line_end) run_out_points = p;
            kept_x = x, kept_y = y, kept = true;
        }
    }
    char data[320];
    std::snprintf(data, sizeof data,
                  " data-scale=\"%.17g\" data-x0=\"%.17g\" data-y0=\"%.17g\" data-left=\"%.17g\" data-top=\"%.17g\"",
                  f.scale, f.x0, f.y0, left + f.offset, f.top);
    out += "<polyline id=\"plan\" fill=\"none\" stroke=\"" + std::string(plan_colour.value) +
           "\" stroke-width=\"2\" stroke-linejoin=\"round\"" + data + " points=\"" + main_points + "\"/>\n";
    legend.add(plan_colour, legend_entries::swatch::line);
    if (run_out_points.find(' ') != std::string::npos) {
        out += "<polyline id=\"plan-run-out\" fill=\"none\" stroke=\"" + std::string(run_out_colour.value) +
               "\" stroke-width=\"2\" stroke-dasharray=\"5 3\" points=\"" + run_out_points + "\"/>\n";
        legend.add(run_out_colour, legend_entries::swatch::dashed);
    }

    auto page_point = [&](double metre) {
        const point p = scan.at(metre);
        return std::pair{f.px(p.x), f.py(p.y)};
    };
    for (std::size_t k = 0; k < s.route.size(); ++k) {
        const std::uint8_t t = s.route[k].tipo_cella;
        if (t != tipo::segnale && t != tipo::cartello) continue;
        const double at = item_position(k, t);
        const auto [x, y] = page_point(at);
        if (t == tipo::segnale) {
            out += marker(legend_entries::swatch::triangle, x, y, signal_colour.value, "signal",
                          "signal, " + num(at) + " m");
            legend.add(signal_colour, legend_entries::swatch::triangle);
        } else {
            out += marker(legend_entries::swatch::square, x, y, sign_colour.value, "sign",
                          sign_words(slot_text(s, s.route[k].valore1)) + ", " + num(at) + " m");
            legend.add(sign_colour, legend_entries::swatch::square);
        }
    }
    for (int k : kinds.stations) {
        const slot_servizio& st = s.slots[static_cast<std::size_t>(k)];
        const auto [x, y] = page_point(st.posizione);
        out += marker(legend_entries::swatch::circle, x, y, station_colour.value, "station",
                      cp1252_to_utf8(st.nome) + ", " + std::to_string(st.posizione) + " m");
        legend.add(station_colour, legend_entries::swatch::circle);
    }
    // The line's end: a bar across the track.
    {
        const auto [x, y] = page_point(length);
        out += "<g id=\"plan-line-end\">" + line(x - 7, y - 7, x + 7, y + 7, "stroke=\"black\" stroke-width=\"3\"") +
               line(x - 7, y + 7, x + 7, y - 7, "stroke=\"black\" stroke-width=\"3\"") + "</g>\n";
        if (auto at = labels.place({{x + 10, y + 4}, {x - 10 - 7.2 * 8, y + 4}, {x - 29, y - 10}, {x - 29, y + 20}}, 8))
            out += text(at->first, at->second, "line end", " font-size=\"12\" font-style=\"italic\"");
        legend.add(line_end_colour, legend_entries::swatch::dashed);
    }
    // Labels after all markers: each takes the first free place around its station.
    for (int k : kinds.stations) {
        const slot_servizio& st = s.slots[static_cast<std::size_t>(k)];
        const auto [x, y] = page_point(st.posizione);
        const std::string name = cp1252_to_utf8(st.nome);
        const double w = 7.2 * static_cast<double>(characters(name));
        if (auto at = labels.place({{x + 9, y + 4}, {x - 9 - w, y + 4}, {x - w / 2, y - 10}, {x - w / 2, y + 18},
                                    {x + 9, y + 20}, {x - 9 - w, y - 12}},
                                   characters(name)))
            out += text(at->first, at->second, name, " class=\"station-label\" font-size=\"12\"");
    }

    const double plan_bottom = f.top + dy * f.scale;
    // Scale bar: a round length near a fifth of the panel.
    const double metres = nice_step(plot_width / 5 / f.scale);
    const double bar_y = plan_bottom + 30;
    out += "<g id=\"scale-bar\">" + line(left, bar_y, left + metres * f.scale, bar_y, "stroke=\"black\" stroke-width=\"3\"") +
           text(left, bar_y - 7, metres >= 1000 ? general(metres / 1000) + " km" : general(metres) + " m",
                " font-size=\"12\"") +
           "</g>\n";
    out += "</g>\n";
    return bar_y + 20 - top;
}

// ---- along the line

struct axis {
    double total_metres;
    double x(double metres) const { return left + metres / total_metres * plot_width; }
};

// Values of one quantity per 50 m cell, drawn as steps; the y range always holds `at_least`.
struct strip_style {
    const colour& c;
    const char* id;
    const char* unit;
    double at_least;
};

struct strip_frame {
    double top, lo, hi;
    double y(double v) const { return top + strip_height - (v - lo) / (hi - lo) * strip_height; }
};

// The frame, the ticks and the step line of one strip; `extra` values widen its range.
std::string strip(const std::vector<double>& values, const std::vector<double>& extra, const axis& a, double top,
                  const strip_style& strip, const std::vector<double>& km_ticks, strip_frame& frame) {
    std::string out = "<g class=\"profile\" id=\"profile-" + std::string(strip.id) + "\">\n";
    double lo = 0, hi = 0;
    for (double v : values) lo = std::min(lo, v), hi = std::max(hi, v);
    for (double v : extra) lo = std::min(lo, v), hi = std::max(hi, v);
    // The range holds 0 and at least `at_least` units, so that a flat profile reads as flat.
    if (hi - lo < strip.at_least) {
        if (lo == 0 && hi == 0)
            lo = -strip.at_least / 2, hi = strip.at_least / 2;
        else if (lo >= 0)
            hi = lo + strip.at_least;
        else if (hi <= 0)
            lo = hi - strip.at_least;
        else
            lo = (lo + hi - strip.at_least) / 2, hi = lo + strip.at_least;
    }
    const double step = nice_step((hi - lo) / 4);
    lo = std::floor(lo / step) * step;
    hi = std::ceil(hi / step) * step;
    if (hi <= lo) hi = lo + step;
    frame = {top, lo, hi};
    out += "<rect x=\"" + num(left) + "\" y=\"" + num(top) + "\" width=\"" + num(plot_width) + "\" height=\"" +
           num(strip_height) + "\" fill=\"#fafafa\" stroke=\"#cccccc\"/>\n";
    // Grid: every value tick across, every km tick along.
    for (double v = lo; v <= hi + step / 2; v += step) {
        const double y = frame.y(v);
        out += line(left, y, left + plot_width, y,
                    v == 0 ? "stroke=\"#999999\" stroke-dasharray=\"4 3\"" : "stroke=\"#e6e6e6\"");
        out += text(left - 6, y + 4, general(std::nearbyint(v / step) * step),
                    " font-size=\"10\" text-anchor=\"end\" fill=\"#555555\"");
    }
    for (double m : km_ticks) out += line(a.x(m), top, a.x(m), top + strip_height, "stroke=\"#eeeeee\"");

    // Exact steps while they are fewer than the pixels; beyond, each pixel column is drawn as
    // the range of its values, which is what the screen could show anyway.
    std::size_t changes = 0;
    for (std::size_t k = 1; k < values.size(); ++k) changes += values[k] != values[k - 1];
    std::string d;
    const double cell_px = plot_width / (a.total_metres / 50);
    if (changes <= plot_columns) {
        for (std::size_t k = 0; k < values.size(); ++k) {
            if (k > 0 && values[k] == values[k - 1]) continue;
            const double x = a.x(50.0 * static_cast<double>(k));
            d += k == 0 ? "M" + num(x) + " " + num(frame.y(values[k])) : "H" + num(x) + "V" + num(frame.y(values[k]));
        }
    } else {
        std::size_t k = 0;
        while (k < values.size()) {
            const std::size_t column = static_cast<std::size_t>(static_cast<double>(k) * cell_px);
            double lo_v = values[k], hi_v = values[k];
            std::size_t e = k;
            while (e < values.size() && static_cast<std::size_t>(static_cast<double>(e) * cell_px) == column) {
                lo_v = std::min(lo_v, values[e]);
                hi_v = std::max(hi_v, values[e]);
                ++e;
            }
            const double x = a.x(50.0 * static_cast<double>(k));
            d += (k == 0 ? "M" : "L") + num(x) + " " + num(frame.y(values[k])) + "V" + num(frame.y(lo_v)) + "V" +
                 num(frame.y(hi_v)) + "V" + num(frame.y(values[e - 1]));
            k = e;
        }
    }
    if (!values.empty()) d += "H" + num(a.x(50.0 * static_cast<double>(values.size())));
    out += "<path d=\"" + d + "\" fill=\"none\" stroke=\"" + strip.c.value + "\" stroke-width=\"1.8\"/>\n";
    const std::string title = std::string(strip.c.name) + (strip.unit[0] ? std::string(" (") + strip.unit + ")" : "");
    out += text(left, top - 6, title, " font-size=\"12\" font-weight=\"bold\"");
    return out + "</g>\n";
}

// One object along the line: a marker and its label.
struct object_mark {
    double metres;
    legend_entries::swatch swatch;
    const colour* c;
    const char* cls;
    std::string label;
    std::string title;
};

std::vector<object_mark> objects_of(const scenario_to_plot& s, const stations_and_signs& kinds) {
    using sw = legend_entries::swatch;
    std::vector<object_mark> r;
    for (std::size_t k = 0; k < s.route.size(); ++k) {
        const cella& c = s.route[k];
        const double at = item_position(k, c.tipo_cella);
        const std::string where = general(at / 1000) + " km";
        switch (c.tipo_cella) {
            case tipo::segnale:
                r.push_back({at, sw::triangle, &signal_colour, "signal-mark", "S " + general(at / 1000), "signal, " + where});
                break;
            case tipo::cartello: {
                const std::string words = sign_words(slot_text(s, c.valore1));
                r.push_back({at, sw::square, &sign_colour, "sign-mark", shortened(words, 26), words + ", " + where});
                break;
            }
            case tipo::indicatori_velocita: {
                // The speeds of both sides, a / b / c, left then right, as written in steps of 5 km/h.
                std::string left_speeds, right_speeds;
                for (std::int16_t v : {c.valore1, c.valore2, c.valore3}) {
                    const std::optional<velocita_lati> d = decodifica_indicatore(v);
                    left_speeds += (left_speeds.empty() ? "" : "/") + (d ? std::to_string(d->sinistra) : "?");
                    right_speeds += (right_speeds.empty() ? "" : "/") + (d ? std::to_string(d->destra) : "?");
                }
                const std::string speeds = left_speeds + " | " + right_speeds;
                r.push_back({at, sw::diamond, &indicator_colour, "indicator-mark", speeds,
                             "speed indicator boards " + speeds + " km/h, " + where});
                break;
            }
            case tipo::tabella_con_valore:
                r.push_back({at, sw::ring, &board_colour, "board-mark", std::to_string(c.valore1),
                             "speed board " + std::to_string(c.valore1) + " km/h, " + where});
                break;
            case tipo::tabella_senza_valore:
                r.push_back({at, sw::ring, &board_colour, "board-mark", "board", "speed board, " + where});
                break;
            case tipo::avviso_rallentamento:
                r.push_back({at, sw::bar, &slowdown_colour, "slowdown-mark", "warning " + std::to_string(c.valore1),
                             "slowdown warning " + std::to_string(c.valore1) + " km/h, " + where});
                break;
            default:
                break;
        }
    }
    for (int k : kinds.stations) {
        const slot_servizio& st = s.slots[static_cast<std::size_t>(k)];
        const std::string name = cp1252_to_utf8(st.nome);
        const double at = std::clamp(static_cast<double>(st.posizione), 0.0, 50.0 * static_cast<double>(s.route.size()));
        r.push_back({at, sw::circle, &station_colour, "station-mark",
                     shortened(name, 26), name + ", " + general(st.posizione / 1000.0) + " km"});
    }
    // The kilometre references: from its start along the line on, the chainage runs on from the one
    // it gives (raised by 100 m when its flag is 1), which is what the label shows.
    for (int k = slot_progressiva_tre; k <= slot_progressiva_uno; ++k) {
        const slot_servizio& p = s.slots[static_cast<std::size_t>(k)];
        if (progressiva_vuota(p)) continue;
        const double at = std::clamp(static_cast<double>(p.inizio), 0.0, 50.0 * static_cast<double>(s.route.size()));
        const std::string km = "km " + general(p.fine / 1000.0);
        std::string title = "kilometre reference: " + km + " at " + general(p.inizio / 1000.0) + " km along the line";
        if (p.posizione == 1) title += " (written " + general(decodifica_progressiva(p) / 1000.0) + ", raised 100 m by its flag)";
        r.push_back({at, sw::bar, &reference_colour, "reference-mark", km, title});
    }
    std::stable_sort(r.begin(), r.end(), [](const object_mark& a, const object_mark& b) { return a.metres < b.metres; });
    return r;
}

// Signals, boards, signs, stations and kilometre references on the shared axis; every label takes
// the lowest row in which it overlaps no other, and is tied to its marker by a thin line. Returns
// the height.
double draw_objects(const scenario_to_plot& s, const stations_and_signs& kinds, const axis& a, double top,
                    legend_entries& legend, std::string& out) {
    const std::vector<object_mark> objects = objects_of(s, kinds);
    std::vector<double> row_end(max_label_rows, -1e9);
    struct placed {
        const object_mark* o;
        int row;
    };
    std::vector<placed> labels;
    std::size_t hidden = 0;
    int rows = 1;
    for (const object_mark& o : objects) {
        const double x = a.x(o.metres);
        const double w = static_cast<double>(characters(o.label)) * label_char_width;
        int row = -1;
        for (int r = 0; r < max_label_rows && row < 0; ++r)
            if (row_end[static_cast<std::size_t>(r)] < x - 1 && x + w <= page_width - 4) row = r;
        if (row < 0) {
            ++hidden;
            continue;
        }
        row_end[static_cast<std::size_t>(row)] = x + w + 6;
        rows = std::max(rows, row + 1);
        labels.push_back({&o, row});
    }
    const double marks_y = top + 20 + rows * label_row + 8;
    out += "<g id=\"objects\">\n";
    std::string heading = "signals, boards, sign boards, stations and kilometre references";
    if (hidden > 0) heading += " (" + std::to_string(hidden) + " labels left out where crowded: see the markers' titles)";
    out += text(left, top + 8, heading, " font-size=\"12\" font-weight=\"bold\"");
    out += line(left, marks_y, left + plot_width, marks_y, "stroke=\"#cccccc\"");
    // Leaders first, then the labels over them, each on a white halo where a leader passes.
    for (const placed& p : labels) {
        const double x = a.x(p.o->metres);
        out += line(x, marks_y - 10 - p.row * label_row + 2, x, marks_y - 5, "stroke=\"#bbbbbb\" stroke-width=\"0.8\"");
    }
    for (const placed& p : labels) {
        const double x = a.x(p.o->metres);
        out += text(x + 1, marks_y - 10 - p.row * label_row, p.o->label,
                    std::string(" class=\"object-label\" font-size=\"11\" stroke=\"white\" stroke-width=\"3\" "
                                "paint-order=\"stroke\" fill=\"") +
                        (p.o->c == &station_colour ? station_colour.value : "#222222") + "\"");
    }
    // One marker of a kind per pixel: beyond that the screen shows nothing more.
    std::set<std::pair<std::string, long long>> drawn;
    for (const object_mark& o : objects) {
        const double x = a.x(o.metres);
        if (!drawn.insert({o.cls, static_cast<long long>(std::floor(std::clamp(x, 0.0, page_width)))}).second) continue;
        out += marker(o.swatch, x, marks_y, o.c->value, o.cls, o.title);
        legend.add(*o.c, o.swatch);
    }
    out += "</g>\n";
    return marks_y + 10 - top;
}

// The curvature between the plan's points 50 m apart, in 1/km, right-hand curves above 0.
std::vector<double> curvature_of(const plan_scan& scan, std::size_t cells) {
    std::vector<double> r(cells, 0.0);
    const std::vector<point>& p = scan.every_50;
    for (std::size_t k = 1; k + 1 < p.size() && k < cells; ++k) {
        if (!p[k - 1].valid || !p[k].valid || !p[k + 1].valid) continue;
        const double ax = p[k].x - p[k - 1].x, ay = p[k].y - p[k - 1].y;
        const double bx = p[k + 1].x - p[k].x, by = p[k + 1].y - p[k].y;
        if ((ax == 0 && ay == 0) || (bx == 0 && by == 0)) continue;
        const double turn = std::atan2(ax * by - ay * bx, ax * bx + ay * by);
        r[k] = -turn / 50 * 1000;
    }
    return r;
}

}  // namespace

bool prepare_plot(const named_bytes* plan, const named_bytes& slots, const named_bytes& route, const std::string& title,
                  scenario_to_plot& s, std::string& error) {
    std::string reason;
    s.title = title;
    if (!leggi_file_servizio(slots.bytes, s.slots, reason)) {
        error = slots.name + ": not a service slot file: " + reason;
        return false;
    }
    if (!leggi_file_percorso(route.bytes, s.route, reason)) {
        error = route.name + ": not a route file: " + reason;
        return false;
    }
    // The slot file's line length sizes the other two files.
    const std::int64_t length = s.slots[slot_generale].fine;
    if (length < 0 || length > lunghezza_massima_linea) {
        error = slots.name + ": the line length " + std::to_string(length) + " m is outside 0 to " +
                std::to_string(lunghezza_massima_linea);
        return false;
    }
    const std::int64_t extent = length + metri_oltre_fine;
    const std::size_t cells = static_cast<std::size_t>(ultima_cella(length)) + 1;
    if (s.route.size() != cells) {
        error = route.name + ": holds " + std::to_string(s.route.size()) + " cells, but the line length " +
                std::to_string(length) + " m of " + slots.name + " makes " + std::to_string(cells);
        return false;
    }
    s.has_plan = false;
    if (plan == nullptr) return true;
    if (!verifica_file_linea(plan->bytes, s.plan, reason)) {
        error = plan->name + ": not a line plan file: " + reason;
        return false;
    }
    if (s.plan.metri != static_cast<std::size_t>(extent) + 1) {
        error = plan->name + ": holds " + std::to_string(s.plan.metri) + " metres, but the line length " +
                std::to_string(length) + " m of " + slots.name + " makes " + std::to_string(extent + 1);
        return false;
    }
    // Tracing starts at the origin and moves each point from the one before by a step that no
    // curve of the plan can make longer than passo_massimo_piano: a point that jumps further, or
    // a value that is not a number, is not a traced plan.
    const double longest = passo_massimo_piano(s.plan.metri);
    cursore_piano cx = cursore_x(s.plan), cy = cursore_y(s.plan);
    double last_x = 0, last_y = 0;
    for (std::size_t m = 0; m < s.plan.metri; ++m) {
        const elemento_linea e[2] = {cx.prossimo(), cy.prossimo()};
        if (e[0].genere == genere_elemento::vuoto) continue;
        for (int i = 0; i < 2; ++i) {
            if (std::isfinite(e[i].valore)) continue;
            char value[40];
            std::snprintf(value, sizeof value, "%.17g", e[i].valore);
            error = plan->name + ": metre " + std::to_string(m) + ": " + (i == 0 ? "x" : "y") + " is " + value +
                    ", not a number of metres";
            return false;
        }
        const double step = std::hypot(e[0].valore - last_x, e[1].valore - last_y);
        if (!(step <= longest)) {
            char value[40];
            std::snprintf(value, sizeof value, "%.6g", step);
            error = plan->name + ": metre " + std::to_string(m) + ": the point lies " + value +
                    " m from the one before, more than the plan's curves can make a step of track";
            return false;
        }
        s.has_plan = true;
        last_x = e[0].valore;
        last_y = e[1].valore;
    }
    return true;
}

// ---- the timetable: the fastest run of the scenario's train, from the compiled files

// The plan's traced runs back from its points: each metre's step turned by k against the one
// before, k snapped to the curve class it was traced with.
linea_tracciata runs_from_plan(const piano_in_file& p) {
    linea_tracciata l;
    l.seminata = true;
    cursore_piano cx = cursore_x(p), cy = cursore_y(p);
    double x2 = 0, y2 = 0, x1 = 0, y1 = 0;
    for (std::size_t m = 0; m < p.metri; ++m) {
        const elemento_linea ex = cx.prossimo();
        const elemento_linea ey = cy.prossimo();
        if (ex.genere == genere_elemento::vuoto) break;
        if (m >= 2) {
            const double dx = x1 - x2, dy = y1 - y2;
            const double k = std::fabs(dy) >= std::fabs(dx) ? (ex.valore - x1 - dx) / dy : -(ey.valore - y1 - dy) / dx;
            double snapped = 0;
            for (double c : curvature_classi)
                for (double sign : {1.0, -1.0})
                    if (std::fabs(k - sign * c) < std::fabs(k - snapped)) snapped = sign * c;
            if (std::fabs(k - snapped) > 1e-7) snapped = k;
            const bool curva = snapped != 0;
            if (!l.tratti.empty() && l.tratti.back().curva == curva && l.tratti.back().k == snapped)
                l.tratti.back().fino = static_cast<std::int32_t>(m);
            else
                l.tratti.push_back({static_cast<std::int32_t>(m), curva, snapped});
            l.metro = static_cast<std::int32_t>(m) + 1;
        }
        x2 = x1, y2 = y1, x1 = ex.valore, y1 = ey.valore;
    }
    return l;
}

timetable_result timetable_of(const scenario_to_plot& s) {
    stato_build b;
    b.percorso = s.route;
    b.servizio = s.slots;
    if (s.has_plan) b.linea = runs_from_plan(s.plan);
    return work_out_timetable(b, default_train_model(b));
}

// Two panels on the shared axis: speed against position (the lowest limit under the train and the
// fastest run) and time against position (the run, and every scheduled time as a point).
std::string timetable_panels(const scenario_to_plot& s, const timetable_result& r, const axis& a,
                             const std::vector<double>& km_ticks, double& y, legend_entries& legend) {
    std::string out = "<g id=\"timetable-panels\">\n";
    const std::size_t n = r.run.speed_ms.size();
    const double per_column = std::max(1.0, static_cast<double>(n) / static_cast<double>(plot_columns));
    std::vector<std::size_t> samples;
    for (double i = 0; i < static_cast<double>(n); i += per_column) samples.push_back(static_cast<std::size_t>(i));
    if (n > 0 && samples.back() != n - 1) samples.push_back(n - 1);

    std::vector<double> limits;
    for (std::size_t i : samples) limits.push_back(r.run.effective_limit_kmh[i]);
    strip_frame frame{};
    // The frames of both panels come from the values drawn over them.
    const std::vector<double> none;
    std::string panel = strip(none, limits, a, y,
                              {run_colour, "fastest-run", "km/h: the lowest limit under the train, dashed, and the run", 40},
                              km_ticks, frame);
    std::string limit_path, run_path;
    for (std::size_t j = 0; j < samples.size(); ++j) {
        const double x = a.x(r.first_metre + static_cast<double>(samples[j]));
        limit_path += (j == 0 ? "M" : "L") + num(x) + " " + num(frame.y(r.run.effective_limit_kmh[samples[j]]));
        run_path += (j == 0 ? "M" : "L") + num(x) + " " + num(frame.y(r.run.speed_ms[samples[j]] * 3.6));
    }
    panel += "<path id=\"run-limit\" d=\"" + limit_path + "\" fill=\"none\" stroke=\"" + speed_colour.value +
             "\" stroke-width=\"1.2\" stroke-dasharray=\"4 2\"/>\n";
    panel += "<path id=\"run-speed\" d=\"" + run_path + "\" fill=\"none\" stroke=\"" + run_colour.value +
             "\" stroke-width=\"1.8\"/>\n";
    out += panel;
    legend.add(run_colour, legend_entries::swatch::line);
    y += strip_height + strip_gap;

    // Time since the origin's departure, in minutes.
    const double departure = r.rows.front().earliest_departure_s.value_or(0);
    std::vector<double> minutes;
    for (std::size_t i : samples) {
        const std::optional<double> t = passing_time_at(r, r.first_metre + static_cast<std::int32_t>(i));
        minutes.push_back(t ? (*t - departure) / 60 : 0);
    }
    std::vector<double> scheduled_minutes = minutes;
    for (const timetable_row& row : r.rows) {
        const auto t = row.scheduled_departure_s ? row.scheduled_departure_s
                                                 : row.scheduled_arrival_s ? row.scheduled_arrival_s : row.scheduled_passing_s;
        if (t) scheduled_minutes.push_back((*t - departure) / 60);
    }
    out += strip(none, scheduled_minutes, a, y,
                 {timed_colour, "time-distance", "minutes after the departure: the fastest run, and each time as a point", 10},
                 km_ticks, frame);
    std::string time_path;
    for (std::size_t j = 0; j < samples.size(); ++j)
        time_path += (j == 0 ? "M" : "L") + num(a.x(r.first_metre + static_cast<double>(samples[j]))) + " " +
                     num(frame.y(minutes[j]));
    out += "<path id=\"run-time\" d=\"" + time_path + "\" fill=\"none\" stroke=\"" + run_colour.value +
           "\" stroke-width=\"1.8\"/>\n";
    for (const timetable_row& row : r.rows) {
        const auto t = row.scheduled_departure_s ? row.scheduled_departure_s
                                                 : row.scheduled_arrival_s ? row.scheduled_arrival_s : row.scheduled_passing_s;
        if (!t) continue;
        const double x = a.x(row.stop_point_m), yy = frame.y((*t - departure) / 60);
        const bool late = row.v == verdict::infeasible;
        out += "<circle class=\"scheduled\" cx=\"" + num(x) + "\" cy=\"" + num(yy) + "\" r=\"4\" fill=\"" +
               (late ? std::string("#d62728") : std::string(timed_colour.value)) + "\"><title>" +
               escape(cp1252_to_utf8(row.name)) + ": scheduled " + clock_text(*t) +
               (row.v != verdict::none ? std::string(", ") + verdict_name(row.v) : std::string()) + "</title></circle>\n";
    }
    legend.add(timed_colour, legend_entries::swatch::circle);
    y += strip_height + strip_gap;
    (void)s;
    return out + "</g>\n";
}

std::string plot_svg(const scenario_to_plot& s) {
    const stations_and_signs kinds = classify(s);
    label_boxes labels;
    legend_entries legend;
    std::string body;
    double y = 0;
    const double length = s.slots[slot_generale].fine;

    // The profiles cover the route cells whose track values were written: up to N - 3.
    const std::size_t cells = s.route.size() > 3 ? s.route.size() - 3 : s.route.size();
    std::optional<plan_scan> scan;
    if (s.has_plan) {
        std::vector<std::size_t> wanted;
        for (std::size_t k = 0; k < s.route.size(); ++k)
            if (s.route[k].tipo_cella == tipo::segnale || s.route[k].tipo_cella == tipo::cartello)
                wanted.push_back(static_cast<std::size_t>(std::max(item_position(k, s.route[k].tipo_cella), 0.0)));
        for (int k : kinds.stations)
            wanted.push_back(static_cast<std::size_t>(std::clamp(s.slots[static_cast<std::size_t>(k)].posizione, 0, 10000000)));
        wanted.push_back(static_cast<std::size_t>(length));
        scan = scan_plan(s.plan, std::move(wanted));
        if (scan->any) y += draw_plan(s, *scan, kinds, y, labels, legend, body) + 20;
    }

    const axis a{50.0 * static_cast<double>(s.route.size())};
    std::vector<double> km_ticks;
    const double step = nice_step(a.total_metres / 14);
    for (double m = 0; m <= a.total_metres + 1e-9; m += step) km_ticks.push_back(m);

    const double along_top = y;
    body += text(left, y + 8, "Along the line", " font-size=\"14\" font-weight=\"bold\"");
    y += 24;
    const double objects_top = y;
    std::string objects;
    y += draw_objects(s, kinds, a, y, legend, objects) + strip_gap;

    std::vector<double> gradient, speed, adhesion;
    for (std::size_t k = 0; k < cells; ++k) {
        gradient.push_back(static_cast<double>(s.route[k].pendenza) - 100);
        speed.push_back(5.0 * s.route[k].velocita_limite);
        adhesion.push_back(s.route[k].aderenza);
    }
    strip_frame frame{};
    std::string strips;
    strips += strip(gradient, {}, a, y, {gradient_colour, "gradient", "per mille", 4}, km_ticks, frame);
    legend.add(gradient_colour, legend_entries::swatch::line);
    y += strip_height + strip_gap;
    if (scan && scan->any) {
        strips += strip(curvature_of(*scan, cells), {}, a, y,
                        {curvature_colour, "curvature", "1/km, right-hand curves above 0", 2}, km_ticks, frame);
        legend.add(curvature_colour, legend_entries::swatch::line);
        y += strip_height + strip_gap;
    }

    // Slowdowns: from each start cell to the next end cell, at the slowdown's speed.
    struct slowdown {
        double from, to, speed;
    };
    std::vector<slowdown> slowdowns;
    for (std::size_t k = 0; k < s.route.size(); ++k) {
        if (s.route[k].tipo_cella != tipo::inizio_rallentamento) continue;
        std::size_t e = k + 1;
        while (e < s.route.size() && s.route[e].tipo_cella != tipo::fine_rallentamento) ++e;
        if (e == s.route.size()) e = k;
        slowdowns.push_back({item_position(k, tipo::inizio_rallentamento), item_position(e, tipo::fine_rallentamento),
                             static_cast<double>(s.route[k].valore1)});
    }
    std::vector<double> slowdown_speeds;
    for (const slowdown& d : slowdowns) slowdown_speeds.push_back(d.speed);
    strips += strip(speed, slowdown_speeds, a, y, {speed_colour, "speed", "km/h", 40}, km_ticks, frame);
    legend.add(speed_colour, legend_entries::swatch::line);
    if (!slowdowns.empty()) {
        strips += "<g id=\"slowdowns\">\n";
        for (const slowdown& d : slowdowns) {
            const double x0 = a.x(d.from), x1 = std::max(a.x(d.to), a.x(d.from) + 2);
            strips += "<rect class=\"slowdown\" x=\"" + num(x0) + "\" y=\"" + num(frame.y(d.speed) - 2) + "\" width=\"" +
                      num(x1 - x0) + "\" height=\"4\" fill=\"" + slowdown_colour.value + "\"><title>slowdown " +
                      general(d.speed) + " km/h, " + general(d.from) + " to " + general(d.to) + " m</title></rect>\n";
            strips += text(x0, frame.y(d.speed) - 5, general(d.speed),
                           std::string(" font-size=\"10\" fill=\"") + slowdown_colour.value + "\"");
        }
        strips += "</g>\n";
        legend.add(slowdown_colour, legend_entries::swatch::block);
    }
    y += strip_height + strip_gap;
    strips += strip(adhesion, {}, a, y, {adhesion_colour, "adhesion", "", 20}, km_ticks, frame);
    legend.add(adhesion_colour, legend_entries::swatch::line);
    y += strip_height + strip_gap;
    // The timetable's panels, where the service has a run to work out.
    const timetable_result run = timetable_of(s);
    if (run.problem.empty() && !run.rows.empty()) strips += timetable_panels(s, run, a, km_ticks, y, legend);

    // Features: mountain stretches, station extents and slowdown cells on one strip.
    const double features = 70;
    std::string feature_strip = "<g id=\"features\">\n<rect x=\"" + num(left) + "\" y=\"" + num(y) + "\" width=\"" +
                                num(plot_width) + "\" height=\"" + num(features) +
                                "\" fill=\"#fafafa\" stroke=\"#cccccc\"/>\n";
    feature_strip += text(left, y - 6, "mountains, station extents, slowdown cells", " font-size=\"12\" font-weight=\"bold\"");
    feature_strip += text(left - 6, y + 16, "mountains", " font-size=\"11\" text-anchor=\"end\"");
    feature_strip += text(left - 6, y + 40, "stations", " font-size=\"11\" text-anchor=\"end\"");
    feature_strip += text(left - 6, y + 62, "slowdowns", " font-size=\"11\" text-anchor=\"end\"");
    // Stretches less than a pixel apart are drawn as one.
    const double cell_px = plot_width / (a.total_metres / 50);
    for (std::size_t k = 0; k < s.route.size();) {
        if (s.route[k].montagna == 0) {
            ++k;
            continue;
        }
        std::size_t e = k;
        for (;;) {
            while (e < s.route.size() && s.route[e].montagna != 0) ++e;
            std::size_t next = e;
            while (next < s.route.size() && s.route[next].montagna == 0 && static_cast<double>(next - e) * cell_px < 1) ++next;
            if (next < s.route.size() && s.route[next].montagna != 0 && next > e) {
                e = next;
                continue;
            }
            break;
        }
        const double x0 = a.x(50.0 * static_cast<double>(k));
        feature_strip += "<rect class=\"mountain\" x=\"" + num(x0) + "\" y=\"" + num(y + 6) + "\" width=\"" +
                         num(std::max(a.x(50.0 * static_cast<double>(e)) - x0, 1.0)) + "\" height=\"12\" fill=\"" +
                         mountain_colour.value + "\"/>\n";
        legend.add(mountain_colour, legend_entries::swatch::block);
        k = e;
    }
    for (int k : kinds.stations) {
        const slot_servizio& st = s.slots[static_cast<std::size_t>(k)];
        const double x0 = a.x(std::clamp(static_cast<double>(st.inizio), 0.0, a.total_metres));
        const double x1 = a.x(std::clamp(static_cast<double>(st.fine), 0.0, a.total_metres));
        feature_strip += "<rect class=\"extent\" x=\"" + num(x0) + "\" y=\"" + num(y + 30) + "\" width=\"" +
                         num(std::max(x1 - x0, 1.0)) + "\" height=\"12\" fill=\"" + extent_colour.value + "\"><title>" +
                         escape(cp1252_to_utf8(s.slots[static_cast<std::size_t>(k)].nome)) + ", " +
                         std::to_string(st.inizio) + " to " + std::to_string(st.fine) + " m</title></rect>\n";
        legend.add(extent_colour, legend_entries::swatch::block);
    }
    std::set<long long> slowdown_columns;
    for (std::size_t k = 0; k < s.route.size(); ++k) {
        const std::uint8_t t = s.route[k].tipo_cella;
        if (t < tipo::fine_rallentamento || t > tipo::preavviso_rallentamento) continue;
        const double x = a.x(item_position(k, t));
        if (!slowdown_columns.insert(static_cast<long long>(std::floor(x))).second) continue;
        feature_strip += "<rect class=\"slowdown-cell\" x=\"" + num(x) + "\" y=\"" + num(y + 52) +
                         "\" width=\"2\" height=\"12\" fill=\"" + slowdown_colour.value + "\"/>\n";
        legend.add(slowdown_colour, legend_entries::swatch::block);
    }
    feature_strip += "</g>\n";
    y += features;

    // The line's end and the run-out after it, behind every strip along the line.
    const double end_x = a.x(length);
    std::string run_out = "<g id=\"run-out\">\n<rect x=\"" + num(end_x) + "\" y=\"" + num(objects_top) + "\" width=\"" +
                          num(std::max(left + plot_width - end_x, 0.0)) + "\" height=\"" + num(y - objects_top) +
                          "\" fill=\"#eef2f6\"/>\n";
    run_out += line(end_x, objects_top, end_x, y + 6, "stroke=\"black\" stroke-width=\"1.5\" stroke-dasharray=\"6 3\"");
    run_out += text(end_x - 4, along_top + 8, "line end " + general(length / 1000) + " km",
                    " id=\"line-end\" font-size=\"12\" text-anchor=\"end\" font-style=\"italic\"");
    run_out += text(end_x + 4, along_top + 8, "run-out", " font-size=\"12\" font-style=\"italic\" fill=\"#555555\"");
    run_out += "</g>\n";
    legend.add(line_end_colour, legend_entries::swatch::dashed);
    body += run_out + objects + strips + feature_strip;

    // The shared axis, in kilometres, with a minor tick every fifth of a step.
    body += "<g id=\"axis\" font-size=\"11\">\n";
    for (double m = 0; m <= a.total_metres + 1e-9; m += step / 5)
        body += line(a.x(m), y, a.x(m), y + 3, "stroke=\"#666666\"");
    for (double m : km_ticks) {
        body += line(a.x(m), y, a.x(m), y + 7, "stroke=\"black\"");
        body += text(a.x(m), y + 19, general(m / 1000), " text-anchor=\"middle\"");
    }
    body += text(left + plot_width / 2, y + 36, "position along the line (km)", " text-anchor=\"middle\"");
    body += "</g>\n";

    double legend_y = 62;
    const std::string legend_svg = draw_legend(legend, legend_y);
    const double top = legend_y + 26;
    const double height = top + y + 52;

    std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + num(page_width) + "\" height=\"" + num(height) +
           "\" viewBox=\"0 0 " + num(page_width) + " " + num(height) +
           "\" font-family=\"DejaVu Sans, Verdana, sans-serif\">\n";
    svg += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    svg += text(left, 36, s.title + " \xE2\x80\x94 line " + general(length) + " m",
                " id=\"title\" font-size=\"22\" font-weight=\"bold\"");
    svg += legend_svg;
    svg += "<g transform=\"translate(0 " + num(top) + ")\">\n" + body + "</g>\n";
    svg += "</svg>\n";
    return svg;
}

bool plot_build(const stato_build& s, const std::string& title, std::string& svg, std::string& error) {
    const bool with_plan = s.genera_linea;
    const named_bytes plan{with_plan ? nome_file_linea_dat(s) : std::string(), with_plan ? serializza_linea(s.linea) : std::string()};
    const named_bytes slots{nome_file_sim(s), serializza_servizio(s.servizio)};
    const named_bytes route{nome_file_dat(s), serializza_percorso(s.percorso)};
    scenario_to_plot p;
    if (!prepare_plot(with_plan ? &plan : nullptr, slots, route, title, p, error)) return false;
    svg = plot_svg(p);
    return true;
}

int plot_files(const std::string& plan, const std::string& slots, const std::string& route, const std::string& title,
               const std::string& output) {
    auto fail = [](const std::string& message) {
        platform::report_failure(message);
        return 1;
    };
    named_bytes p{plan, {}}, sl{slots, {}}, r{route, {}};
    std::string reason;
    for (named_bytes* f : {&sl, &r, plan.empty() ? nullptr : &p}) {
        if (f != nullptr && !platform::read_file(f->name, f->bytes, reason))
            return fail("cannot open " + f->name + ": " + reason);
    }
    scenario_to_plot s;
    std::string error;
    if (!prepare_plot(plan.empty() ? nullptr : &p, sl, r, title, s, error)) return fail(error);
    try {
        sostituisci_file(output, plot_svg(s));
    } catch (const platform::file_error& e) {
        return fail(e.message);
    }
    return 0;
}
