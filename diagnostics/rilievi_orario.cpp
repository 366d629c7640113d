#include "diagnostics/rilievi_orario.hpp"

#include <vector>

#include "core/indice_righe.hpp"
#include "scenario/scheda_treno.hpp"

namespace {

// The station entries' time fields, in the order the entries were read.
struct campi_orario {
    const campo_letto* ore = nullptr;
    const campo_letto* secondi = nullptr;
};

constexpr int indice_ore = 14;
constexpr int indice_secondi = 16;
constexpr int indice_nome = 17;

}  // namespace

void aggiungi_rilievi_orario(analisi& a, const std::string& testo_servizio, const timetable_result& r) {
    std::vector<campi_orario> stazioni;
    for (const campo_letto& c : a.campi_servizio) {
        if (c.parola_chiave != "stazione") continue;
        if (c.indice == 0) stazioni.emplace_back();
        if (stazioni.empty()) continue;
        if (c.indice == indice_ore) stazioni.back().ore = &c;
        if (c.indice == indice_secondi) stazioni.back().secondi = &c;
    }
    const indice_righe righe = indicizza_righe(testo_servizio);
    for (const timetable_finding& f : timetable_findings(r)) {
        rilievo d;
        d.severita = f.v == verdict::infeasible ? gravita::errore : f.v == verdict::tight ? gravita::avviso : gravita::nota;
        d.file = quale_file::servizio;
        d.messaggio = f.message;
        d.campo = "time";
        const std::size_t i = f.row;
        if (i < stazioni.size() && stazioni[i].ore && stazioni[i].secondi) {
            d.inizio = stazioni[i].ore->inizio;
            d.fine = stazioni[i].secondi->fine;
            d.riga = riga_di(righe, d.inizio);
            d.colonna = colonna_di(righe, d.inizio);
            d.valore = testo_servizio.substr(d.inizio, d.fine - d.inizio);
        }
        d.posizione_m = r.rows[i].position_m;
        d.nota = f.v == verdict::infeasible
                     ? "the fastest run of the train cannot keep this time; give the run more time, or a faster train"
                     : "from the running-time calculation (genera_scenario timetable); docs/timetable.md says how";
        if (d.severita == gravita::errore) ++a.errori;
        if (d.severita == gravita::avviso) ++a.avvisi;
        a.diagnostiche.push_back(std::move(d));
    }
}

void aggiungi_rilievi_documenti(analisi& a, const std::string& testo_servizio) {
    const indice_righe righe = indicizza_righe(testo_servizio);
    std::vector<rilievo> nuovi;
    for (const campo_letto& c : a.campi_servizio) {
        if (c.parola_chiave != "stazione" || c.indice != indice_nome || c.valore.size() <= larghezza_localita) continue;
        rilievo d;
        d.severita = gravita::avviso;
        d.file = quale_file::servizio;
        d.inizio = c.inizio;
        d.fine = c.fine;
        d.riga = riga_di(righe, c.inizio);
        d.colonna = colonna_di(righe, c.inizio);
        d.valore = c.valore;
        d.campo = "name";
        d.messaggio = "the name is " + std::to_string(c.valore.size()) + " characters long: the train sheet shows \"" +
                      c.valore.substr(0, larghezza_localita) + "\"";
        d.nota = "the sheet's location column holds " + std::to_string(larghezza_localita) +
                 " characters and cuts a longer name there";
        ++a.avvisi;
        nuovi.push_back(std::move(d));
    }
    a.diagnostiche.insert(a.diagnostiche.end(), nuovi.begin(), nuovi.end());
}
