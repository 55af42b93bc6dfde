// The pair sum of 1/r with every particle's own share, shared by the metrics
// (the energy, the viewer's potentials) and the Monte Carlo moves.
#pragma once

#include "mathematiques/noyaux.h"

// Returns the sum over pairs i < j of 1 / |p_i - p_j| and sets pot[k] (p.n
// floats) to particle k's terms, each rounded to float and added in ascending
// order of the other index: the same floats whatever the number of workers.
// Runs on PreparerEquipe() workers. With pot null, the same sum alone,
// without the float additions nor the waits they need.
double EnergieEtPotentiels(const PositionsSoA& p, float* pot);
