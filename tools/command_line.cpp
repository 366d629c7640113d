#include "tools/command_line.hpp"

#include <iostream>
#include <optional>

#include "builder/costruzione.hpp"
#include "builder/sostituzione.hpp"
#include "tools/check.hpp"
#include "tools/decompile.hpp"
#include "builder/nomi_file.hpp"
#include "tools/dump.hpp"
#include "tools/fmt.hpp"
#include "tools/plot.hpp"
#include "lsp/server.hpp"
#include "core/encoding.hpp"
#include "core/stati.hpp"
#include "core/testo.hpp"
#include "platform/platform.hpp"

namespace {

constexpr const char* version_text = "genera_scenario " GS_VERSION;

constexpr const char* usage_main =
    "usage: genera_scenario                 build the embedded scenario into the program's folder\n"
    "       genera_scenario compile LINE_FILE SERVICE_FILE [--out DIR] [--scenario NAME] [--train CODE] [--no-plan]\n"
    "                               [--plot]\n"
    "       genera_scenario check LINE_FILE SERVICE_FILE [--json | --sarif] [--color=auto|always|never]\n"
    "       genera_scenario dump FILE [--json] [--raw]\n"
    "       genera_scenario plot DIR_OR_FILES [--scenario NAME] [--train CODE] [-o OUT.svg]\n"
    "       genera_scenario fmt FILE... [--check]  lay descriptions out canonically (--check: list, change nothing)\n"
    "       genera_scenario lsp                  serve line and service descriptions to an editor (LSP on stdio)\n"
    "       genera_scenario decompile DIR_OR_FILES [--scenario NAME] [--train CODE] [-o OUT]\n"
    "       genera_scenario --help | --version\n";

constexpr const char* usage_fmt =
    "usage: genera_scenario fmt FILE... [--check]\n"
    "Lays line and service descriptions out as the built-in files are: the blanks after each comma,\n"
    "nothing else, so what a file means never changes. With --check nothing is written: the files\n"
    "that are not laid out so are listed, and the exit status is 1 if there is one.\n";

constexpr const char* usage_lsp =
    "usage: genera_scenario lsp\n"
    "Serves the Language Server Protocol over standard input and output for line descriptions\n"
    "(*_linea.txt) and service descriptions (*-.txt). Exit status: 0 after shutdown and exit.\n";

constexpr const char* usage_compile =
    "usage: genera_scenario compile LINE_FILE SERVICE_FILE [--out DIR] [--scenario NAME] [--train CODE] [--no-plan]\n"
    "                                [--strict] [--color=auto|always|never] [--plot]\n"
    "Compiles a line description and a service description into NAME_linea.dat (not with --no-plan),\n"
    "NAME_CODE.sim and NAME_CODE.dat in DIR (default: the current folder; created if missing).\n"
    "NAME defaults to Sorvanta and CODE to E48027. The two descriptions are read, never changed.\n"
    "The findings of check are printed first; the status the build records is told last, on one line\n"
    "FILE:LINE: status N: ... With --strict a warning counts as an error and nothing is written.\n"
    "--plot also draws the result beside them as NAME_CODE.svg (see plot --help).\n"
    "Exit status: 0 built; 2 built with a recorded status (told on standard error); 1 nothing written.\n";

constexpr const char* usage_dump =
    "usage: genera_scenario dump FILE [--json] [--raw]\n"
    "Lists a compiled file, recognised by its name: *_linea.dat (plan), *.sim (slots), *.dat (route),\n"
    "in the author's units (per mille, km/h, metres, names); --raw lists the stored fields instead.\n";

constexpr const char* usage_plot =
    "usage: genera_scenario plot DIR_OR_FILES [--scenario NAME] [--train CODE] [-o OUT.svg]\n"
    "Draws a compiled scenario as one SVG page 1280 px wide: the track plan with its stations,\n"
    "signals, sign boards, the line's end and the run-out; and along the line, on one km axis, the\n"
    "signals, boards, sign texts and stations with their labels, the gradient, the curvature, the\n"
    "speed limit with the slowdowns, the adhesion, mountains and station extents. Give a folder\n"
    "(the files NAME_linea.dat, NAME_CODE.sim and NAME_CODE.dat in it; NAME and CODE default to\n"
    "Sorvanta and E48027) or the files themselves; without the plan file the profiles are drawn\n"
    "alone. The page goes to NAME_CODE.svg beside them unless -o says. Files that do not belong\n"
    "together (sizes that differ from the slot file's line length) or a plan holding values no\n"
    "track makes (inf, nan, points beyond the line's length) are refused.\n";

constexpr const char* usage_decompile =
    "usage: genera_scenario decompile DIR_OR_FILES [--scenario NAME] [--train CODE] [-o OUT]\n"
    "Gets editable descriptions back from a compiled scenario: writes NAME_linea.txt and NAME_CODE-.txt\n"
    "into the folder OUT (default: the current folder), such that compile of them gives the very same\n"
    "bytes. Give a folder (the files NAME_linea.dat, NAME_CODE.sim and NAME_CODE.dat in it; NAME and\n"
    "CODE default to Sorvanta and E48027) or the files themselves; without the plan file the line is\n"
    "written straight. The names of the texts are the ones stored in the slot table.\n"
    "Exit status: 0 written and checked; 2 written as far as it goes, with the file and cell or slot that\n"
    "could not be matched on standard error; 1 nothing written.\n";

struct usage_error {
    std::string message;
    const char* usage;
};

int report_usage(const usage_error& e) {
    std::cerr << "genera_scenario: " << e.message << "\n" << e.usage;
    return exit_usage;
}

// --help and --version answer for every command; returns the exit status when `a` is one of them.
std::optional<int> help_or_version(const std::string& a, const char* usage) {
    if (a == "--help") {
        std::cout << usage;
        return 0;
    }
    if (a == "--version") {
        std::cout << version_text << "\n";
        return 0;
    }
    return std::nullopt;
}

// --name VALUE or --name=VALUE; advances i past what it takes.
std::optional<std::string> option_value(const std::vector<std::string>& args, std::size_t& i, const std::string& name,
                                        const char* usage) {
    const std::string& a = args[i];
    if (a == name) {
        if (i + 1 >= args.size()) throw usage_error{"option " + name + " needs a value", usage};
        return args[++i];
    }
    if (a.rfind(name + "=", 0) == 0) return a.substr(name.size() + 1);
    return std::nullopt;
}

// A scenario name or train code: it becomes part of file names and of the slot texts.
std::string identifier(const std::string& utf8, const char* what, const char* usage) {
    std::string cp1252;
    if (!utf8_to_cp1252(utf8, cp1252))
        throw usage_error{std::string(what) + " \"" + utf8 + "\" has a character outside Windows-1252", usage};
    for (char c : cp1252) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\') throw usage_error{std::string(what) + " \"" + utf8 + "\" holds a path separator", usage};
        if (u < 0x20 || u == 0x7F)
            throw usage_error{std::string(what) + " \"" + utf8 + "\" holds a control character", usage};
    }
    return cp1252;
}

