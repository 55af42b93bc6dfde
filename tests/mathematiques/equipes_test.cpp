// Teams: the thresholds below which a routine runs on one thread, the
// per-worker storage of the pair loops, and the count of free cores.
#include <sys/resource.h>
#include <unistd.h>

#include <limits>
#include <thread>
#include <vector>

#include "etat/modes.h"
#include "etat/reveil.h"
#include "mathematiques/riesz.h"
#include "simulation_outils.h"

namespace {

// Every worker's terms reach every particle once: integer sums, exact in any
// order, across chunk and cache-line edges.
TEST(Equipes, ParcourirPairesSommeChaquePaireUneFois) {
    IgnorerSeuils(true);
    for (int n : {2, 6, 7, 11, 23, 64}) {
        double total = 0.0;
        for (int j = 0; j < n; ++j) total += j;
        for (int travailleurs : {1, 2, 3}) {
            SCOPED_TRACE(testing::Message() << n << " particles, " << travailleurs << " workers");
            ImposerEquipe(travailleurs);
            std::vector<Vec3> v(n, Vec3{-1.0, -1.0, -1.0});
            auto ligne = [](int i, double* rx, double* ry, double* rz, double* propre) {
                for (int j = 0; j < i; ++j) {
                    propre[0] += j;
                    rx[j] += i;
                    propre[1] += 1.0;
                    ry[j] += 1.0;
                    propre[2] += static_cast<double>(i) * j;
                    rz[j] += static_cast<double>(i) * j;
                }
            };
            ParcourirPaires(n, ligne, [](int k) { return Vec3{0.5 * k, 0.0, 0.0}; },
                            [&v](int k, const Vec3& d) { v[k] = d; });
            for (int k = 0; k < n; ++k) {
                EXPECT_EQ(v[k].x, 0.5 * k + total - k) << k;
                EXPECT_EQ(v[k].y, n - 1.0) << k;
                EXPECT_EQ(v[k].z, k * (total - k)) << k;
            }
        }
    }
    ImposerEquipe(0);
    IgnorerSeuils(false);
}

// Just below the pair threshold two workers leave the work to one; just
// above they share it. Either way the results are the one-worker ones.
TEST(Equipes, DeChaqueCoteDuSeuil) {
    int dessous = 2;
    while (Paires(dessous + 1) < kSeuilPaires) ++dessous;
    for (int n : {dessous, dessous + 1}) {
        SCOPED_TRACE(n);
        const std::vector<Vec3> p = outils::Aleatoires(n, 500 + n);
        const std::vector<Vec3> zero(p.size());
        std::vector<Vec3> forces1(p.size()), forces2(p.size());
        outils::Configurer(p);
        params.ambientField = {0.001, 0.0, -0.002};
        const double e1 = EnergiePotentielle();
        const std::vector<float> pot1 = outils::Potentiels();
        AppliquerForce();
        const std::vector<Vec3> d1 = outils::Derivees();
        const EvaluationRiesz r1 = EvaluerRiesz(p, zero, 1.0, 0.1, forces1);

        outils::Configurer(p);
        params.ambientField = {0.001, 0.0, -0.002};
        ImposerEquipe(2);
        EXPECT_EQ(PreparerEquipe(Paires(n), kSeuilPaires), n == dessous ? 1 : 2);
        EXPECT_NEAR(EnergiePotentielle(), e1, 1e-13 * e1);
        EXPECT_EQ(outils::Potentiels(), pot1);
        AppliquerForce();
        outils::ProchesVecteurs(outils::Derivees(), d1, 1e-13);
        const EvaluationRiesz r2 = EvaluerRiesz(p, zero, 1.0, 0.1, forces2);
        EXPECT_EQ(r2.energie, r1.energie);
        outils::ProchesVecteurs(forces2, forces1, 1e-13);
        ImposerEquipe(0);
    }
}

// The shared generator deals its numbers in particle order whatever the team:
// the same seed, the same positions.
TEST(Equipes, PlacerAleatoirementNeDependPasDeLEquipe) {
    outils::Configurer(std::vector<Vec3>(3000));
    InitialiserHasard(31);
    PlacerAleatoirement(0);
    const std::vector<Vec3> un = outils::Positions();
    ImposerEquipe(2);
    IgnorerSeuils(true);
    InitialiserHasard(31);
    PlacerAleatoirement(0);
    IgnorerSeuils(false);
    ImposerEquipe(0);
    const std::vector<Vec3> deux = outils::Positions();
    for (size_t i = 0; i < un.size(); ++i) {
        ASSERT_EQ(deux[i].x, un[i].x) << i;
        ASSERT_EQ(deux[i].y, un[i].y) << i;
        ASSERT_EQ(deux[i].z, un[i].z) << i;
    }
}

TEST(Equipes, OpenMPEteintUnSeulTravailleur) {
    modes.openmp = false;
    EXPECT_EQ(PreparerEquipe(kSeuilPaires * 100, kSeuilPaires), 1);
    ImposerEquipe(3);
    IgnorerSeuils(true);
    EXPECT_EQ(PreparerEquipe(0, kSeuilPaires), 3);  // imposed, thresholds ignored: the tests' way
    IgnorerSeuils(false);
    EXPECT_EQ(PreparerEquipe(0, kSeuilPaires), 1);
    ImposerEquipe(0);
}

// One worker runs outside any OpenMP region (a team of one pays a system
// call at each barrier); two run inside one, each item once.
TEST(Equipes, UnTravailleurSansRegion) {
    IgnorerSeuils(true);
    for (int travailleurs : {1, 2}) {
        SCOPED_TRACE(travailleurs);
        ImposerEquipe(travailleurs);
        const int niveau = travailleurs > 1 ? 1 : 0;
        std::vector<int> vus(40, 0), niveaux(40, -1);
        PourChaque(40, PreparerEquipe(40, 1), [&](int i) {
            ++vus[i];
            niveaux[i] = omp_get_level();
        });
        EXPECT_EQ(vus, std::vector<int>(40, 1));
        EXPECT_EQ(niveaux, std::vector<int>(40, niveau));
        std::vector<int> lignes(40, -1);
        ParcourirPaires(
            40, [&](int i, double*, double*, double*, double*) { lignes[i] = omp_get_level(); },
            [](int) { return Vec3{}; }, [](int, const Vec3&) {});
        EXPECT_EQ(std::vector<int>(lignes.begin() + 1, lignes.end()), std::vector<int>(39, niveau));
    }
    ImposerEquipe(0);
    IgnorerSeuils(false);
}

// The owner's short slices last as long as the object, and leave the
// thread's niceness as it was (on a thread of its own: a raised niceness
// cannot be lowered again without privileges).
TEST(ReveilPrompt, TrancheCourteLeTempsDeLObjet) {
    std::thread([] {
        const int64_t avant = ReveilPrompt::TrancheDuFil();
        if (avant < 0) GTEST_SKIP() << "no scheduling attributes";
        ASSERT_EQ(setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 3), 0);
        {
            const ReveilPrompt prompt;
            const int64_t pendant = ReveilPrompt::TrancheDuFil();
            if (pendant == avant) GTEST_SKIP() << "the kernel keeps one slice";
            EXPECT_EQ(pendant, 100000);
            EXPECT_EQ(getpriority(PRIO_PROCESS, static_cast<id_t>(gettid())), 3);
        }
        EXPECT_EQ(ReveilPrompt::TrancheDuFil(), avant);
        EXPECT_EQ(getpriority(PRIO_PROCESS, static_cast<id_t>(gettid())), 3);
    }).join();
}

