#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <vector>

#include "builder/costruzione.hpp"
#include "core/celle.hpp"
#include "core/costanti.hpp"
#include "core/encoding.hpp"
#include "core/numeri.hpp"
#include "diagnostics/diagnostica.hpp"
#include "platform/platform.hpp"
#include "timetable/timetable.hpp"
#include "tools/dump.hpp"
#include "tools/view.hpp"

namespace {

using json = nlohmann::ordered_json;

// The page keeps its plan and its run at most this many points long: enough for the whole line
// on any screen, and one point a metre whenever the line is shorter.
constexpr std::size_t punti_massimi = 40000;

// An entry as written: its keyword, its line and its fields by name.
struct voce_scritta {
    quale_file file = quale_file::linea;
    std::string parola;
    int riga = 0;
    std::vector<std::pair<std::string, std::string>> campi;  // name, as written
    std::int64_t numero(std::size_t i) const {
        if (i >= campi.size()) return 0;
        try {
            return std::stoll(campi[i].second);
        } catch (...) {
            return 0;
        }
    }
};

std::vector<voce_scritta> voci_di(const std::vector<campo_letto>& campi, std::string_view testo, quale_file f) {
    std::vector<voce_scritta> out;
    for (const campo_letto& c : campi) {
        if (c.indice == 0) {
            if (parola_chiave_di(c).empty()) continue;
            out.push_back({f, std::string(parola_chiave_di(c)), c.riga, {}});
        } else if (!out.empty() && parola_chiave_di(c) == out.back().parola) {
            out.back().campi.emplace_back(nome_di(c), valore_di(c, testo));
        }
    }
    return out;
}

// Where the entry that placed each cell's object was written: the route cells an entry takes,
// by the same rules of position to cell the readers follow; the entry read last wins.
struct fonte {
    quale_file file = quale_file::linea;
    int riga = 0;
    const voce_scritta* voce = nullptr;
};

void segna(std::vector<fonte>& f, std::int64_t k, const voce_scritta& v) {
    if (k >= 0 && k < static_cast<std::int64_t>(f.size())) f[static_cast<std::size_t>(k)] = {v.file, v.riga, &v};
}

std::vector<fonte> fonti_delle_celle(const std::vector<voce_scritta>& voci, std::size_t celle, const stato_build& s) {
    std::vector<fonte> f(celle);
    int stazione = 0;
    for (const voce_scritta& v : voci) {
        if (v.parola == "segnale" || v.parola == "indicatori_vmax" || v.parola == "cartello_indicatore") {
            segna(f, cella_punto(static_cast<double>(v.numero(0))), v);
        } else if (v.parola == "abbattimento") {
            segna(f, cella_profilo(static_cast<double>(v.numero(0))), v);
        } else if (v.parola == "rallentamento") {
            const std::int64_t x = v.numero(0);
            segna(f, cella_inizio_rallentamento(x), v);
            segna(f, cella_fine_rallentamento(x, v.numero(2)), v);
            if (rallentamento_con_avviso(x)) {
                segna(f, cella_avviso_rallentamento(x), v);
                for (int i = 0; i < celle_preavviso; ++i) segna(f, cella_preavviso(x, i), v);
            }
        } else if (v.parola == "stazione") {
            ++stazione;
            if (stazione < n_slot) {
                const slot_servizio& slot = s.servizio[static_cast<std::size_t>(stazione)];
                segna(f, nearest(indice_fermata(slot.fine)), v);
            }
        } else if (v.parola == "montagna") {
            const std::int64_t a = prima_cella_montagna(v.numero(0));
            const std::int64_t b = ultima_cella_montagna(v.numero(1));
            for (std::int64_t k = a; k <= b && k - a < 40000; ++k)
                if (k >= 0 && k < static_cast<std::int64_t>(celle) && s.percorso[static_cast<std::size_t>(k)].tipo_cella == tipo::marcatore_montagna)
                    segna(f, k, v);
        }
    }
    return f;
}

// The metre an object of kind t in cell k stands for, by the rule that placed it; the rest at the
// cell's start.
double metro_oggetto(std::uint8_t t, std::size_t k) {
    const std::optional<regola_cella> r = regola_di_tipo(t);
    const std::int64_t c = static_cast<std::int64_t>(k);
    return static_cast<double>(r ? metro_di_cella(*r, c) : c * metri_cella);
}

// A file's full path, for the editor links of the page.
std::string absoluto(const std::string& p) {
    std::error_code ec;
    const std::filesystem::path a = std::filesystem::absolute(p, ec);
    return ec ? p : a.lexically_normal().string();
}

std::string nome_file(const view_sources& q, quale_file f) {
    return f == quale_file::linea ? q.line_file : q.service_file;
}

json rilievi(const analisi& a, const view_sources& q) {
    json out = json::array();
    for (const rilievo& d : a.diagnostiche) {
        json j;
        j["severity"] = d.severita == gravita::errore ? "error" : d.severita == gravita::avviso ? "warning" : "note";
        j["file"] = absoluto(nome_file(q, d.file));
        j["which"] = d.file == quale_file::linea ? "line" : "service";
        j["line"] = d.riga;
        j["column"] = d.colonna;
        j["message"] = cp1252_to_utf8(d.messaggio);
        j["note"] = cp1252_to_utf8(d.nota);
        j["status"] = d.stato;
        j["position_m"] = d.posizione_m ? json(*d.posizione_m) : json(nullptr);
        out.push_back(std::move(j));
    }
    return out;
}

template <class T>
json campionato(const std::vector<T>& v, std::size_t passo) {
    json out = json::array();
    for (std::size_t i = 0; i < v.size(); i += passo) out.push_back(v[i]);
    return out;
}

}  // namespace

