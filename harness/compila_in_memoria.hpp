// The whole compile step on descriptions held in memory, as the tests, the fuzz harnesses and
// the benchmarks run it: no file is read, deleted or written.
#pragma once

#include <cctype>
#include <cstdint>
#include <sstream>
#include <string>

#include "builder/costruzione.hpp"
#include "tools/dump.hpp"
#include "tools/plot.hpp"
#include "scenario/dati_linea.hpp"
#include "format/file_binari.hpp"
#include "scenario/dati_treno.hpp"

// An input that starts with '+' asks for the line plan; the rest is the description.
inline bool chiede_piano(std::string& testo) {
    if (testo.empty() || testo[0] != '+') return false;
    testo.erase(0, 1);
    return true;
}

// The plan costs time in proportion to the line length: a description holding a number
// above 60000 is compiled without it, so that one execution stays fast.
inline bool numeri_piccoli(const std::string& testo) {
    std::int64_t n = 0;
    for (char c : testo) {
        if (std::isdigit(static_cast<unsigned char>(c))) {
            n = n * 10 + (c - '0');
            if (n > 60000) return false;
        } else {
            n = 0;
        }
    }
    return true;
}

struct esito_in_memoria {
    bool percorso = false;     // the route was created
    std::int32_t fatale = 0;   // 1250 or 1251
    std::int32_t stato = 0;    // the build status
    std::size_t byte = 0;      // total size of the serialised files
};

inline esito_in_memoria compila_in_memoria(const std::string& linea, const std::string& servizio, bool piano) {
    stato_build s;
    s.scenario = "Sorvanta";
    s.treno = "E48027";
    const descrizioni d = descrizioni_in_memoria("linea", linea, "servizio", servizio);
    esito_in_memoria e;
    try {
        e.fatale = compila(s, {.piano = piano && numeri_piccoli(linea)}, d);
    } catch (const errore_esecuzione&) {
        e.stato = s.resoconto.errore_numero;
        return e;
    }
    e.percorso = true;
    e.stato = s.resoconto.errore_numero;
    if (e.fatale == 0) {
        // The plan's bytes depend only on its length, which the unit tests cover; writing them
        // out here would take most of each execution.
        e.byte = serializza_percorso(s.percorso).size() + serializza_servizio(s.servizio).size();
    }
    return e;
}

struct file_compilati {
    std::string linea;     // the plan file
    std::string servizio;  // the slot table file
    std::string percorso;  // the route file
    std::int32_t stato = 0;
};

// The bytes of the three files, as the plain build would write them (empty when a fatal
// error stops the build).
inline file_compilati compila_e_serializza(const std::string& linea, const std::string& servizio) {
    stato_build s;
    s.scenario = "Sorvanta";
    s.treno = "E48027";
    const descrizioni d = descrizioni_in_memoria("linea", linea, "servizio", servizio);
    file_compilati f;
    if (compila(s, {.piano = true}, d) != 0) return f;
    f.linea = serializza_linea(s.linea);
    f.servizio = serializza_servizio(s.servizio);
    f.percorso = serializza_percorso(s.percorso);
    f.stato = s.resoconto.errore_numero;
    return f;
}

inline const std::string& linea_incorporata() {
    static const std::string testo = testo_documento(righe_linea());
    return testo;
}

inline const std::string& servizio_incorporato() {
    static const std::string testo = testo_documento(righe_treno());
    return testo;
}

// dump on arbitrary bytes: the first byte chooses the kind of file, the format and decoded or
// raw values; the rest is the file. Returns whether the file was listed; `out` and `errore_dump` get what dump said.
inline bool dump_in_memoria(const std::string& ingresso, std::ostream& out, std::string& errore_dump) {
    if (ingresso.empty()) return false;
    const unsigned char scelta = static_cast<unsigned char>(ingresso[0]);
    const char* nomi[] = {"x_linea.dat", "x_E1.sim", "x_E1.dat"};
    return dump_bytes(nomi[scelta % 3], ingresso.substr(1), (scelta & 4) ? dump_format::json : dump_format::text,
                      (scelta & 8) ? dump_values::raw : dump_values::decoded, out, errore_dump);
}

inline void dump_in_memoria(const std::string& ingresso) {
    std::ostringstream out;
    std::string errore_dump;
    dump_in_memoria(ingresso, out, errore_dump);
}

