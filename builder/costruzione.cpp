#include "builder/costruzione.hpp"

#include "builder/scrittore_documenti.hpp"
#include "builder/sostituzione.hpp"
#include "finish/codici_gara.hpp"
#include "diagnostics/diagnostica.hpp"
#include "reader/lettore_campi.hpp"
#include "reader/memo_servizio.hpp"
#include "format/file_binari.hpp"
#include "core/stati.hpp"
#include "platform/platform.hpp"

void pulisci_servizio(stato_build& s) {
    for (slot_servizio& slot : s.servizio) slot = slot_servizio{};
}

descrizioni descrizioni_in_memoria(const std::string& nome_linea, const std::string& linea,
                                   const std::string& nome_treno, const std::string& servizio) {
    descrizioni d;
    d.file_linea = nome_linea;
    d.file_treno = nome_treno;
    d.testo_linea = &linea;
    d.testo_treno = &servizio;
    d.cancella = false;
    return d;
}

descrizioni descrizioni_incorporate(const stato_build& s) {
    descrizioni d;
    d.file_linea = nome_file_linea_txt(s);
    d.file_treno = nome_file_treno_txt(s);
    return d;
}

namespace {

void cancella(const descrizioni& d, const std::string& file) {
    if (d.cancella) platform::delete_file(file);
}

// The failure handler of the reading step, for a description that cannot be read: both
// descriptions are deleted (one that is already gone is skipped) and the status is 25, at the
// description's start. A failure inside a description is recorded by the walk at its place.
void gestore_guasti(stato_build& s, const descrizioni& d, descrizione quale) {
    cancella(d, d.file_linea);
    cancella(d, d.file_treno);
    registra_stato_in(s, quale, {}, stati::lettura_fallita);
}

// The description's text: the one in memory, or its file read into `letto`; nullptr when the
// file cannot be read.
const std::string* prendi_testo(const std::string* in_memoria, const std::string& file, std::string& letto) {
    if (in_memoria) return in_memoria;
    std::string motivo;
    return platform::read_file(file, letto, motivo, dimensione_massima_descrizione) ? &letto : nullptr;
}

}  // namespace

std::int32_t memorizza_dati(stato_build& s, const descrizioni& d) {
    memo_nomi(s);

    if (!d.testo_linea && !platform::file_exists(d.file_linea)) {
        registra_stato_in(s, descrizione::linea, {}, stati::file_linea_mancante);
        return 0;
    }
    std::string letto;
    const std::string* testo = prendi_testo(d.testo_linea, d.file_linea, letto);
    if (!testo) {
        gestore_guasti(s, d, descrizione::linea);
        return 0;
    }
    // The service is read beside the line; the walk takes it only when the line's reading goes on.
    std::string letto_treno;
    const std::string* testo_treno = prendi_testo(d.testo_treno, d.file_treno, letto_treno);
    const esito_lettura e = leggi_descrizioni(s, *testo, testo_treno);
    // A failed reading deletes both descriptions; otherwise each one read is deleted.
    cancella(d, d.file_linea);
    const resoconto_build& r = s.resoconto;
    if (e.servizio_letto || (r.errore_numero == stati::lettura_fallita && r.errore_descrizione != descrizione::nessuna))
        cancella(d, d.file_treno);
    return e.fatale;
}

std::int32_t memorizza_dati(stato_build& s) { return memorizza_dati(s, descrizioni_incorporate(s)); }

std::int32_t compila(stato_build& s, const opzioni_compila& o, const descrizioni& d) {
    s.genera_linea = o.piano;
    s.resoconto.errore_numero = 0;
    pulisci_servizio(s);
    const std::int32_t fatale = memorizza_dati(s, d);
    richiede_percorso(s, d);
    return fatale;
}

void richiede_percorso(const stato_build& s, const descrizioni& d) {
    if (!percorso_creato(s))
        throw errore_esecuzione{diagnostica(s, d) + "; the route was never created, so no binary file is written"};
}

