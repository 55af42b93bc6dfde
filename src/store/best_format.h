// Byte layout of a particle-count record of the best-configuration store,
// shared by the store, glomerix-db and the tests, and the figures that bound
// what such a record can hold.
//
// Record n (a count from 3 to 9999), little-endian IEEE-754 doubles:
//
//   0          energy                  lowest energy reported for n points
//   8          minDistance             largest minimum distance reported
//   16         n positions {x, y, z}   of the configuration of that energy
//   16 + 24n   n positions {x, y, z}   of the configuration of that distance
//   48n + 16   n                       int32: the count the bytes belong to
//   48n + 20   end
//
// From kPositionsBelow points on, only the 16-byte values and the count are
// kept. Records written before the count was kept end where it begins, and
// are still read (the count is written when they next change). Either size
// is exact: a count's record is never larger or smaller, so a record of any
// other size is not that count's, nor one that holds another count.
//
// The values are those of the positions stored with them: the energy (sum of
// 1/r over pairs) of the first set, the minimum distance of the second.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace bestformat {

inline constexpr int32_t kValuesSize = 16;     // {energy, minDistance}
inline constexpr int32_t kEnergyOffset = 0;
inline constexpr int32_t kDistanceOffset = 8;
inline constexpr int32_t kPositionsOffset = kValuesSize;
inline constexpr int32_t kPositionSize = 24;   // x, y, z
inline constexpr int kPositionsBelow = 3000;   // from this count on, values only

// Where the positions of the best energy (byEnergy) or distance begin.
constexpr int32_t PositionSetOffset(int32_t n, bool byEnergy) {
    return byEnergy ? kPositionsOffset : kPositionsOffset + kPositionSize * n;
}
// 48n + 16 below kPositionsBelow, else 16: where the count begins, and the
// size of a record written before it was kept.
constexpr int32_t CountRecordSize(int32_t n) {
    return n < kPositionsBelow ? PositionSetOffset(n, false) + kPositionSize * n : kValuesSize;
}
inline constexpr int32_t kCountTagSize = 4;
// The size of a record that ends with its count: 48n + 20, or 20.
constexpr int32_t TaggedRecordSize(int32_t n) { return CountRecordSize(n) + kCountTagSize; }

// A lower bound of the energy (sum of 1/r over pairs) of any n points on the
// unit sphere. The larger of two proven bounds:
// - harmonic against arithmetic mean, with the sum of the n(n-1)/2 distances
//   at most 2n^2/3 (Stolarsky's invariance): E >= 3(n-1)^2 / 8;
// - 1/r >= 1/sqrt(r^2 + e^2), a positive definite kernel on the sphere whose
//   mean over the sphere is (sqrt(4 + e^2) - e) / 2, so that
//   2E >= n^2 (sqrt(4 + e^2) - e) / 2 - n / e; e = sqrt(2/n) nearly maximises it.
inline double EnergyLowerBound(int32_t n) {
    if (n < 2) return 0.0;
    const double v = n;
    const double mean = 3.0 * (v - 1.0) * (v - 1.0) / 8.0;
    const double e = std::sqrt(2.0 / v);
    const double kernel = (v * v * (std::sqrt(4.0 + e * e) - e) / 2.0 - v / e) / 2.0;
    return std::max(mean, kernel);
}

// The largest minimum distance n points on the unit sphere can have: the
// chord of Fejes Toth's angle bound, sqrt(4 - 1 / sin^2(pi n / (6 (n - 2)))),
// exact for 3, 4, 6 and 12 points; 2 for two points.
inline double DistanceUpperBound(int32_t n) {
    if (n < 3) return 2.0;
    const double s = std::sin(M_PI * n / (6.0 * (n - 2.0)));
    return std::sqrt(std::max(0.0, 4.0 - 1.0 / (s * s)));
}

// The energy and the minimum distance of n points given as n {x, y, z}.
double EnergyOf(const double* xyz, int32_t n);
double MinDistanceOf(const double* xyz, int32_t n);
// A stored value and the one recomputed from its positions agree within
// 1e-9 relative (the sums run in another order than the program's).
bool Agree(double stored, double recomputed);

}  // namespace bestformat
