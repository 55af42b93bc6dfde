// The dual cells: for each particle, the centres of the faces around it,
// pushed onto the sphere and ordered around it, with a random colour.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "etat/maillage.h"
#include "etat/vec3.h"
#include "etat/verrous.h"

// The corners of every particle in one array, apart from the shared state:
// particle i's are coins[debut[i] .. debut[i + 1]).
struct CoinsDual {
    std::vector<Vec3> coins;
    std::vector<int> debut;   // count + 1 entries
    std::vector<int> rempli;  // scratch: corners received per particle
};

// The cells of particles at these positions with these degrees: max(degree, 0)
// corners each, the centres of the first faceCount faces of mesh, in face
// order, pushed onto the sphere and ordered (OrdonnerCoins). When the faces
// around a particle are not `degree` (a build that could not close cleanly),
// extra centres are dropped and missing corners are the particle's own
// position. Reads no shared state and draws no colour.
void CalculerCoinsDual(const std::vector<Vec3>& positions, const HullMesh& mesh, const std::vector<int32_t>& degres,
                       CoinsDual& dual);
// Gives each particle its corners from dual and draws its dualColour (three
// TirerReel per particle, in particle order). Sets dualAllocated.
void InstallerDual(const CoinsDual& dual) REQUIRES(verrouEtat);

// One cell: the corners g around a particle at p.

// Whether going from g[k] to g[k + 1] turns counter-clockwise seen from
// outside the sphere: dot(cross(g[k] - p, g[k + 1] - p), p) > 0. Requires
// k + 1 < g.size().
bool CoinTourneAGauche(const Vec3& p, std::span<const Vec3> g, int k);

// First by adjacent swaps, n + 1 passes over the n corners swapping each pair
// that does not turn counter-clockwise; then, when that did not give the
// cyclic order, by angle around p in its tangent plane, counter-clockwise
// seen from outside, from the first corner. So every cell of a valid hull is
// a simple polygon.
void OrdonnerCoins(const Vec3& p, std::span<Vec3> g);

// Whether the corners, as they stand, go once around p counter-clockwise:
// their angles rise, but for one fall back.
bool CoinsEnOrdreCyclique(const Vec3& p, std::span<const Vec3> g);
