// Writes the generated line and service of a given length, for runs of the whole program.
// usage: genera_descrizioni LENGTH LINE_FILE SERVICE_FILE
#include <cstdlib>
#include <fstream>
#include <iostream>

#include "bench/scenario_generato.hpp"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: genera_descrizioni LENGTH LINE_FILE SERVICE_FILE\n";
        return 64;
    }
    const descrizioni_generate d = genera_descrizioni(std::atoll(argv[1]));
    std::ofstream(argv[2], std::ios::binary) << d.linea;
    std::ofstream(argv[3], std::ios::binary) << d.servizio;
}
