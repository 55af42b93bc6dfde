#include "mathematiques/minimum_local.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <vector>

namespace {

// Below this drop of log E the second descent came back: far above the
// rounding of the energy's logarithm (the sums are compensated), far below
// what leaving a saddle gains.
constexpr double kMemeEnergie = 1e-12;
constexpr double kDeplacement = 1e-6;  // of the mean spacing

void Deplacer(std::vector<Vec3>& x, int tour) {
    const double pas = kDeplacement * std::sqrt(4.0 * std::numbers::pi / static_cast<double>(x.size()));
    std::mt19937_64 hasard(0x9e3779b97f4a7c15ULL + static_cast<unsigned long long>(tour));
    std::normal_distribution<double> normale;
    for (Vec3& p : x) {
        Vec3 r{normale(hasard), normale(hasard), normale(hasard)};
        const double n2 = dot(p, p);
        if (!(n2 > 0.0)) continue;
        Vec3 radial = p;
        radial *= dot(r, p) / n2;
        r -= radial;
        if (!(norm(r) > 0.0)) continue;
        setLength(r, pas);
        p += r;
        setLength(p, 1.0);
    }
}

}  // namespace

BilanMinimum MinimiserJusquAuMinimum(std::span<Vec3> x, const ParametresDescente& parametres) {
    BilanMinimum b;
    b.descente = Minimiser(x, parametres);
    std::vector<Vec3> essai;
    while (b.descente.fin == FinDescente::critere && b.descente.iterations < parametres.iterationsMax) {
        essai.assign(x.begin(), x.end());
        Deplacer(essai, b.cols);
        ParametresDescente p = parametres;
        p.iterationsMax = parametres.iterationsMax - b.descente.iterations;
        const long long avant = b.descente.iterations, evaluations = b.descente.evaluations;
        if (parametres.apresPas) {
            p.apresPas = [&parametres, avant, evaluations](const EtapeDescente& e) {
                EtapeDescente suite = e;
                suite.iteration += avant;
                suite.evaluations += evaluations;
                parametres.apresPas(suite);
            };
        }
        const BilanDescente d = Minimiser(essai, p);
        b.descente.evaluations += d.evaluations;
        if (d.logEnergie < b.descente.logEnergie - kMemeEnergie) {
            ++b.cols;
            std::copy(essai.begin(), essai.end(), x.begin());
            b.descente.iterations += d.iterations;
            b.descente.critere = d.critere;
            b.descente.logEnergie = d.logEnergie;
            b.descente.fin = d.fin;
            continue;
        }
        b.verifie = d.fin == FinDescente::critere;
        break;
    }
    return b;
}