// A short scenario with one of every object the picture draws: two kilometre references, curves
// both ways, gradients, a mountain with markers, a sign board, speed indicator boards, stations, a
// signal and a slow slowdown with its warning.
inline const file_compilati& scenario_da_disegnare() {
    static const file_compilati f = compila_e_serializza(
        "[generale]\r\nlunghezza percorso, 4000\r\nprogressiva chilometrica uno, 0, 150300, 1\r\n"
        "progressiva chilometrica due, 2000, 12000, 0\r\n[curve]\r\ncurvas6, 350, 100\r\ncurvad4, 600, 200\r\n"
        "pendenza, 0, 5\r\npendenza, 800, -3\r\nmontagna, 200, 900, 12\r\n"
        "cartello_indicatore, 500, (PONTE SUL)(FIUME)\r\n"
        "indicatori_vmax, 1000, 95, 100, 105, 0, 95, 100, 105, 0\r\n[fine]\r\n",
        "[generale]\r\naderenza, 0, 100\r\nvelocita, 0, 60\r\nvelocita, 700, 100\r\n"
        "stazione, 0, 8, 300, 1, 0, 0, 5,6,0, 2,1,1, 1, 10,15,0, PARTENZA\r\n"
        "stazione, 3000, 12, 300, 0, 0, 0, 1,1,0, 4,1,1, 0, 10,30,0, ARRIVO\r\n"
        "segnale, 1450, 2, 2, 5, 6, 1, 2, 2,1,0, 0\r\n"
        "rallentamento, 2500, 30, 400, 1, 1, 0\r\n[fine]\r\n");
    return f;
}

// plot on arbitrary bytes. First byte even: the rest is the three files, the slot file and
// the route file each behind a 3-byte length, the plan last (none when bit 1 is clear). First
// byte odd: the rest is a list of 11-byte edits (file, 16-bit offset, 8 bytes) applied to the
// short scenario above, whose sizes then fit: hostile values inside well-formed files.
inline bool plot_in_memoria(const std::string& ingresso, std::string* svg = nullptr, std::string* motivo = nullptr) {
    if (ingresso.empty()) return false;
    const unsigned char scelta = static_cast<unsigned char>(ingresso[0]);
    named_bytes piano{"x_linea.dat", {}}, slot{"x_E1.sim", {}}, percorso{"x_E1.dat", {}};
    bool con_piano = true;
    if ((scelta & 1) == 0) {
        std::size_t at = 1;
        auto lunghezza = [&]() {
            std::size_t n = 0;
            for (int i = 0; i < 3 && at < ingresso.size(); ++i, ++at)
                n |= static_cast<std::size_t>(static_cast<unsigned char>(ingresso[at])) << (8 * i);
            return n;
        };
        const std::size_t n_slot_file = lunghezza();
        const std::size_t n_percorso = lunghezza();
        slot.bytes = ingresso.substr(std::min(at, ingresso.size()), n_slot_file);
        at = std::min(at + n_slot_file, ingresso.size());
        percorso.bytes = ingresso.substr(at, n_percorso);
        at = std::min(at + n_percorso, ingresso.size());
        piano.bytes = ingresso.substr(at);
        con_piano = (scelta & 2) != 0;
    } else {
        const file_compilati& base = scenario_da_disegnare();
        piano.bytes = base.linea;
        slot.bytes = base.servizio;
        percorso.bytes = base.percorso;
        for (std::size_t at = 1; at + 11 <= ingresso.size(); at += 11) {
            std::string& file = ingresso[at] % 3 == 0 ? piano.bytes : ingresso[at] % 3 == 1 ? slot.bytes : percorso.bytes;
            const std::size_t offset = (static_cast<std::size_t>(static_cast<unsigned char>(ingresso[at + 1])) |
                                        static_cast<std::size_t>(static_cast<unsigned char>(ingresso[at + 2])) << 8) *
                                       (ingresso[at] % 3 == 0 ? 4 : 1);
            if (file.empty()) continue;
            for (std::size_t i = 0; i < 8; ++i) file[(offset + i) % file.size()] = ingresso[at + 3 + i];
        }
    }
    scenario_to_plot s;
    std::string errore;
    if (!prepare_plot(con_piano ? &piano : nullptr, slot, percorso, "x_E1", s, errore)) {
        if (motivo) *motivo = errore;
        return false;
    }
    std::string disegno = plot_svg(s);
    if (svg) *svg = std::move(disegno);
    return true;
}
