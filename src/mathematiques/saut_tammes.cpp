#include "mathematiques/saut_tammes.h"

#include <bit>
#include <cstdint>
#include <iterator>

#include "mathematiques/tammes.h"

namespace {

// An index into kExposantsTammes from the bits of the positions (FNV-1a):
// the same start takes the same exponent whatever thread runs it.
size_t ExposantDuDepart(std::span<const Vec3> x) {
    uint64_t h = 1469598103934665603ull;
    for (const Vec3& p : x) {
        for (const double c : {p.x, p.y, p.z}) {
            h ^= std::bit_cast<uint64_t>(c);
            h *= 1099511628211ull;
        }
    }
    return static_cast<size_t>((h >> 32) % std::size(kExposantsTammes));
}

}  // namespace

BilanDescente DescenteTammes(std::span<Vec3> x, const ParametresDescente& descente) {
    ParametresDescente d = descente;
    d.exposant = kExposantsTammes[ExposantDuDepart(x)];
    BilanDescente b = Minimiser(x, d);
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
