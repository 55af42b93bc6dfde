// The simulation routines written the plain way, on one thread, straight on
// the particle records: the baseline of bench_simulation and the reference of
// the simulation tests.
#pragma once

#include <algorithm>
#include <cmath>

#include "mathematiques/hasard.h"
#include "etat/particules.h"

namespace litteral {

// Sum over pairs i < j of 1/r; each potential gets its float terms in index order.
inline double EnergiePotentielle() {
    const int n = etat.count;
    for (int i = 0; i < n; ++i) etat.particles[i].potential = 0.0f;
    double somme = 0.0;
    for (int i = 0; i < n - 1; ++i) {
        for (int j = i + 1; j < n; ++j) {
            const double e = 1.0 / std::sqrt(squaredDistance(etat.particles[i].position, etat.particles[j].position));
            etat.particles[i].potential += static_cast<float>(e);
            etat.particles[j].potential += static_cast<float>(e);
            somme += e;
        }
    }
    return somme;
}

inline double DistanceMinimale() {
    const int n = etat.count;
    double m = 5.0;
    for (int i = 0; i < n - 1; ++i) {
        for (int j = i + 1; j < n; ++j) {
            m = std::min(m, squaredDistance(etat.particles[i].position, etat.particles[j].position));
        }
    }
    return std::sqrt(m);
}

inline void AppliquerForce() {
    const int n = etat.count;
    const double c = params.K * kForceScale;
    if (n > 0) etat.particles[0].derivative = params.ambientField;
    for (int i = 1; i < n; ++i) {
        ParticleRecord& a = etat.particles[i];
        a.derivative = params.ambientField;
        for (int j = 0; j < i; ++j) {
            Vec3 d = difference(a.position, etat.particles[j].position);
            const double s = dot(d, d);
            d *= c / (std::sqrt(s) * s);
            a.derivative += d;
            etat.particles[j].derivative -= d;
        }
    }
}

inline void ModifierPosition() {
    for (int i = 0; i < etat.count; ++i) {
        ParticleRecord& r = etat.particles[i];
        Vec3 v = r.position;
        v += r.derivative;
        v *= 1.0 / norm(v);
        r.position = v;
    }
}

// Two full evaluations per attempt.
inline bool EssaiMonteCarlo() {
    const int n = etat.count;
    const int i = std::min(static_cast<int>(n * TirerReel()), n - 1);
    const Vec3 ancienne = etat.particles[i].position;
    const double e0 = EnergiePotentielle();
    TirerPointSphere(etat.particles[i].position, 1.0);
    const double e1 = EnergiePotentielle();
    if (e1 < e0) return true;
    const double h = std::exp(-(e1 - e0) / kMonteCarloTemperature);
    if (TirerReel() < h) return true;
    etat.particles[i].position = ancienne;
    return false;
}

}  // namespace litteral
