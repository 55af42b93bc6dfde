// Inner loops of the pair sums, over positions copied into one array per
// coordinate. A portable version and an AVX2+FMA version exist; the second
// is chosen once at run time when the processor has both.
#pragma once

#include <cmath>
#include <vector>

// The positions of etat, one array per coordinate.
struct PositionsSoA {
    std::vector<double> x, y, z;
    int n = 0;

    void charger();  // copies every position of etat
};

// Repulsion coefficient c / (r * s) of a pair at squared distance s = r^2.
// A pair so close that it is not finite (coincident particles, reachable with
// a negative K) exerts no force: the two stay finite and together, and the
// metrics report them (distance 0, energy infinite) instead of every position
// turning into NaN at the next step.
inline double CoefficientPaire(double c, double s, double r) {
    const double w = c / (r * s);
    return std::isfinite(w) ? w : 0.0;
}

struct NoyauxPaires {
    // Row i against j = 0 .. i - 1: adds the sum of w (p_i - p_j) to force[]
    // and subtracts each term from the reaction arrays at j.
    void (*forceLigne)(const PositionsSoA& p, int i, double c, double* rx, double* ry, double* rz,
                       double force[3]);
    // Rows r0 .. r0 + rows - 1 (rows <= 5) against columns a .. b - 1, all
    // above the rows. Term t = float(1 / sqrt(s)): pot[j] receives the rows'
    // terms in row order, acc[k] the columns' terms in column order. Returns
    // the double sum of the terms.
    double (*energieBloc)(const PositionsSoA& p, int r0, int rows, int a, int b, float* pot, float* acc);
    // min(m, squared distance from (px, py, pz) to p_j), j = a .. b - 1, with
    // the scan's rule: a NaN distance never replaces m.
    double (*distanceMin)(const PositionsSoA& p, int a, int b, double px, double py, double pz, double m);
    // Sum over j = a .. b - 1 of 1 / |q - p_j| - 1 / |o - p_j|.
    double (*deltaEnergie)(const PositionsSoA& p, int a, int b, const double o[3], const double q[3]);
};

const NoyauxPaires& Noyaux();

// Tests run both versions: true selects the portable one until called again.
void ForcerNoyauxPortables(bool portables);

// The two versions (noyaux_portables.cpp, noyaux_avx2.cpp).
extern const NoyauxPaires noyauxPortables;
extern const NoyauxPaires noyauxAvx2;
