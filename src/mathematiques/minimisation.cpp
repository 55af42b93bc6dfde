// The descent minimises f = log E (E the sum of r^-s): the same minima, and
// its gradient does not depend on the scale the sum is taken at, so the
// curvature pairs survive a change of scale. Along a search direction p (in
// the tangent planes) the trial points are x_i(a) = (x_i + a p_i) /
// |x_i + a p_i|, and phi(a) = f(x(a)) - f(x) = log1p(dE / E) with dE taken,
// once the steps get small, pair by pair from the displacements
// (EvaluerRiesz), so that the sign of a step's effect is known even when the
// energy's own rounding hides it.
// phi'(a) = sum of g_i(a) . p_i / |x_i + a p_i|, g the gradient in the
// tangent planes.
//
// The energy compared is that of the directions x_i / |x_i|: a stored unit
// vector is off the sphere by some units of the last place, and the radial
// force is so much larger than the tangential one near a minimum that the
// energy of the stored vectors moves more with that rounding than with the
// step. Scaling x_i by exp(k_i), k_i = -log|x_i|, changes the energy by
// -k_i (x_i . F_i) to first order (x_i . F_i = s/2 times the particle's
// share), so E(directions) = E(x) - sum of k_i (x_i . F_i), with k_i from
// |x_i|^2 - 1 taken exactly.
//
// Curvature pairs: s = the step, y = the change of g, both projected onto the
// new tangent planes; a pair without positive curvature is not kept (Nocedal
// and Wright, ch. 6 and 7). Once the criterion is below 3e-3 (the order of
// the neighbours settled), the recursion's initial inverse Hessian is
// gamma P S P, S the neighbour smoothing (lissage.h) rebuilt every 50 steps,
// P the projection onto the tangent planes, gamma = s.y / y.PSPy of the
// newest pair: from 24 random starts at N = 470 and s = 1, a fifth fewer
// evaluations (mean 414 against 511); from 1e-2 or from the start it saved
// less. At N = 200 on the way to a Tammes configuration (s = 12, then 96),
// a fifth fewer too, to the same minima.
#include "mathematiques/minimisation.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <vector>

#include "etat/vectoriel.h"
#include "mathematiques/lissage.h"
#include "mathematiques/riesz.h"
#include "mathematiques/separation.h"

