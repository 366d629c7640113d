#include "reader/tracciato.hpp"

#include "core/numeri.hpp"

namespace {

constexpr std::int64_t limite_metri = 1000000;

// Steps from the current metre through metre `fino`. Each step is the difference of the last
// two points as stored (held here in registers, the same values), turned by k on a curve:
// it is never normalised, so a curve's steps grow by sqrt(1 + k * k) and keep that length.
// With `vigilata`, the run refuses to write past the record's last metre (the caller's failure
// handler takes over) and stops once the metre index passes 1000000.
template <bool curva, bool vigilata>
esito_traccia corsa(linea_tracciata& l, std::int64_t fino, double k) {
    std::int64_t m = l.metro;
    if (m < 2) throw guasto_lettura{"the line record was never seeded"};
    double* x = x_di(l);
    double* y = y_di(l);
    double x2 = x[m - 2], x1 = x[m - 1], y2 = y[m - 2], y1 = y[m - 1];
    esito_traccia esito = esito_traccia::riuscita;
    while (m <= fino) {
        if (vigilata && m > l.estensione) {
            l.metro = static_cast<std::int32_t>(m);
            throw guasto_lettura{"a curve runs past the end of the line record"};
        }
        const double dx = x1 - x2;
        const double dy = y1 - y2;
        double xn, yn;
        if constexpr (curva) {
            xn = x1 + dx + k * dy;
            yn = y1 + dy - k * dx;
        } else {
            xn = x1 + dx;
            yn = y1 + dy;
        }
        x[m] = xn;
        y[m] = yn;
        x2 = x1;
        x1 = xn;
        y2 = y1;
        y1 = yn;
        ++m;
        if (vigilata && m > limite_metri) {
            esito = esito_traccia::oltre_milione;
            break;
        }
    }
    l.metro = static_cast<std::int32_t>(m);
    return esito;
}

}  // namespace

void crea_linea(linea_tracciata& linea, std::int32_t estensione) {
    linea.estensione = estensione;
    linea.seminata = false;
    linea.metro = 0;
    linea.valori.reset(new double[2 * (static_cast<std::size_t>(estensione) + 1)]);
}

void semina_linea(linea_tracciata& linea) {
    // A record of fewer than two metres cannot hold the seed.
    if (linea.estensione < 1) throw guasto_lettura{"the line record is too short for its first two points"};
    x_di(linea)[0] = 0;
    y_di(linea)[0] = 0;
    x_di(linea)[1] = 0;
    y_di(linea)[1] = 1;
    linea.seminata = true;
    linea.metro = 2;
}

esito_traccia traccia_curva(linea_tracciata& linea, std::int64_t inizio, std::int64_t lunghezza, double k) {
    if (corsa<false, true>(linea, inizio, 0) == esito_traccia::oltre_milione) return esito_traccia::oltre_milione;
    return corsa<true, true>(linea, inizio + lunghezza, k);
}

void completa_linea(linea_tracciata& linea) { corsa<false, false>(linea, std::int64_t{linea.estensione} - 2, 0); }
