// A line search over a one-dimensional function phi(alpha), phi(0) = 0 and
// phi'(0) < 0: a step alpha > 0 where phi falls enough and its slope has
// flattened, the strong Wolfe conditions
//   phi(alpha) <= c1 alpha phi'(0)   and   |phi'(alpha)| <= c2 |phi'(0)|,
// by Nocedal and Wright's algorithm 3.5 and its zoom (ch. 3.5): trials
// growing by 4 until one fails the first condition or rises, then cubic
// interpolation inside the bracket. A step taken always meets the first
// condition, so it never raises phi; when the trials run out before the
// second, the best step that meets the first is taken.
#pragma once

#include <algorithm>
#include <cmath>
#include <utility>

// phi and phi' at alpha.
struct PointLigne {
    double alpha = 0.0, phi = 0.0, dphi = 0.0;
};

struct ConditionsWolfe {
    double c1 = 1e-4;    // sufficient decrease
    double c2 = 0.9;     // curvature
    int essaisMax = 30;  // evaluations of phi in one search
};

// A step inside [lo, hi] (either order): the minimum of the cubic through
// both points and slopes, kept a tenth of the interval away from its ends;
// the middle when the cubic has no minimum, a fifth of the way from lo when
// hi's values are not finite.
double Interpoler(const PointLigne& lo, const PointLigne& hi);

namespace recherche {

template <class P>
PointLigne Ligne(const P& p) {
    return {p.alpha, p.phi, p.dphi};
}

template <class P>
bool Suffisant(const P& p, double dphi0, const ConditionsWolfe& c) {
    return p.phi <= c.c1 * p.alpha * dphi0;
}

template <class P, class Essayer>
P Essai(Essayer& essayer, double alpha) {
    P p = essayer(alpha);
    p.alpha = alpha;
    return p;
}

// The zoom; lo meets the sufficient decrease (or is the start, alpha 0).
template <class P, class Essayer>
bool Resserrer(Essayer& essayer, P lo, P hi, double dphi0, const ConditionsWolfe& c, int& essais, P& pris) {
    while (essais < c.essaisMax) {
        if (std::abs(hi.alpha - lo.alpha) <= 1e-15 * std::max(lo.alpha, hi.alpha)) break;
        P p = Essai<P>(essayer, Interpoler(Ligne(lo), Ligne(hi)));
        ++essais;
        if (!Suffisant(p, dphi0, c) || !(p.phi < lo.phi)) {
            hi = std::move(p);
            continue;
        }
        if (std::abs(p.dphi) <= -c.c2 * dphi0) {
            pris = std::move(p);
            return true;
        }
        if (p.dphi * (hi.alpha - lo.alpha) >= 0.0) hi = std::move(lo);
        lo = std::move(p);
    }
    if (lo.alpha > 0.0) {  // sufficient decrease without the curvature condition
        pris = std::move(lo);
        return true;
    }
    return false;
}

}  // namespace recherche

// essayer(alpha) gives the point of the line at alpha: a P with members
// alpha, phi and dphi (P() has them 0), and whatever else the caller keeps
// of a point, so that the step taken needs no evaluation of its own. Starts
// at alpha (<= alphaMax) and never tries beyond alphaMax, which it takes
// when phi still falls there. Fills `pris` and returns true when a step is
// taken; false when none meets the sufficient decrease within the trials.
template <class P, class Essayer>
bool ChercherPas(Essayer&& essayer, double dphi0, double alpha, double alphaMax, const ConditionsWolfe& c, P& pris) {
    P precedent{};
    precedent.dphi = dphi0;
    int essais = 0;
    for (bool premier = true; essais < c.essaisMax; premier = false) {
        P p = recherche::Essai<P>(essayer, alpha);
        ++essais;
        if (!recherche::Suffisant(p, dphi0, c) || (!premier && !(p.phi < precedent.phi))) {
            return recherche::Resserrer(essayer, std::move(precedent), std::move(p), dphi0, c, essais, pris);
        }
        if (std::abs(p.dphi) <= -c.c2 * dphi0 || alpha >= alphaMax) {
            pris = std::move(p);
            return true;
        }
        if (p.dphi >= 0.0) return recherche::Resserrer(essayer, std::move(p), std::move(precedent), dphi0, c, essais, pris);
        precedent = std::move(p);
        alpha = std::min(4.0 * alpha, alphaMax);
    }
    return false;
}
