#include <cmath>
#include <numbers>

#include "simulation_outils.h"

using outils::Configurer;

namespace {

const double kR3 = std::sqrt(3.0) / 2.0;

std::vector<Vec3> Equateur() { return {{1, 0, 0}, {-0.5, kR3, 0}, {-0.5, -kR3, 0}}; }

TEST(Relaxation, DeuxPoles) {
    Configurer({{0, 0, -1}, {0, 0, 1}});
    AppliquerForce();
    EXPECT_EQ(etat.particles[0].derivative.z, -0.000025);
    EXPECT_EQ(etat.particles[1].derivative.z, 0.000025);
    EXPECT_EQ(etat.particles[0].derivative.x, 0.0);
    ModifierPosition();
    EXPECT_EQ(etat.particles[0].position.z, -1.0);
    EXPECT_EQ(etat.particles[1].position.z, 1.0);
    EXPECT_EQ(etat.particles[1].position.x, 0.0);
    EXPECT_EQ(etat.particles[1].derivative.z, 0.000025);  // ModifierPosition keeps it
}

TEST(Relaxation, EquateurPointFixe) {
    Configurer(Equateur());
    for (int pas = 0; pas < 100; ++pas) {
        AppliquerForce();
        ModifierPosition();
    }
    const std::vector<Vec3> attendu = Equateur();
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(etat.particles[i].position.x, attendu[i].x, 1e-14);
        EXPECT_NEAR(etat.particles[i].position.y, attendu[i].y, 1e-14);
        EXPECT_NEAR(etat.particles[i].position.z, 0.0, 1e-14);
    }
}

TEST(Relaxation, ChampSouleveLEquateurUniformement) {
    Configurer(Equateur());
    params.ambientField = {0, 0, 0.1};
    AppliquerForce();
    ModifierPosition();
    const double z = etat.particles[0].position.z;
    EXPECT_GT(z, 0.09);
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(etat.particles[i].position.z, z, 1e-15);
        const double phi = std::atan2(etat.particles[i].position.y, etat.particles[i].position.x);
        EXPECT_NEAR(std::remainder(phi - 2.0 * std::numbers::pi * i / 3.0, 2.0 * std::numbers::pi), 0.0, 1e-14);
    }
}

TEST(Relaxation, KMetALEchelleEtParticuleZero) {
    const std::vector<Vec3> p = outils::Aleatoires(7, 3);
    Configurer(p);
    AppliquerForce();
    const std::vector<Vec3> unite = outils::Derivees();
    params.K = 0.0001;
    AppliquerForce();
    for (int i = 0; i < 7; ++i) {
        EXPECT_NEAR(etat.particles[i].derivative.y, unite[i].y * 1e-4, std::abs(unite[i].y) * 1e-12);
    }
    // Particle 0: the field plus the reactions of every higher-indexed particle.
    params.K = 1.0;
    params.ambientField = {0.5, -0.25, 2.0};
    AppliquerForce();
    Vec3 attendu = params.ambientField;
    for (int j = 1; j < 7; ++j) attendu += ForcePaire(p[0], p[j]);
    EXPECT_NEAR(etat.particles[0].derivative.x, attendu.x, 1e-15);
    EXPECT_NEAR(etat.particles[0].derivative.y, attendu.y, 1e-15);
    EXPECT_NEAR(etat.particles[0].derivative.z, attendu.z, 1e-15);
}

TEST(Relaxation, ForcePaireEnInverseDuCarre) {
    params.resetDefaults();
    const Vec3 f = ForcePaire({0, 0, 1}, {0, 0, -1});
    EXPECT_EQ(f.z, 0.000025);
    params.K = -2.0;
    EXPECT_EQ(ForcePaire({0, 0, 1}, {0, 0, 0.5}).z, -0.0008);
    const Vec3 nulle = ForcePaire({0, 1, 0}, {0, 1, 0});
    EXPECT_EQ(nulle.x, 0.0);
    EXPECT_EQ(nulle.y, 0.0);
    EXPECT_EQ(nulle.z, 0.0);
}

// Two particles at one place exert no force on each other: the others still
// push them, nothing becomes NaN, and a negative K runs without trap.
TEST(Relaxation, ParticulesCoincidentes) {
    Configurer({{0, 0, 1}, {0, 0, 1}, {1, 0, 0}, {0, 1, 0}, {-1, 0, 0}});
    AppliquerForce();
    for (const ParticleRecord& r : etat.particles) EXPECT_TRUE(std::isfinite(norm(r.derivative)));
    EXPECT_EQ(etat.particles[0].derivative.z, etat.particles[1].derivative.z);
    params.K = -50.0;
    for (int pas = 0; pas < 200; ++pas) {
        AppliquerForce();
        ModifierPosition();
        AppliquerForceLocale();
        ModifierPosition();
    }
    for (const ParticleRecord& r : etat.particles) EXPECT_FALSE(std::isnan(r.position.x));
    EXPECT_GE(DistanceMinimale(), 0.0);
}

TEST(RelaxationLocale, SansEnveloppeCEstLaForceGlobale) {
    Configurer(outils::Aleatoires(40, 21));
    params.ambientField = {0.01, 0, 0};
    AppliquerForce();
    const std::vector<Vec3> globale = outils::Derivees();
    AnnulerDerivees();
    AppliquerForceLocale();
    for (int i = 0; i < 40; ++i) {
        EXPECT_EQ(etat.particles[i].derivative.x, globale[i].x);
        EXPECT_EQ(etat.particles[i].derivative.z, globale[i].z);
    }
}

TEST(RelaxationLocale, TetraedreCommeLaGlobale) {
    outils::Tetraedre();
    params.ambientField = {0.0, 0.02, 0.0};
    AppliquerForce();
    const std::vector<Vec3> globale = outils::Derivees();
    AppliquerForceLocale();
    outils::ProchesVecteurs(outils::Derivees(), globale, 1e-15);
}

TEST(RelaxationLocale, OctaedrePointFixeSansLesAntipodes) {
    outils::Octaedre();
    AppliquerForceLocale();
    // Four neighbours at distance sqrt 2: their pushes sum to 4 * 1e-4 / (2 sqrt 2) along +x for particle 0.
    EXPECT_NEAR(etat.particles[0].derivative.x, 4e-4 / (2.0 * std::sqrt(2.0)), 1e-18);
    AppliquerForceLocale();  // rebuilt from the field, not accumulated
    EXPECT_NEAR(etat.particles[0].derivative.x, 4e-4 / (2.0 * std::sqrt(2.0)), 1e-18);
    for (int pas = 0; pas < 50; ++pas) {
        AppliquerForceLocale();
        ModifierPosition();
    }
    EXPECT_NEAR(etat.particles[0].position.x, 1.0, 1e-16);
    EXPECT_NEAR(etat.particles[0].position.y, 0.0, 1e-16);
    EXPECT_NEAR(etat.particles[5].position.z, -1.0, 1e-16);
}

}  // namespace
