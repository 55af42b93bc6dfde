// The descents' neighbour smoothing: the graph its sweep finds, and an
// operator fit to stand for an inverse Hessian (symmetric, positive).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "descente_outils.h"
#include "mathematiques/lissage.h"
#include "mathematiques/minimisation.h"

namespace {

double Produit(const std::vector<Vec3>& a, const std::vector<Vec3>& b) {
    double p = 0.0;
    for (size_t i = 0; i < a.size(); ++i) p += dot(a[i], b[i]);
    return p;
}

std::vector<Vec3> Champ(int n, long graine) {
    std::vector<Vec3> v = descente::Aleatoires(n, graine);
    for (size_t i = 0; i < v.size(); ++i) v[i] *= 0.5 + static_cast<double>(i % 7);  // not all of one length
    return v;
}

TEST(Lissage, LeGrapheEstCeluiDesPairesProches) {
    // The icosahedron: five neighbours each, the twelve vertices' edges only.
    LissageVoisins icosaedre;
    icosaedre.Construire(descente::Icosaedre());
    ASSERT_TRUE(icosaedre.Pret());
    for (int k = 0; k < 12; ++k) EXPECT_EQ(icosaedre.Voisins(k).size(), 5u) << k;

    // Random and spiral sets, with ties in z: the sweep along z finds every
    // pair the full scan finds, each once, in increasing order.
    std::vector<Vec3> aleatoires = descente::Aleatoires(500, 3);
    for (int i = 0; i < 40; ++i) aleatoires[i + 40].z = aleatoires[i].z;
    for (const std::vector<Vec3>& x : {aleatoires, descente::Spirale(800)}) {
        const int n = static_cast<int>(x.size());
        LissageVoisins l;
        l.Construire(x);
        const double portee = PorteeVoisins(n);
        long total = 0;
        for (int i = 0; i < n; ++i) {
            std::vector<int> attendus;
            for (int j = 0; j < n; ++j) {
                if (j != i && squaredDistance(x[i], x[j]) < portee * portee) attendus.push_back(j);
            }
            const std::span<const int> trouves = l.Voisins(i);
            ASSERT_EQ(std::vector<int>(trouves.begin(), trouves.end()), attendus) << "particle " << i;
            total += static_cast<long>(attendus.size());
        }
        // The first ring of a relaxed-looking set: about six each.
        EXPECT_GT(total, 3L * n);
        EXPECT_LT(total, 9L * n);
    }
}

// For the Coulomb sum and for large exponents, whose weights span hundreds
// of orders of magnitude.
TEST(Lissage, OperateurSymetriqueEtPositif) {
    for (double exposant : {1.0, 12.0, 1000.0}) {
        for (int n : {12, 300, 2000}) {
            SCOPED_TRACE(testing::Message() << "N = " << n << ", s = " << exposant);
            std::vector<Vec3> x = n == 12 ? descente::Icosaedre() : descente::Spirale(n);
            if (n == 300) {  // a pair far closer than the rest
                x[7] = x[8];
                x[7].z += 1e-4;
                setLength(x[7], 1.0);
            }
            LissageVoisins l;
            l.Construire(x, exposant);
            ASSERT_TRUE(l.Pret());
            for (long graine : {1, 2, 3}) {
                const std::vector<Vec3> u = Champ(n, 100 + graine), v = Champ(n, 200 + graine);
                std::vector<Vec3> su(n), sv(n);
                l.Appliquer(u, su);
                l.Appliquer(v, sv);
                for (const Vec3& w : su) ASSERT_TRUE(std::isfinite(norm(w)));
                const double uv = Produit(u, sv), vu = Produit(v, su);
                EXPECT_NEAR(uv, vu, 1e-12 * std::sqrt(Produit(u, su) * Produit(v, sv)));
                EXPECT_GT(Produit(u, su), 0.0);
                // Applied in place, the same.
                std::vector<Vec3> w = u;
                l.Appliquer(w, w);
                for (int i = 0; i < n; ++i) ASSERT_EQ(dot(difference(w[i], su[i]), difference(w[i], su[i])), 0.0);
            }
            if (exposant != 1.0 || n == 300) continue;
            // The stiff modes are damped, the smooth ones kept: a field of
            // random signs shrinks far more than a uniform one.
            std::vector<Vec3> uniforme(n, Vec3{0, 0, 1}), rugueux(n), a(n), b(n);
            for (int i = 0; i < n; ++i) rugueux[i] = Vec3{0, 0, (i % 2 == 0) == (x[i].x > 0.0) ? 1.0 : -1.0};
            l.Appliquer(uniforme, a);
            l.Appliquer(rugueux, b);
            EXPECT_GT(Produit(uniforme, a) / Produit(uniforme, uniforme),
                      1.5 * Produit(rugueux, b) / Produit(rugueux, rugueux));
        }
    }
}

TEST(Lissage, SansVoisinsRienALisser) {
    LissageVoisins l;
    l.Construire(std::vector<Vec3>(10, Vec3{0, 0, 1}));  // one place: no pair at a distance
    EXPECT_FALSE(l.Pret());
}

// With the smoothing in use (s = 1, below its threshold), a descent from a
// random start at a size where neighbours matter still never raises the
// energy, seen in quadruple precision, and ends on the criterion.
TEST(Lissage, LaDescenteLisseeNeMontePas) {
    std::vector<Vec3> x = descente::Aleatoires(150, 7);
    __float128 avant = descente::EnergieQuad(x, 1.0);
    double plusPetitCritere = INFINITY;
    ParametresDescente p;
    p.iterationsMax = 100000;
    p.apresPas = [&](const EtapeDescente& e) {
        const __float128 apres = descente::EnergieQuad(e.positions, 1.0);
        ASSERT_LT(apres, avant) << "step " << e.iteration;
        avant = apres;
        plusPetitCritere = std::min(plusPetitCritere, e.critere);
    };
    const BilanDescente b = Minimiser(x, p);
    EXPECT_EQ(b.fin, FinDescente::critere);
    EXPECT_LE(b.critere, 1e-9);
    EXPECT_LT(plusPetitCritere, 3e-3);
}

}  // namespace
