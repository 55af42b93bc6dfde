// A frame's steps without a window: the copy taken under the lock (which
// changes nothing shared), the hull built on it, the publication that must
// leave the shared state exactly as CalculerEnveloppe does, or not at all,
// and the colours the frame works out on its copy.
#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <vector>

#include "etat/modes.h"
#include "etat/particules.h"
#include "hull/enveloppe.h"
#include "mathematiques/hasard.h"
#include "viewer/scene.h"
#include "viewer/scene_support.h"

namespace {

// What a frame may leave in the shared state.
struct Traces {
    std::vector<HullEdge> edges;
    std::vector<HullFace> faces;
    bool complete = false, valide = false;
    std::vector<int32_t> degres;
    std::vector<std::vector<Vec3>> coins;
    std::vector<double> couleurs;
};

Traces Relever() {
    Garde lock(verrouEtat);
    Traces t;
    t.edges.assign(enveloppe.edges.begin(), enveloppe.edges.begin() + enveloppe.edgeCount);
    t.faces.assign(enveloppe.faces.begin(), enveloppe.faces.begin() + enveloppe.faceCount);
    t.complete = enveloppe.complete;
    t.valide = hullValid;
    for (const ParticleRecord& p : etat.particles) {
        t.degres.push_back(p.degree);
        t.coins.push_back(p.dualCorners);
        t.couleurs.insert(t.couleurs.end(), p.dualColour, p.dualColour + 3);
    }
    return t;
}

template <class T>
bool MemesOctets(const std::vector<T>& a, const std::vector<T>& b) {
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0);
}

void ComparerTraces(const Traces& a, const Traces& b) {
    EXPECT_TRUE(MemesOctets(a.edges, b.edges));
    EXPECT_TRUE(MemesOctets(a.faces, b.faces));
    EXPECT_EQ(a.complete, b.complete);
    EXPECT_EQ(a.valide, b.valide);
    EXPECT_EQ(a.degres, b.degres);
    ASSERT_EQ(a.coins.size(), b.coins.size());
    for (size_t i = 0; i < a.coins.size(); ++i) EXPECT_TRUE(MemesOctets(a.coins[i], b.coins[i])) << i;
    EXPECT_TRUE(MemesOctets(a.couleurs, b.couleurs));
}

std::vector<Vec3> Nuage(int n, long graine) {
    InitialiserHasard(graine);
    std::vector<Vec3> points(n);
    for (Vec3& v : points) TirerPointSphere(v, 1.0);
    return points;
}

// The ramp holds these positions' shares over these degrees, and their bounds.
void VerifierRampe(const RampeCouleurs& rampe, const std::vector<Vec3>& positions, const std::vector<int32_t>& degres) {
    EXPECT_FALSE(rampe.due);
    const std::vector<float> attendues = scene_test::PartsParDegre(positions, degres);
    EXPECT_TRUE(MemesOctets(rampe.potentiels, attendues));
    float bas = 1e38f, haut = 0.0f;
    for (size_t i = 0; i < attendues.size(); ++i) {
        if (degres[i] <= 0) continue;
        bas = std::min(bas, attendues[i]);
        haut = std::max(haut, attendues[i]);
    }
    EXPECT_EQ(rampe.bas, bas);
    EXPECT_EQ(rampe.haut, haut);
}

class Copie : public ::testing::Test {
protected:
    void SetUp() override {
        scene_test::Reinitialiser();
        modes.lignes = true;
        angleX = 0.3;
        angleY = -0.7;
    }
    void TearDown() override { scene_test::Reinitialiser(); }

    bool Copier() {
        Garde lock(verrouEtat);
        return CopierImage(copie);
    }
    bool Publier() {
        Garde lock(verrouEtat);
        return PublierImage(copie);
    }
    // Moves particle 0 as a command would between the copy and the publication.
    static void Deplacer() {
        Garde lock(verrouEtat);
        etat.particles[0].position = {0.0, 0.6, 0.8};
        MarquerDeplacement();
        hullValid = false;
    }

