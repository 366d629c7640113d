#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "harness/compila_in_memoria.hpp"
#include "diagnostics/diagnostica.hpp"
#include "bench/scenario_generato.hpp"
#include "scenario/dati_linea.hpp"
#include "builder/sostituzione.hpp"
#include "platform/platform.hpp"
#include "scenario/dati_treno.hpp"
#include "timetable/timetable.hpp"

namespace {

const descrizioni_generate& generate(std::int64_t lunghezza) {
    static std::map<std::int64_t, descrizioni_generate> cache;
    auto it = cache.find(lunghezza);
    if (it == cache.end()) it = cache.emplace(lunghezza, genera_descrizioni(lunghezza)).first;
    return it->second;
}

std::filesystem::path output_folder() {
    static const std::filesystem::path p = [] {
        auto q = std::filesystem::temp_directory_path() / ("gs_bench_" + std::to_string(::getpid()));
        std::filesystem::create_directories(q);
        return q;
    }();
    return p;
}

// The I/O floor: each file written with one call, nothing else.
void write_once(const std::filesystem::path& path, const std::string& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) std::abort();
    ::close(fd);
}

void BM_CompilaIncorporata(benchmark::State& state) {
    const std::string linea = testo_documento(righe_linea());
    const std::string servizio = testo_documento(righe_treno());
    for (auto _ : state) benchmark::DoNotOptimize(compila_e_serializza(linea, servizio));
}
BENCHMARK(BM_CompilaIncorporata)->Unit(benchmark::kMillisecond);

void BM_CompilaGenerata(benchmark::State& state) {
    const descrizioni_generate& d = generate(state.range(0));
    if (compila_e_serializza(d.linea, d.servizio).stato != 0) state.SkipWithError("the generated scenario records a status");
    std::size_t byte = 0;
    for (auto _ : state) {
        file_compilati f = compila_e_serializza(d.linea, d.servizio);
        byte = f.linea.size() + f.servizio.size() + f.percorso.size();
        benchmark::DoNotOptimize(f);
    }
    state.SetComplexityN(state.range(0));
    state.counters["output_bytes"] = static_cast<double>(byte);
}
BENCHMARK(BM_CompilaGenerata)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

// check on the same descriptions: the diagnostics engine alone, to set beside BM_CompilaGenerata.
void BM_CheckGenerata(benchmark::State& state) {
    const descrizioni_generate& d = generate(state.range(0));
    if (analizza(&d.linea, &d.servizio).errori != 0) state.SkipWithError("check finds an error in the generated scenario");
    for (auto _ : state) benchmark::DoNotOptimize(analizza(&d.linea, &d.servizio));
}
BENCHMARK(BM_CheckGenerata)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// check on the same descriptions with a gradient beyond the route after the line's gradients: the
// compile reads on past it (the line's reading ends there, the service is read up to its first
// signal or slowdown), and the walk that goes on reads the rest of both; each text is still read
// once, so this takes about as long as BM_CheckGenerata.
void BM_CheckOltreIlPercorso(benchmark::State& state) {
    const descrizioni_generate& d = generate(state.range(0));
    std::string linea = d.linea;
    linea.insert(linea.find("[montagne]\r\n"), "pendenza, 99999999, 0\r\n");
    const analisi a = analizza(&linea, &d.servizio);
    if (a.diagnostiche.empty() || a.diagnostiche.front().stato != 15)
        state.SkipWithError("check does not find the item beyond the route first");
    for (auto _ : state) benchmark::DoNotOptimize(analizza(&linea, &d.servizio));
}
BENCHMARK(BM_CheckOltreIlPercorso)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_ScritturaUscita(benchmark::State& state) {
    const descrizioni_generate& d = generate(state.range(0));
    const file_compilati f = compila_e_serializza(d.linea, d.servizio);
    const auto dir = output_folder();
    for (auto _ : state) {
        write_once(dir / "floor_linea.dat", f.linea);
        write_once(dir / "floor.sim", f.servizio);
        write_once(dir / "floor.dat", f.percorso);
    }
}
BENCHMARK(BM_ScritturaUscita)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// The real output path: compile, serialise, write under temporary names and rename.
void BM_CompilaEScrivi(benchmark::State& state) {
    const descrizioni_generate& d = generate(state.range(0));
    const auto dir = output_folder();
    for (auto _ : state) {
        file_compilati f = compila_e_serializza(d.linea, d.servizio);
        sostituisci_insieme({{(dir / "Sorvanta_linea.dat").string(), std::move(f.linea)},
                                 {(dir / "Sorvanta_E48027.sim").string(), std::move(f.servizio)},
                                 {(dir / "Sorvanta_E48027.dat").string(), std::move(f.percorso)}});
    }
}
BENCHMARK(BM_CompilaEScrivi)->Arg(1000000)->Unit(benchmark::kMillisecond);

// The timetable: the compile with the plan, the default train and the fastest run, metre by metre.
void BM_TimetableGenerated(benchmark::State& state) {
    const descrizioni_generate& d = generate(state.range(0));
    for (auto _ : state) {
        stato_build s;
        s.scenario = "Sorvanta";
        s.treno = "E48027";
        compila(s, {.piano = true}, descrizioni_in_memoria("linea", d.linea, "servizio", d.servizio));
        const timetable_result r = work_out_timetable(s, default_train_model(s));
        if (!r.problem.empty()) state.SkipWithError(r.problem.c_str());
        benchmark::DoNotOptimize(r.total_running_time_s);
    }
}
BENCHMARK(BM_TimetableGenerated)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(output_folder());
}
