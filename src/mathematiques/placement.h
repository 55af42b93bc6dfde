// Fresh positions without regard to the old ones.
#pragma once

#include "etat/verrous.h"

#include <cstdint>
#include <span>

#include "etat/vec3.h"

// Particles first .. N - 1 at uniform random places on the sphere (none when
// first >= N); then every derivative cleared. With one worker the particles
// take their points in index order.
void PlacerAleatoirement(int32_t first) REQUIRES(verrouEtat);

// A spiral from the south pole (particle 0) to the north pole (N - 1), phi
// advancing by step / sqrt(N) / sqrt(1 - z^2) and kept as its truncated
// remainder by 2 pi; derivatives cleared. Returns EnergiePotentielle().
double PlacerEnSpirale(double step) REQUIRES(verrouEtat);

// The same spiral's points, N = positions.size(), into positions.
void CalculerSpirale(double step, std::span<Vec3> positions);

// Every derivative set to (0, 0, 0).
void AnnulerDerivees() REQUIRES(verrouEtat);
