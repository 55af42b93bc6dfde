// The shading of a frame's copy and the colour ramp, without a window.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "etat/modes.h"
#include "etat/particules.h"
#include "hull/enveloppe.h"
#include "mathematiques/hasard.h"
#include "mathematiques/montecarlo.h"
#include "viewer/scene.h"
#include "viewer/scene_support.h"

namespace {

constexpr double kDemiPi = 1.5707963267948966;

CopieImage Copie(const std::vector<Vec3>& positions) {
    CopieImage c;
    c.positions = positions;
    c.count = static_cast<int>(positions.size());
    return c;
}

TEST(Ombrage, ShadingIsHalfOnePlusTheCosineToTheViewDirection) {
    scene_test::Reinitialiser();
    CopieImage c = Copie({{0, 0, 1}, {0, 0, -1}, {1, 0, 0}, {0, 1, 0}});
    RampeCouleurs rampe;
    ColorerImage(c, rampe);
    EXPECT_FLOAT_EQ(c.ombres[0], 1.0f);
    EXPECT_FLOAT_EQ(c.ombres[1], 0.0f);
    EXPECT_FLOAT_EQ(c.ombres[2], 0.5f);
    angleX = kDemiPi;  // w = (0, 1, 0)
    ColorerImage(c, rampe);
    EXPECT_NEAR(c.ombres[3], 1.0f, 1e-6);
    EXPECT_NEAR(c.ombres[0], 0.5f, 1e-6);
    angleX = 0.0;
    angleY = -kDemiPi;  // w = (-1, 0, 0)
    ColorerImage(c, rampe);
    EXPECT_NEAR(c.ombres[2], 0.0f, 1e-6);
    angleY = 0.0;
    EXPECT_FALSE(rampe.due) << "a frame that found the hull valid keeps the ramp";
}

TEST(Ombrage, TheRampDividesEachShareByItsDegreeAndTakesItsBoundsOnTheHull) {
    RampeCouleurs rampe;
    rampe.positions = {{0, 0, 1}, {0, 0, -1}, {1, 0, 0}, {0, 1, 0}};
    rampe.degres = {4, 3, 0, 5};  // the third is not on the hull
    rampe.due = true;
    CalculerRampe(rampe);
    const float r2 = static_cast<float>(1.0 / std::sqrt(2.0));
    const float parts[4] = {0.5f + r2 + r2, 0.5f + r2 + r2, r2 + r2 + r2, r2 + r2 + r2};
    EXPECT_FALSE(rampe.due);
    EXPECT_FLOAT_EQ(rampe.potentiels[0], parts[0] / 4.0f);
    EXPECT_FLOAT_EQ(rampe.potentiels[1], parts[1] / 3.0f);
    EXPECT_FLOAT_EQ(rampe.potentiels[2], parts[2]);  // no division by 0
    EXPECT_FLOAT_EQ(rampe.potentiels[3], parts[3] / 5.0f);
    EXPECT_EQ(rampe.bas, rampe.potentiels[3]);
    EXPECT_EQ(rampe.haut, rampe.potentiels[1]);

    rampe.degres = {0, 0, 0, -1};  // none on the hull: bounds that give one colour
    CalculerRampe(rampe);
    EXPECT_GT(rampe.bas, rampe.haut);
}

// Monte Carlo attempts, the last one refused: a stale frame colours by the
// positions the particles have, not by the configuration an attempt tried.
TEST(Ombrage, AStaleFrameAfterMonteCarloColoursTheCurrentPositions) {
    scene_test::Reinitialiser();
    InitialiserHasard(4242);
    std::vector<Vec3> points(40);
    for (Vec3& v : points) TirerPointSphere(v, 1.0);
    scene_test::Placer(points);
    Garde lock(verrouEtat);
    int acceptes = 0;
    bool dernierRefuse = false;
    for (int essai = 0; essai < 100000 && !(acceptes >= 5 && dernierRefuse); ++essai) {
        dernierRefuse = !EssaiMonteCarlo();
        acceptes += dernierRefuse ? 0 : 1;
    }
    ASSERT_TRUE(dernierRefuse);
    hullValid = false;
    modes.polygones = true;
    CopieImage c;
    ASSERT_TRUE(CopierImage(c));
    ASSERT_TRUE(ConstruireImage(c));
    ASSERT_TRUE(PublierImage(c));
    RampeCouleurs rampe;
    ColorerImage(c, rampe);
    modes.polygones = false;
    std::vector<int32_t> degres;
    for (const ParticleRecord& p : etat.particles) degres.push_back(p.degree);
    EXPECT_EQ(rampe.potentiels, scene_test::PartsParDegre(CopierPositions(), degres));
}

TEST(Rampe, RunsFromCyanThroughBlueAndMagentaToRed) {
    auto at = [](float s) { return Rampe(2.0f + 2.0f * std::sqrt(s), 2.0, 4.0); };  // s = t^2
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
    for (float p : {2.0f, 3.0f, 4.0f}) {
        const CouleurRampe c = Rampe(p, 3.0, 3.0);
        EXPECT_FALSE(std::isnan(c.r) || std::isnan(c.g) || std::isnan(c.b));
        EXPECT_FLOAT_EQ(c.g, 1.0f);
    }
    EXPECT_FLOAT_EQ(Rampe(5.0f, 1e38, 0.0).g, 1.0f);  // the bounds of a ramp that found no hull
}

}  // namespace

