#include "scenario/dati_linea.hpp"

#include "scenario/testi_incorporati.hpp"

// 39000 m, 62 curves, 9 gradient changes, no mountain stretch, 11 pairs of speed indicator
// boards and 15 sign boards.
lista_righe righe_linea() { return lista_da_testo(testo_esempio_linea()); }
