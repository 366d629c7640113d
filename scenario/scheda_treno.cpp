#include "scenario/scheda_treno.hpp"

#include <array>
#include <cstddef>
#include <cstdio>
#include <string_view>
#include <vector>

#include "scenario/documenti.hpp"

namespace {

constexpr std::string_view riga_filetto =
    " |_____|_____|__________|_____|____________________________|________________|_____|";
constexpr std::string_view riga_vuota =
    " |     |     |          |     |                            |                |     |";

// Lines 1 to 17; the train number and the two station names are written into the blanks of
// lines 5 and 6 afterwards.
constexpr std::array<std::string_view, 17> righe_testata = {
    "",
    "",
    "  ___________________                                               ______________",
    " |                   |                    SCHEDA                   |              |",
    " |                   |                   da:                       |              |",
    " |___________________|                    a:                       |              |",
    "                                                                   |______________|",
    "  ___________________                ___________________",
    " |  CLASSIFICAZIONE  |              |  MASSA BLOCCATA   |       ",
    " |                   |              |                   |",
    " |___________________|              |___________________|",
    "",
    "  ________________________________________________________________________________",
    " | Vel.| Vel.| Progr Km |  No |   Localita' di  Servizio   |     Orario     | Rec |",
    " | Lim.|Marc.|          |  Rs |                            |                |     |",
    riga_filetto,
    riga_vuota,
};
constexpr std::size_t slot_origine = 4;
constexpr std::size_t slot_destinazione = 5;
constexpr std::size_t slot_classificazione = 9;
constexpr std::size_t righe_vuote_finali = 10;

// A cell by its first column (counted from 1, as on the printed sheet) and its width.
struct cella_testo {
    std::size_t colonna;
    std::size_t larghezza;
};

constexpr cella_testo cella_treno{6, 16};
constexpr cella_testo cella_stazione_testata{46, 22};
constexpr cella_testo cella_riquadro_destro{69, 14};
constexpr cella_testo cella_classificazione{6, 16};
constexpr cella_testo cella_massa_bloccata{44, 13};
constexpr cella_testo cella_velocita{3, 4};
constexpr cella_testo cella_progressiva{15, 8};
constexpr cella_testo cella_no_rs{26, 4};
constexpr cella_testo cella_localita{33, 27};
constexpr cella_testo cella_arrivo{62, 5};
constexpr cella_testo cella_transito{66, 5};
constexpr cella_testo cella_segno{71, 1};
constexpr cella_testo cella_partenza{71, 5};
constexpr cella_testo cella_rec{79, 3};

void a_sinistra(std::string& riga, cella_testo c, std::string_view testo) {
    testo = testo.substr(0, c.larghezza);
    riga.replace(c.colonna - 1, testo.size(), testo);
}

void a_destra(std::string& riga, cella_testo c, std::string_view testo) {
    testo = testo.substr(0, c.larghezza);
    riga.replace(c.colonna - 1 + c.larghezza - testo.size(), testo.size(), testo);
}

// Centred in its cell, the odd blank on the right.
void al_centro(std::string& riga, cella_testo c, std::string_view testo) {
    testo = testo.substr(0, c.larghezza);
    riga.replace(c.colonna - 1 + (c.larghezza - testo.size()) / 2, testo.size(), testo);
}

std::string numero(int n) { return std::to_string(n); }


std::string ora(int hhmm) {
    char testo[16];
    std::snprintf(testo, sizeof testo, "%02d.%02d", hhmm / 100, hhmm % 100);
    return testo;
}

std::string stazione(int n) { return "STAZIONE " + std::to_string(n); }
std::string protezione(int n) { return "segn.prot. " + stazione(n); }

constexpr int origine = 1;
constexpr int capolinea = 10;

std::vector<voce_orario> voci_orario() {
    const std::string bivio = "Bivio " + stazione(capolinea);
    return {
        {.velocita = 30, .metri = 150200, .localita = stazione(origine), .partenza = 1015},
        {.velocita = 100, .metri = 149550, .localita = "deviatoio di uscita", .transito = 1017},
        {.velocita = 60, .metri = 148850, .localita = bivio, .transito = 1017, .piu = true},
        {.velocita = 85, .metri = 600, .localita = "uscita " + bivio, .transito = 1018, .piu = true},
        {.metri = 2100, .localita = stazione(2), .transito = 1020, .rec = true},
        {.velocita = 65, .metri = 4743, .localita = "P.L. Km 4.743", .transito = 1022, .piu = true},
        {.metri = 5300, .localita = stazione(3), .transito = 1023},
        {.velocita = 75, .metri = 9400, .localita = stazione(4), .transito = 1028},
        {.metri = 12100, .localita = stazione(5), .arrivo = 1032, .partenza = 1036, .rec = true},
        {.velocita = 65, .metri = 15500, .localita = protezione(6), .transito = 1040, .piu = true},
        {.metri = 15950, .localita = stazione(6), .transito = 1041},
        {.velocita = 95, .metri = 17000, .localita = "Km 17.000", .transito = 1042},
        {.metri = 19150, .localita = stazione(7), .transito = 1044},
        {.velocita = 80, .metri = 22500, .localita = protezione(8), .transito = 1046, .piu = true},
        {.metri = 23000, .localita = stazione(8), .transito = 1047, .rec = true},
        {.velocita = 95, .metri = 23550, .localita = "Km 23.550", .transito = 1047, .piu = true},
        {.velocita = 65, .metri = 28950, .localita = protezione(9), .transito = 1051, .piu = true},
        {.metri = 29350, .localita = stazione(9), .transito = 1052},
        {.velocita = 55, .metri = 30700, .localita = protezione(capolinea), .transito = 1057},
        {.metri = 31700, .localita = stazione(capolinea), .arrivo = 1058},
    };
}

// The sheet shows the train's number: the code without its leading "E".
std::string_view numero_treno(std::string_view treno) {
    if (!treno.empty() && treno.front() == 'E') treno.remove_prefix(1);
    return treno;
}

}  // namespace

