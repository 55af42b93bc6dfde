// Inner loops of the pair sums, over positions copied into one array per
// coordinate. Three complete sets: portable, AVX2+FMA and AVX-512F (whose
// accumulation, distance and Monte Carlo rows are the AVX2 ones); the best the
// processor runs is chosen once at run time.
#pragma once

#include <cmath>
#include <vector>

#include "etat/verrous.h"

// The positions of etat, one array per coordinate.
struct PositionsSoA {
    std::vector<double> x, y, z;
    int n = 0;

    void charger() REQUIRES(verrouEtat);  // copies every position of etat
};

// Repulsion coefficient c / (r * s) of a pair at squared distance s = r^2.
// Particles closer than kContact (coincident ones, reachable with a negative
// K) exert no force on each other: the two stay finite and together, and the
// metrics report them (distance 0, energy infinite), instead of the infinite
// coefficient turning every position into NaN at the next step.
inline constexpr double kContact = 1e-100;

inline double CoefficientPaire(double c, double s, double r) { return s >= kContact * kContact ? c / (r * s) : 0.0; }

// Row i against j = debut .. i - 1, one pair at a time: the portable row and
// the vector rows' tails.
inline void ForceScalaire(const PositionsSoA& p, int i, int debut, double c, double* rx, double* ry, double* rz,
                          double force[3]) {
    for (int j = debut; j < i; ++j) {
        const double dx = p.x[i] - p.x[j], dy = p.y[i] - p.y[j], dz = p.z[i] - p.z[j];
        const double s = dx * dx + dy * dy + dz * dz;
        const double w = CoefficientPaire(c, s, std::sqrt(s));
        force[0] += w * dx;
        force[1] += w * dy;
        force[2] += w * dz;
        rx[j] -= w * dx;
        ry[j] -= w * dy;
        rz[j] -= w * dz;
    }
}

// One set of kernels: every slot is filled in every set.
struct NoyauxPaires {
    // Row i against j = 0 .. i - 1: adds the sum of w (p_i - p_j) to force[]
    // and subtracts each term from the reaction arrays at j.
    void (*forceLigne)(const PositionsSoA& p, int i, double c, double* rx, double* ry, double* rz,
                       double force[3]);
    // Rows r0 .. r0 + rows - 1 (rows <= 5) against columns a .. b - 1, all
    // above the rows: t[k * pas + j - a] = float(1 / sqrt(s)) for row k,
    // rounded as the scalar code rounds it. Returns the double sum of the terms.
    double (*termes)(const PositionsSoA& p, int r0, int rows, int a, int b, float* t, int pas);
    // The same rows and columns from t: pot[j] receives the rows' terms in row
    // order, acc[k] row k's terms in column order.
    void (*cumuler)(const float* t, int pas, int rows, int a, int b, float* pot, float* acc);
    // min(m, squared distance from (px, py, pz) to p_j), j = a .. b - 1, with
    // the scan's rule: a NaN distance never replaces m.
    double (*distanceMin)(const PositionsSoA& p, int a, int b, double px, double py, double pz, double m);
    // Sum over j = a .. b - 1 of 1 / |q - p_j| - 1 / |o - p_j|.
    double (*deltaEnergie)(const PositionsSoA& p, int a, int b, const double o[3], const double q[3]);
};

const NoyauxPaires& Noyaux();

// The versions: the best the processor runs, or (tests) a given one.
enum class JeuNoyaux { natif, avx512, avx2, portable };

// Selects the version of every later call. A set the processor cannot run
// gives the native one instead (the best it can).
void ForcerNoyaux(JeuNoyaux jeu);
bool ProcesseurAvx2();    // AVX2 and FMA
bool ProcesseurAvx512();  // AVX-512F, AVX2 and FMA (the set uses AVX2 rows)
bool JeuDisponible(JeuNoyaux jeu);

// The table of a set, whether or not the processor runs it.
const NoyauxPaires& TableDuJeu(JeuNoyaux jeu);

// noyaux_portables.cpp, noyaux_avx2.cpp, noyaux_avx512.cpp.
extern const NoyauxPaires noyauxPortables;
extern const NoyauxPaires noyauxAvx2;
extern const NoyauxPaires noyauxAvx512;
