#include <cmath>

#include "par_jeu.h"
#include "simulation_outils.h"

using outils::Configurer;

namespace {

void DeriveesNulles() {
    for (const ParticleRecord& r : etat.particles) {
        EXPECT_NEAR(r.derivative.x, 0.0, 1e-17);
        EXPECT_NEAR(r.derivative.y, 0.0, 1e-17);
        EXPECT_NEAR(r.derivative.z, 0.0, 1e-17);
    }
}

TEST(ForceFaces, NulleSurLesSolidesReguliers) {
    outils::Tetraedre();
    for (ParticleRecord& r : etat.particles) r.derivative = {1, 1, 1};
    ForceFaces();
    DeriveesNulles();
    outils::Octaedre();
    ForceFaces();
    DeriveesNulles();
}

TEST(ForceFaces, UneFaceRameneSesAretesVersLaMoyenne) {
    Configurer({{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0.6, 0.8, 0}});
    outils::Installer({}, {{{0, 1, 3}}});
    ForceFaces();
    // Edge lengths: |0-1| = sqrt 2, |1-3| and |3-0| shorter; the long edge pulls 0 and 1 together.
    const Vec3 e01 = difference(etat.particles[0].position, etat.particles[1].position);
    const double l01 = norm(e01);
    const double l13 = norm(difference(etat.particles[1].position, etat.particles[3].position));
    const double l30 = norm(difference(etat.particles[3].position, etat.particles[0].position));
    const double m = (l01 + l13 + l30) / 3.0;
    const double k01 = (m - l01) * 0.1 / l01;
    const double k30 = (m - l30) * 0.1 / l30;
    Vec3 attendu0 = e01;
    attendu0 *= k01;
    Vec3 e30 = difference(etat.particles[3].position, etat.particles[0].position);
    e30 *= k30;
    attendu0 -= e30;
    EXPECT_NEAR(etat.particles[0].derivative.x, attendu0.x, 1e-16);
    EXPECT_NEAR(etat.particles[0].derivative.y, attendu0.y, 1e-16);
    EXPECT_LT(k01, 0.0);
    EXPECT_EQ(etat.particles[2].derivative.x, 0.0);  // in no face
}

TEST(ForceAretes, RessortsDeLongueurNulleEtAuRepos) {
    // Edge of length 0.5 between particles 0 and 1.
    const double a = std::asin(0.25);
    Configurer({{std::cos(a), std::sin(a), 0}, {std::cos(a), -std::sin(a), 0}, {0, 0, 1}});
    outils::Installer({{0, 1}}, {});
    ForceAretes();
    EXPECT_NEAR(etat.particles[0].derivative.y, -0.05, 1e-16);
    EXPECT_NEAR(etat.particles[1].derivative.y, 0.05, 1e-16);
    EXPECT_NEAR(etat.particles[0].derivative.x, 0.0, 1e-17);
    EXPECT_EQ(etat.particles[2].derivative.z, 0.0);
    params.springLength = 0.5;
    ForceAretes();
    EXPECT_NEAR(etat.particles[0].derivative.y, 0.0, 1e-16);
    params.springLength = 1.0;  // too short: pushes apart
    ForceAretes();
    EXPECT_NEAR(etat.particles[0].derivative.y, 0.05, 1e-16);
}

// A zero-length edge has no direction: it contributes nothing instead of NaN.
TEST(ForceAretes, AreteDeLongueurNulleEtListesAnciennes) {
    Configurer({{0, 0, 1}, {0, 0, 1}, {1, 0, 0}});
    outils::Installer({{0, 1}, {0, 2}}, {{{0, 1, 2}}});
    ForceAretes();
    ForceFaces();
    for (const ParticleRecord& r : etat.particles) EXPECT_TRUE(std::isfinite(norm(r.derivative)));
    // Entries pointing past the particles (lists of another count) are skipped.
    enveloppe.edges[0] = {0, 7};
    enveloppe.faces[0] = {{0, 1, 9}};
    ForceAretes();
    ForceFaces();
    EXPECT_EQ(etat.particles[1].derivative.x, 0.0);
    hullValid = true;
    AppliquerForceLocale();
    EloignerPlusProches();
}

TEST(ForcesEnveloppe, LesComptesReelsDeLaConstruction) {
    // Counts below 3N - 6: entries past edgeCount are never read.
    Configurer(outils::Aleatoires(8, 2));
    for (HullEdge& e : enveloppe.edges) e = {0, 1};
    outils::Installer({{2, 3}}, {});
    ForceAretes();
    EXPECT_EQ(etat.particles[0].derivative.x, 0.0);
    EXPECT_NE(etat.particles[2].derivative.x, 0.0);
}

// The one rule of enveloppe_listes.h for every routine along the hull: with
// hullValid set the lists are used as they stand (particles moved since the
// build, an entry of another count skipped); clear, the all-pairs forms run
// and the spring models still read the lists.
TEST(ForcesEnveloppe, UneSeuleRegleQuandLEnveloppeEstPerimee) {
    const std::vector<Vec3> p = {outils::Unitaire(1, 0, 0), outils::Unitaire(0, 1, 0), outils::Unitaire(-1, 0, 0.2),
                                 outils::Unitaire(1, 0.05, 0), outils::Unitaire(0, 0, -1)};
    Configurer(p);
    outils::Installer({{0, 1}, {1, 2}, {2, 9}}, {{{0, 1, 2}}, {{1, 2, 9}}});
    AppliquerForceLocale();
    const Vec3 de1sur2 = ForcePaire(p[2], p[1]);
    EXPECT_EQ(etat.particles[2].derivative.x, de1sur2.x);
    EXPECT_EQ(etat.particles[2].derivative.z, de1sur2.z);
    EXPECT_EQ(norm(etat.particles[3].derivative), 0.0);  // 0-3 is the closest pair, yet not listed
    ForceAretes();
    EXPECT_EQ(norm(etat.particles[3].derivative), 0.0);
    EXPECT_NE(norm(etat.particles[2].derivative), 0.0);
    ForceFaces();
    EXPECT_NE(norm(etat.particles[0].derivative), 0.0);  // face 0-1-2 only
    EloignerPlusProches();
    EXPECT_EQ(etat.particles[3].position.y, p[3].y);
    EXPECT_NE(etat.particles[0].position.y, p[0].y);  // 0-1 is the shorter listed edge

    Configurer(p);
    outils::Installer({{0, 1}, {1, 2}, {2, 9}}, {{{0, 1, 2}}});
    hullValid = false;
    AppliquerForceLocale();
    const std::vector<Vec3> locale = outils::Derivees();
    AppliquerForce();
    EXPECT_EQ(locale[3].x, etat.particles[3].derivative.x);
    EXPECT_NE(norm(locale[3]), 0.0);
    ForceAretes();
    EXPECT_EQ(norm(etat.particles[3].derivative), 0.0);
    EXPECT_NE(norm(etat.particles[0].derivative), 0.0);
    EloignerPlusProches();
    EXPECT_NE(etat.particles[3].position.y, p[3].y);  // every pair: 0-3 moves
}

// Two symmetric particles about the x axis: the move scales the tangent of
// their half-angle by 1 +- 2P, since the separation (along y) scales so.
double DemiAngleApres(void (*deplacement)(), double P) {
    const double a = 0.3;
    Configurer({{std::cos(a), std::sin(a), 0}, {std::cos(a), -std::sin(a), 0}, {-1, 0, 0}, {0, 0, 1}});
    params.P = P;
    outils::Installer({{0, 1}}, {});
    deplacement();
    EXPECT_NEAR(etat.particles[0].position.y, -etat.particles[1].position.y, 1e-16);
    return etat.particles[0].position.y / etat.particles[0].position.x;
}

TEST(Paires, FacteurUnPlusOuMoinsDeuxP) {
    const double t = std::tan(0.3);
    EXPECT_NEAR(DemiAngleApres(EloignerPlusProches, 0.005), 1.01 * t, 1e-15);
    EXPECT_NEAR(DemiAngleApres(ApprocherPlusEloignees, 0.005), 0.99 * t, 1e-15);
    EXPECT_NEAR(DemiAngleApres(EloignerPlusProches, -0.005), 0.99 * t, 1e-15);
    EXPECT_NEAR(DemiAngleApres(ApprocherPlusEloignees, -0.005), 1.01 * t, 1e-15);
}

// 0-1, 2-3 and 0-4 are all sqrt 2 long; only the first listed moves.
void TroisAretesEgales() {
    Configurer({{1, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {0, -1, 0}, {0, 0, 1}});
    outils::Installer({{2, 3}, {0, 1}, {0, 4}}, {});
}

TEST(Paires, EgaliteGardeLaPremiereArete) {
    for (void (*deplacement)() : {EloignerPlusProches, ApprocherPlusEloignees}) {
        TroisAretesEgales();
        deplacement();
        EXPECT_NE(etat.particles[2].position.y, 0.0);
        EXPECT_NE(etat.particles[3].position.x, 0.0);
        EXPECT_EQ(etat.particles[0].position.x, 1.0);
        EXPECT_EQ(etat.particles[1].position.y, 1.0);
        EXPECT_EQ(etat.particles[4].position.z, 1.0);
    }
}

// Candidates stay the starting hull's edges, even once another pair is closer.
TEST(Paires, SeulesLesAretesDeDepart) {
    TroisAretesEgales();
    params.P = -0.1;  // brings 2 and 3 together...
    EloignerPlusProches();
    outils::Installer({{0, 1}}, {});
    params.P = 0.005;
    EloignerPlusProches();  // ...yet only 0-1 is a candidate now
    EXPECT_LT(squaredDistance(etat.particles[2].position, etat.particles[3].position),
              squaredDistance(etat.particles[0].position, etat.particles[1].position));
}

TEST(Paires, SansEnveloppeToutesLesPaires) {
    Configurer({{1, 0, 0}, {0, 1, 0}, {0.8, 0, 0.6}, {-1, 0, 0}});
    EloignerPlusProches();  // 0 and 2 closest: first 0, second 2
    EXPECT_GT(etat.particles[2].position.z, 0.6);
    EXPECT_LT(etat.particles[0].position.z, 0.0);
    EXPECT_EQ(etat.particles[1].position.y, 1.0);
    Configurer({{1, 0, 0}, {0, 1, 0}, {0.8, 0, 0.6}, {-1, 0, 0}});
    ApprocherPlusEloignees();  // 0 and 3 farthest apart overall
    EXPECT_EQ(etat.particles[1].position.y, 1.0);
    EXPECT_NEAR(etat.particles[0].position.x, 1.0, 1e-16);  // delta along x: the same unit vectors
    EXPECT_NEAR(etat.particles[3].position.x, -1.0, 1e-16);
    EXPECT_EQ(etat.particles[2].position.z, 0.6);
}

// Steps along a real hull, as a counted loop runs them (one build, then the
// particles move), give the plain loops' numbers bit for bit on one and two
// workers and with either kernel version, the force alone or fused with the
// move; entries naming no particle amid the lists are skipped; the kept edge
// lengths and position copies follow other moves and a new build.
class EtapesEnveloppe : public ParJeu {};
// The hull's kernels come as a portable and an AVX2 version.
INSTANTIATE_TEST_SUITE_P(Jeux, EtapesEnveloppe, testing::Values(JeuNoyaux::portable, JeuNoyaux::avx2), NomDuParametre);

TEST_P(EtapesEnveloppe, CommeLesBouclesLitterales) {
    const std::vector<Vec3> depart = outils::Aleatoires(300, 21);
    auto suite = [&](bool litterale, int workers) {
        Configurer(depart);
        params.P = 0.02;
        CalculerEnveloppe(false);
        ImposerEquipe(workers);
        IgnorerSeuils(true);  // the lists' team path, far below its threshold here
        std::vector<Vec3> traces;
        for (int k = 0; k < 60; ++k) {
            const bool fusionnee = !litterale && (k / 5) % 2 == 1;
            switch (k % 5) {
                case 0:
                    litterale ? litteral::ForceLocale() : fusionnee ? DeplacerSelonForceLocale() : AppliquerForceLocale();
                    break;
                case 1: litterale ? litteral::ForceFaces() : fusionnee ? DeplacerSelonFaces() : ForceFaces(); break;
                case 2: litterale ? litteral::ForceAretes() : fusionnee ? DeplacerSelonAretes() : ForceAretes(); break;
                case 3: litterale ? litteral::DeplacerPaire(1.0) : EloignerPlusProches(); break;
                default: litterale ? litteral::DeplacerPaire(-1.0) : ApprocherPlusEloignees(); break;
            }
            if (k % 5 < 3) {
                for (const Vec3& d : outils::Derivees()) traces.push_back(d);
                if (!fusionnee) ModifierPosition();
            }
            if (k == 17) {
                enveloppe.edges[6].hi = 300;  // one edge of the second block of four names no particle
                enveloppe.faces[5].v[1] = -1;
            }
            if (k == 33) CalculerEnveloppe(false);
            if (k == 41) outils::Poser(7, outils::Unitaire(1, 1, 1));
        }
        for (const Vec3& p : outils::Positions()) traces.push_back(p);
        IgnorerSeuils(false);
        ImposerEquipe(1);
        return traces;
    };
    const std::vector<Vec3> attendu = suite(true, 1);
    for (int workers : {1, 2}) {
        const std::vector<Vec3> obtenu = suite(false, workers);
        ASSERT_EQ(obtenu.size(), attendu.size());
        for (size_t i = 0; i < attendu.size(); ++i) {
            ASSERT_EQ(obtenu[i].x, attendu[i].x) << workers << " workers, value " << i;
            ASSERT_EQ(obtenu[i].y, attendu[i].y) << workers << " workers, value " << i;
            ASSERT_EQ(obtenu[i].z, attendu[i].z) << workers << " workers, value " << i;
        }
    }
}

}  // namespace
