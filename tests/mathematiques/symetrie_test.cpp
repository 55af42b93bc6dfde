// Point groups: the named polyhedra, every family on orbits of generic
// points under matrices that generate it, the same turned and shaken below
// and above the tolerance, and Thomson minima reached by the descents.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <numbers>

#include "descente_outils.h"
#include "mathematiques/depart_symetrique.h"
#include "mathematiques/exploration.h"
#include "mathematiques/hasard.h"
#include "mathematiques/metriques.h"
#include "mathematiques/symetrie.h"

namespace {

using descente::Unitaire;
using Matrice = std::array<std::array<double, 3>, 3>;

Matrice Produit(const Matrice& a, const Matrice& b) {
    Matrice c{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k) c[i][j] += a[i][k] * b[k][j];
    return c;
}

Vec3 Appliquer(const Matrice& m, const Vec3& v) {
    return {m[0][0] * v.x + m[0][1] * v.y + m[0][2] * v.z, m[1][0] * v.x + m[1][1] * v.y + m[1][2] * v.z,
            m[2][0] * v.x + m[2][1] * v.y + m[2][2] * v.z};
}

double Ecart(const Matrice& a, const Matrice& b) {
    double e = 0;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) e = std::max(e, std::abs(a[i][j] - b[i][j]));
    return e;
}

Matrice Rz(double angle) {
    const double c = std::cos(angle), s = std::sin(angle);
    return {{{c, -s, 0}, {s, c, 0}, {0, 0, 1}}};
}
Matrice Diagonale(double x, double y, double z) { return {{{x, 0, 0}, {0, y, 0}, {0, 0, z}}}; }
const Matrice kC2x = Diagonale(1, -1, -1), kSigmaH = Diagonale(1, 1, -1), kSigmaV = Diagonale(1, -1, 1),
              kInversion = Diagonale(-1, -1, -1);
const Matrice kC3 = {{{0, 0, 1}, {1, 0, 0}, {0, 1, 0}}};     // about (1, 1, 1)
const Matrice kSigmaD = {{{0, 1, 0}, {1, 0, 0}, {0, 0, 1}}};  // the plane x = y
const double kPhi = (1 + std::sqrt(5.0)) / 2;
const Matrice kC5 = {{{0.5, -kPhi / 2, 0.5 / kPhi}, {kPhi / 2, 0.5 / kPhi, -0.5}, {0.5 / kPhi, 0.5, kPhi / 2}}};
Matrice S(int deuxN) { return Produit(Rz(2 * std::numbers::pi / deuxN), kSigmaH); }
Matrice C(int n) { return Rz(2 * std::numbers::pi / n); }

// Every product of the generators (at most 120 matrices).
std::vector<Matrice> Engendrer(const std::vector<Matrice>& generateurs) {
    std::vector<Matrice> g = {Diagonale(1, 1, 1)};
    for (size_t k = 0; k < g.size() && g.size() <= 120; ++k) {
        for (const Matrice& h : generateurs) {
            const Matrice p = Produit(h, g[k]);
            if (std::none_of(g.begin(), g.end(), [&](const Matrice& m) { return Ecart(m, p) < 1e-9; })) g.push_back(p);
        }
    }
    return g;
}

// The images of three random points by every element.
std::vector<Vec3> Orbites(const std::vector<Matrice>& groupe, long graine) {
    const std::vector<Vec3> germes = descente::Aleatoires(3, graine);
    std::vector<Vec3> x;
    for (const Vec3& p : germes)
        for (const Matrice& m : groupe) x.push_back(Appliquer(m, p));
    return x;
}

// A random rotation (a random unit quaternion).
Matrice RotationAleatoire(long graine) {
    InitialiserHasard(graine);
    double q[4], l = 0;
    do {
        l = 0;
        for (double& c : q) {
            c = 2 * TirerReel() - 1;
            l += c * c;
        }
    } while (l > 1 || l < 1e-3);
    for (double& c : q) c /= std::sqrt(l);
    const auto [w, x, y, z] = q;
    return {{{w * w + x * x - y * y - z * z, 2 * (x * y - w * z), 2 * (x * z + w * y)},
             {2 * (x * y + w * z), w * w - x * x + y * y - z * z, 2 * (y * z - w * x)},
             {2 * (x * z - w * y), 2 * (y * z + w * x), w * w - x * x - y * y + z * z}}};
}

