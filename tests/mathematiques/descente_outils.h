// Shared by the descent tests: random and regular sets, and energies taken
// far more precisely than the routines under test take them.
#pragma once

#include <quadmath.h>

#include <cmath>
#include <numbers>
#include <span>
#include <vector>

#include "etat/particules.h"
#include "etat/vec3.h"
#include "mathematiques/placement.h"
#include "simulation_outils.h"

namespace descente {

using outils::Aleatoires;
using outils::Unitaire;

inline std::vector<Vec3> Spirale(int n) {
    std::vector<Vec3> p(n);
    CalculerSpirale(kDefaultSpiralStep, p);
    return p;
}

// The twelve vertices (0, +-1, +-g) and their cyclic permutations.
inline std::vector<Vec3> Icosaedre() {
    const double g = (1.0 + std::sqrt(5.0)) / 2.0;
    std::vector<Vec3> p;
    for (double a : {-1.0, 1.0}) {
        for (double b : {-g, g}) {
            p.push_back(Unitaire(0, a, b));
            p.push_back(Unitaire(a, b, 0));
            p.push_back(Unitaire(b, 0, a));
        }
    }
    return p;
}

inline std::vector<Vec3> Octaedre() {
    return {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
}

// A pair's energy from its squared distance: r^-s, and for s <= 0 the
// energy itself, -log r or -r^|s| (not the shifted term the descents sum).
inline long double TermeExact(long double r2, double s) {
    const long double demi = static_cast<long double>(s) / 2;
    if (s == 1.0) return 1 / std::sqrt(r2);
    if (s > 0.0) return std::pow(r2, -demi);
    if (s == 0.0) return -std::log(r2) / 2;
    return -std::pow(r2, -demi);
}

inline __float128 TermeExact(__float128 r2, double s) {
    const __float128 demi = static_cast<__float128>(s) / 2;
    if (s == 1.0) return 1 / sqrtq(r2);
    if (s > 0.0) return powq(r2, -demi);
    if (s == 0.0) return -logq(r2) / 2;
    return -powq(r2, -demi);
}

// Sum of r^-s over the pairs of the directions x_i / |x_i|, in quadruple
// precision (about 1e-33): it shows a change far below what a double sum can.
inline __float128 EnergieQuad(std::span<const Vec3> x, double s) {
    const int n = static_cast<int>(x.size());
    std::vector<__float128> u(3 * n);
    for (int i = 0; i < n; ++i) {
        const __float128 c[3] = {x[i].x, x[i].y, x[i].z};
        const __float128 l = sqrtq(c[0] * c[0] + c[1] * c[1] + c[2] * c[2]);
        for (int k = 0; k < 3; ++k) u[3 * i + k] = c[k] / l;
    }
    __float128 e = 0;
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < i; ++j) {
            __float128 r2 = 0;
            for (int k = 0; k < 3; ++k) {
                const __float128 d = u[3 * i + k] - u[3 * j + k];
                r2 += d * d;
            }
            e += TermeExact(r2, s);
        }
    }
    return e;
}

// The sum of (r / echelle)^-s over the pairs of the vectors as they are (not
// made unit), in quadruple precision.
inline __float128 EnergieQuadBrute(std::span<const Vec3> x, double s, double echelle) {
    __float128 e = 0;
    const __float128 e2 = static_cast<__float128>(echelle) * echelle;
    for (size_t i = 0; i < x.size(); ++i) {
        for (size_t j = 0; j < i; ++j) {
            const __float128 dx = static_cast<__float128>(x[i].x) - x[j].x;
            const __float128 dy = static_cast<__float128>(x[i].y) - x[j].y;
            const __float128 dz = static_cast<__float128>(x[i].z) - x[j].z;
            const __float128 r2 = (dx * dx + dy * dy + dz * dz) / e2;
            e += TermeExact(r2, s);
        }
    }
    return e;
}

// The same in long double, faster and far less precise.
inline long double EnergieLongue(std::span<const Vec3> x, double s, double echelle) {
    long double e = 0;
    for (size_t i = 0; i < x.size(); ++i) {
        for (size_t j = 0; j < i; ++j) {
            const long double dx = static_cast<long double>(x[i].x) - x[j].x;
            const long double dy = static_cast<long double>(x[i].y) - x[j].y;
            const long double dz = static_cast<long double>(x[i].z) - x[j].z;
            const long double r2 = (dx * dx + dy * dy + dz * dz) / (static_cast<long double>(echelle) * echelle);
            e += TermeExact(r2, s);
        }
    }
    return e;
}

inline double DistanceMin(std::span<const Vec3> x) {
    double m = 5.0;
    for (size_t i = 0; i < x.size(); ++i) {
        for (size_t j = 0; j < i; ++j) m = std::min(m, squaredDistance(x[i], x[j]));
    }
    return std::sqrt(m);
}

}  // namespace descente
