// The measures of a configuration. The routines take the positions as a span
// (a copy, or the descents' own arrays); those named after the state are the
// shell's, on the particles under verrouEtat.
#pragma once

#include <cstdint>
#include <span>

#include "etat/vec3.h"
#include "etat/verrous.h"

// Sum over pairs i < j of 1 / |p_i - p_j|, of the particles.
double EnergiePotentielle() REQUIRES(verrouEtat);

// Smallest distance between two of the positions; sqrt(5) with fewer than
// two. A NaN distance never counts (nor, so, any position whose z is not
// finite).
double DistanceMinimaleDe(std::span<const Vec3> positions);
// The same for the particles.
double DistanceMinimale() REQUIRES(verrouEtat);

// potentiels[k] = particle k's sum of 1 / r to the others, each term rounded
// to float and added in ascending order of the other index: the same floats
// whatever the number of workers (the viewer's colours).
void PotentielsDe(std::span<const Vec3> positions, std::span<float> potentiels);

// Asymptotic estimate of the lowest energy of n particles.
double EnergieMinimumTheorique(int32_t n);
