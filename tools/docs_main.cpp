// genera_scenario_docs FOLDER: writes the manual page and the bash completion into FOLDER, and
// makes the reference tables of FOLDER/formats.md again from the keyword table (the repository
// keeps all three in docs/, where tests hold them equal to what this writes).
#include <iostream>
#include <stdexcept>
#include <string>

#include "builder/sostituzione.hpp"
#include "platform/platform.hpp"
#include "tools/command_docs.hpp"
#include "tools/formats_docs.hpp"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: genera_scenario_docs FOLDER\n";
        return 64;
    }
    const std::string folder = argv[1];
    try {
        sostituisci_file(platform::join_path(folder, "genera_scenario.1"), manual_page());
        sostituisci_file(platform::join_path(folder, "genera_scenario.bash"), bash_completion());
        const std::string formats = platform::join_path(folder, "formats.md");
        std::string text, reason;
        if (!platform::read_file(formats, text, reason)) {
            std::cerr << "genera_scenario_docs: " << formats << ": " << reason << "\n";
            return 1;
        }
        sostituisci_file(formats, formats_reference(text));
    } catch (const platform::file_error& e) {
        std::cerr << "genera_scenario_docs: " << e.message << "\n";
        return 1;
    } catch (const std::invalid_argument& e) {
        std::cerr << "genera_scenario_docs: " << folder << "/formats.md: " << e.what() << "\n";
        return 1;
    }
    std::cerr << "wrote " << folder << "/genera_scenario.1, " << folder << "/genera_scenario.bash and the tables of "
              << folder << "/formats.md\n";
    return 0;
}
