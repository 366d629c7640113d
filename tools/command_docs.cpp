#include "tools/command_docs.hpp"

#include <string_view>

#include "tools/command.hpp"

namespace {

// The options a command shows, in the order of its --help: the positionals apart.
struct option_row {
    std::vector<std::string> names;  // "-o", "--out", ...
    std::string value;               // the value's type name; empty for a flag
    std::string description;
};

std::vector<option_row> option_rows(const CLI::App& app) {
    std::vector<option_row> rows;
    for (const CLI::Option* o : app.get_options()) {
        if (o->get_positional()) continue;
        option_row r;
        for (const std::string& s : o->get_snames()) r.names.push_back("-" + s);
        for (const std::string& l : o->get_lnames()) r.names.push_back("--" + l);
        if (o->get_items_expected_max() > 0) r.value = o->get_type_name();
        r.description = o->get_description();
        rows.push_back(r);
    }
    return rows;
}

std::vector<std::string> positional_names(const CLI::App& app) {
    std::vector<std::string> names;
    for (const CLI::Option* o : app.get_options())
        if (o->get_positional()) names.push_back(o->get_name() + (o->get_items_expected_max() > 1 ? "..." : ""));
    return names;
}

// Text for a man page: backslashes and hyphens escaped (a hyphen in an option must stay an ASCII
// hyphen-minus when the page is copied from), lines joined into one paragraph, and a line that
// would start with a control character guarded.
std::string roff(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '\\')
            out += "\\e";
        else if (c == '-')
            out += "\\-";
        else if (c == '\n')
            out += ' ';
        else
            out += c;
    }
    if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out.insert(0, "\\&");
    return out;
}

// "  0  built\n  1  nothing ...\n     more" as (status, meaning) pairs.
std::vector<std::pair<std::string, std::string>> exit_rows(const std::string& text) {
    std::vector<std::pair<std::string, std::string>> rows;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        const std::size_t first = line.find_first_not_of(' ');
        if (first == std::string::npos) continue;
        line.erase(0, first);
        if (line[0] >= '0' && line[0] <= '9') {
            const std::size_t gap = line.find(' ');
            const std::size_t meaning = line.find_first_not_of(' ', gap);
            rows.emplace_back(line.substr(0, gap), meaning == std::string::npos ? "" : line.substr(meaning));
        } else if (!rows.empty()) {
            rows.back().second += " " + line;
        }
    }
    return rows;
}

std::string joined(const std::vector<std::string>& words) {
    std::string text;
    for (const std::string& w : words) text += (text.empty() ? "" : " ") + w;
    return text;
}

// The choices a value takes, when its type name lists them ("auto|always|never").
std::vector<std::string> choices(const std::string& value) {
    std::vector<std::string> words;
    if (value.find('|') == std::string::npos) return words;
    std::size_t start = 0;
    for (std::size_t bar = value.find('|'); ; bar = value.find('|', start)) {
        words.push_back(value.substr(start, bar - start));
        if (bar == std::string::npos) break;
        start = bar + 1;
    }
    return words;
}

}  // namespace

