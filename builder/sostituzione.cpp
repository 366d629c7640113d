#include "builder/sostituzione.hpp"

#include <cstddef>
#include <optional>

#include "platform/platform.hpp"

namespace {

constexpr const char* prefisso = ".gs-";
constexpr std::size_t cifre = 16;

// A file this run has in hand: remembered for removal if the run is interrupted, and
// removed (or forgotten) when the record goes.
struct file_in_mano {
    std::string percorso;
    int posto = -1;

    explicit file_in_mano(std::string p) : percorso(std::move(p)), posto(platform::remember_for_interruption(percorso)) {}
    file_in_mano(file_in_mano&& altro) noexcept : percorso(std::move(altro.percorso)), posto(altro.posto) {
        altro.posto = -1;
    }
    file_in_mano(const file_in_mano&) = delete;
    file_in_mano& operator=(const file_in_mano&) = delete;
    file_in_mano& operator=(file_in_mano&&) = delete;
    ~file_in_mano() { rilascia(true); }

    // Removes the file (when asked) and forgets it.
    void rilascia(bool rimuovi) {
        if (posto < 0) return;
        if (rimuovi) {
            try {
                platform::delete_file(percorso);
            } catch (const platform::file_error&) {
                // Best effort: the next run in this folder removes what is left.
            }
        }
        platform::forget_for_interruption(posto);
        posto = -1;
    }
};

// Writes the bytes under a new unpredictable name beside `percorso`.
file_in_mano scrivi_temporaneo(const file_da_scrivere& f) {
    for (;;) {
        file_in_mano t(f.path + prefisso + platform::unpredictable_name_part() + ".tmp");
        if (platform::write_new_file(t.percorso, f)) return t;
        // The name is taken by something not ours: forget it, never remove it.
        t.rilascia(false);
    }
}

// One final file during the renames: the earlier file kept under a second name, and whether
// the new one is in place.
struct sostituzione {
    std::optional<file_in_mano> riserva;
    bool spostata = false;  // the earlier file was moved aside, not linked: its final name is free
    bool fatta = false;
};

// Keeps the earlier file under a second name. A hard link leaves the final name in place
// throughout; where the file system has none, the earlier file is moved aside instead.
sostituzione metti_da_parte(const std::string& percorso) {
    sostituzione s;
    if (platform::kind_of_path(percorso) != platform::path_kind::file) return s;
    for (;;) {
        file_in_mano r(percorso + prefisso + platform::unpredictable_name_part() + ".bak");
        if (platform::kind_of_path(r.percorso) != platform::path_kind::missing) {
            r.rilascia(false);
            continue;
        }
        if (!platform::link_file(percorso, r.percorso, percorso)) {
            platform::rename_file(percorso, r.percorso, percorso);
            s.spostata = true;
        }
        s.riserva.emplace(std::move(r));
        return s;
    }
}

// Puts every earlier file back; returns what could not be put back, for the message.
std::string rimetti(std::vector<sostituzione>& fatte, const std::vector<file_da_scrivere>& file) {
    std::string non_rimessi;
    for (std::size_t i = fatte.size(); i-- > 0;) {
        sostituzione& s = fatte[i];
        const std::string& percorso = file[i].path;
        try {
            if (s.riserva && (s.fatta || s.spostata)) {
                platform::rename_file(s.riserva->percorso, percorso, percorso);
                s.riserva->rilascia(false);
            } else if (s.riserva) {
                // The earlier file never left its name: only the second name goes.
                s.riserva->rilascia(true);
            } else if (s.fatta) {
                platform::delete_file(percorso);
            }
        } catch (const platform::file_error& e) {
            non_rimessi += "; the earlier file was not put back (" + e.message + ")";
            if (s.riserva) {
                non_rimessi += ", it is kept as " + s.riserva->percorso;
                s.riserva->rilascia(false);
            }
        }
    }
    return non_rimessi;
}

}  // namespace

void sostituisci_insieme(const std::vector<file_da_scrivere>& file) {
    // A failure here removes the temporary files already written, through their records.
    std::vector<file_in_mano> temporanei;
    temporanei.reserve(file.size());
    for (const file_da_scrivere& f : file) temporanei.push_back(scrivi_temporaneo(f));

    // The renames and their undoing run as one step that an interruption cannot split.
    const platform::interruptions_held trattenute;
    std::vector<sostituzione> fatte;
    fatte.reserve(file.size());
    try {
        for (std::size_t i = 0; i < file.size(); ++i) {
            fatte.push_back(metti_da_parte(file[i].path));
            sostituzione& s = fatte.back();
            platform::rename_file(temporanei[i].percorso, file[i].path, file[i].path);
            temporanei[i].rilascia(false);
            s.fatta = true;
        }
    } catch (const platform::file_error& e) {
        const std::string non_rimessi = rimetti(fatte, file);
        throw platform::file_error{e.message + (non_rimessi.empty() ? "; every earlier file is kept" : non_rimessi)};
    }
    if (platform::interruption_pending()) {
        // Interrupted before the set was complete from the user's side: the earlier files
        // come back, and the interruption takes effect when the hold ends.
        rimetti(fatte, file);
    }
}

void sostituisci_file(const std::string& percorso, const std::string& byte) {
    sostituisci_insieme({{percorso, byte}});
}

bool nome_temporaneo(const std::string& nome) {
    const std::size_t coda = std::string(prefisso).size() + cifre + 4;
    if (nome.size() <= coda) return false;
    const std::string fine = nome.substr(nome.size() - coda);
    if (fine.compare(0, 4, prefisso) != 0) return false;
    for (std::size_t i = 4; i < 4 + cifre; ++i) {
        const char c = fine[i];
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    }
    const std::string estensione = fine.substr(4 + cifre);
    return estensione == ".tmp" || estensione == ".bak";
}

platform::folder_lock blocca_cartella(const std::string& cartella) {
    platform::folder_lock blocco = platform::lock_folder(cartella, attesa_massima_blocco, [&] {
        platform::report_note("genera_scenario: waiting for another run to finish writing in " + cartella +
                              " (it holds the folder's lock)");
    });
    // Nothing of ours is being written here now: what matches our names was left by a run
    // that was killed.
    for (const platform::folder_entry& e : platform::folder_entries(cartella)) {
        if (!nome_temporaneo(e.name) || platform::kind_of_path(e.path) != platform::path_kind::file) continue;
        try {
            platform::delete_file(e.path);
            platform::report_note("genera_scenario: removed " + e.path + ", left by an interrupted run");
        } catch (const platform::file_error& errore_rimozione) {
            platform::report_note("genera_scenario: " + errore_rimozione.message);
        }
    }
    return blocco;
}
