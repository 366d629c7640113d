// The running-time calculation: a published reference run, the physics as invariants on random
// tracks, an independent integration, the train model file, and the built-in scenario's timetable.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "builder/costruzione.hpp"
#include "tests/ambiente.hpp"
#include "tests/avvia_programma.hpp"
#include "tests/cartella_temporanea.hpp"
#include "tests/leggi_file.hpp"
#include "timetable/timetable.hpp"
#include "timetable/train_file.hpp"

namespace {

const std::string reference_folder = std::string(GS_SOURCE_DIR) + "/../shared/reference/running-time";

// The published reference unit. A model that does not load ends the test at once: the runs below
// would otherwise go on with an empty model (no mass), which no train file can give.
train_model reference_unit() {
    const std::string file = reference_folder + "/regional_unit.toml";
    train_model m;
    std::string error;
    if (!read_train_model(file, leggi_file(file), m, error))
        throw std::runtime_error("the reference train model " + file + " does not load: " + error);
    return m;
}

track_profile level_track(std::size_t metres, double limit_kmh) {
    track_profile t;
    t.limit_kmh.assign(metres + 1, limit_kmh);
    t.gradient_permille.assign(metres + 1, 0);
    t.adhesion_factor.assign(metres + 1, 1);
    return t;
}

// A separate integration in time, with a step of 5 ms: full traction up to the limit, then
// braking at the service deceleration once the distance left is the braking distance.
double time_stepped_run(const train_model& m, double metres, double limit_kmh) {
    const double dt = 0.0005;
    const double vmax = std::min(limit_kmh, m.max_speed_kmh) / 3.6;
    double s = 0, v = 0, t = 0;
    bool braking = false;
    for (;;) {
        braking = braking || metres - s <= v * v / (2 * m.deceleration_ms2);
        double a;
        if (braking) {
            // Down to a standstill: the last centimetres at walking pace take the longest.
            if (v <= 0) break;
            a = -m.deceleration_ms2;
        } else {
            const double v_kmh = v * 3.6;
            a = (tractive_force_kn(m, v_kmh, 1) - resistance_kn(m, v_kmh)) / (m.mass_t * m.rotating_mass_factor);
        }
        const double v1 = std::clamp(v + a * dt, 0.0, vmax);
        const double step = braking && v1 <= 0 ? v / m.deceleration_ms2 : dt;
        s += (v + v1) / 2 * step;
        t += step;
        v = v1;
    }
    return t;
}

}  // namespace

// Published: 391.615 s for this unit over 10 km of level, straight track with a 160 km/h limit,
// from one stop to the next (TrainRuns.jl regression snapshot; see the reference folder).
TEST(RunningTime, ReproducesThePublishedReferenceRunWithinOnePercent) {
    const train_model m = reference_unit();
    const fastest_run r = run_fastest(m, level_track(10000, 160), {});
    ASSERT_FALSE(r.stalls_at);
    const double published = 391.615;
    EXPECT_NEAR(r.time_s.back(), published, published * 0.01);
    EXPECT_DOUBLE_EQ(r.speed_ms.back(), 0.0);
    EXPECT_NEAR(*std::max_element(r.speed_ms.begin(), r.speed_ms.end()) * 3.6, 120.0, 1e-9);
}

TEST(RunningTime, AgreesWithAnIndependentTimeSteppedIntegration) {
    const train_model m = reference_unit();
    for (double metres : {800.0, 3000.0, 10000.0}) {
        for (double limit : {60.0, 160.0}) {
            const fastest_run r = run_fastest(m, level_track(static_cast<std::size_t>(metres), limit), {});
            const double other = time_stepped_run(m, metres, limit);
            EXPECT_NEAR(r.time_s.back(), other, other * 0.002) << metres << " m at " << limit << " km/h";
        }
    }
}

TEST(RunningTime, AMetreStepIsWithinATenthOfAPercentOfATenTimesFinerOne) {
    const train_model m = reference_unit();
    track_profile t = level_track(6000, 100);
    for (std::size_t i = 2000; i < 3000; ++i) t.limit_kmh[i] = 50;
    for (std::size_t i = 3500; i < 6001; ++i) t.gradient_permille[i] = 12;
    const fastest_run coarse = run_fastest(m, t, {4000});
    run_options fine;
    fine.steps_per_metre = 10;
    const fastest_run finer = run_fastest(m, t, {4000}, fine);
    EXPECT_NEAR(coarse.time_s.back(), finer.time_s.back(), finer.time_s.back() * 0.001);
}

