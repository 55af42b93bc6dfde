#include <cmath>
#include <numbers>

#include "simulation_outils.h"

using outils::Configurer;

namespace {

TEST(Spirale, TroisParticulesEtPoles) {
    Configurer({{}, {}, {}});
    const double energie = PlacerEnSpirale(kDefaultSpiralStep);
    const double a = 3.6 / std::sqrt(3.0);
    const Vec3& sud = etat.particles[0].position;
    const Vec3& milieu = etat.particles[1].position;
    const Vec3& nord = etat.particles[2].position;
    EXPECT_EQ(sud.z, -1.0);
    EXPECT_NEAR(sud.x, 0.0, 1e-15);
    EXPECT_EQ(sud.y, 0.0);  // phi = 0 at the poles
    EXPECT_EQ(nord.z, 1.0);
    EXPECT_EQ(nord.y, 0.0);
    EXPECT_NEAR(milieu.x, std::cos(a), 1e-15);
    EXPECT_NEAR(milieu.y, std::sin(a), 1e-15);
    EXPECT_NEAR(milieu.z, 0.0, 1e-15);
    // Distances 2, sqrt 2, sqrt 2.
    EXPECT_NEAR(energie, 0.5 + 2.0 / std::sqrt(2.0), 1e-14);
    EXPECT_NEAR(outils::Potentiels()[0], 0.5f + 1.0f / std::sqrt(2.0f), 1e-6f);
}

TEST(Spirale, PhiEstLeResteTronqueDeLaSomme) {
    Configurer(std::vector<Vec3>(50));
    for (double pas : {3.6, -3.6, 40.0}) {
        PlacerEnSpirale(pas);
        const int n = 50;
        const double a = pas / std::sqrt(50.0);
        double phi = 0.0;
        for (int i = 1; i < n - 1; ++i) {
            const double z = 2.0 * i / (n - 1) - 1.0;
            phi = std::fmod(phi + a / std::sqrt(1.0 - z * z), 2.0 * std::numbers::pi);
            EXPECT_GE(pas < 0 ? -phi : phi, 0.0);
            const Vec3& p = etat.particles[i].position;
            EXPECT_NEAR(std::atan2(p.y, p.x), std::remainder(phi, 2.0 * std::numbers::pi), 1e-12) << i;
            EXPECT_NEAR(p.z, z, 1e-15);
        }
        EXPECT_EQ(etat.particles[n - 1].position.z, 1.0);
        EXPECT_EQ(etat.particles[0].position.z, -1.0);
    }
}

TEST(Placement, AleatoireDepuisNNeDeplaceRienEtAnnuleLesDerivees) {
    const std::vector<Vec3> depart = outils::Aleatoires(20, 5);
    Configurer(depart);
    for (ParticleRecord& r : etat.particles) r.derivative = {1.0, 2.0, 3.0};
    PlacerAleatoirement(20);
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(etat.particles[i].position.x, depart[i].x);
        EXPECT_EQ(etat.particles[i].derivative.z, 0.0);
    }
    PlacerAleatoirement(12);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(etat.particles[i].position.y, depart[i].y);
    for (int i = 12; i < 20; ++i) {
        EXPECT_NE(etat.particles[i].position.y, depart[i].y);
        EXPECT_NEAR(norm(etat.particles[i].position), 1.0, 1e-15);
    }
}

TEST(Placement, UnTravailleurDonneLesPointsDansLOrdre) {
    Configurer(std::vector<Vec3>(30));
    InitialiserHasard(99);
    PlacerAleatoirement(0);
    const std::vector<Vec3> attendu = outils::Aleatoires(30, 99);
    for (int i = 0; i < 30; ++i) EXPECT_EQ(etat.particles[i].position.x, attendu[i].x);
}

