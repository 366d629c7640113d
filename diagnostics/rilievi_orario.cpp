#include "diagnostics/rilievi_orario.hpp"

#include <algorithm>
#include <vector>

#include "core/indice_righe.hpp"
#include "scenario/scheda_treno.hpp"

namespace {

constexpr int indice_ore = 14;
constexpr int indice_secondi = 16;
constexpr int indice_nome = 17;

// Findings added after the reading's take their place among its own: the line's first, then the
// service's, each in the order of its text (a finding about a whole file at its top).
void in_ordine_di_file(analisi& a) {
    std::stable_sort(a.diagnostiche.begin(), a.diagnostiche.end(), [](const rilievo& x, const rilievo& y) {
        if (x.file != y.file) return x.file == quale_file::linea;
        if (x.riga != y.riga) return x.riga < y.riga;
        return x.colonna < y.colonna;
    });
}

}  // namespace

std::vector<campi_orario> campi_orario_stazioni(const std::vector<campo_letto>& campi_servizio) {
    std::vector<campi_orario> stazioni;
    bool ore = false;
    for (const campo_letto& c : campi_servizio) {
        if (parola_chiave_di(c) != "stazione") continue;
        if (c.indice == 0) {
            stazioni.emplace_back();
            ore = false;
        }
        if (stazioni.empty()) continue;
        if (c.indice == indice_ore) {
            stazioni.back().inizio = c.inizio;
            ore = true;
        }
        if (c.indice == indice_secondi && ore) {
            stazioni.back().fine = c.fine;
            stazioni.back().letti = true;
        }
    }
    return stazioni;
}

timetable_result aggiungi_rilievi_orario(analisi& a, const std::string& testo_servizio, const stato_build& s,
                                         const train_model& treno) {
    timetable_result r = work_out_timetable(s, treno);
    if (!r.problem.empty()) {
        // Not a silent pass: no time of the service has been judged.
        rilievo d;
        d.severita = gravita::avviso;
        d.file = quale_file::servizio;
        d.messaggio = "the timetable cannot be worked out: " + r.problem;
        d.nota = "no scheduled time is judged; genera_scenario timetable says the same";
        ++a.avvisi;
        a.diagnostiche.push_back(std::move(d));
        in_ordine_di_file(a);
        return r;
    }
    const std::vector<campi_orario> stazioni = campi_orario_stazioni(a.campi_servizio);
    const indice_righe righe = indicizza_righe(testo_servizio);
    for (const timetable_finding& f : timetable_findings(r)) {
        rilievo d;
        d.severita = f.v == verdict::infeasible ? gravita::errore : f.v == verdict::tight ? gravita::avviso : gravita::nota;
        d.file = quale_file::servizio;
        d.messaggio = f.message;
        d.campo = "time";
        const std::size_t i = f.row;
        if (i < stazioni.size() && stazioni[i].letti) {
            d.inizio = stazioni[i].inizio;
            d.fine = stazioni[i].fine;
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
    in_ordine_di_file(a);
    return r;
}

void aggiungi_rilievi_documenti(analisi& a, const std::string& testo_servizio) {
    const indice_righe righe = indicizza_righe(testo_servizio);
    std::vector<rilievo> nuovi;
    for (const campo_letto& c : a.campi_servizio) {
        if (parola_chiave_di(c) != "stazione" || c.indice != indice_nome || c.fine - c.inizio <= larghezza_localita) continue;
        const std::string valore(valore_di(c, testo_servizio));
        rilievo d;
        d.severita = gravita::avviso;
        d.file = quale_file::servizio;
        d.inizio = c.inizio;
        d.fine = c.fine;
        d.riga = riga_di(righe, c.inizio);
        d.colonna = colonna_di(righe, c.inizio);
        d.valore = valore;
        d.campo = "name";
        d.messaggio = "the name is " + std::to_string(valore.size()) + " characters long: the train sheet shows \"" +
                      valore.substr(0, larghezza_localita) + "\"";
        d.nota = "the sheet's location column holds " + std::to_string(larghezza_localita) +
                 " characters and cuts a longer name there";
        ++a.avvisi;
        nuovi.push_back(std::move(d));
    }
    a.diagnostiche.insert(a.diagnostiche.end(), nuovi.begin(), nuovi.end());
    in_ordine_di_file(a);
}
