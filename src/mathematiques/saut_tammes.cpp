#include "mathematiques/saut_tammes.h"

#include <glpk.h>

#include "mathematiques/tammes.h"

namespace {

// GLPK keeps an environment per thread: a walker's thread frees its own on
// leaving.
struct EnvironnementGlpk {
    ~EnvironnementGlpk() { glp_free_env(); }
};

}  // namespace

BilanDescente DescenteTammes(std::span<Vec3> x, const ParametresDescente& descente) {
    thread_local EnvironnementGlpk environnement;
    (void)environnement;
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