// Rates over an interval, in cores: idle time of the machine, CPU time of
// the process.
TEST(CoeursLibres, UnCoeurCompteQuandIlEstLibreAuxSeptDixiemes) {
    EXPECT_EQ(CoeursLibres(2.0, 0.0, 2), 2);   // quiet machine, program waiting
    EXPECT_EQ(CoeursLibres(0.0, 2.0, 2), 2);   // our two workers had both cores
    EXPECT_EQ(CoeursLibres(0.0, 1.0, 2), 1);   // another process has the other
    EXPECT_EQ(CoeursLibres(1.0, 1.0, 2), 2);   // it stopped
    EXPECT_EQ(CoeursLibres(0.0, 1.33, 2), 1);  // two workers sharing with a third process
    EXPECT_EQ(CoeursLibres(0.05, 1.7, 2), 2);  // a short burst elsewhere
    EXPECT_EQ(CoeursLibres(0.0, 0.2, 2), 1);   // never none
    EXPECT_EQ(CoeursLibres(7.5, 0.5, 4), 4);   // idle cores beyond the ones allowed
    EXPECT_EQ(CoeursLibres(2.0, 0.8, 8), 3);
    EXPECT_EQ(CoeursLibres(2.0, 0.6, 8), 2);
    EXPECT_EQ(CoeursLibres(0.0, 0.0, 0), 1);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(CoeursLibres(nan, 1.0, 2), 1);
}

TEST(CoeursLibres, LaMesureResteDansLesCoeursPermis) {
    const int d = CoeursDisponibles();
    EXPECT_GE(d, 1);
    EXPECT_LE(d, omp_get_num_procs());
    modes.openmp = true;
    EXPECT_LE(EquipeSimulation(), NombreDeThreads());
    modes.openmp = false;
}

}  // namespace
