// Can the timetable be driven? The stations of a compiled scenario with their scheduled times,
// against the fastest run of the scenario's train.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/registri.hpp"
#include "timetable/running_time.hpp"

// A margin below this share of the minimum running time is tight; above the slack share, the
// timetable wastes time. The usual running-time supplement is 3 to 7 % (Jentsch 1997).
inline constexpr double tight_below_pct = 3.0;
inline constexpr double slack_above_pct = 10.0;

enum class verdict { none, infeasible, tight, ok, slack };
const char* verdict_name(verdict v);

struct timetable_row {
    std::string name;  // Windows-1252, as stored
    std::int32_t position_m = 0;
    std::int32_t stop_point_m = 0;  // where the train's head stands when it stops here
    bool stops = false;
    std::optional<std::int32_t> scheduled_arrival_s;
    std::optional<std::int32_t> scheduled_departure_s;
    std::optional<std::int32_t> scheduled_passing_s;
    std::optional<double> earliest_arrival_s;    // a stop: when it can arrive at the earliest
    std::optional<double> earliest_departure_s;  // a stop: after its minimum dwell
    std::optional<double> earliest_passing_s;    // a station passed without stopping
    std::int32_t minimum_dwell_s = 0;
    std::optional<double> min_running_time_s;    // from the previous timed point, for a timed row
    std::optional<double> margin_s;
    std::optional<double> margin_pct;
    verdict v = verdict::none;
};

struct timetable_result {
    train_model train;
    std::vector<timetable_row> rows;
    std::int32_t first_metre = 0;  // the origin's stop point: metre 0 of `run`
    fastest_run run;
    track_profile track;
    double total_running_time_s = 0;  // origin to terminus, with every stop's minimum dwell
    std::string problem;              // why no timetable could be worked out; empty when it could
};

// Where the train stands at a station: the start of its stop marker's cell (50 m before the
// station's end) for a station that has one (type below 25), else the station's position.
std::int32_t stop_point_m(const slot_servizio& station);

// The number of stations in slots 1, 2, ... of a compiled scenario.
int station_count(const stato_build& s);

// The line between two metres as the run sees it: speed limits (slowdowns included), gradients
// with each curve's equivalent gradient (800 / R per mille), and the adhesion factor (the
// service's adhesion / 100).
track_profile track_between(const stato_build& s, std::int32_t from_m, std::int32_t to_m);

// A locomotive-hauled passenger train made from the service: its coach count and braked-mass
// percentage (docs/timetable.md says where every figure comes from).
train_model default_train_model(const stato_build& s);

// When the fastest run passes a metre between the origin's and the terminus's stop points, as
// the timetable's rows count it: from the last timed point before it, left on time, with the
// minimum dwell of every stop without a time between; nullopt outside the run.
std::optional<double> passing_time_at(const timetable_result& r, std::int32_t metre);

// A time of day in seconds as HH:MM:SS, rounded to the nearest second.
std::string clock_text(double seconds);

// What an author is told about a timed point: an infeasible time (an error), a tight one (a
// warning) or slack (a note), e.g. "scheduled 10:31:00, earliest arrival 10:31:42: 42 s short".
struct timetable_finding {
    std::size_t row = 0;  // index into timetable_result::rows
    verdict v = verdict::none;
    std::string message;
};
std::vector<timetable_finding> timetable_findings(const timetable_result& r);

// The timetable of a compiled scenario (with its plan traced, so that curves count).
timetable_result work_out_timetable(const stato_build& s, const train_model& m, const run_options& o = {});