int compile(const std::vector<std::string>& args) {
    std::vector<std::string> files;
    std::string out = ".";
    std::string scenario = "Sorvanta";
    std::string train = "E48027";
    bool plan = true;
    bool strict = false;
    std::string color = "auto";
    bool draw = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (auto status = help_or_version(a, usage_compile)) return *status;
        if (auto v = option_value(args, i, "--out", usage_compile)) {
            out = *v;
        } else if (auto v2 = option_value(args, i, "--scenario", usage_compile)) {
            scenario = *v2;
        } else if (auto v3 = option_value(args, i, "--train", usage_compile)) {
            train = *v3;
        } else if (a == "--no-plan") {
            plan = false;
        } else if (a == "--strict") {
            strict = true;
        } else if (auto v4 = option_value(args, i, "--color", usage_compile)) {
            color = *v4;
            if (color != "auto" && color != "always" && color != "never")
                throw usage_error{"--color takes auto, always or never, not " + color, usage_compile};
        } else if (a == "--plot") {
            draw = true;
        } else if (a.size() > 1 && a[0] == '-') {
            throw usage_error{"unknown option " + a, usage_compile};
        } else {
            files.push_back(a);
        }
    }
    if (files.size() != 2) throw usage_error{"compile takes a line file and a service file", usage_compile};
    if (out.empty()) throw usage_error{"--out needs a folder", usage_compile};

    stato_build s;
    s.scenario = identifier(scenario, "scenario name", usage_compile);
    s.treno = identifier(train, "train code", usage_compile);
    if (minuscole(s.treno) == "linea")
        throw usage_error{"train code \"" + train + "\" would give its route file the plan file's name", usage_compile};
    s.cartella = out;

    // Both inputs are read before anything is built or written.
    std::string line_text, service_text, reason;
    for (auto [file, text] : {std::pair{&files[0], &line_text}, std::pair{&files[1], &service_text}}) {
        if (!platform::read_file(*file, *text, reason, dimensione_massima_descrizione)) {
            platform::report_failure("cannot open " + *file + ": " + reason);
            return 1;
        }
    }
    const descrizioni d = descrizioni_in_memoria(files[0], line_text, files[1], service_text);

    // Every finding of check comes first; the line of the recorded status stays the last one.
    opzioni_analisi options;
    options.piano = plan;
    const analisi findings = analizza(&line_text, &service_text, options);
    std::string told = render_text(findings, {files[0], files[1], &line_text, &service_text}, use_color(color, true));
    if (!told.empty()) {
        told.pop_back();
        platform::report_note(told);
    }
    if (strict && findings.errori + findings.avvisi > 0) {
        platform::report_failure("nothing written: --strict counts every warning as an error");
        return 1;
    }

    std::int32_t fatal;
    try {
        fatal = compila(s, plan ? 1 : 0, d);
    } catch (const errore_esecuzione& e) {
        platform::report_failure(e.messaggio);
        return 1;
    }
    if (fatal != 0) {
        platform::report_failure(" Errore n. " + std::to_string(fatal));
        return 1;
    }
    try {
        platform::make_folder(out);
        const platform::folder_lock lock = blocca_cartella(out);
        scrivi_file_binari(s);
    } catch (const platform::file_error& e) {
        platform::report_failure(e.message);
        return 1;
    }
    if (draw) {
        std::string picture = nome_file_sim(s);
        picture.replace(picture.size() - 4, 4, ".svg");
        const int status =
            plot_files(plan ? nome_file_linea_dat(s) : "", nome_file_sim(s), nome_file_dat(s), scenario + "_" + train, picture);
        if (status != 0) return status;
    }
    if (s.errore_numero != 0) {
        platform::report_note(diagnostica(s, d));
        return 2;
    }
    return 0;
}

