// Worker teams of the simulation loops.
#pragma once

#include <omp.h>

#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

#include "etat/particules.h"
#include "etat/vec3.h"

// Work below which a region runs on the calling thread alone: waking a team
// and the false sharing at its edges cost more than the second worker saves
// (bench_equipes, bench/README.md).
inline constexpr int64_t kSeuilPaires = 150000;          // pair loops, in pairs (about N = 550)
inline constexpr int64_t kSeuilParticules = 1000000;     // one item per particle: never at N <= 9999

inline int64_t Paires(int n) { return n < 2 ? 0 : static_cast<int64_t>(n) * (n - 1) / 2; }

// Workers of the next parallel region above the thresholds: NombreDeThreads(),
// unless the thread or a test imposed a team size, and no more than the
// cores that other processes leave free (CoeursDisponibles).
int EquipeSimulation();

// Forces the team size of every later region above the thresholds (tests
// comparing 1 and 2 workers on any machine); 0 gives the choice back to
// NombreDeThreads().
void ImposerEquipe(int workers);

// Forces the team size of every later region that the calling thread opens
// (0 gives the choice back): a search's walkers each run their descents on
// their own thread alone, whatever the load, so that the search repeats.
void ImposerEquipeDuFil(int workers);

// With true, every region takes the team whatever its work (tests that
// compare worker counts on small sets, the benchmark that sets the thresholds).
void IgnorerSeuils(bool ignorer);

// Cores this process may use that other processes do not keep busy, at least
// 1: the idle time of the machine plus this process's own CPU time over the
// last tenth of a second or more, sampled at most that often.
int CoeursDisponibles();

// The rule of CoeursDisponibles: over an interval, `inactifs` cores' worth of
// idle time and `nous` of this process's CPU time, of `permis` cores; a core
// counts when at least 0.7 of it was idle or ours. Between 1 and permis.
int CoeursLibres(double inactifs, double nous, int permis);

// Switches off dynamic adjustment and returns the team size to pass to the
// num_threads clause of a region of `travail` units of work: 1 below
// `seuil`. Called before every parallel region.
int PreparerEquipe(int64_t travail, int64_t seuil);

// Calls corps(i) for i = 0 .. n - 1, on a team of `equipe` workers or, for
// one, on the calling thread outside any OpenMP region: even a team of one
// pays a futex system call at each barrier, which at N = 100 cost a tenth of
// a descent (bench/README.md, "Teams of one").
template <typename Corps>
void PourChaque(int n, int equipe, Corps corps) {
    if (equipe <= 1) {
        for (int i = 0; i < n; ++i) corps(i);
        return;
    }
#pragma omp parallel for num_threads(equipe) schedule(static)
    for (int i = 0; i < n; ++i) corps(i);
}

inline constexpr size_t kLigneCache = 64;

// Storage that starts on a cache line, so that what one worker writes never
// shares a line with what the previous worker's block ends with.
template <typename T>
struct AllocateurLigne {
    using value_type = T;
    AllocateurLigne() = default;
    template <typename U>
    AllocateurLigne(const AllocateurLigne<U>&) {}
    T* allocate(size_t n) { return static_cast<T*>(::operator new(n * sizeof(T), std::align_val_t{kLigneCache})); }
    void deallocate(T* p, size_t) { ::operator delete(p, std::align_val_t{kLigneCache}); }
    bool operator==(const AllocateurLigne&) const { return true; }
};

// Per-worker arrays for the reaction terms of the pair loops, each worker's
// block on cache lines of its own.
struct Reactions {
    size_t pas;  // n rounded up to whole cache lines
    std::vector<double, AllocateurLigne<double>> valeurs;  // per worker: x, y, z, each pas long

    Reactions(int workers, int count)
        : pas((static_cast<size_t>(count) + 7) / 8 * 8), valeurs(static_cast<size_t>(workers) * 3 * pas) {}
    double* de(int worker, int axe) { return valeurs.data() + (static_cast<size_t>(worker) * 3 + axe) * pas; }
};

// A chunk's own terms (kChunk rows of 3 doubles) on two cache lines of their own.
inline constexpr size_t kPasTranche = 16;
static_assert(3 * kChunk <= static_cast<int>(kPasTranche) && kPasTranche * sizeof(double) % kLigneCache == 0);

// The pair loops: rows i = 1 .. n - 1 dealt in chunks of kChunk, each pair
// computed once; ligne(i, rx, ry, rz, propre) adds row i's own terms to
// propre[0..2] and the reactions at j < i to its worker's arrays. Then, for
// every particle k, fin(k, v) with v = debut(k) + its own terms + every
// worker's reactions, added in worker order: the one-thread result up to
// rounding order.
template <typename Ligne, typename Debut, typename Fin>
void ParcourirPaires(int n, Ligne ligne, Debut debut, Fin fin) {
    const int equipe = PreparerEquipe(Paires(n), kSeuilPaires);
    const size_t tranches = n < 2 ? 0 : (static_cast<size_t>(n) - 2) / kChunk + 1;
    std::vector<double, AllocateurLigne<double>> propres(tranches * kPasTranche, 0.0);
    auto propre = [&propres](int i) {
        const size_t r = static_cast<size_t>(i) - 1;
        return &propres[r / kChunk * kPasTranche + r % kChunk * 3];
    };
    Reactions reactions(equipe, n);
    auto finir = [&](int k, int workers) {
        static constexpr double kAucun[3] = {0.0, 0.0, 0.0};  // particle 0 has no row
        const double* q = k > 0 ? propre(k) : kAucun;
        Vec3 v = debut(k);
        v.x += q[0];
        v.y += q[1];
        v.z += q[2];
        for (int r = 0; r < workers; ++r) {
            v.x += reactions.de(r, 0)[k];
            v.y += reactions.de(r, 1)[k];
            v.z += reactions.de(r, 2)[k];
        }
        fin(k, v);
    };
    if (equipe <= 1) {
        for (int i = 1; i < n; ++i) ligne(i, reactions.de(0, 0), reactions.de(0, 1), reactions.de(0, 2), propre(i));
        for (int k = 0; k < n; ++k) finir(k, 1);
        return;
    }
#pragma omp parallel num_threads(equipe)
    {
        const int w = omp_get_thread_num();
        double* rx = reactions.de(w, 0);
        double* ry = reactions.de(w, 1);
        double* rz = reactions.de(w, 2);
#pragma omp for schedule(static, kChunk)
        for (int i = 1; i < n; ++i) ligne(i, rx, ry, rz, propre(i));
        const int workers = omp_get_num_threads();
#pragma omp for schedule(static)
        for (int k = 0; k < n; ++k) finir(k, workers);
    }
}
