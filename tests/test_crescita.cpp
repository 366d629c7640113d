// How the cost of reading a description grows with its size: four times the input may cost about
// four times the time and memory, never the square. The shapes are those that once cost more than
// their size: commas, one mistake per line, blank lines, a very long line, an entry with
// thousands of fields, stations of empty fields.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "cartella_temporanea.hpp"
#include "lsp/answers.hpp"
#include "processo_sfondo.hpp"
#include "tests/ambiente.hpp"

namespace {

const std::string linea_sorvanta = leggi_file(std::string(GS_SOURCE_DIR) + "/examples/Sorvanta_linea.txt");
const std::string treno_sorvanta = leggi_file(std::string(GS_SOURCE_DIR) + "/examples/Sorvanta_E48027-.txt");

// The example's text up to `fino` (excluded), then `riga` repeated to about `byte` bytes, then [fine].
std::string gonfia(const std::string& base, const std::string& fino, const std::string& riga, std::size_t byte) {
    std::string t = base.substr(0, base.find(fino));
    t += fino + "\r\n";
    while (t.size() < byte) t += riga;
    return t + "[fine]\r\n";
}

struct forma {
    const char* nome;
    bool servizio;  // the grown file is the service (else the line)
    std::function<std::string(std::size_t)> testo;
};

void PrintTo(const forma& f, std::ostream* os) { *os << f.nome; }

const std::vector<forma>& forme() {
    static const std::vector<forma> f = {
        {"Commas", false, [](std::size_t n) { return gonfia(linea_sorvanta, "[curve]", std::string(4096, ',') + "\r\n", n); }},
        {"UnknownKeywordPerLine", false, [](std::size_t n) { return gonfia(linea_sorvanta, "[curve]", "curvz6,  100,  100\r\n", n); }},
        {"BadNumberPerLine", false, [](std::size_t n) { return gonfia(linea_sorvanta, "[curve]", "curvad6,  1x0,  100\r\n", n); }},
        {"BlankLines", false, [](std::size_t n) { return gonfia(linea_sorvanta, "[curve]", "\r\n", n); }},
        {"OneLongLine", false,
         [](std::size_t n) { return gonfia(linea_sorvanta, "[curve]", "curvad6, 350, " + std::string(n, '1') + "\r\n", n); }},
        {"ThousandsOfFields", false,
         [](std::size_t n) {
             std::string r = "curvad6, 350, 100";
             while (r.size() < n) r += ", 5";
             return gonfia(linea_sorvanta, "[curve]", r + "\r\n", n);
         }},
        {"StationsOfEmptyFields", true, [](std::size_t n) { return gonfia(treno_sorvanta, "[generale]", "stazione,,,,,,,,,,,,,,,,,\r\n", n); }},
    };
    return f;
}

struct costo {
    double secondi = 0;  // processor time, user and system
    long memoria_kib = 0;
};

// Runs the program in `lavoro` and measures what it alone took.
costo misura(const std::filesystem::path& lavoro, const std::vector<std::string>& argomenti) {
    const processo_sfondo p = avvia_sfondo(lavoro, argomenti);
    int stato = 0;
    rusage uso{};
    const bool atteso = p.pid > 0 && ::wait4(p.pid, &stato, 0, &uso) == p.pid;
    std::filesystem::remove(p.uscita);
    if (!atteso) return {};
    EXPECT_TRUE(WIFEXITED(stato) && WEXITSTATUS(stato) <= 2) << argomenti[1] << " ended with " << stato;
    costo c;
    c.secondi = static_cast<double>(uso.ru_utime.tv_sec + uso.ru_stime.tv_sec) +
                static_cast<double>(uso.ru_utime.tv_usec + uso.ru_stime.tv_usec) / 1e6;
    c.memoria_kib = uso.ru_maxrss;
    return c;
}

double tempo_processo() {
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// The smaller size, and four times it: large enough that the start of the program is a small part.
constexpr std::size_t piccolo = 128 * 1024;
constexpr std::size_t grande = 4 * piccolo;

// Four times the input within about five times the cost (six, and a few hundredths of a second,
// for the measurement's own noise); the square would be sixteen times. Each cost is the least of
// a few runs: a busy machine only ever adds.
void cresce_linearmente(const char* cosa, double piccolo_s, double grande_s) {
    EXPECT_LE(grande_s, 6 * piccolo_s + 0.05) << cosa << ": " << piccolo_s << " s, then " << grande_s << " s";
}

constexpr int ripetizioni = 3;

// The sanitizers' own costs grow with what they watch, not as the program's do: the plain build
// holds the growth.
class Growth : public ::testing::TestWithParam<forma> {
protected:
    void SetUp() override {
        if (con_sanitizzatori()) GTEST_SKIP() << "the plain build measures the growth";
    }
};

TEST_P(Growth, CheckAndCompileCostInProportion) {
    const forma& f = GetParam();
    cartella_temporanea c;
    for (std::size_t n : {piccolo, grande}) {
        c.scrivi(std::to_string(n) + (f.servizio ? "_treno.txt" : "_linea.txt"), f.testo(n));
    }
    c.scrivi("linea.txt", linea_sorvanta);
    c.scrivi("treno.txt", treno_sorvanta);
    for (const char* comando : {"check", "compile"}) {
        costo misurato[2];
        for (int i = 0; i < 2; ++i) {
            const std::string n = std::to_string(i == 0 ? piccolo : grande);
            const std::string linea = (c / (f.servizio ? "linea.txt" : n + "_linea.txt")).string();
            const std::string treno = (c / (f.servizio ? n + "_treno.txt" : "treno.txt")).string();
            std::vector<std::string> argomenti = {programma_in_prova(), comando, linea, treno};
            if (std::string(comando) == "compile")
                argomenti.insert(argomenti.end(), {"--out", (c / ("out" + n)).string(), "--quiet"});
            for (int r = 0; r < ripetizioni; ++r) {
                const costo c1 = misura(c.percorso, argomenti);
                if (r == 0 || c1.secondi < misurato[i].secondi) misurato[i].secondi = c1.secondi;
                misurato[i].memoria_kib = std::max(misurato[i].memoria_kib, c1.memoria_kib);
            }
        }
        cresce_linearmente(comando, misurato[0].secondi, misurato[1].secondi);
        // Memory: the program's own start takes a few MiB at either size.
        EXPECT_LE(misurato[1].memoria_kib, 5 * misurato[0].memoria_kib)
            << comando << ": " << misurato[0].memoria_kib << " KiB, then " << misurato[1].memoria_kib << " KiB";
    }
}

// The language server reads a document in the process: an edit is read again as a whole.
TEST_P(Growth, EditorAnalysisCostsInProportion) {
    const forma& f = GetParam();
    double secondi[2];
    for (int i = 0; i < 2; ++i) {
        const std::string testo = f.testo(i == 0 ? piccolo : grande);
        for (int r = 0; r < ripetizioni; ++r) {
            const double da = tempo_processo();
            const lsp::document_analysis a =
                f.servizio ? lsp::analyse(lsp::document_kind::service, testo, &linea_sorvanta, "file:///linea.txt")
                           : lsp::analyse(lsp::document_kind::line, testo, nullptr, "");
            const double s = tempo_processo() - da;
            if (r == 0 || s < secondi[i]) secondi[i] = s;
            EXPECT_LE(lsp::diagnostics_json(a).size(), rilievi_elencati_per_file + 2);
        }
    }
    cresce_linearmente("analyse", secondi[0], secondi[1]);
}

INSTANTIATE_TEST_SUITE_P(Shapes, Growth, ::testing::ValuesIn(forme()),
                         [](const ::testing::TestParamInfo<forma>& i) { return std::string(i.param.nome); });

}  // namespace
