#include "line/dati_linea.hpp"

#include "model/nomi_file.hpp"

lista_righe righe_linea() { return {"[generale]", "[fine]", marcatore_fine}; }

void dati_linea(const stato_build& s) { scrivi_documento(righe_linea(), nome_file_linea_txt(s)); }
