// The Riesz energy sum over pairs of 1 / r^s and its forces, in one pass,
// for the descents. The sum is taken scaled, sum of (r / echelle)^-s, with
// echelle near the smallest distance, so that s = 1000 neither overflows nor
// underflows the terms that matter; the descents work on its logarithm,
// which no scale changes.
#pragma once

#include <span>

#include "etat/vec3.h"
#include "mathematiques/metriques.h"  // DistanceMinimaleDe: the scale callers take

inline constexpr double kExposantMin = 0.0;     // exclusive
inline constexpr double kExposantMax = 1000.0;  // inclusive

struct EvaluationRiesz {
    double energie = 0.0;    // sum of (r / echelle)^-s at the positions
    double variation = 0.0;  // its change since the positions were moved by the given displacement
    double carreMin = 0.0;   // smallest squared distance (s != 1 only; 0 for s == 1)
};

// Energy and forces at `positions`, which are `deplacement` away from the
// configuration the caller compares with (zero: the variation is 0). The
// variation comes from the displacements pair by pair, so a step too small to
// show in the energy still shows its sign. forces[i] receives minus the
// gradient of the scaled sum at i (no projection). s = 1 runs the vector
// kernels. An empty displacement leaves the variation 0 (and, at s = 1,
// spares the kernels half their work). Runs on PreparerEquipe() workers; the
// sums do not depend on their number, the forces only by rounding.
EvaluationRiesz EvaluerRiesz(std::span<const Vec3> positions, std::span<const Vec3> deplacement, double s,
                             double echelle, std::span<Vec3> forces);

// Each particle's share of the scaled sum (the sum over the others of
// (r / echelle)^-s), for choosing which particle to move.
void PotentielsRiesz(std::span<const Vec3> positions, double s, double echelle, std::span<double> potentiels);
