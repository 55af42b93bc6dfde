// The descents (see bench/README.md, "Minimisation").
//
// Always: one energy pass (EvaluerRiesz) per kernel set and exponent (and
// at s = 1 without the displacement), and
// MINIMISER from a random start at N = 470 on one worker, to the criterion.
// With GLOMERIX_BENCH_LONG=1 in the environment, also the long goals, run by
// hand: MINIMISER from the spiral at N = 9999 on two workers, and EXPLORER
// from random starts (seeds 1 to 5) at N = 24, 32, 48, 72 and 100 on two
// workers, each stopped at the published minimum (9 significant digits) or
// after GLOMERIX_BENCH_SECONDES seconds (60 by default); with
// GLOMERIX_BENCH_EXPLORER=122,282,470 those counts instead.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "configurations.h"
#include "etat/parallele.h"
#include "etat/particules.h"
#include "mathematiques/exploration.h"
#include "mathematiques/hasard.h"
#include "mathematiques/minimisation.h"
#include "mathematiques/noyaux.h"
#include "mathematiques/placement.h"
#include "mathematiques/riesz.h"

namespace {

using bench::Aleatoires;
using bench::Spirale;

// One pass at a random configuration, displaced as in a late line search
// (or, with `sommes`, without the displacement: the early steps' pass).
void Passe(benchmark::State& state, JeuNoyaux jeu, double s, bool sommes) {
    const int n = state.range(0);
    ImposerEquipe(state.range(1));
    ForcerNoyaux(jeu);
    const std::vector<Vec3> x = Aleatoires(n, 7);
    std::vector<Vec3> d = Aleatoires(n, 8), f(n);
    for (Vec3& v : d) v *= 1e-9;
    const std::span<const Vec3> deplacement = sommes ? std::span<const Vec3>() : std::span<const Vec3>(d);
    for (auto _ : state) benchmark::DoNotOptimize(EvaluerRiesz(x, deplacement, s, 1.0, f));
    ForcerNoyaux(JeuNoyaux::natif);
    ImposerEquipe(0);
    const double paires = static_cast<double>(n) * (n - 1) / 2.0;
    state.counters["ns/paire"] =
        benchmark::Counter(paires * state.iterations(), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// Arguments: n, workers, then (random starts) the seed and the memory
// (curvature pairs kept; 0: the default).
void MesurerDescente(benchmark::State& state, const std::vector<Vec3>& depart, int memoire = 0) {
    ImposerEquipe(state.range(1));
    BilanDescente b;
    for (auto _ : state) {
        std::vector<Vec3> x = depart;
        ParametresDescente p;
        p.iterationsMax = 1000000;
        if (memoire > 0) p.memoire = memoire;
        b = Minimiser(x, p);
    }
    ImposerEquipe(0);
    state.counters["evaluations"] = static_cast<double>(b.evaluations);
    state.counters["iterations"] = static_cast<double>(b.iterations);
    state.counters["critere"] = b.critere;
    state.counters["energie"] = std::exp(b.logEnergie);
}

void MinimiserAleatoire(benchmark::State& state) {
    MesurerDescente(state, Aleatoires(state.range(0), state.range(2)), static_cast<int>(state.range(3)));
}
void MinimiserSpirale(benchmark::State& state) { MesurerDescente(state, Spirale(state.range(0))); }

// Published lowest energies (117, 137 and 146: the lowest our own searches
// reach, bench/README.md, "Walkers").
const std::map<int, double> kPubliees = {
    {24, 223.347074052},    {32, 412.261274651},    {48, 968.713455344},    {72, 2255.001190975},
    {100, 4448.350634331},  {104, 4822.876522749},  {112, 5618.044882327},  {117, 6146.342446579},
    {122, 6698.374499261},  {132, 7875.045342797},  {137, 8499.534494782},  {146, 9684.381825575},
    {192, 16963.338386460}, {200, 18438.842717530}, {282, 37147.294418462}, {470, 104822.886324279}};

double Secondes() {
    const char* s = std::getenv("GLOMERIX_BENCH_SECONDES");
    return s != nullptr ? std::atof(s) : 60.0;
}

double Reel(const char* nom, double defaut) {
    const char* s = std::getenv(nom);
    return s != nullptr ? std::atof(s) : defaut;
}

// Counters: trouve (1 when the published value was announced, to 9
// significant digits), secondes until then (or the limit), atteint (until
// a walker's report of it arrived, which the announcements' order may hold
// back), tour (the hop it was reached at), sauts (all walkers), the lowest
// energy and its distance above the published one. Arguments: n,
// seed, walkers (0: one walker on two workers, as EXPLORER ran before it had
// walkers). The walkers' seeds derive from the seed, walker 0's the same
// whatever their number; the start is the same random placement.
void MesurerExploration(benchmark::State& state) {
    const int n = state.range(0);
    const double publiee = kPubliees.at(n);
    const double limite = Secondes();
    const int marcheurs = std::max<int>(1, state.range(2));
    ImposerEquipe(state.range(2) == 0 ? 2 : 1);
    double trouveA = -1.0, atteintA = -1.0, meilleure = 0.0;
    long long sautTrouve = -1;
    BilanExploration b;
    for (auto _ : state) {
        std::vector<Vec3> x = Aleatoires(n, state.range(1));
        std::atomic<bool> arret{false};
        const auto debut = std::chrono::steady_clock::now();
        ParametresExploration p;
        p.sauts = 1000000000;
        p.arret = &arret;
        p.partage = static_cast<long long>(Reel("GLOMERIX_BENCH_PARTAGE", static_cast<double>(kPartage)));
        p.ecartPartage = Reel("GLOMERIX_BENCH_ECART", kEcartPartage);
        for (int w = 0; w < marcheurs; ++w) p.graines.push_back(GraineDerivee(state.range(1), n, w));
        p.nouveauMinimum = [&](long long saut, double e, std::span<const Vec3>) {
            if (std::abs(std::exp(e) - publiee) < 5e-9 * publiee) {
                trouveA = std::chrono::duration<double>(std::chrono::steady_clock::now() - debut).count();
                sautTrouve = saut;
                arret = true;
            }
        };
        // The first report of a walker at the published value, in whatever
        // order the walkers' reports arrive: when the search reached it,
        // before the announcements' order of (hop, walker) lets it be told.
        p.chaqueRapport = [&](const Rapport& r) {
            if (atteintA < 0.0 && r.minimum && std::abs(std::exp(r.logEnergie) - publiee) < 5e-9 * publiee) {
                atteintA = std::chrono::duration<double>(std::chrono::steady_clock::now() - debut).count();
            }
        };
        std::thread garde([&] {
            while (!arret && std::chrono::steady_clock::now() - debut < std::chrono::duration<double>(limite)) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
            arret = true;
        });
        b = Explorer(x, p);
        garde.join();
        meilleure = std::exp(b.logEnergie);
    }
    ImposerEquipe(0);
    state.counters["trouve"] = trouveA >= 0.0 ? 1.0 : 0.0;
    state.counters["secondes"] = trouveA >= 0.0 ? trouveA : limite;
    state.counters["atteint"] = atteintA >= 0.0 ? atteintA : limite;
    state.counters["sauts"] = static_cast<double>(b.sauts);
    // The hop of each walker at which the published value was announced: on
    // a machine with a core per walker, the time to it; it does not depend
    // on the load (-1: not reached).
    state.counters["tour"] = static_cast<double>(sautTrouve);
    state.counters["energie"] = meilleure;
    state.counters["ecart"] = meilleure - publiee;  // the counters show 6 digits
}

void Enregistrer() {
    for (double s : {1.0, 2.0}) {
        const std::string nom = s == 1.0 ? "Passe/coulomb" : "Passe/s=2";
        benchmark::RegisterBenchmark((nom + "/natif").c_str(), Passe, JeuNoyaux::natif, s, false)
            ->Args({470, 1})
            ->Args({2000, 1})
            ->Args({9999, 2});
    }
    benchmark::RegisterBenchmark("Passe/coulomb/sommes/natif", Passe, JeuNoyaux::natif, 1.0, true)
        ->Args({470, 1})
        ->Args({2000, 1});
    benchmark::RegisterBenchmark("Passe/coulomb/avx2", Passe, JeuNoyaux::avx2, 1.0, false)
        ->Args({470, 1})
        ->Args({2000, 1});
    benchmark::RegisterBenchmark("Passe/coulomb/portable", Passe, JeuNoyaux::portable, 1.0, false)->Args({470, 1});
    // The logarithmic energy and a negative exponent: scalar rows of their own.
    benchmark::RegisterBenchmark("Passe/s=0", Passe, JeuNoyaux::natif, 0.0, false)->Args({470, 1})->Args({2000, 1});
    benchmark::RegisterBenchmark("Passe/s=-1", Passe, JeuNoyaux::natif, -1.0, false)->Args({470, 1})->Args({2000, 1});
    // Seeds 1 to 24 with the default memory (the counts vary with the
    // minimum a start falls into), then 1 to 8 with 10 pairs, the memory
    // usually given to L-BFGS, for comparison.
    auto* m = benchmark::RegisterBenchmark("Minimiser/aleatoire", MinimiserAleatoire);
    for (int memoire : {0, 10}) {
        for (int graine = 1; graine <= (memoire == 0 ? 24 : 8); ++graine) m->Args({470, 1, graine, memoire});
    }
    m->Unit(benchmark::kMillisecond);
    if (std::getenv("GLOMERIX_BENCH_LONG") == nullptr) return;
    benchmark::RegisterBenchmark("Minimiser/spirale", MinimiserSpirale)
        ->Args({9999, 2})
        ->Iterations(1)
        ->Unit(benchmark::kSecond);
    std::vector<int> comptes = {24, 32, 48, 72, 100};
    if (const char* liste = std::getenv("GLOMERIX_BENCH_EXPLORER")) {
        comptes.clear();
        std::stringstream flux(liste);
        for (std::string mot; std::getline(flux, mot, ',');) comptes.push_back(std::atoi(mot.c_str()));
    }
    auto* e = benchmark::RegisterBenchmark("Explorer", MesurerExploration);
    for (int n : comptes) {
        for (int graine = 1; graine <= 5; ++graine) e->Args({n, graine, 0});
    }
    e->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
    // GLOMERIX_BENCH_MARCHEURS=100,122,...: one walker against two, seeds 1
    // to GLOMERIX_BENCH_GRAINES (10), interleaved (GLOMERIX_BENCH_SEUL=0: two
    // walkers only); the meetings from GLOMERIX_BENCH_PARTAGE and
    // GLOMERIX_BENCH_ECART.
    if (const char* liste = std::getenv("GLOMERIX_BENCH_MARCHEURS")) {
        auto* m = benchmark::RegisterBenchmark("Marcheurs", MesurerExploration);
        std::stringstream flux(liste);
        const int graines = static_cast<int>(Reel("GLOMERIX_BENCH_GRAINES", 10));
        const int seul = static_cast<int>(Reel("GLOMERIX_BENCH_SEUL", 1));  // 0: two walkers only
        for (std::string mot; std::getline(flux, mot, ',');) {
            for (int graine = 1; graine <= graines; ++graine) {
                for (int marcheurs = seul != 0 ? 1 : 2; marcheurs <= 2; ++marcheurs) {
                    m->Args({std::atoi(mot.c_str()), graine, marcheurs});
                }
            }
        }
        m->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
    }
}

}  // namespace

int main(int argc, char** argv) {
    Enregistrer();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
