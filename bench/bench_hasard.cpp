// Cost of one draw from the shared generator, with the lock that makes draws
// indivisible across workers and without it (the single-threaded baseline).
#include <benchmark/benchmark.h>

#include "mathematiques/hasard.h"
#include "mathematiques/hasard_knuth.h"

namespace {

void BM_TirerReel(benchmark::State& state) {
    if (state.thread_index() == 0) InitialiserHasard(12345);
    for (auto _ : state) benchmark::DoNotOptimize(TirerReel());
}
BENCHMARK(BM_TirerReel);
BENCHMARK(BM_TirerReel)->Threads(2);  // contended: both workers drawing back to back

void BM_TirerReelSansVerrou(benchmark::State& state) {
    InitialiserHasard(12345);
    for (auto _ : state) benchmark::DoNotOptimize(hasard_knuth::draw_unlocked());
}
BENCHMARK(BM_TirerReelSansVerrou);

void BM_TirerPointSphere(benchmark::State& state) {
    InitialiserHasard(12345);
    Vec3 v;
    for (auto _ : state) {
        TirerPointSphere(v, 1.0);
        benchmark::DoNotOptimize(v);
    }
}
BENCHMARK(BM_TirerPointSphere);

}  // namespace

BENCHMARK_MAIN();
