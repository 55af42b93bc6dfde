// Shared set-up of the simulation tests: configurations, hand-made hulls and
// comparisons with the plain one-thread routines.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "../../bench/simulation_litterale.h"
#include "etat/parallele.h"
#include "hull/enveloppe.h"
#include "mathematiques/hasard.h"
#include "mathematiques/simulation.h"

namespace outils {

// Count and positions as given, derivatives cleared, hull not computed,
// default constants, one worker.
inline void Configurer(const std::vector<Vec3>& positions) {
    params.resetDefaults();
    ImposerEquipe(1);
    ChangerNombre(static_cast<int>(positions.size()), true);
    for (size_t i = 0; i < positions.size(); ++i) etat.particles[i].position = positions[i];
    MarquerDeplacement();
    AnnulerDerivees();
}

// Moves particle i to v as a routine of the program would: the generation moves too.
inline void Poser(int i, const Vec3& v) {
    etat.particles[i].position = v;
    MarquerDeplacement();
}

inline std::vector<Vec3> Aleatoires(int n, long graine) {
    InitialiserHasard(graine);
    std::vector<Vec3> p(n);
    for (Vec3& v : p) TirerPointSphere(v, 1.0);
    return p;
}

inline Vec3 Unitaire(double x, double y, double z) {
    Vec3 v{x, y, z};
    setLength(v, 1.0);
    return v;
}

inline std::vector<Vec3> Positions() {
    std::vector<Vec3> p;
    for (const ParticleRecord& r : etat.particles) p.push_back(r.position);
    return p;
}

inline std::vector<Vec3> Derivees() {
    std::vector<Vec3> d;
    for (const ParticleRecord& r : etat.particles) d.push_back(r.derivative);
    return d;
}

// Each particle's share of the energy, as the viewer's colours take it.
inline std::vector<float> Potentiels() {
    std::vector<float> p(etat.particles.size());
    PotentielsDe(Positions(), p);
    return p;
}

inline void Installer(const std::vector<HullEdge>& aretes, const std::vector<HullFace>& faces) {
    for (size_t e = 0; e < aretes.size(); ++e) enveloppe.edges[e] = aretes[e];
    for (size_t f = 0; f < faces.size(); ++f) enveloppe.faces[f] = faces[f];
    enveloppe.edgeCount = static_cast<int>(aretes.size());
    enveloppe.faceCount = static_cast<int>(faces.size());
    hullValid = true;
}

// Regular tetrahedron with every pair an edge.
inline void Tetraedre() {
    Configurer({Unitaire(1, 1, 1), Unitaire(1, -1, -1), Unitaire(-1, 1, -1), Unitaire(-1, -1, 1)});
    Installer({{0, 1}, {0, 2}, {0, 3}, {1, 2}, {1, 3}, {2, 3}}, {{{0, 1, 2}}, {{0, 1, 3}}, {{0, 2, 3}}, {{1, 2, 3}}});
}

// Regular octahedron: +x -x +y -y +z -z; every pair but the antipodes is an edge.
inline void Octaedre() {
    Configurer({{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}});
    std::vector<HullEdge> aretes;
    for (int a = 0; a < 6; ++a) {
        for (int b = a + 1; b < 6; ++b) {
            if (b != a + 1 || a % 2 == 1) aretes.push_back({static_cast<int16_t>(a), static_cast<int16_t>(b)});
        }
    }
    std::vector<HullFace> faces;
    for (int16_t x : {0, 1}) {
        for (int16_t y : {2, 3}) {
            for (int16_t z : {4, 5}) faces.push_back({{x, y, z}});
        }
    }
    Installer(aretes, faces);
}

// |a - b| within tol times |b|, component by component of the vector.
inline void ProchesVecteurs(const std::vector<Vec3>& a, const std::vector<Vec3>& b, double tol) {
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) {
        EXPECT_LE(norm(difference(a[i], b[i])), tol * norm(b[i])) << "particle " << i;
    }
}

}  // namespace outils
