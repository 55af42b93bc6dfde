#include "hull/dual.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>
#include <vector>

#include "etat/particules.h"
#include "mathematiques/hasard.h"

namespace {

std::vector<double> Angles(Vec3 p, std::span<const Vec3> coins) {
    setLength(p, 1.0);
    const auto tangente = [&](const Vec3& c) {
        Vec3 normale = p;
        normale *= dot(c, p);
        return difference(c, normale);
    };
    // u: the first corner's direction in the tangent plane, or any direction
    // across p when every corner lies on p's own line.
    Vec3 u{};
    for (const Vec3& c : coins) {
        u = tangente(c);
        if (dot(u, u) > 1e-30) break;
    }
    if (dot(u, u) <= 1e-30) u = tangente(std::fabs(p.x) < 0.9 ? Vec3{1, 0, 0} : Vec3{0, 1, 0});
    setLength(u, 1.0);
    const Vec3 v = cross(p, u);  // u x v = p: from u to v is counter-clockwise seen from outside
    std::vector<double> angles;
    angles.reserve(coins.size());
    for (const Vec3& c : coins) {
        const Vec3 t = tangente(c);
        double a = std::atan2(dot(t, v), dot(t, u));
        if (a < 0.0) a += 2.0 * std::numbers::pi;
        angles.push_back(a);
    }
    return angles;
}

}  // namespace

bool CoinTourneAGauche(const Vec3& p, std::span<const Vec3> g, int k) {
    return dot(cross(difference(g[k], p), difference(g[k + 1], p)), p) > 0.0;
}

bool CoinsEnOrdreCyclique(const Vec3& p, std::span<const Vec3> coins) {
    const std::vector<double> a = Angles(p, coins);
    const size_t n = a.size();
    int descentes = 0;
    for (size_t k = 0; k < n; ++k) descentes += a[(k + 1) % n] < a[k];
    return descentes <= 1;
}

// The adjacent-swap passes give the true cyclic order on a regular enough
// cell, and that order is kept as it is; they are not a sort, though, and on
// a poorer cell their result is put in order by angle, from its first corner.
void OrdonnerCoins(const Vec3& p, std::span<Vec3> coins) {
    const int n = static_cast<int>(coins.size());
    if (n <= 1) return;
    for (int passe = 0; passe <= n; ++passe) {
        for (int l = 0; l + 1 < n; ++l) {
            if (!CoinTourneAGauche(p, coins, l)) std::swap(coins[l], coins[l + 1]);
        }
    }
    if (CoinsEnOrdreCyclique(p, coins)) return;
    const std::vector<double> angles = Angles(p, coins);
    std::vector<int> ordre(static_cast<size_t>(n));
    for (int k = 0; k < n; ++k) ordre[k] = k;
    std::stable_sort(ordre.begin(), ordre.end(), [&](int a, int b) { return angles[a] < angles[b]; });
    std::vector<Vec3> tries;
    tries.reserve(static_cast<size_t>(n));
    for (const int k : ordre) tries.push_back(coins[k]);
    std::copy(tries.begin(), tries.end(), coins.begin());
}

void CalculerCoinsDual(const std::vector<Vec3>& positions, const HullMesh& mesh, const std::vector<int32_t>& degres,
                       CoinsDual& dual) {
    const int count = static_cast<int>(positions.size());
    dual.debut.resize(static_cast<size_t>(count) + 1);
    dual.debut[0] = 0;
    for (int i = 0; i < count; ++i) dual.debut[i + 1] = dual.debut[i] + std::max(degres[i], 0);
    dual.coins.resize(static_cast<size_t>(dual.debut[count]));
    // Each face centre goes to its three vertices, in face order, up to their degree.
    dual.rempli.assign(static_cast<size_t>(count), 0);
    for (int f = 0; f < mesh.faceCount; ++f) {
        const HullFace& face = mesh.faces[f];
        Vec3 centre = positions[face.v[0]];
        centre += positions[face.v[1]];
        centre += positions[face.v[2]];
        setLength(centre, 1.0);
        for (const int16_t v : face.v) {
            if (dual.debut[v] + dual.rempli[v] < dual.debut[v + 1]) dual.coins[dual.debut[v] + dual.rempli[v]++] = centre;
        }
    }
    for (int i = 0; i < count; ++i) {
        const std::span<Vec3> coins(dual.coins.data() + dual.debut[i], dual.coins.data() + dual.debut[i + 1]);
        std::fill(coins.begin() + dual.rempli[i], coins.end(), positions[i]);
        OrdonnerCoins(positions[i], coins);
    }
}

FluxHasard& CouleursDual() {
    static FluxHasard flux(GraineDerivee(GraineHasard(), 0, 0));
    return flux;
}

void InstallerDual(const CoinsDual& dual) {
    const int count = std::min<int>(static_cast<int>(dual.debut.size()) - 1, static_cast<int>(etat.particles.size()));
    for (int i = 0; i < count; ++i) {
        ParticleRecord& r = etat.particles[i];
        if (dualAllocated) std::vector<Vec3>().swap(r.dualCorners);
        r.dualCorners.assign(dual.coins.begin() + dual.debut[i], dual.coins.begin() + dual.debut[i + 1]);
        for (double& composante : r.dualColour) composante = CouleursDual().Reel();
    }
    dualAllocated = true;
}
