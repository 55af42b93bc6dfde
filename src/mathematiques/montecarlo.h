// Metropolis moves on the potential energy.
#pragma once

#include "etat/verrous.h"

// One attempt: a random particle goes to a fresh random place on the sphere;
// kept if the energy drops, else with probability exp(-(E1 - E0) / 0.001).
// Returns true when kept; a refused move restores the old position bit for bit.
bool EssaiMonteCarlo() REQUIRES(verrouEtat);

// The energy of the current configuration as the attempts know it (tests).
double EnergieMonteCarloCourante() REQUIRES(verrouEtat);
