#include <string>
#include <vector>

#include "tools/command_line.hpp"
#include "builder/costruzione.hpp"
#include "platform/platform.hpp"

int main(int argc, char** argv) {
    try {
        const std::vector<std::string> args = platform::command_arguments(argc, argv);
        if (!args.empty()) {
            platform::use_console();
            platform::end_program(run_command(args));
        }
        platform::end_program(Form_Load(platform::program_folder()));
    } catch (const platform::file_error& e) {
        platform::report_failure(e.message);
    } catch (const errore_esecuzione& e) {
        platform::report_failure(e.messaggio);
    }
    platform::end_program(1);
}
