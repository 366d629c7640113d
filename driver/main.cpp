#include <string>
#include <vector>

#include "driver/command_line.hpp"
#include "driver/costruzione.hpp"
#include "platform/platform.hpp"

int main(int argc, char** argv) {
    try {
        if (argc > 1) platform::end_program(run_command(std::vector<std::string>(argv + 1, argv + argc)));
        platform::end_program(Form_Load(platform::program_folder()));
    } catch (const platform::file_error& e) {
        platform::report_failure(e.message);
    } catch (const errore_esecuzione& e) {
        platform::report_failure(e.messaggio);
    }
    platform::end_program(1);
}
