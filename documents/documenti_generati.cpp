#include "documents/documenti_generati.hpp"

#include <algorithm>
#include <cmath>

#include "core/costanti.hpp"
#include "scenario/documenti.hpp"
#include "scenario/scheda_treno.hpp"

namespace {

// The notes' prose is wrapped at this width, as the built-in notes are.
constexpr std::size_t larghezza_note = 96;


int limite_a(const stato_build& s, std::int32_t posizione) {
    const track_profile t = track_between(s, posizione, posizione);
    return t.limit_kmh.empty() ? senza_valore : static_cast<int>(t.limit_kmh.front());
}

int ora_di(const std::optional<double>& secondi) { return secondi ? ora_scheda(*secondi) : senza_valore; }
int ora_di(const std::optional<std::int32_t>& secondi) {
    return secondi ? ora_scheda(static_cast<double>(*secondi)) : senza_valore;
}

struct riga_generata {
    std::int64_t posizione = 0;
    int ordine = 0;  // at one position: the station first, then a reference, then a slowdown
    voce_orario voce;
};

std::string rientra(std::string_view t) {
    std::string r(t);
    for (char& c : r)
        if (c == '\t') c = ' ';
    while (!r.empty() && r.back() == ' ') r.pop_back();
    return r;
}

// A paragraph line wrapped at blanks into lines of at most `larghezza` bytes; a word longer than
// that is cut.
void a_capo(std::string_view riga, lista_righe& out) {
    std::string resto = rientra(riga);
    while (resto.size() > larghezza_note) {
        std::size_t taglio = resto.rfind(' ', larghezza_note);
        if (taglio == std::string::npos || taglio == 0) taglio = larghezza_note;
        out.push_back(rientra(resto.substr(0, taglio)));
        const std::size_t da = resto.find_first_not_of(' ', taglio);
        resto = da == std::string::npos ? "" : resto.substr(da);
    }
    out.push_back(resto);
}

}  // namespace

std::int64_t progressiva_di(const stato_build& s, std::int64_t posizione) {
    const slot_servizio* scelta = nullptr;
    for (int slot = slot_progressiva_tre; slot <= slot_progressiva_uno; ++slot) {
        const slot_servizio& r = s.servizio[static_cast<std::size_t>(slot)];
        if (progressiva_vuota(r)) continue;
        if (r.inizio > posizione) continue;
        if (!scelta || r.inizio > scelta->inizio) scelta = &r;
    }
    if (!scelta) return posizione;
    return std::int64_t{scelta->fine} + (posizione - scelta->inizio);
}

std::vector<rallentamento_letto> rallentamenti_di(const stato_build& s) {
    std::vector<rallentamento_letto> out;
    const std::int64_t n = static_cast<std::int64_t>(s.percorso.size());
    for (std::int64_t k = 0; k < n; ++k) {
        const cella& c = s.percorso[static_cast<std::size_t>(k)];
        if (c.tipo_cella != tipo::inizio_rallentamento) continue;
        std::int64_t e = k + 1;
        while (e < n && s.percorso[static_cast<std::size_t>(e)].tipo_cella != tipo::fine_rallentamento) ++e;
        if (e >= n) e = k;
        rallentamento_letto r;
        // A point item at p lies in the cell of p / 50 + 1.
        r.inizio_m = (k - 1) * metri_cella;
        r.fine_m = (e - 1) * metri_cella;
        r.velocita = c.valore1;
        const std::int64_t w = k - anticipo_avviso_m / metri_cella;
        r.con_avviso = w >= 0 && s.percorso[static_cast<std::size_t>(w)].tipo_cella == tipo::avviso_rallentamento;
        r.avviso_m = r.inizio_m - anticipo_avviso_m;
        out.push_back(r);
        k = e;
    }
    return out;
}

int ora_scheda(double secondi) {
    const long long minuti = static_cast<long long>(std::nearbyint(secondi / 60.0));
    const long long giorno = ((minuti % 1440) + 1440) % 1440;
    return static_cast<int>(giorno / 60 * 100 + giorno % 60);
}

