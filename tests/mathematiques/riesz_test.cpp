// The descents' energy pass: the sum and its gradient for several exponents,
// the change of a small step, the worker count, coincident particles.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>

#include "descente_outils.h"
#include "etat/parallele.h"
#include "mathematiques/noyaux.h"
#include "mathematiques/riesz.h"
#include "par_jeu.h"

namespace {

using descente::Aleatoires;

struct Resultat {
    EvaluationRiesz e;
    std::vector<Vec3> forces;
};

Resultat Evaluer(std::span<const Vec3> x, std::span<const Vec3> d, double s, double echelle) {
    Resultat r;
    r.forces.resize(x.size());
    r.e = EvaluerRiesz(x, d, s, echelle, r.forces);
    return r;
}

Resultat EvaluerSansDeplacement(std::span<const Vec3> x, double s, double echelle) {
    const std::vector<Vec3> zero(x.size());
    return Evaluer(x, zero, s, echelle);
}

class RieszParJeu : public ParJeu {};
SUR_CHAQUE_JEU(RieszParJeu);

// The exponents of the minimisation's range (the logarithmic and negative
// ones too, whose sums ignore the scale given): the sum against a long double one, each force component against a
// centred difference of that sum.
TEST_P(RieszParJeu, SommeEtGradientCommeLesDifferencesFinies) {
    for (double s : {-2.0, -1.0, 0.0, 0.5, 1.0, 2.0, 6.0, 12.0, 96.0}) {
        SCOPED_TRACE(testing::Message() << "s = " << s);
        const std::vector<Vec3> x = Aleatoires(37, 11);
        // At s <= 0 the sum has no scale and is the energy plus its shift.
        const double echelle = s > 0.0 ? descente::DistanceMin(x) : 1.0;
        const Resultat r = EvaluerSansDeplacement(x, s, s > 0.0 ? echelle : 0.3);
        const double e = static_cast<double>(descente::EnergieLongue(x, s, echelle)) + DecalageRiesz(37, s);
        EXPECT_NEAR(r.e.energie, e, 1e-12 * e);
        EXPECT_EQ(r.e.variation, 0.0);
        double plusGrande = 0.0;
        for (const Vec3& f : r.forces) plusGrande = std::max(plusGrande, norm(f));
        for (int i : {0, 5, 36}) {
            for (int k = 0; k < 3; ++k) {
                const double h = 1e-6 * echelle;
                std::vector<Vec3> plus = x, moins = x;
                (k == 0 ? plus[i].x : k == 1 ? plus[i].y : plus[i].z) += h;
                (k == 0 ? moins[i].x : k == 1 ? moins[i].y : moins[i].z) -= h;
                const double derivee = static_cast<double>(
                    (descente::EnergieLongue(plus, s, echelle) - descente::EnergieLongue(moins, s, echelle)) / (2 * h));
                const double f = k == 0 ? r.forces[i].x : k == 1 ? r.forces[i].y : r.forces[i].z;
                EXPECT_NEAR(-f, derivee, 1e-6 * plusGrande) << "particle " << i << ", axis " << k;
            }
        }
    }
}

// A step of 1e-11: the double sums before and after differ by less than their
// own rounding, yet the change the pass gives matches a quadruple-precision
// difference.
TEST_P(RieszParJeu, VariationDUnPetitPas) {
    for (double s : {1.0, 2.5, 0.0, -1.0}) {
        SCOPED_TRACE(testing::Message() << "s = " << s);
        const std::vector<Vec3> x = Aleatoires(203, 12);
        const std::vector<Vec3> pas = Aleatoires(203, 13);
        // A large step takes the exact formula instead of the series.
        for (const auto& [longueur, tolerance] : {std::pair{1e-11, 1e-10}, std::pair{0.05, 1e-12}}) {
            std::vector<Vec3> y(x.size()), d(x.size());
            for (size_t i = 0; i < x.size(); ++i) {
                Vec3 v = pas[i];
                v *= longueur;
                y[i] = x[i];
                y[i] += v;
                d[i] = difference(y[i], x[i]);
            }
            const Resultat r = Evaluer(y, d, s, 1.0);
            const double attendue = static_cast<double>(descente::EnergieQuadBrute(y, s, 1.0) -
                                                        descente::EnergieQuadBrute(x, s, 1.0));
            EXPECT_NEAR(r.e.variation, attendue, tolerance * std::abs(attendue)) << longueur;
        }
    }
}

TEST(Riesz, LesSommesNeDependentPasDesTravailleurs) {
    const std::vector<Vec3> x = Aleatoires(1001, 14);
    const std::vector<Vec3> d = Aleatoires(1001, 15);
    for (double s : {1.0, 3.0}) {
        ImposerEquipe(1);
        const Resultat un = Evaluer(x, d, s, 0.5);
        for (int travailleurs : {2, 3}) {
            ImposerEquipe(travailleurs);
            const Resultat r = Evaluer(x, d, s, 0.5);
            EXPECT_EQ(r.e.energie, un.e.energie);
            EXPECT_EQ(r.e.variation, un.e.variation);
            for (size_t i = 0; i < x.size(); ++i) {
                EXPECT_NEAR(norm(difference(r.forces[i], un.forces[i])), 0.0, 1e-13 * norm(un.forces[i]));
            }
        }
    }
    ImposerEquipe(0);
}

// No displacement given: the sum and forces of a zero displacement, bit for
// bit, the variation 0, on every set (at s = 1 through the lighter rows).
TEST_P(RieszParJeu, SansDeplacementCommeUnDeplacementNul) {
    const std::vector<Vec3> x = Aleatoires(203, 17);
    for (double s : {1.0, 3.0}) {
        for (int travailleurs : {1, 2}) {
            SCOPED_TRACE(testing::Message() << "s = " << s << ", " << travailleurs << " workers");
            ImposerEquipe(travailleurs);
            const Resultat zero = EvaluerSansDeplacement(x, s, 0.7);
            const Resultat vide = Evaluer(x, {}, s, 0.7);
            EXPECT_EQ(vide.e.energie, zero.e.energie);
            EXPECT_EQ(vide.e.variation, 0.0);
            EXPECT_EQ(vide.e.carreMin, zero.e.carreMin);
            for (size_t i = 0; i < x.size(); ++i) ASSERT_EQ(norm(difference(vide.forces[i], zero.forces[i])), 0.0);
        }
    }
    ImposerEquipe(0);
}

// Two particles in one place: an infinite energy, finite forces (the pair
// itself exerts none), on every set and for other exponents, the
// logarithmic one too.
TEST_P(RieszParJeu, ParticulesConfonduesEnergieInfinieForcesFinies) {
    std::vector<Vec3> x = Aleatoires(41, 16);
    x[30] = x[2];
    for (double s : {1.0, 2.0, 0.0}) {
        const Resultat r = EvaluerSansDeplacement(x, s, 1.0);
        EXPECT_TRUE(std::isinf(r.e.energie));
        for (const Vec3& f : r.forces) ASSERT_TRUE(std::isfinite(norm(f)));
    }
}

// s = 1000 at the scale of the smallest distance: the closest pair counts 1,
// nothing overflows, the smallest squared distance comes back.
TEST(Riesz, GrandExposantALEchelleDeLaPlusPetiteDistance) {
    const std::vector<Vec3> x = Aleatoires(30, 17);
    const double dmin = descente::DistanceMin(x);
    const Resultat r = EvaluerSansDeplacement(x, 1000.0, dmin);
    EXPECT_GE(r.e.energie, 1.0 - 1e-9);
    EXPECT_TRUE(std::isfinite(r.e.energie));
    EXPECT_NEAR(r.e.carreMin, dmin * dmin, 1e-15);
    for (const Vec3& f : r.forces) ASSERT_TRUE(std::isfinite(norm(f)));
    for (size_t i = 0; i < x.size(); ++i) {
        for (size_t j = 0; j < i; ++j) {
            if (squaredDistance(x[i], x[j]) != dmin * dmin) continue;
            EXPECT_NEAR(norm(r.forces[i]), 1000.0 / dmin, 1e-6 * 1000.0 / dmin);  // s t / r, t = 1
            EXPECT_NEAR(dot(r.forces[i], r.forces[j]), -norm(r.forces[i]) * norm(r.forces[j]), 1e-6 * 1e6 / dmin / dmin);
        }
    }
    EXPECT_EQ(DistanceMinimaleDe(x), dmin);
}

// Each pair counted at both ends, in the form of the pass's sum; below 0
// the particle's share of the shift comes back with its energy.
TEST(Riesz, PotentielsDesParticules) {
    const std::vector<Vec3> x = Aleatoires(25, 18);
    for (double s : {2.0, 0.0, -1.5}) {
        SCOPED_TRACE(s);
        std::vector<double> p(x.size());
        PotentielsRiesz(x, s, 0.5, p);
        double somme = 0.0;
        for (double v : p) somme += v;
        const Resultat r = EvaluerSansDeplacement(x, s, 0.5);
        EXPECT_NEAR(somme, 2.0 * r.e.energie, 1e-12 * somme);
        long double p0 = 0.0;
        for (size_t j = 1; j < x.size(); ++j) {
            const double c = squaredDistance(x[0], x[j]);
            p0 += s > 0.0 ? descente::TermeExact(c / 0.25L, s) : descente::TermeExact(static_cast<long double>(c), s);
        }
        p0 += 2.0 * DecalageRiesz(static_cast<int>(x.size()), s) / static_cast<double>(x.size());
        EXPECT_NEAR(p[0], static_cast<double>(p0), 1e-13 * std::abs(static_cast<double>(p0)));
    }
}

}  // namespace
