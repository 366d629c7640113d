#include "timetable/timetable.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/costanti.hpp"
#include "core/numeri.hpp"

namespace {

bool cleared(const slot_servizio& s) {
    return s.tipo_stazione == 0 && s.inizio == 0 && s.fine == 0 && s.posizione == 0 && s.campo4 == 0 &&
           s.nome.empty() && s.campo7 == 0 && s.campo8 == 0 && s.campo10 == 0 && s.campo11 == 0 && s.campo12 == 0 &&
           s.campo9 == 0 && s.sosta == 0 && s.campo6 == 0 && s.campo5 == 0 && s.orario == 0;
}

// Stations of type 25 and above have no stop marker.
constexpr std::uint8_t first_type_without_marker = 25;

const cella* cell_at(const stato_build& s, std::int64_t k) {
    if (k < 0 || k >= static_cast<std::int64_t>(s.percorso.size())) return nullptr;
    return &s.percorso[static_cast<std::size_t>(k)];
}

// The start of the clock: the origin's scheduled departure, else the service's start clock.
double departure_of_origin(const stato_build& s, const slot_servizio& origin) {
    if (origin.orario > 0) return origin.orario;
    const slot_servizio& g = s.servizio[slot_treno];
    return (static_cast<double>(g.campo10) * 60 + g.campo11) * 60 + g.campo12;
}

}  // namespace

const char* verdict_name(verdict v) {
    switch (v) {
        case verdict::infeasible: return "infeasible";
        case verdict::tight: return "tight";
        case verdict::ok: return "ok";
        case verdict::slack: return "slack";
        case verdict::none: break;
    }
    return "";
}

