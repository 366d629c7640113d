#include "format/lettura_piano.hpp"

#include <bit>
#include <cstdint>

#include "format/file_binari.hpp"

namespace {

std::uint64_t prendi(std::string_view in, std::size_t at, std::size_t byte) {
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < byte; ++i) v |= static_cast<std::uint64_t>(static_cast<unsigned char>(in[at + i])) << (8 * i);
    return v;
}

// The stored size of an element from its type code; 0 for an unknown code.
std::size_t byte_elemento(std::uint64_t codice) {
    if (codice == codice_vuoto) return 2;
    if (codice == codice_intero16) return 4;
    if (codice == codice_reale64) return 10;
    return 0;
}

}  // namespace

elemento_linea cursore_piano::prossimo() {
    const std::uint64_t codice = prendi(byte, at, 2);
    elemento_linea e;
    if (codice == codice_intero16) {
        e.genere = genere_elemento::intero16;
        e.valore = static_cast<double>(static_cast<std::int16_t>(static_cast<std::uint16_t>(prendi(byte, at + 2, 2))));
    } else if (codice == codice_reale64) {
        e.genere = genere_elemento::reale64;
        e.valore = std::bit_cast<double>(prendi(byte, at + 2, 8));
    }
    at += byte_elemento(codice);
    return e;
}

bool verifica_file_linea(std::string_view byte, piano_in_file& p, std::string& motivo) {
    std::size_t elementi = 0;
    for (std::size_t at = 0; at < byte.size(); ++elementi) {
        if (byte.size() - at < 2) {
            motivo = "truncated element at byte " + std::to_string(at);
            return false;
        }
        const std::uint64_t codice = prendi(byte, at, 2);
        const std::size_t n = byte_elemento(codice);
        if (n == 0) {
            motivo = "unknown element type " + std::to_string(codice) + " at byte " + std::to_string(at);
            return false;
        }
        if (byte.size() - at < n) {
            motivo = std::string(codice == codice_intero16 ? "truncated integer" : "truncated real") + " at byte " +
                     std::to_string(at + 2);
            return false;
        }
        at += n;
    }
    if (elementi == 0 || elementi % 2 != 0) {
        motivo = "the file holds " + std::to_string(elementi) + " elements, not two equal halves";
        return false;
    }
    p.byte = byte;
    p.metri = elementi / 2;
    cursore_piano y{byte, 0};
    for (std::size_t m = 0; m < p.metri; ++m) y.prossimo();
    p.inizio_y = y.at;
    // The writer gives metre m the same kind in both halves: bytes appended to a good file, or
    // a file cut and padded, break this at once.
    cursore_piano x = cursore_x(p);
    for (std::size_t m = 0; m < p.metri; ++m) {
        const genere_elemento gx = x.prossimo().genere;
        const genere_elemento gy = y.prossimo().genere;
        if (gx != gy) {
            static const char* const nomi[] = {"empty", "an integer", "a real"};
            motivo = "metre " + std::to_string(m) + " is " + nomi[static_cast<int>(gx)] + " in the x half but " +
                     nomi[static_cast<int>(gy)] + " in the y half";
            return false;
        }
    }
    return true;
}

bool leggi_file_linea(const std::string& byte, std::vector<elemento_linea>& x, std::vector<elemento_linea>& y,
                      std::string& motivo) {
    piano_in_file p;
    if (!verifica_file_linea(byte, p, motivo)) return false;
    // As many elements as the checked file holds: no growing and copying on the way.
    x.clear();
    y.clear();
    x.reserve(p.metri);
    y.reserve(p.metri);
    cursore_piano cx = cursore_x(p), cy = cursore_y(p);
    for (std::size_t m = 0; m < p.metri; ++m) {
        x.push_back(cx.prossimo());
        y.push_back(cy.prossimo());
    }
    return true;
}