TEST(RunningTime, InvariantsHoldOnRandomTracks) {
    std::mt19937_64 rng(20261210);
    auto pick = [&](double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng); };
    const train_model base = reference_unit();
    for (int round = 0; round < 40; ++round) {
        const std::size_t metres = static_cast<std::size_t>(pick(1500, 12000));
        track_profile t = level_track(metres, 100);
        for (std::size_t at = 0; at <= metres;) {
            const std::size_t to = std::min(metres, at + static_cast<std::size_t>(pick(200, 2500)));
            const double limit = 10.0 * std::floor(pick(3, 17));
            const double grade = std::floor(pick(-15, 15));
            for (std::size_t i = at; i <= to; ++i) {
                t.limit_kmh[i] = limit;
                t.gradient_permille[i] = grade;
            }
            at = to + 1;
        }
        std::vector<std::size_t> stops;
        if (metres > 4000) stops.push_back(static_cast<std::size_t>(pick(1000, static_cast<double>(metres) - 1000)));
        train_model m = base;
        m.length_m = pick(0, 200);
        const fastest_run r = run_fastest(m, t, stops);
        ASSERT_FALSE(r.stalls_at) << "round " << round;
        for (std::size_t s : stops) EXPECT_EQ(r.speed_ms[s], 0.0);
        EXPECT_EQ(r.speed_ms.back(), 0.0);
        for (std::size_t i = 0; i + 1 <= metres; ++i) {
            // Never above the lowest limit under the train.
            const std::size_t tail = i >= static_cast<std::size_t>(std::ceil(m.length_m)) ? i - static_cast<std::size_t>(std::ceil(m.length_m)) : 0;
            const double lowest = *std::min_element(t.limit_kmh.begin() + static_cast<std::ptrdiff_t>(tail),
                                                    t.limit_kmh.begin() + static_cast<std::ptrdiff_t>(i) + 1);
            ASSERT_LE(r.speed_ms[i] * 3.6, std::min(lowest, m.max_speed_kmh) + 1e-9) << "round " << round << " metre " << i;
            // Never accelerating harder than traction allows, never braking harder than the service
            // deceleration (beyond what resistance and the gradient take away anyway).
            const double v0 = r.speed_ms[i], v1 = r.speed_ms[i + 1];
            const double change = (v1 * v1 - v0 * v0) / 2;  // a over one metre
            const double a0 = acceleration_ms2(m, v0, t.gradient_permille[i], 1);
            const double a1 = acceleration_ms2(m, v1, t.gradient_permille[i], 1);
            double strongest = std::max(a0, a1);
            for (double f : {0.25, 0.5, 0.75})
                strongest = std::max(strongest, acceleration_ms2(m, v0 + f * (v1 - v0), t.gradient_permille[i], 1));
            ASSERT_LE(change, strongest + 1e-4) << "round " << round << " metre " << i;
            ASSERT_GE(change, -m.deceleration_ms2 + std::min({a0, a1, 0.0}) - 1e-6) << "round " << round << " metre " << i;
        }
        // More force, less mass: never slower; a climb: never faster.
        train_model stronger = m;
        for (double& f : stronger.traction_force_kn) f *= 1.25;
        train_model lighter = m;
        lighter.mass_t *= 0.8;
        track_profile steeper = t;
        for (double& g : steeper.gradient_permille) g += 4;
        EXPECT_LE(run_fastest(stronger, t, stops).time_s.back(), r.time_s.back() + 1e-9) << "round " << round;
        EXPECT_LE(run_fastest(lighter, t, stops).time_s.back(), r.time_s.back() + 1e-9) << "round " << round;
        const fastest_run climb = run_fastest(m, steeper, stops);
        if (!climb.stalls_at) {
            EXPECT_GE(climb.time_s.back(), r.time_s.back() - 1e-9) << "round " << round;
        }
    }
}

TEST(RunningTime, ATrainThatCannotClimbStalls) {
    train_model m = reference_unit();
    track_profile t = level_track(3000, 100);
    for (std::size_t i = 1000; i < 3001; ++i) t.gradient_permille[i] = 120;
    const fastest_run r = run_fastest(m, t, {});
    ASSERT_TRUE(r.stalls_at);
    EXPECT_GT(*r.stalls_at, 1000u);
}

TEST(TrainModelFile, MalformedModelsAreRefusedAtTheirLineAndKey) {
    const std::string good = leggi_file(reference_folder + "/regional_unit.toml");
    auto replace = [&](const std::string& from, const std::string& to) {
        std::string t = good;
        const std::size_t at = t.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        if (at != std::string::npos) t.replace(at, from.size(), to);
        return t;
    };
    const struct {
        const char* name;
        std::string text;
        std::string error;
    } cases[] = {
        {"not TOML", "mass_t = 3\nspeed = [\n", "m.toml:2: not TOML"},
        {"a text for a number", replace("mass_t = 88.0", "mass_t = \"heavy\""), "m.toml:5: mass_t: must be a number"},
        {"negative mass", replace("mass_t = 88.0", "mass_t = -88.0"), "m.toml:5: mass_t: must be above 0"},
        {"missing key", replace("deceleration_ms2 = 0.4253", ""), "m.toml:19: braking.deceleration_ms2: missing"},
        {"speeds not increasing", replace("speed_kmh = [0, 1, 2,", "speed_kmh = [0, 2, 1,"),
         "m.toml:16: traction.speed_kmh: must increase"},
        {"tables of different lengths", replace("force_kn = [94.4, 94.4,", "force_kn = [94.4,"),
         "m.toml:17: traction.force_kn: must have as many values"},
        {"force below resistance", replace("a_kn = 1.7034131", "a_kn = 500"),
         "m.toml:17: traction.force_kn: the tractive force is below the resistance at every speed"},
    };
    for (const auto& c : cases) {
        train_model m;
        std::string error;
        EXPECT_FALSE(read_train_model("m.toml", c.text, m, error)) << c.name;
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << c.name << ": " << error;
    }
}

