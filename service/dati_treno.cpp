#include "service/dati_treno.hpp"

#include <iterator>

#include "model/nomi_file.hpp"

namespace {

// A station line is its fields followed directly by the station's name.
constexpr const char* righe[] = {
    "[generale]",
    "numero vetture,    6",
    "percentuale massa frenata,    130",
    "sabbia,    300",
    "orologio,    10              14            20 ",
    "[aderenze]",
    "aderenza,   0,    100",
    "[vel_limite]",
    "velocita,   0,    30",
    "velocita,    700,   100",
    "velocita,    2200,    85",
    "velocita,    6700,    65",
    "velocita,   11200,    75",
    "velocita,   17400,    65",
    "velocita,   18900,    95",
    "velocita,   24400,    80",
    "velocita,   25450,    95",
    "velocita,   30850,    65",
    "velocita,   32600,    55",
    "[stazioni]",
    "stazione,       0,  8,  300,  1, 0, 0,  5,6,0,  2,1,1,    1,  10,15, 0, " "STAZIONE 1",
    "stazione,    1900, 11,  500,  1, 0, 0,  4,1,1,  2,1,1,    0,   0, 0, 0, " "Bivio per STAZIONE 10",
    "stazione,    4000, 24,  200,  0, 0, 0,  0,0,0,  4,1,1,    0,   0, 0, 0, " "STAZIONE 2",
    "stazione,    7200, 12,  300,  0, 0, 0,  1,1,0,  4,1,1,    0,   0, 0, 0, " "STAZIONE 3",
    "stazione,   11100, 24,  300,  0, 0, 0,  0,0,0,  4,1,1,    0,   0, 0, 0, " "STAZIONE 4",
    "stazione,   14000, 12,  400,  0, 0, 0,  1,1,0,  4,1,1,   30,  10,36, 0, " "STAZIONE 5",
    "stazione,   17850, 12,  400,  0, 0, 0,  1,1,0,  4,1,1,    0,   0, 0, 0, " "STAZIONE 6",
    "stazione,   21050, 24,  300,  0, 0, 0,  0,0,0,  4,1,1,    0,   0, 0, 0, " "STAZIONE 7",
    "stazione,   24900, 12,  400,  0, 0, 0,  1,1,0,  4,1,1,    0,   0, 0, 0, " "STAZIONE 8",
    "stazione,   31250, 24,  400,  0, 0, 0,  0,0,0,  5,1,1,    0,   0, 0, 0, " "STAZIONE 9",
    "stazione,   33400, 12,  600,  0, 0, 0,  1,1,0,  2,1,1,    0,  10,58, 0, " "STAZIONE 10",
    "[rallentamenti]",
    "[segnali]",
    "segnale,    1450,   2, 2, 5,  6, 1,    2,  2,1,0, 0",
    "segnale,    2750,   2, 4, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,    5950,   2, 4, 1,  0, 0,    0,  0,0,0, 0",
    "segnale,    6800,   2, 4, 1,  0, 0,    0,  0,0,0, 0",
    "segnale,    9600,   1, 4, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,   10550,   2, 4, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,   12400,   1, 5, 1,  0, 0,    0,  0,0,0, 0",
    "segnale,   13500,   2, 3, 1,  0, 0,    0,  0,0,0, 0",
    "segnale,   16050,   1, 4, 1,  0, 0,    0,  0,0,0, 0",
    "segnale,   17400,   2, 4, 1,  0, 0,    0,  0,0,0, 0",
    "segnale,   19650,   1, 4, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,   20600,   2, 4, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,   23200,   1, 4, 1,  0, 0,    0,  0,0,0, 0",
    "segnale,   24400,   2, 4, 1,  0, 0,    0,  0,0,0, 0",
    "segnale,   28000,   2, 4, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,   29500,   1, 4, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,   30850,   2, 4, 0,  0, 0,    0,  0,0,0, 0",
    "segnale,   32600,   2, 3, 1,  0, 0,    0,  0,0,0, 0",
    "[codici]",
    "[fine]",
};

}  // namespace

lista_righe righe_treno() {
    return lista_con_marcatore(righe);
}

void dati_treno(const stato_build& s) { scrivi_documento(righe_treno(), nome_file_treno_txt(s)); }
