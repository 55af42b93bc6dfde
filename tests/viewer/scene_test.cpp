// Frames of the viewer read back from the window: what each mode draws, the
// shading, the colour ramp, the axes and their labels.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <filesystem>
#include <mutex>
#include <thread>

#include "etat/modes.h"
#include "etat/particules.h"
#include "hull/enveloppe.h"
#include "ternex2/ternex2.h"
#include "viewer/scene.h"
#include "viewer/scene_support.h"

namespace {

using scene_test::Image;
using scene_test::Pixel;
using scene_test::Placer;
using scene_test::Scene;

// Screen pixel of the model point (x, y) with the angles at 0: scaled by
// 1/1.1, then the identity projection onto the 600 x 600 window.
int EcranX(double x) { return static_cast<int>((x / 1.1 + 1.0) * 300.0); }
int EcranY(double y) { return static_cast<int>((1.0 - y / 1.1) * 300.0); }

void ConstruireEnveloppe() {
    Garde lock(verrouEtat);
    CalculerEnveloppe(false);
}

// Between frames (the window thread idle): the ramp later frames colour with
// while the hull stays valid.
void FixerRampe(float value, double bas, double haut) {
    rampeVue.potentiels.assign(etat.particles.size(), value);
    rampeVue.bas = bas;
    rampeVue.haut = haut;
    rampeVue.due = false;
}

bool Proche(Pixel p, int r, int g, int b, int tolerance = 2) {
    return std::abs(p.r - r) <= tolerance && std::abs(p.g - g) <= tolerance && std::abs(p.b - b) <= tolerance;
}

TEST_F(Scene, EveryModeOffGivesAWhiteFrameAndLeavesTheHullAlone) {
    Placer(scene_test::Octaedre());
    Ouvrir();
    const Image frame = Dessiner();
    EXPECT_TRUE(frame.allWhite());
    EXPECT_FLOAT_EQ(frame.depthAt(300, 300), 1.0f);
    EXPECT_FALSE(hullValid);
    modes.dual = true;  // the dual needs LIGNES or POLYGONES as well
    EXPECT_TRUE(Dessiner().allWhite());
}

TEST_F(Scene, AParticleTowardThePlusZAxisIsWhiteAndOneOppositeIsRed) {
    modes.particules = true;
    Placer({{0, 0, 1}});
    Ouvrir();
    Image frame = Dessiner();
    EXPECT_TRUE(Proche(frame.at(300, 300), 255, 255, 255, 0));
    // Depth of eye z = 1/1.1 through the points' range [0.08, 0.98].
    EXPECT_NEAR(frame.depthAt(300, 300), 0.08 + 0.9 * (1.0 + 1.0 / 1.1) / 2.0, 1e-3);

    Placer({{0, 0, -1}});
    frame = Dessiner();
    EXPECT_TRUE(Proche(frame.at(300, 300), 255, 0, 0, 0));
    EXPECT_TRUE(Proche(frame.at(299, 299), 255, 0, 0, 0));
    EXPECT_TRUE(Proche(frame.at(310, 300), 255, 255, 255, 0));

    // A quarter turn about y brings +x to the front: w = (1, 0, 0).
    angleY = 1.5707963267948966;
    Placer({{1, 0, 0}});
    frame = Dessiner();
    EXPECT_TRUE(Proche(frame.at(300, 300), 255, 255, 255, 0));
}

TEST_F(Scene, AFrameWhileResizingLeavesThePreviousPicture) {
    modes.particules = true;
    Placer({{0, 0, -1}});
    Ouvrir();
    ASSERT_TRUE(Proche(Dessiner().at(300, 300), 255, 0, 0, 0));
    etat.resizing = true;
    modes.particules = false;
    const Image kept = Dessiner();
    etat.resizing = false;
    EXPECT_TRUE(Proche(kept.at(300, 300), 255, 0, 0, 0));
    EXPECT_TRUE(Dessiner().allWhite());
}

TEST_F(Scene, LinesBuildAStaleHullSilentlyAndRunFromBlueToWhite) {
    modes.lignes = true;
    Placer(scene_test::Octaedre());
    Ouvrir();
    testing::internal::CaptureStdout();
    const Image frame = Dessiner();
    Dessiner();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_TRUE(hullValid);
    EXPECT_EQ(enveloppe.edgeCount, 12);
    int coloured = 0;
    for (int y = 0; y < 600; ++y) {
        for (int x = 0; x < 600; ++x) {
            const Pixel p = frame.at(x, y);
            if (p.r == 255 && p.g == 255 && p.b == 255) continue;
            ++coloured;
            ASSERT_EQ(p.b, 255) << x << "," << y;
            ASSERT_NEAR(p.r, p.g, 1) << x << "," << y;
        }
    }
    EXPECT_GT(coloured, 1000);
    // Seen along z, the edge (1,0,0)-(0,0,-1) covers its twin toward +z
    // (smaller depth wins); shading falls from 0.5 at the rim to 0 at the centre.
    for (double x : {0.9, 0.5, 0.1}) {
        const int expected = static_cast<int>(std::lround(255.0 * 0.5 * x));
        int best = 255;
        for (int dy = -1; dy <= 1; ++dy) best = std::min(best, frame.at(EcranX(x), 300 + dy).r);
        EXPECT_NEAR(best, expected, 6) << "x = " << x;
    }
}

TEST_F(Scene, FilledTrianglesTakeTheRampColourOfTheirPotential) {
    modes.polygones = true;
    Placer(scene_test::Octaedre());
    ConstruireEnveloppe();  // valid: the frames keep the ramp they find
    Ouvrir();
    const int x = EcranX(0.3), y = EcranY(0.3);  // inside the faces around (1, 1, ±1)
    FixerRampe(0.0f, 0.0, 1.0);
    EXPECT_TRUE(Proche(Dessiner().at(x, y), 0, 255, 255)) << "cyan at the bottom of the ramp";
    FixerRampe(1.0f, 0.0, 1.0);
    EXPECT_TRUE(Proche(Dessiner().at(x, y), 255, 0, 0)) << "red at the top";
    FixerRampe(std::sqrt(0.5f), 0.0, 1.0);  // s = 0.5: red 3 (0.5 - 0.33), no green, full blue
    EXPECT_TRUE(Proche(Dessiner().at(x, y), 130, 0, 255));
    FixerRampe(std::sqrt(0.5f), 0.5, 0.5);  // an empty ramp: one sound colour, no division by 0
    EXPECT_TRUE(Proche(Dessiner().at(x, y), 0, 255, 255));
    // A stale hull: the frame works the ramp out itself, from its copy.
    {
        Garde lock(verrouEtat);
        hullValid = false;
    }
    FixerRampe(1.0f, 0.0, 1.0);
    Dessiner();
    EXPECT_FALSE(rampeVue.due);
    EXPECT_EQ(rampeVue.potentiels, scene_test::PartsParDegre(scene_test::Octaedre(), std::vector<int32_t>(6, 4)));
}

TEST_F(Scene, DualCellsAreDrawnInsteadOfTheHullWhenDualIsOn) {
    modes.dual = true;
    modes.lignes = true;
    Placer(scene_test::Octaedre());
    Ouvrir();
    const Image frame = Dessiner();
    EXPECT_TRUE(dualAllocated);
    int coloured = 0;
    for (int y = 0; y < 600; ++y) {
        for (int x = 0; x < 600; ++x) {
            const Pixel p = frame.at(x, y);
            if (p.r == 255 && p.g == 255 && p.b == 255) continue;
            ++coloured;
            ASSERT_EQ(p.b, 255);
            ASSERT_NEAR(p.r, p.g, 1);
        }
    }
    EXPECT_GT(coloured, 500);
    // The octahedron's edge (1,0,0)-(0,0,-1) is not part of its dual (a cube).
    EXPECT_EQ(frame.at(EcranX(0.5), 300).r, 255);
}

// The frame pauses between its copy and its build (lock released) until the
// test has done what a command thread would meanwhile.
std::atomic<int> etapeCrochet{0};  // 1: the frame has copied; 2: the test is done

void AttendreLeTest() {
    etapeCrochet = 1;
    xtest::Attendre([] { return etapeCrochet == 2; });
}

struct Crochet {
    Crochet() {
        etapeCrochet = 0;
        apresCopieImage = AttendreLeTest;
    }
    ~Crochet() { apresCopieImage = nullptr; }
};

int Colores(const Image& frame) {
    int n = 0;
    for (int y = 0; y < 600; ++y) {
        for (int x = 0; x < 600; ++x) n += !Proche(frame.at(x, y), 255, 255, 255, 0);
    }
    return n;
}

TEST_F(Scene, AnotherThreadHoldsTheLockWhileAFrameDrawsAndMovesTheParticlesUnderABuild) {
    modes.lignes = true;
    modes.particules = true;
    Placer(scene_test::Octaedre());
    Ouvrir();
    Dessiner();
    ASSERT_TRUE(hullValid);
    Crochet crochet;
    // The hull valid: nothing to publish, the whole drawing happens while
    // the test holds the lock.
    std::atomic<bool> fini{false};
    Image frame;
    std::thread dessin([&] {
        frame = Dessiner();
        fini = true;
    });
    ASSERT_TRUE(xtest::Attendre([] { return etapeCrochet == 1; }));
    const bool pris = verrouEtat.try_lock();
    EXPECT_TRUE(pris) << "the frame kept the lock after its copy";
    etapeCrochet = 2;
    EXPECT_TRUE(xtest::Attendre([&] { return fini.load(); })) << "the frame waited for the lock to draw";
    if (pris) verrouEtat.unlock();
    dessin.join();
    EXPECT_GT(Colores(frame), 1000);

    // A stale hull, and a particle moved while the frame builds: the frame
    // draws the octahedron it copied, the shared hull stays stale and empty.
    Placer(scene_test::Octaedre());
    etapeCrochet = 0;
    std::thread construction([&] { frame = Dessiner(); });
    ASSERT_TRUE(xtest::Attendre([] { return etapeCrochet == 1; }));
    {
        Garde lock(verrouEtat);
        etat.particles[0].position = {0.6, 0.8, 0.0};
        MarquerDeplacement();
        hullValid = false;
    }
    etapeCrochet = 2;
    construction.join();
    EXPECT_FALSE(hullValid);
    EXPECT_EQ(enveloppe.edgeCount, 0);
    EXPECT_GT(Colores(frame), 1000);
    // The edge (1,0,0)-(0,0,-1) of the copy, which the moved particle left.
    int best = 255;
    for (int dy = -1; dy <= 1; ++dy) best = std::min(best, frame.at(EcranX(0.5), 300 + dy).r);
    EXPECT_LT(best, 200);
}

std::atomic<int> copies{0};
void CompterCopie() { ++copies; }

TEST_F(Scene, RefreshesWhileAFrameWaitsInTheQueueAddNoFrame) {
    modes.particules = true;
    Placer(scene_test::Octaedre());
    Ouvrir();
    Dessiner();
    copies = 0;
    apresCopieImage = CompterCopie;
    std::atomic<bool> libre{false};
    ogl_instance()->post([&] { xtest::Attendre([&] { return libre.load(); }); });
    for (int k = 0; k < 30; ++k) RafraichirGraphique();
    libre = true;
    Dessiner();  // behind them
    EXPECT_EQ(copies, 2);
    // Once that frame has started, a refresh posts a new one.
    RafraichirGraphique();
    Dessiner();
    EXPECT_EQ(copies, 4);
    apresCopieImage = nullptr;
}

TEST_F(Scene, AxesAreBlackAndTheirLabelsDarkenTheScene) {
    modes.axes = true;
    Placer(scene_test::Octaedre());
    Ouvrir();
    const Image frame = Dessiner();
    auto darkest = [&](int x, int y, bool horizontal) {
        int best = 255;
        for (int d = -1; d <= 1; ++d) {
            const Pixel p = horizontal ? frame.at(x, y + d) : frame.at(x + d, y);
            best = std::min({best, p.r, p.g, p.b});
        }
        return best;
    };
    EXPECT_LT(darkest(EcranX(0.6), 300, true), 40) << "x axis";
    EXPECT_LT(darkest(300, EcranY(0.6), false), 40) << "y axis";
    EXPECT_EQ(frame.at(EcranX(-0.6), 300).r, 255) << "no axis toward -x";
    // The z label sits at the centre: 0.1 x 0.1 model units, i.e. 27 pixels.
    // Its top bar (t = 0.8) is ink; its right edge at mid height is not.
    const double side = 0.1 / 1.1 * 300.0;
    const Pixel ink = frame.at(static_cast<int>(300 + 0.5 * side), static_cast<int>(300 - 0.8 * side));
    EXPECT_LT(ink.r, 90);
    EXPECT_EQ(ink.r, ink.b);
    const Pixel paper = frame.at(static_cast<int>(300 + 0.95 * side), static_cast<int>(300 - 0.5 * side));
    EXPECT_GT(paper.r, 230);
}

TEST_F(Scene, AMissingLabelImageIsReportedOnceAndTheAxesAreNeverDrawn) {
    std::filesystem::remove(work / "img" / "y.tga");
    modes.axes = true;
    Placer(scene_test::Octaedre());
    testing::internal::CaptureStdout();
    Ouvrir();
    Dessiner();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "Erreur : Impossible de charger les textures du dossier img.\n");
    EXPECT_TRUE(texturesFailed);
    EXPECT_TRUE(Dessiner().allWhite());
    // Put back, the image does not bring the axes back in this run.
    std::filesystem::copy_file(work / "img" / "x.tga", work / "img" / "y.tga");
    ogl_close();
    Ouvrir();
    EXPECT_TRUE(Dessiner().allWhite());
}

TEST_F(Scene, AShortLabelImageCountsAsMissing) {
    std::filesystem::resize_file(work / "img" / "z.tga", 12287);
    testing::internal::CaptureStdout();
    LireTextures();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Erreur : Impossible de charger les textures du dossier img.\n");
    EXPECT_TRUE(texturesFailed);
}

}  // namespace
