// The Riesz energy sum over pairs of 1 / r^s and its forces, in one pass,
// for the descents. The sum is taken scaled, sum of (r / echelle)^-s, with
// echelle near the smallest distance, so that s = 1000 neither overflows nor
// underflows the terms that matter; the descents work on its logarithm,
// which no scale changes.
//
// The family goes on below s = 0, every member minimised: at s = 0 the
// energy is the sum of -log r, below it minus the sum of r^|s|. There the sum
// is taken shifted by a constant per pair, so that every term is positive
// and the descents take its logarithm as they do above 0: log(2 / r) at
// s = 0, 2^|s| - r^|s| below (2 the largest distance); the energy is the sum
// minus DecalageRiesz. These terms need no scale: echelle serves s > 0 only.
#pragma once

#include <span>

#include "etat/vec3.h"
#include "mathematiques/metriques.h"  // DistanceMinimaleDe: the scale callers take

inline constexpr double kExposantMin = -2.0;    // inclusive
inline constexpr double kExposantMax = 1000.0;  // inclusive

struct EvaluationRiesz {
    double energie = 0.0;    // sum of (r / echelle)^-s at the positions (s <= 0: of the shifted terms)
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
// (r / echelle)^-s, or of the shifted terms for s <= 0), for choosing which
// particle to move.
void PotentielsRiesz(std::span<const Vec3> positions, double s, double echelle, std::span<double> potentiels);

// The logarithm of the sum over pairs of r^-s (unscaled), also where the sum
// itself is past the largest double (s = 1000 at small distances); for
// s <= 0 the logarithm of the shifted sum (see DecalageRiesz).
double LogEnergieRiesz(std::span<const Vec3> positions, double s);

// What the sum of n particles exceeds the energy by: n (n - 1) / 2 times
// log 2 at s = 0, times 2^|s| below, 0 above.
double DecalageRiesz(int n, double s);
