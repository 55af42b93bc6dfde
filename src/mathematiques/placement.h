// Fresh positions without regard to the old ones.
#pragma once

#include "etat/verrous.h"

#include <cstdint>

// Particles first .. N - 1 at uniform random places on the sphere (none when
// first >= N); then every derivative cleared. With one worker the particles
// take their points in index order.
void PlacerAleatoirement(int32_t first) REQUIRES(verrouEtat);

// A spiral from the south pole (particle 0) to the north pole (N - 1), phi
// advancing by step / sqrt(N) / sqrt(1 - z^2) and kept as its truncated
// remainder by 2 pi; derivatives cleared. Returns EnergiePotentielle().
double PlacerEnSpirale(double step) REQUIRES(verrouEtat);

// Every derivative set to (0, 0, 0).
void AnnulerDerivees() REQUIRES(verrouEtat);