std::vector<Vec3> Tourner(std::vector<Vec3> x, long graine) {
    const Matrice r = RotationAleatoire(graine);
    for (Vec3& p : x) p = Appliquer(r, p);
    return x;
}

// Each particle moved along the sphere by exactly `pas` in a random direction.
std::vector<Vec3> Secouer(std::vector<Vec3> x, double pas, long graine) {
    const std::vector<Vec3> d = descente::Aleatoires(static_cast<int>(x.size()), graine);
    for (size_t i = 0; i < x.size(); ++i) {
        Vec3 t = cross(x[i], d[i]);
        setLength(t, pas);
        x[i] += t;
        setLength(x[i], 1.0);
    }
    return x;
}

// The operations are what the group claims: as many as its order, each an
// orthogonal map sending every particle within the tolerance of its image
// particle, one to one, the identity first.
void VerifierOperations(const std::vector<Vec3>& x, const GroupePonctuel& g, double tolerance) {
    ASSERT_EQ(static_cast<int>(g.operations.size()), g.ordre) << g.nom;
    for (const OperationSymetrie& op : g.operations) {
        Matrice m, mt;
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) mt[j][i] = m[i][j] = op.m[i][j];
        EXPECT_LT(Ecart(Produit(m, mt), Diagonale(1, 1, 1)), 1e-12);
        std::vector<bool> atteinte(x.size(), false);
        for (size_t i = 0; i < x.size(); ++i) {
            const int j = op.image[i];
            ASSERT_FALSE(atteinte[j]);
            atteinte[j] = true;
            EXPECT_LE(std::sqrt(squaredDistance(Appliquer(m, x[i]), x[j])), tolerance);
        }
    }
    for (size_t i = 0; i < x.size(); ++i) EXPECT_EQ(g.operations[0].image[i], static_cast<int>(i));
}

struct Attendu {
    const char* nom;
    int ordre;
    int ordreAxes;
    int axes;
};

void Verifier(const std::vector<Vec3>& x, const Attendu& a, const char* quoi) {
    SCOPED_TRACE(quoi);
    const GroupePonctuel g = TrouverGroupePonctuel(x);
    EXPECT_EQ(g.nom, a.nom);
    EXPECT_EQ(g.ordre, a.ordre);
    EXPECT_EQ(g.ordreAxes, a.ordreAxes);
    EXPECT_EQ(static_cast<int>(g.axes.size()), a.axes);
    VerifierOperations(x, g, kToleranceSymetrie);
}

// As built, turned at random, shaken well below the tolerance; shaken well
// above it, nothing is left but the identity.
void VerifierPartout(const std::vector<Vec3>& x, const Attendu& a, long graine) {
    Verifier(x, a, "tel quel");
    const std::vector<Vec3> t = Tourner(x, graine);
    Verifier(t, a, "tourné");
    Verifier(Secouer(t, 0.3 * kToleranceSymetrie, graine + 1), a, "secoué sous la tolérance");
    Verifier(Secouer(t, 20 * kToleranceSymetrie, graine + 2), {"C1", 1, 1, 0}, "secoué au-delà");
}

std::vector<Vec3> Signes(std::initializer_list<std::array<double, 3>> bases) {
    std::vector<Vec3> x;
    for (const auto& b : bases)
        for (int s = 0; s < 8; ++s) {
            const Vec3 p = Unitaire(s & 1 ? -b[0] : b[0], s & 2 ? -b[1] : b[1], s & 4 ? -b[2] : b[2]);
            if (std::none_of(x.begin(), x.end(), [&](const Vec3& q) { return squaredDistance(p, q) < 1e-20; }))
                x.push_back(p);
        }
    return x;
}

// A ring of n at height z, turned by `decalage` of a step.
void Anneau(std::vector<Vec3>& x, int n, double z, double decalage) {
    const double r = std::sqrt(1 - z * z);
    for (int k = 0; k < n; ++k) {
        const double a = 2 * std::numbers::pi * (k + decalage) / n;
        x.push_back({r * std::cos(a), r * std::sin(a), z});
    }
}

