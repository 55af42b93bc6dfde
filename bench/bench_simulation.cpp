// The simulation core against its plain one-thread version (simulation_litterale.h),
// in the same run: relaxation step, energy, minimum distance, Monte Carlo attempts.
// Arguments: N, then the number of workers of the fast version. The avx2
// variants force the AVX2+FMA kernels where the processor has better ones.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

#include "etat/parallele.h"
#include "etat/particules.h"
#include "hull/enveloppe.h"
#include "mathematiques/forces_enveloppe.h"
#include "mathematiques/hasard.h"
#include "mathematiques/metriques.h"
#include "mathematiques/montecarlo.h"
#include "mathematiques/noyaux.h"
#include "mathematiques/paires.h"
#include "mathematiques/placement.h"
#include "mathematiques/relaxation.h"
#include "simulation_litterale.h"

namespace {

void Preparer(int n, int workers) {
    ImposerEquipe(1);
    if (etat.count != n) ChangerNombre(n, false);
    InitialiserHasard(12345);
    PlacerAleatoirement(0);
    etat.resizing = false;
    ImposerEquipe(workers);
}

void Paires(benchmark::State& state, int n) {
    const double paires = static_cast<double>(n) * (n - 1) / 2.0;
    state.counters["ns/paire"] = benchmark::Counter(paires * state.iterations(),
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void RelaxLitteral(benchmark::State& state) {
    const int n = state.range(0);
    Preparer(n, 1);
    for (auto _ : state) {
        litteral::AppliquerForce();
        litteral::ModifierPosition();
    }
    Paires(state, n);
}

void Relax(benchmark::State& state, JeuNoyaux jeu) {
    const int n = state.range(0);
    Preparer(n, state.range(1));
    ForcerNoyaux(jeu);
    for (auto _ : state) {
        AppliquerForce();
        ModifierPosition();
    }
    ForcerNoyaux(JeuNoyaux::natif);
    Paires(state, n);
}

void EnergieLitterale(benchmark::State& state) {
    const int n = state.range(0);
    Preparer(n, 1);
    for (auto _ : state) benchmark::DoNotOptimize(litteral::EnergiePotentielle());
    Paires(state, n);
}

void Energie(benchmark::State& state, JeuNoyaux jeu) {
    const int n = state.range(0);
    Preparer(n, state.range(1));
    ForcerNoyaux(jeu);
    for (auto _ : state) benchmark::DoNotOptimize(EnergiePotentielle());
    ForcerNoyaux(JeuNoyaux::natif);
    Paires(state, n);
}

void DistanceLitterale(benchmark::State& state) {
    const int n = state.range(0);
    Preparer(n, 1);
    for (auto _ : state) benchmark::DoNotOptimize(litteral::DistanceMinimale());
    Paires(state, n);
}

void Distance(benchmark::State& state) {
    const int n = state.range(0);
    Preparer(n, 1);
    for (auto _ : state) benchmark::DoNotOptimize(DistanceMinimale());
    Paires(state, n);
}

// Attempts per second.
void MonteCarloLitteral(benchmark::State& state) {
    Preparer(state.range(0), 1);
    for (auto _ : state) benchmark::DoNotOptimize(litteral::EssaiMonteCarlo());
    state.counters["essais/s"] = benchmark::Counter(state.iterations(), benchmark::Counter::kIsRate);
}

// The attempts as the MONTECARLO command runs them, no check of the generation.
void MonteCarloSeul(benchmark::State& state) {
    Preparer(state.range(0), state.range(1));
    for (auto _ : state) benchmark::DoNotOptimize(EssaiMonteCarlo());
    state.counters["essais/s"] = benchmark::Counter(state.iterations(), benchmark::Counter::kIsRate);
}

// `verifie` also compares the N positions with the cache's copy at every
// attempt, as the cache did before it kept the state's generation.
void MonteCarlo(benchmark::State& state, bool verifie) {
    Preparer(state.range(0), state.range(1));
    verifierGeneration = verifie;
    for (auto _ : state) benchmark::DoNotOptimize(EssaiMonteCarlo());
    verifierGeneration = false;
    state.counters["essais/s"] = benchmark::Counter(state.iterations(), benchmark::Counter::kIsRate);
}

// The hull-based steps, hull built once first as a counted loop does;
// range(1) = 0 for the plain loop, else the fast routine's workers.
void PreparerEnveloppe(benchmark::State& state) {
    Preparer(state.range(0), 1);
    CalculerEnveloppe(false);
    ImposerEquipe(std::max<int>(1, state.range(1)));
}

template <void (*Litterale)(), void (*Rapide)(), bool avecPosition>
void EtapeEnveloppe(benchmark::State& state) {
    PreparerEnveloppe(state);
    const bool litterale = state.range(1) == 0;
    for (auto _ : state) {
        if (litterale) {
            Litterale();
            if (avecPosition) litteral::ModifierPosition();
        } else {
            Rapide();  // the program's step, ModifierPosition included
        }
    }
}

void EloigneLitteral() { litteral::DeplacerPaire(1.0); }
void ApprocheLitteral() { litteral::DeplacerPaire(-1.0); }

// The machine is shared: with --benchmark_repetitions, the fastest run is the
// one least disturbed.
double Minimum(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }

}  // namespace

BENCHMARK(RelaxLitteral)->Arg(400)->Arg(2001)->Arg(9999)->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", Minimum);
BENCHMARK_CAPTURE(Relax, natif, JeuNoyaux::natif)->ArgsProduct({{400, 2001, 9999}, {1, 2}})
    ->Unit(benchmark::kMillisecond)->UseRealTime()->ComputeStatistics("min", Minimum);
BENCHMARK_CAPTURE(Relax, avx2, JeuNoyaux::avx2)->ArgsProduct({{2001, 9999}, {1, 2}})
    ->Unit(benchmark::kMillisecond)->UseRealTime()->ComputeStatistics("min", Minimum);
BENCHMARK(EnergieLitterale)->Arg(400)->Arg(2001)->Arg(9999)->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", Minimum);
BENCHMARK_CAPTURE(Energie, natif, JeuNoyaux::natif)->ArgsProduct({{400, 2001, 9999}, {1, 2}})
    ->Unit(benchmark::kMillisecond)->UseRealTime()->ComputeStatistics("min", Minimum);
BENCHMARK_CAPTURE(Energie, avx2, JeuNoyaux::avx2)->ArgsProduct({{2001, 9999}, {1, 2}})
    ->Unit(benchmark::kMillisecond)->UseRealTime()->ComputeStatistics("min", Minimum);
BENCHMARK(DistanceLitterale)->Arg(400)->Arg(9999)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", Minimum);
BENCHMARK(Distance)->Arg(400)->Arg(9999)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", Minimum);
BENCHMARK(MonteCarloLitteral)->Arg(1000)->Unit(benchmark::kMicrosecond)->ComputeStatistics("min", Minimum);
BENCHMARK(MonteCarloSeul)->ArgsProduct({{1000, 9999}, {1, 2}})->Unit(benchmark::kMicrosecond)->UseRealTime()
    ->ComputeStatistics("min", Minimum);
BENCHMARK_CAPTURE(MonteCarlo, comparaison, true)->Args({9999, 1})->Unit(benchmark::kMicrosecond)->UseRealTime()
    ->ComputeStatistics("min", Minimum);
// Second argument 0: the plain loop.
#define ETAPE_ENVELOPPE(nom, litterale, rapide, position)                                       \
    BENCHMARK(EtapeEnveloppe<litterale, rapide, position>)->Name(nom)                           \
        ->ArgsProduct({{1000, 3000, 9999}, {0, 1}})->Unit(benchmark::kMicrosecond)->UseRealTime() \
        ->ComputeStatistics("min", Minimum)
ETAPE_ENVELOPPE("Locale", litteral::ForceLocale, DeplacerSelonForceLocale, true);
ETAPE_ENVELOPPE("Faces", litteral::ForceFaces, DeplacerSelonFaces, true);
ETAPE_ENVELOPPE("Aretes", litteral::ForceAretes, DeplacerSelonAretes, true);
ETAPE_ENVELOPPE("Eloigne", EloigneLitteral, EloignerPlusProches, false);
ETAPE_ENVELOPPE("Approche", ApprocheLitteral, ApprocherPlusEloignees, false);

BENCHMARK_MAIN();
