#include "scenario/dati_treno.hpp"

#include "scenario/testi_incorporati.hpp"

lista_righe righe_treno() { return lista_da_testo(testo_esempio_treno()); }
