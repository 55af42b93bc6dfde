#include "hull/balayage.h"

#include <algorithm>
#include <cmath>
#include <numbers>

// Why the grid search returns the scan's vertex.
//
// The scan's shortcut only replaces by 0 the values of candidates ahead of the
// edge (along > 0, true value > 0) after a negative value was accepted, so
// they could not win anyway: without NaN the scan returns the lowest index of
// the smallest value. NaN never replaces the choice, and nothing replaces a NaN
// initial choice, which Chercher therefore returns at once.
//
// For a candidate x let a = (x - P1).t, c = (x - P1).n, r = sqrt(a^2 + c^2) and
// theta its angle in that plane, so that value = cos(theta). For a deficit
// delta in [0, pi/2 - 0.01] the vector m = -sin(delta) t - cos(delta) n gives
// (x - P1).m = r sin(theta - thetaG) with thetaG = pi - delta. Visiter
// evaluates every particle of the ball about m of radius^2
// maxNorm^2 + |m|^2 - 2 P1.m + 2 mu, which holds every x with
// (x - P1).m >= -mu. A particle left out thus has r sin(thetaG - theta) > mu:
// - if c >= 0, theta < thetaG - mu/r, and cos(theta) - cos(thetaG) exceeds
//   about (mu/r)(delta + mu/2r), far above the rounding of the computed value
//   (about 2e-15/r in angle, 1e-15 absolute, with |x - P1| <= 2.02);
// - if c < 0, theta lies in (thetaG - pi, 0), so cos(theta) > sin(0.01).
// So once the best value found is <= -cos(delta) = cos(thetaG) (< -sin(0.01)),
// every particle left out has a larger computed value: the best found, with
// the lowest index among equal values, is the scan's answer. Otherwise delta
// grows; past the largest useful cap the full scan is run.

namespace {

constexpr double kRayonGrille = 1.0101;     // half the grid's span; positions lie within 1.01
constexpr double kMarge = 1e-5;             // mu above
constexpr double kDeficitMax = std::numbers::pi / 2 - 0.01;
constexpr double kRayonMax2 = 1.0;          // a larger cap holds a good share of the particles
constexpr double kPasParEspacement = 1.5;   // cell edge in mean particle spacings
constexpr int kCoteMax = 128;

int PremierCandidat(int lo, int hi) {
    int i = 0;
    while (i == lo || i == hi) ++i;
    return i;
}

// A first deficit: the mirror image of the known face across the edge, at
// least half the edge's half-chord.
double DeficitInitial(const CadreArete& c, const Vec3& p2) {
    Vec3 milieu = c.p1;
    milieu += p2;
    const double versMilieu = std::atan2(-dot(milieu, c.t), -dot(milieu, c.n));
    const double demiCorde = 0.5 * norm(difference(p2, c.p1));
    return std::max(2.0 * versMilieu, 0.5 * demiCorde);
}

double DistanceIntervalle(double x, double debut, double fin) {
    if (x < debut) return debut - x;
    if (x > fin) return x - fin;
    return 0.0;
}

}  // namespace

int BalayerTout(const Vec3* pos, int count, const CadreArete& c, bool raccourci) {
    int k = PremierCandidat(c.lo, c.hi);
    double best = planeCosine(c.p1, pos[k], c.n, c.t, false);
    bool shortcut = false;
    for (int i = 1; i < count; ++i) {
        if (i == c.lo || i == c.hi) continue;
        const double v = planeCosine(c.p1, pos[i], c.n, c.t, shortcut);
        if (v < best) {
            best = v;
            k = i;
            if (raccourci && v < 0.0) shortcut = true;
        }
    }
    return k;
}

