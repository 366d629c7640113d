// What every author command shares: its row in the command table, the options every command
// spells the same way, and the usage errors. A new command is one file that returns its row
// (see compile_command.cpp) and one line in command_table.cpp.
#pragma once

#include <CLI/CLI.hpp>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tools/command_line.hpp"
#include "tools/descriptions.hpp"

// A wrong use of the command line: reported with the command's usage line, exit status 64.
struct usage_error {
    std::string message;
};

// Runs the command once its arguments are parsed; returns the exit status.
using command_run = std::function<int()>;

struct command {
    std::string name;
    std::string summary;        // one line, for the program's help and the manual page
    std::string description;    // what the command does, for its --help and the manual page
    std::string exit_statuses;  // one line per status, "N  meaning"
    // Declares the command's arguments and options on `app`, bound to state that the returned
    // run keeps alive, and returns that run.
    std::function<command_run(CLI::App& app)> declare;
};

// The commands, in the order the help and the manual page list them.
std::vector<command> command_table();

// One row per command, each in its own file.
command compile_command();
command check_command();
command dump_command();
command plot_command();
command lsp_command();
command fmt_command();
command decompile_command();
command timetable_command();
command view_command();

// A command's parser with its run: the run holds the state the parser's options write into,
// so the two live together.
struct command_app {
    std::unique_ptr<CLI::App> app;
    command_run run;
};
command_app make_command_app(const command& c);

// "genera_scenario compile [options] LINE_FILE SERVICE_FILE", from the parser itself.
std::string synopsis(const CLI::App& app);

// An option's type name says what its value is, for --help, the manual page and the bash
// completion alike: DIR (a folder), FILE, its choices separated by "|", or a free word (NAME).

// -o/--out: where the command writes (a folder or a file, as `what` says).
CLI::Option* add_out_option(CLI::App& app, std::string& out, const std::string& value_name, const std::string& what);

// -q/--quiet: no line on standard error about what was written.
CLI::Option* add_quiet_option(CLI::App& app, bool& quiet);

// --color auto|always|never, for commands that print findings; checked when the command runs.
CLI::Option* add_color_option(CLI::App& app, std::string& color);
void check_color(const std::string& color);  // throws usage_error

// --input-encoding utf-8|cp1252: how the descriptions are encoded (default cp1252).
CLI::Option* add_input_encoding_option(CLI::App& app, std::string& encoding);
input_encoding parse_input_encoding(const std::string& encoding);  // throws usage_error

// --scenario NAME and --train CODE, which name the compiled files NAME_CODE.*; the flags say
// whether the user gave them.
struct scenario_names {
    std::string scenario = "Sorvanta";
    std::string train = "E48027";
    bool scenario_given = false;
    bool train_given = false;
};
void add_name_options(CLI::App& app, scenario_names& names);

// A scenario name or train code as Windows-1252 text, checked for what becomes a file name
// and a slot text: not empty, no path separator, no control character, none of the characters
// Windows forbids in a file name (: * ? " < > |). Throws usage_error.
std::string identifier(const std::string& utf8, const char* what);

// The compiled files a command reads, from a folder or named one by one: in a folder, the one
// scenario whose files match the names given (so that `plot DIR` finds what `compile` wrote
// there without the names repeated). Throws usage_error; `plan` is empty when there is none.
struct compiled_files {
    std::string plan;
    std::string slots;
    std::string route;
};
compiled_files find_compiled_files(const std::vector<std::string>& inputs, scenario_names names,
                                   const std::string& command_name);

// True when every path exists; otherwise reports "cannot open PATH: No such file or directory"
// for the first one missing and returns false (the command then ends with status 1).
bool inputs_exist(const std::vector<std::string>& paths);

// True when none of `outputs` is one of `inputs` by identity, whatever the name ("./a.sim", a
// symbolic link to it, a second name of it); otherwise reports both paths and returns false
// (the command then ends with status 1, nothing written). Empty paths are skipped.
bool outputs_apart_from_inputs(const std::vector<std::string>& inputs, const std::vector<std::string>& outputs);

// Creates the folder that will hold `file` when it is missing. Throws platform::file_error.
void make_parent_folder(const std::string& file);

// The one line on standard error that says what was written and where (none when quiet).
void report_written(const std::vector<std::string>& paths, bool quiet);
