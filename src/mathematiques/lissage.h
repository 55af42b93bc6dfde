// Smoothing of the descents' steps near a minimum: an approximate inverse of
// M = L + sigma I, L the Laplacian of the graph of near neighbours (weights
// r^-(s+2), the stiffness of a pair of the Riesz sum), applied to each
// coordinate. Near a minimum the Hessian's stiffest modes are those where
// neighbours move against each other; M damps them and leaves the long
// waves almost untouched, which lowers the spread of curvatures the
// quasi-Newton pairs must learn.
#pragma once

#include <span>
#include <vector>

#include "etat/vec3.h"

class LissageVoisins {
  public:
    // The graph of the pairs closer than 1.3 nearest-neighbour spacings of
    // the triangular lattice with as many points (the first ring of
    // neighbours, not the second at sqrt(3) spacings), for the exponent s.
    void Construire(std::span<const Vec3> positions, double exposant = 1.0);
    bool Pret() const { return !diagonale_.empty(); }
    void Oublier() { diagonale_.clear(); }  // back to the identity until the next Construire

    // z = (a few Jacobi sweeps on M) v: a fixed polynomial in M, symmetric
    // and positive definite, so that it can stand for the recursion's
    // initial inverse Hessian. z may be v.
    void Appliquer(std::span<const Vec3> v, std::span<Vec3> z) const;

    // Row k's neighbours, in increasing order (for tests and measures).
    std::span<const int> Voisins(int k) const;

  private:
    std::vector<int> debut_, voisins_;
    std::vector<double> poids_;      // D^-1 W, row by row
    std::vector<double> diagonale_;  // D^-1
    mutable std::vector<Vec3> a_, b_;
};

// Nearest-neighbour spacing of a triangular lattice of n points on the unit
// sphere, sqrt(8 pi / (sqrt(3) n)).
double EspacementVoisins(int n);

// The distance below which two of n particles are neighbours for the graph.
double PorteeVoisins(int n);
