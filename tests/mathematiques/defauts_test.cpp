// DEFAUTS's counts on hulls the program builds and on hand-made lists.
#include <gtest/gtest.h>

#include <map>
#include <numeric>

#include "descente_outils.h"
#include "etat/parallele.h"
#include "etat/particules.h"
#include "hull/enveloppe.h"
#include "mathematiques/defauts.h"
#include "mathematiques/minimisation.h"

namespace {

// The hull of x as CalculerEnveloppe builds it: its edges and degrees.
Defauts DefautsDe(const std::vector<Vec3>& x) {
    ImposerEquipe(1);
    ChangerNombre(static_cast<int>(x.size()), true);
    for (size_t i = 0; i < x.size(); ++i) etat.particles[i].position = x[i];
    MarquerDeplacement();
    CalculerEnveloppe(false);
    EXPECT_TRUE(enveloppe.complete);
    std::vector<int32_t> degres;
    for (const ParticleRecord& r : etat.particles) degres.push_back(r.degree);
    const Defauts d = CompterDefauts(std::span<const HullEdge>(enveloppe.edges.data(), enveloppe.edgeCount), degres);
    EXPECT_EQ(d.charge, 12);  // any triangulation of the sphere
    EXPECT_EQ(std::accumulate(d.parDegre.begin(), d.parDegre.end(), 0), static_cast<int>(x.size()));
    ImposerEquipe(0);
    return d;
}

int Nombre(const Defauts& d, int degre) { return degre < static_cast<int>(d.parDegre.size()) ? d.parDegre[degre] : 0; }

// Twelve vertices of degree 5, all neighbours: one cluster of twelve.
TEST(Defauts, Icosaedre) {
    const Defauts d = DefautsDe(descente::Icosaedre());
    EXPECT_EQ(Nombre(d, 5), 12);
    EXPECT_EQ(Nombre(d, 6), 0);
    EXPECT_EQ(d.cicatrices, 1);
    EXPECT_EQ(d.cinqEnCicatrices, 12);
    EXPECT_EQ(d.septEnCicatrices, 0);
}

// The octahedron with its edges' midpoints: six vertices of degree 4, apart
// from one another among twelve of degree 6; no scar.
TEST(Defauts, OctaedreSubdivise) {
    std::vector<Vec3> x = descente::Octaedre();
    const std::vector<Vec3> sommets = x;
    for (size_t a = 0; a < sommets.size(); ++a) {
        for (size_t b = a + 1; b < sommets.size(); ++b) {
            if (dot(sommets[a], sommets[b]) < -0.5) continue;  // antipodes
            Vec3 m = sommets[a];
            m += sommets[b];
            setLength(m, 1.0);
            x.push_back(m);
        }
    }
    ASSERT_EQ(x.size(), 18u);
    const Defauts d = DefautsDe(x);
    EXPECT_EQ(Nombre(d, 4), 6);
    EXPECT_EQ(Nombre(d, 6), 12);
    EXPECT_EQ(d.cicatrices, 0);
    EXPECT_EQ(d.cinqEnCicatrices, 0);
    const Defauts seul = DefautsDe(descente::Octaedre());
    EXPECT_EQ(Nombre(seul, 4), 6);
    EXPECT_EQ(seul.cicatrices, 1);
}

// A relaxed N = 100 (the published minimum's basin from this start): twelve
// particles of degree 5, isolated, the rest of degree 6.
TEST(Defauts, CentParticulesRelaxees) {
    std::vector<Vec3> x = descente::Spirale(100);
    ParametresDescente p;
    p.iterationsMax = 10000;
    Minimiser(x, p);
    const Defauts d = DefautsDe(x);
    EXPECT_EQ(Nombre(d, 5) - Nombre(d, 7) - 2 * Nombre(d, 8) + 2 * Nombre(d, 4), 12);
    EXPECT_EQ(Nombre(d, 5) + Nombre(d, 6) + Nombre(d, 7), 100);
    EXPECT_EQ(d.cinqEnCicatrices + d.septEnCicatrices > 0, d.cicatrices > 0);
}

// Hand-made: a 5-7-5 chain is one scar; a lone 5 and a lone 7 are not;
// entries naming no particle or one particle twice are skipped.
TEST(Defauts, ChainesEtEntreesInvalides) {
    const std::vector<int32_t> degres = {5, 7, 5, 6, 5, 6, 7, 6, 4};
    const std::vector<HullEdge> aretes = {{0, 1}, {1, 2}, {2, 3}, {3, 4}, {4, 5}, {5, 6},
                                          {6, 7}, {7, 8}, {4, 4}, {6, 20}, {-1, 6}, {8, 3}};
    const Defauts d = CompterDefauts(aretes, degres);
    EXPECT_EQ(d.cicatrices, 1);
    EXPECT_EQ(d.cinqEnCicatrices, 2);
    EXPECT_EQ(d.septEnCicatrices, 1);
    EXPECT_EQ(d.charge, 1 - 1 + 1 + 0 + 1 + 0 - 1 + 0 + 2);
    ASSERT_EQ(d.parDegre.size(), 8u);
    EXPECT_EQ(d.parDegre[4], 1);
    EXPECT_EQ(d.parDegre[7], 2);
    // Joining the lone 7 to the 4 makes a second scar, without a 5 or 7 more than it has.
    std::vector<HullEdge> plus = aretes;
    plus.push_back({6, 8});
    const Defauts e = CompterDefauts(plus, degres);
    EXPECT_EQ(e.cicatrices, 2);
    EXPECT_EQ(e.septEnCicatrices, 2);
    EXPECT_EQ(e.cinqEnCicatrices, 2);
    EXPECT_EQ(e.disclinations, 1);  // the lone 5
    EXPECT_EQ(e.dislocations, 0);
    EXPECT_EQ(e.chargesCicatrices, (std::map<int, int>{{1, 2}}));
}

// Neutral clusters are dislocations, not scars, and their 5s and 7s are not
// counted as the scars'; a scar's charge may be of either sign. Each
// particle's cluster and each cluster's charge and size, for the writers.
TEST(Defauts, DislocationsEtCicatricesApart) {
    //                                 0  1  2  3  4  5  6  7  8  9 10 11 12
    const std::vector<int32_t> degres = {5, 7, 6, 5, 7, 5, 7, 6, 7, 5, 7, 6, 4};
    // {0, 1}: 5-7 pair; {3, 4, 5, 6}: 5-7-5-7 chain, neutral; {8, 9, 10}:
    // 7-5-7, charge -1; 12: a lone 4.
    const std::vector<HullEdge> aretes = {{0, 1}, {1, 2}, {2, 3}, {3, 4}, {4, 5}, {5, 6}, {6, 7},
                                          {7, 8}, {8, 9}, {9, 10}, {10, 11}, {11, 12}, {12, 2}};
    const Defauts d = CompterDefauts(aretes, degres);
    EXPECT_EQ(d.dislocations, 2);
    EXPECT_EQ(d.cicatrices, 1);
    EXPECT_EQ(d.chargesCicatrices, (std::map<int, int>{{-1, 1}}));
    EXPECT_EQ(d.cinqEnCicatrices, 1);
    EXPECT_EQ(d.septEnCicatrices, 2);
    EXPECT_EQ(d.disclinations, 1);

    const AmasDefauts a = TrouverAmas(aretes, degres);
    ASSERT_EQ(a.amas.size(), degres.size());
    ASSERT_EQ(a.charges.size(), 4u);
    ASSERT_EQ(a.tailles.size(), 4u);
    const std::vector<int> amas = {0, 0, -1, 1, 1, 1, 1, -1, 2, 2, 2, -1, 3};
    EXPECT_EQ(a.amas, amas);
    EXPECT_EQ(a.charges, (std::vector<int>{0, 0, -1, 2}));
    EXPECT_EQ(a.tailles, (std::vector<int>{2, 4, 3, 1}));
}

}  // namespace
