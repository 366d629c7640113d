#include <iostream>
#include <string_view>
#include <utility>

#include "core/encoding.hpp"
#include "platform/platform.hpp"
#include "tools/command.hpp"
#include "tools/dump.hpp"

namespace {

// The folder's compiled scenario: NAME_CODE of its one slot file that matches the names the
// user gave, so that `plot DIR` finds what `compile --scenario --train` wrote there. With no
// match the defaults stand (and the missing file is reported); with several, the user chooses.
void find_scenario(const std::string& folder, scenario_names& names) {
    if (names.scenario_given && names.train_given) return;
    std::string scenario, train;
    if (names.scenario_given) scenario = identifier(names.scenario, "scenario name");
    if (names.train_given) train = identifier(names.train, "train code");
    std::vector<std::string> found;  // Windows-1252 identifiers
    for (const std::string& file : platform::list_files(folder)) {
        std::string name;
        if (!file.ends_with(".sim") || !utf8_to_cp1252(file, name)) continue;
        const std::string id = name.substr(0, name.size() - 4);
        if (!scenario.empty() && id.rfind(scenario + "_", 0) != 0) continue;
        if (!train.empty() && !id.ends_with("_" + train)) continue;
        found.push_back(id);
    }
    if (found.size() > 1) {
        std::string list;
        for (const std::string& id : found) list += (list.empty() ? "" : ", ") + cp1252_to_utf8(id);
        throw usage_error{folder + " holds several scenarios (" + list + "): name one with --scenario and --train"};
    }
    if (found.empty()) return;
    const std::string& id = found.front();
    // The scenario name is the given one, or what the given code leaves, or the longest prefix
    // with a plan file beside, or what comes before the last "_".
    std::string name = scenario;
    if (name.empty() && !train.empty()) name = id.substr(0, id.size() - train.size() - 1);
    if (name.empty()) {
        for (std::size_t cut = id.find('_'); cut != std::string::npos; cut = id.find('_', cut + 1))
            if (platform::file_exists(platform::join_path(folder, id.substr(0, cut) + "_linea.dat")))
                name = id.substr(0, cut);
    }
    if (name.empty()) {
        const std::size_t cut = id.rfind('_');
        if (cut == std::string::npos || cut == 0) return;
        name = id.substr(0, cut);
    }
    names.scenario = cp1252_to_utf8(name);
    names.train = cp1252_to_utf8(id.substr(name.size() + 1));
}

}  // namespace


CLI::Option* add_out_option(CLI::App& app, std::string& out, const std::string& value_name, const std::string& what) {
    // --output is the name plot and decompile first took; it stays for the scripts that use it.
    return app.add_option("-o,--out,--output", out, what)->type_name(value_name);
}

CLI::Option* add_quiet_option(CLI::App& app, bool& quiet) {
    return app.add_flag("-q,--quiet", quiet, "say nothing on standard error about the files written");
}

CLI::Option* add_color_option(CLI::App& app, std::string& color) {
    return app.add_option("--color", color, "colour the findings: auto (on a terminal, unless NO_COLOR is set), always or never")
        ->type_name("auto|always|never");
}

void check_color(const std::string& color) {
    if (color != "auto" && color != "always" && color != "never")
        throw usage_error{"--color takes auto, always or never, not " + color};
}

CLI::Option* add_input_encoding_option(CLI::App& app, std::string& encoding) {
    return app.add_option("--input-encoding", encoding,
                          "how the descriptions are encoded: cp1252 (Windows-1252, the format's own; the default) or utf-8 (converted to Windows-1252)")
        ->type_name("utf-8|cp1252");
}

input_encoding parse_input_encoding(const std::string& encoding) {
    if (encoding == "cp1252" || encoding == "windows-1252") return input_encoding::cp1252;
    if (encoding == "utf-8" || encoding == "utf8") return input_encoding::utf8;
    throw usage_error{"--input-encoding takes utf-8 or cp1252, not " + encoding};
}

