// TRACE's cost on MINIMISER (see bench/README.md, "Trace"): the same 200
// iterations from a random start at N = 470 on one worker, with the trace
// closed (the step callback finds no file) and open (one row per iteration
// to /dev/null), at s = 1 and at s = 3, where each row takes one more pass
// for the Coulomb energy.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

#include "configurations.h"
#include "etat/parallele.h"
#include "mathematiques/minimisation.h"
#include "shell/trace.h"

namespace {

// Arguments: s, and 1 with the trace open.
void Descente(benchmark::State& state) {
    const double s = static_cast<double>(state.range(0));
    std::FILE* trace = state.range(1) != 0 ? std::fopen("/dev/null", "w") : nullptr;
    const std::vector<Vec3> depart = bench::Aleatoires(470, 1);
    ImposerEquipe(1);
    BilanDescente b;
    for (auto _ : state) {
        std::vector<Vec3> x = depart;
        ParametresDescente p;
        p.exposant = s;
        p.iterationsMax = 200;
        p.tolerance = 0.0;
        p.apresPas = [trace, s](const EtapeDescente& e) {
            if (trace != nullptr) EcrireLignePas(trace, e, s);
        };
        b = Minimiser(x, p);
    }
    ImposerEquipe(0);
    if (trace != nullptr) std::fclose(trace);
    state.counters["iterations"] = static_cast<double>(b.iterations);
    state.counters["evaluations"] = static_cast<double>(b.evaluations);
}
BENCHMARK(Descente)->Args({1, 0})->Args({1, 1})->Args({3, 0})->Args({3, 1})->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