int plot(const std::vector<std::string>& args) {
    std::vector<std::string> inputs;
    std::string scenario = "Sorvanta";
    std::string train = "E48027";
    std::string output;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (auto status = help_or_version(a, usage_plot)) return *status;
        if (auto v = option_value(args, i, "--scenario", usage_plot)) {
            scenario = *v;
        } else if (auto v2 = option_value(args, i, "--train", usage_plot)) {
            train = *v2;
        } else if (auto v3 = option_value(args, i, "-o", usage_plot)) {
            output = *v3;
        } else if (auto v4 = option_value(args, i, "--output", usage_plot)) {
            output = *v4;
        } else if (a.size() > 1 && a[0] == '-') {
            throw usage_error{"unknown option " + a, usage_plot};
        } else {
            inputs.push_back(a);
        }
    }
    if (inputs.empty()) throw usage_error{"plot takes a folder or the compiled files", usage_plot};
    std::string plan, slots, route, title;
    if (inputs.size() == 1 && platform::folder_exists(inputs[0])) {
        const std::string name = identifier(scenario, "scenario name", usage_plot);
        const std::string code = identifier(train, "train code", usage_plot);
        const std::string id = name + "_" + code;
        plan = platform::join_path(inputs[0], name + "_linea.dat");
        if (!platform::file_exists(plan)) plan.clear();
        slots = platform::join_path(inputs[0], id + ".sim");
        route = platform::join_path(inputs[0], id + ".dat");
        title = scenario + "_" + train;
        if (output.empty()) output = platform::join_path(inputs[0], id + ".svg");
    } else {
        for (const std::string& f : inputs) {
            switch (kind_of(f)) {
                case file_kind::plan: plan = f; break;
                case file_kind::slots: slots = f; break;
                case file_kind::route: route = f; break;
                case file_kind::unknown:
                    throw usage_error{"cannot tell the kind of " + f + " from its name (*_linea.dat, *.sim or *.dat)",
                                      usage_plot};
            }
        }
        if (slots.empty() || route.empty())
            throw usage_error{"plot needs the slot file (*.sim) and the route file (*.dat)", usage_plot};
        const std::size_t base = slots.find_last_of("/\\");
        title = slots.substr(base == std::string::npos ? 0 : base + 1);
        title.resize(title.size() - 4);
        if (output.empty()) output = slots.substr(0, slots.size() - 4) + ".svg";
    }
    return plot_files(plan, slots, route, title, output);
}

