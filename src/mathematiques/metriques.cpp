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

// The sweep along z with a reach that shrinks to the smallest squared
// distance found: the pairs it leaves out are no closer, so the result is
// the full scan's, bit for bit. A particle whose z is not finite is left out
// (the sweep's order needs finite z): its distances to the others are
// infinite or NaN, which never win.
double DistanceMinimaleDe(std::span<const Vec3> x) {
    std::vector<Vec3> finies;
    finies.reserve(x.size());
    for (const Vec3& v : x) {
        if (std::isfinite(v.z)) finies.push_back(v);
    }
    double m = 5.0;  // above any squared distance on the unit sphere (at most 4)
    Balayer(finies, m, [&m](int, int, double c) { m = std::min(m, c); });
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
