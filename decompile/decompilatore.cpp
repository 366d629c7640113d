#include "decompile/decompilatore.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <map>
#include <cstdint>
#include <optional>
#include <set>
#include <utility>

#include "builder/costruzione.hpp"
#include "core/celle.hpp"
#include "core/costanti.hpp"
#include "core/numeri.hpp"
#include "finish/codici_gara.hpp"
#include "finish/passata_finale.hpp"
#include "format/codec.hpp"
#include "format/file_binari.hpp"
#include "reader/memo_linea.hpp"

namespace {

using i64 = std::int64_t;

constexpr std::int16_t marcatore_percorso = 5121;
constexpr std::int16_t marcatore_servizio = 610;
constexpr std::int16_t velocita_tabella = velocita_tabella_finitura;
constexpr i64 lunghezza_massima = lunghezza_massima_linea;
constexpr const std::array<double, 6>& curvature = curvature_classi;

std::string n(i64 v) { return std::to_string(v); }

// A text field as the field reader takes it back: plain when it can be, otherwise between
// double quotes; nullopt when no field gives these bytes.
std::optional<std::string> campo_testo(const std::string& t) {
    const bool bianco_iniziale = !t.empty() && (t[0] == ' ' || t[0] == '\t' || t[0] == '"');
    const bool separatori = t.find_first_of(",\r\n") != std::string::npos;
    if (!bianco_iniziale && !separatori) return t;
    if (t.find('"') != std::string::npos) return std::nullopt;
    return "\"" + t + "\"";
}

bool stessi_bit(double a, double b) { return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b); }

// Everything the two descriptions will hold, gathered from the records before it is written.
struct ricostruzione {
    std::vector<cella> percorso;  // the route with the stamps taken away
    std::array<slot_servizio, n_slot> servizio{};
    i64 n_celle = 0;
    i64 lunghezza = 0;
    std::vector<std::string> generale_linea, curve, pendenze, montagne, indicatori, cartelli;
    std::vector<std::string> generale_servizio, aderenze, velocita, stazioni, rallentamenti, segnali, abbattimenti;
    std::vector<std::pair<i64, i64>> celle_segnali;  // cell and kinds of each line of `segnali`
    std::set<i64> segnali_nascosti;  // station stop cells that overwrote a signal
    std::vector<std::string> note;
    std::string problema;  // the first thing that no entry can give
    std::string nome_percorso, nome_servizio, nome_piano;
    // Cells that some entry explains; the rest must stay plain track.
    std::vector<bool> spiegata;

    void impossibile(const std::string& p) {
        if (problema.empty()) problema = p;
    }
};

std::string cella_txt(i64 k) { return "cell " + n(k); }

// One entry where the stored value changes, at the position that rounds to that cell; the
// value in force from the start is written at position 0. A profile fills the route up to
// three cells before its end; cells beyond that were written by entries repeated at one
// position, each of which pushes the fill one cell on, so they come back the same way.
template <class Inverso>
std::vector<std::string> profilo(const ricostruzione& r, const char* parola, std::uint8_t cella::*campo,
                                 Inverso inverso, std::vector<std::string>& note) {
    std::vector<std::string> righe;
    auto valore = [&](i64 k) { return r.percorso[static_cast<std::size_t>(k)].*campo; };
    auto riga = [&](i64 posizione, std::uint8_t v) {
        righe.push_back(std::string(parola) + ",  " + n(posizione) + ",  " + n(inverso(v)));
    };
    const i64 ultima = r.n_celle - 3;
    i64 spinta = ultima;
    for (i64 k = r.n_celle; k > ultima && k >= 0; --k) {
        if (valore(k) != 0) {
            spinta = k;
            break;
        }
    }
    for (i64 k = 0; k <= ultima; ++k)
        if (k == 0 || valore(k) != valore(k - 1)) riga(50 * k, valore(k));
    if (spinta > ultima) {
        for (i64 k = std::max<i64>(ultima + 1, 0); k <= spinta; ++k) riga(50 * (ultima + 1), valore(k));
        note.push_back(r.nome_percorso + ": the " + parola + " profile reaches cell " + n(spinta) +
                       ", past where a profile ends; entries repeated at " + n(50 * (ultima + 1)) + " m push it there");
    }
    return righe;
}

void ricostruisci_generale(ricostruzione& r) {
    const auto& sv = r.servizio;
    r.generale_linea.push_back("lunghezza percorso,    " + n(r.lunghezza));

    // The references are put in order after reading and a flag of 1 raises the chainage, so
    // the stored triples are un-raised and dealt out to the three keywords until one deal
    // orders back to what is stored.
    struct terna {
        std::int32_t inizio, fine, posizione;
    };
    std::array<terna, 3> memorizzate{};
    std::array<terna, 3> scritte{};
    bool tutte_zero = true;
    for (int i = 0; i < 3; ++i) {
        const slot_servizio& s = sv[static_cast<std::size_t>(slot_progressiva_tre + i)];
        memorizzate[static_cast<std::size_t>(i)] = {s.inizio, s.fine, s.posizione};
        i64 fine = s.fine;
        if (s.posizione == 1) fine -= 100;
        if (fine < INT32_MIN) fine = s.fine;
        scritte[static_cast<std::size_t>(i)] = {s.inizio, static_cast<std::int32_t>(fine), s.posizione};
        if (s.inizio != 0 || s.fine != 0 || s.posizione != 0) tutte_zero = false;
    }
    // Keywords tre, due and uno take the stored triples giro[0], giro[1], giro[2]. Of the deals
    // that order back to what is stored, the one an author would write is kept: the references
    // in use first, from "uno" on, by increasing start.
    std::array<int, 3> giro = {0, 1, 2};
    std::optional<std::array<int, 3>> trovato;
    std::vector<std::pair<i64, i64>> miglior_chiave;
    do {
        stato_build prova;
        for (int i = 0; i < 3; ++i) {
            const terna& t = scritte[static_cast<std::size_t>(giro[static_cast<std::size_t>(i)])];
            slot_servizio& s = prova.servizio[static_cast<std::size_t>(slot_progressiva_tre + i)];
            s.inizio = t.inizio;
            s.fine = t.fine;
            s.posizione = t.posizione;
        }
        try {
            progressive_ordina(prova);
        } catch (const guasto_lettura&) {
            continue;
        }
        bool uguale = true;
        for (int i = 0; i < 3; ++i) {
            const slot_servizio& s = prova.servizio[static_cast<std::size_t>(slot_progressiva_tre + i)];
            const terna& m = memorizzate[static_cast<std::size_t>(i)];
            uguale = uguale && s.inizio == m.inizio && s.fine == m.fine && s.posizione == m.posizione;
        }
        if (!uguale) continue;
        std::vector<std::pair<i64, i64>> chiave;
        for (int i = 2; i >= 0; --i) {
            const terna& t = scritte[static_cast<std::size_t>(giro[static_cast<std::size_t>(i)])];
            const bool zero = t.inizio == 0 && t.fine == 0 && t.posizione == 0;
            chiave.emplace_back(zero ? 1 : 0, t.inizio);
        }
        if (!trovato || chiave < miglior_chiave) {
            trovato = giro;
            miglior_chiave = chiave;
        }
    } while (std::next_permutation(giro.begin(), giro.end()));
    if (tutte_zero) trovato = std::array<int, 3>{0, 1, 2};
    if (!trovato) {
        r.impossibile(r.nome_servizio + ": slot 81 could not be matched: no three kilometre references order to these");
        trovato = std::array<int, 3>{0, 1, 2};
    }
    const char* nomi[] = {"tre", "due", "uno"};
    for (int i = 2; i >= 0; --i) {
        const terna& t = scritte[static_cast<std::size_t>((*trovato)[static_cast<std::size_t>(i)])];
        r.generale_linea.push_back(std::string("progressiva chilometrica ") + nomi[i] + ",    " + n(t.inizio) + ",    " +
                                   n(t.fine) + ",    " + n(t.posizione));
    }
    const slot_servizio& sfondi = sv[slot_scenario];
    r.generale_linea.push_back("sfondo uno,    " + n(sfondi.inizio));
    r.generale_linea.push_back("sfondo due,    " + n(sfondi.posizione));
    r.generale_linea.push_back("sfondo tre,    " + n(sfondi.fine));

    const slot_servizio& rip = sv[slot_treno];
    const char* codici = rip.posizione == 9 ? "9" : "4";
    if (!((rip.fine != 0 && (rip.posizione == 4 || rip.posizione == 9)) || (rip.fine == 0 && rip.posizione == 0)) ||
        rip.inizio % 50 != 0 || rip.fine % 50 != 0)
        r.impossibile(r.nome_servizio + ": slot 86 could not be matched: the signal repetition is not a stretch of 4 or 9 codes");
    r.generale_linea.push_back(std::string("ripetizione segnali ") + codici + " codici,    " + n(rip.inizio) + ",    " +
                               n(rip.fine));

    const slot_servizio& gen = sv[slot_generale];
    r.generale_servizio.push_back("numero vetture,    " + n(gen.posizione));
    r.generale_servizio.push_back("percentuale massa frenata,    " + n(gen.inizio));
    r.generale_servizio.push_back("sabbia,    " + n(rip.campo7));
    r.generale_servizio.push_back("orologio,    " + n(rip.campo10) + "  " + n(rip.campo11) + "  " + n(rip.campo12));
}

