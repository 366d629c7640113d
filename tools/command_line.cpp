#include "tools/command_line.hpp"

#include <algorithm>
#include <iostream>

#include "tools/command.hpp"

namespace {

constexpr const char* program = "genera_scenario";
constexpr const char* version_text = "genera_scenario " GS_VERSION;

// Edit distance, for "did you mean": short words, so the plain table is enough.
std::size_t distance(const std::string& a, const std::string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0u : 1u)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// The nearest of `known` to `word` when it is near enough to be a slip of the keyboard.
std::string nearest_name(const std::string& word, const std::vector<std::string>& known) {
    std::string best;
    std::size_t best_distance = std::max<std::size_t>(2, word.size() / 3) + 1;
    for (const std::string& k : known) {
        const std::size_t d = distance(word, k);
        if (d < best_distance) {
            best = k;
            best_distance = d;
        }
    }
    return best;
}

std::string with_suggestion(std::string message, const std::string& suggestion) {
    if (!suggestion.empty()) message += " (did you mean " + suggestion + "?)";
    return message;
}

std::vector<std::string> option_names(const CLI::App& app) {
    std::vector<std::string> names;
    for (const CLI::Option* o : app.get_options()) {
        for (const std::string& l : o->get_lnames()) names.push_back("--" + l);
        for (const std::string& s : o->get_snames()) names.push_back("-" + s);
    }
    return names;
}

int report_usage(const std::string& who, const std::string& message, const std::string& usage,
                 const std::string& help) {
    std::cerr << who << ": " << message << "\nusage: " << usage << "\n(" << help << " --help tells more)\n";
    return exit_usage;
}

std::string main_help() {
    std::string text = "usage: genera_scenario                 build the embedded scenario into the program's folder\n"
                       "       genera_scenario COMMAND [options] ARGUMENTS...\n"
                       "       genera_scenario -h | --help | --version\n\ncommands:\n";
    const std::vector<command> table = command_table();
    std::size_t width = 0;
    for (const command& c : table) width = std::max(width, c.name.size());
    for (const command& c : table) {
        std::string name = "  " + c.name;
        name.resize(width + 4, ' ');
        text += name + c.summary + "\n";
    }
    text += "\n`genera_scenario COMMAND --help` tells more about each command.\n";
    return text;
}

// The message of a CLI11 parse error in this program's words.
std::string parse_error_text(const CLI::ParseError& e) {
    std::string text = e.what();
    // "--out: 1 required DIR missing" is an option left without its value.
    const std::size_t colon = text.find(": ");
    if (dynamic_cast<const CLI::ArgumentMismatch*>(&e) && colon != std::string::npos &&
        text.find("missing", colon) != std::string::npos)
        return "option " + text.substr(0, colon) + " needs a value";
    return text;
}

int run(const command& c, const std::vector<std::string>& args) {
    command_app a = make_command_app(c);
    CLI::App& app = *a.app;
    const std::string who = std::string(program) + " " + c.name;
    try {
        // CLI11 takes the arguments in reverse order, the program's name and the command left out.
        std::vector<std::string> reversed(args.rbegin(), args.rend() - 1);
        app.parse(reversed);
        const std::vector<std::string> extras = app.remaining();
        if (!extras.empty()) {
            const std::string& x = extras.front();
            if (x.size() > 1 && x[0] == '-') {
                const std::string name = x.substr(0, x.find('='));
                throw usage_error{with_suggestion("unknown option " + x, nearest_name(name, option_names(app)))};
            }
            throw usage_error{"unexpected argument " + x};
        }
        return a.run();
    } catch (const CLI::CallForHelp&) {
        std::cout << app.help();
        return 0;
    } catch (const CLI::CallForVersion& e) {
        std::cout << e.what() << "\n";
        return 0;
    } catch (const CLI::ParseError& e) {
        return report_usage(who, parse_error_text(e), synopsis(app), who);
    } catch (const usage_error& e) {
        return report_usage(who, e.message, synopsis(app), who);
    }
}

}  // namespace

command_app make_command_app(const command& c) {
    command_app a;
    a.app = std::make_unique<CLI::App>(c.description, std::string(program) + " " + c.name);
    CLI::App& app = *a.app;
    app.set_help_flag("-h,--help", "show this help and exit");
    app.set_version_flag("--version", version_text, "show the program's version and exit");
    app.allow_extras();
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    app.get_formatter()->label("Usage", "usage");
    app.get_formatter()->column_width(28);
    if (!c.exit_statuses.empty()) app.footer("exit status:\n" + c.exit_statuses);
    a.run = c.declare(app);
    return a;
}

std::string synopsis(const CLI::App& app) {
    std::string text = app.get_name();
    for (const CLI::Option* o : app.get_options()) {
        if (o->get_positional() || o == app.get_help_ptr() || o == app.get_version_ptr()) continue;
        const std::string name = o->get_snames().empty() ? "--" + o->get_lnames().front() : "-" + o->get_snames().front();
        text += " [" + name;
        if (o->get_items_expected_max() > 0) text += " " + o->get_type_name();
        text += "]";
    }
    for (const CLI::Option* o : app.get_options()) {
        if (!o->get_positional()) continue;
        text += " " + o->get_name();
        if (o->get_items_expected_max() > 1) text += "...";
    }
    return text;
}

int run_command(const std::vector<std::string>& args) {
    const std::string& first = args.at(0);
    const std::vector<command> table = command_table();
    auto find = [&](const std::string& name) {
        return std::find_if(table.begin(), table.end(), [&](const command& c) { return c.name == name; });
    };
    if (auto c = find(first); c != table.end()) return run(*c, args);
    if (first == "-h" || first == "--help" || first == "help") {
        // "help compile" is "compile --help".
        if (args.size() > 1) {
            if (auto c = find(args[1]); c != table.end()) return run(*c, {c->name, "--help"});
        }
        std::cout << main_help();
        return 0;
    }
    if (first == "--version") {
        std::cout << version_text << "\n";
        return 0;
    }
    std::vector<std::string> names;
    for (const command& c : table) names.push_back(c.name);
    const std::string what = first.size() > 1 && first[0] == '-' ? "unknown option " : "unknown command ";
    return report_usage(program, with_suggestion(what + first, nearest_name(first, names)),
                        std::string(program) + " COMMAND [options] ARGUMENTS...", program);
}
