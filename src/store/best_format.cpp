#include "store/best_format.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "etat/vectoriel.h"

namespace bestformat {

namespace {

struct Coordinates {
    std::vector<double> x, y, z;
};

Coordinates Split(const double* xyz, int32_t n) {
    Coordinates c;
    for (int32_t i = 0; i < n; ++i) {
        c.x.push_back(xyz[3 * i]);
        c.y.push_back(xyz[3 * i + 1]);
        c.z.push_back(xyz[3 * i + 2]);
    }
    return c;
}

}  // namespace

// Each row's sums in any order (simd lanes): the check allows far more than
// the rounding that changes. Built without errno for sqrt (CMakeLists.txt),
// so that the square roots go packed.
VECTORIEL double EnergyOf(const double* xyz, int32_t n) {
    const Coordinates c = Split(xyz, n);
    const double *x = c.x.data(), *y = c.y.data(), *z = c.z.data();
    double total = 0.0;
    for (int32_t i = 0; i + 1 < n; ++i) {
        double row = 0.0;
#pragma omp simd reduction(+ : row)
        for (int32_t j = i + 1; j < n; ++j) {
            const double dx = x[i] - x[j], dy = y[i] - y[j], dz = z[i] - z[j];
            row += 1.0 / std::sqrt(dx * dx + dy * dy + dz * dz);
        }
        total += row;
    }
    return total;
}

VECTORIEL double MinDistanceOf(const double* xyz, int32_t n) {
    const Coordinates c = Split(xyz, n);
    const double *x = c.x.data(), *y = c.y.data(), *z = c.z.data();
    double least = 5.0;  // above any squared distance on the unit sphere
    for (int32_t i = 0; i + 1 < n; ++i) {
#pragma omp simd reduction(min : least)
        for (int32_t j = i + 1; j < n; ++j) {
            const double dx = x[i] - x[j], dy = y[i] - y[j], dz = z[i] - z[j];
            least = std::min(least, dx * dx + dy * dy + dz * dz);
        }
    }
    return std::sqrt(least);
}

bool Agree(double stored, double recomputed) {
    return std::fabs(stored - recomputed) <= 1e-9 * std::max(std::fabs(stored), std::fabs(recomputed));
}

}  // namespace bestformat