// The heading change from metre to metre: straight, or turned by one of the twelve curvatures.
void ricostruisci_curve(ricostruzione& r, const std::vector<elemento_linea>& x, const std::vector<elemento_linea>& y) {
    const i64 estensione = r.lunghezza + metri_oltre_fine;
    if (static_cast<i64>(x.size()) != estensione + 1 || y.size() != x.size()) {
        r.impossibile(r.nome_piano + ": the plan holds " + n(static_cast<i64>(x.size()) - 1) +
                      " metres, not the line length plus 7000 (" + n(estensione) + ")");
        return;
    }
    auto intero = [](const elemento_linea& e, double v) {
        return e.genere == genere_elemento::intero16 && e.valore == v;
    };
    if (!intero(x[0], 0) || !intero(y[0], 0) || !intero(x[1], 0) || !intero(y[1], 1)) {
        r.impossibile(r.nome_piano + ": metres 0 and 1 could not be matched: they are not the seed (0, 0), (0, 1)");
        return;
    }
    std::size_t metro = 2;
    while (metro < x.size() && x[metro].genere == genere_elemento::reale64 && y[metro].genere == genere_elemento::reale64)
        ++metro;
    for (std::size_t m = metro; m < x.size(); ++m) {
        if (x[m].genere != genere_elemento::vuoto || y[m].genere != genere_elemento::vuoto) {
            r.impossibile(r.nome_piano + ": metre " + n(static_cast<i64>(m)) +
                          " could not be matched: the traced metres do not run on from metre 2");
            return;
        }
    }
    const i64 ultimo = static_cast<i64>(metro) - 1;
    // 0: straight; otherwise class c (1 to 6) with the sign of its side.
    std::vector<int> svolta(metro, 0);
    for (std::size_t m = 2; m < metro; ++m) {
        const double x2 = x[m - 2].valore, x1 = x[m - 1].valore, y2 = y[m - 2].valore, y1 = y[m - 1].valore;
        const double dx = x1 - x2;
        const double dy = y1 - y2;
        if (stessi_bit(x1 + dx, x[m].valore) && stessi_bit(y1 + dy, y[m].valore)) continue;
        bool trovata = false;
        for (std::size_t c = 0; c < curvature.size() && !trovata; ++c) {
            for (int segno : {1, -1}) {
                const double k = segno * curvature[c];
                const double xn = x1 + dx + k * dy;
                const double yn = y1 + dy - k * dx;
                if (stessi_bit(xn, x[m].valore) && stessi_bit(yn, y[m].valore)) {
                    svolta[m] = segno * static_cast<int>(c + 1);
                    trovata = true;
                    break;
                }
            }
        }
        if (!trovata) {
            r.impossibile(r.nome_piano + ": metre " + n(static_cast<i64>(m)) +
                          " could not be matched: no curve class turns the track from the two metres before it");
            return;
        }
    }
    std::size_t m = 2;
    while (m < metro) {
        if (svolta[m] == 0) {
            ++m;
            continue;
        }
        std::size_t fine = m;
        while (fine + 1 < metro && svolta[fine + 1] == svolta[m]) ++fine;
        const int c = svolta[m];
        r.curve.push_back(std::string(c < 0 ? "curvas" : "curvad") + n(c < 0 ? -c : c) + ",  " +
                          n(static_cast<i64>(m) - 1) + ",  " + n(static_cast<i64>(fine - m + 1)));
        m = fine + 1;
    }
    // The plan is traced straight to two metres before its end; a straight trace beyond that
    // comes from a curve of no length placed there.
    if (ultimo > estensione - 2 && svolta[static_cast<std::size_t>(ultimo)] == 0) {
        r.curve.push_back("curvad1,  " + n(ultimo) + ",  0");
        r.note.push_back(r.nome_piano + ": the plan runs straight past its usual end to metre " + n(ultimo) +
                         "; a curve of length 0 there gives it");
    }
}

struct tratto {
    i64 a, b;  // first and last cell
    bool marcatori;
};

// A run of cells of one terrain kind, split into the stretches that its markers show: a
// stretch with markers has them on every fourth cell from its own first one, so a marker out
// of step, or a plain cell where a marker should be, starts another stretch.
std::vector<tratto> dividi_tratti(const ricostruzione& r, i64 a, i64 b) {
    std::vector<tratto> tratti;
    auto tipo_di = [&](i64 k) { return r.percorso[static_cast<std::size_t>(k)].tipo_cella; };
    i64 s = a;
    int marcatori = -1;  // not yet known
    for (i64 i = a; i <= b; ++i) {
        const std::uint8_t t = tipo_di(i);
        const bool al_passo = (i - s) % 4 == 3;
        if (t == tipo::marcatore_montagna) {
            if (al_passo && marcatori != 0) {
                marcatori = 1;
                continue;
            }
            const i64 nuovo = i - 3;
            if (nuovo > s) {
                tratti.push_back({s, nuovo - 1, marcatori == 1});
            } else if (!tratti.empty() && nuovo > tratti.back().a) {
                tratti.back().b = nuovo - 1;
            } else {
                continue;
            }
            s = nuovo;
            marcatori = 1;
        } else if (t == tipo::libera && al_passo) {
            if (marcatori == 1) {
                tratti.push_back({s, i - 1, true});
                s = i;
            }
            marcatori = 0;
        }
    }
    tratti.push_back({s, b, marcatori == 1});
    return tratti;
}

// A mountain stretch as it will be written: its cells, its kind as the entry gives it, the
// latest start that still rounds to its first cell and the earliest end that still rounds to
// its last one (halves go to the even cell).
struct montagna_da_scrivere {
    i64 a, b;
    i64 tipo_scritto;
    bool libera;  // kind 3: whatever is read before it, it keeps its kind
    i64 inizio_massimo() const { return 50 * a + (a % 2 == 0 ? 25 : 0); }
    i64 fine() const { return 50 * (b + 1); }
    i64 fine_minima() const { return 50 * b + (b % 2 == 0 ? 25 : 26); }
};