    CopieImage copie;
    RampeCouleurs rampe;
};

TEST_F(Copie, APublishedBuildLeavesWhatCalculerEnveloppeLeaves) {
    const std::vector<Vec3> points = Nuage(600, 31);
    modes.polygones = true;
    for (const bool dual : {false, true}) {
        modes.dual = dual;
        scene_test::Placer(points);
        InitialiserHasard(77);
        {
            Garde lock(verrouEtat);
            CalculerEnveloppe(false);
        }
        const Traces attendu = Relever();
        const double tirageSuivant = TirerReel();

        scene_test::Placer(points);
        InitialiserHasard(77);
        ASSERT_TRUE(Copier());
        EXPECT_TRUE(copie.construite);
        ASSERT_TRUE(ConstruireImage(copie));
        EXPECT_FALSE(hullValid) << "nothing is shared before the publication";
        ASSERT_TRUE(Publier());
        const Traces obtenu = Relever();
        ComparerTraces(attendu, obtenu);
        EXPECT_EQ(TirerReel(), tirageSuivant) << "as many colours drawn";
        // The frame draws what it published, coloured from its copy.
        EXPECT_EQ(copie.enveloppe.maillage.edgeCount, static_cast<int>(obtenu.edges.size()));
        ColorerImage(copie, rampe);
        const Vec3 w = DirectionVue();
        EXPECT_EQ(copie.ombres[42], static_cast<float>((1.0 + dot(w, points[42])) / 2.0));
        if (dual) {
            EXPECT_TRUE(rampe.due) << "the cells are drawn, not the ramp";
            ASSERT_EQ(copie.couleurs.size(), points.size());
            EXPECT_EQ(copie.couleurs[5][1], obtenu.couleurs[16]);
            const CoinsDual& d = copie.enveloppe.dual;
            const std::vector<Vec3> coins9(d.coins.begin() + d.debut[9], d.coins.begin() + d.debut[10]);
            EXPECT_TRUE(MemesOctets(coins9, obtenu.coins[9]));
        } else {
            VerifierRampe(rampe, points, obtenu.degres);
        }
    }
}

TEST_F(Copie, ACopyWhosePositionsMovedIsBuiltForItselfAndNotPublished) {
    modes.dual = true;
    const std::vector<Vec3> points = Nuage(300, 5);
    scene_test::Placer(points);
    ASSERT_TRUE(Copier());
    const Traces avant = Relever();
    Deplacer();
    InitialiserHasard(123);
    const double premierTirage = TirerReel();
    InitialiserHasard(123);
    ASSERT_TRUE(ConstruireImage(copie));
    EXPECT_FALSE(Publier());
    EXPECT_FALSE(copie.publiee);
    Traces apres = Relever();
    EXPECT_FALSE(apres.valide);
    EXPECT_TRUE(apres.edges.empty());
    EXPECT_EQ(apres.degres, avant.degres);
    EXPECT_EQ(TirerReel(), premierTirage) << "no colour drawn";
    // The frame still draws the hull of its copy; the ramp of the positions
    // it copied, with the degrees of its own build, once triangles are drawn.
    EXPECT_EQ(copie.enveloppe.maillage.edgeCount, 3 * 300 - 6);
    EXPECT_EQ(copie.enveloppe.dual.debut.back(), 2 * (3 * 300 - 6));
    ColorerImage(copie, rampe);
    EXPECT_TRUE(rampe.due);
    CalculerRampe(rampe);
    VerifierRampe(rampe, points, copie.enveloppe.degres);
}

