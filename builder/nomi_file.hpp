// The names of every file the build reads or writes, in the build's folder.
#pragma once

#include <string>

#include "core/registri.hpp"
#include "platform/platform.hpp"

inline std::string nome_file_linea_txt(const stato_build& s) {
    return platform::join_path(s.cartella, s.scenario + "_linea.txt");
}
inline std::string nome_file_treno_txt(const stato_build& s) {
    return platform::join_path(s.cartella, identificatore(s) + "-.txt");
}
inline std::string nome_file_linea_dat(const stato_build& s) {
    return platform::join_path(s.cartella, s.scenario + "_linea.dat");
}
inline std::string nome_file_sim(const stato_build& s) {
    return platform::join_path(s.cartella, identificatore(s) + ".sim");
}
inline std::string nome_file_dat(const stato_build& s) {
    return platform::join_path(s.cartella, identificatore(s) + ".dat");
}
// A companion document: the scenario identifier, "_" and the suffix ("note.txt", ...).
inline std::string nome_documento(const stato_build& s, const char* suffisso) {
    return platform::join_path(s.cartella, identificatore(s) + "_" + suffisso);
}