void ricostruisci_montagne(ricostruzione& r) {
    const auto& p = r.percorso;
    std::vector<montagna_da_scrivere> tratti;
    std::vector<std::string> bassi;
    for (i64 inizio_corsa = 0; inizio_corsa <= r.n_celle; ++inizio_corsa) {
        const std::uint8_t t = p[static_cast<std::size_t>(inizio_corsa)].montagna;
        if (t == 0) continue;
        i64 fine_corsa = inizio_corsa;
        while (fine_corsa + 1 <= r.n_celle && p[static_cast<std::size_t>(fine_corsa + 1)].montagna == t) ++fine_corsa;
        for (const tratto& tr : dividi_tratti(r, inizio_corsa, fine_corsa)) {
            if (tr.marcatori)
                for (i64 k = tr.a + 3; k <= tr.b; k += 4)
                    if (p[static_cast<std::size_t>(k)].tipo_cella == tipo::marcatore_montagna)
                        r.spiegata[static_cast<std::size_t>(k)] = true;
            // A kind above 10 is written with markers; where the stretch has no free cell for
            // one, asking for them leaves the same bytes.
            bool senza_posto = true;
            for (i64 k = tr.a + 3; k <= tr.b && !tr.marcatori; k += 4)
                senza_posto = senza_posto && p[static_cast<std::size_t>(k)].tipo_cella != tipo::libera;
            i64 tipo_scritto = t;
            if (tr.marcatori || (t > soglia_marcatori_montagna && senza_posto)) {
                tipo_scritto = t + soglia_marcatori_montagna;
            } else if (t > soglia_marcatori_montagna) {
                tipo_scritto = t - 256;
                bassi.push_back(cella_txt(tr.a));
            }
            tratti.push_back({tr.a, tr.b, tipo_scritto, t == 3});
        }
        inizio_corsa = fine_corsa;
    }

    // A stretch read right after one that ends 150 m or less before its start becomes kind 3.
    // Each stretch of another kind but the first read is therefore read after one that ends
    // further back; the stretches stay in position order wherever that allows. Those that
    // end further back than a start form a prefix of the stretches, so taking for each the
    // latest one still free never leaves a later stretch without one.
    const std::size_t quanti = tratti.size();
    constexpr std::size_t nessuno = static_cast<std::size_t>(-1);
    std::vector<std::size_t> dopo(quanti, nessuno), prima(quanti, nessuno);
    std::set<std::size_t> libere;
    std::size_t lontane = 0;
    for (std::size_t j = 0; j < quanti; ++j) {
        while (lontane < j && tratti[lontane].fine_minima() + 150 < tratti[j].inizio_massimo()) libere.insert(lontane++);
        if (tratti[j].libera) continue;
        if (libere.empty()) continue;
        const std::size_t q = *libere.rbegin();
        libere.erase(q);
        dopo[q] = j;
        prima[j] = q;
    }
    // Stretches of kind 3 may begin a run; of the others without a stretch before them, the
    // first begins the list and each further one needs an entry that leaves no cell before it.
    std::vector<std::size_t> teste;
    for (std::size_t j = 0; j < quanti; ++j)
        if (prima[j] == nessuno && !tratti[j].libera) teste.push_back(j);
    const std::size_t vincolate = teste.size();
    for (std::size_t j = 0; j < quanti; ++j)
        if (prima[j] == nessuno && tratti[j].libera) teste.push_back(j);
    if (vincolate > 1) std::sort(teste.begin() + 1, teste.end());
    // The entries in reading order: start, end, kind; a stretch read right after the one that
    // ends close before it starts later and lets that one end earlier, within their cells.
    struct voce_montagna {
        i64 inizio, fine, tipo;
    };
    std::vector<voce_montagna> voci;
    int riempitivi = 0;
    bool fuori_ordine = false;
    std::size_t precedente = nessuno;
    for (std::size_t h = 0; h < teste.size(); ++h) {
        for (std::size_t j = teste[h]; j != nessuno; j = dopo[j]) {
            const montagna_da_scrivere& m = tratti[j];
            fuori_ordine = fuori_ordine || (precedente != nessuno && j < precedente);
            voce_montagna v{50 * m.a, m.fine(), m.tipo_scritto};
            if (precedente != nessuno && !m.libera && v.inizio - voci.back().fine <= 150) {
                if (prima[j] != nessuno) {
                    v.inizio = m.inizio_massimo();
                    if (v.inizio - voci.back().fine <= 150) voci.back().fine = tratti[precedente].fine_minima();
                } else {
                    // No stretch ends far enough before it: an entry that ends at 0 m and covers no
                    // cell goes first (of kind 3, as it would be read after a close one).
                    voci.push_back({0, v.inizio > 150 ? 0 : -1000, 3});
                    ++riempitivi;
                }
            }
            voci.push_back(v);
            precedente = j;
        }
    }
    for (const voce_montagna& v : voci)
        r.montagne.push_back("montagna,  " + n(v.inizio) + ",  " + n(v.fine) + ",  " + n(v.tipo));
    if (fuori_ordine)
        r.note.push_back(r.nome_percorso + ": mountain stretches are listed out of position order, so that none is read "
                         "right after a stretch that ends 150 m or less before it (which would make it kind 3)");
    if (riempitivi > 0)
        r.note.push_back(r.nome_percorso + ": " + n(riempitivi) +
                         " empty mountain entries keep a stretch that starts close after another from being read as "
                         "kind 3");
    if (!bassi.empty())
        r.note.push_back(r.nome_percorso + ": mountain kinds above 10 without markers are kept by their low 8 bits "
                         "(written minus 256), from " + bassi.front());
}

struct indicatore_letto {
    i64 cella;
    std::int16_t v1, v2, v3, v4;
};

std::string riga_indicatori(i64 posizione, std::int16_t v1, std::int16_t v2, std::int16_t v3, std::int16_t v4) {
    // Each code is twenty times the left speed plus a fifth of the right one: the author's
    // reading has both in 5 km/h steps, which every code that is not negative allows.
    auto dividi = [](std::int16_t w) -> std::pair<i64, i64> {
        if (const std::optional<velocita_lati> l = decodifica_indicatore(w)) return {l->sinistra, l->destra};
        i64 sinistra = w >= 0 ? w / 20 : -((-w + 19) / 20);
        return {sinistra, 5 * (w - 20 * sinistra)};
    };
    const auto a = dividi(v1), b = dividi(v2), c = dividi(v3);
    const bool destra_vuota = a.second == 0 && b.second == 0 && c.second == 0;
    auto destra = [&](i64 v) { return destra_vuota ? std::string() : n(v); };
    const i64 strisce_s = v4 / 10, strisce_d = v4 % 10;
    return "indicatori_vmax,  " + n(posizione) + ",  " + n(a.first) + ",  " + n(b.first) + ",  " + n(c.first) + ",  " +
           n(strisce_s) + ",  " + destra(a.second) + ",  " + destra(b.second) + ",  " + destra(c.second) + ",  " +
           n(strisce_d);
}

// Station slots run from 1 upwards, sign texts from 80 downwards.
struct spartizione {
    int stazioni = 0;          // slots 1 .. stazioni
    int primo_cartello = 81;   // slots primo_cartello .. 80
};