TEST(Symetrie, Polyedres) {
    VerifierPartout(Signes({{1, 1, 1}}), {"Oh", 48, 4, 3}, 10);  // cube
    VerifierPartout(descente::Octaedre(), {"Oh", 48, 4, 3}, 20);
    VerifierPartout(descente::Icosaedre(), {"Ih", 120, 5, 6}, 30);
    std::vector<Vec3> tetraedre = {Unitaire(1, 1, 1), Unitaire(1, -1, -1), Unitaire(-1, 1, -1), Unitaire(-1, -1, 1)};
    VerifierPartout(tetraedre, {"Td", 24, 3, 4}, 40);
    std::vector<Vec3> prisme, antiprisme;
    Anneau(prisme, 3, 0.5, 0);
    Anneau(prisme, 3, -0.5, 0);
    VerifierPartout(prisme, {"D3h", 12, 3, 1}, 50);
    Anneau(antiprisme, 4, 0.55, 0);
    Anneau(antiprisme, 4, -0.55, 0.5);
    VerifierPartout(antiprisme, {"D4d", 16, 4, 1}, 60);
}

// The snub cube: even permutations of (+-1, +-1/t, +-t) with an even number
// of minus signs and odd permutations with an odd number, t the tribonacci
// constant. Chiral: O, no mirror.
TEST(Symetrie, CubeAdouci) {
    const double t = (1 + std::cbrt(19 + 3 * std::sqrt(33.0)) + std::cbrt(19 - 3 * std::sqrt(33.0))) / 3;
    const double v[3] = {1, 1 / t, t};
    const int paires[6][3] = {{0, 1, 2}, {1, 2, 0}, {2, 0, 1}, {1, 0, 2}, {0, 2, 1}, {2, 1, 0}};
    std::vector<Vec3> x;
    for (int p = 0; p < 6; ++p)
        for (int s = 0; s < 8; ++s) {
            const int moins = (s & 1) + (s >> 1 & 1) + (s >> 2 & 1);
            if (moins % 2 != (p < 3 ? 0 : 1)) continue;
            x.push_back(Unitaire(s & 1 ? -v[paires[p][0]] : v[paires[p][0]], s & 2 ? -v[paires[p][1]] : v[paires[p][1]],
                                 s & 4 ? -v[paires[p][2]] : v[paires[p][2]]));
        }
    ASSERT_EQ(x.size(), 24u);
    VerifierPartout(x, {"O", 24, 4, 3}, 70);
}

// Every family, on three generic orbits of the group its generators make.
TEST(Symetrie, ToutesLesFamilles) {
    const std::vector<Matrice> t = {kC2x, Diagonale(-1, -1, 1), kC3};
    const std::vector<Matrice> i = {kC2x, Diagonale(-1, -1, 1), kC3, kC5};
    auto plus = [](std::vector<Matrice> g, const Matrice& m) {
        g.push_back(m);
        return g;
    };
    struct Cas {
        std::vector<Matrice> generateurs;
        Attendu attendu;
    };
    const Cas cas[] = {
        {{}, {"C1", 1, 1, 0}},
        {{kSigmaH}, {"Cs", 2, 1, 0}},
        {{kInversion}, {"Ci", 2, 1, 0}},
        {{C(2)}, {"C2", 2, 2, 1}},
        {{C(5)}, {"C5", 5, 5, 1}},
        {{C(2), kSigmaV}, {"C2v", 4, 2, 1}},
        {{C(3), kSigmaV}, {"C3v", 6, 3, 1}},
        {{C(2), kSigmaH}, {"C2h", 4, 2, 1}},
        {{C(3), kSigmaH}, {"C3h", 6, 3, 1}},
        {{S(4)}, {"S4", 4, 2, 1}},
        {{S(6)}, {"S6", 6, 3, 1}},
        {{C(2), kC2x}, {"D2", 4, 2, 3}},
        {{C(3), kC2x}, {"D3", 6, 3, 1}},
        {{C(2), kC2x, kSigmaH}, {"D2h", 8, 2, 3}},
        {{C(6), kC2x, kSigmaH}, {"D6h", 24, 6, 1}},
        {{S(4), kC2x}, {"D2d", 8, 2, 3}},
        {{S(6), kC2x}, {"D3d", 12, 3, 1}},
        {t, {"T", 12, 3, 4}},
        {plus(t, kInversion), {"Th", 24, 3, 4}},
        {plus(t, kSigmaD), {"Td", 24, 3, 4}},
        {plus(t, C(4)), {"O", 24, 4, 3}},
        {plus(plus(t, C(4)), kInversion), {"Oh", 48, 4, 3}},
        {i, {"I", 60, 5, 6}},
        {plus(i, kInversion), {"Ih", 120, 5, 6}},
    };
    long graine = 100;
    for (const Cas& c : cas) {
        const std::vector<Matrice> groupe = Engendrer(c.generateurs);
        ASSERT_EQ(static_cast<int>(groupe.size()), c.attendu.ordre) << c.attendu.nom;
        const std::vector<Vec3> x = Orbites(groupe, graine);
        Verifier(x, c.attendu, c.attendu.nom);
        Verifier(Tourner(x, graine + 1), c.attendu, c.attendu.nom);
        graine += 10;
    }
}

