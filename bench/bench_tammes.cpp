// TAMMES (see bench/README.md, "Tammes").
//
// Tammes/iterations/N/k: k iterations of PolirTammes from the spiral relaxed
// by 100 steps of MINIMISER (s = 1), as TAMMES k after PLACER SPIRALE and
// MINIMISER 100. Counters: CPU seconds per iteration (all the process's
// threads), the smallest distance after (12 digits in the label), and the
// process's peak resident memory (run one count per process for that figure
// to be the count's own).
// Tammes/sequence/N/seed: the sequence of TAMMES's help (S 12, MINIMISER,
// S 96, MINIMISER, TAMMES) from a random start; the label carries the
// smallest distance before and after with 17 digits.
// Tammes/arret/N/ms: the stop flag raised ms milliseconds after the start;
// counter: seconds from the flag to the return.
// With GLOMERIX_BENCH_LONG=1 in the environment, also the long ones (more
// iterations at N = 2000 and 9999, more seeds, N = 470, later stops), run by
// hand with --benchmark_filter.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <thread>
#include <vector>

#include "etat/parallele.h"
#include "mathematiques/hasard.h"
#include "mathematiques/minimisation.h"
#include "mathematiques/placement.h"
#include "mathematiques/tammes.h"

namespace {

std::vector<Vec3> Relaxee(int n) {
    static std::map<int, std::vector<Vec3>> deja;
    auto it = deja.find(n);
    if (it != deja.end()) return it->second;
    std::vector<Vec3> x(n);
    CalculerSpirale(kDefaultSpiralStep, x);
    ImposerEquipe(2);
    ParametresDescente p;
    p.iterationsMax = 100;
    Minimiser(x, p);
    ImposerEquipe(0);
    return deja[n] = x;
}

double MemoireMax() {
    rusage u;
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss * 1024.0;
}

void Iterations(benchmark::State& state) {
    const std::vector<Vec3> depart = Relaxee(static_cast<int>(state.range(0)));
    BilanTammes b;
    for (auto _ : state) {
        std::vector<Vec3> x = depart;
        ParametresTammes p;
        p.iterationsMax = state.range(1);
        b = PolirTammes(x, p);
    }
    state.counters["s/iteration"] = benchmark::Counter(static_cast<double>(b.iterations) * state.iterations(),
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["iterations"] = static_cast<double>(b.iterations);
    state.counters["distance"] = b.distanceApres;
    char texte[32];
    std::snprintf(texte, sizeof texte, "%.12f", b.distanceApres);
    state.SetLabel(texte);
    state.counters["memoire"] = benchmark::Counter(MemoireMax(), benchmark::Counter::kDefaults,
                                                   benchmark::Counter::kIs1024);
}

void Sequence(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    BilanTammes b;
    for (auto _ : state) {
        InitialiserHasard(state.range(1));
        std::vector<Vec3> x(n);
        for (Vec3& v : x) TirerPointSphere(v, 1.0);
        ParametresDescente d;
        d.iterationsMax = 10000;
        d.exposant = 12.0;
        Minimiser(x, d);
        d.exposant = 96.0;
        Minimiser(x, d);
        b = PolirTammes(x, {});
    }
    char texte[96];
    std::snprintf(texte, sizeof texte, "%.17g -> %.17g", b.distanceAvant, b.distanceApres);
    state.SetLabel(texte);
    state.counters["iterations"] = static_cast<double>(b.iterations);
    state.counters["contacts"] = b.contacts;
}

void Arret(benchmark::State& state) {
    const std::vector<Vec3> depart = Relaxee(static_cast<int>(state.range(0)));
    double attente = 0.0;
    for (auto _ : state) {
        std::vector<Vec3> x = depart;
        std::atomic<bool> arret{false};
        ParametresTammes p;
        p.iterationsMax = 1000000;
        p.arret = &arret;
        std::chrono::steady_clock::time_point leve;
        std::thread garde([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(state.range(1)));
            leve = std::chrono::steady_clock::now();
            arret = true;
        });
        PolirTammes(x, p);
        const auto fin = std::chrono::steady_clock::now();
        garde.join();
        attente = std::max(attente, std::chrono::duration<double>(fin - leve).count());
    }
    state.counters["secondes apres le signal"] = attente;
}

void Enregistrer() {
    const bool long_ = std::getenv("GLOMERIX_BENCH_LONG") != nullptr;
    auto* iterations = benchmark::RegisterBenchmark("Tammes/iterations", Iterations);
    iterations->Args({470, 10})->Args({1000, 3})->Args({2000, 1})->Args({9999, 1});
    if (long_) iterations->Args({2000, 5})->Args({2000, 10})->Args({9999, 3})->Args({9999, 10});
    iterations->Iterations(1)->Unit(benchmark::kSecond)->MeasureProcessCPUTime();
    auto* sequence = benchmark::RegisterBenchmark("Tammes/sequence", Sequence);
    sequence->ArgsProduct({{24, 32, 100}, long_ ? std::vector<int64_t>{1, 2, 3, 4, 5, 6, 7, 8} : std::vector<int64_t>{1}});
    if (long_) sequence->ArgsProduct({{470}, {1, 2, 3}});
    sequence->Iterations(1)->Unit(benchmark::kSecond);
    auto* arret = benchmark::RegisterBenchmark("Tammes/arret", Arret);
    arret->ArgsProduct({{2000, 9999}, long_ ? std::vector<int64_t>{300, 1300, 10000} : std::vector<int64_t>{300}});
    arret->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
}

}  // namespace

int main(int argc, char** argv) {
    Enregistrer();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