bool slot_solo_testo(const slot_servizio& s) {
    return s.tipo_stazione == 0 && s.inizio == 0 && s.fine == 0 &&
           s.posizione == 0 && s.campo4 == 0 && s.campo7 == 0 && s.campo8 == 0 && s.campo10 == 0 &&
           s.campo11 == 0 && s.campo12 == 0 && s.campo9 == 0 && s.sosta == 0 && s.campo6 == 0 && s.campo5 == 0 &&
           s.orario == 0;
}

bool slot_vuoto(const slot_servizio& s) { return slot_solo_testo(s) && s.nome.empty(); }

spartizione spartisci(const ricostruzione& r) {
    spartizione sp;
    int piu_basso = 81;
    for (const cella& c : r.percorso)
        if (c.tipo_cella == tipo::cartello && c.valore1 >= 1 && c.valore1 <= primo_slot_cartelli)
            piu_basso = std::min<int>(piu_basso, c.valore1);
    while (sp.stazioni + 1 < piu_basso && !slot_vuoto(r.servizio[static_cast<std::size_t>(sp.stazioni + 1)]) &&
           !slot_solo_testo(r.servizio[static_cast<std::size_t>(sp.stazioni + 1)]))
        ++sp.stazioni;
    for (int k = sp.stazioni + 1; k < piu_basso; ++k)
        if (!r.servizio[static_cast<std::size_t>(k)].nome.empty() && slot_solo_testo(r.servizio[static_cast<std::size_t>(k)])) {
            piu_basso = k;
            break;
        }
    sp.primo_cartello = piu_basso;
    return sp;
}

void ricostruisci_stazioni(ricostruzione& r, const spartizione& sp, std::vector<i64>& celle_fermata) {
    std::vector<int> perso5, perso6;
    for (int j = 1; j <= sp.stazioni; ++j) {
        const slot_servizio& s = r.servizio[static_cast<std::size_t>(j)];
        const i64 p = s.posizione;
        const std::uint8_t t = s.tipo_stazione;
        i64 lunghezza;
        i64 campo6 = s.campo6;
        if (t >= 5 && t <= 8) {
            lunghezza = p - s.inizio;
            if (s.fine != (t <= 6 ? p + 150 : p + lunghezza))
                r.impossibile(r.nome_servizio + ": slot " + n(j) + " (fine) could not be matched: not the end of a station of type " + n(t));
        } else {
            lunghezza = 2 * (p - s.inizio);
            const i64 fine_base = p + lunghezza / 2;
            if (j == 1 && s.fine == fine_base + 50) {
                campo6 = 1;
                perso6.push_back(j);
            } else if (s.fine != fine_base + (campo6 != 0 ? 50 : 0)) {
                r.impossibile(r.nome_servizio + ": slot " + n(j) + " (fine) could not be matched: not the end of a station "
                              "of that start and position");
            }
        }
        if (lunghezza < 600 || j == 1) perso5.push_back(j);
        const i64 orario = s.orario;
        const i64 ore = orario / 3600, minuti = (orario % 3600) / 60, secondi = orario % 60;
        const std::optional<std::string> nome = campo_testo(s.nome);
        if (!nome)
            r.impossibile(r.nome_servizio + ": slot " + n(j) + " (nome) could not be matched: a name with both a double "
                          "quote and a comma, line end or leading blank");
        r.stazioni.push_back("stazione,  " + n(p) + ",  " + n(t) + ",  " + n(lunghezza) + ",  " + n(s.campo4) + ", " +
                             n(s.campo5) + ", " + n(campo6) + ",  " + n(s.campo7) + "," + n(s.campo8) + "," +
                             n(s.campo9) + ",  " + n(s.campo10) + "," + n(s.campo11) + "," + n(s.campo12) + ",  " +
                             n(s.sosta) + ",  " + n(ore) + "," + n(minuti) + "," + n(secondi) + ", " +
                             nome.value_or(s.nome));
        if (t < 25) {
            const i64 k = cella_fermata(s.fine);
            if (k >= 0 && k <= r.n_celle) {
                const cella& c = r.percorso[static_cast<std::size_t>(k)];
                if (c.tipo_cella == tipo::fermata_stazione && c.valore1 == j) {
                    r.spiegata[static_cast<std::size_t>(k)] = true;
                    celle_fermata.push_back(k);
                }
            }
        }
    }
    if (!perso5.empty())
        r.note.push_back(r.nome_servizio + ": field 5 is kept only for stations of 600 m or more after the first; "
                         "written as 0 for the other " + n(static_cast<i64>(perso5.size())) + " (from station " +
                         n(perso5.front()) + ")");
    if (!perso6.empty())
        r.note.push_back(r.nome_servizio + ": field 6 of the first station is not kept; written as 1 since its end lies "
                         "50 m further");
}

void ricostruisci_cartelli(ricostruzione& r, const spartizione& sp, const std::vector<i64>& celle_fermata) {
    std::vector<i64> cella_di(81, -1);
    for (i64 k = 0; k <= r.n_celle; ++k) {
        const cella& c = r.percorso[static_cast<std::size_t>(k)];
        if (c.tipo_cella != tipo::cartello) continue;
        if (c.valore1 < sp.primo_cartello || c.valore1 > primo_slot_cartelli ||
            cella_di[static_cast<std::size_t>(c.valore1)] >= 0) {
            r.impossibile(r.nome_percorso + ": " + cella_txt(k) + " could not be matched: a sign board whose text slot " +
                          n(c.valore1) + " no sign entry gives");
            continue;
        }
        cella_di[static_cast<std::size_t>(c.valore1)] = k;
        r.spiegata[static_cast<std::size_t>(k)] = true;
    }
    // A sign whose board a station stop took over still holds its text slot: it is put back
    // under one of the stop cells, which the station then overwrites as before.
    std::size_t libere = 0;
    std::vector<int> nascosti;
    for (int slot = primo_slot_cartelli; slot >= sp.primo_cartello; --slot) {
        const slot_servizio& s = r.servizio[static_cast<std::size_t>(slot)];
        i64 k = cella_di[static_cast<std::size_t>(slot)];
        if (k < 0) {
            while (libere < celle_fermata.size()) {
                const cella& c = r.percorso[static_cast<std::size_t>(celle_fermata[libere])];
                if (c.valore2 == 0 && c.valore3 == 0 && c.valore4 == 0 && c.tempo_segnale == 0) break;
                ++libere;
            }
            if (libere >= celle_fermata.size()) {
                r.impossibile(r.nome_servizio + ": slot " + n(slot) + " could not be matched: a sign text without a "
                              "board and no station stop to hide one under");
                continue;
            }
            k = celle_fermata[libere++];
            nascosti.push_back(slot);
        }
        if (!slot_solo_testo(s))
            r.impossibile(r.nome_servizio + ": slot " + n(slot) + " could not be matched: a sign text slot with numbers");
        const std::optional<std::string> testo = campo_testo(s.nome);
        if (!testo)
            r.impossibile(r.nome_servizio + ": slot " + n(slot) + " (nome) could not be matched: a sign text with both a "
                          "double quote and a comma, line end or leading blank");
        r.cartelli.push_back("cartello_indicatore,  " + n(metro_di_cella(regola_cella::punto, k)) + ",   " + testo.value_or(s.nome));
    }
    if (!nascosti.empty())
        r.note.push_back(r.nome_servizio + ": " + n(static_cast<i64>(nascosti.size())) +
                         " sign texts have no board left (a station stop took their cell); their signs are placed "
                         "under station stops, where the stop overwrites them again");
}

// Cell k's tipo_cella as the readers left it, before the finishing pass added its boards.
struct tabelle_utente {
    std::vector<i64> con_valore;  // cells of "abbattimento" entries with a value
    std::vector<i64> senza_valore;
};

