// The viewer's cost to the commands: 20 x RELAX 1 at N = 9999 typed into the
// program, with the viewer open (GRAPH, on a private Xvfb, Mesa's software
// renderer) against the viewer closed, in the same run. Each command is sent
// once the previous prompt is back, as a user would. Then, in this process,
// the parts of a frame: what it does under the state lock, and the hull
// build it does without it.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <mutex>
#include <string>

#include "e2e/harness.h"
#include "etat/modes.h"
#include "etat/particules.h"
#include "mathematiques/hasard.h"
#include "viewer/scene.h"
#include "viewer/x_test_support.h"

namespace {

constexpr int kCommandes = 20;

// The picture request waits behind every frame queued, then draws one more:
// its answer says that the viewer has caught up with the commands.
bool AttendreVue(e2e::Session& session) { return session.sendAndWait("image\nvue.png\n"); }

// graph: 0 the viewer closed, 1 open with the default modes (points and hull
// lines), 2 open with the filled triangles as well.
void BM_VingtRelax(benchmark::State& state) {
    const bool graph = state.range(0) != 0;
    const bool triangles = state.range(0) == 2;
    const xtest::Xvfb* server = xtest::XvfbPartage();
    if (server == nullptr) {
        state.SkipWithError("Xvfb ne demarre pas");
        return;
    }
    e2e::Session session;
    session.setEnv("DISPLAY", server->Display());
    // Another build of the program, to compare with (its path).
    if (const char* autre = std::getenv("GLOMERIX_BENCH_PROGRAMME")) session.setProgram(autre);
    if (!session.startAtPrompt() || !session.sendAndWait("nb 9999\n") ||
        (triangles && !session.sendAndWait("mode polygones on\n")) || (graph && !session.sendAndWait("graph\n")) ||
        (graph && !AttendreVue(session))) {
        state.SkipWithError("le programme ne repond pas");
        return;
    }
    double rattrapage = 0.0;
    for (auto _ : state) {
        for (int k = 0; k < kCommandes; ++k) {
            if (!session.sendAndWait("relax 1\n")) {
                state.SkipWithError("RELAX sans reponse");
                return;
            }
        }
        state.PauseTiming();
        if (graph) {
            // Not counted: the frames still queued after the last prompt.
            const auto debut = std::chrono::steady_clock::now();
            AttendreVue(session);
            rattrapage += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - debut).count();
        }
        state.ResumeTiming();
    }
    state.counters["rattrapage_ms"] = benchmark::Counter(rattrapage, benchmark::Counter::kAvgIterations);
    session.send("quitter\n");
    session.finish();
}
BENCHMARK(BM_VingtRelax)->ArgName("graph")->Arg(0)->Arg(1)->Arg(2)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

// N random particles, hull lines drawn; the hull valid when range(1) is 1.
void PreparerEtat(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    modes.lignes = true;
    modes.particules = true;
    InitialiserHasard(20261208);
    Garde verrou(verrouEtat);
    ChangerNombre(n, false);
    hullValid = false;
    if (state.range(1) == 1) CalculerEnveloppe(false);
}

// What a frame holds the lock for: the copy (of the hull lists too when the
// hull is valid).
void BM_CopierImage(benchmark::State& state) {
    PreparerEtat(state);
    CopieImage copie;
    for (auto _ : state) {
        Garde verrou(verrouEtat);
        benchmark::DoNotOptimize(CopierImage(copie));
    }
}
BENCHMARK(BM_CopierImage)->Args({9999, 1})->Args({9999, 0})->Args({1000, 1})->Unit(benchmark::kMicrosecond);

// The hull build of a frame that found it stale, on its copy, without the lock.
void BM_ConstruireImage(benchmark::State& state) {
    PreparerEtat(state);
    CopieImage copie;
    {
        Garde verrou(verrouEtat);
        CopierImage(copie);
    }
    for (auto _ : state) benchmark::DoNotOptimize(ConstruireImage(copie));
}
BENCHMARK(BM_ConstruireImage)->Args({9999, 0})->Args({1000, 0})->Unit(benchmark::kMillisecond);

// A whole frame that found the hull stale, apart from GL: the copy under the
// lock, the build without it, the publication under it, then the colours
// without it. range(2) 1: filled triangles drawn as well, whose colours need
// each particle's share of the energy.
void BM_ImagePerimee(benchmark::State& state) {
    PreparerEtat(state);
    modes.polygones = state.range(2) == 1;
    CopieImage copie;
    RampeCouleurs rampe;
    for (auto _ : state) {
        state.PauseTiming();
        {
            Garde verrou(verrouEtat);
            MarquerDeplacement();
            hullValid = false;
        }
        state.ResumeTiming();
        {
            Garde verrou(verrouEtat);
            CopierImage(copie);
        }
        ConstruireImage(copie);
        {
            Garde verrou(verrouEtat);
            benchmark::DoNotOptimize(PublierImage(copie));
        }
        ColorerImage(copie, rampe);
    }
    modes.polygones = false;
}
BENCHMARK(BM_ImagePerimee)
    ->Args({9999, 0, 0})
    ->Args({9999, 0, 1})
    ->Args({1000, 0, 0})
    ->Args({1000, 0, 1})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
