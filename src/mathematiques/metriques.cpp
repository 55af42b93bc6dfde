// With non-finite positions the sums stay defined: a NaN or infinite term
// makes the energy and the potentials NaN or infinite, and the distance scan
// ignores NaN distances (they never compare below the current minimum).
#include "mathematiques/metriques.h"

#include <cmath>
#include <vector>

#include "etat/particules.h"
#include "mathematiques/energie.h"
#include "mathematiques/montecarlo.h"

double EnergiePotentielle() {
    PositionsSoA p;
    p.charger();
    std::vector<float> pot(p.n);
    const double energie = EnergieEtPotentiels(p, pot.data());
    for (int i = 0; i < p.n; ++i) etat.particles[i].potential = pot[i];
    OublierPotentielsDus();
    return energie;
}

double DistanceMinimale() {
    PositionsSoA p;
    p.charger();
    const NoyauxPaires& noyaux = Noyaux();
    double m = 5.0;  // above any squared distance on the unit sphere (at most 4)
    for (int i = 1; i < p.n; ++i) m = noyaux.distanceMin(p, 0, i, p.x[i], p.y[i], p.z[i], m);
    return std::sqrt(m);
}

double EnergieMinimumTheorique(int32_t n) {
    const double v = n;
    const double r = std::sqrt(v);
    return v * v * 0.5 - v * r * 0.5523 + r * 0.0689;
}
