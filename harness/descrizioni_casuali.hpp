// Random line and service descriptions for the round-trip property of decompile: every kind
// of entry, at positions that are not always multiples of 50, with values across their
// fields' ranges (low-bit values, boards at or above 180, mountains close together, curves
// back to back). Most compile without a status; the property only counts those that do.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <initializer_list>
#include <cstdint>
#include <random>
#include <set>
#include <string>
#include <vector>

struct descrizioni_casuali {
    std::string linea;
    std::string servizio;
};

// Takes the lines that start with one of `parole` out of `testo` and puts them back, in a random
// order, before its last line; the lines that start with `in_ordine` keep their own order.
inline std::string mescola(const std::string& testo, std::initializer_list<const char*> parole, const char* in_ordine,
                           std::mt19937& g) {
    std::vector<std::string> righe, mosse, ordinate;
    for (std::size_t da = 0; da < testo.size();) {
        std::size_t a = testo.find("\r\n", da);
        if (a == std::string::npos) a = testo.size();
        righe.push_back(testo.substr(da, a - da));
        da = a + 2;
    }
    std::string r;
    for (std::size_t i = 0; i + 1 < righe.size(); ++i) {
        bool mossa = false;
        for (const char* p : parole) mossa = mossa || righe[i].rfind(p, 0) == 0;
        if (!mossa)
            r += righe[i] + "\r\n";
        else if (in_ordine && righe[i].rfind(in_ordine, 0) == 0)
            ordinate.push_back(righe[i]);
        else
            mosse.push_back(righe[i]);
    }
    std::shuffle(mosse.begin(), mosse.end(), g);
    // The ordered lines go in at random places among the shuffled ones.
    std::size_t k = 0;
    for (const std::string& o : ordinate) {
        k = std::uniform_int_distribution<std::size_t>(k, mosse.size())(g);
        mosse.insert(mosse.begin() + static_cast<std::ptrdiff_t>(k), o);
        ++k;
    }
    for (const std::string& m : mosse) r += m + "\r\n";
    return r + righe.back() + "\r\n";
}

