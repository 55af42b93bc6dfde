// The check at the end of MINIMISER (see bench/README.md, "The check at the
// end of a descent"): the descent from a random start alone and with the
// check, at N = 470 and 2000 on one worker; the check's passes as a counter.
#include <benchmark/benchmark.h>

#include <vector>

#include "configurations.h"
#include "etat/parallele.h"
#include "mathematiques/minimisation.h"
#include "mathematiques/minimum_local.h"

namespace {

void BM_Descente(benchmark::State& state) {
    ImposerEquipe(1);
    const std::vector<Vec3> depart = bench::Aleatoires(static_cast<int>(state.range(0)), 1);
    const bool verifier = state.range(1) != 0;
    ParametresDescente p;
    p.iterationsMax = 100000;
    BilanMinimum b;
    for (auto _ : state) {
        std::vector<Vec3> x = depart;
        if (verifier) {
            b = MinimiserJusquAuMinimum(x, p);
        } else {
            b.descente = Minimiser(x, p);
        }
        benchmark::DoNotOptimize(x.data());
    }
    state.counters["evaluations"] = static_cast<double>(b.descente.evaluations);
    state.counters["iterations"] = static_cast<double>(b.descente.iterations);
    state.SetLabel(verifier ? (b.verifie ? "checked: minimum" : "checked: no verdict") : "alone");
}
BENCHMARK(BM_Descente)->ArgsProduct({{470, 2000}, {0, 1}})->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
