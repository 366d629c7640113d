// A line and a service generated at a given length, for the benchmarks: a curve every 300 m,
// a gradient change every 1000 m, a signal every 1000 m, 40 sign boards, 38 stations (the slot
// table's limit beside 40 signs), 80 mountain stretches, speed indicator boards and slowdowns,
// all on cells of their own.
#pragma once

#include <cstdint>
#include <string>

struct descrizioni_generate {
    std::string linea;
    std::string servizio;
};

inline descrizioni_generate genera_descrizioni(std::int64_t lunghezza) {
    auto n = [](std::int64_t v) { return std::to_string(v); };
    descrizioni_generate d;
    std::string& l = d.linea;
    l += "[generale]\r\nlunghezza percorso,    " + n(lunghezza) + "\r\n";
    l += "progressiva chilometrica uno,    0,    150300,    1\r\n";
    l += "sfondo tre,    1\r\nripetizione segnali 4 codici,    0,    " + n(lunghezza / 50 * 40) + "\r\n[curve]\r\n";
    for (std::int64_t p = 300, k = 0; p + 150 <= lunghezza; p += 300, ++k)
        l += std::string(k % 2 ? "curvas" : "curvad") + n(1 + k % 6) + ",  " + n(p) + ",  150\r\n";
    l += "[pendenze]\r\n";
    for (std::int64_t p = 0, k = 0; p < lunghezza; p += 1000, ++k) l += "pendenza,  " + n(p) + ",  " + n(k % 4) + "\r\n";
    // Signals take the cells 20k + 10; everything else keeps off them.
    const std::int64_t passo_montagne = lunghezza / 80;
    l += "[montagne]\r\n";
    for (std::int64_t k = 0; k < 80; ++k)
        l += "montagna,  " + n(k * passo_montagne + 100) + ",  " + n(k * passo_montagne + passo_montagne / 2) +
             ",  12\r\n";
    l += "[cartelli]\r\n";
    for (std::int64_t p = 2750; p + 1000 < lunghezza; p += 5000)  // cells 100k + 56
        l += "indicatori_vmax,  " + n(p) + ",  95,  100,  105,  0,  ,  ,  ,  0\r\n";
    l += "[indicazioni]\r\n";
    const std::int64_t passo_cartelli = lunghezza / 40 / 1000 * 1000;
    for (std::int64_t k = 0; k < 40; ++k)  // cells 20m + 2
        l += "cartello_indicatore,  " + n(k * passo_cartelli + 50) + ",   (P.L.    )(Km " + n(k) + ")\r\n";
    l += "[fine]\r\n";

    std::string& s = d.servizio;
    s += "[generale]\r\nnumero vetture,    6\r\npercentuale massa frenata,    130\r\nsabbia,    300\r\n";
    s += "orologio,    10 14 20\r\naderenza,   0,    100\r\n";
    for (std::int64_t p = 0, k = 0; p < lunghezza; p += 10000, ++k) s += "velocita,  " + n(p) + ",  " + n(60 + 5 * (k % 8)) + "\r\n";
    s += "[stazioni]\r\n";
    const std::int64_t passo_stazioni = lunghezza / 38 / 1000 * 1000;
    for (std::int64_t k = 0; k < 38; ++k)  // stop markers in the cells 20m + 15
        s += "stazione,  " + n(k * passo_stazioni + 650) + ", 12,  300,  0, 0, 0,  1,1,0,  4,1,1,    0,   0, 0, 0, "
             "STAZIONE " + n(k + 1) + "\r\n";
    s += "[rallentamenti]\r\n";
    const std::int64_t passo_rallentamenti = lunghezza / 20 / 1000 * 1000;
    for (std::int64_t k = 1; k < 20; ++k)  // start in 20m + 12, end 20m + 16, warning 20m + 8, pre-warning 20m + 4 to 7
        s += "rallentamento,  " + n(k * passo_rallentamenti + 550) + ",  60,  200,  1,  1,  30\r\n";
    s += "[segnali]\r\n";
    for (std::int64_t p = 450; p + 100 < lunghezza; p += 1000) s += "segnale,  " + n(p) + ",   2, 4, 1,  0, 0,    0,  0,0,0, 0\r\n";
    s += "[fine]\r\n";
    return d;
}