// What the pass, run on the route without the boards marked as its own, leaves: the first
// cell that differs from the stored route (-1: none), and the cell where it records a status
// because it finds no cell for a board (-1: none).
struct esito_passata {
    i64 differenza = -1;
    i64 stato = -1;
    // Where the reading first goes wrong: the files, or a status the compile would record.
    i64 primo() const { return differenza < 0 ? stato : stato < 0 ? differenza : std::min(differenza, stato); }
};

esito_passata prova_passata(const ricostruzione& r, const std::vector<bool>& della_passata) {
    stato_build prova;
    prova.percorso = r.percorso;
    for (std::size_t k = 0; k < prova.percorso.size(); ++k) {
        if (!della_passata[k]) continue;
        prova.percorso[k].tipo_cella = tipo::libera;
        prova.percorso[k].valore1 = 0;
    }
    passata_finale(prova);
    esito_passata e;
    if (prova.resoconto.errore_numero != 0) e.stato = std::max<i64>(0, prova.resoconto.errore_posizione / metri_cella);
    for (std::size_t k = 0; k < prova.percorso.size() && e.differenza < 0; ++k)
        for (const campo_cella& f : layout_cella)
            if (f.leggi(prova.percorso[k]) != f.leggi(r.percorso[k])) {
                e.differenza = static_cast<i64>(k);
                break;
            }
    return e;
}

tabelle_utente togli_passata(ricostruzione& r) {
    tabelle_utente u;
    const std::size_t celle = r.percorso.size();
    std::vector<bool> della_passata(celle, false);
    for (std::size_t k = 0; k < celle; ++k) {
        const cella& c = r.percorso[k];
        if (c.tipo_cella == tipo::tabella_con_valore && c.valore1 == velocita_tabella && c.valore2 == 0 &&
            c.valore3 == 0 && c.valore4 == 0 && c.tempo_segnale == 0)
            della_passata[k] = true;
    }
    // The pass places its boards by looking at the cells around each slowdown; a board it
    // would not place itself was an entry of the service. Every such finding changes what
    // the pass sees, so the two are settled in turn.
    for (int giro = 0; giro < 1000; ++giro) {
        stato_build prova;
        prova.percorso = r.percorso;
        for (std::size_t k = 0; k < celle; ++k) {
            if (!della_passata[k]) continue;
            cella& c = prova.percorso[k];
            c.tipo_cella = tipo::libera;
            c.valore1 = 0;
        }
        passata_finale(prova);
        bool cambiato = false;
        for (std::size_t k = 0; k < celle; ++k) {
            if (!della_passata[k]) continue;
            const cella& c = prova.percorso[k];
            if (c.tipo_cella != tipo::tabella_con_valore || c.valore1 != velocita_tabella) {
                della_passata[k] = false;
                cambiato = true;
            }
        }
        if (!cambiato) break;
    }
    // Where a board of the service stands on a cell the pass would have taken, the pass went
    // on to the cell beside it, and the boards found above may not be the ones read. Then the
    // boards just before the first cell that differs are given to the service or to the pass
    // instead, one, two or three at a time, until the pass leaves that cell as stored; the
    // fewest changes are tried first.
    std::vector<std::size_t> tabelle;
    for (std::size_t k = 0; k < celle; ++k) {
        const cella& c = r.percorso[k];
        if (c.tipo_cella == tipo::tabella_con_valore && c.valore1 == velocita_tabella && c.valore2 == 0 &&
            c.valore3 == 0 && c.valore4 == 0 && c.tempo_segnale == 0)
            tabelle.push_back(k);
    }
    // A cell that differs in another way (a hand-edited file) is left to the recompile to name.
    auto di_tabella = [&](i64 k) {
        const std::uint8_t t = r.percorso[static_cast<std::size_t>(k)].tipo_cella;
        return t == tipo::libera || t == tipo::marcatore_montagna || t == tipo::tabella_con_valore;
    };
    esito_passata esito = prova_passata(r, della_passata);
    // The first reading that gives the very bytes is kept, should the search go on past it
    // (to one without a status) and not reach the end.
    std::optional<std::vector<bool>> esatta;
    if (esito.differenza < 0) esatta = della_passata;
    for (int giro = 0; giro < 20 && esito.primo() >= 0 && di_tabella(esito.primo()); ++giro) {
        const i64 differenza = esito.primo();
        std::vector<std::size_t> vicine;
        for (auto it = std::upper_bound(tabelle.begin(), tabelle.end(), static_cast<std::size_t>(differenza + 2));
             it != tabelle.begin() && vicine.size() < 8;) {
            --it;
            if (static_cast<i64>(*it) < differenza - 40) break;
            vicine.push_back(*it);
        }
        // The changes to try, fewest first: each is up to three of the boards nearby.
        const std::size_t v = vicine.size();
        std::vector<std::vector<std::size_t>> scambi;
        for (std::size_t a = 0; a < v; ++a) scambi.push_back({vicine[a]});
        for (std::size_t a = 0; a < v; ++a)
            for (std::size_t b = a + 1; b < v; ++b) scambi.push_back({vicine[a], vicine[b]});
        for (std::size_t a = 0; a < v; ++a)
            for (std::size_t b = a + 1; b < v; ++b)
                for (std::size_t c = b + 1; c < v; ++c) scambi.push_back({vicine[a], vicine[b], vicine[c]});
        bool avanti = false;
        for (const std::vector<std::size_t>& scambio : scambi) {
            std::vector<bool> prova = della_passata;
            for (std::size_t k : scambio) prova[k] = !prova[k];
            const esito_passata e = prova_passata(r, prova);
            if (e.primo() < 0 || e.primo() > differenza) {
                della_passata = prova;
                esito = e;
                if (e.differenza < 0 && !esatta) esatta = prova;
                avanti = true;
                break;
            }
        }
        if (!avanti) break;
    }
    if (esito.differenza >= 0 && esatta) della_passata = *esatta;
    for (std::size_t k = 0; k < celle; ++k) {
        const cella& c = r.percorso[k];
        if (c.tipo_cella == tipo::tabella_con_valore && !della_passata[k]) u.con_valore.push_back(static_cast<i64>(k));
        if (c.tipo_cella == tipo::tabella_senza_valore) u.senza_valore.push_back(static_cast<i64>(k));
        if (della_passata[k]) r.spiegata[k] = true;
    }
    return u;
}

void ricostruisci_abbattimenti(ricostruzione& r, const tabelle_utente& u) {
    std::vector<i64> tutte = u.con_valore;
    tutte.insert(tutte.end(), u.senza_valore.begin(), u.senza_valore.end());
    std::sort(tutte.begin(), tutte.end());
    bool bassi = false;
    for (i64 k : tutte) {
        const cella& c = r.percorso[static_cast<std::size_t>(k)];
        i64 valore = 0;
        if (c.tipo_cella == tipo::tabella_con_valore) {
            valore = c.valore1 > 0 ? c.valore1 : c.valore1 + 65536;
            if (c.valore1 <= 0) bassi = true;
        }
        r.abbattimenti.push_back("abbattimento,  " + n(metro_di_cella(regola_cella::profilo, k)) + ",  " + n(valore));
        r.spiegata[static_cast<std::size_t>(k)] = true;
    }
    if (bassi)
        r.note.push_back(r.nome_percorso + ": speed boards whose stored value is 0 or below keep only the low 16 bits "
                         "of theirs; written plus 65536");
}

