#include "hull/dual.h"

#include <algorithm>
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

void OrdonnerCoinsDual(int i) {
    std::vector<Vec3>& coins = etat.particles[i].dualCorners;
    const int n = static_cast<int>(coins.size());
    if (n <= 1) return;
    for (int passe = 0; passe <= n; ++passe) {
        for (int l = 0; l + 1 < n; ++l) {
            if (!cornerTurnsLeft(i, l)) std::swap(coins[l], coins[l + 1]);
        }
    }
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