namespace {

constexpr double kC1 = 1e-4;            // sufficient decrease
constexpr double kC2 = 0.9;             // curvature
constexpr int kEssaisMax = 30;          // evaluations of one line search
constexpr double kPasInitial = 0.1;     // largest move of a steepest step, in mean spacings
constexpr double kPasMax = 0.5;         // largest move of any step, in mean spacings
constexpr double kChangementEchelle = 30.0;  // |log| of the scale's factor that triggers a new scale
// With s != 1 no particle moves more than this times echelle / s in a step,
// so that the closest pair's term changes by a factor within e^+-200: the
// sum at a trial point can neither overflow because of it nor underflow.
constexpr double kPasEchelle = 100.0;
constexpr double kSeuilLissage = 3e-3;  // criterion below which the steps are smoothed
constexpr int kRenouvellementLissage = 50;  // steps between two neighbour graphs

struct Point {
    std::vector<Vec3> x, f, g;  // positions, forces of the scaled sum, gradient of log E
    double energie = 0.0;       // scaled sum
    double radial = 0.0;        // sum of k_i (x_i . F_i): E(x) - E(directions), scaled
    double carreMin = 0.0;
    double phi = 0.0, dphi = 0.0, alpha = 0.0;
};

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

struct Paire {
    std::vector<Vec3> s, y;
    double rho;
};

// The vectors of the two-loop recursion (4m products and 2m updates per
// iteration) as 3n doubles, with eight partial sums instead of one chain of
// additions each waiting for the last, so that they run in vector registers.
// One copy per instruction set (etat/vectoriel.h); every copy adds the
// same terms into the same partial sums, so a run repeats bit for bit.
static_assert(sizeof(Vec3) == 3 * sizeof(double));

const double* Composantes(const std::vector<Vec3>& v) { return reinterpret_cast<const double*>(v.data()); }
double* Composantes(std::vector<Vec3>& v) { return reinterpret_cast<double*>(v.data()); }

VECTORIEL double Produit(const std::vector<Vec3>& va, const std::vector<Vec3>& vb) {
    const double* a = Composantes(va);
    const double* b = Composantes(vb);
    const size_t n = 3 * va.size();
    double p[8] = {0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        for (int k = 0; k < 8; ++k) p[k] += a[i + k] * b[i + k];
    }
    for (int k = 0; i < n; ++i, ++k) p[k] += a[i] * b[i];
    return ((p[0] + p[4]) + (p[1] + p[5])) + ((p[2] + p[6]) + (p[3] + p[7]));
}

// v += c w.
VECTORIEL void Ajouter(std::vector<Vec3>& vv, double c, const std::vector<Vec3>& vw) {
    double* v = Composantes(vv);
    const double* w = Composantes(vw);
    const size_t n = 3 * vv.size();
    for (size_t i = 0; i < n; ++i) v[i] += c * w[i];
}

void Projeter(const std::vector<Vec3>& x, std::vector<Vec3>& v) {
    for (size_t i = 0; i < x.size(); ++i) {
        Vec3 r = x[i];
        r *= dot(v[i], x[i]);
        v[i] -= r;
    }
}

// Largest tangential force over the mean total force; infinite when it cannot
// be measured (forces that underflowed or are not numbers), so that it never
// passes for a minimum.
double Critere(const std::vector<Vec3>& x, const std::vector<Vec3>& f) {
    double plusGrande = 0.0, somme = 0.0;
    for (size_t i = 0; i < x.size(); ++i) {
        Vec3 t = f[i];
        Vec3 r = x[i];
        r *= dot(f[i], x[i]);
        t -= r;
        plusGrande = std::max(plusGrande, norm(t));
        somme += norm(f[i]);
    }
    const double c = plusGrande * static_cast<double>(x.size()) / somme;
    return somme > 0.0 && c == c ? c : INFINITY;
}

class Descente {
  public:
    Descente(std::span<Vec3> positions, const ParametresDescente& p)
        : p_(p), n_(static_cast<int>(positions.size())), a_(EcartMoyen(n_)) {
        SeparerPositions(positions);
        courant_.x.assign(positions.begin(), positions.end());
        echelle_ = p_.exposant == 1.0 ? 1.0 : std::max(DistanceMinimaleDe(positions), 1e-300);
        // 64 N units of the last place: far above the rounding of the sums
        // (each term passes through fewer than N / 8 + 100 additions).
        seuilSommes_ = std::max(1e-10, 64.0 * n_ * 0x1p-53);
        Calculer(courant_, {});
        logEnergie_ = std::log(courant_.energie) - p_.exposant * std::log(echelle_);
    }

    BilanDescente Executer(std::span<Vec3> sortie) {
        BilanDescente bilan;
        critere_ = Critere(courant_.x, courant_.f);
        for (;;) {
            bilan.critere = critere_;
            if (!(bilan.critere > p_.tolerance)) {
                bilan.fin = FinDescente::critere;
                break;
            }
            if (bilan.iterations >= p_.iterationsMax) {
                bilan.fin = FinDescente::iterations;
                break;
            }
            if (p_.arret != nullptr && p_.arret->load()) {
                bilan.fin = FinDescente::arret;
                break;
            }
            if (!Iterer()) {
                bilan.fin = FinDescente::bloquee;
                break;
            }
            ++bilan.iterations;
            if (p_.apresPas) {
                p_.apresPas({bilan.iterations, logEnergie_, variation_, critere_, courant_.x});
            }
        }
        bilan.evaluations = evaluations_;
        bilan.logEnergie = logEnergie_;
        std::copy(courant_.x.begin(), courant_.x.end(), sortie.begin());
        return bilan;
    }

