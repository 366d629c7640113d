#include <exception>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "builder/costruzione.hpp"
#include "platform/platform.hpp"
#include "tools/command_line.hpp"

namespace {

int run(const std::vector<std::string>& args) {
    if (args.empty()) return Form_Load(platform::program_folder());
    platform::use_console();
    return run_command(args);
}

}  // namespace

int main(int argc, char** argv) {
    int status = 1;
    try {
        platform::handle_interruptions();
        status = run(platform::command_arguments(argc, argv));
        // Whatever was printed must have arrived: output lost to a full disk or a closed pipe
        // is a failure of the run, not a success.
        std::string reason;
        if (!platform::standard_output_written(reason)) {
            platform::report_failure("genera_scenario: cannot write to standard output: " + reason);
            status = 1;
        }
    } catch (const platform::file_error& e) {
        platform::report_failure(e.message);
    } catch (const errore_esecuzione& e) {
        platform::report_failure(e.messaggio);
    } catch (const std::bad_alloc&) {
        platform::report_failure("genera_scenario: out of memory; nothing more was written");
    } catch (const std::exception& e) {
        platform::report_failure(std::string("genera_scenario: unexpected failure: ") + e.what());
    } catch (...) {
        platform::report_failure("genera_scenario: unexpected failure");
    }
    platform::end_program(status);
}
