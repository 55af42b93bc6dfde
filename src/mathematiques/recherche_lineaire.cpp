#include "mathematiques/recherche_lineaire.h"

double Interpoler(const PointLigne& lo, const PointLigne& hi) {
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