inline descrizioni_casuali genera_casuali(std::uint32_t seme) {
    std::mt19937 g(seme);
    auto tra = [&](std::int64_t a, std::int64_t b) {
        return std::uniform_int_distribution<std::int64_t>(a, b)(g);
    };
    auto n = [](std::int64_t v) { return std::to_string(v); };
    auto cella = [](double p) { return static_cast<std::int64_t>(std::nearbyint(p)); };
    auto r = [](std::int64_t v) { return static_cast<double>(v); };
    // Positions mostly on the 50 m grid, sometimes a little off it.
    auto posizione = [&](std::int64_t a, std::int64_t b) {
        std::int64_t p = tra(a / 50, b / 50) * 50;
        if (tra(0, 3) == 0) p += tra(-20, 20);
        return p;
    };

    descrizioni_casuali d;
    const std::int64_t lunghezza = tra(0, 4) == 0 ? tra(3000, 60000) : tra(60, 800) * 50;
    const std::int64_t n_celle = cella(static_cast<double>(lunghezza + 7000) / 50.0);
    const std::int64_t massima = 50 * n_celle - 100;  // the last position an entry may take
    std::set<std::int64_t> occupate;
    auto libere = [&](std::initializer_list<std::int64_t> celle) {
        for (std::int64_t c : celle)
            if (c < 2 || c > n_celle - 1 || occupate.count(c)) return false;
        for (std::int64_t c : celle) occupate.insert(c);
        return true;
    };

    std::string& l = d.linea;
    l += "[generale]\r\nlunghezza percorso,    " + n(lunghezza) + "\r\n";
    const char* nomi[] = {"uno", "due", "tre"};
    for (const char* nome : nomi) {
        if (tra(0, 2) == 0) continue;
        l += std::string("progressiva chilometrica ") + nome + ",    " + n(tra(0, 400) * 50) + ",    " +
             n(tra(-4000, 4000) * 50) + ",    " + n(tra(0, 1)) + "\r\n";
    }
    l += "sfondo uno,    " + n(tra(0, 3)) + "\r\nsfondo due,    " + n(tra(0, 3)) + "\r\nsfondo tre,    " + n(tra(0, 3)) +
         "\r\n";
    l += "ripetizione segnali " + std::string(tra(0, 1) ? "4" : "9") + " codici,    " + n(tra(0, 100) * 50) + ",    " +
         n(tra(0, 3) == 0 ? 0 : tra(0, 800) * 50) + "\r\n[curve]\r\n";
    for (std::int64_t p = tra(0, 500); p < lunghezza;) {
        const std::int64_t lung = tra(1, 700);
        if (p + lung > lunghezza + 6900) break;
        l += std::string(tra(0, 1) ? "curvas" : "curvad") + n(tra(1, 6)) + ",  " + n(p) + ",  " + n(lung) + "\r\n";
        p += lung + (tra(0, 3) == 0 ? 0 : tra(1, 2000));
    }
    l += "[pendenze]\r\n";
    for (std::int64_t p = 0; p <= massima; p += tra(1, 3000))
        l += "pendenza,  " + n(p) + ",  " + n(tra(0, 5) == 0 ? tra(-100, 155) : tra(-5, 5)) + "\r\n";
    l += "[montagne]\r\n";
    for (std::int64_t p = tra(0, 3000), k = 0; p + 200 < lunghezza && k < 30; ++k) {
        const std::int64_t fine = p + tra(100, 2500);
        const std::int64_t t = tra(0, 5) == 0 ? tra(1, 40) : tra(1, 4) + (tra(0, 1) ? 10 : 0);
        l += "montagna,  " + n(p) + ",  " + n(fine) + ",  " + n(t) + "\r\n";
        p = fine + (tra(0, 4) == 0 ? tra(0, 150) : tra(151, 4000));
    }
    l += "[cartelli]\r\n";
    for (std::int64_t k = tra(0, 12); k > 0; --k) {
        const std::int64_t p = posizione(0, massima);
        if (!libere({cella(r(p) / 50.0 + 1)})) continue;
        auto v = [&] { return tra(0, 3) == 0 ? std::string() : n(tra(0, 30) * 5); };
        l += "indicatori_vmax,  " + n(p) + ",  " + v() + ",  " + v() + ",  " + v() + ",  " + n(tra(0, 3)) + ",  " +
             v() + ",  " + v() + ",  " + v() + ",  " + n(tra(0, 3)) + "\r\n";
    }
    l += "[indicazioni]\r\n";
    const std::int64_t cartelli = tra(0, 12);
    for (std::int64_t k = 0; k < cartelli; ++k) {
        const std::int64_t p = posizione(0, massima);
        if (!libere({cella(r(p) / 50.0 + 1)})) continue;
        std::string testo = "(P.L.  )(Km " + n(tra(0, 99)) + "." + n(tra(100, 999)) + ")";
        if (tra(0, 5) == 0) testo = "\"  (VIA, " + n(k) + ")\"";
        l += "cartello_indicatore,  " + n(p) + ",   " + testo + "\r\n";
    }
    l += "[fine]\r\n";

    std::string& s = d.servizio;
    s += "[generale]\r\nnumero vetture,    " + n(tra(1, 12)) + "\r\npercentuale massa frenata,    " + n(tra(50, 160)) +
         "\r\nsabbia,    " + n(tra(-500, 3000)) + "\r\norologio,    " + n(tra(0, 23)) + " " + n(tra(0, 59)) + " " +
         n(tra(0, 59)) + "\r\n[aderenze]\r\n";
    for (std::int64_t p = 0; p <= massima; p += tra(1, 8000)) s += "aderenza,  " + n(p) + ",  " + n(tra(0, 300)) + "\r\n";
    s += "[vel_limite]\r\n";
    for (std::int64_t p = 0; p <= massima; p += tra(1, 5000)) s += "velocita,  " + n(p) + ",  " + n(tra(0, 250)) + "\r\n";

    s += "[stazioni]\r\n";
    const std::int64_t tipi[] = {8, 11, 12, 24, 5, 6, 7, 30, 0};
    std::int64_t fine_precedente = -1000000;
    for (std::int64_t p = tra(2, 20) * 50, j = 1; p + 800 <= 50 * n_celle && j < 20; ++j) {
        const std::int64_t t = tipi[tra(0, 8)];
        const std::int64_t lung = tra(1, 8) * 100;
        const std::int64_t c6 = tra(0, 1);
        std::int64_t inizio, fine;
        if (t == 5 || t == 6) {
            inizio = p - lung;
            fine = p + 150;
        } else if (t == 7 || t == 8) {
            inizio = p - lung;
            fine = p + lung;
        } else {
            inizio = p - lung / 2;
            fine = p + lung / 2 + (c6 != 0 && j > 1 ? 50 : 0);
        }
        if (inizio - 350 < fine_precedente || fine <= 100) {
            p += 500;
            continue;
        }
        if (t < 25) occupate.insert(cella(r(fine) / 50.0 - 1));
        fine_precedente = fine;
        s += "stazione,  " + n(p) + ",  " + n(t) + ",  " + n(lung) + ",  " + n(tra(0, 1)) + ", " + n(tra(0, 3)) + ", " +
             n(c6) + ",  " + n(tra(0, 9)) + "," + n(tra(0, 9)) + "," + n(tra(0, 9)) + ",  " + n(tra(0, 9)) + "," +
             n(tra(0, 9)) + "," + n(tra(0, 9)) + ",  " + n(tra(0, 40)) + ",  " + n(tra(0, 23)) + "," + n(tra(0, 59)) +
             "," + n(tra(0, 59)) + ", " + (tra(0, 6) == 0 ? "\" STAZIONE, " + n(j) + "\"" : "STAZIONE " + n(j)) +
             "\r\n";
        p = fine + 350 + tra(0, 60) * 50 + (t == 5 || t == 6 || t == 7 || t == 8 ? 800 : lung / 2);
    }
    s += "[rallentamenti]\r\n";
    for (std::int64_t k = tra(0, 5); k > 0; --k) {
        const std::int64_t x = posizione(0, massima - 800);
        const std::int64_t lung = tra(0, 5) == 0 ? tra(-300, 60) : tra(1, 30) * 50;
        const std::int64_t f_ta = tra(0, 1);
        const std::int64_t inizio = cella(r(x) / 50.0 + 1), fine = cella((r(x) + r(lung)) / 50 + 1);
        if (fine > n_celle - 1) continue;
        const std::int64_t avviso = cella((r(x) - 1200.0) / 50 + 1), pre = cella((r(x) - 1200.0) / 50);
        bool ok;
        if (x <= 1500)
            ok = libere({inizio, fine});
        else if (f_ta == 0)
            ok = libere({inizio, fine, avviso});
        else
            ok = libere({inizio, fine, avviso, pre, pre - 1, pre - 2, pre - 3});
        if (!ok) continue;
        s += "rallentamento,  " + n(x) + ",  " + n(tra(0, 3) == 0 ? tra(-40000, 40000) : tra(2, 30) * 5) + ",  " +
             n(lung) + ",  " + n(tra(-3, 3)) + ",  " + n(f_ta) + ",  " + n(tra(0, 1) ? 0 : tra(-50, 100)) + "\r\n";
    }
    s += "[segnali]\r\n";
    for (std::int64_t p = tra(8, 30) * 50; p <= massima; p += tra(2, 60) * 50) {
        const std::int64_t q = p + (tra(0, 3) == 0 ? tra(-20, 20) : 0);
        if (!libere({cella(r(q) / 50.0 + 1)})) continue;
        const std::int64_t sx = tra(0, 2);
        const std::int64_t tempo = tra(0, 2) == 0 ? tra(0, 255) : 0;
        s += "segnale,  " + n(q) + ",   " + n(sx) + ", " + n(tra(0, 9)) + ", " + n(tra(0, 9)) + ", " + n(tra(0, 9)) +
             ",  " + n(tra(0, 4)) + ",  " + n(tra(0, 2)) + ",  " + n(tra(0, 9)) + "," + n(tra(0, 9)) + "," +
             n(tra(0, 9)) + ", " + n(tempo) + "\r\n";
    }
    s += "[codici]\r\n";
    for (std::int64_t k = tra(0, 6); k > 0; --k) {
        const std::int64_t p = posizione(0, massima);
        if (!libere({cella(r(p) / 50.0)})) continue;
        const std::int64_t scelta = tra(0, 4);
        const std::int64_t v = scelta == 0 ? 0 : scelta == 1 ? 180 : scelta == 2 ? tra(181, 70000) : tra(-70000, 179);
        s += "abbattimento,  " + n(p) + ",  " + n(v) + "\r\n";
    }
    s += "[fine]\r\n";

    // One set in three is written in a shuffled order, as an author may: the entries whose
    // order shows in the bytes only through what overwrites what (approach codes, the kind of
    // a mountain that starts close after the one before it, the slots of the sign texts).
    if (seme % 3 == 0) {
        d.linea = mescola(d.linea, {"montagna", "indicatori_vmax", "cartello_indicatore"}, nullptr, g);
        d.servizio = mescola(d.servizio, {"segnale", "rallentamento", "abbattimento", "stazione"}, "stazione", g);
    }
    return d;
}
