// The dual cells: corner counts, face centres, counter-clockwise order,
// colours from the shared generator, and a second build replacing the first.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>
#include <random>

#include "etat/modes.h"
#include "etat_hull.h"
#include "hull/dual.h"
#include "mathematiques/hasard.h"
#include "mathematiques/placement.h"
#include "mathematiques/relaxation.h"
#include "nuages.h"

namespace {

class Dual : public ::testing::Test {
protected:
    void SetUp() override { modes.dual = true; }
    void TearDown() override { modes.dual = false; }
};

Vec3 Centre(const HullFace& f) {
    Vec3 c = etat.particles[f.v[0]].position;
    c += etat.particles[f.v[1]].position;
    c += etat.particles[f.v[2]].position;
    setLength(c, 1.0);
    return c;
}

bool Egal(const Vec3& a, const Vec3& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

TEST_F(Dual, EachParticleHoldsTheCentresOfItsFacesOnceInCounterClockwiseOrder) {
    const int n = 500;
    PlacerParticules(Spirale(n));
    CalculerEnveloppe(false);
    ASSERT_TRUE(dualAllocated);
    int sum = 0;
    for (int i = 0; i < n; ++i) {
        const ParticleRecord& p = etat.particles[i];
        ASSERT_EQ(p.dualCorners.size(), static_cast<size_t>(p.degree)) << i;
        sum += p.degree;
        for (const Vec3& g : p.dualCorners) EXPECT_NEAR(norm(g), 1.0, 1e-12);
        for (int k = 0; k + 1 < p.degree; ++k) {
            EXPECT_TRUE(CoinTourneAGauche(p.position, p.dualCorners, k)) << i << " corner " << k;
        }
    }
    EXPECT_EQ(sum, 2 * (3 * n - 6));
    for (int f = 0; f < enveloppe.faceCount; ++f) {
        const Vec3 c = Centre(enveloppe.faces[f]);
        for (const int16_t v : enveloppe.faces[f].v) {
            const auto& coins = etat.particles[v].dualCorners;
            EXPECT_EQ(std::count_if(coins.begin(), coins.end(), [&](const Vec3& g) { return Egal(g, c); }), 1)
                << "face " << f << " vertex " << v;
        }
    }
}

// The colours come from a stream of their own: a build, whenever a frame
// makes it, leaves the shared stream as it was.
TEST_F(Dual, ColoursAreThreeDrawsPerParticleAndASecondBuildRedraws) {
    const int n = 40;
    PlacerParticules(Aleatoire(n, 11));
    InitialiserHasard(2024);
    const double partagee = TirerReel();
    InitialiserHasard(2024);
    FluxHasard couleurs = CouleursDual();
    CalculerEnveloppe(false);
    EXPECT_EQ(TirerReel(), partagee);
    for (int i = 0; i < n; ++i) {
        for (int c = 0; c < 3; ++c) ASSERT_EQ(etat.particles[i].dualColour[c], couleurs.Reel()) << i << "," << c;
    }
    std::vector<Vec3> premiers(etat.particles[0].dualCorners);
    hullValid = false;
    CalculerEnveloppe(false);
    for (int i = 0; i < n; ++i) {
        const ParticleRecord& p = etat.particles[i];
        for (int c = 0; c < 3; ++c) ASSERT_EQ(p.dualColour[c], couleurs.Reel()) << i << "," << c;
        EXPECT_EQ(p.dualCorners.size(), static_cast<size_t>(p.degree));
    }
    EXPECT_EQ(etat.particles[0].dualCorners.size(), premiers.size());
    EXPECT_TRUE(std::equal(premiers.begin(), premiers.end(), etat.particles[0].dualCorners.begin(), Egal));
}

TEST_F(Dual, CornerArraysKeepTheirDegreeWhenFacesAndDegreesDisagree) {
    // As after a build that ran out of room: more faces around a particle
    // than its degree, or fewer (and a degree below 0 counts as none).
    const std::vector<Vec3> positions = {{1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}, {0.0, 0.0, 1.0}, {0.0, 0.0, -1.0}};
    PlacerParticules(positions);
    const std::vector<int32_t> degres = {1, 2, -1, 3};
    HullMesh maillage;
    maillage.faces = {{{0, 1, 2}}, {{0, 1, 2}}};
    maillage.faceCount = 2;
    CoinsDual d;
    CalculerCoinsDual(positions, maillage, degres, d);
    ASSERT_EQ(d.debut, (std::vector<int>{0, 1, 3, 3, 6}));
    const Vec3 centre = Centre(maillage.faces[0]);
    EXPECT_TRUE(Egal(d.coins[0], centre));
    EXPECT_TRUE(Egal(d.coins[1], centre));  // the same face twice: its centre twice
    EXPECT_TRUE(Egal(d.coins[2], centre));
    for (int k = 3; k < 6; ++k) EXPECT_TRUE(Egal(d.coins[k], positions[3])) << k;
    InstallerDual(d);
    EXPECT_TRUE(dualAllocated);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(etat.particles[i].dualCorners.size(), static_cast<size_t>(std::max(degres[i], 0))) << i;
    }
}

TEST_F(Dual, NothingIsMadeWithTheModeOff) {
    modes.dual = false;
    PlacerParticules(Aleatoire(20, 12));
    CalculerEnveloppe(false);
    EXPECT_FALSE(dualAllocated);
    for (const ParticleRecord& p : etat.particles) EXPECT_TRUE(p.dualCorners.empty());
}

TEST_F(Dual, AdjacentSwapsOrderAShuffledRegularCell) {
    std::vector<Vec3> hexagone;
    for (int k = 0; k < 6; ++k) {
        Vec3 g = fromAngles(k * M_PI / 3.0, 0.3);
        hexagone.push_back(g);
    }
    std::vector<Vec3> melange = hexagone;
    std::shuffle(melange.begin(), melange.end(), std::mt19937(4));
    const Vec3 p{0.0, 0.0, 1.0};
    std::vector<Vec3> coins = melange;
    OrdonnerCoins(p, coins);
    for (int k = 0; k + 1 < 6; ++k) EXPECT_TRUE(CoinTourneAGauche(p, coins, k)) << k;
    // A rotation of the counter-clockwise hexagon.
    const auto debut = std::find_if(hexagone.begin(), hexagone.end(), [&](const Vec3& g) { return Egal(g, coins[0]); });
    ASSERT_NE(debut, hexagone.end());
    std::rotate(hexagone.begin(), debut, hexagone.end());
    EXPECT_TRUE(std::equal(hexagone.begin(), hexagone.end(), coins.begin(), Egal));
}

TEST_F(Dual, CornerTurnsLeftSeenFromOutside) {
    const std::vector<Vec3> haut = {{0.1, 0.0, 1.0}, {0.0, 0.1, 1.0}, {0.1, 0.0, 1.0}};
    EXPECT_TRUE(CoinTourneAGauche({0.0, 0.0, 1.0}, haut, 0));  // +x to +y, seen from above
    EXPECT_FALSE(CoinTourneAGauche({0.0, 0.0, 1.0}, haut, 1));
    const std::vector<Vec3> bas = {{0.1, 0.0, -1.0}, {0.0, 0.1, -1.0}};
    EXPECT_FALSE(CoinTourneAGauche({0.0, 0.0, -1.0}, bas, 0));  // the same turn seen from below
}

// ---------------------------------------------------------------------------
// Cells as polygons: the test's own geometry, not the program's.

using Point2 = std::array<double, 2>;

// Corners seen from the centre on the tangent plane at p (gnomonic
// projection), in a basis (u, v) with u x v = p: counter-clockwise seen from
// outside is counter-clockwise in the plane.
std::vector<Point2> Projeter(const Vec3& position, const std::vector<Vec3>& coins) {
    Vec3 p = position;
    setLength(p, 1.0);
    Vec3 u = cross(p, std::fabs(p.z) < 0.9 ? Vec3{0, 0, 1} : Vec3{1, 0, 0});
    setLength(u, 1.0);
    const Vec3 v = cross(p, u);
    std::vector<Point2> plan;
    for (const Vec3& g : coins) {
        Vec3 q = g;
        q *= 1.0 / dot(g, p);
        plan.push_back({dot(q, u), dot(q, v)});
    }
    return plan;
}

double Orient(const Point2& a, const Point2& b, const Point2& c) {
    return (b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0]);
}