  private:
    // Forces, gradient and phi at pt.x, which lies `deplacement` away from
    // courant_. While the steps change the energy by far more than the sums'
    // rounding, with s = 1, phi comes from the two sums, a pass that costs
    // half as much; the first change too small to be sure of its sign ends
    // that for the rest of the descent, and the point is evaluated again from
    // the displacements.
    void Evaluer(Point& pt, const std::vector<Vec3>& deplacement) {
        if (sommesSeules_ && p_.exposant == 1.0) {
            Calculer(pt, {});
            const double difference = pt.energie - courant_.energie;
            if (std::abs(difference) > seuilSommes_ * courant_.energie || !std::isfinite(difference)) return;
            sommesSeules_ = false;
        }
        Calculer(pt, deplacement);
    }

    // Evaluer's pass; an empty displacement takes the change of the energy
    // from the difference of the sums.
    void Calculer(Point& pt, std::span<const Vec3> deplacement) {
        pt.f.resize(n_);
        const EvaluationRiesz e = EvaluerRiesz(pt.x, deplacement, p_.exposant, echelle_, pt.f);
        ++evaluations_;
        pt.energie = e.energie;
        pt.carreMin = e.carreMin;
        pt.radial = 0.0;
        for (int i = 0; i < n_; ++i) pt.radial += LogInverseNorme(pt.x[i]) * dot(pt.x[i], pt.f[i]);
        const double changement = deplacement.empty() ? e.energie - courant_.energie : e.variation;
        const double variation = changement - pt.radial + courant_.radial;
        // A large fall (a close pair separated at a large s) from the sums
        // themselves: 1 + variation / E would round to 0.
        const double relative = courant_.energie > 0.0 ? variation / courant_.energie : 0.0;
        pt.phi = relative > -0.5 ? std::log1p(relative) : std::log(e.energie / courant_.energie);
        if (!(e.energie > 0.0 && e.energie < INFINITY)) pt.phi = INFINITY;  // never taken
        pt.g = pt.f;
        Projeter(pt.x, pt.g);
        const double inverse = -1.0 / e.energie;
        for (Vec3& v : pt.g) v *= inverse;
    }

    // The point a along the direction, with phi and phi'.
    Point Essayer(double a) {
        Point pt;
        pt.alpha = a;
        pt.x.resize(n_);
        std::vector<Vec3> deplacement(n_);
        std::vector<double> longueurs(n_);
        for (int i = 0; i < n_; ++i) {
            Vec3 v = direction_[i];
            v *= a;
            v += courant_.x[i];
            longueurs[i] = norm(v);
            v /= longueurs[i];
            pt.x[i] = v;
            deplacement[i] = difference(v, courant_.x[i]);
        }
        Evaluer(pt, deplacement);
        pt.dphi = 0.0;
        for (int i = 0; i < n_; ++i) pt.dphi += dot(pt.g[i], direction_[i]) / longueurs[i];
        return pt;
    }

    static bool Suffisant(const Point& pt, double dphi0) { return pt.phi <= kC1 * pt.alpha * dphi0; }

    // A step inside [lo, hi] (either order) by cubic interpolation, kept a
    // tenth of the interval away from its ends; halves it when the cubic has
    // no minimum or hi's values are not finite.
    static double Interpoler(const Point& lo, const Point& hi) {
        const double d = hi.alpha - lo.alpha;
        double a = lo.alpha + 0.5 * d;
        if (std::isfinite(hi.phi) && std::isfinite(hi.dphi)) {
            const double d1 = lo.dphi + hi.dphi - 3.0 * (lo.phi - hi.phi) / (lo.alpha - hi.alpha);
            const double rad = d1 * d1 - lo.dphi * hi.dphi;
            if (rad >= 0.0) {
                const double d2 = std::copysign(std::sqrt(rad), d);
                const double c = hi.alpha - d * (hi.dphi + d2 - d1) / (hi.dphi - lo.dphi + 2.0 * d2);
                if (std::isfinite(c)) a = c;
            }
        } else {
            a = lo.alpha + 0.2 * d;
        }
        const double bas = lo.alpha + 0.1 * d, haut = lo.alpha + 0.9 * d;
        return std::clamp(a, std::min(bas, haut), std::max(bas, haut));
    }

