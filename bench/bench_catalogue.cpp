// What the catalogue of minima costs EXPLORER: a search of a fixed number of
// hops from a fixed seed, with and without the catalogue fed (a hop's minimum
// that its energy does not name beyond doubt finished to a tighter tolerance,
// then its energy, point group and hull degrees), and the feeding of one
// minimum alone. One walker, one worker: CPU time of the calling thread.
#include <benchmark/benchmark.h>

#include <ctime>
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

double SecondesCpuDuFil() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

constexpr long long kSauts = 100;

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
    double nourrir = 0.0;  // CPU seconds in NoterMinimum
    for (auto _ : state) {
        std::vector<Vec3> x = Aleatoires(n, 3);
        ParametresExploration p;
        p.sauts = kSauts;
        p.graines = {17};
        if (catalogue) {
            OublierMinima();
            p.minimumDuSaut = [&nourrir](const MinimumDuSaut& m) {
                const double debut = SecondesCpuDuFil();
                NoterMinimum(m);
                nourrir += SecondesCpuDuFil() - debut;
            };
        }
        b = Explorer(x, p);
    }
    ImposerEquipe(0);
    state.counters["passes"] = static_cast<double>(b.evaluations);
    state.counters["catalogue_ms"] = 1e3 * nourrir / static_cast<double>(state.iterations());
    state.SetLabel(catalogue ? "avec le catalogue" : "sans");
}
BENCHMARK(BM_Explorer)->ArgsProduct({{100, 400}, {0, 1}})->Iterations(1)->Unit(benchmark::kMillisecond);

// One minimum noted: range(1) 1 a new one (its energy, its group, its hull),
// 0 one the catalogue holds already (recognised by its energy alone).
void BM_Noter(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const bool nouveau = state.range(1) != 0;
    Compter(n);
    ImposerEquipe(1);
    std::vector<Vec3> x = Aleatoires(n, 3);
    const BilanDescente d = Minimiser(x, ParametresDescente{});
    MinimumDuSaut m{0, 0, d.logEnergie, 0.0, d.critere, x};
    NoterMinimum(m);
    for (auto _ : state) {
        if (nouveau) OublierMinima();
        ++m.saut;
        NoterMinimum(m);
    }
    ImposerEquipe(0);
    state.SetLabel(nouveau ? "nouveau" : "reconnu");
}
BENCHMARK(BM_Noter)->ArgsProduct({{100, 400, 1000}, {1, 0}})->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
