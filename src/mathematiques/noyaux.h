// Inner loops of the pair sums, over positions copied into one array per
// coordinate. Three complete sets: portable, AVX2+FMA and AVX-512F (whose
// accumulation and Monte Carlo rows are the AVX2 ones); the best the
// processor runs is chosen once at run time.
#pragma once

#include <cmath>
#include <span>
#include <vector>

#include "etat/vec3.h"
#include "etat/verrous.h"

// Positions, one array per coordinate.
struct PositionsSoA {
    std::vector<double> x, y, z;
    int n = 0;

    void charger() REQUIRES(verrouEtat);   // copies every position of etat
    void charger(std::span<const Vec3> v);  // copies v
};

// Repulsion coefficient c / (r * s) of a pair at squared distance s = r^2.
// Particles closer than kContact (coincident ones, reachable with a negative
// K) exert no force on each other: the two stay finite and together, and the
// metrics report them (distance 0, energy infinite), instead of the infinite
// coefficient turning every position into NaN at the next step.
inline constexpr double kContact = 1e-100;

inline double CoefficientPaire(double c, double s, double r) { return s >= kContact * kContact ? c / (r * s) : 0.0; }

// Adds w u to force[] and subtracts it from the reactions at j.
inline void AppliquerPaire(double w, double ux, double uy, double uz, int j, double* rx, double* ry, double* rz,
                           double force[3]) {
    force[0] += w * ux;
    force[1] += w * uy;
    force[2] += w * uz;
    rx[j] -= w * ux;
    ry[j] -= w * uy;
    rz[j] -= w * uz;
}

// Row i against j = debut .. i - 1, one pair at a time: the portable row and
// the vector rows' tails.
inline void ForceScalaire(const PositionsSoA& p, int i, int debut, double c, double* rx, double* ry, double* rz,
                          double force[3]) {
    for (int j = debut; j < i; ++j) {
        const double dx = p.x[i] - p.x[j], dy = p.y[i] - p.y[j], dz = p.z[i] - p.z[j];
        const double s = dx * dx + dy * dy + dz * dz;
        const double w = CoefficientPaire(c, s, std::sqrt(s));
        AppliquerPaire(w, dx, dy, dz, j, rx, ry, rz, force);
    }
}

// Row i of the descents' Coulomb pass against j = debut .. i - 1, one pair at
// a time (see ligneDescente): the portable row and the vector rows' tails.
// With u = t_i - t_j and e = d_i - d_j (u - e the pair's vector before the
// displacement), r^2 - r0^2 = e . (2u - e) keeps its own precision however
// small; with q = (r^2 - r0^2) / r^2, the change of 1 / r is
// -(1 / r) ((1 - q)^(-1/2) - 1): a short series for |q| < kSerieDescente,
// else -(r^2 - r0^2) / (r r0 (r + r0)).
inline constexpr double kSerieDescente = 1e-3;

// (1 - q)^(-1/2) - 1 = q (c0 + q (c1 + ... + q c5)) within 1e-18 of its
// value for |q| < kSerieDescente: the binomial coefficients C(2k, k) / 4^k.
inline constexpr double kSerie[6] = {1.0 / 2, 3.0 / 8, 5.0 / 16, 35.0 / 128, 63.0 / 256, 231.0 / 1024};

inline double SerieDescente(double q) {
    double c = kSerie[5];
    for (int k = 4; k >= 0; --k) c = c * q + kSerie[k];
    return q * c;
}

inline void DescenteScalaire(const PositionsSoA& t, const PositionsSoA& d, int i, int debut, double* rx, double* ry,
                             double* rz, double force[3], double sommes[2]) {
    for (int j = debut; j < i; ++j) {
        const double ux = t.x[i] - t.x[j], uy = t.y[i] - t.y[j], uz = t.z[i] - t.z[j];
        const double ex = d.x[i] - d.x[j], ey = d.y[i] - d.y[j], ez = d.z[i] - d.z[j];
        const double s = ux * ux + uy * uy + uz * uz;
        const double ds = ex * (2.0 * ux - ex) + ey * (2.0 * uy - ey) + ez * (2.0 * uz - ez);
        const double r = std::sqrt(s);
        const double inv = 1.0 / r;
        const double q = ds * inv * inv;
        sommes[0] += inv;
        if (std::abs(q) < kSerieDescente) {
            sommes[1] -= inv * SerieDescente(q);
        } else {
            const double bx = ux - ex, by = uy - ey, bz = uz - ez;
            const double r0 = std::sqrt(bx * bx + by * by + bz * bz);
            sommes[1] -= ds / (r * r0 * (r + r0));
        }
        AppliquerPaire(CoefficientPaire(1.0, s, r), ux, uy, uz, j, rx, ry, rz, force);
    }
}

// The same row without the displacement: the sum of 1 / r and the forces
// only, for steps whose change of the energy is far above the sums' rounding.
inline void EnergieScalaire(const PositionsSoA& t, int i, int debut, double* rx, double* ry, double* rz,
                            double force[3], double& energie) {
    for (int j = debut; j < i; ++j) {
        const double ux = t.x[i] - t.x[j], uy = t.y[i] - t.y[j], uz = t.z[i] - t.z[j];
        const double s = ux * ux + uy * uy + uz * uz;
        const double r = std::sqrt(s);
        energie += 1.0 / r;
        AppliquerPaire(CoefficientPaire(1.0, s, r), ux, uy, uz, j, rx, ry, rz, force);
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
    // Sum over j = a .. b - 1 of 1 / |q - p_j| - 1 / |o - p_j|.
    double (*deltaEnergie)(const PositionsSoA& p, int a, int b, const double o[3], const double q[3]);
    // Row i against j = 0 .. i - 1 of the descents' pass on the sum of 1/r:
    // t the positions, d their displacement from the configuration the descent
    // compares with. Adds the sum of (t_i - t_j) / r^3 to force[] and
    // subtracts each term from the reactions at j (none for pairs closer than
    // kContact); adds the row's sum of 1 / r to sommes[0] and its change since
    // the displacement to sommes[1], as DescenteScalaire computes them (each
    // term within a few units of its own last place).
    void (*ligneDescente)(const PositionsSoA& t, const PositionsSoA& d, int i, double* rx, double* ry, double* rz,
                          double force[3], double sommes[2]);
    // ligneDescente's forces and sum of 1 / r (sommes[0]), without the change.
    void (*ligneEnergie)(const PositionsSoA& t, int i, double* rx, double* ry, double* rz, double force[3],
                         double& energie);
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
