#include "mathematiques/separation.h"

#include <cmath>
#include <numbers>

#include "mathematiques/hasard.h"
#include "mathematiques/riesz.h"

namespace {

constexpr double kTropProches = 1e-8;  // in mean spacings
constexpr double kEcart = 1e-2;

bool Utilisable(const Vec3& v) {
    const double l = norm(v);
    return std::isfinite(l) && l > 0.0;
}

// A random unit vector orthogonal to the unit vector v.
Vec3 Tangent(const Vec3& v) {
    for (;;) {
        Vec3 a;
        TirerPointSphere(a, 1.0);
        Vec3 t = cross(v, a);
        if (norm(t) > 1e-3) {
            setLength(t, 1.0);
            return t;
        }
    }
}

// One pass over the pairs; returns how many particles moved.
int EcarterLesPaires(std::span<Vec3> p, double seuil2, double ecart) {
    const int n = static_cast<int>(p.size());
    int deplaces = 0;
    for (int j = 1; j < n; ++j) {
        for (int i = 0; i < j; ++i) {
            if (!(squaredDistance(p[i], p[j]) < seuil2)) continue;
            Vec3 t = Tangent(p[j]);
            t *= ecart;
            p[j] += t;
            setLength(p[j], 1.0);
            ++deplaces;
            break;
        }
    }
    return deplaces;
}

}  // namespace

double EcartMoyen(int n) { return n < 2 ? 2.0 : std::sqrt(4.0 * std::numbers::pi / n); }

int SeparerPositions(std::span<Vec3> positions) {
    int changees = 0;
    for (Vec3& v : positions) {
        if (!Utilisable(v)) {
            TirerPointSphere(v, 1.0);
            ++changees;
        } else if (std::abs(norm(v) - 1.0) > 1e-15) {  // unit ones keep their bits
            setLength(v, 1.0);
            ++changees;
        }
    }
    const double a = EcartMoyen(static_cast<int>(positions.size()));
    const double seuil = kTropProches * a;
    if (DistanceMinimaleDe(positions) >= seuil) return changees;
    for (int deplaces; (deplaces = EcarterLesPaires(positions, seuil * seuil, kEcart * a)) > 0;) changees += deplaces;
    return changees;
}
