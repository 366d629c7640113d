#include "finish/passata_finale.hpp"

#include <algorithm>
#include <array>
#include <vector>

#include "core/stati.hpp"

namespace {

constexpr std::int16_t velocita_tabella = 180;
constexpr std::int32_t finestra_avviso = 20;
constexpr std::int32_t primo_segnale_avviso = 3;
constexpr std::int16_t limite_lento = 110;
constexpr std::int32_t passo_zona = 8;
constexpr std::int32_t ricerca_segnale = 12;
constexpr std::int32_t metri_cella = 50;

// A distance group before a slowdown start: cells i - soglia + 2, i - soglia + 1, i - soglia,
// used only when i > soglia.
struct gruppo_distanze {
    std::int32_t soglia;
};
constexpr std::array<gruppo_distanze, 3> gruppi{{{7}, {13}, {20}}};

// Cell 0 and anything past the last cell count as neither free nor a board, so no
// choice of the pass can reach them.
bool esiste(const std::vector<cella>& p, std::int32_t k) {
    return k >= 1 && static_cast<std::size_t>(k) < p.size();
}

bool libera(const std::vector<cella>& p, std::int32_t k) { return esiste(p, k) && cella_libera(cella_n(p, k)); }

bool tabella(const std::vector<cella>& p, std::int32_t k) {
    return esiste(p, k) && cella_n(p, k).tipo_cella == tipo::tabella_con_valore;
}

void metti_tabella(cella& c) {
    c.tipo_cella = tipo::tabella_con_valore;
    c.valore1 = velocita_tabella;
}

void abbassa_tabella(cella& c) { c.valore1 = minimo(velocita_tabella, c.valore1); }

void registra(stato_build& s, std::int32_t numero, std::int32_t k) {
    s.resoconto.errore_numero = numero;
    s.resoconto.errore_posizione = k * metri_cella;
}

void tratta_avviso(stato_build& s, std::int32_t i) {
    std::vector<cella>& p = s.percorso;
    for (std::int32_t k = 1; k <= finestra_avviso && i - k >= primo_segnale_avviso; ++k) {
        const std::int32_t d = i - k;
        if (cella_n(p, d).tipo_cella != tipo::segnale) continue;
        if (libera(p, d - 1))
            metti_tabella(cella_n(p, d - 1));
        else if (libera(p, d - 2))
            metti_tabella(cella_n(p, d - 2));
        else if (tabella(p, d - 1))
            abbassa_tabella(cella_n(p, d - 1));
        else if (tabella(p, d - 2))
            abbassa_tabella(cella_n(p, d - 2));
        else
            registra(s, stati::finitura_segnale, d);
    }
}

// Walks from the start cell to the slowdown's end, placing a board every 8 cells, and
// returns the end cell, or the last cell when no end lies before it.
std::int32_t cammina_zona(stato_build& s, std::int32_t i, std::int32_t ultima) {
    std::vector<cella>& p = s.percorso;
    std::int32_t n = 0;
    std::int32_t k = i;
    while (k < ultima) {
        ++k;
        ++n;
        if (n == passo_zona) {
            if (libera(p, k)) {
                metti_tabella(cella_n(p, k));
                n = 0;
            } else if (libera(p, k - 1)) {
                metti_tabella(cella_n(p, k - 1));
                n = 1;
            } else if (libera(p, k + 1)) {
                metti_tabella(cella_n(p, k + 1));
                n = -1;
            } else {
                // n stays 8 and only grows from here, so this zone gets no further boards.
                registra(s, stati::finitura_zona, k);
            }
        }
        if (cella_n(p, k).tipo_cella == tipo::fine_rallentamento) break;
    }
    return k;
}

void tratta_segnale_dopo_zona(stato_build& s, std::int32_t fine, std::int32_t ultima) {
    std::vector<cella>& p = s.percorso;
    std::int32_t n = 0;
    const std::int32_t ultima_cercata = std::min(fine + ricerca_segnale, ultima);
    for (std::int32_t c = fine; c <= ultima_cercata; ++c) {
        if (cella_n(p, c).tipo_cella == tipo::segnale) {
            n = c - 1;
            break;
        }
    }
    if (n <= 0) return;
    if (libera(p, n))
        metti_tabella(cella_n(p, n));
    else if (libera(p, n - 1))
        metti_tabella(cella_n(p, n - 1));
    else
        registra(s, stati::finitura_zona, fine);
}

void tratta_inizio(stato_build& s, std::int32_t i, std::int32_t ultima) {
    std::vector<cella>& p = s.percorso;
    for (const gruppo_distanze& g : gruppi) {
        if (i <= g.soglia) continue;
        bool posta = false;
        for (std::int32_t c = i - g.soglia + 2; c >= i - g.soglia && !posta; --c) {
            if (libera(p, c)) {
                metti_tabella(cella_n(p, c));
                posta = true;
            }
        }
        if (!posta) registra(s, stati::finitura_gruppo, i);
    }
    // Boards inside the zone and before the signal after it are for slow slowdowns only.
    if (cella_n(p, i).valore1 >= limite_lento) return;
    const std::int32_t fine = cammina_zona(s, i, ultima);
    tratta_segnale_dopo_zona(s, fine, ultima);
}

}  // namespace

void passata_finale(stato_build& s) {
    const std::int32_t ultima = static_cast<std::int32_t>(s.percorso.size()) - 1;
    for (std::int32_t i = 1; i <= ultima - 2; ++i) {
        const std::uint8_t t = cella_n(s.percorso, i).tipo_cella;
        if (t == tipo::avviso_rallentamento)
            tratta_avviso(s, i);
        else if (t == tipo::inizio_rallentamento)
            tratta_inizio(s, i, ultima);
    }
}

std::int16_t minimo(std::int16_t x, std::int16_t y) { return x > y ? y : x; }
