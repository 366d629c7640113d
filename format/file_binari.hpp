// Byte layouts of the three binary files, declared once as tables of fields and used both
// to write the files and to read them back.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/registri.hpp"
// Reading the line record file back lives beside: its readers take it with this header.
#include "format/lettura_piano.hpp"

struct campo_cella {
    const char* nome;
    int byte;  // stored width
    bool con_segno;
    std::int64_t (*leggi)(const cella&);
    void (*scrivi)(cella&, std::int64_t);
};

// A slot field of width 0 is the text `nome`: a 16-bit length and that many bytes.
struct campo_slot {
    const char* nome;
    int byte;
    bool con_segno;
    std::int64_t (*leggi)(const slot_servizio&);
    void (*scrivi)(slot_servizio&, std::int64_t);
};

extern const std::array<campo_cella, 11> layout_cella;
// Fields from this index on describe the track under the cell (terrain, speed limit,
// gradient, adhesion); the ones before it belong to the cell's object.
inline constexpr std::size_t primo_campo_binario = 7;
extern const std::array<campo_slot, 16> layout_slot;

inline constexpr std::size_t byte_cella = 15;
inline constexpr std::size_t byte_slot_senza_testo = 34;

// Type codes of the self-describing elements of the line record file.
inline constexpr std::uint16_t codice_vuoto = 0;
inline constexpr std::uint16_t codice_intero16 = 2;
inline constexpr std::uint16_t codice_reale64 = 5;

// Takes the next piece of a file's bytes; the pieces follow one another.
using scrivi_byte = std::function<void(std::string_view)>;

std::string serializza_percorso(const std::vector<cella>& percorso);
std::string serializza_servizio(const std::array<slot_servizio, n_slot>& servizio);

// The line record file is the large one (20 bytes a metre): it is handed over in pieces of
// 64 KiB, each worked out from the traced runs as it is written.
void serializza_linea(const linea_tracciata& linea, const scrivi_byte& scrivi);
std::string serializza_linea(const linea_tracciata& linea);
std::size_t byte_file_linea(const linea_tracciata& linea);

// Reading back. Each returns false with a reason when the bytes do not match the layout.
bool leggi_file_percorso(const std::string& byte, std::vector<cella>& percorso, std::string& motivo);
bool leggi_file_servizio(const std::string& byte, std::array<slot_servizio, n_slot>& servizio,
                         std::string& motivo);