std::string chilometri(std::int64_t metri) {
    const std::int64_t m = metri < 0 ? -metri : metri;
    char testo[32];
    std::snprintf(testo, sizeof testo, "%s%lld.%03lld", metri < 0 ? "-" : "", static_cast<long long>(m / 1000),
                  static_cast<long long>(m % 1000));
    return testo;
}

std::string riga_orario(const voce_orario& v) {
    std::string riga(riga_vuota);
    if (v.velocita != senza_valore) {
        a_destra(riga, cella_velocita, numero(v.velocita));
        a_destra(riga, cella_no_rs, numero(v.velocita));
    }
    a_destra(riga, cella_progressiva, chilometri(v.metri));
    a_sinistra(riga, cella_localita, v.localita);
    if (v.arrivo != senza_valore) a_sinistra(riga, cella_arrivo, ora(v.arrivo));
    if (v.transito != senza_valore) {
        a_sinistra(riga, cella_transito, ora(v.transito));
        if (v.piu) a_sinistra(riga, cella_segno, "+");
    }
    if (v.partenza != senza_valore) a_sinistra(riga, cella_partenza, ora(v.partenza));
    if (v.rec) a_sinistra(riga, cella_rec, "1.0");
    return riga;
}

lista_righe righe_scheda_con(const testata_scheda& t, const std::vector<voce_orario>& voci) {
    lista_righe lista(righe_testata.begin(), righe_testata.end());
    a_sinistra(lista[slot_origine], cella_treno, "TRENO n." + std::string(numero_treno(t.treno)));
    a_sinistra(lista[slot_origine], cella_stazione_testata, t.origine);
    a_sinistra(lista[slot_destinazione], cella_stazione_testata, t.destinazione);
    al_centro(lista[slot_origine], cella_riquadro_destro, t.categoria);
    al_centro(lista[slot_destinazione], cella_riquadro_destro, t.massa_frenata);
    a_sinistra(lista[slot_classificazione], cella_classificazione, t.classificazione);
    a_sinistra(lista[slot_classificazione], cella_massa_bloccata, t.massa_bloccata);
    for (std::size_t i = 0; i < voci.size() && i < righe_orario_massime; ++i) lista.push_back(riga_orario(voci[i]));
    lista.insert(lista.end(), righe_vuote_finali, std::string(riga_vuota));
    lista.emplace_back(riga_filetto);
    lista.emplace_back("");
    lista.emplace_back(marcatore_fine);
    return lista;
}

lista_righe righe_scheda(const stato_build& s) {
    testata_scheda t;
    t.treno = s.treno;
    t.origine = stazione(origine);
    t.destinazione = stazione(capolinea);
    t.categoria = "V100 B";
    t.massa_frenata = "130%";
    t.classificazione = "ESPRESSO";
    t.massa_bloccata = "500T";
    return righe_scheda_con(t, voci_orario());
}
