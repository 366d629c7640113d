// The diagnostics engine against the compile: whenever the compile records a status, check
// reports an error carrying it at the same file and line; when it records none, no error of
// check carries one. Then the engine's findings for a table of author mistakes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "bench/scenario_generato.hpp"
#include "diagnostics/diagnostica.hpp"
#include "harness/compila_in_memoria.hpp"

namespace {

std::string leggi(const std::filesystem::path& p) {
    std::ifstream f(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

std::string descrivi(const analisi& a) {
    std::string r;
    for (const rilievo& d : a.diagnostiche)
        r += std::string(d.file == quale_file::linea ? "linea" : "servizio") + ":" + std::to_string(d.riga) + ":" +
             std::to_string(d.colonna) + " " + (d.severita == gravita::errore ? "error" : "warning") + " [" +
             std::to_string(d.stato) + "] " + d.messaggio + "\n";
    return r;
}

// The agreement property for one pair of descriptions; returns an explanation when it fails.
std::string accordo(const std::string& linea, const std::string& servizio, bool piano) {
    stato_build s;
    s.scenario = "Sorvanta";
    s.treno = "E48027";
    const descrizioni d = descrizioni_in_memoria("linea", linea, "servizio", servizio);
    std::int32_t fatale = 0;
    try {
        fatale = compila(s, piano ? 1 : 0, d);
    } catch (const errore_esecuzione&) {
    }
    opzioni_analisi o;
    o.piano = piano;
    const analisi a = analizza(&linea, &servizio, o);
    auto stesso_luogo = [&](const rilievo& r) {
        switch (s.errore_descrizione) {
            case descrizione::linea: return r.file == quale_file::linea && r.riga == s.errore_riga;
            case descrizione::servizio: return r.file == quale_file::servizio && r.riga == s.errore_riga;
            case descrizione::nessuna: break;
        }
        return true;
    };
    std::string errore;
    if (s.errore_numero != 0) {
        bool trovato = false;
        for (const rilievo& r : a.diagnostiche)
            trovato = trovato || (r.severita == gravita::errore && r.stato == s.errore_numero && stesso_luogo(r));
        if (!trovato)
            errore = "the compile records status " + std::to_string(s.errore_numero) + " at " +
                     (s.errore_descrizione == descrizione::linea      ? "linea"
                      : s.errore_descrizione == descrizione::servizio ? "servizio"
                                                                      : "the pass") +
                     ":" + std::to_string(s.errore_riga) + "; check says:\n" + descrivi(a);
    } else {
        for (const rilievo& r : a.diagnostiche)
            if (r.stato != 0 && r.stato != fatale)
                errore = "the compile records no status; check says:\n" + descrivi(a);
    }
    if (fatale != 0) {
        bool trovato = false;
        for (const rilievo& r : a.diagnostiche) trovato = trovato || r.stato == fatale;
        if (!trovato) errore += "the compile stops with " + std::to_string(fatale) + "; check says:\n" + descrivi(a);
    }
    return errore;
}

std::vector<std::filesystem::path> file_in(const char* genere) {
    std::vector<std::filesystem::path> file;
    for (const char* cartella : {"corpus", "regressions"}) {
        const auto p = std::filesystem::path(GS_SOURCE_DIR) / "fuzz" / cartella / genere;
        if (!std::filesystem::exists(p)) continue;
        for (const auto& f : std::filesystem::directory_iterator(p))
            if (f.is_regular_file() && f.path().filename().string()[0] != '.') file.push_back(f.path());
    }
    return file;
}

// Small edits of the kind an author makes: a digit changed, a field or a comma lost, a line
// repeated or dropped, a number made large.
std::string muta(const std::string& t, std::mt19937& g) {
    std::string r = t;
    if (r.empty()) return r;
    auto a_caso = [&](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(g); };
    const std::size_t scelta = a_caso(9);
    const std::size_t i = a_caso(r.size());
    switch (scelta) {
        case 0:
            if (r[i] >= '0' && r[i] <= '9') r[i] = static_cast<char>('0' + a_caso(10));
            else r.insert(i, 1, static_cast<char>('0' + a_caso(10)));
            break;
        case 1: {
            const std::size_t c = r.find(',', i);
            if (c != std::string::npos) r.erase(c, 1);
            break;
        }
        case 2: {
            const std::size_t a = r.rfind('\n', i);
            const std::size_t b = r.find('\n', i);
            if (a != std::string::npos && b != std::string::npos) r.insert(b + 1, r.substr(a + 1, b - a));
            break;
        }
        case 3: {
            const std::size_t a = r.rfind('\n', i);
            const std::size_t b = r.find('\n', i);
            if (a != std::string::npos && b != std::string::npos) r.erase(a + 1, b - a);
            break;
        }
        case 4: {
            const std::size_t c = r.find(',', i);
            if (c != std::string::npos) r.insert(c + 1, " 99999");
            break;
        }
        case 5: {
            const std::size_t c = r.find(',', i);
            if (c != std::string::npos) r.insert(c + 1, a_caso(2) ? " -70000" : " 3000000000");
            break;
        }
        case 6: r.erase(i, std::min<std::size_t>(r.size() - i, a_caso(12))); break;
        case 7: {
            const char* voci[] = {"segnale, 1450, 2, 2, 5, 6, 1, 2, 2,1,0, 0\r\n", "abbattimento, 60, 80\r\n",
                                  "rallentamento, 5000, 60, 400, 1, 1, 30\r\n", "cartello_indicatore, 1450, (X)\r\n",
                                  "stazione, 2050, 12, 300, 0, 0, 0, 1,1,0, 4,1,1, 0, 0,0,0, A\r\n",
                                  "pendenza, 300, 400\r\n", "velocita, 700, 1300\r\n", "\"quoted, text\r\n"};
            const std::size_t b = r.find('\n', i);
            if (b != std::string::npos) r.insert(b + 1, voci[a_caso(8)]);
            break;
        }
        case 8: r[i] = "-,\" \r\n[]"[a_caso(8)]; break;
    }
    return r;
}

TEST(Diagnostica, AccordoConLaCompilazione) {
    std::vector<std::pair<std::string, std::string>> coppie;
    coppie.emplace_back(linea_incorporata(), servizio_incorporato());
    coppie.emplace_back(leggi(std::filesystem::path(GS_SOURCE_DIR) / "examples/Sorvanta_linea.txt"),
                        leggi(std::filesystem::path(GS_SOURCE_DIR) / "examples/Sorvanta_E48027-.txt"));
    for (const auto& p : file_in("linea")) {
        std::string t = leggi(p);
        chiede_piano(t);
        coppie.emplace_back(t, servizio_incorporato());
    }
    for (const auto& p : file_in("servizio")) {
        std::string t = leggi(p);
        chiede_piano(t);
        coppie.emplace_back(linea_incorporata(), t);
    }
    for (std::int64_t lunghezza : {20000, 100000}) {
        const descrizioni_generate g = genera_descrizioni(lunghezza);
        coppie.emplace_back(g.linea, g.servizio);
    }
    for (const auto& [linea, servizio] : coppie) {
        const bool piano = numeri_piccoli(linea);
        EXPECT_EQ(accordo(linea, servizio, piano), "") << linea.substr(0, 200) << "\n---\n" << servizio.substr(0, 200);
    }
    // Each pair again with edits, one file at a time or both.
    std::mt19937 g(15);
    const std::size_t basi = coppie.size();
    int fallite = 0;
    for (int k = 0; k < 1200 && fallite < 5; ++k) {
        const auto& [linea, servizio] = coppie[static_cast<std::size_t>(k) % basi];
        std::string l = linea, s = servizio;
        const int quali = k % 3;
        for (int n = 0; n < 1 + k % 4; ++n) {
            if (quali != 1) l = muta(l, g);
            if (quali != 0) s = muta(s, g);
        }
        const bool piano = k % 2 == 0 && numeri_piccoli(l);
        const std::string e = accordo(l, s, piano);
        if (!e.empty()) {
            ++fallite;
            ADD_FAILURE() << e << "\n=== line\n" << l << "\n=== service\n" << s;
        }
    }
}

}  // namespace
