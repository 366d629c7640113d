#include "core/documento.hpp"

std::string testo_documento(const lista_righe& lista) {
    std::string testo;
    for (std::size_t i = 0; i < lista.size() && i < capacita_lista; ++i) {
        if (lista[i] == marcatore_fine) break;
        testo += lista[i];
        testo += "\r\n";
    }
    return testo;
}

lista_righe lista_da_testo(std::string_view testo) {
    lista_righe lista;
    while (!testo.empty()) {
        const std::size_t fine = testo.find("\r\n");
        if (fine == std::string_view::npos) {
            lista.emplace_back(testo);
            break;
        }
        lista.emplace_back(testo.substr(0, fine));
        testo.remove_prefix(fine + 2);
    }
    lista.emplace_back(marcatore_fine);
    return lista;
}
