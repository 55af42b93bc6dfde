// Making any set of positions fit for the descents: on the sphere, finite,
// no two in the same place.
#pragma once

#include <span>

#include "etat/vec3.h"

// Each position made unit; one that is not finite or has no direction is
// replaced by a random point; of two particles closer than 1e-8 mean
// spacings, the later one is moved a hundredth of a spacing in a random
// direction, until no such pair is left. Draws from the shared generator on
// the calling thread. Returns how many positions changed.
int SeparerPositions(std::span<Vec3> positions);

// Mean distance between neighbours of n evenly spread particles, sqrt(4 pi / n)
// (2 for n < 2): the length the descents measure their steps with.
double EcartMoyen(int n);