bool Coupent(const Point2& a, const Point2& b, const Point2& c, const Point2& d) {
    const double o1 = Orient(a, b, c), o2 = Orient(a, b, d), o3 = Orient(c, d, a), o4 = Orient(c, d, b);
    return ((o1 > 0) != (o2 > 0) || o1 == 0 || o2 == 0) && ((o3 > 0) != (o4 > 0) || o3 == 0 || o4 == 0);
}

// No two edges that do not share a corner meet, and the polygon goes once
// around the particle (the plane's origin), counter-clockwise.
bool CelluleSimple(const Vec3& position, const std::vector<Vec3>& coins) {
    const std::vector<Point2> q = Projeter(position, coins);
    const size_t n = q.size();
    if (n < 3) return false;
    for (size_t a = 0; a < n; ++a) {
        for (size_t b = a + 2; b < n; ++b) {
            if (a == 0 && b == n - 1) continue;  // they share corner 0
            if (Coupent(q[a], q[a + 1], q[b], q[(b + 1) % n])) return false;
        }
    }
    double tour = 0.0;
    for (size_t k = 0; k < n; ++k) {
        const Point2& a = q[k];
        const Point2& b = q[(k + 1) % n];
        tour += std::atan2(a[0] * b[1] - a[1] * b[0], a[0] * b[0] + a[1] * b[1]);
    }
    return std::fabs(tour - 2.0 * M_PI) < 1e-6;
}

