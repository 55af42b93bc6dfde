// What the catalogue of minima costs EXPLORER: a search of a fixed number of
// hops from a fixed seed, with and without the catalogue fed (each hop's
// minimum finished at the full tolerance on its walker, then its energy,
// point group and hull degrees on the command's thread), and the feeding of
// one minimum alone. One walker, one worker: CPU time of the calling thread.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "configurations.h"
#include "etat/parallele.h"
#include "etat/particules.h"
#include "mathematiques/exploration.h"
#include "mathematiques/minimisation.h"
#include "shell/commandes_minima.h"

namespace {

using bench::Aleatoires;

constexpr long long kSauts = 20;

void Compter(int n) {
    {
        Garde verrou(verrouEtat);
        ChangerNombre(n, false);
    }
    PreparerCatalogue();
}

// range(0): N; range(1): 1 with the catalogue.
void BM_Explorer(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const bool catalogue = state.range(1) != 0;
    Compter(n);
    ImposerEquipe(1);
    BilanExploration b;
    for (auto _ : state) {
        std::vector<Vec3> x = Aleatoires(n, 3);
        ParametresExploration p;
        p.sauts = kSauts;
        p.graines = {17};
        if (catalogue) {
            p.minimumDuSaut = [](long long saut, int, double, std::span<const Vec3> y) { NoterMinimum(saut, y); };
        }
        b = Explorer(x, p);
    }
    ImposerEquipe(0);
    state.counters["passes"] = static_cast<double>(b.evaluations);
    state.SetLabel(catalogue ? "avec le catalogue" : "sans");
}
BENCHMARK(BM_Explorer)->ArgsProduct({{100, 400}, {0, 1}})->Iterations(1)->Unit(benchmark::kMillisecond);

// One minimum noted: its energy, its group, its hull.
void BM_Noter(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    Compter(n);
    ImposerEquipe(1);
    std::vector<Vec3> x = Aleatoires(n, 3);
    Minimiser(x, ParametresDescente{});
    long long saut = 0;
    for (auto _ : state) NoterMinimum(++saut, x);
    ImposerEquipe(0);
}
BENCHMARK(BM_Noter)->Arg(100)->Arg(400)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