lista_righe righe_scheda_generata(const stato_build& s, const timetable_result& r, std::vector<std::string>& avvisi) {
    testata_scheda t;
    t.treno = s.treno;
    const int n = station_count(s);
    if (n > 0) {
        t.origine = s.servizio[1].nome;
        t.destinazione = s.servizio[static_cast<std::size_t>(n)].nome;
    }
    t.massa_frenata = std::to_string(s.servizio[slot_generale].inizio) + "%";

    std::vector<riga_generata> righe;
    for (std::size_t i = 0; i < r.rows.size(); ++i) {
        const timetable_row& row = r.rows[i];
        riga_generata g;
        g.posizione = row.stop_point_m;
        g.voce.metri = progressiva_di(s, row.stop_point_m);
        g.voce.localita = row.name;
        if (row.name.size() > larghezza_localita)
            avvisi.push_back("the station name \"" + row.name + "\" is longer than the sheet's " +
                             std::to_string(larghezza_localita) + "-character column: it is cut to \"" +
                             row.name.substr(0, larghezza_localita) + "\"");
        if (row.scheduled_arrival_s) g.voce.arrivo = ora_di(row.scheduled_arrival_s);
        if (row.scheduled_departure_s) g.voce.partenza = ora_di(row.scheduled_departure_s);
        if (row.scheduled_passing_s) g.voce.transito = ora_di(row.scheduled_passing_s);
        if (!row.scheduled_arrival_s && !row.scheduled_departure_s && !row.scheduled_passing_s) {
            if (row.stops) {
                if (i + 1 < r.rows.size() && i > 0) g.voce.arrivo = ora_di(row.earliest_arrival_s);
                if (i + 1 == r.rows.size()) g.voce.arrivo = ora_di(row.earliest_arrival_s);
                if (i + 1 < r.rows.size()) g.voce.partenza = ora_di(row.earliest_departure_s);
            } else {
                g.voce.transito = ora_di(row.earliest_passing_s);
            }
        }
        righe.push_back(g);
    }
    const std::int32_t primo = r.first_metre;
    const std::int32_t ultimo = r.rows.empty() ? primo : r.rows.back().stop_point_m;
    for (int slot = slot_progressiva_tre; slot <= slot_progressiva_uno; ++slot) {
        const slot_servizio& ref = s.servizio[static_cast<std::size_t>(slot)];
        if (progressiva_vuota(ref) || ref.inizio <= primo || ref.inizio >= ultimo)
            continue;
        riga_generata g;
        g.posizione = ref.inizio;
        g.ordine = 1;
        g.voce.metri = ref.fine;
        g.voce.localita = "Km " + chilometri(ref.fine);
        g.voce.transito = ora_di(passing_time_at(r, ref.inizio));
        righe.push_back(g);
    }
    for (const rallentamento_letto& z : rallentamenti_di(s)) {
        if (z.inizio_m <= primo || z.inizio_m >= ultimo) continue;
        riga_generata g;
        g.posizione = z.inizio_m;
        g.ordine = 2;
        g.voce.metri = progressiva_di(s, z.inizio_m);
        g.voce.localita = "rallentamento " + std::to_string(z.velocita) + " km/h";
        g.voce.transito = ora_di(passing_time_at(r, static_cast<std::int32_t>(z.inizio_m)));
        righe.push_back(g);
    }
    std::stable_sort(righe.begin(), righe.end(), [](const riga_generata& a, const riga_generata& b) {
        return a.posizione != b.posizione ? a.posizione < b.posizione : a.ordine < b.ordine;
    });
    // The speed limit is written where it changes, and on the first row.
    int in_vigore = senza_valore;
    std::vector<voce_orario> voci;
    for (riga_generata& g : righe) {
        const int limite = limite_a(s, static_cast<std::int32_t>(std::clamp<std::int64_t>(g.posizione, 0, INT32_MAX)));
        if (limite != in_vigore) g.voce.velocita = limite;
        in_vigore = limite;
        voci.push_back(g.voce);
    }
    if (voci.size() > righe_orario_massime)
        avvisi.push_back("the sheet holds " + std::to_string(righe_orario_massime) + " timetable rows: the last " +
                         std::to_string(voci.size() - righe_orario_massime) + " are left out");
    return righe_scheda_con(t, voci);
}

