// The document writer: every text file of the system is a line list written as
// Windows-1252 lines ended by CR LF, up to the end marker.
#pragma once

#include <cstddef>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

inline constexpr std::size_t capacita_lista = 1001;  // slots 0 to 1000
inline constexpr const char* marcatore_fine = "riferimento fine del file";

// A line list: slot 0 upwards, the end marker after the last line. Texts are Windows-1252 bytes.
using lista_righe = std::vector<std::string>;

// A list of fixed lines closed by the end marker.
template <class Righe>
lista_righe lista_con_marcatore(const Righe& righe) {
    lista_righe lista(std::begin(righe), std::end(righe));
    lista.emplace_back(marcatore_fine);
    return lista;
}

// The bytes of the file: each slot before the end marker followed by CR LF. Never more than
// the list's 1001 slots are looked at; the marker itself is never written.
std::string testo_documento(const lista_righe& lista);

// The lines of a text whose lines end with CR LF, closed by the end marker: the inverse of
// testo_documento.
lista_righe lista_da_testo(std::string_view testo);

