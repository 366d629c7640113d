#include "line/tracciato.hpp"

#include "model/numeri.hpp"

namespace {

constexpr std::int64_t limite_metri = 1000000;

// Refuses to write past the record's last metre; the caller's failure handler takes over.
void verifica_spazio(const linea_tracciata& linea) {
    if (linea.metro > linea.estensione) throw guasto_lettura{"a curve runs past the end of the line record"};
}

void passo_retto(linea_tracciata& l) {
    const std::size_t m = static_cast<std::size_t>(l.metro);
    double* x = x_di(l);
    double* y = y_di(l);
    const double dx = x[m - 1] - x[m - 2];
    const double dy = y[m - 1] - y[m - 2];
    x[m] = x[m - 1] + dx;
    y[m] = y[m - 1] + dy;
    ++l.metro;
}

// The step turns by arctan(|k|) and grows by sqrt(1 + k * k); it is never normalised.
void passo_curva(linea_tracciata& l, double k) {
    const std::size_t m = static_cast<std::size_t>(l.metro);
    double* x = x_di(l);
    double* y = y_di(l);
    const double dx = x[m - 1] - x[m - 2];
    const double dy = y[m - 1] - y[m - 2];
    x[m] = x[m - 1] + dx + k * dy;
    y[m] = y[m - 1] + dy - k * dx;
    ++l.metro;
}

}  // namespace

void crea_linea(linea_tracciata& linea, std::int32_t estensione) {
    linea.estensione = estensione;
    linea.seminata = false;
    linea.metro = 0;
    linea.valori.assign(2 * (static_cast<std::size_t>(estensione) + 1), 0.0);
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
    while (linea.metro <= inizio) {
        verifica_spazio(linea);
        passo_retto(linea);
        if (linea.metro > limite_metri) return esito_traccia::oltre_milione;
    }
    while (linea.metro <= inizio + lunghezza) {
        verifica_spazio(linea);
        passo_curva(linea, k);
        if (linea.metro > limite_metri) return esito_traccia::oltre_milione;
    }
    return esito_traccia::riuscita;
}

void completa_linea(linea_tracciata& linea) {
    while (linea.metro <= linea.estensione - 2) passo_retto(linea);
}
