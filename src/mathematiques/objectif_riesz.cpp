#include "mathematiques/objectif_riesz.h"

#include <algorithm>
#include <cmath>

#include "mathematiques/metriques.h"
#include "mathematiques/minimisation.h"
#include "mathematiques/riesz.h"

namespace {

constexpr double kChangementEchelle = 30.0;  // |log| of the scale's factor that triggers a new scale
constexpr double kPasEchelle = 100.0;        // see PasSelonEchelle

// What the exponent decides, all of it here. At s = 1 the terms lie between
// 1/2 and 1/r_min: no scale, and the kernels' lighter pass that gives the
// sums alone may measure a step's change. Any other s > 0 takes the sum at
// the scale of the smallest distance, which bounds the steps. At s <= 0 the
// sum is of the shifted terms (riesz.h), each at most log(2 / r_min) or
// 2^|s|: no scale, no bound; f is the log of that positive sum, which has
// the energy's minima, and the energy is the sum less the shift.
bool AEchelle(double s) { return s > 0.0 && s != 1.0; }
bool SommesSeulesPossibles(double s) { return s == 1.0; }

double Echelle(std::span<const Vec3> x, double s) {
    return AEchelle(s) ? std::max(DistanceMinimaleDe(x), 1e-300) : 1.0;
}

// f = log E from the scaled sum: E = echelle^-s times it (echelle is 1
// wherever s <= 0).
double LogDeLaSomme(double somme, double s, double echelle) { return std::log(somme) - s * std::log(echelle); }

// f's change from the sum's: `variation` exact to its own last places, from
// e0 to e. A large fall (a close pair separated at a large s) from the sums
// themselves: 1 + variation / e0 would round to 0. Infinite, never taken,
// when e is not a finite positive sum.
double VariationLog(double variation, double e0, double e) {
    if (!(e > 0.0 && e < INFINITY)) return INFINITY;
    const double relative = e0 > 0.0 ? variation / e0 : 0.0;
    return relative > -0.5 ? std::log1p(relative) : std::log(e / e0);
}

// a + b as a sum and its rounding error (Knuth's two-sum).
void DeuxSommes(double a, double b, double& s, double& e) {
    s = a + b;
    const double v = s - a;
    e = (a - (s - v)) + (b - v);
}

// -log |x| from |x|^2 - 1 in double-double: exact to far below the rounding
// of the components, which is all it measures.
double LogInverseNorme(const Vec3& x) {
    const double c[3] = {x.x, x.y, x.z};
    double haut = -1.0, bas = 0.0;
    for (double v : c) {
        const double p = v * v;
        bas += std::fma(v, v, -p);
        double e;
        DeuxSommes(haut, p, haut, e);
        bas += e;
    }
    const double q = haut + bas;
    return std::abs(q) < 1e-6 ? -0.5 * q * (1.0 - 0.5 * q) : -0.5 * std::log1p(q);
}

}  // namespace

void ProjeterTangentes(const std::vector<Vec3>& x, std::vector<Vec3>& v) {
    for (size_t i = 0; i < x.size(); ++i) {
        Vec3 r = x[i];
        r *= dot(v[i], x[i]);
        v[i] -= r;
    }
}

namespace {

double Tangentielle(const Vec3& x, const Vec3& f) {
    Vec3 t = f;
    Vec3 r = x;
    r *= dot(f, x);
    t -= r;
    return norm(t);
}

}  // namespace

double PlusGrandeForceTangentielle(std::span<const Vec3> x, std::span<const Vec3> f) {
    double plusGrande = 0.0;
    for (size_t i = 0; i < x.size() && i < f.size(); ++i) plusGrande = std::max(plusGrande, Tangentielle(x[i], f[i]));
    return plusGrande;
}

double CritereForces(std::span<const Vec3> x, std::span<const Vec3> f) {
    double plusGrande = 0.0, somme = 0.0;
    for (size_t i = 0; i < x.size(); ++i) {
        plusGrande = std::max(plusGrande, Tangentielle(x[i], f[i]));
        somme += norm(f[i]);
    }
    const double c = plusGrande * static_cast<double>(x.size()) / somme;
    return somme > 0.0 && c == c ? c : INFINITY;
}

double EnergieDepuisLog(double f, int n, double s) { return std::exp(f) - DecalageRiesz(n, s); }

double CritereDescente(std::span<const Vec3> positions, double s) {
    if (positions.size() < 2) return 0.0;
    std::vector<Vec3> forces(positions.size());
    const std::vector<Vec3> zero(positions.size());
    EvaluerRiesz(positions, zero, s, Echelle(positions, s), forces);
    return CritereForces(positions, forces);
}

