// EXPLORER's local step in Tammes mode: the hops search for the largest
// smallest distance rather than the lowest energy. Each step descends at a
// large exponent, whose minima lie near the Tammes configurations, then
// polishes by PolirTammes; the search lowers minus the log of the smallest
// distance, so that its rules (Metropolis on log E, the temperature that
// follows the acceptance) keep their meaning.
#pragma once

#include <cmath>
#include <span>

#include "etat/vec3.h"
#include "mathematiques/minimisation.h"

// The descents' exponent (bench/README.md, "Tammes by global search").
inline constexpr double kExposantTammes = 80.0;
// Linear programs of a polish at most: far more than a hop's polish takes
// from a descent at kExposantTammes up to N = 60.
inline constexpr long long kIterationsTammesSaut = 500;

// A descent at the exponent of `descente` and a polish, stopped by its flag.
// The result's logEnergie is -log of the smallest distance; evaluations count
// the descent's passes and the polish's programs.
BilanDescente DescenteTammes(std::span<Vec3> positions, const ParametresDescente& descente);

// The smallest distance a measure of DescenteTammes stands for.
inline double DistanceDeMesure(double mesure) { return std::exp(-mesure); }
