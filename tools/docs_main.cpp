// genera_scenario_docs FOLDER: writes the manual page and the bash completion into FOLDER (the
// repository keeps them in docs/, where a test holds them equal to what this writes).
#include <iostream>
#include <string>

#include "builder/sostituzione.hpp"
#include "platform/platform.hpp"
#include "tools/command_docs.hpp"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: genera_scenario_docs FOLDER\n";
        return 64;
    }
    const std::string folder = argv[1];
    try {
        sostituisci_file(platform::join_path(folder, "genera_scenario.1"), manual_page());
        sostituisci_file(platform::join_path(folder, "genera_scenario.bash"), bash_completion());
    } catch (const platform::file_error& e) {
        std::cerr << "genera_scenario_docs: " << e.message << "\n";
        return 1;
    }
    std::cerr << "wrote " << folder << "/genera_scenario.1 and " << folder << "/genera_scenario.bash\n";
    return 0;
}
