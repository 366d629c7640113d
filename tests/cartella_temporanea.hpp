// A fresh empty folder for one test, removed afterwards.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

#include "core/registri.hpp"
#include "tests/leggi_file.hpp"

struct cartella_temporanea {
    std::filesystem::path percorso;
    pid_t proprietario = ::getpid();  // the process that made the folder, the only one that removes it

    cartella_temporanea() {
        static std::atomic<int> contatore{0};
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string nome = "gs_" + std::to_string(::getpid()) + "_" + std::to_string(contatore++);
        if (info) nome += std::string("_") + info->name();
        for (char& c : nome)
            if (c == '/') c = '_';
        percorso = std::filesystem::temp_directory_path() / nome;
        std::filesystem::remove_all(percorso);
        std::filesystem::create_directories(percorso);
    }
    // A death test's child that ends through exit() runs the destructors of the folders its
    // parent keeps in statics: those stay for the parent.
    ~cartella_temporanea() {
        if (::getpid() != proprietario) return;
        std::error_code ec;
        std::filesystem::remove_all(percorso, ec);
    }
    cartella_temporanea(const cartella_temporanea&) = delete;
    cartella_temporanea& operator=(const cartella_temporanea&) = delete;

    std::string str() const { return percorso.string(); }
    std::filesystem::path operator/(const std::string& nome) const { return percorso / nome; }

    void scrivi(const std::string& nome, const std::string& byte) const {
        std::ofstream f(percorso / nome, std::ios::binary);
        f << byte;
    }
    std::string leggi(const std::string& nome) const {
        return leggi_file(percorso / nome);
    }
    bool esiste(const std::string& nome) const { return std::filesystem::exists(percorso / nome); }
};

// The build state of the embedded scenario, reading and writing in the folder `c`.
inline stato_build stato_sorvanta(const cartella_temporanea& c) {
    stato_build s;
    s.cartella = c.str();
    s.scenario = "Sorvanta";
    s.treno = "E48027";
    return s;
}
