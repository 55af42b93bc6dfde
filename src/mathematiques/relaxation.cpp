// One relaxation step maps every x_i to the unit vector along
// x_i + B + 0.0001 K sum_j (x_i - x_j) / |x_i - x_j|^3, all forces taken from
// the positions before the step. Row i computes each pair j < i once and
// applies it to both ends: its own term in registers, the reaction into the
// worker's private arrays, which are added in worker order after the loop
// (the one-thread result up to rounding order).
#include "mathematiques/relaxation.h"

#include <omp.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "mathematiques/noyaux.h"
#include "etat/parallele.h"
#include "etat/particules.h"

namespace {

struct Reactions {
    int n;
    std::vector<double> valeurs;  // per worker: x[n], y[n], z[n]

    Reactions(int workers, int count) : n(count), valeurs(static_cast<size_t>(workers) * 3 * count) {}
    double* de(int worker, int axe) { return valeurs.data() + (static_cast<size_t>(worker) * 3 + axe) * n; }
};

// derivative_k = field + own row sum + every worker's reaction at k.
void Rassembler(int k, int workers, const std::vector<double>& propres, Reactions& reactions) REQUIRES(verrouEtat) {
    Vec3 d = params.ambientField;
    d.x += propres[3 * k];
    d.y += propres[3 * k + 1];
    d.z += propres[3 * k + 2];
    for (int w = 0; w < workers; ++w) {
        d.x += reactions.de(w, 0)[k];
        d.y += reactions.de(w, 1)[k];
        d.z += reactions.de(w, 2)[k];
    }
    etat.particles[k].derivative = d;
}

}  // namespace

void AppliquerForce() {
    PositionsSoA p;
    p.charger();
    const int n = p.n;
    const double c = params.K * kForceScale;
    const int equipe = PreparerEquipe();
    std::vector<double> propres(3 * static_cast<size_t>(n), 0.0);
    Reactions reactions(equipe, n);
    const NoyauxPaires& noyaux = Noyaux();
#pragma omp parallel num_threads(equipe)
    {
        const int w = omp_get_thread_num();
        double* rx = reactions.de(w, 0);
        double* ry = reactions.de(w, 1);
        double* rz = reactions.de(w, 2);
#pragma omp for schedule(static, kChunk)
        for (int i = 1; i < n; ++i) noyaux.forceLigne(p, i, c, rx, ry, rz, &propres[3 * static_cast<size_t>(i)]);
        const int workers = omp_get_num_threads();
#pragma omp for schedule(static, kChunk)
        for (int k = 0; k < n; ++k) Rassembler(k, workers, propres, reactions);
    }
}

void ModifierPosition() {
    const int n = etat.count;
    const int equipe = PreparerEquipe();
#pragma omp parallel for num_threads(equipe) schedule(static, kChunk)
    for (int i = 0; i < n; ++i) {
        ParticleRecord& r = etat.particles[i];
        Vec3 v = r.position;
        v += r.derivative;
        v *= 1.0 / norm(v);
        r.position = v;
    }
}
