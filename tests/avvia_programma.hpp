// Runs the built program as a user would, and collects its exit status and output.
#pragma once

#include <sys/wait.h>

#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "cartella_temporanea.hpp"
#include "tests/leggi_file.hpp"

struct esecuzione {
    int uscita = -1;
    std::string uscita_standard;
    std::string errori;
};

// Runs `eseguibile argomenti` with `lavoro` as the working folder.
inline esecuzione avvia_in(const std::filesystem::path& lavoro, const std::string& eseguibile,
                           const std::string& argomenti) {
    // The output is collected outside the working folder, which the test inspects.
    static std::atomic<int> contatore{0};
    const std::string base = "gs_out_" + std::to_string(::getpid()) + "_" + std::to_string(contatore++);
    const std::filesystem::path out = std::filesystem::temp_directory_path() / (base + ".stdout");
    const std::filesystem::path err = std::filesystem::temp_directory_path() / (base + ".stderr");
    const std::string comando = "cd '" + lavoro.string() + "' && '" + eseguibile + "' " + argomenti + " >'" +
                                out.string() + "' 2>'" + err.string() + "' </dev/null";
    esecuzione e;
    const int stato = std::system(comando.c_str());
    e.uscita = WIFEXITED(stato) ? WEXITSTATUS(stato) : -1;
    e.uscita_standard = leggi_file(out);
    e.errori = leggi_file(err);
    std::filesystem::remove(out);
    std::filesystem::remove(err);
    return e;
}
