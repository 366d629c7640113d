#include <memory>

#include "tools/command.hpp"
#include "tools/timetable.hpp"

namespace {

struct timetable_options {
    std::string line_file;
    std::string service_file;
    std::string model_file;
    bool json = false;
    std::string curve_file;
    std::string encoding = "cp1252";
};

int timetable(const timetable_options& o) {
    if (o.line_file.empty() || o.service_file.empty())
        throw usage_error{"timetable takes a line file and a service file"};
    timetable_request q;
    q.line_file = o.line_file;
    q.service_file = o.service_file;
    q.model_file = o.model_file;
    q.json = o.json;
    q.curve_file = o.curve_file;
    q.encoding = parse_input_encoding(o.encoding);
    std::vector<std::string> inputs = {o.line_file, o.service_file};
    if (!o.model_file.empty()) inputs.push_back(o.model_file);
    if (!inputs_exist(inputs)) return 1;
    if (!outputs_apart_from_inputs(inputs, {o.curve_file})) return 1;
    return timetable_files(q);
}

}  // namespace

command timetable_command() {
    return {
        "timetable",
        "check the timetable against the fastest run of the scenario's train",
        "Reads both descriptions as compile would and works out the fastest run of the train from the\n"
        "origin's stop point to the terminus's: full traction up to each speed limit (slowdowns included,\n"
        "a limit rising only once the whole train has passed the lower one), gradients and curves, and\n"
        "braking at the train's service deceleration for every lower limit and every stop. For each\n"
        "station in route order it prints the scheduled time, the earliest possible one, the minimum\n"
        "running time from the previous timed point, the margin and a verdict: infeasible (a negative\n"
        "margin), tight (below 3 % of the running time), ok, or slack (above 10 %). The train is the one\n"
        "of --train-model FILE (TOML), or a locomotive-hauled passenger train made from the service's\n"
        "coach count and braked-mass percentage. --json prints one JSON document; --curve FILE.csv also\n"
        "writes the run, metre by metre. docs/timetable.md gives the physics and its sources.",
        "  0  every timed point can be kept\n"
        "  1  an input or the train model cannot be read, or no run can be worked out\n"
        "  2  at least one scheduled time cannot be kept\n"
        "  64 a wrong use of the command line",
        [](CLI::App& app) -> command_run {
            auto o = std::make_shared<timetable_options>();
            app.add_option("LINE_FILE", o->line_file, "the line description")->type_name("");
            app.add_option("SERVICE_FILE", o->service_file, "the service description")->type_name("");
            app.add_option("--train-model", o->model_file, "the train, as a TOML file (see docs/timetable.md)")
                ->type_name("FILE");
            app.add_flag("--json", o->json, "the timetable as one JSON document");
            app.add_option("--curve", o->curve_file, "also write the fastest run, metre by metre, as CSV")
                ->type_name("FILE");
            add_input_encoding_option(app, o->encoding);
            return [o] { return timetable(*o); };
        },
    };
}
