// The line search alone, on functions of one variable: the strong Wolfe
// conditions met from near and far starts (Moré and Thuente's functions,
// one with many local minima), the bound on the step, a function infinite
// past a point, a direction that does not descend, and the step taken being
// one the callback gave, with what it carried.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <vector>

#include "mathematiques/recherche_lineaire.h"

namespace {

struct Fonction {
    const char* nom;
    std::function<double(double)> f, df;
    // phi'(0) so small that c2 = 0.1 asks for a step within 3e-9 of the
    // minimum, where phi changes by less than its own rounding: the search
    // cannot tell the trials apart and takes the lowest one it saw.
    bool plate = false;
};

// Each as phi(a) = f(a) - f(0).
std::vector<Fonction> Fonctions() {
    const double b1 = 2.0, b2 = 0.004, b3 = 0.01, l = 39.0;
    const auto f3base = [=](double a) {
        if (a <= 1.0 - b3) return 1.0 - a;
        if (a >= 1.0 + b3) return a - 1.0;
        return (a - 1.0) * (a - 1.0) / (2.0 * b3) + b3 / 2.0;
    };
    const auto d3base = [=](double a) {
        if (a <= 1.0 - b3) return -1.0;
        if (a >= 1.0 + b3) return 1.0;
        return (a - 1.0) / b3;
    };
    const double k = l * std::numbers::pi / 2.0, c = 2.0 * (1.0 - b3) / (l * std::numbers::pi);
    return {
        {"-a / (a^2 + 2)", [=](double a) { return -a / (a * a + b1); },
         [=](double a) { return (a * a - b1) / ((a * a + b1) * (a * a + b1)); }},
        {"(a + b)^5 - 2 (a + b)^4", [=](double a) { return std::pow(a + b2, 5) - 2.0 * std::pow(a + b2, 4); },
         [=](double a) { return 5.0 * std::pow(a + b2, 4) - 8.0 * std::pow(a + b2, 3); }, true},
        {"wavy", [=](double a) { return f3base(a) + c * std::sin(k * a); },
         [=](double a) { return d3base(a) + c * k * std::cos(k * a); }},
        {"(a - 3)^2", [](double a) { return (a - 3.0) * (a - 3.0); }, [](double a) { return 2.0 * (a - 3.0); }},
    };
}

// A point as the descent keeps one: the line's values and a payload.
struct Essai {
    double alpha = 0.0, phi = 0.0, dphi = 0.0;
    int numero = -1;  // which call gave it
};

struct Ligne {
    const Fonction& fn;
    std::vector<double> appels;  // the steps tried, in order
    Essai operator()(double a) {
        appels.push_back(a);
        return {a, fn.f(a) - fn.f(0.0), fn.df(a), static_cast<int>(appels.size()) - 1};
    }
};

TEST(RechercheLineaire, LesConditionsDeWolfeFortesDePresEtDeLoin) {
    for (const Fonction& fn : Fonctions()) {
        for (const double c2 : {0.9, 0.1}) {
            for (const double depart : {1e-3, 1e-1, 1.0, 10.0, 1e3}) {
                SCOPED_TRACE(testing::Message() << fn.nom << ", c2 " << c2 << ", from " << depart);
                const ConditionsWolfe c{1e-4, c2, 30};
                Ligne ligne{fn, {}};
                const double dphi0 = fn.df(0.0);
                ASSERT_LT(dphi0, 0.0);
                Essai pris;
                ASSERT_TRUE(ChercherPas(ligne, dphi0, depart, 1e10, c, pris));
                EXPECT_GT(pris.alpha, 0.0);
                EXPECT_LE(pris.phi, c.c1 * pris.alpha * dphi0);
                EXPECT_LE(ligne.appels.size(), 30u);
                ASSERT_GE(pris.numero, 0);
                EXPECT_EQ(ligne.appels[pris.numero], pris.alpha) << "a step the callback gave";
                if (!fn.plate || c2 > 0.5) {
                    EXPECT_LE(std::abs(pris.dphi), c.c2 * std::abs(dphi0));
                } else {
                    for (double a : ligne.appels) EXPECT_LE(pris.phi, fn.f(a) - fn.f(0.0)) << "at " << a;
                    EXPECT_NEAR(pris.alpha, 1.6 - 0.004, 1e-7);
                }
            }
        }
    }
}

// Still falling at the bound: the bound is taken, and nothing past it tried.
TEST(RechercheLineaire, LaBorneDuPas) {
    const Fonction pente{"-a", [](double a) { return -a; }, [](double) { return -1.0; }};
    Ligne ligne{pente, {}};
    Essai pris;
    ASSERT_TRUE(ChercherPas(ligne, -1.0, 0.5, 7.0, ConditionsWolfe{}, pris));
    EXPECT_EQ(pris.alpha, 7.0);
    EXPECT_EQ(ligne.appels, (std::vector<double>{0.5, 2.0, 7.0}));
}

// Infinite past a = 1 (a close pair pushed through each other): a trial
// there shrinks the bracket to a fifth, and the step lands below 1.
TEST(RechercheLineaire, UneFonctionInfinieAuDelaDUnPoint) {
    const Fonction mur{"wall", [](double a) { return a < 1.0 ? -a + 0.6 * a * a : INFINITY; },
                       [](double a) { return a < 1.0 ? -1.0 + 1.2 * a : INFINITY; }};
    Ligne ligne{mur, {}};
    Essai pris;
    ASSERT_TRUE(ChercherPas(ligne, -1.0, 4.0, 100.0, ConditionsWolfe{}, pris));
    EXPECT_LT(pris.alpha, 1.0);
    EXPECT_EQ(ligne.appels[1], 0.8) << "a fifth of [0, 4]";
    EXPECT_LE(pris.phi, 1e-4 * pris.alpha * -1.0);
    EXPECT_LE(std::abs(pris.dphi), 0.9);
}

// A slope at 0 that the function does not follow (the rounding of a
// direction that no longer descends): no step, within the trials.
TEST(RechercheLineaire, AucunPasQuandRienNeDescend) {
    const Fonction monte{"a", [](double a) { return a; }, [](double) { return 1.0; }};
    Ligne ligne{monte, {}};
    Essai pris;
    EXPECT_FALSE(ChercherPas(ligne, -1.0, 1.0, 10.0, ConditionsWolfe{1e-4, 0.9, 12}, pris));
    EXPECT_EQ(pris.numero, -1);
    EXPECT_LE(ligne.appels.size(), 12u);
    for (double a : ligne.appels) EXPECT_GT(a, 0.0);
}

TEST(RechercheLineaire, InterpolationCubique) {
    // phi = a^3 / 3 - 2 a^2 + 3 a: slope 0 at 1 (its minimum beyond 3), 0 and 3 known.
    const auto phi = [](double a) { return a * a * a / 3.0 - 2.0 * a * a + 3.0 * a; };
    const auto dphi = [](double a) { return a * a - 4.0 * a + 3.0; };
    const PointLigne a{2.0, phi(2.0), dphi(2.0)}, b{4.0, phi(4.0), dphi(4.0)};
    EXPECT_NEAR(Interpoler(a, b), 3.0, 1e-12);
    EXPECT_NEAR(Interpoler(b, a), 3.0, 1e-12) << "either order";
    // Kept a tenth of the interval from its ends.
    const PointLigne c{2.0, phi(2.0), dphi(2.0)}, d{3.05, phi(3.05), dphi(3.05)};
    EXPECT_DOUBLE_EQ(Interpoler(c, d), 2.0 + 0.9 * 1.05);
}

}  // namespace