// A label sticking out on either side comes back to the edge; one inside, or
// too large to fit, is placed by its low side.
TEST(Cadre, LabelsAreMovedInsideThePicture) {
    EXPECT_DOUBLE_EQ(DecalageDansCadre(0.2, 0.1, 1.0), 0.0);
    EXPECT_NEAR(DecalageDansCadre(0.95, 0.09, 1.0), -0.04, 1e-12);  // the x label at the right edge
    EXPECT_NEAR(DecalageDansCadre(-1.05, 0.09, 1.0), 0.05, 1e-12);
    EXPECT_NEAR(DecalageDansCadre(1.5, 0.1, 1.6), 0.0, 1e-12);      // a wide picture has room
    EXPECT_NEAR(DecalageDansCadre(0.5, -0.1, 1.0), 0.0, 1e-12);     // a box spanning leftward
    EXPECT_NEAR(DecalageDansCadre(-0.95, -0.1, 1.0), 0.05, 1e-12);
    EXPECT_NEAR(DecalageDansCadre(0.3, 3.0, 1.0), -1.3, 1e-12);
    // Pixel sizes follow the shorter side.
    EXPECT_DOUBLE_EQ(EchelleImage(600, 600), 1.0);
    EXPECT_DOUBLE_EQ(EchelleImage(4096, 1200), 2.0);
}

// Each degree from 4 to 8 has a row and colours of its own; every other
// degree shares the last row; the point is darker than its cell.
TEST(Defauts, DegreesHaveTheirOwnColours) {
    for (int d = 4; d <= 8; ++d) EXPECT_EQ(LigneLegende(d), d - 4);
    for (int d : {-1, 0, 3, 9, 12}) EXPECT_EQ(LigneLegende(d), kLignesLegende - 1);
    const CouleurDegre cinq = CouleurCellule(5), sept = CouleurCellule(7), six = CouleurCellule(6);
    EXPECT_GT(cinq.r, 2 * cinq.b) << "5 red";
    EXPECT_GT(sept.b, 2 * sept.r) << "7 blue";
    EXPECT_GT(std::min({six.r, six.g, six.b}), 0.8f) << "6 light";
    EXPECT_LT(std::max({six.r, six.g, six.b}) - std::min({six.r, six.g, six.b}), 0.06f) << "6 neutral";
    for (int a = 3; a <= 9; ++a) {
        const CouleurDegre p = CouleurPoint(a), c = CouleurCellule(a);
        EXPECT_LT(p.r + p.g + p.b, c.r + c.g + c.b) << a;
        for (int b = a + 1; b <= 9 && LigneLegende(b) != LigneLegende(a); ++b) {
            const CouleurDegre q = CouleurCellule(b);
            EXPECT_GT(std::fabs(q.r - c.r) + std::fabs(q.g - c.g) + std::fabs(q.b - c.b), 0.3f) << a << " " << b;
        }
    }
}
