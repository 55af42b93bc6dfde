// Pairs of particles closer than a distance, by a sweep along z: the
// particles taken in increasing z, each measured only against those above it
// by less than the distance. Near-neighbour pairs of a spread set cost
// O(N^1.5) instead of the N^2 / 2 of the full scan, and the sweep finds
// exactly the pairs the full scan finds (finite positions): a pair at least
// the distance apart in z is at least as far apart after rounding.
#pragma once

#include <algorithm>
#include <numeric>
#include <span>
#include <vector>

#include "etat/vec3.h"

// The particles in increasing z, ties by index.
inline std::vector<int> OrdreSelonZ(std::span<const Vec3> x) {
    std::vector<int> ordre(x.size());
    std::iota(ordre.begin(), ordre.end(), 0);
    std::sort(ordre.begin(), ordre.end(), [&](int a, int b) { return x[a].z < x[b].z || (x[a].z == x[b].z && a < b); });
    return ordre;
}

// The sweep: f(a, b, c), c = squaredDistance(x[a], x[b]), for each particle
// a in the order along z and each b above it whose difference in z squares
// to less than `carre`; f may lower `carre` as it goes (a reach that shrinks
// with what it finds). A pair left out has c >= carre: the square of the
// difference in z is one of the rounded terms of c.
template <class F>
void Balayer(std::span<const Vec3> x, double& carre, F&& f) {
    const std::vector<int> ordre = OrdreSelonZ(x);
    const int n = static_cast<int>(ordre.size());
    for (int u = 0; u < n; ++u) {
        const int a = ordre[u];
        for (int v = u + 1; v < n; ++v) {
            const int b = ordre[v];
            const double dz = x[b].z - x[a].z;
            if (dz * dz >= carre) break;
            f(a, b, squaredDistance(x[a], x[b]));
        }
    }
}

// f(a, b, c) for every pair closer than `portee` (>= 0), c =
// squaredDistance(x[a], x[b]) < portee^2; a is below b in the sweep's order
// (either index may be the larger).
template <class F>
void ParcourirPairesProches(std::span<const Vec3> x, double portee, F&& f) {
    double carre = portee * portee;
    Balayer(x, carre, [&](int a, int b, double c) {
        if (c < carre) f(a, b, c);
    });
}
