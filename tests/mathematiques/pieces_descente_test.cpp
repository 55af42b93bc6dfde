// The descent's pieces alone: the L-BFGS memory on a quadratic whose inverse
// Hessian is known, and the objective on the sphere against quadruple
// precision along a line, across an accepted step and a change of scale.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "descente_outils.h"
#include "mathematiques/memoire_lbfgs.h"
#include "mathematiques/objectif_riesz.h"
#include "mathematiques/separation.h"

namespace {

// 9 coordinates (three Vec3: the vector loops' block of 8 and a tail).
constexpr int kN = 3;

double& Coord(std::vector<Vec3>& v, int k) {
    Vec3& p = v[k / 3];
    return k % 3 == 0 ? p.x : k % 3 == 1 ? p.y : p.z;
}

std::vector<Vec3> Base(int k) {
    std::vector<Vec3> v(kN);
    Coord(v, k) = 1.0;
    return v;
}

// A = diag(1 .. 9) times c.
std::vector<Vec3> Diagonale(std::vector<Vec3> v, double c) {
    for (int k = 0; k < 3 * kN; ++k) Coord(v, k) *= c * (k + 1);
    return v;
}
std::vector<Vec3> FoisA(const std::vector<Vec3>& v) { return Diagonale(v, 1.0); }
std::vector<Vec3> FoisInverseA(std::vector<Vec3> v) {
    for (int k = 0; k < 3 * kN; ++k) Coord(v, k) /= k + 1;
    return v;
}

std::vector<Vec3> Gradient() {
    std::vector<Vec3> g(kN);
    for (int k = 0; k < 3 * kN; ++k) Coord(g, k) = std::sin(1.0 + 2.3 * k);
    return g;
}

void AttendreOppose(std::vector<Vec3> d, const std::vector<Vec3>& attendu, double tolerance) {
    for (int k = 0; k < 3 * kN; ++k) {
        std::vector<Vec3> a = attendu;
        EXPECT_NEAR(Coord(d, k), -Coord(a, k), tolerance) << "coordinate " << k;
    }
}

// Pairs along the axes are conjugate for a diagonal A: BFGS then holds
// H y_j = s_j for every pair kept, so nine pairs give A^-1 itself, whatever
// the initial matrix, and three give it on their own axes only.
TEST(MemoireLbfgs, LesPairesConjugueesDonnentLInverse) {
    MemoireLbfgs complete(9), courte(3);
    for (int k = 0; k < 3 * kN; ++k) {
        EXPECT_TRUE(complete.Retenir(Base(k), FoisA(Base(k))));
        EXPECT_TRUE(courte.Retenir(Base(k), FoisA(Base(k))));
    }
    std::vector<Vec3> d;
    complete.Diriger(Gradient(), nullptr, d);
    AttendreOppose(d, FoisInverseA(Gradient()), 1e-14);

    for (int k = 0; k < 3 * kN; ++k) {
        SCOPED_TRACE(testing::Message() << "axis " << k);
        courte.Diriger(FoisA(Base(k)), nullptr, d);
        if (k >= 6) {
            AttendreOppose(d, Base(k), 1e-14);  // among the three newest
        } else {
            // The oldest are forgotten: gamma = 1/9 from the newest pair.
            std::vector<Vec3> attendu = FoisA(Base(k));
            for (Vec3& v : attendu) v *= 1.0 / 9.0;
            AttendreOppose(d, attendu, 1e-14);
        }
    }
}

// gamma = s.y / y.H0 y: with H0 = c A^-1 and one pair the recursion gives
// A^-1 exactly, whatever c; without pairs, -H0 g; forgotten, -g.
TEST(MemoireLbfgs, PreconditionneurEtOubli) {
    const Preconditionneur h0 = [](std::vector<Vec3>& v) {
        v = FoisInverseA(v);
        for (Vec3& p : v) p *= 5.0;
    };
    MemoireLbfgs m(20);
    std::vector<Vec3> d;
    m.Diriger(Gradient(), &h0, d);
    std::vector<Vec3> attendu = FoisInverseA(Gradient());
    for (Vec3& p : attendu) p *= 5.0;
    AttendreOppose(d, attendu, 1e-14);

    ASSERT_TRUE(m.Retenir(Base(4), FoisA(Base(4))));
    m.Diriger(Gradient(), &h0, d);
    AttendreOppose(d, FoisInverseA(Gradient()), 1e-14);

    m.Oublier();
    EXPECT_TRUE(m.Vide());
    m.Diriger(Gradient(), &h0, d);
    AttendreOppose(d, attendu, 1e-14);
    m.Diriger(Gradient(), nullptr, d);
    AttendreOppose(d, Gradient(), 0.0);
}

// A pair without positive curvature, or with one lost in the rounding, would
// make the recursion's matrix indefinite: not kept.
TEST(MemoireLbfgs, CourbureNonPositiveRefusee) {
    MemoireLbfgs m(5);
    std::vector<Vec3> y = Base(0);
    for (Vec3& v : y) v *= -1.0;
    EXPECT_FALSE(m.Retenir(Base(0), y));
    EXPECT_FALSE(m.Retenir(Base(0), Base(1)));
    std::vector<Vec3> presque = Base(1);
    Coord(presque, 0) = 1e-14;
    EXPECT_FALSE(m.Retenir(Base(0), presque));
    EXPECT_TRUE(m.Vide());
    Coord(presque, 0) = 1e-9;
    EXPECT_TRUE(m.Retenir(Base(0), presque));
}

// A direction in the tangent planes that descends (half the gradient's
// length at random beside it), its largest move 1.
std::vector<Vec3> Direction(const std::vector<Vec3>& x, const std::vector<Vec3>& g, long graine) {
    std::vector<Vec3> p = descente::Aleatoires(static_cast<int>(x.size()), graine);
    double longueur = 0.0;
    for (const Vec3& v : g) longueur = std::max(longueur, norm(v));
    for (size_t i = 0; i < p.size(); ++i) {
        p[i] *= 0.5 * longueur;
        p[i] -= g[i];
    }
    ProjeterTangentes(x, p);
    double m = 0.0;
    for (const Vec3& v : p) m = std::max(m, norm(v));
    for (Vec3& v : p) v *= 1.0 / m;
    return p;
}

double PhiQuad(std::span<const Vec3> x, std::span<const Vec3> x0, double s) {
    return static_cast<double>(logq(descente::EnergieQuad(x, s) / descente::EnergieQuad(x0, s)));
}

// phi against the quadruple-precision energy of the directions, from steps
// the sums show (s = 1: the sums alone) down to one they cannot (1e-10, from
// the displacements, the stored vectors' rounding off the sphere taken out);
// phi' against a centred difference; f itself at the start.
TEST(ObjectifRiesz, PhiEtSaPenteLeLongDUneLigne) {
    for (double s : {1.0, 12.0}) {
        SCOPED_TRACE(testing::Message() << "s = " << s);
        std::vector<Vec3> x = descente::Aleatoires(20, 31);
        SeparerPositions(x);
        ObjectifRiesz objectif(x, s);
        EXPECT_NEAR(objectif.LogEnergie(), static_cast<double>(logq(descente::EnergieQuad(x, s))), 1e-13);
        const std::vector<Vec3> p = Direction(x, objectif.Courant().g, 32);
        for (double a : {1e-2, 1e-4, 1e-10}) {
            SCOPED_TRACE(testing::Message() << "a = " << a);
            const PointSphere pt = objectif.Essayer(p, a);
            EXPECT_EQ(pt.alpha, a);
            const double phi = PhiQuad(pt.x, x, s);
            EXPECT_NEAR(pt.phi, phi, 1e-9 * std::abs(phi));
            ASSERT_LT(phi, 0.0) << "p descends";
            const double h = 1e-4 * std::max(a, 1e-4);
            const double pente =
                (PhiQuad(objectif.Essayer(p, a + h).x, x, s) - PhiQuad(objectif.Essayer(p, a - h).x, x, s)) / (2 * h);
            EXPECT_NEAR(pt.dphi, pente, 1e-6 * std::abs(pente));
        }
    }
}

// Accepted steps at s = 1000, each bounded by the scale and moving the
// closest pair far enough that the scale changes: f follows the energy
// through them, and each step's pair lies in the new tangent planes.
TEST(ObjectifRiesz, PasAcceptesEtChangementsDEchelle) {
    std::vector<Vec3> x = descente::Aleatoires(16, 41);
    SeparerPositions(x);
    const double s = 1000.0;
    ObjectifRiesz objectif(x, s);
    const long long avant = objectif.Evaluations();
    for (int pas = 0; pas < 4; ++pas) {
        SCOPED_TRACE(testing::Message() << "step " << pas);
        std::vector<Vec3> p = objectif.Courant().g;
        double m = 0.0;
        for (const Vec3& v : p) m = std::max(m, norm(v));
        for (Vec3& v : p) v *= -1.0 / m;
        const double logAvant = objectif.LogEnergie();
        PointSphere pt = objectif.Essayer(p, 0.5 * objectif.PasSelonEchelle());
        const double phi = pt.phi;
        ASSERT_LT(phi, -1.0) << "the closest pair pushed apart";
        std::vector<Vec3> ds, dy;
        objectif.Accepter(std::move(pt), ds, dy);
        EXPECT_EQ(objectif.Variation(), phi);
        EXPECT_EQ(objectif.LogEnergie(), logAvant + phi);
        const std::vector<Vec3>& xc = objectif.Courant().x;
        EXPECT_NEAR(objectif.LogEnergie(), static_cast<double>(logq(descente::EnergieQuad(xc, s))),
                    1e-12 * std::abs(objectif.LogEnergie()));
        double grand = 0.0;  // the size of the gradients subtracted
        for (size_t i = 0; i < xc.size(); ++i) grand = std::max({grand, norm(dy[i]), norm(objectif.Courant().g[i])});
        for (size_t i = 0; i < xc.size(); ++i) {
            EXPECT_NEAR(dot(ds[i], xc[i]), 0.0, 1e-15);
            EXPECT_NEAR(dot(dy[i], xc[i]), 0.0, 1e-15 * grand);
        }
        EXPECT_LT(objectif.Critere(), INFINITY);
    }
    EXPECT_GT(objectif.Evaluations() - avant, 4) << "a step's pass each, and a new scale's";
}

}  // namespace
