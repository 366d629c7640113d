#pragma once

#include <filesystem>
#include <fstream>
#include <string>

// A whole file's bytes ("" when it cannot be opened), read in one block: some tests read the
// 20 MB executable of the sanitizer build, far too slow a character at a time.
inline std::string leggi_file(const std::filesystem::path& p) {
    std::string r;
    std::ifstream f(p, std::ios::binary | std::ios::ate);
    if (!f) return r;
    const std::streamoff dimensione = f.tellg();
    if (dimensione <= 0) return r;
    r.resize(static_cast<std::size_t>(dimensione));
    f.seekg(0);
    f.read(r.data(), static_cast<std::streamsize>(r.size()));
    r.resize(static_cast<std::size_t>(f.gcount()));
    return r;
}
