// An attempt moves one particle, so E1 = E0 + sum over j != i of
// (1 / |q - p_j| - 1 / |o - p_j|): O(N) instead of two O(N^2) evaluations.
// E0 comes from a cache that holds a copy of the positions it describes and
// the state's generation at that copy: an unchanged generation says in O(1)
// that nothing moved. Otherwise (relaxation, loading, a count change) the
// positions are compared bit for bit, and only a difference forces a full
// evaluation, so that a writer that put back the same bits changes nothing.
// The running sum is re-evaluated in full every kResynchro accepted moves,
// which keeps its drift far below 1e-12 relative.
#include "mathematiques/montecarlo.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "etat/particules.h"
#include "mathematiques/energie.h"
#include "mathematiques/hasard.h"

namespace {

constexpr int kResynchro = 1024;

struct CacheMonteCarlo {
    PositionsSoA p;          // configuration that `energie` describes
    bool valide = false;
    uint64_t generation = 0; // etat.generation when p was last known to match
    double energie = 0.0;
    int acceptes = 0;        // accepted moves since the last full evaluation
};

CacheMonteCarlo cache;

bool MemeBits(double a, double b) { return std::bit_cast<uint64_t>(a) == std::bit_cast<uint64_t>(b); }

bool CopieEgaleEtat() REQUIRES(verrouEtat) {
    if (cache.p.n != etat.count) return false;
    for (int i = 0; i < etat.count; ++i) {
        const Vec3& v = etat.particles[i].position;
        if (!MemeBits(v.x, cache.p.x[i]) || !MemeBits(v.y, cache.p.y[i]) || !MemeBits(v.z, cache.p.z[i])) return false;
    }
    return true;
}

bool CacheDecritEtat() REQUIRES(verrouEtat) {
    if (!cache.valide) return false;
    if (cache.generation == etat.generation) {
        if (verifierGeneration && !CopieEgaleEtat()) {
            std::fputs("MONTECARLO : des positions ont changé sans MarquerDeplacement\n", stderr);
            std::abort();
        }
        return true;
    }
    if (!CopieEgaleEtat()) return false;
    cache.generation = etat.generation;
    return true;
}

void EvaluerEnEntier() {
    cache.energie = EnergieEtPotentiels(cache.p, nullptr);
    cache.acceptes = 0;
}

double EnergieCourante() REQUIRES(verrouEtat) {
    if (!CacheDecritEtat()) {
        cache.p.charger();
        cache.valide = true;
        cache.generation = etat.generation;
        EvaluerEnEntier();
    }
    return cache.energie;
}

double Variation(int i, const double o[3], const double q[3]) {
    const NoyauxPaires& noyaux = Noyaux();
    return noyaux.deltaEnergie(cache.p, 0, i, o, q) + noyaux.deltaEnergie(cache.p, i + 1, cache.p.n, o, q);
}

// E1 with particle i at q. From a configuration of infinite energy (two
// particles in one place) the N - 1 terms would give inf - inf = NaN and
// refuse every move, even one that separates them: the moved configuration
// is then evaluated in full, as two whole evaluations would.
double EnergieDeplacee(double e0, int i, const double o[3], const double q[3]) {
    if (std::isfinite(e0)) return e0 + Variation(i, o, q);
    PositionsSoA p = cache.p;
    p.x[i] = q[0];
    p.y[i] = q[1];
    p.z[i] = q[2];
    return EnergieEtPotentiels(p, nullptr);
}

void Accepter(int i, const double q[3], double e1) {
    cache.p.x[i] = q[0];
    cache.p.y[i] = q[1];
    cache.p.z[i] = q[2];
    cache.energie = e1;
    if (++cache.acceptes >= kResynchro) EvaluerEnEntier();
}

}  // namespace

bool EssaiMonteCarlo() {
    const int n = etat.count;
    if (n < 1) return false;
    int i = static_cast<int>(n * TirerReel());
    if (i >= n) i = n - 1;  // n * u may round up to n for u just below 1
    ParticleRecord& r = etat.particles[i];
    const Vec3 ancienne = r.position;
    const double e0 = EnergieCourante();
    TirerPointSphere(r.position, 1.0);
    const double o[3] = {ancienne.x, ancienne.y, ancienne.z};
    const double q[3] = {r.position.x, r.position.y, r.position.z};
    const double e1 = EnergieDeplacee(e0, i, o, q);
    if (e1 < e0 || TirerReel() < std::exp(-(e1 - e0) / kMonteCarloTemperature)) {
        Accepter(i, q, e1);
        MarquerDeplacement();
        cache.generation = etat.generation;  // the copy moved with it
        return true;
    }
    r.position = ancienne;
    return false;
}

double EnergieMonteCarloCourante() { return EnergieCourante(); }
