#include "core/stati.hpp"

#include <iterator>

#include "core/registri.hpp"

namespace {

constexpr voce_stato tabella[] = {
    {stati::campi_riservati_occupati, genere_stato::errore_fatale, "build checks",
     "service slot 85 campo7 or route cell 1 valore1 is not 0 before stamping", false},
    {stati::codici_riservati_occupati, genere_stato::errore_fatale, "build checks",
     "service slot 85 orario or route cell 1 valore2 is not 0 before stamping", false},
    {stati::lunghezza_oltre_limite, genere_stato::stato, "line reader", "line length above 1000000 m", false},
    {stati::progressiva_non_multipla, genere_stato::stato, "service reader",
     "a kilometre reference's start or chainage is not a multiple of 50", false},
    {stati::ripetizione_inizio, genere_stato::stato, "line reader", "signal repetition start not a multiple of 50",
     false},
    {stati::ripetizione_fine, genere_stato::stato, "line reader", "signal repetition end not a multiple of 50", false},
    {stati::ripetizione_codici, genere_stato::stato, "line reader",
     "signal repetition keyword with neither \"4\" nor \"9\"", false},
    {stati::cartello_occupato, genere_stato::stato, "line reader", "sign board on a cell that is not free", true},
    {stati::abbattimento_occupato, genere_stato::stato, "service reader", "speed board on a cell that is not free",
     true},
    {stati::stazione_posizione, genere_stato::stato, "service reader", "station position not a multiple of 50", true},
    {stati::stazione_lunghezza, genere_stato::stato, "service reader", "station length not a multiple of 100", true},
    {stati::stazioni_troppe, genere_stato::stato, "service reader",
     "the station count reaches the slots taken by sign texts", false},
    {stati::finitura_segnale, genere_stato::stato, "finishing pass",
     "no free cell for the speed board before a signal near a slowdown warning", true},
    {stati::finitura_gruppo, genere_stato::stato, "finishing pass",
     "no free cell in a distance group before a slowdown start", true},
    {stati::finitura_zona, genere_stato::stato, "finishing pass",
     "no free cell for a speed board inside or after a slow slowdown", true},
    {stati::fuori_percorso, genere_stato::stato, "line reader, service reader",
     "an item's position lies beyond the route", true},
    {stati::segnale_occupato, genere_stato::stato, "service reader", "signal on a cell that is not free", true},
    {stati::avviso_occupato, genere_stato::stato, "service reader", "slowdown warning cell not free", true},
    {stati::inizio_rallentamento_occupato, genere_stato::stato, "service reader", "slowdown start cell not free", true},
    {stati::fine_rallentamento_occupato, genere_stato::stato, "service reader", "slowdown end cell not free", true},
    {stati::preavviso_occupato, genere_stato::stato, "service reader", "one of the four pre-warning cells not free",
     true},
    {stati::indicatori_occupato, genere_stato::stato, "line reader",
     "speed indicator boards on a cell that is not free", true},
    {stati::stazione_vicina, genere_stato::stato, "service reader",
     "a station starts less than 350 m after the previous station's end", true},
    {stati::stazione_fine_bassa, genere_stato::stato, "service reader",
     "the end of a station of type below 25 lies at 100 m or less", false},
    {stati::lettura_fallita, genere_stato::stato, "line reader, service reader",
     "a description could not be read (a number that does not fit its field, an entry running past the end "
     "of the file, an index outside a table, or no length entry)",
     false},
    {stati::file_linea_mancante, genere_stato::stato, "line reader", "the line description file does not exist",
     false},
    {stati::generale_mancante, genere_stato::stato, "line reader",
     "no \"[generale]\" before the end of the line description", false},
    {stati::curva_non_valida, genere_stato::stato, "line reader",
     "a curve keyword without a class digit, or the plan passing metre 1000000", false},
};

}  // namespace

const voce_stato* cerca_stato(std::int32_t numero) {
    for (const voce_stato& v : tabella)
        if (v.numero == numero) return &v;
    return nullptr;
}

const voce_stato* voci_stati(std::size_t& quante) {
    quante = std::size(tabella);
    return tabella;
}

std::string descrivi_stato(const stato_build& s) {
    std::string testo = "status " + std::to_string(s.resoconto.errore_numero) + ": ";
    // A read failure that knows its reason says it instead of the general meaning.
    if (!s.resoconto.errore_motivo.empty()) return testo + s.resoconto.errore_motivo;
    const voce_stato* v = cerca_stato(s.resoconto.errore_numero);
    testo += v ? v->significato : "unknown status";
    if (v && v->con_posizione) testo += " (at " + std::to_string(s.resoconto.errore_metri) + " m)";
    return testo;
}
