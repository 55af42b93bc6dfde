// What the console work adds: the counted loop's per-step cost with and
// without the progress flag, and the history file rewritten after each line.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "etat/modes.h"
#include "etat/verrous.h"
#include "shell/progression.h"
#include "ternex/history.h"

namespace {

// The loop of BoucleComptee around an empty step: stop flag, lock, step.
void BM_BoucleVide(benchmark::State& state) {
    long long pas = 0;
    for (auto _ : state) {
        if (stopRequested.load()) break;
        Garde verrou(verrouEtat);
        benchmark::DoNotOptimize(++pas);
    }
}
BENCHMARK(BM_BoucleVide);

// The same with the progress flag read after each step (standard error is no
// terminal here: no line is drawn, as in a piped run).
void BM_BoucleVideAvecProgression(benchmark::State& state) {
    Progression progression("RELAX", 1000000000LL);
    long long pas = 0;
    for (auto _ : state) {
        if (stopRequested.load()) break;
        {
            Garde verrou(verrouEtat);
            benchmark::DoNotOptimize(++pas);
        }
        progression.Avancer(pas);
    }
}
BENCHMARK(BM_BoucleVideAvecProgression);

// One command line added to a full history of 1000 lines: the file is
// written anew and synced.
void BM_HistoriqueAjout(benchmark::State& state) {
    const std::filesystem::path dossier =
        std::filesystem::temp_directory_path() / ("bench-historique-" + std::to_string(getpid()));
    ternex_history h((dossier / "history").string(), 1000);
    for (int i = 0; i < 1000; ++i) h.add("relax " + std::to_string(i) + " k");
    long long n = 0;
    for (auto _ : state) h.add("mode info " + std::to_string(n++));
    std::filesystem::remove_all(dossier);
}
BENCHMARK(BM_HistoriqueAjout)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
