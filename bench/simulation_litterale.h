// The simulation routines written the plain way, on one thread, straight on
// the particle records: the baseline of bench_simulation and the reference of
// the simulation tests.
#pragma once

#include <algorithm>
#include <cmath>

#include "etat/maillage.h"
#include "etat/particules.h"
#include "mathematiques/hasard.h"
#include "mathematiques/noyaux.h"

namespace litteral {

// Sum over pairs i < j of 1/r; with potentiels, each particle's share, its
// float terms added in index order.
inline double EnergiePotentielle(std::vector<float>* potentiels = nullptr) {
    const int n = etat.count;
    if (potentiels != nullptr) potentiels->assign(static_cast<size_t>(n), 0.0f);
    double somme = 0.0;
    for (int i = 0; i < n - 1; ++i) {
        for (int j = i + 1; j < n; ++j) {
            const double e = 1.0 / std::sqrt(squaredDistance(etat.particles[i].position, etat.particles[j].position));
            if (potentiels != nullptr) {
                (*potentiels)[i] += static_cast<float>(e);
                (*potentiels)[j] += static_cast<float>(e);
            }
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

// The hull-based steps, straight over the lists of the last build; entries
// naming a particle outside the array are skipped.
inline bool Existe(int i) { return i >= 0 && i < etat.count; }

// LOCAL's force: the Coulomb force along each hull edge, in edge order.
inline void ForceLocale() {
    const double c = params.K * kForceScale;
    for (int i = 0; i < etat.count; ++i) etat.particles[i].derivative = params.ambientField;
    for (int e = 0; e < enveloppe.edgeCount; ++e) {
        const int a = enveloppe.edges[e].lo, b = enveloppe.edges[e].hi;
        if (!Existe(a) || !Existe(b)) continue;
        Vec3 d = difference(etat.particles[a].position, etat.particles[b].position);
        const double s = dot(d, d);
        d *= s >= kContact * kContact ? c / (std::sqrt(s) * s) : 0.0;
        etat.particles[a].derivative += d;
        etat.particles[b].derivative -= d;
    }
}

inline Vec3 Tension(Vec3 e, double l, double cible, double R) {
    if (!(l > 0.0)) return {};
    e *= cible - l;
    e *= R;
    e /= l;
    return e;
}

// FACES' force: each face's edges toward their mean length.
inline void ForceFaces() {
    const double R = params.stringResistance;
    for (int i = 0; i < etat.count; ++i) etat.particles[i].derivative.clear();
    for (int f = 0; f < enveloppe.faceCount; ++f) {
        const int16_t* v = enveloppe.faces[f].v;
        if (!Existe(v[0]) || !Existe(v[1]) || !Existe(v[2])) continue;
        Vec3 e[3];
        double l[3];
        for (int k = 0; k < 3; ++k) {
            e[k] = difference(etat.particles[v[k]].position, etat.particles[v[(k + 1) % 3]].position);
            l[k] = norm(e[k]);
        }
        const double m = (l[0] + l[1] + l[2]) / 3.0;
        for (int k = 0; k < 3; ++k) e[k] = Tension(e[k], l[k], m, R);
        for (int k = 0; k < 3; ++k) etat.particles[v[k]].derivative += e[k];
        for (int k = 0; k < 3; ++k) etat.particles[v[(k + 1) % 3]].derivative -= e[k];
    }
}

// ARETES' force: each edge a spring.
inline void ForceAretes() {
    const double L = params.springLength, R = params.stringResistance;
    for (int i = 0; i < etat.count; ++i) etat.particles[i].derivative.clear();
    for (int e = 0; e < enveloppe.edgeCount; ++e) {
        const int a = enveloppe.edges[e].lo, b = enveloppe.edges[e].hi;
        if (!Existe(a) || !Existe(b)) continue;
        const Vec3 d = difference(etat.particles[a].position, etat.particles[b].position);
        const Vec3 t = Tension(d, norm(d), L, R);
        etat.particles[a].derivative += t;
        etat.particles[b].derivative -= t;
    }
}

// ELOIGNE (sens 1) and APPROCHE (sens -1) along the hull edges.
inline void DeplacerPaire(double sens) {
    double borne = sens > 0 ? 5.0 : 0.0;
    int p = 0, q = 0;
    for (int e = 0; e < enveloppe.edgeCount; ++e) {
        const int a = enveloppe.edges[e].lo, b = enveloppe.edges[e].hi;
        if (!Existe(a) || !Existe(b)) continue;
        const double s = squaredDistance(etat.particles[a].position, etat.particles[b].position);
        if (sens > 0 ? s < borne : s > borne) {
            borne = s;
            p = a;
            q = b;
        }
    }
    if (p == q) return;
    Vec3& x = etat.particles[p].position;
    Vec3& y = etat.particles[q].position;
    Vec3 delta = difference(x, y);
    delta *= params.P * sens;
    x += delta;
    y -= delta;
    setLength(x, 1.0);
    setLength(y, 1.0);
}

}  // namespace litteral
