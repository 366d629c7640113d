#include "finish/codici_gara.hpp"

#include <cstddef>
#include <string_view>

#include "core/stati.hpp"
#include "core/testo.hpp"

namespace {

constexpr std::string_view lettere_riempitive = "aabbccddeeffgghhiillmmnnoo";
constexpr std::size_t lunghezza_controllo = 25;
constexpr std::int16_t marcatore_servizio = 610;
constexpr std::int16_t marcatore_percorso = 5121;

// The filler letters alone are longer than the check string, so the cut always finds 25 characters.
std::string stringa_controllo(const stato_build& s) {
    std::string r = minuscole(s.servizio[slot_treno].nome + s.servizio[slot_scenario].nome);
    r += lettere_riempitive;
    r.resize(lunghezza_controllo);
    return r;
}

std::int32_t codice_carattere(char c) { return static_cast<unsigned char>(c); }

}  // namespace

std::int32_t codice_gara_st(const stato_build& s) {
    const std::string controllo = stringa_controllo(s);
    std::int32_t somma = 0;
    for (std::size_t i = 0; i < controllo.size(); ++i)
        somma += static_cast<std::int32_t>(i + 1) * codice_carattere(controllo[i]);
    return somma;
}

std::int32_t codice_gara_og(const stato_build& s) {
    std::int32_t somma = 0;
    for (char c : stringa_controllo(s)) somma += codice_carattere(c);
    return somma;
}

std::int32_t applica_timbri(stato_build& s) {
    slot_servizio& slot = s.servizio[slot_scenario];
    // A route too short to have cell 1 cannot carry the route stamps; it is left as it is.
    cella* prima = s.percorso.size() > 1 ? &s.percorso[1] : nullptr;

    if (slot.campo7 != 0 || (prima && prima->valore1 != 0)) return stati::campi_riservati_occupati;
    slot.campo7 = marcatore_servizio;
    if (prima) prima->valore1 = marcatore_percorso;

    if (slot.orario != 0 || (prima && prima->valore2 != 0)) return stati::codici_riservati_occupati;
    slot.orario = codice_gara_st(s);
    // At most 25 x 255, so the route code always fits its 16-bit field.
    if (prima) prima->valore2 = static_cast<std::int16_t>(codice_gara_og(s));
    return 0;
}