// Random points have no symmetry; an icosahedron relaxed to 1e-6 keeps Ih at
// the default tolerance, not at a tolerance below its defect; a larger
// tolerance lets a shaken one through.
TEST(Symetrie, ToleranceEtAucuneSymetrie) {
    for (int n : {3, 4, 10, 500}) {
        const GroupePonctuel g = TrouverGroupePonctuel(descente::Aleatoires(n, n));
        EXPECT_EQ(g.nom, "C1") << n;
        EXPECT_EQ(g.operations.size(), 1u);
        EXPECT_EQ(g.axes.size(), 0u);
    }
    const std::vector<Vec3> x = Secouer(descente::Icosaedre(), 1e-6, 7);
    EXPECT_EQ(TrouverGroupePonctuel(x).nom, "Ih");
    EXPECT_EQ(TrouverGroupePonctuel(x, 1e-7).nom, "C1");
    const std::vector<Vec3> y = Secouer(descente::Icosaedre(), 2e-4, 8);
    EXPECT_EQ(TrouverGroupePonctuel(y).nom, "C1");
    const GroupePonctuel large = TrouverGroupePonctuel(y, 1e-3);
    EXPECT_EQ(large.nom, "Ih");
    VerifierOperations(y, large, 1e-3);
}

// The published groups of Thomson minima, reached by basin hopping from a
// random start (stopped at the published energy).
TEST(Symetrie, MinimaDeThomson) {
    struct Minimum {
        int n;
        double energie;
        const char* groupe;
    };
    for (const Minimum& m : {Minimum{12, 49.165253058, "Ih"}, Minimum{24, 223.347074052, "O"},
                             Minimum{32, 412.261274651, "Ih"}}) {
        std::vector<Vec3> x = descente::Aleatoires(m.n, m.n);
        std::atomic<bool> arret{false};
        ParametresExploration p;
        p.sauts = 200;
        p.arret = &arret;
        p.nouveauMinimum = [&](long long, double e, std::span<const Vec3>) {
            if (std::abs(std::exp(e) - m.energie) < 1e-6) arret = true;
        };
        Explorer(x, p);
        ASSERT_NEAR(static_cast<double>(descente::EnergieQuad(x, 1.0)), m.energie, 1e-6) << m.n;
        const GroupePonctuel g = TrouverGroupePonctuel(x);
        EXPECT_EQ(g.nom, m.groupe) << m.n;
        VerifierOperations(x, g, kToleranceSymetrie);
    }
}

// The random starts within a group: every particle placed on the sphere, none
// twice, and the group found in them holds the one drawn (an S2m as S2m or
// above, a Cm with at least its order), at counts that leave no particle,
// one or two for the axis.
TEST(Symetrie, DepartsSymetriques) {
    for (const int n : {201, 202, 210, 470, 1001}) {
        for (long graine = 1; graine <= 4; ++graine) {
            FluxHasard h(graine * 1000 + n);
            std::vector<Vec3> x(static_cast<size_t>(n), Vec3{0.0, 0.0, 0.0});
            const GroupeTire t = TirerSymetrique(x, h);
            const int reste = n % t.Ordre();
            EXPECT_TRUE(t.impropre ? reste == 0 || reste == 2 : reste <= 2) << n << " " << t.Ordre();
            for (const Vec3& v : x) ASSERT_NEAR(norm(v), 1.0, 1e-12) << n;
            EXPECT_GT(DistanceMinimaleDe(x), 1e-9) << n;
            const GroupePonctuel g = TrouverGroupePonctuel(x);
            EXPECT_EQ(g.ordre % t.Ordre(), 0) << n << " drawn order " << t.Ordre() << ", found " << g.nom;
            const bool impropreTrouve = std::any_of(g.operations.begin(), g.operations.end(),
                                                    [](const OperationSymetrie& o) { return !o.propre; });
            if (t.impropre) {
                EXPECT_TRUE(impropreTrouve) << n << " " << g.nom;
            }
            VerifierOperations(x, g, kToleranceSymetrie);
        }
    }
}

}  // namespace
