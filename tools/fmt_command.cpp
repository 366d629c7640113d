#include <memory>

#include "tools/command.hpp"
#include "tools/fmt.hpp"

namespace {

struct fmt_options {
    std::vector<std::string> files;
    bool check = false;
    bool quiet = false;
};

int fmt(const fmt_options& o) {
    if (o.files.empty()) throw usage_error{"fmt takes one or more files"};
    if (!inputs_exist(o.files)) return 1;
    std::vector<std::string> written;
    const int status = format_files(o.files, o.check, written);
    report_written(written, o.quiet);
    return status;
}

}  // namespace

command fmt_command() {
    return {
        "fmt",
        "lay descriptions out canonically (--check: list, change nothing)",
        "Lays line and service descriptions out as the built-in files are: the blanks after each comma,\n"
        "nothing else, so what a file means never changes. With --check nothing is written: the files\n"
        "that are not laid out so are listed.",
        "  0  every file laid out (or, with --check, already so)\n"
        "  1  a file could not be read or written, or (with --check) is not laid out\n"
        "  64 a wrong use of the command line",
        [](CLI::App& app) -> command_run {
            auto o = std::make_shared<fmt_options>();
            app.add_option("FILE", o->files, "the descriptions")->type_name("");
            app.add_flag("--check", o->check, "write nothing; list the files that are not laid out canonically");
            add_quiet_option(app, o->quiet);
            return [o] { return fmt(*o); };
        },
    };
}
