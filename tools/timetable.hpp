// The timetable command: every station of a scenario against the fastest run of its train, as
// a table for a terminal, JSON for scripts, and the run itself as CSV.
#pragma once

#include <string>

#include "diagnostics/diagnostica.hpp"
#include "timetable/timetable.hpp"
#include "tools/descriptions.hpp"

std::string render_timetable_text(const timetable_result& r);
std::string render_timetable_json(const timetable_result& r);
// position_m,speed_kmh,time_s,limit_kmh at every metre from the origin's stop point to the
// terminus's; time_s counts from the origin's departure, every stop's minimum dwell included.
std::string render_run_csv(const timetable_result& r);

struct timetable_request {
    std::string line_file;
    std::string service_file;
    std::string model_file;  // empty: the model made from the service
    bool json = false;
    std::string curve_file;  // empty: no curve
    input_encoding encoding = input_encoding::cp1252;
};

// Reads both descriptions through the reader, works the timetable out and prints it; returns the
// exit status: 0 every timed point feasible, 2 at least one infeasible, 1 an input, the model or
// the run cannot be had.
int timetable_files(const timetable_request& q);

// check --timetable: the timetable's findings added to those of the reading, at the station
// entries' time fields, in place among them. False after reporting a model that cannot be read.
bool add_timetable_findings(analisi& a, const std::string& line_text, const std::string& service_text,
                            const std::string& model_file);

// check --documents: a station name the train sheet would cut, at the name.
void add_document_findings(analisi& a, const std::string& service_text);

// The train of --train-model FILE, or the one made from the service when `model_file` is empty;
// false after reporting a file that cannot be read or a model it refuses.
bool train_of(const std::string& model_file, const stato_build& s, train_model& model);
