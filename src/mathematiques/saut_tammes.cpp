#include "mathematiques/saut_tammes.h"

#include "mathematiques/tammes.h"

BilanDescente DescenteTammes(std::span<Vec3> x, const ParametresDescente& descente) {
    BilanDescente b = Minimiser(x, descente);
    if (b.fin == FinDescente::arret) return b;
    ParametresTammes t;
    t.iterationsMax = kIterationsTammesSaut;
    t.arret = descente.arret;
    const BilanTammes p = PolirTammes(x, t);
    b.iterations += p.iterations;
    b.evaluations += p.iterations;
    b.logEnergie = -std::log(p.distanceApres);
    if (p.fin == FinTammes::arret) b.fin = FinDescente::arret;
    return b;
}
