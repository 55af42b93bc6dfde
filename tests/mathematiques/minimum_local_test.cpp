// The check at the end of a descent: symmetric saddles that the descent
// alone takes for minima (the cube and other stationary points of eight
// particles of high symmetry) are left for the square antiprism; true
// minima come back unchanged.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "descente_outils.h"
#include "etat/parallele.h"
#include "mathematiques/minimum_local.h"

namespace {

using descente::Unitaire;

constexpr double kAntiprisme = 19.675287861;  // the lowest energy of 8

// A ring of n at height z, turned by `decalage` of a step.
void Anneau(std::vector<Vec3>& x, int n, double z, double decalage) {
    const double r = std::sqrt(1 - z * z);
    for (int k = 0; k < n; ++k) {
        const double a = 2 * std::numbers::pi * (k + decalage) / n;
        x.push_back({r * std::cos(a), r * std::sin(a), z});
    }
}

std::vector<Vec3> Poles(std::vector<Vec3> x) {
    x.push_back({0, 0, 1});
    x.push_back({0, 0, -1});
    return x;
}

double Energie(const std::vector<Vec3>& x) { return static_cast<double>(descente::EnergieQuad(x, 1.0)); }

// Each start keeps a symmetry that the descent keeps too: the descent alone
// stops on the stationary point of that symmetry, above the antiprism; the
// check leaves it and ends on the antiprism, verified.
TEST(MinimumLocal, LesPointsSellesDeHuitSontQuittes) {
    ImposerEquipe(1);
    std::vector<Vec3> cube, prisme, decale, eclipse, hexagone;
    Anneau(cube, 4, 1 / std::sqrt(3.0), 0);
    Anneau(cube, 4, -1 / std::sqrt(3.0), 0);
    Anneau(prisme, 4, 0.3, 0);  // D4h: the square prism's height settles
    Anneau(prisme, 4, -0.3, 0);
    Anneau(decale, 3, 0.4, 0);  // D3d: poles and staggered triangles
    Anneau(decale, 3, -0.4, 0.5);
    Anneau(eclipse, 3, 0.4, 0);  // D3h: poles and eclipsed triangles
    Anneau(eclipse, 3, -0.4, 0);
    Anneau(hexagone, 6, 0, 0);  // D6h: poles and a hexagon
    const std::vector<std::vector<Vec3>> departs = {cube, prisme, Poles(decale), Poles(eclipse), Poles(hexagone)};
    ParametresDescente p;
    p.iterationsMax = 2000;
    for (size_t k = 0; k < departs.size(); ++k) {
        SCOPED_TRACE(k);
        std::vector<Vec3> seul = departs[k];
        const BilanDescente d = Minimiser(seul, p);
        ASSERT_EQ(d.fin, FinDescente::critere);
        EXPECT_GT(Energie(seul), kAntiprisme + 1e-3);

        std::vector<Vec3> x = departs[k];
        const BilanMinimum m = MinimiserJusquAuMinimum(x, p);
        EXPECT_TRUE(m.verifie);
        EXPECT_GE(m.cols, 1);
        EXPECT_EQ(m.descente.fin, FinDescente::critere);
        EXPECT_LE(m.descente.critere, p.tolerance);
        EXPECT_NEAR(Energie(x), kAntiprisme, 1e-8);
        EXPECT_NEAR(std::exp(m.descente.logEnergie), kAntiprisme, 1e-8);
        EXPECT_LE(m.descente.iterations, p.iterationsMax);
    }
    ImposerEquipe(0);
}

// At a minimum (the icosahedron, the antiprism) the positions are the
// descent's, bit for bit, its iterations too; the check's passes are
// counted. Without iterations left, or stopped, nothing is claimed.
TEST(MinimumLocal, LesMinimaRestentTelsQuels) {
    ImposerEquipe(1);
    std::vector<Vec3> antiprisme;
    Anneau(antiprisme, 4, 0.2, 0);
    Anneau(antiprisme, 4, -0.2, 0.5);
    for (const std::vector<Vec3>& depart : {descente::Icosaedre(), antiprisme}) {
        ParametresDescente p;
        std::vector<Vec3> seul = depart;
        const BilanDescente d = Minimiser(seul, p);
        std::vector<Vec3> x = depart;
        const BilanMinimum m = MinimiserJusquAuMinimum(x, p);
        EXPECT_TRUE(m.verifie);
        EXPECT_EQ(m.cols, 0);
        EXPECT_EQ(m.descente.iterations, d.iterations);
        EXPECT_GT(m.descente.evaluations, d.evaluations);
        EXPECT_EQ(m.descente.logEnergie, d.logEnergie);
        for (size_t i = 0; i < x.size(); ++i) {
            EXPECT_EQ(x[i].x, seul[i].x);
            EXPECT_EQ(x[i].y, seul[i].y);
            EXPECT_EQ(x[i].z, seul[i].z);
        }

        p.iterationsMax = d.iterations;
        x = depart;
        EXPECT_FALSE(MinimiserJusquAuMinimum(x, p).verifie);
        std::atomic<bool> arret{true};
        p.iterationsMax = 1000;
        p.arret = &arret;
        x = seul;
        const BilanMinimum stoppe = MinimiserJusquAuMinimum(x, p);
        EXPECT_FALSE(stoppe.verifie);
        EXPECT_EQ(stoppe.descente.fin, FinDescente::critere);
        EXPECT_EQ(x[0].x, seul[0].x);
    }
    ImposerEquipe(0);
}

}  // namespace
