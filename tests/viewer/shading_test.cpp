// The shading pass and the colour ramp, without a window.
#include <gtest/gtest.h>

#include <cmath>

#include "etat/particules.h"
#include "hull/enveloppe.h"
#include "mathematiques/hasard.h"
#include "mathematiques/metriques.h"
#include "mathematiques/montecarlo.h"
#include "viewer/scene.h"
#include "viewer/scene_support.h"

namespace {

constexpr double kDemiPi = 1.5707963267948966;

TEST(Ombrage, ShadingIsHalfOnePlusTheCosineToTheViewDirection) {
    scene_test::Reinitialiser();
    scene_test::Placer({{0, 0, 1}, {0, 0, -1}, {1, 0, 0}, {0, 1, 0}});
    OmbrerParticules(false);
    EXPECT_FLOAT_EQ(etat.particles[0].shading, 1.0f);
    EXPECT_FLOAT_EQ(etat.particles[1].shading, 0.0f);
    EXPECT_FLOAT_EQ(etat.particles[2].shading, 0.5f);
    angleX = kDemiPi;  // w = (0, 1, 0)
    OmbrerParticules(false);
    EXPECT_NEAR(etat.particles[3].shading, 1.0f, 1e-6);
    EXPECT_NEAR(etat.particles[0].shading, 0.5f, 1e-6);
    angleX = 0.0;
    angleY = -kDemiPi;  // w = (-1, 0, 0)
    OmbrerParticules(false);
    EXPECT_NEAR(etat.particles[2].shading, 0.0f, 1e-6);
    angleY = 0.0;
}

TEST(Ombrage, AStaleHullDividesPotentialsByDegreeAndSetsTheRampBounds) {
    scene_test::Reinitialiser();
    scene_test::Placer({{0, 0, 1}, {0, 0, -1}, {1, 0, 0}, {0, 1, 0}});
    const float potentials[4] = {8.0f, 9.0f, 6.0f, 5.0f};
    const int degrees[4] = {4, 3, 0, 5};  // the third is not on the hull
    for (int k = 0; k < 4; ++k) {
        etat.particles[k].potential = potentials[k];
        etat.particles[k].degree = degrees[k];
    }
    OmbrerParticules(false);  // a valid hull leaves them alone
    EXPECT_FLOAT_EQ(etat.particles[0].potential, 8.0f);
    OmbrerParticules(true);
    EXPECT_FLOAT_EQ(etat.particles[0].potential, 2.0f);
    EXPECT_FLOAT_EQ(etat.particles[1].potential, 3.0f);
    EXPECT_FLOAT_EQ(etat.particles[2].potential, 6.0f);  // no division by 0
    EXPECT_FLOAT_EQ(etat.particles[3].potential, 1.0f);
    EXPECT_DOUBLE_EQ(potentialMin, 1.0);
    EXPECT_DOUBLE_EQ(potentialMax, 3.0);
}

// Monte Carlo attempts leave the potentials owed; a stale frame must colour by
// the current ones, not by those of the configuration before the attempts.
TEST(Ombrage, AStaleFrameAfterMonteCarloUsesCurrentPotentials) {
    scene_test::Reinitialiser();
    InitialiserHasard(4242);
    std::vector<Vec3> points(40);
    for (Vec3& v : points) TirerPointSphere(v, 1.0);
    scene_test::Placer(points);
    for (ParticleRecord& p : etat.particles) p.degree = 1;
    EnergiePotentielle();
    int acceptes = 0;
    for (int essai = 0; essai < 100000 && acceptes < 5; ++essai) acceptes += EssaiMonteCarlo() ? 1 : 0;
    ASSERT_EQ(acceptes, 5);
    OmbrerParticules(true);
    std::vector<float> vus;
    for (const ParticleRecord& p : etat.particles) vus.push_back(p.potential);
    EnergiePotentielle();
    for (size_t k = 0; k < vus.size(); ++k) EXPECT_EQ(vus[k], etat.particles[k].potential) << k;
}

TEST(Rampe, RunsFromCyanThroughBlueAndMagentaToRed) {
    potentialMin = 2.0;
    potentialMax = 4.0;
    auto at = [](float s) { return Rampe(2.0f + 2.0f * std::sqrt(s)); };  // s = t^2
    const CouleurRampe cyan = at(0.0f), blue = at(0.3301f), magenta = at(0.65999f), red = at(1.0f);
    EXPECT_FLOAT_EQ(cyan.r, 0.0f);
    EXPECT_FLOAT_EQ(cyan.g, 1.0f);
    EXPECT_FLOAT_EQ(cyan.b, 1.0f);
    EXPECT_NEAR(blue.r, 0.0003f, 1e-4);
    EXPECT_NEAR(blue.g, 0.0f, 1e-5);
    EXPECT_FLOAT_EQ(blue.b, 1.0f);
    EXPECT_NEAR(magenta.r, 0.99f, 1e-3);
    EXPECT_FLOAT_EQ(magenta.b, 1.0f);
    EXPECT_FLOAT_EQ(red.r, 1.0f);
    EXPECT_FLOAT_EQ(red.g, 0.0f);
    EXPECT_NEAR(red.b, 1.0f - 3.0f * 0.34f, 1e-5);
    const CouleurRampe low = at(0.1f);
    EXPECT_NEAR(low.g, 0.7f, 1e-5);
}

TEST(Rampe, AnEmptyOrInvertedRangeGivesOneSoundColour) {
    potentialMin = potentialMax = 3.0;
    for (float p : {2.0f, 3.0f, 4.0f}) {
        const CouleurRampe c = Rampe(p);
        EXPECT_FALSE(std::isnan(c.r) || std::isnan(c.g) || std::isnan(c.b));
        EXPECT_FLOAT_EQ(c.g, 1.0f);
    }
    potentialMin = 1e38;  // the bounds of a stale frame that found no hull
    potentialMax = 0.0;
    EXPECT_FLOAT_EQ(Rampe(5.0f).g, 1.0f);
}

}  // namespace
