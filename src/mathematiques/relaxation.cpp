// One relaxation step maps every x_i to the unit vector along
// x_i + B + 0.0001 K sum_j (x_i - x_j) / |x_i - x_j|^3, all forces taken from
// the positions before the step. Row i computes each pair j < i once and
// applies it to both ends: its own term in registers, the reaction into the
// worker's private arrays, which are added in worker order after the loop
// (the one-thread result up to rounding order).
#include "mathematiques/relaxation.h"

#include <cmath>

#include "etat/parallele.h"
#include "etat/particules.h"
#include "mathematiques/noyaux.h"

// derivative_k = field + own row sum + every worker's reaction at k.
void AppliquerForce() {
    PositionsSoA p;
    p.charger();
    const double c = params.K * kForceScale;
    const NoyauxPaires& noyaux = Noyaux();
    auto ligne = [&](int i, double* rx, double* ry, double* rz, double* propre) {
        noyaux.forceLigne(p, i, c, rx, ry, rz, propre);
    };
    ParticleRecord* particules = etat.particles.data();  // written inside this call, under its lock
    ParcourirPaires(
        p.n, ligne, [](int) { return params.ambientField; },
        [particules](int k, const Vec3& d) { particules[k].derivative = d; });
}

void ModifierPosition() {
    const int n = etat.count;
    const int equipe = PreparerEquipe(n, kSeuilParticules);
    ParticleRecord* particules = etat.particles.data();  // the caller holds the lock
    PourChaque(n, equipe, [particules](int i) {
        ParticleRecord& r = particules[i];
        Vec3 v = r.position;
        v += r.derivative;
        v *= 1.0 / norm(v);
        r.position = v;
    });
    MarquerDeplacement();
}
