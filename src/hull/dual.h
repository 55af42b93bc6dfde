// The dual cells: for each particle, the centres of the faces around it,
// pushed onto the sphere and ordered around it, with a random colour.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "etat/maillage.h"
#include "etat/vec3.h"
#include "etat/verrous.h"
#include "mathematiques/hasard.h"

// For particle i with position p and dual corners g: whether going from g[k]
// to g[k + 1] turns counter-clockwise seen from outside the sphere, i.e.
// dot(cross(g[k] - p, g[k + 1] - p), p) > 0. Requires k + 1 < g.size().
bool cornerTurnsLeft(int i, int k) REQUIRES(verrouEtat);

// Replaces every particle's dualCorners by `degree` corners and draws its
// dualColour (three draws per particle, in particle order, from
// CouleursDual()), then fills the
// corners from the first faceCount faces and orders them. Sets dualAllocated.
// When the faces around a particle are not `degree` (a build that could not
// close cleanly), extra centres are dropped and missing corners are the
// particle's own position, so dualCorners.size() == degree always.
void CalculerDual() REQUIRES(verrouEtat);

// The dual corners of every particle in one array, apart from the shared
// state: particle i's are coins[debut[i] .. debut[i + 1]).
struct CoinsDual {
    std::vector<Vec3> coins;
    std::vector<int> debut;   // count + 1 entries
    std::vector<int> rempli;  // scratch: corners received per particle
};

// The corners CalculerDual would give particles at these positions with these
// degrees (max(degree, 0) each) and the first faceCount faces of mesh, in the
// same order; reads no shared state and draws no colour.
void CalculerCoinsDual(const std::vector<Vec3>& positions, const HullMesh& mesh, const std::vector<int32_t>& degres,
                       CoinsDual& dual);
// Gives each particle its corners from dual and draws its dualColour (three
// draws per particle, in particle order, from CouleursDual()). Sets
// dualAllocated.
void InstallerDual(const CoinsDual& dual) REQUIRES(verrouEtat);

// The colours' own stream, seeded on first use from the shared generator's
// seed: a frame may build the dual at any moment, and the shared stream must
// deal the same values to the commands whatever the viewer draws.
FluxHasard& CouleursDual() REQUIRES(verrouEtat);

// Orders particle i's corners: first by adjacent swaps, n + 1 passes over its
// n corners swapping each pair that does not turn counter-clockwise; then,
// when that did not give the cyclic order, by angle around the particle in
// its tangent plane, counter-clockwise seen from outside, from the first
// corner. So every cell of a valid hull is a simple polygon.
void OrdonnerCoinsDual(int i) REQUIRES(verrouEtat);

// Whether the corners, as stored, go once around the particle
// counter-clockwise: their angles rise, but for one fall back.
bool CoinsEnOrdreCyclique(int i) REQUIRES(verrouEtat);