    // Nocedal and Wright's zoom; lo satisfies the sufficient decrease (or is
    // the start, alpha 0). Fills `pris` and returns true when a step is taken.
    bool Resserrer(Point lo, Point hi, double dphi0, int& essais, Point& pris) {
        while (essais < kEssaisMax) {
            if (std::abs(hi.alpha - lo.alpha) <= 1e-15 * std::max(lo.alpha, hi.alpha)) break;
            Point pt = Essayer(Interpoler(lo, hi));
            ++essais;
            if (!Suffisant(pt, dphi0) || !(pt.phi < lo.phi)) {
                hi = std::move(pt);
                continue;
            }
            if (std::abs(pt.dphi) <= -kC2 * dphi0) {
                pris = std::move(pt);
                return true;
            }
            if (pt.dphi * (hi.alpha - lo.alpha) >= 0.0) hi = std::move(lo);
            lo = std::move(pt);
        }
        if (lo.alpha > 0.0) {  // sufficient decrease without the curvature condition
            pris = std::move(lo);
            return true;
        }
        return false;
    }

    // Nocedal and Wright's algorithm 3.5 from alpha, up to alphaMax.
    bool ChercherPas(double alpha, double alphaMax, Point& pris) {
        const double dphi0 = Produit(courant_.g, direction_);
        Point precedent;
        precedent.dphi = dphi0;
        int essais = 0;
        for (bool premier = true; essais < kEssaisMax; premier = false) {
            Point pt = Essayer(alpha);
            ++essais;
            if (!Suffisant(pt, dphi0) || (!premier && !(pt.phi < precedent.phi))) {
                return Resserrer(std::move(precedent), std::move(pt), dphi0, essais, pris);
            }
            if (std::abs(pt.dphi) <= -kC2 * dphi0 || alpha >= alphaMax) {
                pris = std::move(pt);
                return true;
            }
            if (pt.dphi >= 0.0) return Resserrer(std::move(pt), std::move(precedent), dphi0, essais, pris);
            precedent = std::move(pt);
            alpha = std::min(4.0 * alpha, alphaMax);
        }
        return false;
    }

    // v := P S P v at the current point.
    void Lisser(std::vector<Vec3>& v) {
        Projeter(courant_.x, v);
        lissage_.Appliquer(v, v);
        Projeter(courant_.x, v);
    }

    void PreparerLissage() {
        if (!(critere_ < kSeuilLissage)) return;
        if (lissage_.Pret() && iterations_ - construction_ < kRenouvellementLissage) return;
        lissage_.Construire(courant_.x, p_.exposant);
        construction_ = iterations_;
    }

    // The two-loop recursion on -g, in the tangent planes.
    void Diriger() {
        direction_ = courant_.g;
        std::vector<double> a(paires_.size());
        for (size_t k = paires_.size(); k-- > 0;) {
            a[k] = paires_[k].rho * Produit(paires_[k].s, direction_);
            Ajouter(direction_, -a[k], paires_[k].y);
        }
        if (lissage_.Pret()) {
            Lisser(direction_);
            if (!paires_.empty()) {
                const Paire& d = paires_.back();
                lisse_ = d.y;
                Lisser(lisse_);
                const double gamma = 1.0 / (d.rho * Produit(d.y, lisse_));
                for (Vec3& v : direction_) v *= gamma;
            }
        } else if (!paires_.empty()) {
            const Paire& d = paires_.back();
            const double gamma = 1.0 / (d.rho * Produit(d.y, d.y));
            for (Vec3& v : direction_) v *= gamma;
        }
        for (size_t k = 0; k < paires_.size(); ++k) {
            const double b = paires_[k].rho * Produit(paires_[k].y, direction_);
            Ajouter(direction_, a[k] - b, paires_[k].s);
        }
        for (Vec3& v : direction_) v *= -1.0;
        Projeter(courant_.x, direction_);
    }

    double PlusGrandMouvement() const {
        double m = 0.0;
        for (const Vec3& v : direction_) m = std::max(m, norm(v));
        return m;
    }