TEST(Timetable, TheBuiltInScenarioCanBeDriven) {
    const std::string examples = std::string(GS_SOURCE_DIR) + "/examples/";
    const std::string line = leggi_file(examples + "Sorvanta_linea.txt");
    const std::string service = leggi_file(examples + "Sorvanta_E48027-.txt");
    stato_build s;
    s.scenario = "Sorvanta";
    s.treno = "E48027";
    ASSERT_EQ(compila(s, {.piano = true}, descrizioni_in_memoria("l", line, "s", service)), 0);
    const timetable_result r = work_out_timetable(s, default_train_model(s));
    ASSERT_EQ(r.problem, "");
    ASSERT_EQ(r.rows.size(), 11u);
    EXPECT_TRUE(r.rows.front().stops);
    EXPECT_TRUE(r.rows[5].stops);  // STAZIONE 5, the one intermediate stop
    EXPECT_TRUE(r.rows.back().stops);
    for (std::size_t i = 1; i + 1 < r.rows.size(); ++i) {
        if (i != 5) {
            EXPECT_TRUE(r.rows[i].earliest_passing_s) << r.rows[i].name;
        }
    }
    // The notes say a train driven well arrives several minutes early: both timed points have slack.
    EXPECT_EQ(r.rows[5].v, verdict::slack);
    EXPECT_EQ(r.rows.back().v, verdict::slack);
    EXPECT_GT(*r.rows.back().margin_s, 120);
    // Passing times grow along the route.
    double before = *r.rows.front().earliest_departure_s;
    for (std::size_t i = 1; i < r.rows.size(); ++i) {
        const double at = r.rows[i].earliest_passing_s.value_or(r.rows[i].earliest_arrival_s.value_or(0));
        EXPECT_GT(at, before) << r.rows[i].name;
        before = r.rows[i].earliest_departure_s.value_or(at);
    }
}

TEST(Timetable, ATimeTooShortIsInfeasibleAndTheMarginIsItsShortfall) {
    const std::string examples = std::string(GS_SOURCE_DIR) + "/examples/";
    const std::string line = leggi_file(examples + "Sorvanta_linea.txt");
    std::string service = leggi_file(examples + "Sorvanta_E48027-.txt");
    // The terminus at 10:30 instead of 10:58: far less than the run needs after the 10:36 departure.
    const std::size_t at = service.find("10,58, 0,");
    ASSERT_NE(at, std::string::npos);
    service.replace(at, 9, "10,40, 0,");
    stato_build s;
    s.scenario = "Sorvanta";
    s.treno = "E48027";
    ASSERT_EQ(compila(s, {.piano = true}, descrizioni_in_memoria("l", line, "s", service)), 0);
    const timetable_result r = work_out_timetable(s, default_train_model(s));
    const timetable_row& last = r.rows.back();
    EXPECT_EQ(last.v, verdict::infeasible);
    EXPECT_NEAR(*last.margin_s, 10 * 3600 + 40 * 60 - *last.earliest_arrival_s, 1e-6);
    EXPECT_NEAR(*last.min_running_time_s, *last.earliest_arrival_s - (10 * 3600 + 36 * 60), 1e-6);
}

TEST(Timetable, CheckReportsATimeThatCannotBeKeptAtItsFields) {
    cartella_temporanea c;
    const std::string examples = std::string(GS_SOURCE_DIR) + "/examples/";
    std::string service = leggi_file(examples + "Sorvanta_E48027-.txt");
    const std::size_t at = service.find("10,58, 0,");
    ASSERT_NE(at, std::string::npos);
    service.replace(at, 9, "10,40, 0,");
    c.scrivi("service.txt", service);
    const std::string line = "'" + examples + "Sorvanta_linea.txt' service.txt";
    const esecuzione plain = avvia_in(c.percorso, programma_in_prova(), "check " + line);
    EXPECT_EQ(plain.uscita, 0) << "without --timetable the times are not judged";
    const esecuzione e = avvia_in(c.percorso, programma_in_prova(), "check " + line + " --timetable");
    EXPECT_EQ(e.uscita, 2);
    EXPECT_NE(e.uscita_standard.find("service.txt:31:63: error: scheduled arrival 10:40:00, earliest arrival 10:51:15: "
                                     "11 min 15 s short"),
              std::string::npos)
        << e.uscita_standard;
    EXPECT_NE(e.uscita_standard.find("service.txt:26:63: note: scheduled departure 10:36:00"), std::string::npos);
    c.scrivi("broken.toml", "mass_t = [\n");
    const esecuzione bad = avvia_in(c.percorso, programma_in_prova(), "check " + line + " --timetable --train-model broken.toml");
    EXPECT_EQ(bad.uscita, 1);
    EXPECT_NE(bad.errori.find("broken.toml:"), std::string::npos) << bad.errori;
}