void scrivi_file_binari(const stato_build& s, const std::vector<file_da_scrivere>& altri) {
    std::vector<file_da_scrivere> file;
    // The plan is streamed from its traced runs as it is written: it is 20 bytes a metre.
    if (s.genera_linea)
        file.emplace_back(nome_file_linea_dat(s), [&s](const platform::byte_sink& scrivi) { serializza_linea(s.linea, scrivi); });
    file.push_back({nome_file_sim(s), serializza_servizio(s.servizio)});
    file.push_back({nome_file_dat(s), serializza_percorso(s.percorso)});
    file.insert(file.end(), altri.begin(), altri.end());
    sostituisci_insieme(file);
}

std::int32_t compila(stato_build& s, const opzioni_compila& o) { return compila(s, o, descrizioni_incorporate(s)); }

bool compila_testi(stato_build& s, const std::string& linea, const std::string& servizio) {
    s.scenario = "Sorvanta";
    s.treno = "E48027";
    try {
        return compila(s, {.piano = true}, descrizioni_in_memoria("", linea, "", servizio)) == 0;
    } catch (const errore_esecuzione&) {
        return false;
    }
}

void memorizza_percorso(stato_build& s, const std::int32_t& j) {
    std::int32_t fatale = compila(s, {.piano = j != 0});
    if (fatale != 0) {
        // The program ends inside errore: an intermediate file the readers left goes first.
        rimuovi_descrizioni(descrizioni_incorporate(s));
        errore(std::to_string(fatale));
    }
    scrivi_file_binari(s);
}

std::string diagnostica(const stato_build& s, const descrizioni& d) {
    auto nel_file = [&](const std::string& file) {
        std::string r = file;
        if (s.resoconto.errore_riga > 0) {
            r += ':';
            r += std::to_string(s.resoconto.errore_riga);
            if (s.resoconto.errore_colonna > 0) {
                r += ':';
                r += std::to_string(s.resoconto.errore_colonna);
            }
        }
        r += ": ";
        return r;
    };
    std::string dove;
    switch (s.resoconto.errore_descrizione) {
        case descrizione::linea:
            dove = nel_file(d.file_linea);
            break;
        case descrizione::servizio:
            dove = nel_file(d.file_treno);
            break;
        case descrizione::nessuna:
            dove = "finishing pass, cell " + std::to_string(s.resoconto.errore_posizione / 50) + ": ";
            break;
    }
    return dove + descrivi_stato(s);
}

void errore(const std::string& a) {
    platform::message_box(" Errore n. " + a);
    platform::end_program(1);
}

namespace {

// The plain build's two descriptions are intermediate files: removed if the run is
// interrupted, and removed when the build ends in any way other than by the readers.
struct descrizioni_provvisorie {
    descrizioni d;
    int posto_linea;
    int posto_treno;

    explicit descrizioni_provvisorie(const stato_build& s)
        : d(descrizioni_incorporate(s)),
          posto_linea(platform::remember_for_interruption(d.file_linea)),
          posto_treno(platform::remember_for_interruption(d.file_treno)) {}
    descrizioni_provvisorie(const descrizioni_provvisorie&) = delete;
    descrizioni_provvisorie& operator=(const descrizioni_provvisorie&) = delete;
    ~descrizioni_provvisorie() {
        try {
            rimuovi_descrizioni(d);
        } catch (const platform::file_error&) {
            // Already on the way out with another failure, which is the one reported.
        }
        platform::forget_for_interruption(posto_linea);
        platform::forget_for_interruption(posto_treno);
    }
};

}  // namespace

void rimuovi_descrizioni(const descrizioni& d) {
    if (!d.cancella) return;
    platform::delete_file(d.file_linea);
    platform::delete_file(d.file_treno);
}

int Form_Load(const std::string& cartella) {
    stato_build s;
    s.cartella = cartella;
    s.scenario = "Sorvanta";
    s.treno = "E48027";
    platform::show_window("Attendere");
    // One run at a time writes in the folder, from the first description to the last binary file.
    const platform::folder_lock blocco = blocca_cartella(cartella);
    const descrizioni_provvisorie provvisorie(s);
    dati_linea(s);
    dati_treno(s);
    dati_note(s);
    dati_rallentamenti(s);
    dati_scheda(s);
    memorizza_percorso(s, 1);
    if (s.resoconto.errore_numero != 0) {
        platform::report_note(diagnostica(s, descrizioni_incorporate(s)));
        return 2;
    }
    return 0;
}
