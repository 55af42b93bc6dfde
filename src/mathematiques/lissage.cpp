#include "mathematiques/lissage.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "mathematiques/voisinage.h"

namespace {

constexpr double kPortee = 1.3;    // neighbours within this many lattice spacings
constexpr double kDecalage = 0.5;  // sigma, in mean weighted degrees
constexpr int kBalayages = 2;      // Jacobi sweeps (bench/README.md: why two)

}  // namespace

double EspacementVoisins(int n) {
    return n < 2 ? 2.0 : std::sqrt(8.0 * std::numbers::pi / (std::sqrt(3.0) * n));
}

double PorteeVoisins(int n) { return kPortee * EspacementVoisins(n); }

void LissageVoisins::Construire(std::span<const Vec3> positions, double exposant) {
    const int n = static_cast<int>(positions.size());
    const double portee = PorteeVoisins(n);
    const double carreEspacement = EspacementVoisins(n) * EspacementVoisins(n);
    std::vector<std::vector<std::pair<int, double>>> listes(n);
    ParcourirPairesProches(positions, portee, [&](int i, int j, double c) {
        if (!(c > 0.0)) return;
        // log of (r / spacing)^-(s + 2), the pair's stiffness up to a
        // common factor, made a weight below once the largest is known.
        const double w = -0.5 * (exposant + 2.0) * std::log(c / carreEspacement);
        listes[i].push_back({j, w});
        listes[j].push_back({i, w});
    });
    // The largest weight 1 and none below e^-600: s = 1000 neither overflows
    // nor leaves subnormal numbers in the sweeps. A common factor changes
    // nothing but the scale the recursion's gamma takes out.
    double plusGrand = -INFINITY;
    for (const auto& liste : listes) {
        for (const auto& paire : liste) plusGrand = std::max(plusGrand, paire.second);
    }
    for (auto& liste : listes) {
        for (auto& paire : liste) paire.second = std::exp(std::max(paire.second - plusGrand, -600.0));
    }
    debut_.assign(1, 0);
    voisins_.clear();
    poids_.clear();
    diagonale_.assign(n, 0.0);
    double total = 0.0;
    for (int i = 0; i < n; ++i) {
        std::sort(listes[i].begin(), listes[i].end());
        for (const auto& [j, w] : listes[i]) {
            voisins_.push_back(j);
            poids_.push_back(w);
            diagonale_[i] += w;
        }
        total += diagonale_[i];
        debut_.push_back(static_cast<int>(voisins_.size()));
    }
    const double decalage = kDecalage * total / std::max(n, 1);
    if (!(decalage > 0.0) || !std::isfinite(decalage)) {  // no neighbours: nothing to smooth
        diagonale_.clear();
        return;
    }
    // Kept as D^-1 and D^-1 W: the sweeps only multiply.
    for (int i = 0; i < n; ++i) {
        diagonale_[i] = 1.0 / (diagonale_[i] + decalage);
        for (int e = debut_[i]; e < debut_[i + 1]; ++e) poids_[e] *= diagonale_[i];
    }
    a_.resize(n);
    b_.resize(n);
}

// z_0 = D^-1 v, z_k+1 = D^-1 (v + W z_k), with D - W = M: the sum of the
// first terms of the series of M^-1, which converges because M is diagonally
// dominant, and a polynomial in D^-1/2 W D^-1/2 that keeps M^-1's symmetry
// and its positive eigenvalues.
void LissageVoisins::Appliquer(std::span<const Vec3> v, std::span<Vec3> z) const {
    const int n = static_cast<int>(diagonale_.size());
    for (int i = 0; i < n; ++i) {
        a_[i] = v[i];
        a_[i] *= diagonale_[i];
    }
    for (int k = 0; k < kBalayages; ++k) {
        for (int i = 0; i < n; ++i) {
            Vec3 s = v[i];
            s *= diagonale_[i];
            for (int e = debut_[i]; e < debut_[i + 1]; ++e) {
                Vec3 t = a_[voisins_[e]];
                t *= poids_[e];
                s += t;
            }
            b_[i] = s;
        }
        std::swap(a_, b_);
    }
    std::copy(a_.begin(), a_.end(), z.begin());
}

std::span<const int> LissageVoisins::Voisins(int k) const {
    return {voisins_.data() + debut_[k], static_cast<size_t>(debut_[k + 1] - debut_[k])};
}
