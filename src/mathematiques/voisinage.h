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

// f(a, b, c) for every pair closer than `portee`, c = squaredDistance(x[a],
// x[b]) < portee^2; a is below b in the sweep's order (either index may be
// the larger).
template <class F>
void ParcourirPairesProches(std::span<const Vec3> x, double portee, F&& f) {
    const std::vector<int> ordre = OrdreSelonZ(x);
    const double carre = portee * portee;
    const int n = static_cast<int>(ordre.size());
    for (int u = 0; u < n; ++u) {
        const int a = ordre[u];
        for (int v = u + 1; v < n && x[ordre[v]].z - x[a].z < portee; ++v) {
            const int b = ordre[v];
            const double c = squaredDistance(x[a], x[b]);
            if (c < carre) f(a, b, c);
        }
    }
}

// The smallest squared distance between two of the positions (5 with fewer
// than two), bit for bit the full scan's.
double PlusPetitCarre(std::span<const Vec3> x);
