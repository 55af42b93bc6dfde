// A frame's steps without a window: the copy taken under the lock, the hull
// built on it, and the publication that must leave the shared state exactly
// as a frame building under the lock did, or not at all.
#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <vector>

#include "etat/modes.h"
#include "etat/particules.h"
#include "hull/enveloppe.h"
#include "mathematiques/hasard.h"
#include "mathematiques/metriques.h"
#include "viewer/scene.h"
#include "viewer/scene_support.h"

namespace {

// What a frame leaves in the shared state.
struct Traces {
    std::vector<HullEdge> edges;
    std::vector<HullFace> faces;
    bool complete = false, valide = false;
    std::vector<int32_t> degres;
    std::vector<float> potentiels, ombres;
    double min = 0.0, max = 0.0;
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
        t.potentiels.push_back(p.potential);
        t.ombres.push_back(p.shading);
        t.coins.push_back(p.dualCorners);
        t.couleurs.insert(t.couleurs.end(), p.dualColour, p.dualColour + 3);
    }
    t.min = potentialMin;
    t.max = potentialMax;
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
    EXPECT_TRUE(MemesOctets(a.potentiels, b.potentiels));
    EXPECT_TRUE(MemesOctets(a.ombres, b.ombres));
    EXPECT_EQ(std::bit_cast<uint64_t>(a.min), std::bit_cast<uint64_t>(b.min));
    EXPECT_EQ(std::bit_cast<uint64_t>(a.max), std::bit_cast<uint64_t>(b.max));
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

// Fresh particles at these positions with current potentials and a stale hull.
void Preparer(const std::vector<Vec3>& points) {
    scene_test::Placer(points);
    Garde lock(verrouEtat);
    EnergiePotentielle();
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
};

TEST_F(Copie, APublishedBuildLeavesWhatTheFrameBuildingUnderTheLockLeft) {
    const std::vector<Vec3> points = Nuage(600, 31);
    for (const bool dual : {false, true}) {
        modes.dual = dual;
        // The frame as it was: build, then shade, all under the lock.
        Preparer(points);
        InitialiserHasard(77);
        {
            Garde lock(verrouEtat);
            CalculerEnveloppe(false);
            OmbrerParticules(true);
        }
        const Traces attendu = Relever();
        const double tirageSuivant = TirerReel();

        Preparer(points);
        InitialiserHasard(77);
        ASSERT_TRUE(Copier());
        EXPECT_TRUE(copie.construite);
        ASSERT_TRUE(ConstruireImage(copie));
        EXPECT_FALSE(hullValid) << "nothing is shared before the publication";
        ASSERT_TRUE(Publier());
        const Traces obtenu = Relever();
        ComparerTraces(attendu, obtenu);
        EXPECT_EQ(TirerReel(), tirageSuivant) << "as many colours drawn";
        // The frame draws what it published.
        EXPECT_TRUE(MemesOctets(copie.potentiels, obtenu.potentiels));
        EXPECT_EQ(copie.potentielMin, obtenu.min);
        EXPECT_EQ(copie.potentielMax, obtenu.max);
        EXPECT_EQ(copie.enveloppe.maillage.edgeCount, static_cast<int>(obtenu.edges.size()));
        if (dual) {
            ASSERT_EQ(copie.couleurs.size(), points.size());
            EXPECT_EQ(copie.couleurs[5][1], obtenu.couleurs[16]);
            const CoinsDual& d = copie.enveloppe.dual;
            const std::vector<Vec3> coins9(d.coins.begin() + d.debut[9], d.coins.begin() + d.debut[10]);
            EXPECT_TRUE(MemesOctets(coins9, obtenu.coins[9]));
        }
    }
}

TEST_F(Copie, ACopyWhosePositionsMovedIsBuiltForItselfAndNotPublished) {
    modes.dual = true;
    Preparer(Nuage(300, 5));
    potentialMin = -1.0;
    potentialMax = -2.0;
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
    EXPECT_TRUE(MemesOctets(apres.potentiels, avant.potentiels)) << "not divided";
    EXPECT_EQ(apres.min, -1.0);
    EXPECT_EQ(apres.max, -2.0);
    EXPECT_EQ(TirerReel(), premierTirage) << "no colour drawn";
    // The frame still draws the hull of its copy, coloured by its own ramp.
    EXPECT_EQ(copie.enveloppe.maillage.edgeCount, 3 * 300 - 6);
    const int32_t d0 = copie.enveloppe.degres[0];
    ASSERT_GT(d0, 0);
    EXPECT_FLOAT_EQ(copie.potentiels[0], avant.potentiels[0] / static_cast<float>(d0));
    EXPECT_GT(copie.potentielMin, 0.0);
    EXPECT_LE(copie.potentielMin, copie.potentielMax);
    EXPECT_EQ(copie.enveloppe.dual.debut.back(), 2 * (3 * 300 - 6));
}

TEST_F(Copie, ABuildOrAModeChangeMeanwhileAlsoRefusesThePublication) {
    Preparer(Nuage(100, 8));
    // Another build of the same positions: its hull stands, the potentials
    // stay as that build left them.
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
    Preparer(Nuage(100, 8));
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

TEST_F(Copie, AValidHullIsCopiedAsDrawnAndAStaleOneNotDrawnIsDividedInPlace) {
    modes.dual = true;
    Preparer(Nuage(200, 12));
    {
        Garde lock(verrouEtat);
        CalculerEnveloppe(false);
        etat.particles[7].dualCorners.push_back({9, 9, 9});  // beyond its degree: not drawn
    }
    const Traces partage = Relever();
    ASSERT_TRUE(Copier());
    EXPECT_FALSE(copie.perimee);
    EXPECT_FALSE(ConstruireImage(copie));
    EXPECT_TRUE(MemesOctets(copie.enveloppe.maillage.edges, partage.edges));
    EXPECT_TRUE(MemesOctets(copie.enveloppe.maillage.faces, partage.faces));
    EXPECT_TRUE(MemesOctets(copie.potentiels, partage.potentiels)) << "a valid hull leaves them alone";
    const CoinsDual& d = copie.enveloppe.dual;
    for (int i = 0; i < 200; ++i) {
        const std::vector<Vec3> coins(d.coins.begin() + d.debut[i], d.coins.begin() + d.debut[i + 1]);
        std::vector<Vec3> attendus = partage.coins[i];
        attendus.resize(static_cast<size_t>(partage.degres[i]));
        ASSERT_TRUE(MemesOctets(coins, attendus)) << i;
        ASSERT_EQ(copie.couleurs[i][2], partage.couleurs[3 * i + 2]);
    }

    // Points only: the stale hull is not built, the potentials are divided by
    // the degrees there are, in the shared state as before.
    modes.lignes = false;
    modes.particules = true;
    {
        Garde lock(verrouEtat);
        hullValid = false;
    }
    ASSERT_TRUE(Copier());
    EXPECT_TRUE(copie.perimee);
    EXPECT_FALSE(ConstruireImage(copie));
    const Traces divise = Relever();
    EXPECT_FALSE(divise.valide);
    EXPECT_FLOAT_EQ(divise.potentiels[3], partage.potentiels[3] / static_cast<float>(partage.degres[3]));
    EXPECT_TRUE(MemesOctets(copie.potentiels, divise.potentiels));
    EXPECT_EQ(copie.potentielMax, potentialMax);
}

}  // namespace
