// Rows are dealt like AppliquerForce's (chunks of kChunk rows, each pair once,
// reactions in per-worker arrays). Each chunk adds its rows' sums into a slot
// of its own, and the slots are added in chunk order: the energies are the
// same whatever the number of workers, and a run repeats bit for bit.
#include "mathematiques/riesz.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "etat/parallele.h"
#include "etat/particules.h"
#include "mathematiques/noyaux.h"

namespace {

struct Sommes {
    double s[2] = {0.0, 0.0};  // energy, variation
    double carreMin = 5.0;     // above any squared distance on the unit sphere
};

// The term's form: (r / echelle)^-s above 0, the shifted log(2 / r) at 0,
// the shifted 2^|s| - r^|s| below (riesz.h).
enum class Forme { puissance, logarithme, oppose };

Forme FormeDe(double s) { return s > 0.0 ? Forme::puissance : s == 0.0 ? Forme::logarithme : Forme::oppose; }

// Row i for any exponent, one pair at a time: above 0 the term is
// exp(-s/2 log(r^2 / echelle^2)); its change since the displacement is
// -t expm1(s/2 log1p((r^2 - r0^2) / r0^2)), from the same pair quantities as
// DescenteScalaire, so that it keeps its own precision. At 0 the change is
// -1/2 log1p(...), below it r^|s| expm1(s/2 log1p(...)): the same formula for
// the unshifted term -r^|s|, whose shift does not move.
template <Forme forme>
void LigneRiesz(const PositionsSoA& t, const PositionsSoA& d, int i, double s, double inv2, double* rx, double* ry,
                double* rz, double force[3], Sommes& sommes) {
    const double demi = 0.5 * s;
    [[maybe_unused]] const double plafond = std::exp2(-s);  // 2^|s|, the shift of a pair below 0
    for (int j = 0; j < i; ++j) {
        const double ux = t.x[i] - t.x[j], uy = t.y[i] - t.y[j], uz = t.z[i] - t.z[j];
        const double ex = d.x[i] - d.x[j], ey = d.y[i] - d.y[j], ez = d.z[i] - d.z[j];
        const double s2 = ux * ux + uy * uy + uz * uz;
        const double ds = ex * (2.0 * ux - ex) + ey * (2.0 * uy - ey) + ez * (2.0 * uz - ez);
        const double bx = ux - ex, by = uy - ey, bz = uz - ez;
        const double s20 = bx * bx + by * by + bz * bz;
        sommes.carreMin = std::min(sommes.carreMin, s2);
        double coefficient;
        if constexpr (forme == Forme::puissance) {
            const double terme = std::exp(-demi * std::log(s2 * inv2));
            sommes.s[0] += terme;
            if (ds != 0.0) sommes.s[1] -= terme * std::expm1(demi * std::log1p(ds / s20));
            coefficient = s * terme / s2;
        } else if constexpr (forme == Forme::logarithme) {
            sommes.s[0] -= 0.5 * std::log(0.25 * s2);
            if (ds != 0.0) sommes.s[1] -= 0.5 * std::log1p(ds / s20);
            coefficient = 1.0 / s2;
        } else {
            const double puissance = std::exp(-demi * std::log(s2));  // r^|s|
            sommes.s[0] += plafond - puissance;  // near r = 2 it keeps 2^|s| ulps, enough for the sum
            if (ds != 0.0) sommes.s[1] += puissance * std::expm1(demi * std::log1p(ds / s20));
            coefficient = -s * puissance / s2;
        }
        AppliquerPaire(s2 >= kContact * kContact ? coefficient : 0.0, ux, uy, uz, j, rx, ry, rz, force);
    }
}

// One pair's term from its squared distance, as the rows take it.
double Terme(double s2, double s, double inv2) {
    switch (FormeDe(s)) {
        case Forme::puissance: return std::exp(-0.5 * s * std::log(s2 * inv2));
        case Forme::logarithme: return -0.5 * std::log(0.25 * s2);
        case Forme::oppose: break;
    }
    return std::exp2(-s) - std::exp(-0.5 * s * std::log(s2));
}

}  // namespace

