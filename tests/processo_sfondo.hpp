// A run of the program in the background: for signals sent at a chosen moment and for runs
// that overlap.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>
#include "tests/leggi_file.hpp"

struct processo_sfondo {
    pid_t pid = -1;
    std::filesystem::path uscita;  // standard output and standard error, together
};

struct fine_processo {
    int stato = 0;  // as waitpid reports it
    std::string messaggi;

    bool uscito(int codice) const { return WIFEXITED(stato) && WEXITSTATUS(stato) == codice; }
    bool ucciso_da(int segnale) const { return WIFSIGNALED(stato) && WTERMSIG(stato) == segnale; }
};

// Starts `argomenti` (the first is the program) with `lavoro` as the working folder.
inline processo_sfondo avvia_sfondo(const std::filesystem::path& lavoro, const std::vector<std::string>& argomenti) {
    static std::atomic<int> contatore{0};
    processo_sfondo p;
    p.uscita = std::filesystem::temp_directory_path() /
               ("gs_bg_" + std::to_string(::getpid()) + "_" + std::to_string(contatore++) + ".out");
    // Everything the child needs is prepared before the fork.
    const std::string cartella = lavoro.string();
    const std::string file_uscita = p.uscita.string();
    std::vector<char*> argv;
    for (const std::string& a : argomenti) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    p.pid = ::fork();
    if (p.pid == 0) {
        const int out = ::open(file_uscita.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int in = ::open("/dev/null", O_RDONLY);
        if (out < 0 || in < 0 || ::chdir(cartella.c_str()) != 0) ::_exit(126);
        // The program answers the signals the test sends, whatever the test runner ignores.
        for (int segnale : {SIGINT, SIGTERM, SIGHUP}) ::signal(segnale, SIG_DFL);
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(out, 2);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    return p;
}

// Waits until the started process runs `programma` (its name as /proc shows it, at most 15
// characters), so that a delay measured from here is a delay into the program's own run and not
// into the fork before it; false after two seconds.
inline bool attendi_avvio(const processo_sfondo& p, const std::string& programma) {
    const std::string comm = "/proc/" + std::to_string(p.pid) + "/comm";
    for (int i = 0; i < 20000; ++i) {
        std::ifstream f(comm);
        std::string nome;
        if (std::getline(f, nome) && nome == programma.substr(0, 15)) return true;
        ::usleep(100);
    }
    return false;
}

inline fine_processo attendi(const processo_sfondo& p) {
    fine_processo f;
    while (::waitpid(p.pid, &f.stato, 0) < 0 && errno == EINTR) {
    }
    f.messaggi = leggi_file(p.uscita);
    std::filesystem::remove(p.uscita);
    return f;
}
