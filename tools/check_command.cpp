#include <memory>

#include "tools/check.hpp"
#include "tools/command.hpp"

namespace {

struct check_options {
    std::string line_file;
    std::string service_file;
    bool json = false;
    bool sarif = false;
    std::string color = "auto";
    bool no_plan = false;
    std::string encoding = "cp1252";
    bool timetable = false;
    std::string model_file;
    bool documents = false;
};

int check(const check_options& o) {
    if (o.line_file.empty() || o.service_file.empty()) throw usage_error{"check takes a line file and a service file"};
    if (o.json && o.sarif) throw usage_error{"--json and --sarif exclude each other"};
    check_color(o.color);
    const input_encoding encoding = parse_input_encoding(o.encoding);
    if (!o.timetable && !o.model_file.empty()) throw usage_error{"--train-model goes with --timetable"};
    std::vector<std::string> inputs = {o.line_file, o.service_file};
    if (!o.model_file.empty()) inputs.push_back(o.model_file);
    if (!inputs_exist(inputs)) return 1;
    const check_format format = o.json ? check_format::json : o.sarif ? check_format::sarif : check_format::text;
    check_extras extras;
    extras.timetable = o.timetable;
    extras.model_file = o.model_file;
    extras.documents = o.documents;
    return check_files(o.line_file, o.service_file, encoding, format, o.color, !o.no_plan, extras);
}

}  // namespace

command check_command() {
    return {
        "check",
        "report every problem of a line and a service description, writing nothing",
        "Reads both descriptions as compile would, writes nothing, and reports every problem in both:\n"
        "errors (what the compile records as a status, entries dropped or read as something else, and values\n"
        "the simulator would get otherwise than written) and warnings (likely mistakes); with nothing found it\n"
        "says so on standard error. Each description lists its first 1000 findings; the rest are counted\n"
        "in the totals and told in one closing note. --json prints one JSON document, --sarif a SARIF 2.1.0 log.\n"
        "--timetable adds the running-time calculation of timetable: a time that cannot be kept is an error at\n"
        "its station's time fields, a tight one a warning, slack a note. --documents warns of a station name\n"
        "longer than the train sheet's column.\n"
        "The descriptions are Windows-1252 text; --input-encoding utf-8 reads UTF-8 and converts it, and a\n"
        "character that Windows-1252 lacks is an error at its FILE:LINE:COLUMN.",
        "  0  no error (warnings allowed)\n"
        "  1  an input is missing or cannot be read (UTF-16 text, or not convertible from UTF-8)\n"
        "  2  at least one error\n"
        "  64 a wrong use of the command line",
        [](CLI::App& app) -> command_run {
            auto o = std::make_shared<check_options>();
            app.add_option("LINE_FILE", o->line_file, "the line description")->type_name("");
            app.add_option("SERVICE_FILE", o->service_file, "the service description")->type_name("");
            app.add_flag("--json", o->json, "the findings as one JSON document");
            app.add_flag("--sarif", o->sarif, "the findings as a SARIF 2.1.0 log");
            add_color_option(app, o->color);
            app.add_flag("--no-plan", o->no_plan, "read as compile --no-plan does (curve entries are then not read)");
            add_input_encoding_option(app, o->encoding);
            app.add_flag("--timetable", o->timetable,
                         "also check every scheduled time against the fastest run of the train (see timetable)");
            app.add_option("--train-model", o->model_file, "with --timetable: the train, as a TOML file")->type_name("FILE");
            app.add_flag("--documents", o->documents, "also warn of what compile --documents would cut (a long station name)");
            return [o] { return check(*o); };
        },
    };
}
