// What the console work adds: the counted loop's per-step cost with and
// without the progress flag, the history file rewritten after each line, and
// an over-long input line read and refused.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "etat/modes.h"
#include "etat/verrous.h"
#include "shell/progression.h"
#include "ternex/history.h"
#include "ternex/ternex.h"

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
    ternex_history h((dossier / "history").string(), 1000, 255);
    for (int i = 0; i < 1000; ++i) h.add("relax " + std::to_string(i) + " k");
    long long n = 0;
    for (auto _ : state) h.add("mode info " + std::to_string(n++));
    std::filesystem::remove_all(dossier);
}
BENCHMARK(BM_HistoriqueAjout)->Unit(benchmark::kMicrosecond);

// A command line of 1 MB read from a file and refused (more than 255
// characters): what a piped run spends on it before the next command.
void BM_LigneTropLongue(benchmark::State& state) {
    const std::filesystem::path fichier =
        std::filesystem::temp_directory_path() / ("bench-ligne-" + std::to_string(getpid()));
    std::ofstream(fichier) << std::string(1 << 20, 'x') << "\nquitter\n";
    const int entree = open(fichier.c_str(), O_RDONLY);
    const int sortie = open("/dev/null", O_WRONLY);
    char ligne[256];
    for (auto _ : state) {
        lseek(entree, 0, SEEK_SET);
        ternex_console console(entree, sortie, "UTF-8");
        ternex_line_status etat;
        console.read_command_line(ligne, 255, ternex_line_options{}, &etat);
        if (!etat.tooLong) state.SkipWithError("line not refused");
    }
    state.SetBytesProcessed(state.iterations() * (1 << 20));
    close(entree);
    close(sortie);
    std::filesystem::remove(fichier);
}
BENCHMARK(BM_LigneTropLongue)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
