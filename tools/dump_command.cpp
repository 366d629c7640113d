#include <memory>

#include "tools/command.hpp"
#include "tools/dump.hpp"

namespace {

struct dump_options {
    std::string file;
    bool json = false;
    bool raw = false;
};

int dump(const dump_options& o) {
    if (o.file.empty()) throw usage_error{"dump takes one file"};
    if (!inputs_exist({o.file})) return 1;
    return dump_file(o.file, o.json ? dump_format::json : dump_format::text,
                     o.raw ? dump_values::raw : dump_values::decoded);
}

}  // namespace

command dump_command() {
    return {
        "dump",
        "list a compiled file's contents",
        "Lists a compiled file on standard output, its kind known by its name: *_linea.dat (plan),\n"
        "*.sim (slots), *.dat (route), in the author's units (per mille, km/h, metres, names); --raw\n"
        "lists the stored fields instead.",
        "  0  listed\n"
        "  1  the file is missing, unreadable or not of its kind\n"
        "  64 a wrong use of the command line",
        [](CLI::App& app) -> command_run {
            auto o = std::make_shared<dump_options>();
            app.add_option("FILE", o->file, "the compiled file")->type_name("");
            app.add_flag("--json", o->json, "one JSON document instead of text");
            app.add_flag("--raw", o->raw, "the stored fields under their stored names instead of the author's units");
            return [o] { return dump(*o); };
        },
    };
}
