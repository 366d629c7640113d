#include "service/dati_treno.hpp"

#include "model/nomi_file.hpp"

lista_righe righe_treno() { return {"[generale]", "[fine]", marcatore_fine}; }

void dati_treno(const stato_build& s) {
    scrivi_documento(righe_treno(), nome_file_treno_txt(s));
}
