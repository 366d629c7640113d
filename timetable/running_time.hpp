// The running-time calculation: the fastest run a train can make over a track, metre by metre,
// accelerating as hard as its traction allows, holding the speed limit, and braking at its
// service deceleration just in time for every lower limit and every stop.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A train as the calculation sees it. Forces in kN, speeds in km/h, masses in tonnes.
struct train_model {
    std::string name;
    double mass_t = 0;                // the whole train
    double rotating_mass_factor = 1;  // effective mass = factor x mass
    double length_m = 0;
    double max_speed_kmh = 0;
    // Running resistance in Davis form: R = a + b v + c v^2 (v in km/h, R in kN).
    double resistance_a_kn = 0;
    double resistance_b_kn_per_kmh = 0;
    double resistance_c_kn_per_kmh2 = 0;
    // Tractive effort at the wheel, linear between the points; speeds strictly increasing.
    std::vector<double> traction_speed_kmh;
    std::vector<double> traction_force_kn;
    // When given, the force is capped by adhesion on this mass.
    std::optional<double> adhesive_mass_t;
    double deceleration_ms2 = 0;  // constant service braking used for timetabling
};

inline constexpr double gravita_ms2 = 9.80665;

// Tractive effort at speed v (km/h), linear between the table's points and flat beyond its
// ends, capped by adhesion when the model has an adhesive mass: mu = 7.5 / (v + 44) + 0.161
// (Curtius-Kniffler), times the rail's adhesion factor (1 = nominal).
double tractive_force_kn(const train_model& m, double v_kmh, double adhesion_factor);

// Davis resistance at speed v (km/h), in kN.
double resistance_kn(const train_model& m, double v_kmh);

// Acceleration (m/s^2) at speed v on a gradient (per mille, climbing where positive) with full
// traction: m xi a = F(v) - R(v) - m g i / 1000.
double acceleration_ms2(const train_model& m, double v_ms, double gradient_permille, double adhesion_factor);

// What the run needs of the line, one value for every metre from the run's first metre on: the
// speed limit in force at that metre, its gradient (the curve's equivalent gradient included)
// and the rail's adhesion factor.
struct track_profile {
    std::vector<double> limit_kmh;
    std::vector<double> gradient_permille;
    std::vector<double> adhesion_factor;
};

struct run_options {
    int steps_per_metre = 1;  // the integration step is 1 / steps_per_metre m
};

// The fastest run, sampled at every metre of the track.
struct fastest_run {
    std::vector<double> speed_ms;
    std::vector<double> time_s;             // running time from the first metre, without dwells
    std::vector<double> effective_limit_kmh;  // the lowest limit under the train's length
    // The train cannot go on (traction below resistance at standstill, a limit of 0 km/h): the
    // metre where it stops for good; the run is not defined beyond it.
    std::optional<std::size_t> stalls_at;
};

// The fastest run from a standstill at metre 0 to a standstill at the last metre, standing still
// also at every metre in `stops`. The limit in force rises only when the train's tail has cleared
// the lower one (the lowest limit over its length counts); it falls where the head reaches it.
fastest_run run_fastest(const train_model& m, const track_profile& t, const std::vector<std::size_t>& stops,
                        const run_options& o = {});

// What is wrong with a model, or empty: a table not increasing in speed, a mass that is not
// positive, force below resistance at every speed, ...
std::string model_problem(const train_model& m);
