// The check command, and the renderings of the diagnostics engine's findings that it and
// compile print: text for a terminal, JSON for scripts, SARIF 2.1.0 for code-scanning tools.
#pragma once

#include <string>
#include <vector>

#include "diagnostics/diagnostica.hpp"
#include "tools/descriptions.hpp"

// The two descriptions as named on the command line, with their text.
struct checked_files {
    std::string line_name;
    std::string service_name;
    const std::string* line_text = nullptr;
    const std::string* service_text = nullptr;
};

// FILE:LINE:COL: error: MESSAGE [status N], the source line, a caret under the field, a note,
// and a summary line "N errors, M warnings" (left out when `summary` is false or nothing was found).
std::string render_text(const analisi& a, const checked_files& f, bool color, bool summary = true);

// "N errors, M warnings", the summary line's words.
std::string finding_count(const analisi& a);

// FILE:LINE:COL: error: MESSAGE of the first error, as compile names it on its status line; empty
// when there is none.
std::string first_error(const analisi& a, const checked_files& f);

// {"diagnostics": [...], "errors": N, "warnings": N}
std::string render_json(const analisi& a, const checked_files& f);

// One SARIF 2.1.0 log with one run.
std::string render_sarif(const analisi& a, const checked_files& f);

enum class check_format { text, json, sarif };

// Reads both descriptions, prints every finding on standard output in the format asked for and
// returns the exit status: 0 no error, 2 at least one error, 1 an input cannot be read.
// What check adds to the findings of the reading, when asked.
struct check_extras {
    bool timetable = false;   // the timetable's findings (see timetable)
    std::string model_file;   // its train; empty: the one made from the service
    bool documents = false;   // what compile --documents would cut
};

int check_files(const std::string& line_file, const std::string& service_file, input_encoding encoding,
                check_format format, const std::string& color, bool plan, const check_extras& extras = {});

// Whether colour is wanted: --color=always or never, or auto (a terminal, and NO_COLOR not set).
bool use_color(const std::string& mode, bool error_stream);