int decompile(const std::vector<std::string>& args) {
    std::vector<std::string> inputs;
    std::string scenario = "Sorvanta";
    std::string train = "E48027";
    std::string output = ".";
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (auto status = help_or_version(a, usage_decompile)) return *status;
        if (auto v = option_value(args, i, "--scenario", usage_decompile)) {
            scenario = *v;
        } else if (auto v2 = option_value(args, i, "--train", usage_decompile)) {
            train = *v2;
        } else if (auto v3 = option_value(args, i, "-o", usage_decompile)) {
            output = *v3;
        } else if (auto v4 = option_value(args, i, "--output", usage_decompile)) {
            output = *v4;
        } else if (a.size() > 1 && a[0] == '-') {
            throw usage_error{"unknown option " + a, usage_decompile};
        } else {
            inputs.push_back(a);
        }
    }
    if (inputs.empty()) throw usage_error{"decompile takes a folder or the compiled files", usage_decompile};
    if (output.empty()) throw usage_error{"-o needs a folder", usage_decompile};
    std::string plan, slots, route;
    if (inputs.size() == 1 && platform::folder_exists(inputs[0])) {
        const std::string name = identifier(scenario, "scenario name", usage_decompile);
        const std::string id = name + "_" + identifier(train, "train code", usage_decompile);
        plan = platform::join_path(inputs[0], name + "_linea.dat");
        if (!platform::file_exists(plan)) plan.clear();
        slots = platform::join_path(inputs[0], id + ".sim");
        route = platform::join_path(inputs[0], id + ".dat");
    } else {
        for (const std::string& f : inputs) {
            switch (kind_of(f)) {
                case file_kind::plan: plan = f; break;
                case file_kind::slots: slots = f; break;
                case file_kind::route: route = f; break;
                case file_kind::unknown:
                    throw usage_error{"cannot tell the kind of " + f + " from its name (*_linea.dat, *.sim or *.dat)",
                                      usage_decompile};
            }
        }
        if (slots.empty() || route.empty())
            throw usage_error{"decompile needs the slot file (*.sim) and the route file (*.dat)", usage_decompile};
    }
    return decompile_files(plan, slots, route, output);
}

int dump(const std::vector<std::string>& args) {
    std::vector<std::string> files;
    dump_format format = dump_format::text;
    dump_values values = dump_values::decoded;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (auto status = help_or_version(a, usage_dump)) return *status;
        if (a == "--json")
            format = dump_format::json;
        else if (a == "--raw")
            values = dump_values::raw;
        else if (a.size() > 1 && a[0] == '-')
            throw usage_error{"unknown option " + a, usage_dump};
        else
            files.push_back(a);
    }
    if (files.size() != 1) throw usage_error{"dump takes one file", usage_dump};
    return dump_file(files[0], format, values);
}

int fmt(const std::vector<std::string>& args) {
    std::vector<std::string> files;
    bool check = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (auto status = help_or_version(a, usage_fmt)) return *status;
        if (a == "--check")
            check = true;
        else if (a.size() > 1 && a[0] == '-')
            throw usage_error{"unknown option " + a, usage_fmt};
        else
            files.push_back(a);
    }
    if (files.empty()) throw usage_error{"fmt takes one or more files", usage_fmt};
    return format_files(files, check);
}

int serve_lsp(const std::vector<std::string>& args) {
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (auto status = help_or_version(args[i], usage_lsp)) return *status;
        // Editors often pass --stdio; it is the only transport there is.
        if (args[i] != "--stdio") throw usage_error{"unknown option " + args[i], usage_lsp};
    }
    platform::binary_standard_streams();
    return lsp::serve(std::cin, std::cout);
}

}  // namespace

int run_command(const std::vector<std::string>& args) {
    try {
        const std::string& command = args.at(0);
        if (command == "compile") return compile(args);
        if (command == "check") return check_command(args);
        if (command == "dump") return dump(args);
        if (command == "plot") return plot(args);
        if (command == "lsp") return serve_lsp(args);
        if (command == "decompile") return decompile(args);
        if (command == "fmt") return fmt(args);
        if (command == "-h" || command == "help") return *help_or_version("--help", usage_main);
        if (auto status = help_or_version(command, usage_main)) return *status;
        throw usage_error{"unknown command " + command, usage_main};
    } catch (const usage_error& e) {
        return report_usage(e);
    }
}