view_data build_view_data(const view_sources& q, std::uint64_t version) {
    view_data r;
    json doc;
    doc["version"] = version;
    doc["files"] = {{"line", absoluto(q.line_file)}, {"service", absoluto(q.service_file)}};
    doc["title"] = cp1252_to_utf8(q.line_file) + " + " + cp1252_to_utf8(q.service_file);

    std::string testi[2];
    const std::string* file[2] = {&q.line_file, &q.service_file};
    json problemi = json::array();
    for (int i = 0; i < 2; ++i) {
        std::string byte, motivo;
        if (!platform::read_file(*file[i], byte, motivo, dimensione_massima_descrizione)) {
            problemi.push_back({{"severity", "error"}, {"file", absoluto(*file[i])},
                                {"which", i == 0 ? "line" : "service"}, {"line", 0}, {"column", 0},
                                {"message", "cannot open " + *file[i] + ": " + motivo}, {"note", ""}, {"status", 0},
                                {"position_m", nullptr}});
            continue;
        }
        encoding_error e;
        if (q.encoding == input_encoding::utf8 && !utf8_text_to_cp1252(byte, testi[i], e)) {
            problemi.push_back({{"severity", "error"}, {"file", absoluto(*file[i])},
                                {"which", i == 0 ? "line" : "service"}, {"line", e.line}, {"column", e.column},
                                {"message", "cannot convert from UTF-8: " + e.reason}, {"note", ""}, {"status", 0},
                                {"position_m", nullptr}});
            continue;
        }
        if (q.encoding == input_encoding::cp1252) testi[i] = std::move(byte);
    }
    if (!problemi.empty()) {
        doc["findings"] = std::move(problemi);
        doc["ok"] = false;
        r.json = doc.dump();
        return r;
    }

    const analisi a = analizza(&testi[0], &testi[1]);
    doc["findings"] = rilievi(a, q);

    stato_build s;
    s.scenario = "Sorvanta";
    s.treno = "E48027";
    try {
        if (compila(s, {.piano = true}, descrizioni_in_memoria(q.line_file, testi[0], q.service_file, testi[1])) != 0 ||
            !percorso_creato(s)) {
            doc["ok"] = false;
            r.json = doc.dump();
            return r;
        }
    } catch (const errore_esecuzione&) {
        doc["ok"] = false;
        r.json = doc.dump();
        return r;
    }

    const std::size_t celle = s.percorso.size();
    const std::int32_t lunghezza = s.servizio[slot_generale].fine;
    doc["ok"] = true;
    doc["line_length_m"] = lunghezza;
    doc["extent_m"] = s.estensione;
    doc["cell_m"] = metri_cella;

    // The profiles, cell by cell.
    json velocita = json::array(), pendenza = json::array(), aderenza = json::array(), montagna = json::array();
    for (const cella& c : s.percorso) {
        velocita.push_back(int{c.velocita_limite} * passo_velocita_kmh);
        pendenza.push_back(c.pendenza == 0 ? 0 : int{c.pendenza} - scarto_pendenza);
        aderenza.push_back(c.aderenza);
        montagna.push_back(c.montagna);
    }
    // Curvature per cell, 1/km, right-hand curves above 0: the mean of the traced runs' k.
    std::vector<double> curvatura(celle, 0.0);
    std::int64_t metro = 2;
    for (const tratto_linea& t : s.linea.tratti) {
        if (t.curva && t.k != 0)
            for (std::int64_t m = metro; m <= t.fino; ++m) {
                const std::size_t k = static_cast<std::size_t>(m / metri_cella);
                if (k < celle) curvatura[k] += t.k * 1000.0 / metri_cella;
            }
        metro = std::max(metro, std::int64_t{t.fino} + 1);
    }
    doc["profiles"] = {{"speed_kmh", std::move(velocita)}, {"gradient_permille", std::move(pendenza)},
                       {"adhesion", std::move(aderenza)}, {"mountain", std::move(montagna)},
                       {"curvature_per_km", curvatura}};

    // The plan, one point every `passo` metres.
    const std::size_t metri = static_cast<std::size_t>(std::max(s.linea.metro, 2));
    const std::size_t passo = std::max<std::size_t>(1, (metri + punti_massimi - 1) / punti_massimi);
    json px = json::array(), py = json::array();
    px.push_back(0.0);
    py.push_back(0.0);
    std::size_t m = 2;
    percorri_linea(s.linea, [&](const double* x, const double* y, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i, ++m)
            if (m % passo == 0) {
                px.push_back(std::nearbyint(x[i] * 100) / 100);
                py.push_back(std::nearbyint(y[i] * 100) / 100);
            }
    });
    doc["plan"] = {{"step_m", passo}, {"x", std::move(px)}, {"y", std::move(py)}};

    // Objects, with where they were written.
    std::vector<voce_scritta> voci = voci_di(a.campi_linea, testi[0], quale_file::linea);
    const std::vector<voce_scritta> voci_servizio = voci_di(a.campi_servizio, testi[1], quale_file::servizio);
    voci.insert(voci.end(), voci_servizio.begin(), voci_servizio.end());
    const std::vector<fonte> fonti = fonti_delle_celle(voci, celle, s);
    json oggetti = json::array();
    for (std::size_t k = 0; k < celle; ++k) {
        const cella& c = s.percorso[k];
        if (c.tipo_cella == tipo::libera) continue;
        json o;
        o["kind"] = cell_kind_name(c.tipo_cella);
        o["cell"] = k;
        o["m"] = metro_oggetto(c.tipo_cella, k);
        o["stored"] = {{"tipo_cella", c.tipo_cella}, {"valore1", c.valore1}, {"valore2", c.valore2},
                       {"valore3", c.valore3},       {"valore4", c.valore4}, {"tempo_segnale", c.tempo_segnale}};
        if (c.tipo_cella == tipo::cartello && c.valore1 > 0 && c.valore1 < n_slot)
            o["text"] = cp1252_to_utf8(s.servizio[static_cast<std::size_t>(c.valore1)].nome);
        const fonte& f = fonti[k];
        if (f.voce && (k > 1 || c.tipo_cella != tipo::tabella_con_valore || f.voce->parola == "abbattimento")) {
            o["which"] = f.file == quale_file::linea ? "line" : "service";
            o["line"] = f.riga;
            json scritto;
            for (const auto& [nome, valore] : f.voce->campi) scritto[nome] = cp1252_to_utf8(valore);
            o["written"] = std::move(scritto);
            o["entry"] = f.voce->parola;
        } else if (c.tipo_cella == tipo::tabella_con_valore) {
            o["added_by"] = "the finishing pass";
        }
        oggetti.push_back(std::move(o));
    }
    doc["objects"] = std::move(oggetti);

    // Stations.
    json stazioni = json::array();
    const int n = station_count(s);
    int letta = 0;
    std::vector<const voce_scritta*> voci_stazione;
    for (const voce_scritta& v : voci)
        if (v.parola == "stazione") voci_stazione.push_back(&v);
    for (int j = 1; j <= n; ++j, ++letta) {
        const slot_servizio& st = s.servizio[static_cast<std::size_t>(j)];
        json o = {{"name", cp1252_to_utf8(st.nome)}, {"position_m", st.posizione}, {"start_m", st.inizio},
                  {"end_m", st.fine}, {"type", st.tipo_stazione}, {"stop_point_m", stop_point_m(st)}};
        if (static_cast<std::size_t>(letta) < voci_stazione.size()) o["line"] = voci_stazione[static_cast<std::size_t>(letta)]->riga;
        stazioni.push_back(std::move(o));
    }
    doc["stations"] = std::move(stazioni);

    // The timetable and its fastest run.
    const timetable_result t = work_out_timetable(s, default_train_model(s));
    json orario;
    orario["problem"] = t.problem;
    json righe = json::array();
    for (const timetable_row& row : t.rows) {
        auto opz = [](const auto& v) { return v ? json(*v) : json(nullptr); };
        righe.push_back({{"name", cp1252_to_utf8(row.name)}, {"position_m", row.position_m},
                         {"stop_point_m", row.stop_point_m}, {"stops", row.stops},
                         {"scheduled_arrival_s", opz(row.scheduled_arrival_s)},
                         {"scheduled_departure_s", opz(row.scheduled_departure_s)},
                         {"scheduled_passing_s", opz(row.scheduled_passing_s)},
                         {"earliest_arrival_s", opz(row.earliest_arrival_s)},
                         {"earliest_departure_s", opz(row.earliest_departure_s)},
                         {"earliest_passing_s", opz(row.earliest_passing_s)}, {"margin_s", opz(row.margin_s)},
                         {"verdict", row.v == verdict::none ? json(nullptr) : json(verdict_name(row.v))}});
    }
    orario["rows"] = std::move(righe);
    if (t.problem.empty()) {
        std::vector<double> kmh(t.run.speed_ms.size());
        for (std::size_t i = 0; i < kmh.size(); ++i) kmh[i] = std::nearbyint(t.run.speed_ms[i] * 36) / 10;
        const std::size_t passo_corsa = std::max<std::size_t>(1, (kmh.size() + punti_massimi - 1) / punti_massimi);
        orario["run"] = {{"first_m", t.first_metre}, {"step_m", passo_corsa}, {"speed_kmh", campionato(kmh, passo_corsa)}};
    }
    doc["timetable"] = std::move(orario);
    r.ok = true;
    r.json = doc.dump();
    return r;
}