std::string clock_text(double seconds) {
    const long long s = static_cast<long long>(std::nearbyint(seconds));
    char b[40];
    std::snprintf(b, sizeof b, "%02lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
    return b;
}

namespace {

std::string duration_words(double seconds) {
    const long long s = static_cast<long long>(std::nearbyint(std::fabs(seconds)));
    if (s < 60) return std::to_string(s) + " s";
    return std::to_string(s / 60) + " min " + std::to_string(s % 60) + " s";
}

}  // namespace

std::vector<timetable_finding> timetable_findings(const timetable_result& r) {
    std::vector<timetable_finding> out;
    for (std::size_t i = 0; i < r.rows.size(); ++i) {
        const timetable_row& row = r.rows[i];
        if (row.v == verdict::none || row.v == verdict::ok || !row.margin_s) continue;
        std::string what, earliest;
        double scheduled = 0;
        if (row.scheduled_departure_s) {
            what = "departure";
            scheduled = *row.scheduled_departure_s;
            earliest = "earliest departure " + clock_text(*row.earliest_departure_s);
        } else if (row.scheduled_arrival_s) {
            what = "arrival";
            scheduled = *row.scheduled_arrival_s;
            earliest = "earliest arrival " + clock_text(*row.earliest_arrival_s);
        } else {
            what = "passing";
            scheduled = *row.scheduled_passing_s;
            earliest = "earliest passing " + clock_text(*row.earliest_passing_s);
        }
        std::string m = "scheduled " + what + " " + clock_text(scheduled) + ", " + earliest + ": ";
        const double margin = *row.margin_s;
        char pct[32];
        std::snprintf(pct, sizeof pct, "%.1f", *row.margin_pct);
        if (row.v == verdict::infeasible)
            m += duration_words(margin) + " short";
        else
            m += duration_words(margin) + " of margin (" + pct + " % of the " +
                 duration_words(*row.min_running_time_s) + " the run takes)" +
                 (row.v == verdict::tight ? ", below the usual 3 % supplement" : ", over 10 %: slack");
        out.push_back({i, row.v, m});
    }
    return out;
}

std::int32_t stop_point_m(const slot_servizio& station) {
    if (station.tipo_stazione >= first_type_without_marker) return station.posizione;
    const std::int64_t cell = nearest(station.fine / 50.0 - 1);
    return static_cast<std::int32_t>(cell * metri_cella);
}

int station_count(const stato_build& s) {
    int n = 0;
    while (n + 1 < primo_slot_cartelli + 1 && !cleared(s.servizio[static_cast<std::size_t>(n + 1)])) ++n;
    return n;
}

track_profile track_between(const stato_build& s, std::int32_t from_m, std::int32_t to_m) {
    track_profile t;
    if (to_m < from_m) return t;
    const std::size_t n = static_cast<std::size_t>(to_m - from_m) + 1;
    t.limit_kmh.assign(n, 0);
    t.gradient_permille.assign(n, 0);
    t.adhesion_factor.assign(n, 0);
    // Profiles: cell k holds the values from 50 k to 50 k + 49 m.
    for (std::size_t i = 0; i < n; ++i) {
        const std::int64_t x = from_m + static_cast<std::int64_t>(i);
        const cella* c = cell_at(s, x / metri_cella);
        if (!c) continue;
        t.limit_kmh[i] = static_cast<double>(c->velocita_limite) * passo_velocita_kmh;
        t.gradient_permille[i] = static_cast<double>(c->pendenza) - scarto_pendenza;
        t.adhesion_factor[i] = c->aderenza / 100.0;
    }
    // Slowdowns: from the start at x (its cell is the one of x / 50 + 1) to its end at x + l,
    // at the speed the start cell carries.
    for (std::size_t k = 0; k < s.percorso.size(); ++k) {
        if (s.percorso[k].tipo_cella != tipo::inizio_rallentamento) continue;
        std::size_t e = k;
        while (e + 1 < s.percorso.size() && s.percorso[e].tipo_cella != tipo::fine_rallentamento) ++e;
        const double speed = std::max<double>(s.percorso[k].valore1, 0);
        const std::int64_t a = (static_cast<std::int64_t>(k) - 1) * metri_cella;
        const std::int64_t b = (static_cast<std::int64_t>(e) - 1) * metri_cella;
        for (std::int64_t x = std::max<std::int64_t>(a, from_m); x <= std::min<std::int64_t>(b, to_m); ++x) {
            double& l = t.limit_kmh[static_cast<std::size_t>(x - from_m)];
            l = std::min(l, speed);
        }
        k = e;
    }
    // Curves: each traced run of the plan turns by k a metre; R = 1 / |k|, and 800 / R per mille.
    std::int64_t metre = 2;
    for (const tratto_linea& r : s.linea.tratti) {
        const std::int64_t last = r.fino;
        if (r.curva && r.k != 0) {
            const double equivalent = 800.0 * std::fabs(r.k);
            for (std::int64_t x = std::max<std::int64_t>(metre, from_m); x <= std::min<std::int64_t>(last, to_m); ++x)
                t.gradient_permille[static_cast<std::size_t>(x - from_m)] += equivalent;
        }
        metre = std::max(metre, last + 1);
    }
    return t;
}

train_model default_train_model(const stato_build& s) {
    const slot_servizio& g = s.servizio[slot_generale];
    const double coaches = std::clamp<double>(g.posizione, 0, 40);
    const double lambda = std::clamp<double>(g.inizio, 30, 250);
    constexpr double loco_t = 84.0;
    constexpr double coach_t = 48.0;
    constexpr double loco_length_m = 19.5;
    constexpr double coach_length_m = 26.8;
    train_model m;
    m.name = "locomotive and " + std::to_string(static_cast<int>(coaches)) + " coaches (from the service)";
    m.mass_t = loco_t + coaches * coach_t;
    m.rotating_mass_factor = 1.08;
    m.length_m = loco_length_m + coaches * coach_length_m;
    m.max_speed_kmh = 160;
    // Per mille of the weight, v in km/h: locomotive 2.5 + 6.0 ((v + 15) / 100)^2; double-deck
    // coaches 2.0 + 0.715 (v / 100) + 3.64 ((v + 15) / 100)^2; expanded into a + b v + c v^2 (kN).
    const double kn_per_permille_loco = loco_t * gravita_ms2 / 1000.0;
    const double kn_per_permille_coaches = coaches * coach_t * gravita_ms2 / 1000.0;
    m.resistance_a_kn = (2.5 + 6.0 * 0.0225) * kn_per_permille_loco + (2.0 + 3.64 * 0.0225) * kn_per_permille_coaches;
    m.resistance_b_kn_per_kmh = 6.0 * 0.003 * kn_per_permille_loco + (0.00715 + 3.64 * 0.003) * kn_per_permille_coaches;
    m.resistance_c_kn_per_kmh2 = 6.0 * 0.0001 * kn_per_permille_loco + 3.64 * 0.0001 * kn_per_permille_coaches;
    // 300 kN up to 60 km/h, then constant power (300 kN x 60 km/h).
    for (double v = 0; v <= m.max_speed_kmh; v += 10) {
        m.traction_speed_kmh.push_back(v);
        m.traction_force_kn.push_back(v <= 60 ? 300.0 : 300.0 * 60.0 / v);
    }
    m.adhesive_mass_t = loco_t;
    // Service braking for timetabling: 0.375 m/s^2 at 100 % braked mass, in proportion to the
    // deceleration the braked-mass percentage gives (0.0075 lambda + 0.076 m/s^2).
    m.deceleration_ms2 = 0.375 * (0.0075 * lambda + 0.076) / (0.0075 * 100 + 0.076);
    return m;
}

std::optional<double> passing_time_at(const timetable_result& r, std::int32_t metre) {
    if (r.rows.empty() || r.run.time_s.empty()) return std::nullopt;
    const std::int64_t i = std::int64_t{metre} - r.first_metre;
    if (i < 0 || i >= static_cast<std::int64_t>(r.run.time_s.size())) return std::nullopt;
    auto run_time_at = [&](std::int32_t m) { return r.run.time_s[static_cast<std::size_t>(m - r.first_metre)]; };
    double anchor_time = *r.rows.front().earliest_departure_s;
    std::int32_t anchor_metre = r.first_metre;
    double dwells = 0;
    for (std::size_t k = 1; k < r.rows.size(); ++k) {
        const timetable_row& row = r.rows[k];
        if (row.stop_point_m > metre || (row.stop_point_m == metre && !row.stops)) break;
        const std::optional<std::int32_t> scheduled =
            row.scheduled_departure_s ? row.scheduled_departure_s
                                      : row.scheduled_passing_s ? row.scheduled_passing_s : row.scheduled_arrival_s;
        if (scheduled && row.stop_point_m < metre) {
            anchor_time = *scheduled;
            anchor_metre = row.stop_point_m;
            dwells = 0;
        } else if (row.stops && row.stop_point_m < metre) {
            dwells += row.minimum_dwell_s;
        }
    }
    return anchor_time + dwells + run_time_at(metre) - run_time_at(anchor_metre);
}

timetable_result work_out_timetable(const stato_build& s, const train_model& m, const run_options& o) {
    timetable_result r;
    r.train = m;
    const int n = station_count(s);
    if (n < 2) {
        r.problem = "the service has fewer than two stations: there is no run to work out";
        return r;
    }
    const slot_servizio& origin = s.servizio[1];
    const slot_servizio& terminus = s.servizio[static_cast<std::size_t>(n)];
    const std::int32_t a = stop_point_m(origin);
    const std::int32_t b = stop_point_m(terminus);
    if (b <= a) {
        r.problem = "the terminus's stop point (" + std::to_string(b) + " m) is not beyond the origin's (" +
                    std::to_string(a) + " m)";
        return r;
    }
    // The run stays on the route: a station beyond it (in files not made by this compiler) has no run.
    if (a < 0 || std::int64_t{b} > static_cast<std::int64_t>(s.percorso.size()) * metri_cella) {
        r.problem = "a station's stop point lies outside the route";
        return r;
    }
    r.first_metre = a;
    r.track = track_between(s, a, b);

    std::vector<std::size_t> stops;
    r.rows.resize(static_cast<std::size_t>(n));
    for (int j = 1; j <= n; ++j) {
        const slot_servizio& st = s.servizio[static_cast<std::size_t>(j)];
        timetable_row& row = r.rows[static_cast<std::size_t>(j - 1)];
        row.name = st.nome;
        row.position_m = st.posizione;
        row.stop_point_m = std::clamp(stop_point_m(st), a, b);
        row.stops = j == 1 || j == n || st.sosta != 0;
        row.minimum_dwell_s = j == 1 || j == n ? 0 : st.sosta;
        if (st.orario > 0) {
            if (j == n)
                row.scheduled_arrival_s = st.orario;
            else if (row.stops)
                row.scheduled_departure_s = st.orario;
            else
                row.scheduled_passing_s = st.orario;
        }
        if (row.stops && j != 1 && j != n) stops.push_back(static_cast<std::size_t>(row.stop_point_m - a));
    }
    r.run = run_fastest(m, r.track, stops, o);
    if (r.run.stalls_at) {
        r.problem = "the train cannot go on at " + std::to_string(a + static_cast<std::int64_t>(*r.run.stalls_at)) +
                    " m (its traction does not overcome the resistance there, or the speed limit is 0 km/h)";
        return r;
    }

    // Each timed point is reached from the previous one left on time: the margins of one leg do
    // not depend on another's. A stop without a time waits its minimum dwell.
    auto run_time_at = [&](std::int32_t metre) { return r.run.time_s[static_cast<std::size_t>(metre - a)]; };
    double anchor_time = departure_of_origin(s, origin);
    std::int32_t anchor_metre = a;
    double dwells_since = 0;
    for (std::size_t i = 0; i < r.rows.size(); ++i) {
        timetable_row& row = r.rows[i];
        const double reached = anchor_time + dwells_since + (run_time_at(row.stop_point_m) - run_time_at(anchor_metre));
        if (i == 0) {
            row.earliest_departure_s = anchor_time;
            continue;
        }
        std::optional<std::int32_t> scheduled;
        double earliest = reached;
        if (row.stops) {
            row.earliest_arrival_s = reached;
            if (i + 1 < r.rows.size()) row.earliest_departure_s = reached + row.minimum_dwell_s;
            scheduled = row.scheduled_departure_s ? row.scheduled_departure_s : row.scheduled_arrival_s;
            if (row.scheduled_departure_s) earliest = *row.earliest_departure_s;
        } else {
            row.earliest_passing_s = reached;
            scheduled = row.scheduled_passing_s;
        }
        if (scheduled) {
            row.min_running_time_s = reached - anchor_time;
            row.margin_s = *scheduled - earliest;
            row.margin_pct = *row.min_running_time_s > 0 ? *row.margin_s / *row.min_running_time_s * 100.0 : 0.0;
            row.v = *row.margin_s < 0                ? verdict::infeasible
                    : *row.margin_pct < tight_below_pct ? verdict::tight
                    : *row.margin_pct > slack_above_pct ? verdict::slack
                                                        : verdict::ok;
            anchor_time = *scheduled;
            anchor_metre = row.stop_point_m;
            dwells_since = 0;
        } else if (row.stops) {
            dwells_since += row.minimum_dwell_s;
        }
    }
    r.total_running_time_s = r.run.time_s.back();
    for (const timetable_row& row : r.rows) r.total_running_time_s += row.minimum_dwell_s;
    return r;
}