bool GrilleSphere::Construire(const Vec3* pos, int count) {
    pos_ = pos;
    count_ = count;
    double max2 = 0.0;
    for (int i = 0; i < count; ++i) {
        const double n2 = dot(pos[i], pos[i]);
        if (!std::isfinite(n2)) return false;  // also catches a NaN or infinite coordinate
        max2 = std::max(max2, n2);
    }
    if (max2 > 1.01 * 1.01) return false;
    normeMax2_ = max2 * (1.0 + 1e-12);

    const double espacement = std::sqrt(4.0 * std::numbers::pi / std::max(count, 1));
    cote_ = std::clamp(static_cast<int>(2.0 * kRayonGrille / (kPasParEspacement * espacement)), 1, kCoteMax);
    origine_ = -kRayonGrille;
    pas_ = 2.0 * kRayonGrille / cote_;
    inversePas_ = cote_ / (2.0 * kRayonGrille);

    auto cellule = [&](const Vec3& p) {
        auto axe = [&](double x) { return std::clamp(static_cast<int>((x - origine_) * inversePas_), 0, cote_ - 1); };
        return axe(p.x) + cote_ * (axe(p.y) + cote_ * axe(p.z));
    };
    debuts_.assign(static_cast<size_t>(cote_) * cote_ * cote_ + 1, 0);
    for (int i = 0; i < count; ++i) ++debuts_[cellule(pos[i]) + 1];
    for (size_t j = 1; j < debuts_.size(); ++j) debuts_[j] += debuts_[j - 1];
    std::vector<int> suivant(debuts_.begin(), debuts_.end() - 1);
    tries_.resize(count);
    indices_.resize(count);
    for (int i = 0; i < count; ++i) {
        const int place = suivant[cellule(pos[i])]++;
        tries_[place] = pos[i];
        indices_[place] = i;
    }
    return true;
}

int GrilleSphere::Chercher(const CadreArete& c) const {
    const int i0 = PremierCandidat(c.lo, c.hi);
    Meilleur best{planeCosine(c.p1, pos_[i0], c.n, c.t, false), i0};
    if (std::isnan(best.value)) return i0;
    const Vec3& p2 = pos_[c.hi];
    double delta = std::min(DeficitInitial(c, p2), kDeficitMax);
    for (;;) {
        const double s = std::sin(delta), co = std::cos(delta);
        const Vec3 m{-s * c.t.x - co * c.n.x, -s * c.t.y - co * c.n.y, -s * c.t.z - co * c.n.z};
        const double h = std::min(dot(c.p1, m), dot(p2, m));
        const double r2 = normeMax2_ + dot(m, m) - 2.0 * h + 2.0 * kMarge;
        if (!(r2 <= kRayonMax2)) break;
        Visiter(c, m, r2, best);
        if (best.value <= -co) return best.index;
        if (delta >= kDeficitMax) break;
        delta = std::min(2.0 * delta, kDeficitMax);
    }
    ++replis_;
    return BalayerTout(pos_, count_, c, true);
}

// Evaluates every particle of the cells that meet the ball about m of squared
// radius r2 (slightly enlarged against rounding), lo and hi excepted.
void GrilleSphere::Visiter(const CadreArete& c, const Vec3& m, double r2, Meilleur& best) const {
    const double rr2 = r2 * (1.0 + 1e-9) + 1e-12;
    const double r = std::sqrt(rr2);
    auto axe = [&](double x) { return static_cast<int>(std::floor((x - origine_) * inversePas_)); };
    const int z0 = std::max(axe(m.z - r), 0), z1 = std::min(axe(m.z + r), cote_ - 1);
    const int y0 = std::max(axe(m.y - r), 0), y1 = std::min(axe(m.y + r), cote_ - 1);
    for (int iz = z0; iz <= z1; ++iz) {
        const double dz = DistanceIntervalle(m.z, origine_ + iz * pas_, origine_ + (iz + 1) * pas_);
        for (int iy = y0; iy <= y1; ++iy) {
            const double dy = DistanceIntervalle(m.y, origine_ + iy * pas_, origine_ + (iy + 1) * pas_);
            const double reste = rr2 - dz * dz - dy * dy;
            if (reste < 0.0) continue;
            const double rx = std::sqrt(reste);
            const int x0 = std::max(axe(m.x - rx), 0), x1 = std::min(axe(m.x + rx), cote_ - 1);
            if (x0 > x1) continue;
            const int rangee = cote_ * (iy + cote_ * iz);
            const int fin = debuts_[rangee + x1 + 1];
            for (int j = debuts_[rangee + x0]; j < fin; ++j) {
                const int idx = indices_[j];
                if (idx == c.lo || idx == c.hi) continue;
                const double v = planeCosine(c.p1, tries_[j], c.n, c.t, false);
                if (v < best.value || (v == best.value && idx < best.index)) best = {v, idx};
            }
        }
    }
}
