// Worker teams of the simulation loops.
#pragma once

#include <omp.h>

#include <cstddef>
#include <vector>

#include "etat/particules.h"
#include "etat/vec3.h"

// Workers of the next parallel region: NombreDeThreads(), unless a test
// imposed a team size.
int EquipeSimulation();

// Forces the team size of every later region (tests comparing 1 and 2
// workers on any machine); 0 gives the choice back to NombreDeThreads().
void ImposerEquipe(int workers);

// Switches off dynamic adjustment and returns the team size to pass to the
// num_threads clause; called before every parallel region.
int PreparerEquipe();

// Per-worker arrays for the reaction terms of the pair loops.
struct Reactions {
    int n;
    std::vector<double> valeurs;  // per worker: x[n], y[n], z[n]

    Reactions(int workers, int count) : n(count), valeurs(static_cast<size_t>(workers) * 3 * count) {}
    double* de(int worker, int axe) { return valeurs.data() + (static_cast<size_t>(worker) * 3 + axe) * n; }
};

// The pair loops: rows i = 1 .. n - 1 dealt in chunks of kChunk, each pair
// computed once; ligne(i, rx, ry, rz, propre) adds row i's own terms to
// propre[0..2] and the reactions at j < i to its worker's arrays. Then, for
// every particle k, fin(k, v) with v = debut(k) + its own terms + every
// worker's reactions, added in worker order: the one-thread result up to
// rounding order.
template <typename Ligne, typename Debut, typename Fin>
void ParcourirPaires(int n, Ligne ligne, Debut debut, Fin fin) {
    const int equipe = PreparerEquipe();
    std::vector<double> propres(3 * static_cast<size_t>(n), 0.0);
    Reactions reactions(equipe, n);
#pragma omp parallel num_threads(equipe)
    {
        const int w = omp_get_thread_num();
        double* rx = reactions.de(w, 0);
        double* ry = reactions.de(w, 1);
        double* rz = reactions.de(w, 2);
#pragma omp for schedule(static, kChunk)
        for (int i = 1; i < n; ++i) ligne(i, rx, ry, rz, &propres[3 * static_cast<size_t>(i)]);
        const int workers = omp_get_num_threads();
#pragma omp for schedule(static, kChunk)
        for (int k = 0; k < n; ++k) {
            Vec3 v = debut(k);
            v.x += propres[3 * k];
            v.y += propres[3 * k + 1];
            v.z += propres[3 * k + 2];
            for (int r = 0; r < workers; ++r) {
                v.x += reactions.de(r, 0)[k];
                v.y += reactions.de(r, 1)[k];
                v.z += reactions.de(r, 2)[k];
            }
            fin(k, v);
        }
    }
}