TEST_F(Copie, ABuildOrAModeChangeMeanwhileAlsoRefusesThePublication) {
    scene_test::Placer(Nuage(100, 8));
    // Another build of the same positions: its hull stands.
    ASSERT_TRUE(Copier());
    ASSERT_TRUE(ConstruireImage(copie));
    {
        Garde lock(verrouEtat);
        CalculerEnveloppe(false);
    }
    const Traces construit = Relever();
    EXPECT_FALSE(Publier());
    ComparerTraces(construit, Relever());

    // DUAL turned on after the copy: a hull without cells must not be marked valid.
    scene_test::Placer(Nuage(100, 8));
    ASSERT_TRUE(Copier());
    ASSERT_TRUE(ConstruireImage(copie));
    modes.dual = true;
    {
        Garde lock(verrouEtat);
        hullValid = false;
    }
    EXPECT_FALSE(Publier());
    EXPECT_FALSE(hullValid);
    EXPECT_FALSE(dualAllocated);
}

TEST_F(Copie, AValidHullIsCopiedAsDrawnAndAStaleOneNotDrawnKeepsTheDegreesThereAre) {
    modes.dual = true;
    const std::vector<Vec3> points = Nuage(200, 12);
    scene_test::Placer(points);
    {
        Garde lock(verrouEtat);
        CalculerEnveloppe(false);
        etat.particles[7].dualCorners.push_back({9, 9, 9});  // beyond its degree: not drawn
    }
    const Traces partage = Relever();
    ASSERT_TRUE(Copier());
    EXPECT_FALSE(copie.perimee);
    EXPECT_FALSE(ConstruireImage(copie));
    ComparerTraces(partage, Relever());
    EXPECT_TRUE(MemesOctets(copie.enveloppe.maillage.edges, partage.edges));
    EXPECT_TRUE(MemesOctets(copie.enveloppe.maillage.faces, partage.faces));
    const CoinsDual& d = copie.enveloppe.dual;
    for (int i = 0; i < 200; ++i) {
        const std::vector<Vec3> coins(d.coins.begin() + d.debut[i], d.coins.begin() + d.debut[i + 1]);
        std::vector<Vec3> attendus = partage.coins[i];
        attendus.resize(static_cast<size_t>(partage.degres[i]));
        ASSERT_TRUE(MemesOctets(coins, attendus)) << i;
        ASSERT_EQ(copie.couleurs[i][2], partage.couleurs[3 * i + 2]);
    }
    ColorerImage(copie, rampe);
    EXPECT_FALSE(rampe.due) << "a valid hull keeps the ramp it had";
    EXPECT_TRUE(rampe.positions.empty());

    // Points only: the stale hull is not built; the ramp takes the degrees
    // the particles have, and the shared state stays as it was.
    modes.lignes = false;
    modes.particules = true;
    modes.dual = false;
    {
        Garde lock(verrouEtat);
        hullValid = false;
    }
    ASSERT_TRUE(Copier());
    EXPECT_TRUE(copie.perimee);
    EXPECT_FALSE(ConstruireImage(copie));
    ColorerImage(copie, rampe);
    ASSERT_TRUE(rampe.due);
    Traces perime = partage;
    perime.valide = false;
    ComparerTraces(perime, Relever());
    CalculerRampe(rampe);
    VerifierRampe(rampe, points, partage.degres);
}

// A stale frame that draws no triangles keeps its positions and degrees; the
// first frame that draws them colours by those, even when the particles have
// moved since without making the hull stale (a counted loop).
TEST_F(Copie, TheRampIsWorkedOutByTheFirstFrameThatDrawsTrianglesFromTheLastStaleOne) {
    const std::vector<Vec3> points = Nuage(150, 14);
    scene_test::Placer(points);
    ASSERT_TRUE(Copier());
    ASSERT_TRUE(ConstruireImage(copie));
    ASSERT_TRUE(Publier());
    ColorerImage(copie, rampe);
    EXPECT_TRUE(rampe.due);
    const std::vector<int32_t> degres = copie.enveloppe.degres;
    {
        Garde lock(verrouEtat);
        etat.particles[3].position = {0.0, 0.0, 1.0};
        MarquerDeplacement();
    }
    modes.polygones = true;
    ASSERT_TRUE(Copier());
    EXPECT_FALSE(copie.perimee);
    ColorerImage(copie, rampe);
    VerifierRampe(rampe, points, degres);
    EXPECT_EQ(copie.positions[3].z, 1.0);
}

}  // namespace