    // One accepted step; false when even the steepest direction gives none.
    bool Iterer() {
        PreparerLissage();
        for (;;) {
            Diriger();
            const double dphi0 = Produit(courant_.g, direction_);
            const double m = PlusGrandMouvement();
            if (!(dphi0 < 0.0) || !(m > 0.0)) {
                if (!Recommencer()) return false;
                continue;
            }
            double pasMax = kPasMax * a_;
            if (p_.exposant != 1.0) pasMax = std::min(pasMax, kPasEchelle * echelle_ / p_.exposant);
            const double alphaMax = pasMax / m;
            const double alpha = paires_.empty() ? kPasInitial * a_ / m : 1.0;
            Point pris;
            if (ChercherPas(std::min(alpha, alphaMax), alphaMax, pris)) {
                Avancer(std::move(pris));
                return true;
            }
            if (!Recommencer()) return false;
        }
    }

    // After a direction that gives no step: the steepest direction, smoothed
    // and then plain (the graph is rebuilt at the next step); false when
    // even that was tried.
    bool Recommencer() {
        if (!paires_.empty()) {
            paires_.clear();
        } else if (lissage_.Pret()) {
            lissage_.Oublier();
        } else {
            return false;
        }
        return true;
    }

    void Avancer(Point pris) {
        Paire paire;
        paire.s.resize(n_);
        for (int i = 0; i < n_; ++i) paire.s[i] = difference(pris.x[i], courant_.x[i]);
        paire.y = courant_.g;
        Projeter(pris.x, paire.s);
        Projeter(pris.x, paire.y);
        for (int i = 0; i < n_; ++i) paire.y[i] = difference(pris.g[i], paire.y[i]);
        const double sy = Produit(paire.s, paire.y);
        variation_ = pris.phi;
        logEnergie_ += pris.phi;
        ++iterations_;
        courant_ = std::move(pris);
        critere_ = Critere(courant_.x, courant_.f);
        if (sy > 1e-12 * std::sqrt(Produit(paire.s, paire.s) * Produit(paire.y, paire.y))) {
            paire.rho = 1.0 / sy;
            paires_.push_back(std::move(paire));
            if (static_cast<int>(paires_.size()) > std::max(p_.memoire, 1)) paires_.pop_front();
        }
        ChangerEchelle();
    }

    // With s != 1 the sum is taken at the scale of the smallest distance;
    // when that moved far from the scale in use, the point is evaluated again
    // at the new one (g, and so the curvature pairs, do not change).
    void ChangerEchelle() {
        if (p_.exposant == 1.0 || !(courant_.carreMin > 0.0)) return;
        const double nouvelle = std::sqrt(courant_.carreMin);
        if (std::abs(p_.exposant * std::log(nouvelle / echelle_)) < kChangementEchelle) return;
        echelle_ = nouvelle;
        Calculer(courant_, {});
    }

    const ParametresDescente& p_;
    const int n_;
    const double a_;  // mean spacing
    double echelle_ = 1.0;
    double logEnergie_ = 0.0;  // at the start, plus every accepted step's change
    double variation_ = 0.0;   // the last step's change of log E
    double critere_ = 0.0;     // at courant_
    long long evaluations_ = 0;
    Point courant_;
    std::vector<Vec3> direction_;
    bool sommesSeules_ = true;   // see Evaluer
    double seuilSommes_ = 0.0;   // relative change the difference of two sums shows surely
    std::deque<Paire> paires_;
    LissageVoisins lissage_;
    long long iterations_ = 0, construction_ = 0;
    std::vector<Vec3> lisse_;  // S y of the newest pair
};

}  // namespace

BilanDescente Minimiser(std::span<Vec3> positions, const ParametresDescente& parametres) {
    if (positions.size() < 2) return {};
    Descente d(positions, parametres);
    return d.Executer(positions);
}

double CritereDescente(std::span<const Vec3> positions, double s) {
    if (positions.size() < 2) return 0.0;
    std::vector<Vec3> forces(positions.size());
    const std::vector<Vec3> zero(positions.size());
    const double echelle = s == 1.0 ? 1.0 : std::max(DistanceMinimaleDe(positions), 1e-300);
    EvaluerRiesz(positions, zero, s, echelle, forces);
    return Critere(std::vector<Vec3>(positions.begin(), positions.end()), forces);
}
