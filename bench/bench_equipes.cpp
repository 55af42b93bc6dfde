// Every parallel routine with MODE OPENMP off and on, as a user gets it (no
// team imposed): arguments N, then 0 (off) or 1 (on). The Occupe variants run
// the same with another process keeping one core busy: a shell loop, not
// pinned, started before the timing and killed after it. The Seuil
// variants set the thresholds: the routine on 1 or 2 workers (second
// argument) whatever its work.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "etat/modes.h"
#include "etat/parallele.h"
#include "etat/particules.h"
#include "hull/enveloppe.h"
#include "mathematiques/forces_enveloppe.h"
#include "mathematiques/hasard.h"
#include "mathematiques/metriques.h"
#include "mathematiques/placement.h"
#include "mathematiques/relaxation.h"
#include "mathematiques/riesz.h"

namespace {

// A process that keeps one core busy for as long as it lives: a shell loop,
// spawned without copying this process (a forked copy would make the first
// writes to every page of ours copy it, which another program never costs).
class Occupant {
  public:
    explicit Occupant(bool actif) {
        if (!actif) return;
        char sh[] = "sh", c[] = "-c", boucle[] = "while :; do :; done";
        char* const args[] = {sh, c, boucle, nullptr};
        if (posix_spawn(&pid_, "/bin/sh", nullptr, nullptr, args, environ) != 0) pid_ = -1;
        // Long enough for the program to see the load as it would in use.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    ~Occupant() {
        if (pid_ <= 0) return;
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    Occupant(const Occupant&) = delete;
    Occupant& operator=(const Occupant&) = delete;

  private:
    pid_t pid_ = -1;
};

enum Famille { calme, occupe, seuil };

struct Conditions {
    Occupant occupant;
    explicit Conditions(Famille f) : occupant(f == occupe) {}
    ~Conditions() {
        modes.openmp = false;
        ImposerEquipe(0);
        IgnorerSeuils(false);
    }
};

void Preparer(const benchmark::State& state, Famille f) {
    const int n = static_cast<int>(state.range(0));
    modes.openmp = false;
    ImposerEquipe(0);
    IgnorerSeuils(false);
    if (etat.count != n) ChangerNombre(n, false);
    InitialiserHasard(4242);
    PlacerAleatoirement(0);
    etat.resizing = false;
    if (f == seuil) {
        modes.openmp = true;
        IgnorerSeuils(true);
        ImposerEquipe(static_cast<int>(state.range(1)));
    } else {
        modes.openmp = state.range(1) != 0;
    }
}

void Force() { AppliquerForce(); }
void Position() { ModifierPosition(); }  // derivatives zero: the positions stay put
void Energie() { benchmark::DoNotOptimize(EnergiePotentielle()); }

template <void (*Etape)(), Famille f>
void Routine(benchmark::State& state) {
    Preparer(state, f);
    Conditions conditions(f);
    for (auto _ : state) Etape();
}

// The hull built once, as a counted loop does.
template <void (*Etape)(), Famille f>
void SurEnveloppe(benchmark::State& state) {
    Preparer(state, f);
    CalculerEnveloppe(false);
    Conditions conditions(f);
    for (auto _ : state) Etape();
}

// The descents' pass and the potentials of the basin hopping, on a copy.
template <bool potentiels, Famille f>
void Riesz(benchmark::State& state) {
    Preparer(state, f);
    const std::vector<Vec3> x = CopierPositions();
    std::vector<Vec3> zero(x.size()), forces(x.size());
    std::vector<double> pot(x.size());
    const double echelle = DistanceMinimaleDe(x);
    Conditions conditions(f);
    for (auto _ : state) {
        if (potentiels) {
            PotentielsRiesz(x, 1.0, echelle, pot);
        } else {
            benchmark::DoNotOptimize(EvaluerRiesz(x, zero, 1.0, echelle, forces));
        }
    }
}

void Tailles(benchmark::internal::Benchmark* b) {
    for (int n : {3, 10, 30, 100, 300, 1000, 3000, 9999}) {
        for (int on : {0, 1}) b->Args({n, on});
    }
    b->Unit(benchmark::kMicrosecond)->UseRealTime();
}

// The least disturbed repetition: what a team can gain on a quiet machine.
double Minimum(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }

// Around the thresholds, 1 and 2 workers.
void Seuils(benchmark::internal::Benchmark* b) {
    for (int n : {100, 200, 300, 400, 550, 700, 1000, 2000, 3000, 5000, 9999}) {
        for (int w : {1, 2}) b->Args({n, w});
    }
    b->Unit(benchmark::kMicrosecond)->UseRealTime()->ComputeStatistics("min", Minimum);
}

}  // namespace

#define EQUIPES(nom, modele, ...)                                                      \
    BENCHMARK_TEMPLATE(modele, __VA_ARGS__, calme)->Name("Equipe/" nom)->Apply(Tailles);   \
    BENCHMARK_TEMPLATE(modele, __VA_ARGS__, occupe)->Name("Occupe/" nom)->Apply(Tailles); \
    BENCHMARK_TEMPLATE(modele, __VA_ARGS__, seuil)->Name("Seuil/" nom)->Apply(Seuils)

EQUIPES("Force", Routine, Force);
EQUIPES("Position", Routine, Position);
EQUIPES("Annuler", Routine, AnnulerDerivees);
EQUIPES("Energie", Routine, Energie);
EQUIPES("Riesz", Riesz, false);
EQUIPES("PotentielsRiesz", Riesz, true);
EQUIPES("Locale", SurEnveloppe, AppliquerForceLocale);
EQUIPES("Faces", SurEnveloppe, ForceFaces);
EQUIPES("Aretes", SurEnveloppe, ForceAretes);

BENCHMARK_MAIN();