std::string manual_page() {
    std::string page =
        ".\\\" Made by genera_scenario_docs from the program's option table; regenerate it, do not edit it.\n"
        ".TH GENERA_SCENARIO 1 \"\" \"genera_scenario " GS_VERSION "\" \"User Commands\"\n"
        ".nh\n"  // file names and options are never broken at a hyphen
        ".SH NAME\n"
        "genera_scenario \\- compile line and service descriptions into a train-driving simulator's scenario files\n"
        ".SH SYNOPSIS\n"
        ".B genera_scenario\n"
        ".br\n"
        ".B genera_scenario\n"
        ".I COMMAND\n"
        "[\\fIoptions\\fR] \\fIARGUMENTS\\fR...\n"
        ".br\n"
        ".B genera_scenario\n"
        "\\fB\\-h\\fR | \\fB\\-\\-help\\fR | \\fB\\-\\-version\\fR\n"
        ".SH DESCRIPTION\n"
        "Started with no arguments, the program builds its embedded scenario, the line Sorvanta with\n"
        "the train E48027, into the folder that holds the executable: the two descriptions as text, three\n"
        "documents for the driver, and the three binary files the simulator loads (Sorvanta_linea.dat,\n"
        "Sorvanta_E48027.sim, Sorvanta_E48027.dat). With a command, it serves scenario authors: each\n"
        "command below takes its options the same way, answers \\fB\\-h\\fR and \\fB\\-\\-help\\fR, and names\n"
        "the nearest known option for a mistyped one.\n"
        ".PP\n"
        "Descriptions are Windows\\-1252 text with CR LF line ends; so are the documents the program\n"
        "writes. View them with \\fBiconv \\-f cp1252\\fR.\n"
        ".SH COMMANDS\n";
    for (const command& c : command_table()) {
        const command_app a = make_command_app(c);
        const CLI::App& app = *a.app;
        page += ".SS " + c.name + "\n";
        page += "\\fBgenera_scenario " + c.name + "\\fR";
        for (const option_row& r : option_rows(app)) {
            if (r.names.front() == "-h" || r.names.front() == "--version") continue;
            page += " [\\fB" + roff(r.names.front()) + "\\fR" + (r.value.empty() ? "" : " \\fI" + roff(r.value) + "\\fR") + "]";
        }
        for (const std::string& p : positional_names(app)) page += " \\fI" + roff(p) + "\\fR";
        page += "\n.PP\n" + roff(c.description) + "\n";
        for (const option_row& r : option_rows(app)) {
            page += ".TP\n";
            for (std::size_t i = 0; i < r.names.size(); ++i)
                page += (i == 0 ? "" : ", ") + std::string("\\fB") + roff(r.names[i]) + "\\fR";
            if (!r.value.empty()) page += " \\fI" + roff(r.value) + "\\fR";
            page += "\n" + roff(r.description) + "\n";
        }
        if (!c.exit_statuses.empty()) {
            page += ".PP\nExit status:\n.RS\n.PD 0\n";
            for (const auto& [status, meaning] : exit_rows(c.exit_statuses))
                page += ".TP 4\n.B " + status + "\n" + roff(meaning) + "\n";
            page += ".PD\n.RE\n";
        }
    }
    page +=
        ".SH EXIT STATUS\n"
        "Without arguments: 0 the scenario was built; 1 no binary file was written; 2 a problem in the\n"
        "descriptions was recorded as a build status, and the binary files were still written. Each\n"
        "command lists its own above; 64 is always a wrong use of the command line.\n";
    return page;
}

std::string bash_completion() {
    const std::vector<command> table = command_table();
    std::vector<std::string> names;
    for (const command& c : table) names.push_back(c.name);
    std::string script =
        "# bash completion for genera_scenario. Made by genera_scenario_docs from the program's option\n"
        "# table; regenerate it, do not edit it.\n"
        "_genera_scenario() {\n"
        "    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}\n"
        "    COMPREPLY=()\n"
        "    # --name=VALUE: bash splits the word at the equals sign.\n"
        "    if [[ $cur == = ]]; then\n"
        "        cur=\n"
        "    elif [[ $prev == = && $COMP_CWORD -ge 3 ]]; then\n"
        "        prev=${COMP_WORDS[COMP_CWORD-2]}\n"
        "    fi\n"
        "    if [[ $COMP_CWORD -eq 1 ]]; then\n"
        "        mapfile -t COMPREPLY < <(compgen -W '" + joined(names) + " help -h --help --version' -- \"$cur\")\n"
        "        return\n"
        "    fi\n"
        "    case ${COMP_WORDS[1]} in\n"
        "    help)\n"
        "        [[ $COMP_CWORD -eq 2 ]] && mapfile -t COMPREPLY < <(compgen -W '" + joined(names) + "' -- \"$cur\")\n"
        "        ;;\n";
    for (const command& c : table) {
        const command_app a = make_command_app(c);
        const std::vector<option_row> rows = option_rows(*a.app);
        script += "    " + c.name + ")\n        case $prev in\n";
        std::vector<std::string> all;
        for (const option_row& r : rows) {
            all.insert(all.end(), r.names.begin(), r.names.end());
            if (r.value.empty()) continue;
            std::string pattern;
            for (const std::string& n : r.names) pattern += (pattern.empty() ? "" : "|") + n;
            std::string action;
            if (const std::vector<std::string> words = choices(r.value); !words.empty())
                action = "mapfile -t COMPREPLY < <(compgen -W '" + joined(words) + "' -- \"$cur\")";
            else if (r.value == "DIR")
                action = "compopt -o filenames 2>/dev/null; mapfile -t COMPREPLY < <(compgen -d -- \"$cur\")";
            else if (r.value == "FILE")
                action = "compopt -o filenames 2>/dev/null; mapfile -t COMPREPLY < <(compgen -f -- \"$cur\")";
            else
                action = ":";  // a name of the user's choosing
            script += "        " + pattern + ") " + action + "; return ;;\n";
        }
        script += "        esac\n"
                  "        if [[ $cur == -* ]]; then\n"
                  "            mapfile -t COMPREPLY < <(compgen -W '" + joined(all) + "' -- \"$cur\")\n";
        if (!positional_names(*a.app).empty())
            script += "        else\n"
                      "            compopt -o filenames 2>/dev/null; mapfile -t COMPREPLY < <(compgen -f -- \"$cur\")\n";
        script += "        fi\n        ;;\n";
    }
    script += "    esac\n"
              "}\n"
              "complete -F _genera_scenario genera_scenario\n";
    return script;
}
