#include "tools/command.hpp"

std::vector<command> command_table() {
    // A new command: its row function in its own file, declared in command.hpp, and one line here.
    return {
        compile_command(),
        check_command(),
        dump_command(),
        plot_command(),
        decompile_command(),
        timetable_command(),
        view_command(),
        fmt_command(),
        lsp_command(),
    };
}