// The adjacent-swap passes alone, as first written: n + 1 passes, each pair
// left in place only when it turns counter-clockwise seen from outside.
std::vector<Vec3> PassesAdjacentes(const Vec3& p, std::vector<Vec3> g) {
    const size_t n = g.size();
    for (size_t passe = 0; n > 1 && passe <= n; ++passe) {
        for (size_t l = 0; l + 1 < n; ++l) {
            if (!(dot(cross(difference(g[l], p), difference(g[l + 1], p)), p) > 0.0)) std::swap(g[l], g[l + 1]);
        }
    }
    return g;
}

// Each particle's corners in the order the faces give them, before ordering.
std::vector<std::vector<Vec3>> CoinsDansLOrdreDesFaces() {
    std::vector<std::vector<Vec3>> coins(etat.count);
    for (int f = 0; f < enveloppe.faceCount; ++f) {
        for (const int16_t v : enveloppe.faces[f].v) coins[v].push_back(Centre(enveloppe.faces[f]));
    }
    return coins;
}

// Checks every cell of the built dual: a simple polygon around its particle,
// and, wherever the passes alone already gave one, exactly their order.
// Returns how many cells the passes alone left out of order.
int VerifierCellules(const std::string& nom) {
    const std::vector<std::vector<Vec3>> remplis = CoinsDansLOrdreDesFaces();
    int reparees = 0;
    for (int i = 0; i < etat.count; ++i) {
        const ParticleRecord& p = etat.particles[i];
        const std::vector<Vec3> passes = PassesAdjacentes(p.position, remplis[i]);
        EXPECT_TRUE(CelluleSimple(p.position, p.dualCorners)) << nom << " particle " << i;
        EXPECT_TRUE(std::is_permutation(passes.begin(), passes.end(), p.dualCorners.begin(), p.dualCorners.end(), Egal))
            << nom << " particle " << i;
        if (CelluleSimple(p.position, passes)) {
            EXPECT_TRUE(std::equal(passes.begin(), passes.end(), p.dualCorners.begin(), p.dualCorners.end(), Egal))
                << nom << " particle " << i << ": a good order is kept as the passes give it";
        } else {
            ++reparees;
        }
    }
    return reparees;
}