void add_name_options(CLI::App& app, scenario_names& names) {
    app.add_option_function<std::string>(
           "--scenario",
           [&names](const std::string& v) {
               names.scenario = v;
               names.scenario_given = true;
           },
           "the scenario's name, the first part of the file names (default Sorvanta)")
        ->type_name("NAME");
    app.add_option_function<std::string>(
           "--train",
           [&names](const std::string& v) {
               names.train = v;
               names.train_given = true;
           },
           "the train's code, the second part of the file names (default E48027)")
        ->type_name("CODE");
}

std::string identifier(const std::string& utf8, const char* what) {
    if (utf8.empty()) throw usage_error{std::string(what) + " is empty"};
    std::string cp1252;
    if (!utf8_to_cp1252(utf8, cp1252))
        throw usage_error{std::string(what) + " \"" + utf8 + "\" has a character outside Windows-1252"};
    for (char c : cp1252) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\') throw usage_error{std::string(what) + " \"" + utf8 + "\" holds a path separator"};
        if (u < 0x20 || u == 0x7F)
            throw usage_error{std::string(what) + " \"" + utf8 + "\" holds a control character"};
        // Windows refuses these in a file name (a colon even opens an alternate data stream).
        if (std::string_view(":*?\"<>|").find(c) != std::string_view::npos)
            throw usage_error{std::string(what) + " \"" + utf8 + "\" holds '" + c +
                              "', which Windows forbids in a file name"};
    }
    return cp1252;
}

bool inputs_exist(const std::vector<std::string>& paths) {
    for (const std::string& p : paths) {
        // Only what is not there at all; a FIFO or a device is refused by the reading, with its kind.
        if (platform::kind_of_path(p) == platform::path_kind::missing) {
            platform::report_failure("cannot open " + p + ": No such file or directory");
            return false;
        }
    }
    return true;
}

bool outputs_apart_from_inputs(const std::vector<std::string>& inputs, const std::vector<std::string>& outputs) {
    std::vector<std::pair<platform::file_identity, const std::string*>> read;
    for (const std::string& in : inputs) {
        if (in.empty()) continue;
        if (const auto id = platform::identity_of(in)) read.emplace_back(*id, &in);
    }
    for (const std::string& out : outputs) {
        if (out.empty()) continue;
        const auto id = platform::identity_of(out);
        if (!id) continue;  // a new file cannot be one that is read
        for (const auto& [input_id, in] : read) {
            if (input_id != *id) continue;
            platform::report_failure("the output " + out + " is the input " + *in +
                                     " (the same file): nothing was written");
            return false;
        }
    }
    return true;
}

void make_parent_folder(const std::string& file) {
    const std::size_t separator = file.find_last_of("/\\");
    if (separator != std::string::npos && separator > 0) platform::make_folder(file.substr(0, separator));
}

void report_written(const std::vector<std::string>& paths, bool quiet) {
    if (quiet || paths.empty()) return;
    std::string text = "wrote";
    for (std::size_t i = 0; i < paths.size(); ++i) text += (i == 0 ? " " : ", ") + paths[i];
    platform::report_note(text);
}

compiled_files find_compiled_files(const std::vector<std::string>& inputs, scenario_names names,
                                   const std::string& command_name) {
    compiled_files f;
    if (inputs.size() == 1 && platform::folder_exists(inputs[0])) {
        const std::string& folder = inputs[0];
        find_scenario(folder, names);
        const std::string name = identifier(names.scenario, "scenario name");
        const std::string id = name + "_" + identifier(names.train, "train code");
        f.plan = platform::join_path(folder, name + "_linea.dat");
        if (!platform::file_exists(f.plan)) f.plan.clear();
        f.slots = platform::join_path(folder, id + ".sim");
        f.route = platform::join_path(folder, id + ".dat");
        return f;
    }
    for (const std::string& file : inputs) {
        switch (kind_of(file)) {
            case file_kind::plan: f.plan = file; break;
            case file_kind::slots: f.slots = file; break;
            case file_kind::route: f.route = file; break;
            case file_kind::unknown:
                throw usage_error{"cannot tell the kind of " + file + " from its name (*_linea.dat, *.sim or *.dat)"};
        }
    }
    if (f.slots.empty() || f.route.empty())
        throw usage_error{command_name + " needs the slot file (*.sim) and the route file (*.dat)"};
    return f;
}
