// EXPLORER with MODE TAMMES (see bench/README.md, "Tammes by global search").
//
// ExplorerTammes/N/seed: from a random start (the seed's), two walkers (as
// EXPLORER with OPENMP on two processors) search for the largest smallest
// distance, for at most kSecondes, stopped once the published distance is
// reached within 1e-6. Counters: the seconds to reach it (the whole time
// when not reached), the hops, the distance found and its gap to the
// published one. Run with --benchmark_filter to pick the counts.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <vector>

#include "configurations.h"
#include "mathematiques/exploration.h"
#include "mathematiques/hasard.h"
#include "mathematiques/saut_tammes.h"

namespace {

constexpr double kSecondes = 60.0;
constexpr double kPres = 1e-6;

// Published largest smallest distances (chords of the unit sphere), from the
// published angles (see bench/README.md for the sources).
const std::map<int, double>& Publiees() {
    static const std::map<int, double> publiees = {
        {7, 1.2568704685},  {8, 1.2155625241},  {9, 1.1547005384},  {10, 1.0914262914}, {11, 1.0514622242},
        {14, 0.9338626233}, {24, 0.7442063310}, {32, 0.6424692761}, {40, 0.5706801694}, {44, 0.5509965905},
        {48, 0.5304860120}, {50, 0.5134720847}, {60, 0.4701625940},
    };
    return publiees;
}

void ExplorerTammes(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const double cible = Publiees().at(n);
    double trouvee = 0.0, secondes = 0.0;
    long long sauts = 0;
    for (auto _ : state) {
        std::vector<Vec3> x = bench::Aleatoires(n, state.range(1));
        std::atomic<bool> arret{false};
        ParametresExploration p;
        p.sauts = 1000000;
        p.secondes = kSecondes;
        p.arret = &arret;
        p.descente.exposant = kExposantTammes;
        p.descendre = DescenteTammes;
        p.graines = GrainesDesMarcheurs(2);
        const auto debut = std::chrono::steady_clock::now();
        secondes = 0.0;
        p.nouveauMinimum = [&](long long, double mesure, std::span<const Vec3>) {
            if (DistanceDeMesure(mesure) > cible - kPres && secondes == 0.0) {
                secondes = std::chrono::duration<double>(std::chrono::steady_clock::now() - debut).count();
                arret = true;
            }
        };
        const BilanExploration b = Explorer(x, p);
        if (secondes == 0.0) secondes = std::chrono::duration<double>(std::chrono::steady_clock::now() - debut).count();
        trouvee = DistanceDeMesure(b.logEnergie);
        sauts = b.sauts;
    }
    char texte[64];
    std::snprintf(texte, sizeof texte, "%s %.10f", trouvee > cible - kPres ? "atteinte" : "MANQUEE", trouvee);
    state.SetLabel(texte);
    state.counters["secondes"] = secondes;
    state.counters["sauts"] = static_cast<double>(sauts);
    state.counters["ecart"] = cible - trouvee;
}

void Enregistrer() {
    auto* b = benchmark::RegisterBenchmark("ExplorerTammes", ExplorerTammes);
    for (const auto& [n, d] : Publiees()) {
        for (int graine = 1; graine <= 5; ++graine) b->Args({n, graine});
    }
    b->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
}

}  // namespace

int main(int argc, char** argv) {
    Enregistrer();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