void ricostruisci_rallentamenti(ricostruzione& r) {
    const auto& p = r.percorso;
    auto in = [&](i64 k) { return k >= 0 && k <= r.n_celle; };
    auto a = [&](i64 k) -> const cella& { return p[static_cast<std::size_t>(k)]; };
    // The end cells by their values; a start takes the nearest unused one after it, or else
    // the nearest before it (a slowdown of negative length).
    std::map<std::array<std::int16_t, 3>, std::set<i64>> fini;
    for (i64 k = 0; k <= r.n_celle; ++k)
        if (a(k).tipo_cella == tipo::fine_rallentamento) fini[{a(k).valore1, a(k).valore2, a(k).valore3}].insert(k);
    std::vector<bool> usata(p.size(), false);
    for (i64 i = 0; i <= r.n_celle; ++i) {
        const cella& s = a(i);
        if (s.tipo_cella != tipo::inizio_rallentamento) continue;
        i64 fine = i;
        const auto trovate = fini.find({s.valore1, s.valore2, s.valore3});
        if (trovate != fini.end() && !trovate->second.empty()) {
            std::set<i64>& celle = trovate->second;
            auto dopo = celle.upper_bound(i);
            if (dopo == celle.end()) --dopo;
            fine = *dopo;
            celle.erase(dopo);
        }
        usata[static_cast<std::size_t>(fine)] = true;
        usata[static_cast<std::size_t>(i)] = true;
        r.spiegata[static_cast<std::size_t>(fine)] = true;
        r.spiegata[static_cast<std::size_t>(i)] = true;
        i64 x = 50 * (i - 1);
        const bool avviso = in(i - 24) && a(i - 24).tipo_cella == tipo::avviso_rallentamento && a(i - 24).valore1 == s.valore1;
        if (avviso && x <= 1500 && i == 31) x = 1501;  // the warning needs a start beyond 1500 m
        i64 f_ta = 0;
        if (avviso && x > 1500) {
            r.spiegata[static_cast<std::size_t>(i - 24)] = true;
            bool pre = true;
            for (i64 k = 0; k < 4; ++k)
                pre = pre && in(i - 25 - k) && a(i - 25 - k).tipo_cella == tipo::preavviso_rallentamento &&
                      a(i - 25 - k).valore1 == k + 1;
            if (pre) {
                f_ta = 1;
                for (i64 k = 0; k < 4; ++k) r.spiegata[static_cast<std::size_t>(i - 25 - k)] = true;
            }
        }
        r.rallentamenti.push_back("rallentamento,  " + n(x) + ",  " + n(s.valore1) + ",  " + n(50 * (fine - i)) +
                                  ",  " + n(s.valore3) + ",  " + n(f_ta) + ",  " + n(s.valore2));
    }
}

void ricostruisci_segnali(ricostruzione& r, bool discendenti, bool con_note) {
    const auto& p = r.percorso;
    std::vector<std::string> righe;
    r.celle_segnali.clear();
    bool tempi_bassi = false;
    for (i64 k = 8; k <= r.n_celle; ++k) {
        cella c = p[static_cast<std::size_t>(k)];
        const bool nascosto = r.segnali_nascosti.count(k) != 0;
        if (c.tipo_cella != tipo::segnale && !nascosto) continue;
        if (nascosto) c.valore1 = 0;  // the station's slot index took its place
        r.spiegata[static_cast<std::size_t>(k)] = true;
        // The kinds come back from the approach codes (kinds x 10 + 1 .. 4) that no station
        // overwrote, and must agree with the last digit of valore4.
        const i64 resto = ((c.valore4 % 10) + 10) % 10;
        std::optional<i64> tipi;
        for (i64 i = 1; i <= 4 && !tipi; ++i) {
            const i64 codice = p[static_cast<std::size_t>(k - 2 * i)].preavviso;
            if (codice % 10 == i && ((codice - i) / 10) % 10 == resto) tipi = (codice - i) / 10;
        }
        if (!tipi) tipi = resto;
        const i64 rapp = (c.valore4 - *tipi) / 10;
        r.celle_segnali.emplace_back(k, *tipi);
        i64 sx = *tipi / 3, dx = *tipi % 3;
        i64 tempo = c.tempo_segnale;
        if (tempo != 0) {
            sx = 2;
            dx = *tipi - 6;
            if (tempo <= 100) {
                tempo += 256;
                tempi_bassi = true;
            }
        }
        auto cifre = [](std::int16_t v) { return std::pair<i64, i64>{v / 10, v % 10}; };
        const auto v1 = cifre(c.valore1), v2 = cifre(c.valore2), v3 = cifre(c.valore3);
        righe.push_back("segnale,  " + n(metro_di_cella(regola_cella::punto, k)) + ",   " + n(sx) + ", " + n(v1.first) + ", " + n(v2.first) + ", " +
                        n(v3.first) + ",  " + n(rapp) + ",  " + n(dx) + ",  " + n(v1.second) + "," + n(v2.second) +
                        "," + n(v3.second) + ", " + n(tempo));
    }
    if (discendenti) {
        std::reverse(righe.begin(), righe.end());
        std::reverse(r.celle_segnali.begin(), r.celle_segnali.end());
    }
    r.segnali = righe;
    if (tempi_bassi && con_note)
        r.note.push_back(r.nome_percorso + ": signal times of 1 to 100 are stored only by their low 8 bits; written "
                         "plus 256");
}

void ricostruisci_indicatori(ricostruzione& r, const std::vector<i64>& celle_fermata) {
    for (i64 k = 0; k <= r.n_celle; ++k) {
        const cella& c = r.percorso[static_cast<std::size_t>(k)];
        if (c.tipo_cella != tipo::indicatori_velocita) continue;
        r.spiegata[static_cast<std::size_t>(k)] = true;
        r.indicatori.push_back(riga_indicatori(metro_di_cella(regola_cella::punto, k), c.valore1, c.valore2, c.valore3, c.valore4));
    }
    // A station stop that still carries values 2 to 4 stands where a signal or indicator boards
    // stood before it: a signal when its approach codes, or a signal time, are still there.
    bool sotto = false;
    for (i64 k : celle_fermata) {
        const cella& c = r.percorso[static_cast<std::size_t>(k)];
        if (c.tempo_segnale == 0 && c.valore2 == 0 && c.valore3 == 0 && c.valore4 == 0) continue;
        bool segnale = c.tempo_segnale != 0;
        const i64 resto = ((c.valore4 % 10) + 10) % 10;
        for (i64 i = 1; i <= 4 && k >= 8 && !segnale; ++i) {
            const i64 codice = r.percorso[static_cast<std::size_t>(k - 2 * i)].preavviso;
            segnale = codice % 10 == i && ((codice - i) / 10) % 10 == resto;
        }
        if (segnale && k >= 8) {
            r.segnali_nascosti.insert(k);
            continue;
        }
        r.indicatori.push_back(riga_indicatori(metro_di_cella(regola_cella::punto, k), 0, c.valore2, c.valore3, c.valore4));
        sotto = true;
    }
    if (sotto)
        r.note.push_back(r.nome_percorso + ": station stops that keep values of indicator boards get those boards back "
                         "under them; their first code is not kept and written as 0");
    if (!r.segnali_nascosti.empty())
        r.note.push_back(r.nome_percorso + ": station stops that keep a signal's values get that signal back before the "
                         "station; its first values are not kept and written as 0");
}

std::string testo(const std::vector<std::vector<std::string>>& blocchi) {
    std::string t;
    for (const auto& b : blocchi)
        for (const std::string& riga : b) t += riga + "\r\n";
    return t;
}