// As at the prompt: NB 200 (a random placement), then RELAX 2 K.
void Relaxer200(long graine) {
    InitialiserHasard(graine);
    PlacerParticules(std::vector<Vec3>(200));
    PlacerAleatoirement(0);
    for (int k = 0; k < 2000; ++k) {
        AppliquerForce();
        ModifierPosition();
    }
    hullValid = false;
}

TEST_F(Dual, EveryCellOfRelaxedConfigurationsIsASimplePolygonAroundItsParticle) {
    int reparees = 0;
    for (long graine = 1; graine <= 12; ++graine) {
        Relaxer200(graine);
        CalculerEnveloppe(false);
        ASSERT_TRUE(hullValid);
        ASSERT_EQ(enveloppe.faceCount, 2 * 200 - 4);
        reparees += VerifierCellules("seed " + std::to_string(graine));
    }
    // The range holds cells that the passes alone drew as crossed stars.
    EXPECT_GT(reparees, 0);
}

TEST_F(Dual, WellSpreadConfigurationsKeepTheOrderOfTheSwaps) {
    PlacerParticules(Spirale(500));
    CalculerEnveloppe(false);
    EXPECT_EQ(VerifierCellules("spiral"), 0);
}

TEST_F(Dual, TheIcosahedronHasTwelveRegularPentagons) {
    const double phi = (1.0 + std::sqrt(5.0)) / 2.0;
    std::vector<Vec3> sommets;
    for (const double a : {-1.0, 1.0}) {
        for (const double b : {-phi, phi}) {
            sommets.push_back({0.0, a, b});
            sommets.push_back({a, b, 0.0});
            sommets.push_back({b, 0.0, a});
        }
    }
    for (Vec3& s : sommets) setLength(s, 1.0);
    PlacerParticules(sommets);
    CalculerEnveloppe(false);
    ASSERT_EQ(enveloppe.faceCount, 20);
    VerifierCellules("icosahedron");
    for (int i = 0; i < 12; ++i) {
        const ParticleRecord& p = etat.particles[i];
        ASSERT_EQ(p.dualCorners.size(), 5u) << i;
        // Consecutive corners a fifth of a turn apart, counter-clockwise.
        const std::vector<Point2> q = Projeter(p.position, p.dualCorners);
        for (size_t k = 0; k < 5; ++k) {
            const Point2& a = q[k];
            const Point2& b = q[(k + 1) % 5];
            EXPECT_NEAR(std::atan2(a[0] * b[1] - a[1] * b[0], a[0] * b[0] + a[1] * b[1]), 2.0 * M_PI / 5.0, 1e-9)
                << i << " corner " << k;
        }
    }
}

TEST_F(Dual, EveryOrderOfAHexagonsCornersEndsInCyclicOrder) {
    const Vec3 p{0.0, 0.0, 1.0};
    std::vector<Vec3> hexagone;
    for (int k = 0; k < 6; ++k) hexagone.push_back(fromAngles(k * M_PI / 3.0 + 0.2, 0.3));
    std::vector<int> ordre(6);
    std::iota(ordre.begin(), ordre.end(), 0);
    int horsDOrdre = 0;
    do {
        std::vector<Vec3> melange;
        for (const int k : ordre) melange.push_back(hexagone[k]);
        horsDOrdre += !CelluleSimple(p, PassesAdjacentes(p, melange));
        std::vector<Vec3> coins = melange;
        OrdonnerCoins(p, coins);
        ASSERT_TRUE(CoinsEnOrdreCyclique(p, coins));
        // A rotation of the counter-clockwise hexagon that starts where the
        // swaps left their first corner.
        const auto debut =
            std::find_if(hexagone.begin(), hexagone.end(), [&](const Vec3& g) { return Egal(g, coins[0]); });
        ASSERT_NE(debut, hexagone.end());
        std::vector<Vec3> attendu = hexagone;
        std::rotate(attendu.begin(), attendu.begin() + (debut - hexagone.begin()), attendu.end());
        ASSERT_TRUE(std::equal(attendu.begin(), attendu.end(), coins.begin(), Egal));
    } while (std::next_permutation(ordre.begin(), ordre.end()));
    EXPECT_GT(horsDOrdre, 0) << "some orders defeat the swaps alone";
}

}  // namespace