EvaluationRiesz EvaluerRiesz(std::span<const Vec3> positions, std::span<const Vec3> deplacement, double s,
                             double echelle, std::span<Vec3> forces) {
    PositionsSoA t, d;
    t.charger(positions);
    const int n = t.n;
    const bool coulomb = s == 1.0;
    const bool sansVariation = deplacement.empty() && coulomb;
    if (!sansVariation) {
        if (deplacement.empty()) {
            d.charger(std::vector<Vec3>(positions.size()));
        } else {
            d.charger(deplacement);
        }
    }
    const double inv2 = 1.0 / (echelle * echelle);
    const int tranches = std::max(1, (n - 1 + kChunk - 1) / kChunk);
    std::vector<Sommes> parTranche(tranches);
    const NoyauxPaires& noyaux = Noyaux();
    const Forme forme = FormeDe(s);
    auto ligne = [&](int i, double* rx, double* ry, double* rz, double* propre) {
        Sommes& sommes = parTranche[(i - 1) / kChunk];  // a chunk's rows run in order on one worker
        if (sansVariation) {
            noyaux.ligneEnergie(t, i, rx, ry, rz, propre, sommes.s[0]);
        } else if (coulomb) {
            noyaux.ligneDescente(t, d, i, rx, ry, rz, propre, sommes.s);
        } else if (forme == Forme::puissance) {
            LigneRiesz<Forme::puissance>(t, d, i, s, inv2, rx, ry, rz, propre, sommes);
        } else if (forme == Forme::logarithme) {
            LigneRiesz<Forme::logarithme>(t, d, i, s, inv2, rx, ry, rz, propre, sommes);
        } else {
            LigneRiesz<Forme::oppose>(t, d, i, s, inv2, rx, ry, rz, propre, sommes);
        }
    };
    const double facteur = coulomb ? echelle : 1.0;  // sum of (r / e)^-1 = e * sum of 1 / r
    ParcourirPaires(
        n, ligne, [](int) { return Vec3{}; },
        [&](int k, Vec3 f) {
            f *= facteur;
            forces[k] = f;
        });
    EvaluationRiesz e;
    double carreMin = 5.0;
    for (const Sommes& c : parTranche) {
        e.energie += c.s[0];
        e.variation += c.s[1];
        carreMin = std::min(carreMin, c.carreMin);
    }
    if (coulomb) {
        e.energie *= echelle;
        e.variation *= echelle;
    } else {
        e.carreMin = n < 2 ? 0.0 : carreMin;
    }
    return e;
}

void PotentielsRiesz(std::span<const Vec3> positions, double s, double echelle, std::span<double> potentiels) {
    const int n = static_cast<int>(positions.size());
    const double inv2 = 1.0 / (echelle * echelle);
    const int equipe = PreparerEquipe(2 * Paires(n), kSeuilPaires);
    PourChaque(n, equipe, [&](int i) {
        double p = 0.0;
        for (int j = 0; j < n; ++j) {
            if (j != i) p += Terme(squaredDistance(positions[i], positions[j]), s, inv2);
        }
        potentiels[i] = p;
    });
}

double LogEnergieRiesz(std::span<const Vec3> positions, double s) {
    // Scaled by the smallest distance only where the plain sum may overflow.
    const double echelle = s == 1.0 || s <= 0.0 ? 1.0 : std::max(DistanceMinimaleDe(positions), 1e-300);
    std::vector<Vec3> forces(positions.size());
    const EvaluationRiesz e = EvaluerRiesz(positions, {}, s, echelle, forces);
    return std::log(e.energie) - s * std::log(echelle);
}

double DecalageRiesz(int n, double s) {
    const double paires = 0.5 * n * (n - 1.0);
    switch (FormeDe(s)) {
        case Forme::puissance: return 0.0;
        case Forme::logarithme: return paires * std::numbers::ln2;
        case Forme::oppose: break;
    }
    return paires * std::exp2(-s);
}
