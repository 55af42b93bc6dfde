// The energies compared are log E (E the sum of r^-s), so that the
// temperature means the same at every N and every s. Three perturbations, in
// turn at random: a few particles sent to random places; a random cap of the
// sphere turned by a random angle about its axis; the particle of highest
// potential sent to the emptiest spot found among random candidates. The
// temperature is multiplied or divided by kFacteur every kFenetre hops to keep
// about half the hops accepted; after kRetour hops without a new lowest
// minimum the search goes back to the lowest.
#include "mathematiques/exploration.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "mathematiques/hasard.h"
#include "mathematiques/riesz.h"

namespace {

constexpr double kTemperatureInitiale = 1e-6;
constexpr int kFenetre = 10;
constexpr double kCible = 0.5;
constexpr double kFacteur = 1.3;
constexpr long long kRetour = 100;
constexpr double kMemeMinimum = 1e-13;  // |difference of log E| below which two minima are one
// The hops' descents stop at this tolerance (their energies then within about
// 1e-12 of the minimum's, above it, enough to compare basins: kMemeBassin); a
// hop below the lowest minimum is finished at the full tolerance before it is
// kept as the lowest.
constexpr double kToleranceSauts = 1e-6;
constexpr double kMemeBassin = 1e-11;

int Indice(int n) { return std::min(n - 1, static_cast<int>(n * TirerReel())); }

void DeplacerQuelques(std::span<Vec3> x) {
    const int n = static_cast<int>(x.size());
    const int k = std::min(n, 1 + static_cast<int>(3 * TirerReel()));
    for (int m = 0; m < k; ++m) TirerPointSphere(x[Indice(n)], 1.0);
}

// v turned by angle t about the unit axis a (Rodrigues).
Vec3 Tourner(const Vec3& v, const Vec3& a, double t) {
    const double c = std::cos(t), s = std::sin(t);
    const Vec3 axv = cross(a, v);
    const double av = dot(a, v) * (1.0 - c);
    return {v.x * c + axv.x * s + a.x * av, v.y * c + axv.y * s + a.y * av, v.z * c + axv.z * s + a.z * av};
}

// A cap holding from 5 % to 50 % of the sphere, turned by any angle.
void TournerCalotte(std::span<Vec3> x) {
    Vec3 axe;
    TirerPointSphere(axe, 1.0);
    const double part = 0.05 + 0.45 * TirerReel();
    const double seuil = 1.0 - 2.0 * part;
    const double angle = 2.0 * std::numbers::pi * TirerReel();
    for (Vec3& v : x) {
        if (dot(v, axe) > seuil) v = Tourner(v, axe, angle);
    }
}

void ComblerTrou(std::span<Vec3> x, double s) {
    const int n = static_cast<int>(x.size());
    std::vector<double> potentiels(n);
    PotentielsRiesz(x, s, std::max(DistanceMinimaleDe(x), 1e-300), potentiels);
    const int i = static_cast<int>(std::max_element(potentiels.begin(), potentiels.end()) - potentiels.begin());
    Vec3 meilleur = x[i];
    double plusVide = -1.0;
    const int candidats = std::max(100, 4 * n);
    for (int c = 0; c < candidats; ++c) {
        Vec3 q;
        TirerPointSphere(q, 1.0);
        double proche = 5.0;
        for (int j = 0; j < n; ++j) {
            if (j != i) proche = std::min(proche, squaredDistance(q, x[j]));
        }
        if (proche > plusVide) {
            plusVide = proche;
            meilleur = q;
        }
    }
    x[i] = meilleur;
}

void Perturber(std::span<Vec3> x, double s) {
    const double u = TirerReel();
    if (u < 1.0 / 3) {
        DeplacerQuelques(x);
    } else if (u < 2.0 / 3) {
        TournerCalotte(x);
    } else {
        ComblerTrou(x, s);
    }
}

bool Arret(const std::atomic<bool>* arret) { return arret != nullptr && arret->load(); }

}  // namespace

BilanExploration Explorer(std::span<Vec3> positions, const ParametresExploration& p) {
    BilanExploration bilan;
    const int n = static_cast<int>(positions.size());
    if (n < 2) return bilan;
    ParametresDescente descente = p.descente;
    descente.arret = p.arret;
    descente.apresPas = nullptr;
    ParametresDescente descenteSaut = descente;
    descenteSaut.tolerance = std::max(descente.tolerance, kToleranceSauts);

    std::vector<Vec3> courant(positions.begin(), positions.end());
    BilanDescente d = Minimiser(courant, descente);
    bilan.evaluations = d.evaluations;
    double eCourant = d.logEnergie;
    std::vector<Vec3> meilleur = courant;
    bilan.logEnergie = eCourant;
    if (p.nouveauMinimum) p.nouveauMinimum(0, eCourant, meilleur);

    double temperature = kTemperatureInitiale;
    int acceptesFenetre = 0;
    long long acceptes = 0, depuisMeilleur = 0;
    std::vector<Vec3> essai(n);
    for (long long saut = 1; saut <= p.sauts && !Arret(p.arret); ++saut) {
        essai = courant;
        Perturber(essai, descente.exposant);
        d = Minimiser(essai, descenteSaut);
        bilan.evaluations += d.evaluations;
        if (d.fin != FinDescente::arret && d.logEnergie < bilan.logEnergie - kMemeMinimum) {
            d = Minimiser(essai, descente);
            bilan.evaluations += d.evaluations;
        }
        if (d.fin == FinDescente::arret) break;  // an unfinished descent is no minimum
        bilan.sauts = saut;
        const double ecart = d.logEnergie - eCourant;
        if (ecart < kMemeBassin || TirerReel() < std::exp(-ecart / temperature)) {
            std::swap(courant, essai);
            eCourant = d.logEnergie;
            ++acceptes;
            ++acceptesFenetre;
        }
        if (eCourant < bilan.logEnergie - kMemeMinimum) {
            meilleur = courant;
            bilan.logEnergie = eCourant;
            bilan.meilleurSaut = saut;
            depuisMeilleur = 0;
            if (p.nouveauMinimum) p.nouveauMinimum(saut, eCourant, meilleur);
        } else if (++depuisMeilleur >= kRetour) {
            courant = meilleur;
            eCourant = bilan.logEnergie;
            depuisMeilleur = 0;
        }
        if (saut % kFenetre == 0) {
            temperature *= acceptesFenetre > kCible * kFenetre ? 1.0 / kFacteur : kFacteur;
            acceptesFenetre = 0;
        }
        if (p.apresSaut) p.apresSaut(saut, bilan.logEnergie);
    }
    bilan.acceptation = bilan.sauts > 0 ? static_cast<double>(acceptes) / bilan.sauts : 0.0;
    std::copy(meilleur.begin(), meilleur.end(), positions.begin());
    return bilan;
}