lista_righe righe_rallentamenti_generate(const stato_build& s) {
    const std::vector<rallentamento_letto> tutti = rallentamenti_di(s);
    if (tutti.empty()) return righe_rallentamenti(s);
    constexpr std::string_view filetto_alto = "  _____________________________________________________________";
    constexpr std::string_view filetto = " |_____|__________|__________|_____|________________|__________|";
    constexpr std::string_view vuota = " |     |          |          |     |                |          |";
    lista_righe l = {"", "", "", std::string(18, ' ') + "PRESCRIZIONI DI RALLENTAMENTO", "", std::string(filetto_alto),
                     " |  N. | Dal Km   | Al Km    | Vel.| Avviso al Km   | Lunghezza|",
                     std::string(filetto)};
    auto a_destra = [](std::string& riga, std::size_t colonna, std::size_t larghezza, std::string testo) {
        testo = testo.substr(0, larghezza);
        riga.replace(colonna - 1 + larghezza - testo.size(), testo.size(), testo);
    };
    int numero = 0;
    for (const rallentamento_letto& z : tutti) {
        if (l.size() + 4 > capacita_lista) break;
        std::string riga(vuota);
        a_destra(riga, 3, 3, std::to_string(++numero));
        a_destra(riga, 9, 8, chilometri(progressiva_di(s, z.inizio_m)));
        a_destra(riga, 20, 8, chilometri(progressiva_di(s, z.fine_m)));
        a_destra(riga, 31, 3, std::to_string(z.velocita));
        a_destra(riga, 37, 14, z.con_avviso ? chilometri(progressiva_di(s, z.avviso_m)) : std::string("-"));
        a_destra(riga, 54, 7, std::to_string(z.fine_m - z.inizio_m) + " m");
        l.push_back(riga);
    }
    l.emplace_back(filetto);
    l.emplace_back(marcatore_fine);
    return l;
}

lista_righe righe_note_generate(const stato_build& s, const std::string* testo_autore, std::vector<std::string>& avvisi) {
    lista_righe l;
    if (testo_autore) {
        std::size_t da = 0;
        const std::string& t = *testo_autore;
        while (da < t.size()) {
            std::size_t a = t.find_first_of("\r\n", da);
            if (a == std::string::npos) a = t.size();
            a_capo(std::string_view(t).substr(da, a - da), l);
            da = a;
            if (da < t.size() && t[da] == '\r') ++da;
            if (da < t.size() && t[da] == '\n') ++da;
        }
        while (!l.empty() && l.back().empty()) l.pop_back();
    } else {
        const int n = station_count(s);
        int fermate = 0;
        for (int j = 1; j <= n; ++j)
            if (j == 1 || j == n || s.servizio[static_cast<std::size_t>(j)].sosta != 0) ++fermate;
        const std::int64_t lunghezza = s.servizio[slot_generale].fine;
        l.push_back("SCENARIO: " + s.scenario + "_" + s.treno);
        l.emplace_back("");
        l.push_back("LINEA: " + s.scenario + ", " + chilometri(lunghezza) + " km");
        if (n > 0)
            l.push_back("PERCORSO: da " + s.servizio[1].nome + " a " + s.servizio[static_cast<std::size_t>(n)].nome);
        l.push_back("STAZIONI: " + std::to_string(n) + ", DI CUI " + std::to_string(fermate) + " CON FERMATA");
        l.push_back("RALLENTAMENTI: " + std::to_string(rallentamenti_di(s).size()));
        l.push_back("VETTURE: " + std::to_string(s.servizio[slot_generale].posizione) + ", MASSA FRENATA " +
                    std::to_string(s.servizio[slot_generale].inizio) + "%");
    }
    if (l.size() >= capacita_lista) {
        avvisi.push_back("the notes hold at most " + std::to_string(capacita_lista - 1) + " lines: the last " +
                         std::to_string(l.size() - (capacita_lista - 1)) + " are left out");
        l.resize(capacita_lista - 1);
    }
    l.emplace_back(marcatore_fine);
    return l;
}
