// The dual cells: corner counts, face centres, counter-clockwise order,
// colours from the shared generator, and a second build replacing the first.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "etat_hull.h"
#include "hull/dual.h"
#include "mathematiques/hasard.h"
#include "nuages.h"
#include "etat/modes.h"

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
        for (int k = 0; k + 1 < p.degree; ++k) EXPECT_TRUE(cornerTurnsLeft(i, k)) << i << " corner " << k;
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

TEST_F(Dual, ColoursAreThreeDrawsPerParticleAndASecondBuildRedraws) {
    const int n = 40;
    PlacerParticules(Aleatoire(n, 11));
    InitialiserHasard(2024);
    CalculerEnveloppe(false);
    InitialiserHasard(2024);
    for (int i = 0; i < n; ++i) {
        for (int c = 0; c < 3; ++c) ASSERT_EQ(etat.particles[i].dualColour[c], TirerReel()) << i << "," << c;
    }
    std::vector<Vec3> premiers(etat.particles[0].dualCorners);
    hullValid = false;
    CalculerEnveloppe(false);
    InitialiserHasard(2024);
    for (int i = 0; i < 3 * n; ++i) TirerReel();
    for (int i = 0; i < n; ++i) {
        const ParticleRecord& p = etat.particles[i];
        for (int c = 0; c < 3; ++c) ASSERT_EQ(p.dualColour[c], TirerReel()) << i << "," << c;
        EXPECT_EQ(p.dualCorners.size(), static_cast<size_t>(p.degree));
    }
    EXPECT_EQ(etat.particles[0].dualCorners.size(), premiers.size());
    EXPECT_TRUE(std::equal(premiers.begin(), premiers.end(), etat.particles[0].dualCorners.begin(), Egal));
}

TEST_F(Dual, CornerArraysKeepTheirDegreeWhenFacesAndDegreesDisagree) {
    // As after a build that ran out of room: more faces around a particle
    // than its degree, or fewer.
    PlacerParticules({{1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}, {0.0, 0.0, 1.0}, {0.0, 0.0, -1.0}});
    const int degrees[] = {1, 2, 0, 3};
    for (int i = 0; i < 4; ++i) etat.particles[i].degree = degrees[i];
    enveloppe.faces[0] = {{0, 1, 2}};
    enveloppe.faces[1] = {{0, 1, 2}};
    enveloppe.faceCount = 2;
    CalculerDual();
    for (int i = 0; i < 4; ++i) ASSERT_EQ(etat.particles[i].dualCorners.size(), static_cast<size_t>(degrees[i])) << i;
    const Vec3 centre = Centre(enveloppe.faces[0]);
    EXPECT_TRUE(Egal(etat.particles[0].dualCorners[0], centre));
    EXPECT_TRUE(Egal(etat.particles[1].dualCorners[1], centre));
    for (const Vec3& g : etat.particles[3].dualCorners) EXPECT_TRUE(Egal(g, etat.particles[3].position));
}

TEST_F(Dual, NothingIsMadeWithTheModeOff) {
    modes.dual = false;
    PlacerParticules(Aleatoire(20, 12));
    CalculerEnveloppe(false);
    EXPECT_FALSE(dualAllocated);
    for (const ParticleRecord& p : etat.particles) EXPECT_TRUE(p.dualCorners.empty());
}

TEST_F(Dual, AdjacentSwapsOrderAShuffledRegularCell) {
    PlacerParticules({{0.0, 0.0, 1.0}, {1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}});
    std::vector<Vec3> hexagone;
    for (int k = 0; k < 6; ++k) {
        Vec3 g = fromAngles(k * M_PI / 3.0, 0.3);
        hexagone.push_back(g);
    }
    std::vector<Vec3> melange = hexagone;
    std::shuffle(melange.begin(), melange.end(), std::mt19937(4));
    etat.particles[0].dualCorners = melange;
    OrdonnerCoinsDual(0);
    const auto& coins = etat.particles[0].dualCorners;
    for (int k = 0; k + 1 < 6; ++k) EXPECT_TRUE(cornerTurnsLeft(0, k)) << k;
    // A rotation of the counter-clockwise hexagon.
    const auto debut = std::find_if(hexagone.begin(), hexagone.end(), [&](const Vec3& g) { return Egal(g, coins[0]); });
    ASSERT_NE(debut, hexagone.end());
    std::rotate(hexagone.begin(), debut, hexagone.end());
    EXPECT_TRUE(std::equal(hexagone.begin(), hexagone.end(), coins.begin(), Egal));
}

TEST_F(Dual, CornerTurnsLeftSeenFromOutside) {
    PlacerParticules({{0.0, 0.0, 1.0}, {0.0, 0.0, -1.0}, {1.0, 0.0, 0.0}});
    etat.particles[0].dualCorners = {{0.1, 0.0, 1.0}, {0.0, 0.1, 1.0}, {0.1, 0.0, 1.0}};
    EXPECT_TRUE(cornerTurnsLeft(0, 0));   // +x to +y, seen from above
    EXPECT_FALSE(cornerTurnsLeft(0, 1));
    etat.particles[1].dualCorners = {{0.1, 0.0, -1.0}, {0.0, 0.1, -1.0}};
    EXPECT_FALSE(cornerTurnsLeft(1, 0));  // the same turn seen from below
}

}  // namespace
