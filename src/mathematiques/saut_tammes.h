// EXPLORER's local step in Tammes mode: the hops search for the largest
// smallest distance rather than the lowest energy. Each step descends at an
// exponent of kExposantsTammes, whose minima lie near Tammes configurations,
// then polishes by PolirTammes; the search lowers minus the log of the
// smallest distance, so that its rules (Metropolis on log E, the temperature
// that follows the acceptance) keep their meaning. One exponent is not enough:
// at N = 44 and 50 every descent at 80 leads to one arrangement below the
// best known, which descents at 12 to 40 leave (bench/README.md).
#pragma once

#include <cmath>
#include <span>

#include "etat/vec3.h"
#include "mathematiques/minimisation.h"

// The descents' exponents (bench/README.md, "Tammes by global search"): each
// step takes one, chosen by its start's positions, so that a seed repeats the
// search. The callers give the first as the search's exponent (the hops'
// move of the worst particle is judged at it).
inline constexpr double kExposantsTammes[] = {80.0, 1.0, 3.0, 6.0, 12.0, 24.0, 40.0};
inline constexpr double kExposantTammes = kExposantsTammes[0];
// Linear programs of a polish at most: far more than a hop's polish takes
// from a descent at kExposantTammes up to N = 60.
inline constexpr long long kIterationsTammesSaut = 500;

// A descent at one of kExposantsTammes (the exponent of `descente` is not
// used) and a polish, stopped by its flag.
// The result's logEnergie is -log of the smallest distance; evaluations count
// the descent's passes and the polish's programs.
BilanDescente DescenteTammes(std::span<Vec3> positions, const ParametresDescente& descente);

// The smallest distance a measure of DescenteTammes stands for.
inline double DistanceDeMesure(double mesure) { return std::exp(-mesure); }