std::string testo_linea(const ricostruzione& r) {
    return testo({{"[generale]"}, r.generale_linea, {"[curve]"}, r.curve, {"[pendenze]"}, r.pendenze, {"[montagne]"},
                  r.montagne, {"[cartelli]"}, r.indicatori, {"[indicazioni]"}, r.cartelli, {"[fine]"}});
}

// The stations come first, as an author lists them; with `stazioni_ultime` after every other
// entry, for a set where a station's approach codes overwrote a signal's.
std::string testo_servizio(const ricostruzione& r, bool stazioni_ultime) {
    const std::vector<std::string> vuoto;
    const std::vector<std::string> intestazione{"[stazioni]"};
    return testo({{"[generale]"}, r.generale_servizio, {"[aderenze]"}, r.aderenze, {"[vel_limite]"}, r.velocita,
                  stazioni_ultime ? vuoto : intestazione, stazioni_ultime ? vuoto : r.stazioni, {"[rallentamenti]"},
                  r.rallentamenti, {"[segnali]"}, r.segnali, {"[codici]"}, r.abbattimenti,
                  stazioni_ultime ? intestazione : vuoto, stazioni_ultime ? r.stazioni : vuoto, {"[fine]"}});
}

// The order of the stations and signals that leaves on every cell the approach code it holds:
// the entry read last writes it. Stations keep their own order (it numbers their slots);
// otherwise stations come first and signals by position, as far as the codes allow. Entries
// are numbered stations first (0 to S - 1), then signals; nullopt when no order gives the codes.
std::optional<std::vector<std::size_t>> ordine_avvisi(const ricostruzione& r, int stazioni) {
    const std::size_t n_stazioni = static_cast<std::size_t>(stazioni);
    const std::size_t voci = n_stazioni + r.celle_segnali.size();
    std::map<i64, std::vector<std::pair<std::size_t, i64>>> scritture;  // cell: entry, code
    for (std::size_t j = 0; j < n_stazioni; ++j) {
        const slot_servizio& s = r.servizio[j + 1];
        if (s.tipo_stazione >= 25 || s.tipo_stazione == 5 || s.tipo_stazione == 6) continue;
        for (int i = 1; i <= celle_approccio; ++i)
            if (const std::optional<i64> k = cella_approccio_stazione(s.fine, i))
                scritture[*k].emplace_back(j, codifica_approccio_stazione(i));
    }
    for (std::size_t g = 0; g < r.celle_segnali.size(); ++g)
        for (i64 i = 1; i <= 4; ++i)
            scritture[r.celle_segnali[g].first - 2 * i].emplace_back(n_stazioni + g, r.celle_segnali[g].second * 10 + i);
    std::vector<std::vector<std::size_t>> dopo(voci);
    std::vector<int> prima(voci, 0);
    auto arco = [&](std::size_t a, std::size_t b) {
        dopo[a].push_back(b);
        ++prima[b];
    };
    for (std::size_t j = 1; j < n_stazioni; ++j) arco(j - 1, j);
    for (std::size_t g = 0; g < r.celle_segnali.size(); ++g) {
        const i64 k = r.celle_segnali[g].first;
        if (!r.segnali_nascosti.count(k)) continue;
        const i64 j = r.percorso[static_cast<std::size_t>(k)].valore1;
        if (j >= 1 && j <= stazioni) arco(n_stazioni + g, static_cast<std::size_t>(j - 1));
    }
    for (const auto& [k, chi] : scritture) {
        if (k < 0 || k > r.n_celle) continue;
        const i64 codice = r.percorso[static_cast<std::size_t>(k)].preavviso;
        std::optional<std::size_t> ultima;
        for (const auto& [voce, valore] : chi)
            if (valore == codice && (!ultima || voce > *ultima)) ultima = voce;
        if (!ultima) return std::nullopt;
        for (const auto& [voce, valore] : chi)
            if (valore != codice) arco(voce, *ultima);
    }
    std::vector<std::size_t> ordine;
    std::set<std::size_t> pronte;
    for (std::size_t v = 0; v < voci; ++v)
        if (prima[v] == 0) pronte.insert(v);
    while (!pronte.empty()) {
        const std::size_t v = *pronte.begin();
        pronte.erase(pronte.begin());
        ordine.push_back(v);
        for (std::size_t w : dopo[v])
            if (--prima[w] == 0) pronte.insert(w);
    }
    if (ordine.size() != voci) return std::nullopt;
    return ordine;
}

// The service in the given order of stations and signals: the entries up to the last station
// under "[stazioni]", the signals after it under "[segnali]".
std::string testo_servizio_ordinato(const ricostruzione& r, const std::vector<std::size_t>& ordine) {
    const std::size_t n_stazioni = r.stazioni.size();
    std::size_t ultima_stazione = 0;
    for (std::size_t i = 0; i < ordine.size(); ++i)
        if (ordine[i] < n_stazioni) ultima_stazione = i + 1;
    std::vector<std::string> prime, seguenti;
    for (std::size_t i = 0; i < ordine.size(); ++i) {
        const std::string& riga = ordine[i] < n_stazioni ? r.stazioni[ordine[i]] : r.segnali[ordine[i] - n_stazioni];
        (i < ultima_stazione ? prime : seguenti).push_back(riga);
    }
    return testo({{"[generale]"}, r.generale_servizio, {"[aderenze]"}, r.aderenze, {"[vel_limite]"}, r.velocita,
                  {"[stazioni]"}, prime, {"[rallentamenti]"}, r.rallentamenti, {"[segnali]"}, seguenti, {"[codici]"},
                  r.abbattimenti, {"[fine]"}});
}

std::string nome_campo_cella(std::size_t campo) { return layout_cella[campo].nome; }

std::string differenza_percorso(const scenario_compilato& c, const std::string& nuovo) {
    if (c.percorso == nuovo) return {};
    std::vector<cella> a, b;
    std::string motivo;
    leggi_file_percorso(c.percorso, a, motivo);
    leggi_file_percorso(nuovo, b, motivo);
    for (std::size_t k = 0; k < a.size() && k < b.size(); ++k)
        for (std::size_t f = 0; f < layout_cella.size(); ++f)
            if (layout_cella[f].leggi(a[k]) != layout_cella[f].leggi(b[k]))
                return c.nome_percorso + ": cell " + n(static_cast<i64>(k)) + " (" + nome_campo_cella(f) +
                       ") could not be matched: stored " + n(layout_cella[f].leggi(a[k])) + ", no description gives it (" +
                       n(layout_cella[f].leggi(b[k])) + " came back)";
    return c.nome_percorso + ": the route of " + n(static_cast<i64>(a.size())) + " cells could not be matched (" +
           n(static_cast<i64>(b.size())) + " came back)";
}

std::string differenza_servizio(const scenario_compilato& c, const std::string& nuovo) {
    if (c.servizio == nuovo) return {};
    std::array<slot_servizio, n_slot> a{}, b{};
    std::string motivo;
    leggi_file_servizio(c.servizio, a, motivo);
    leggi_file_servizio(nuovo, b, motivo);
    for (std::size_t k = 0; k < a.size(); ++k) {
        for (const campo_slot& f : layout_slot) {
            const bool diverso = f.byte == 0 ? a[k].nome != b[k].nome : f.leggi(a[k]) != f.leggi(b[k]);
            if (diverso)
                return c.nome_servizio + ": slot " + n(static_cast<i64>(k)) + " (" + f.nome +
                       ") could not be matched by any description";
        }
    }
    return c.nome_servizio + ": the slot table could not be matched";
}

