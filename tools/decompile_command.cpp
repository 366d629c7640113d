#include <memory>

#include "tools/command.hpp"
#include "tools/decompile.hpp"

namespace {

struct decompile_options {
    std::vector<std::string> inputs;
    scenario_names names;
    std::string out = ".";
    bool quiet = false;
    bool documents = false;
    bool force = false;
    std::string notes_file;
    std::string model_file;
};

int decompile(const decompile_options& o) {
    if (o.inputs.empty()) throw usage_error{"decompile takes a folder or the compiled files"};
    if (o.out.empty()) throw usage_error{"--out needs a folder"};
    if (!inputs_exist(o.inputs)) return 1;
    const compiled_files f = find_compiled_files(o.inputs, o.names, "decompile");
    std::vector<std::string> written;
    if (!o.documents && (!o.notes_file.empty() || !o.model_file.empty()))
        throw usage_error{"--notes and --train-model go with --documents"};
    document_options d;
    d.notes_file = o.notes_file;
    d.model_file = o.model_file;
    const int status = decompile_files(f.plan, f.slots, f.route, o.out, written, o.documents ? &d : nullptr, o.force);
    report_written(written, o.quiet);
    return status;
}

}  // namespace

command decompile_command() {
    return {
        "decompile",
        "get editable descriptions back from a compiled scenario",
        "Gets editable descriptions back from a compiled scenario: writes NAME_linea.txt and NAME_CODE-.txt\n"
        "into the output folder (default: the current folder), such that compile of them gives the very\n"
        "same bytes. Give a folder or the files themselves. In a folder, the scenario is the one whose\n"
        "files match --scenario and --train (NAME_linea.dat, NAME_CODE.sim, NAME_CODE.dat); where only\n"
        "one matches, the names need not be given. Without the plan file the line is written straight.\n"
        "The names of the texts are the ones stored in the slot table. --documents also writes the driver's\n"
        "documents a compile of the texts gives, in the same set. A file already there is replaced only with\n"
        "--force, so that edited texts are not lost to a second run.",
        "  0  written and checked\n"
        "  1  nothing written (also: a file already there without --force, or an output that is an input)\n"
        "  2  written as far as it goes, with the file and cell or slot that could not be matched on\n"
        "     standard error\n"
        "  64 a wrong use of the command line",
        [](CLI::App& app) -> command_run {
            auto o = std::make_shared<decompile_options>();
            app.add_option("INPUT", o->inputs, "a folder, or the compiled files")->type_name("");
            add_name_options(app, o->names);
            add_out_option(app, o->out, "DIR", "the folder to write the two descriptions into (default: the current folder)");
            add_quiet_option(app, o->quiet);
            app.add_flag("--force", o->force, "replace texts (and documents) already in the output folder");
            app.add_flag("--documents", o->documents,
                         "also write the driver's documents that a compile of the texts gives (see compile --documents)");
            app.add_option("--notes", o->notes_file, "with --documents: the text of the notes")->type_name("FILE");
            app.add_option("--train-model", o->model_file, "with --documents: the train of the passing times (TOML)")
                ->type_name("FILE");
            return [o] { return decompile(*o); };
        },
    };
}