TEST(Nombre, GarderLesPositionsEnGrandissantEtEnRetrecissant) {
    const std::vector<Vec3> depart = outils::Aleatoires(10, 7);
    Configurer(depart);
    enveloppe.edgeCount = 5;
    hullValid = true;
    ChangerNombre(20, true);
    EXPECT_FALSE(etat.resizing);
    EXPECT_FALSE(hullValid);
    EXPECT_EQ(enveloppe.edgeCount, 0);
    EXPECT_GE(enveloppe.edges.size(), 54u);
    ASSERT_EQ(etat.count, 20);
    ASSERT_EQ(etat.particles.size(), 20u);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(etat.particles[i].position.z, depart[i].z);
    PlacerAleatoirement(10);  // what NB CONSERV does next
    for (int i = 10; i < 20; ++i) EXPECT_NEAR(norm(etat.particles[i].position), 1.0, 1e-15);
    ChangerNombre(10, true);
    ASSERT_EQ(etat.particles.size(), 10u);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(etat.particles[i].position.z, depart[i].z);
}

TEST(Nombre, SansGarderToutEstPlaceAuHasard) {
    const std::vector<Vec3> depart = outils::Aleatoires(10, 7);
    Configurer(depart);
    ChangerNombre(15, false);
    ASSERT_EQ(etat.count, 15);
    int differents = 0;
    for (int i = 0; i < 10; ++i) differents += etat.particles[i].position.x != depart[i].x;
    EXPECT_EQ(differents, 10);
    for (const ParticleRecord& r : etat.particles) EXPECT_NEAR(norm(r.position), 1.0, 1e-15);
}

TEST(Metriques, DeuxPoles) {
    Configurer({{0, 0, -1}, {0, 0, 1}});
    EXPECT_EQ(EnergiePotentielle(), 0.5);
    EXPECT_EQ(DistanceMinimale(), 2.0);
    EXPECT_EQ(outils::Potentiels(), (std::vector<float>{0.5f, 0.5f}));
}

TEST(Metriques, TriangleEquatorial) {
    const double r = std::sqrt(3.0) / 2.0;
    Configurer({{1, 0, 0}, {-0.5, r, 0}, {-0.5, -r, 0}});
    EXPECT_NEAR(EnergiePotentielle(), std::sqrt(3.0), 1e-15);
    EXPECT_NEAR(DistanceMinimale(), std::sqrt(3.0), 1e-15);
}

TEST(Metriques, MoinsDeDeuxParticules) {
    Configurer({{0, 0, 1}});
    EXPECT_EQ(DistanceMinimale(), std::sqrt(5.0));
    EXPECT_EQ(EnergiePotentielle(), 0.0);
    EXPECT_EQ(outils::Potentiels(), (std::vector<float>{0.0f}));
}

TEST(Metriques, EnergieMinimumTheorique) {
    EXPECT_NEAR(EnergieMinimumTheorique(400), 75582.978, 1e-9);
    EXPECT_NEAR(EnergieMinimumTheorique(12), 72.0 - 12.0 * std::sqrt(12.0) * 0.5523 + std::sqrt(12.0) * 0.0689, 1e-12);
}

// Coincident and non-finite positions: defined results, no trap, no hang.
TEST(Metriques, PositionsCoincidentesOuNonFinies) {
    Configurer({{0, 0, 1}, {0, 0, 1}, {1, 0, 0}});
    EXPECT_EQ(DistanceMinimale(), 0.0);
    EXPECT_TRUE(std::isinf(EnergiePotentielle()));
    std::vector<float> p = outils::Potentiels();
    EXPECT_TRUE(std::isinf(p[0]));
    EXPECT_EQ(p[2], static_cast<float>(1.0 / std::sqrt(2.0)) * 2.0f);

    Configurer({{NAN, 0, 0}, {0, 0, 1}, {1, 0, 0}, {0, 1, 0}});
    EXPECT_EQ(DistanceMinimale(), std::sqrt(2.0));  // NaN distances never win the scan
    EXPECT_TRUE(std::isnan(EnergiePotentielle()));
    EXPECT_TRUE(std::isnan(outils::Potentiels()[1]));
}

}  // namespace
