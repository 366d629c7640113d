#include "timetable/running_time.hpp"

#include <algorithm>
#include <cmath>
#include <deque>

namespace {

constexpr double kmh_per_ms = 3.6;

double linear(const std::vector<double>& xs, const std::vector<double>& ys, double x) {
    if (xs.empty()) return 0;
    if (x <= xs.front()) return ys.front();
    if (x >= xs.back()) return ys.back();
    const auto it = std::upper_bound(xs.begin(), xs.end(), x);
    const std::size_t i = static_cast<std::size_t>(it - xs.begin());
    const double x0 = xs[i - 1], x1 = xs[i];
    const double f = (x - x0) / (x1 - x0);
    return ys[i - 1] + f * (ys[i] - ys[i - 1]);
}

// The lowest limit under the train: the head at metre i, the tail `length` metres behind.
std::vector<double> limits_under_train(const std::vector<double>& limit_kmh, double length_m, double max_kmh) {
    const std::size_t n = limit_kmh.size();
    const std::size_t window = static_cast<std::size_t>(std::ceil(std::max(length_m, 0.0)));
    std::vector<double> out(n);
    std::deque<std::size_t> lows;  // indexes of increasing limits within the window
    for (std::size_t i = 0; i < n; ++i) {
        while (!lows.empty() && limit_kmh[lows.back()] >= limit_kmh[i]) lows.pop_back();
        lows.push_back(i);
        while (lows.front() + window < i) lows.pop_front();
        out[i] = std::min(limit_kmh[lows.front()], max_kmh);
    }
    return out;
}

}  // namespace

double tractive_force_kn(const train_model& m, double v_kmh, double adhesion_factor) {
    double f = linear(m.traction_speed_kmh, m.traction_force_kn, v_kmh);
    if (m.adhesive_mass_t) {
        const double mu = 7.5 / (v_kmh + 44.0) + 0.161;
        const double cap = mu * adhesion_factor * *m.adhesive_mass_t * gravita_ms2;  // t x m/s^2 = kN
        f = std::min(f, cap);
    }
    return std::max(f, 0.0);
}

double resistance_kn(const train_model& m, double v_kmh) {
    return m.resistance_a_kn + m.resistance_b_kn_per_kmh * v_kmh + m.resistance_c_kn_per_kmh2 * v_kmh * v_kmh;
}

double acceleration_ms2(const train_model& m, double v_ms, double gradient_permille, double adhesion_factor) {
    const double v_kmh = v_ms * kmh_per_ms;
    const double force_kn = tractive_force_kn(m, v_kmh, adhesion_factor) - resistance_kn(m, v_kmh) -
                            m.mass_t * gravita_ms2 * gradient_permille / 1000.0;
    return force_kn / (m.mass_t * m.rotating_mass_factor);  // kN / t = m/s^2
}

fastest_run run_fastest(const train_model& m, const track_profile& t, const std::vector<std::size_t>& stops,
                        const run_options& o) {
    fastest_run r;
    const std::size_t metres = t.limit_kmh.size();
    if (metres == 0) return r;
    const std::size_t sp = static_cast<std::size_t>(std::max(o.steps_per_metre, 1));
    const double h = 1.0 / static_cast<double>(sp);
    const std::size_t points = (metres - 1) * sp + 1;
    r.effective_limit_kmh = limits_under_train(t.limit_kmh, m.length_m, m.max_speed_kmh);

    // The metre whose data hold between grid point j and j + 1.
    auto metre_of = [&](std::size_t j) { return std::min(j / sp, metres - 1); };

    // Backwards: the braking curves from every stop and every lower limit.
    std::vector<double> brake(points);
    std::vector<char> stop_here(points, 0);
    for (std::size_t s : stops)
        if (s < metres) stop_here[s * sp] = 1;
    stop_here[0] = 1;
    stop_here[points - 1] = 1;
    const double b2h = 2.0 * m.deceleration_ms2 * h;
    for (std::size_t k = points; k-- > 0;) {
        const double limit_ms = r.effective_limit_kmh[metre_of(k)] / kmh_per_ms;
        double v = limit_ms;
        if (k + 1 < points) v = std::min(v, std::sqrt(brake[k + 1] * brake[k + 1] + b2h));
        if (stop_here[k]) v = 0;
        brake[k] = std::max(v, 0.0);
    }

    // Forwards: full traction, never above the braking envelope.
    r.speed_ms.assign(metres, 0.0);
    r.time_s.assign(metres, 0.0);
    double v = 0;
    double time = 0;
    for (std::size_t j = 0; j + 1 < points; ++j) {
        const std::size_t i = metre_of(j);
        const double g = t.gradient_permille[i];
        const double adh = t.adhesion_factor[i];
        // Runge-Kutta on v^2 over distance: d(v^2)/ds = 2 a(v).
        auto f = [&](double y) { return 2.0 * acceleration_ms2(m, std::sqrt(std::max(y, 0.0)), g, adh); };
        const double y0 = v * v;
        const double k1 = f(y0);
        const double k2 = f(y0 + 0.5 * h * k1);
        const double k3 = f(y0 + 0.5 * h * k2);
        const double k4 = f(y0 + h * k3);
        const double y1 = y0 + h / 6.0 * (k1 + 2.0 * k2 + 2.0 * k3 + k4);
        double next = y1 > 0 ? std::sqrt(y1) : 0.0;
        next = std::min(next, brake[j + 1]);
        if (v + next <= 0) {
            // Neither moving nor able to move on: the train stands here for good.
            r.stalls_at = i;
            break;
        }
        time += 2.0 * h / (v + next);
        v = next;
        if ((j + 1) % sp == 0) {
            const std::size_t at = (j + 1) / sp;
            r.speed_ms[at] = v;
            r.time_s[at] = time;
        }
        if (v <= 0 && !stop_here[j + 1]) {
            r.stalls_at = metre_of(j + 1);
            break;
        }
    }
    return r;
}

std::string model_problem(const train_model& m) {
    if (!(m.mass_t > 0)) return "mass_t must be above 0";
    if (!(m.rotating_mass_factor >= 1)) return "rotating_mass_factor must be 1 or more";
    if (!(m.length_m >= 0)) return "length_m must be 0 or more";
    if (!(m.max_speed_kmh > 0)) return "max_speed_kmh must be above 0";
    if (!(m.deceleration_ms2 > 0)) return "braking.deceleration_ms2 must be above 0";
    if (m.traction_speed_kmh.empty()) return "traction.speed_kmh is empty";
    if (m.traction_speed_kmh.size() != m.traction_force_kn.size())
        return "traction.speed_kmh and traction.force_kn differ in length";
    for (std::size_t i = 1; i < m.traction_speed_kmh.size(); ++i)
        if (!(m.traction_speed_kmh[i] > m.traction_speed_kmh[i - 1]))
            return "traction.speed_kmh must increase strictly";
    for (double f : m.traction_force_kn)
        if (!(f >= 0)) return "traction.force_kn holds a negative force";
    if (m.adhesive_mass_t && !(*m.adhesive_mass_t > 0)) return "adhesive_mass_t must be above 0";
    for (double x : {m.resistance_a_kn, m.resistance_b_kn_per_kmh, m.resistance_c_kn_per_kmh2})
        if (!std::isfinite(x)) return "a resistance coefficient is not a number";
    // Some speed up to the maximum must leave force for accelerating on the level.
    bool moves = false;
    for (double v = 0; v <= m.max_speed_kmh && !moves; v += 1.0)
        moves = tractive_force_kn(m, v, 1.0) > resistance_kn(m, v);
    if (!moves) return "the tractive force is below the resistance at every speed";
    return "";
}
