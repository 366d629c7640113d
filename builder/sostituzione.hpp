// Replacing files: every file the build writes goes through here. The new bytes are written
// in full under unpredictable temporary names beside the final ones, and only then renamed
// into place; a group of files is replaced together or not at all.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.hpp"

// A file's final name and its bytes (whole, or produced piece by piece as it is written).
using file_da_scrivere = platform::file_contents;

// Replaces the files together. The earlier files are kept until every rename has succeeded:
// when one fails (or the run is interrupted meanwhile) every earlier file is put back, every
// temporary file is removed, and platform::file_error names the file and the reason.
void sostituisci_insieme(const std::vector<file_da_scrivere>& file);

// One file alone.
void sostituisci_file(const std::string& percorso, const std::string& byte);

// The temporary and kept-aside files of this program have names ending in
// ".gs-" + 16 hexadecimal digits + ".tmp" or ".bak"; true for such a name.
bool nome_temporaneo(const std::string& nome);

// How long a run waits for another run that writes in the same folder, in seconds.
inline constexpr int attesa_massima_blocco = 60;

// Takes the exclusive lock on the folder where the build writes, waiting (and saying so after
// one second) while another run holds it; then removes the temporary files that a killed run
// left there, naming each. The lock lasts as long as the returned record.
platform::folder_lock blocca_cartella(const std::string& cartella);
