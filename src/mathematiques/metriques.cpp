// With non-finite positions the sums stay defined: a NaN or infinite term
// makes the energy and the potentials NaN or infinite, and the distance
// ignores NaN distances (they never compare below the current minimum).
#include "mathematiques/metriques.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "etat/particules.h"
#include "mathematiques/energie.h"
#include "mathematiques/voisinage.h"

double EnergiePotentielle() {
    PositionsSoA p;
    p.charger();
    return EnergieEtPotentiels(p, nullptr);
}

// The sweep along z: each particle is measured against those above it while
// their difference in z squares to less than the smallest value found, m. A
// pair past that has a squared distance of at least m (the square of the
// difference in z is one of its rounded terms), so the result is the full
// scan's, bit for bit. A particle whose z is not finite is left out: its
// distances to the others are infinite or NaN, which never win.
double DistanceMinimaleDe(std::span<const Vec3> x) {
    std::vector<Vec3> finies;
    finies.reserve(x.size());
    for (const Vec3& v : x) {
        if (std::isfinite(v.z)) finies.push_back(v);
    }
    const std::vector<int> ordre = OrdreSelonZ(finies);
    const int n = static_cast<int>(ordre.size());
    double m = 5.0;  // above any squared distance on the unit sphere (at most 4)
    for (int u = 0; u < n; ++u) {
        const Vec3& a = finies[ordre[u]];
        for (int v = u + 1; v < n; ++v) {
            const Vec3& b = finies[ordre[v]];
            const double dz = a.z - b.z;
            if (dz * dz >= m) break;
            m = std::min(m, squaredDistance(a, b));
        }
    }
    return std::sqrt(m);
}

double DistanceMinimale() { return DistanceMinimaleDe(CopierPositions()); }

void PotentielsDe(std::span<const Vec3> positions, std::span<float> potentiels) {
    PositionsSoA p;
    p.charger(positions);
    EnergieEtPotentiels(p, potentiels.data());
}

double EnergieMinimumTheorique(int32_t n) {
    const double v = n;
    const double r = std::sqrt(v);
    return v * v * 0.5 - v * r * 0.5523 + r * 0.0689;
}
