// The measures of a configuration.
#pragma once

#include "etat/verrous.h"

#include <cstdint>

// Sum over pairs i < j of 1 / |p_i - p_j|; sets every `potential` to the
// particle's own sum, each term rounded to float and added in ascending order
// of the other index (the same floats whatever the number of workers).
double EnergiePotentielle() REQUIRES(verrouEtat);

// Smallest distance between two particles; sqrt(5) with fewer than two.
double DistanceMinimale() REQUIRES(verrouEtat);

// Asymptotic estimate of the lowest energy of n particles.
double EnergieMinimumTheorique(int32_t n);

// The Monte Carlo moves leave `potential` owed (it must describe the
// configuration of the last attempt's moved particle); this writes those values. Does nothing
// when they are current. Readers of `potential` call it first, holding
// verrouEtat; EnergiePotentielle makes them current too.
void ActualiserPotentiels() REQUIRES(verrouEtat);
