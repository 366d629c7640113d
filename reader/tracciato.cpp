#include "reader/tracciato.hpp"

#include <algorithm>
#include <bit>

#include "core/numeri.hpp"

namespace {

constexpr std::int64_t limite_metri = 1000000;

// Adds metres up to `fino` to the record as one run; a run that goes on the way the last
// one went extends it.
void aggiungi(linea_tracciata& l, std::int64_t fino, bool curva, double k) {
    if (fino < l.metro) return;
    if (!curva) k = 0;
    if (!l.tratti.empty() && l.tratti.back().curva == curva &&
        std::bit_cast<std::uint64_t>(l.tratti.back().k) == std::bit_cast<std::uint64_t>(k)) {
        l.tratti.back().fino = static_cast<std::int32_t>(fino);
    } else {
        l.tratti.push_back({static_cast<std::int32_t>(fino), curva, k});
    }
    l.metro = static_cast<std::int32_t>(fino + 1);
}

// Traces from the current metre through metre `fino`: straight on, or turned by k on a
// curve (the points themselves are worked out when they are written). With `vigilata`, the
// run stops once the metre index passes 1000000, that is after metre 1000000 or, when it
// starts beyond, after its first metre; and it refuses to write past the record's last metre:
// the metres before it stay traced and the caller's failure handler takes over.
esito_traccia corsa(linea_tracciata& l, std::int64_t fino, bool curva, double k, bool vigilata) {
    const std::int64_t m = l.metro;
    if (m < 2) throw guasto_lettura{"the line record was never seeded"};
    if (m > fino) return esito_traccia::riuscita;
    std::int64_t ultimo = fino;
    esito_traccia esito = esito_traccia::riuscita;
    if (vigilata && ultimo >= limite_metri) {
        ultimo = std::max(m, limite_metri);
        esito = esito_traccia::oltre_milione;
    }
    if (vigilata && ultimo > l.estensione) {
        aggiungi(l, l.estensione, curva, k);
        throw guasto_lettura{"a curve runs past the end of the line record"};
    }
    aggiungi(l, ultimo, curva, k);
    return esito;
}

}  // namespace

void crea_linea(linea_tracciata& linea, std::int32_t estensione) {
    linea.estensione = estensione;
    linea.seminata = false;
    linea.metro = 0;
    linea.tratti.clear();
}

void semina_linea(linea_tracciata& linea) {
    // A record of fewer than two metres cannot hold the seed.
    if (linea.estensione < 1) throw guasto_lettura{"the line record is too short for its first two points"};
    linea.seminata = true;
    linea.metro = 2;
    linea.tratti.clear();
}

esito_traccia traccia_curva(linea_tracciata& linea, std::int64_t inizio, std::int64_t lunghezza, double k) {
    if (corsa(linea, inizio, false, 0, true) == esito_traccia::oltre_milione) return esito_traccia::oltre_milione;
    return corsa(linea, inizio + lunghezza, true, k, true);
}

void completa_linea(linea_tracciata& linea) { corsa(linea, std::int64_t{linea.estensione} - 2, false, 0, false); }