std::string differenza_piano(const scenario_compilato& c, const std::string& nuovo) {
    if (c.piano == nuovo) return {};
    std::vector<elemento_linea> ax, ay, bx, by;
    std::string motivo;
    leggi_file_linea(c.piano, ax, ay, motivo);
    leggi_file_linea(nuovo, bx, by, motivo);
    for (std::size_t m = 0; m < ax.size() && m < bx.size(); ++m) {
        auto uguale = [](const elemento_linea& p, const elemento_linea& q) {
            return p.genere == q.genere && stessi_bit(p.valore, q.valore);
        };
        if (!uguale(ax[m], bx[m]) || !uguale(ay[m], by[m]))
            return c.nome_piano + ": metre " + n(static_cast<i64>(m)) + " could not be matched by any curve";
    }
    return c.nome_piano + ": the plan of " + n(static_cast<i64>(ax.size())) + " metres could not be matched (" +
           n(static_cast<i64>(bx.size())) + " came back)";
}

}  // namespace

std::string confronta_ricompilazione(const scenario_compilato& c, const std::string& linea,
                                     const std::string& servizio, const std::string& scenario,
                                     const std::string& treno) {
    stato_build s;
    s.scenario = scenario;
    s.treno = treno;
    const descrizioni d = descrizioni_in_memoria("line", linea, "service", servizio);
    std::int32_t fatale = 0;
    try {
        fatale = compila(s, {.piano = c.con_piano}, d);
    } catch (const errore_esecuzione& e) {
        return c.nome_percorso + ": could not be matched: the descriptions build no route (" + e.messaggio + ")";
    }
    if (fatale != 0)
        return c.nome_percorso + ": cell 1 could not be matched: recompiling stops with error " + n(fatale);
    std::string d1 = differenza_percorso(c, serializza_percorso(s.percorso));
    if (!d1.empty()) return d1;
    std::string d2 = differenza_servizio(c, serializza_servizio(s.servizio));
    if (!d2.empty()) return d2;
    if (c.con_piano) return differenza_piano(c, serializza_linea(s.linea));
    return {};
}

esito_decompilazione decompila(const scenario_compilato& c) {
    esito_decompilazione e;
    ricostruzione r;
    r.nome_percorso = c.nome_percorso;
    r.nome_servizio = c.nome_servizio;
    r.nome_piano = c.nome_piano;
    std::string motivo;
    if (!leggi_file_percorso(c.percorso, r.percorso, motivo)) {
        e.problema = c.nome_percorso + ": not a route file: " + motivo;
        return e;
    }
    if (!leggi_file_servizio(c.servizio, r.servizio, motivo)) {
        e.problema = c.nome_servizio + ": not a slot table: " + motivo;
        return e;
    }
    std::vector<elemento_linea> x, y;
    if (c.con_piano && !leggi_file_linea(c.piano, x, y, motivo)) {
        e.problema = c.nome_piano + ": not a plan file: " + motivo;
        return e;
    }
    e.letto = true;
    e.scenario = r.servizio[slot_scenario].nome;
    e.treno = r.servizio[slot_treno].nome;

    r.n_celle = static_cast<i64>(r.percorso.size()) - 1;
    r.spiegata.assign(r.percorso.size(), false);
    r.lunghezza = r.servizio[slot_generale].fine;
    const bool lunghezza_valida = r.lunghezza >= 0 && r.lunghezza <= lunghezza_massima &&
                                  ultima_cella(r.lunghezza) == r.n_celle;
    if (!lunghezza_valida) {
        r.impossibile(c.nome_servizio + ": slot 84 (fine) could not be matched: a line of " + n(r.lunghezza) +
                      " m has no route of " + n(r.n_celle + 1) + " cells");
        r.lunghezza = std::clamp<i64>(metri_cella * r.n_celle - metri_oltre_fine, 0, lunghezza_massima);
    }

    // The stamps follow from the names; they are taken away and stamped again on recompiling.
    slot_servizio& timbri = r.servizio[slot_scenario];
    if (timbri.campo7 != marcatore_servizio)
        r.impossibile(c.nome_servizio + ": slot 85 (campo7) could not be matched: no build marker 610");
    if (r.percorso.size() > 1 && r.percorso[1].valore1 != marcatore_percorso)
        r.impossibile(c.nome_percorso + ": cell 1 (valore1) could not be matched: no build marker 5121");
    timbri.campo7 = 0;
    timbri.orario = 0;
    if (r.percorso.size() > 1) {
        r.percorso[1].valore1 = 0;
        r.percorso[1].valore2 = 0;
    }

    ricostruisci_generale(r);
    if (c.con_piano)
        ricostruisci_curve(r, x, y);
    else
        r.note.push_back(c.nome_percorso + ": no plan file: the line is written straight, since its curves are kept "
                         "only in the plan");
    const ricostruzione& rc = r;
    std::vector<std::string> note_profili;
    r.pendenze = profilo(rc, "pendenza", &cella::pendenza, [](std::uint8_t v) { return i64{decodifica_pendenza(v)}; }, note_profili);
    r.aderenze = profilo(rc, "aderenza", &cella::aderenza, [](std::uint8_t v) { return i64{v}; }, note_profili);
    r.velocita = profilo(rc, "velocita", &cella::velocita_limite, [](std::uint8_t v) { return i64{decodifica_velocita(v)}; },
                         note_profili);
    r.note.insert(r.note.end(), note_profili.begin(), note_profili.end());
    ricostruisci_montagne(r);

    const spartizione sp = spartisci(r);
    std::vector<i64> celle_fermata;
    ricostruisci_stazioni(r, sp, celle_fermata);
    ricostruisci_indicatori(r, celle_fermata);
    ricostruisci_cartelli(r, sp, celle_fermata);
    ricostruisci_rallentamenti(r);
    const tabelle_utente u = togli_passata(r);
    ricostruisci_abbattimenti(r, u);
    ricostruisci_segnali(r, false, true);

    for (std::size_t k = 0; k < r.percorso.size(); ++k) {
        const std::uint8_t t = r.percorso[k].tipo_cella;
        if (t != tipo::libera && !r.spiegata[k])
            r.impossibile(c.nome_percorso + ": " + cella_txt(static_cast<i64>(k)) + " (tipo_cella) could not be matched: a "
                          "cell of type " + n(t) + " that no entry places there");
    }

    e.scenario = r.servizio[slot_scenario].nome;
    e.linea = testo_linea(r);
    const std::optional<std::vector<std::size_t>> ordine = ordine_avvisi(r, sp.stazioni);
    e.servizio = ordine ? testo_servizio_ordinato(r, *ordine) : testo_servizio(r, false);

    // The candidate is checked by compiling it; the other orders of the entries that the
    // bytes allow are tried when it does not give the same bytes.
    std::string differenza = confronta_ricompilazione(c, e.linea, e.servizio, e.scenario, e.treno);
    if (!differenza.empty()) {
        const std::array<std::pair<bool, bool>, 4> ordini{{{false, false}, {true, false}, {false, true}, {true, true}}};
        for (const auto& [stazioni_ultime, discendenti] : ordini) {
            ricostruisci_segnali(r, discendenti, false);
            const std::string alternativa = testo_servizio(r, stazioni_ultime);
            if (confronta_ricompilazione(c, e.linea, alternativa, e.scenario, e.treno).empty()) {
                e.servizio = alternativa;
                differenza.clear();
                break;
            }
        }
    }
    e.note = r.note;
    if (differenza.empty()) {
        e.riprodotto = true;
    } else {
        e.problema = r.problema.empty() ? differenza : r.problema;
    }
    return e;
}
