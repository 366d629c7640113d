#include <memory>

#include "platform/platform.hpp"
#include "tools/command.hpp"
#include "tools/plot.hpp"

namespace {

struct plot_options {
    std::vector<std::string> inputs;
    scenario_names names;
    std::string out;
    bool quiet = false;
};

int plot(plot_options o) {
    if (o.inputs.empty()) throw usage_error{"plot takes a folder or the compiled files"};
    if (!inputs_exist(o.inputs)) return 1;
    const compiled_files f = find_compiled_files(o.inputs, o.names, "plot");
    const std::size_t separator = f.slots.find_last_of("/\\");
    const std::size_t start = separator == std::string::npos ? 0 : separator + 1;
    const std::string title = f.slots.substr(start, f.slots.size() - 4 - start);
    if (o.out.empty()) o.out = f.slots.substr(0, f.slots.size() - 4) + ".svg";
    if (!outputs_apart_from_inputs({f.plan, f.slots, f.route}, {o.out})) return 1;
    try {
        make_parent_folder(o.out);
    } catch (const platform::file_error& e) {
        platform::report_failure(e.message);
        return 1;
    }
    const int status = plot_files(f.plan, f.slots, f.route, title, o.out);
    if (status == 0) report_written({o.out}, o.quiet);
    return status;
}

}  // namespace

command plot_command() {
    return {
        "plot",
        "draw a compiled scenario as one SVG page",
        "Draws a compiled scenario as one SVG page 1280 px wide: the track plan with its stations,\n"
        "signals, sign boards, the line's end and the run-out; and along the line, on one km axis, the\n"
        "signals, boards, sign texts, stations and kilometre references with their labels, the\n"
        "gradient, the curvature, the speed limit with the slowdowns, the adhesion, mountains and\n"
        "station extents. Give a folder or the files themselves. In a folder, the scenario is the one\n"
        "whose files match --scenario and --train (NAME_linea.dat, NAME_CODE.sim, NAME_CODE.dat);\n"
        "where only one matches, the names need not be given. Without the plan file the profiles are\n"
        "drawn alone. The page goes to NAME_CODE.svg beside them unless --out says otherwise. Files\n"
        "that do not belong together (sizes that differ from the slot file's line length) or a plan\n"
        "holding values no track makes (inf, nan, points beyond the line's length) are refused.",
        "  0  drawn\n"
        "  1  a file is missing, unreadable or not of its kind, or the page cannot be written\n"
        "  64 a wrong use of the command line",
        [](CLI::App& app) -> command_run {
            auto o = std::make_shared<plot_options>();
            app.add_option("INPUT", o->inputs, "a folder, or the compiled files")->type_name("");
            add_name_options(app, o->names);
            add_out_option(app, o->out, "FILE", "the SVG file to write (default: NAME_CODE.svg beside the files)");
            add_quiet_option(app, o->quiet);
            return [o] { return plot(*o); };
        },
    };
}