ObjectifRiesz::ObjectifRiesz(std::span<const Vec3> positions, double exposant)
    : exposant_(exposant), n_(static_cast<int>(positions.size())) {
    courant_.x.assign(positions.begin(), positions.end());
    echelle_ = Echelle(positions, exposant_);
    // 64 N units of the last place: far above the rounding of the sums
    // (each term passes through fewer than N / 8 + 100 additions).
    seuilSommes_ = std::max(1e-10, 64.0 * n_ * 0x1p-53);
    Calculer(courant_, {});
    logEnergie_ = LogDeLaSomme(courant_.energie, exposant_, echelle_);
    critere_ = CritereForces(courant_.x, courant_.f);
}

double ObjectifRiesz::FacteurForces() const {
    return AEchelle(exposant_) ? std::exp(-exposant_ * std::log(echelle_)) : 1.0;
}

double ObjectifRiesz::PasSelonEchelle() const {
    return AEchelle(exposant_) ? kPasEchelle * echelle_ / exposant_ : INFINITY;
}

// Forces, gradient and phi at pt.x, which lies `deplacement` away from
// courant_: from the two sums while they show the change surely (s = 1);
// the first change they do not show ends that for the rest of the descent,
// and the point is evaluated again from the displacements.
void ObjectifRiesz::Evaluer(PointSphere& pt, const std::vector<Vec3>& deplacement) {
    if (sommesSeules_ && SommesSeulesPossibles(exposant_)) {
        Calculer(pt, {});
        const double difference = pt.energie - courant_.energie;
        if (std::abs(difference) > seuilSommes_ * courant_.energie || !std::isfinite(difference)) return;
        sommesSeules_ = false;
    }
    Calculer(pt, deplacement);
}

// One pass over the pairs; an empty displacement takes the change of the
// energy from the difference of the sums.
void ObjectifRiesz::Calculer(PointSphere& pt, std::span<const Vec3> deplacement) {
    pt.f.resize(n_);
    const EvaluationRiesz e = EvaluerRiesz(pt.x, deplacement, exposant_, echelle_, pt.f);
    ++evaluations_;
    pt.energie = e.energie;
    pt.carreMin = e.carreMin;
    pt.radial = 0.0;
    for (int i = 0; i < n_; ++i) pt.radial += LogInverseNorme(pt.x[i]) * dot(pt.x[i], pt.f[i]);
    const double changement = deplacement.empty() ? e.energie - courant_.energie : e.variation;
    pt.phi = VariationLog(changement - pt.radial + courant_.radial, courant_.energie, e.energie);
    pt.g = pt.f;
    ProjeterTangentes(pt.x, pt.g);
    const double inverse = -1.0 / e.energie;
    for (Vec3& v : pt.g) v *= inverse;
}

PointSphere ObjectifRiesz::Essayer(const std::vector<Vec3>& direction, double a) {
    PointSphere pt;
    pt.alpha = a;
    pt.x.resize(n_);
    std::vector<Vec3> deplacement(n_);
    std::vector<double> longueurs(n_);
    for (int i = 0; i < n_; ++i) {
        Vec3 v = direction[i];
        v *= a;
        v += courant_.x[i];
        longueurs[i] = norm(v);
        v /= longueurs[i];
        pt.x[i] = v;
        deplacement[i] = difference(v, courant_.x[i]);
    }
    Evaluer(pt, deplacement);
    pt.dphi = 0.0;
    for (int i = 0; i < n_; ++i) pt.dphi += dot(pt.g[i], direction[i]) / longueurs[i];
    return pt;
}

void ObjectifRiesz::Accepter(PointSphere pris, std::vector<Vec3>& s, std::vector<Vec3>& y) {
    s.resize(n_);
    for (int i = 0; i < n_; ++i) s[i] = difference(pris.x[i], courant_.x[i]);
    y = courant_.g;
    ProjeterTangentes(pris.x, s);
    ProjeterTangentes(pris.x, y);
    for (int i = 0; i < n_; ++i) y[i] = difference(pris.g[i], y[i]);
    variation_ = pris.phi;
    logEnergie_ += pris.phi;
    courant_ = std::move(pris);
    critere_ = CritereForces(courant_.x, courant_.f);
    ChangerEchelle();
}

// Only g, which no scale changes, goes into the curvature pairs.
void ObjectifRiesz::ChangerEchelle() {
    if (!AEchelle(exposant_) || !(courant_.carreMin > 0.0)) return;
    const double nouvelle = std::sqrt(courant_.carreMin);
    if (std::abs(exposant_ * std::log(nouvelle / echelle_)) < kChangementEchelle) return;
    echelle_ = nouvelle;
    Calculer(courant_, {});
}
