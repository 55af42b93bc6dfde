#include <cmath>

#include "mathematiques/energie.h"
#include "par_jeu.h"
#include "simulation_outils.h"

using outils::Configurer;

namespace {

// The same seed and positions through the plain attempts (two full
// evaluations each) and the incremental ones: same decisions, same
// positions bit for bit, energies within 1e-12.
TEST(MonteCarlo, CommeLesEssaisLitteraux) {
    const std::vector<Vec3> depart = outils::Aleatoires(60, 4);
    Configurer(depart);
    InitialiserHasard(2024);
    std::vector<bool> decisions;
    for (int k = 0; k < 3000; ++k) decisions.push_back(litteral::EssaiMonteCarlo());
    const std::vector<Vec3> fin = outils::Positions();

    Configurer(depart);
    InitialiserHasard(2024);
    int acceptes = 0;
    for (int k = 0; k < 3000; ++k) {
        const bool accepte = EssaiMonteCarlo();
        ASSERT_EQ(accepte, decisions[k]) << "attempt " << k;
        acceptes += accepte;
        if (k % 97 == 0) {
            const double e = EnergieMonteCarloCourante();
            EXPECT_NEAR(e, litteral::EnergiePotentielle(), 1e-12 * e);
        }
    }
    EXPECT_GT(acceptes, 20);
    EXPECT_LT(acceptes, 2900);
    const std::vector<Vec3> p = outils::Positions();
    for (int i = 0; i < 60; ++i) {
        EXPECT_EQ(p[i].x, fin[i].x);
        EXPECT_EQ(p[i].z, fin[i].z);
    }
}

class MonteCarloParJeu : public ParJeu {};
SUR_CHAQUE_JEU(MonteCarloParJeu);

// The energy alone, as the Monte Carlo cache evaluates it, is the sum that
// comes with the potentials, bit for bit, on any team, and the same sum on
// every team.
TEST_P(MonteCarloParJeu, EnergieSansPotentielsMemeSomme) {
    for (int n : {2, 3, 7, 11, 601, 2001}) {
        PositionsSoA p;
        p.charger(outils::Aleatoires(n, n));
        std::vector<float> pot(n);
        double unSeul = 0.0;
        for (int workers : {1, 2, 3}) {
            ImposerEquipe(workers);
            const double avec = EnergieEtPotentiels(p, pot.data());
            const double seule = EnergieEtPotentiels(p, nullptr);
            EXPECT_EQ(std::bit_cast<uint64_t>(avec), std::bit_cast<uint64_t>(seule))
                << n << " particles, " << workers << " workers";
            if (workers == 1) unSeul = seule;
            EXPECT_EQ(std::bit_cast<uint64_t>(seule), std::bit_cast<uint64_t>(unSeul))
                << n << " particles, " << workers << " workers against one";
            Configurer(outils::Aleatoires(n, n));
            EXPECT_NEAR(seule, litteral::EnergiePotentielle(), 1e-12 * seule);
        }
    }
    ImposerEquipe(1);
}

// From one seed, the same attempts on one worker and on two: the same
// decisions, the same positions bit for bit.
TEST(MonteCarlo, UnOuDeuxTravailleursMemeParcours) {
    const std::vector<Vec3> depart = outils::Aleatoires(700, 9);
    std::vector<std::vector<bool>> decisions(2);
    std::vector<std::vector<Vec3>> fins(2);
    IgnorerSeuils(true);
    for (int workers : {1, 2}) {
        Configurer(depart);
        ImposerEquipe(workers);
        InitialiserHasard(77);
        for (int k = 0; k < 2000; ++k) decisions[workers - 1].push_back(EssaiMonteCarlo());
        fins[workers - 1] = outils::Positions();
    }
    IgnorerSeuils(false);
    ImposerEquipe(1);
    EXPECT_EQ(decisions[0], decisions[1]);
    for (size_t i = 0; i < depart.size(); ++i) {
        ASSERT_EQ(fins[0][i].x, fins[1][i].x) << i;
        ASSERT_EQ(fins[0][i].y, fins[1][i].y) << i;
        ASSERT_EQ(fins[0][i].z, fins[1][i].z) << i;
    }
}

// Two particles in one place: the energy is infinite, and a move that
// separates them is kept as two whole evaluations keep it; the attempts make
// the same decisions as the plain ones all along.
TEST(MonteCarlo, ParticulesConfonduesSeparees) {
    std::vector<Vec3> depart = outils::Aleatoires(12, 21);
    depart[7] = depart[3];
    Configurer(depart);
    InitialiserHasard(99);
    std::vector<bool> decisions;
    for (int k = 0; k < 400; ++k) decisions.push_back(litteral::EssaiMonteCarlo());
    const std::vector<Vec3> fin = outils::Positions();

    Configurer(depart);
    EXPECT_FALSE(std::isfinite(EnergieMonteCarloCourante()));
    InitialiserHasard(99);
    for (int k = 0; k < 400; ++k) ASSERT_EQ(EssaiMonteCarlo(), decisions[k]) << "attempt " << k;
    EXPECT_EQ(outils::Positions()[7].x, fin[7].x);
    EXPECT_EQ(outils::Positions()[3].y, fin[3].y);
    const double e = EnergieMonteCarloCourante();
    EXPECT_TRUE(std::isfinite(e));
    EXPECT_NEAR(e, litteral::EnergiePotentielle(), 1e-12 * e);
}

TEST(MonteCarlo, RefusRestaureLesBits) {
    Configurer(std::vector<Vec3>(200));
    PlacerEnSpirale(3.6);
    for (int pas = 0; pas < 20; ++pas) {
        AppliquerForce();
        ModifierPosition();
    }
    const std::vector<Vec3> avant = outils::Positions();
    const std::vector<Vec3> derivees = outils::Derivees();
    InitialiserHasard(8);
    int refus = 0;
    for (int k = 0; k < 50; ++k) {
        if (EssaiMonteCarlo()) break;
        ++refus;
        const std::vector<Vec3> apres = outils::Positions();
        for (int i = 0; i < 200; ++i) {
            ASSERT_EQ(std::bit_cast<uint64_t>(apres[i].x), std::bit_cast<uint64_t>(avant[i].x));
            ASSERT_EQ(std::bit_cast<uint64_t>(apres[i].y), std::bit_cast<uint64_t>(avant[i].y));
            ASSERT_EQ(std::bit_cast<uint64_t>(apres[i].z), std::bit_cast<uint64_t>(avant[i].z));
        }
        for (int i = 0; i < 200; ++i) ASSERT_EQ(etat.particles[i].derivative.x, derivees[i].x);
    }
    EXPECT_GT(refus, 10);
}

// A move to the mirror image of the particle's place (in the equator's plane,
// with every other particle on the equator) keeps every term bit for bit:
// E1 = E0 is accepted.
TEST(MonteCarlo, EnergieEgaleAcceptee) {
    InitialiserHasard(555);
    const int i = static_cast<int>(5 * TirerReel());
    Vec3 essai;
    TirerPointSphere(essai, 1.0);
    std::vector<Vec3> p;
    for (int k = 0; k < 5; ++k) p.push_back({std::cos(1.2 * k + 0.1), std::sin(1.2 * k + 0.1), 0.0});
    p[i] = {essai.x, essai.y, -essai.z};
    Configurer(p);
    InitialiserHasard(555);
    EXPECT_TRUE(EssaiMonteCarlo());
    EXPECT_EQ(etat.particles[i].position.z, essai.z);
    EXPECT_EQ(EnergieMonteCarloCourante(), litteral::EnergiePotentielle());
}

// Whatever else moves the particles between attempts, the next attempt
// starts from the energy of the positions as they are.
TEST(MonteCarlo, AutresDeplacementsEntreLesEssais) {
    const std::vector<Vec3> depart = outils::Aleatoires(50, 12);
    auto sequence = [&](bool (*essai)()) {
        Configurer(depart);
        InitialiserHasard(77);
        std::vector<bool> d;
        for (int k = 0; k < 200; ++k) {
            d.push_back(essai());
            if (k % 40 == 39) {
                AppliquerForce();
                ModifierPosition();
            }
            if (k == 100) ChangerNombre(49, true);
            if (k == 150) outils::Poser(3, outils::Unitaire(1, 2, 3));
        }
        return d;
    };
    const std::vector<bool> attendu = sequence(litteral::EssaiMonteCarlo);
    EXPECT_EQ(sequence(EssaiMonteCarlo), attendu);
    EXPECT_NEAR(EnergieMonteCarloCourante(), litteral::EnergiePotentielle(), 1e-12 * EnergieMonteCarloCourante());
}

// The cache trusts the generation; a writer that forgot to bump it is caught
// by the check the tests switch on, not left to give a stale energy.
TEST(MonteCarloDeathTest, DeplacementSansGeneration) {
    ASSERT_TRUE(verifierGeneration.load());
    Configurer(outils::Aleatoires(30, 4));
    const double e0 = EnergieMonteCarloCourante();
    EXPECT_DEATH(
        {
            etat.particles[7].position = outils::Unitaire(0, 0, 1);
            EnergieMonteCarloCourante();
        },
        "MarquerDeplacement");
    // A bump, or the same bits written back, keeps the cache usable.
    const Vec3 place = etat.particles[7].position;
    etat.particles[7].position = place;
    EXPECT_EQ(EnergieMonteCarloCourante(), e0);
    outils::Poser(7, outils::Unitaire(0, 0, 1));
    const double e1 = EnergieMonteCarloCourante();
    EXPECT_NE(e1, e0);
    EXPECT_NEAR(e1, litteral::EnergiePotentielle(), 1e-12 * e1);
}

}  // namespace
