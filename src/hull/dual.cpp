#include "hull/dual.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>
#include <vector>

#include "hull/enveloppe.h"
#include "mathematiques/hasard.h"
#include "etat/particules.h"

bool cornerTurnsLeft(int i, int k) {
    const ParticleRecord& r = etat.particles[i];
    const Vec3& p = r.position;
    return dot(cross(difference(r.dualCorners[k], p), difference(r.dualCorners[k + 1], p)), p) > 0.0;
}

std::vector<double> AnglesCoins(int i) {
    const ParticleRecord& r = etat.particles[i];
    Vec3 p = r.position;
    setLength(p, 1.0);
    const auto tangente = [&](const Vec3& c) {
        Vec3 normale = p;
        normale *= dot(c, p);
        return difference(c, normale);
    };
    // u: the first corner's direction in the tangent plane, or any direction
    // across p when every corner lies on p's own line.
    Vec3 u{};
    for (const Vec3& c : r.dualCorners) {
        u = tangente(c);
        if (dot(u, u) > 1e-30) break;
    }
    if (dot(u, u) <= 1e-30) u = tangente(std::fabs(p.x) < 0.9 ? Vec3{1, 0, 0} : Vec3{0, 1, 0});
    setLength(u, 1.0);
    const Vec3 v = cross(p, u);  // u x v = p: from u to v is counter-clockwise seen from outside
    std::vector<double> angles;
    angles.reserve(r.dualCorners.size());
    for (const Vec3& c : r.dualCorners) {
        const Vec3 t = tangente(c);
        double a = std::atan2(dot(t, v), dot(t, u));
        if (a < 0.0) a += 2.0 * std::numbers::pi;
        angles.push_back(a);
    }
    return angles;
}

bool CoinsEnOrdreCyclique(int i) {
    const std::vector<double> a = AnglesCoins(i);
    const size_t n = a.size();
    int descentes = 0;
    for (size_t k = 0; k < n; ++k) descentes += a[(k + 1) % n] < a[k];
    return descentes <= 1;
}

// The adjacent-swap passes give the true cyclic order on a regular enough
// cell, and that order is kept as it is; they are not a sort, though, and on
// a poorer cell their result is put in order by angle, from its first corner.
void OrdonnerCoinsDual(int i) {
    std::vector<Vec3>& coins = etat.particles[i].dualCorners;
    const int n = static_cast<int>(coins.size());
    if (n <= 1) return;
    for (int passe = 0; passe <= n; ++passe) {
        for (int l = 0; l + 1 < n; ++l) {
            if (!cornerTurnsLeft(i, l)) std::swap(coins[l], coins[l + 1]);
        }
    }
    if (CoinsEnOrdreCyclique(i)) return;
    const std::vector<double> angles = AnglesCoins(i);
    std::vector<int> ordre(static_cast<size_t>(n));
    for (int k = 0; k < n; ++k) ordre[k] = k;
    std::stable_sort(ordre.begin(), ordre.end(), [&](int a, int b) { return angles[a] < angles[b]; });
    std::vector<Vec3> tries;
    tries.reserve(static_cast<size_t>(n));
    for (const int k : ordre) tries.push_back(coins[k]);
    coins.swap(tries);
}

namespace {

void AllouerCoins(int count) REQUIRES(verrouEtat) {
    for (int i = 0; i < count; ++i) {
        ParticleRecord& r = etat.particles[i];
        if (dualAllocated) std::vector<Vec3>().swap(r.dualCorners);
        r.dualCorners.assign(std::max(r.degree, 0), Vec3{});
        for (double& composante : r.dualColour) composante = TirerReel();
    }
    dualAllocated = true;
}

// Appends each face centre to its three vertices, in face order; returns how
// many corners each particle received (at most its degree).
std::vector<int> RemplirCoins(int count) REQUIRES(verrouEtat) {
    std::vector<int> rempli(count, 0);
    for (int f = 0; f < enveloppe.faceCount; ++f) {
        const HullFace& face = enveloppe.faces[f];
        Vec3 centre = etat.particles[face.v[0]].position;
        centre += etat.particles[face.v[1]].position;
        centre += etat.particles[face.v[2]].position;
        setLength(centre, 1.0);
        for (const int16_t v : face.v) {
            std::vector<Vec3>& coins = etat.particles[v].dualCorners;
            if (rempli[v] < static_cast<int>(coins.size())) coins[rempli[v]++] = centre;
        }
    }
    return rempli;
}

}  // namespace

void CalculerDual() {
    const int count = std::min<int>(etat.count, static_cast<int>(etat.particles.size()));
    AllouerCoins(count);
    const std::vector<int> rempli = RemplirCoins(count);
    for (int i = 0; i < count; ++i) {
        ParticleRecord& r = etat.particles[i];
        std::fill(r.dualCorners.begin() + rempli[i], r.dualCorners.end(), r.position);
        OrdonnerCoinsDual(i);
    }
}
