#include "model/scrittore_documenti.hpp"

#include "platform/platform.hpp"

std::string testo_documento(const lista_righe& lista) {
    std::string testo;
    for (std::size_t i = 0; i < lista.size() && i < capacita_lista; ++i) {
        if (lista[i] == marcatore_fine) break;
        testo += lista[i];
        testo += "\r\n";
    }
    return testo;
}

void scrivi_documento(const lista_righe& lista, const std::string& nome_file) {
    platform::replace_file(nome_file, testo_documento(lista));
}
