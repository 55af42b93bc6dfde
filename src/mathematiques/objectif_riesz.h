// What the descents minimise: f = log E, E the Riesz sum of r^-s over the
// pairs, on the sphere (for s <= 0 the sum of the shifted terms, riesz.h). The same minima as E, and a gradient that does not
// depend on the scale the sum is taken at, so that the curvature pairs
// survive a change of scale. Along a search direction p (in the tangent
// planes) the trial points are x_i(a) = (x_i + a p_i) / |x_i + a p_i|, and
// phi(a) = f(x(a)) - f(x) = log1p(dE / E), with
// phi'(a) = sum of g_i(a) . p_i / |x_i + a p_i|, g the gradient in the
// tangent planes.
//
// dE: while the steps change the energy by far more than the sums' rounding
// (s = 1 only), the difference of the two sums, a pass that costs half as
// much; from the first change too small to be sure of its sign on, pair by
// pair from the displacements (EvaluerRiesz), so that the sign of a step's
// effect is known even when the energy's own rounding hides it.
//
// The energy compared is that of the directions x_i / |x_i|: a stored unit
// vector is off the sphere by some units of the last place, and the radial
// force is so much larger than the tangential one near a minimum that the
// energy of the stored vectors moves more with that rounding than with the
// step. Scaling x_i by exp(k_i), k_i = -log|x_i|, changes the energy by
// -k_i (x_i . F_i) to first order (x_i . F_i = s/2 times the particle's
// share), so E(directions) = E(x) - sum of k_i (x_i . F_i), with k_i from
// |x_i|^2 - 1 taken exactly.
//
// Scale (s != 1): the sum is taken as the sum of (r / echelle)^-s, echelle
// near the smallest distance, so that s = 1000 neither overflows nor
// underflows the terms that matter; when the smallest distance moves far from
// it, the current point is evaluated again at the new scale.
//
// Every choice that depends on the exponent is made in objectif_riesz.cpp
// (its first lines): whether the sum has a scale, whether the sums alone
// may give a step's change, how far a step may go, f from the sum, and the
// energy from f.
#pragma once

#include <span>
#include <vector>

#include "etat/vec3.h"

// A point of the sphere as the descent knows it.
struct PointSphere {
    std::vector<Vec3> x, f, g;  // positions, forces of the scaled sum, gradient of log E
    double energie = 0.0;       // scaled sum
    double radial = 0.0;        // sum of k_i (x_i . F_i): E(x) - E(directions), scaled
    double carreMin = 0.0;
    // On a search line: the step, phi and phi' (PointLigne, recherche_lineaire.h).
    double alpha = 0.0, phi = 0.0, dphi = 0.0;
};

class ObjectifRiesz {
  public:
    // positions: unit, finite and apart (SeparerPositions). Evaluates them.
    ObjectifRiesz(std::span<const Vec3> positions, double exposant);

    const PointSphere& Courant() const { return courant_; }
    double Critere() const { return critere_; }  // at Courant(), see CritereForces
    double LogEnergie() const { return logEnergie_; }  // the start's plus every accepted step's phi
    double Variation() const { return variation_; }    // the last accepted step's phi
    long long Evaluations() const { return evaluations_; }
    // Courant().f times this is the force of the sum of r^-s itself: the
    // scale's power, e^(-s log echelle) (infinite where that sum's forces
    // exceed the largest double).
    double FacteurForces() const;
    // The largest move of a step at this scale: with s > 0, s != 1 no particle may
    // move more than kPasEchelle echelle / s, so that the closest pair's term
    // changes by a factor within e^+-200 and the sum at a trial point neither
    // overflows nor underflows because of it; infinite for s = 1 and s <= 0.
    double PasSelonEchelle() const;

    // The point a along the direction, with phi and phi'.
    PointSphere Essayer(const std::vector<Vec3>& direction, double a);
    // pris becomes the current point (and the scale may change); s and y
    // receive the step and the change of the gradient, both in pris's
    // tangent planes: its curvature pair.
    void Accepter(PointSphere pris, std::vector<Vec3>& s, std::vector<Vec3>& y);

  private:
    void Evaluer(PointSphere& pt, const std::vector<Vec3>& deplacement);
    void Calculer(PointSphere& pt, std::span<const Vec3> deplacement);
    void ChangerEchelle();

    const double exposant_;
    const int n_;
    double echelle_ = 1.0;
    double logEnergie_ = 0.0;
    double variation_ = 0.0;
    double critere_ = 0.0;
    long long evaluations_ = 0;
    PointSphere courant_;
    bool sommesSeules_ = true;  // see Evaluer
    double seuilSommes_ = 0.0;  // relative change the difference of two sums shows surely
};

// The energy of n particles whose f is f: e^f, less the shift for s <= 0.
double EnergieDepuisLog(double f, int n, double s);

// v := v minus its components along the x_i: the tangent planes.
void ProjeterTangentes(const std::vector<Vec3>& x, std::vector<Vec3>& v);

// The descents' criterion at x with forces f: the largest tangential force
// over the mean magnitude of the total forces; infinite when it cannot be
// measured (forces that underflowed or are not numbers), so that it never
// passes for a minimum.
double CritereForces(std::span<const Vec3> x, std::span<const Vec3> f);

// The largest norm of the tangential part of the forces f at x.
double PlusGrandeForceTangentielle(std::span<const Vec3> x, std::span<const Vec3> f);
