// The fast routines against the plain one-thread ones, on both kernel
// versions and on 1, 2 and 3 workers.
#include <cmath>
#include <string>

#include "etat/modes.h"
#include "mathematiques/noyaux.h"
#include "par_jeu.h"
#include "simulation_outils.h"

namespace {

struct Reference {
    double energie, distance;
    std::vector<float> potentiels;
    std::vector<Vec3> derivees, positions;
};

Reference Litteral(const std::vector<Vec3>& p) {
    outils::Configurer(p);
    Reference r;
    r.distance = litteral::DistanceMinimale();
    r.energie = litteral::EnergiePotentielle(&r.potentiels);
    params.ambientField = {0.001, -0.002, 0.0005};
    litteral::AppliquerForce();
    r.derivees = outils::Derivees();
    litteral::ModifierPosition();
    r.positions = outils::Positions();
    return r;
}

// The team works even on small sets, below the thresholds.
void ComparerRapide(const std::vector<Vec3>& p, const Reference& r, int travailleurs) {
    outils::Configurer(p);
    ImposerEquipe(travailleurs);
    IgnorerSeuils(true);
    EXPECT_EQ(DistanceMinimale(), r.distance);
    EXPECT_NEAR(EnergiePotentielle(), r.energie, 1e-12 * r.energie);
    EXPECT_EQ(outils::Potentiels(), r.potentiels);
    params.ambientField = {0.001, -0.002, 0.0005};
    AppliquerForce();
    outils::ProchesVecteurs(outils::Derivees(), r.derivees, 1e-12);
    ModifierPosition();
    outils::ProchesVecteurs(outils::Positions(), r.positions, 1e-13);
    IgnorerSeuils(false);
    ImposerEquipe(0);
}

class Noyaux : public ParJeu {};

TEST_P(Noyaux, CommeLaVersionLitterale) {
    for (int n : {2, 3, 7, 12, 17, 400, 2001}) {
        SCOPED_TRACE(n);
        const std::vector<Vec3> p = outils::Aleatoires(n, 1000 + n);
        const Reference r = Litteral(p);
        for (int travailleurs : {1, 2, 3}) {
            SCOPED_TRACE(travailleurs);
            ComparerRapide(p, r, travailleurs);
        }
    }
}

// Close pairs and a spread of distances: every float term must still round
// like the scalar one, and the column blocks end mid-chunk.
TEST_P(Noyaux, PotentielsExactsSurUneSpirale) {
    std::vector<Vec3> p(1203);
    outils::Configurer(p);
    PlacerEnSpirale(0.5);
    p = outils::Positions();
    p[600] = outils::Unitaire(p[601].x, p[601].y, p[601].z + 1e-9);
    const Reference r = Litteral(p);
    ComparerRapide(p, r, 2);
}

// Pairs (g, g + 60), far from every other pair, whose inverse distance lies
// within a unit of the last place of a halfway point between two floats:
// each potential is its pair's term plus small ones, so a term rounded to the
// other float shows. Kernels working from an estimate must fall back to the
// exact term there. Positions need not be unit vectors for the sums.
TEST_P(Noyaux, PotentielsExactsPresDesMilieux) {
    std::vector<Vec3> p(120);
    for (int g = 0; g < 60; ++g) {
        const float f = 1.0f + 0.037f * g;
        const double milieu = (static_cast<double>(f) + static_cast<double>(std::nextafter(f, 10.0f))) / 2.0;
        double meilleur = 1.0 / milieu, ecart = 1.0;
        for (double d = meilleur * (1 - 8e-16); d < meilleur * (1 + 8e-16); d = std::nextafter(d, 2.0)) {
            const double e = 1.0 / std::sqrt(d * d);
            const double cote = (g % 2 ? 1.0 : -1.0) * (e - milieu);  // alternately just above and just below
            if (cote > 0 && cote < ecart) {
                ecart = cote;
                meilleur = d;
            }
        }
        p[g] = {1000.0 * g, 0, 0};
        p[g + 60] = {1000.0 * g, 0, meilleur};
    }
    const Reference r = Litteral(p);
    ComparerRapide(p, r, 1);
    ComparerRapide(p, r, 2);
}

INSTANTIATE_TEST_SUITE_P(Versions, Noyaux,
                         testing::Values(JeuNoyaux::natif, JeuNoyaux::avx512, JeuNoyaux::avx2, JeuNoyaux::portable),
                         NomDuParametre);

class TablesDeNoyaux : public ParJeu {};
SUR_CHAQUE_JEU(TablesDeNoyaux);

// Every slot of the set, called directly on rows long enough for the vector
// paths and their tails, against the portable set.
TEST_P(TablesDeNoyaux, ChaqueCase) {
    const PositionsSoA p = [] {
        const std::vector<Vec3> v = outils::Aleatoires(77, 5);
        PositionsSoA s;
        s.n = 77;
        for (const Vec3& q : v) {
            s.x.push_back(q.x);
            s.y.push_back(q.y);
            s.z.push_back(q.z);
        }
        return s;
    }();
    const NoyauxPaires& ref = noyauxPortables;
    const int pas = p.n - 5;
    std::vector<float> tRef(5 * pas);
    const double sommeRef = ref.termes(p, 0, 5, 5, p.n, tRef.data(), pas);
    const NoyauxPaires& k = TableDuJeu(GetParam());
    ASSERT_NE(k.forceLigne, nullptr);
    ASSERT_NE(k.termes, nullptr);
    ASSERT_NE(k.cumuler, nullptr);
    ASSERT_NE(k.deltaEnergie, nullptr);
    ASSERT_NE(k.ligneDescente, nullptr);
    ASSERT_NE(k.ligneEnergie, nullptr);

    std::vector<double> r(3 * p.n, 0.0), rRef(3 * p.n, 0.0);
    double f[3] = {0, 0, 0}, fRef[3] = {0, 0, 0};
    k.forceLigne(p, p.n - 1, 1e-4, r.data(), r.data() + p.n, r.data() + 2 * p.n, f);
    ref.forceLigne(p, p.n - 1, 1e-4, rRef.data(), rRef.data() + p.n, rRef.data() + 2 * p.n, fRef);
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(f[c], fRef[c], 1e-12 * std::abs(fRef[c]) + 1e-18);
    for (int j = 0; j < 3 * p.n; ++j) EXPECT_NEAR(r[j], rRef[j], 1e-12 * std::abs(rRef[j]) + 1e-18);

    std::vector<float> t(5 * pas);
    EXPECT_NEAR(k.termes(p, 0, 5, 5, p.n, t.data(), pas), sommeRef, 1e-12 * sommeRef);
    EXPECT_EQ(t, tRef);

    std::vector<float> pot(p.n, 0.5f), potRef(p.n, 0.5f);
    float acc[5] = {1, 2, 3, 4, 5}, accRef[5] = {1, 2, 3, 4, 5};
    k.cumuler(t.data(), pas, 5, 5, p.n, pot.data(), acc);
    ref.cumuler(tRef.data(), pas, 5, 5, p.n, potRef.data(), accRef);
    EXPECT_EQ(pot, potRef);
    for (int c = 0; c < 5; ++c) EXPECT_EQ(acc[c], accRef[c]);

    const double o[3] = {p.x[3], p.y[3], p.z[3]}, q[3] = {0.6, 0.0, 0.8};
    const double d = ref.deltaEnergie(p, 4, p.n, o, q);
    EXPECT_NEAR(k.deltaEnergie(p, 4, p.n, o, q), d, 1e-12 * std::abs(d));

    PositionsSoA deplacement = p;  // a large displacement: the exact change, not the series
    for (int j = 0; j < p.n; ++j) deplacement.x[j] = 0.01 * p.y[j];
    std::fill(r.begin(), r.end(), 0.0);
    std::fill(rRef.begin(), rRef.end(), 0.0);
    double sommes[2] = {0, 0}, sommesRef[2] = {0, 0};
    f[0] = f[1] = f[2] = fRef[0] = fRef[1] = fRef[2] = 0.0;
    k.ligneDescente(p, deplacement, p.n - 1, r.data(), r.data() + p.n, r.data() + 2 * p.n, f, sommes);
    ref.ligneDescente(p, deplacement, p.n - 1, rRef.data(), rRef.data() + p.n, rRef.data() + 2 * p.n, fRef, sommesRef);
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(f[c], fRef[c], 1e-12 * std::abs(fRef[c]) + 1e-18);
    for (int j = 0; j < 3 * p.n; ++j) EXPECT_NEAR(r[j], rRef[j], 1e-12 * std::abs(rRef[j]) + 1e-18);
    for (int c = 0; c < 2; ++c) EXPECT_NEAR(sommes[c], sommesRef[c], 1e-12 * std::abs(sommesRef[c]));

    // Without the displacement: the same set's forces, reactions and sum, bit for bit.
    std::vector<double> rSeul(3 * p.n, 0.0);
    double fSeul[3] = {0, 0, 0}, energie = 0.0;
    k.ligneEnergie(p, p.n - 1, rSeul.data(), rSeul.data() + p.n, rSeul.data() + 2 * p.n, fSeul, energie);
    EXPECT_EQ(energie, sommes[0]);
    for (int c = 0; c < 3; ++c) EXPECT_EQ(fSeul[c], f[c]);
    EXPECT_EQ(rSeul, r);
}

TEST(JeuImpose, EstCeluiQuiTourne) {
    for (JeuNoyaux jeu : {JeuNoyaux::portable, JeuNoyaux::avx2, JeuNoyaux::avx512}) {
        ForcerNoyaux(jeu);
        EXPECT_EQ(&::Noyaux(), JeuDisponible(jeu) ? &TableDuJeu(jeu) : &TableDuJeu(JeuNoyaux::natif));
    }
    ForcerNoyaux(JeuNoyaux::natif);
    const JeuNoyaux meilleur =
        ProcesseurAvx512() ? JeuNoyaux::avx512 : (ProcesseurAvx2() ? JeuNoyaux::avx2 : JeuNoyaux::portable);
    EXPECT_EQ(&::Noyaux(), &TableDuJeu(meilleur));
}

// The AVX2 rows take 1 / sqrt(s) from an estimate refined on the multiply-add
// pipes for part of the pairs: each pair's reaction and float term, at
// distances spread over 1e-95 .. 1e95 (forces) or 1e-25 .. 1e25 and a few
// beyond (energy terms), against the scalar formulas.
PositionsSoA Eparpilles(int n, long graine, double decades) {
    InitialiserHasard(graine);
    PositionsSoA p;
    p.n = n;
    for (int j = 0; j < n; ++j) {
        Vec3 v;
        TirerPointSphere(v, std::pow(10.0, decades * (2.0 * TirerReel() - 1.0)));
        p.x.push_back(v.x);
        p.y.push_back(v.y);
        p.z.push_back(v.z);
    }
    return p;
}

TEST(NoyauxAvx2, ChaquePaireCommeLeCalculScalaire) {
    if (!ProcesseurAvx2()) GTEST_SKIP() << "no AVX2 here";
    PositionsSoA p = Eparpilles(2003, 91, 95.0);
    const int i = p.n - 1;
    p.x[i] = p.y[i] = p.z[i] = 0.0;
    p.x[5] = 1e-101;  // in contact: no force
    p.y[5] = p.z[5] = 0.0;
    std::vector<double> rx(p.n, 0.0), ry(p.n, 0.0), rz(p.n, 0.0);
    double f[3] = {0, 0, 0};
    noyauxAvx2.forceLigne(p, i, -1e-4, rx.data(), ry.data(), rz.data(), f);
    EXPECT_EQ(rx[5], 0.0);
    for (int j = 0; j < i; ++j) {
        const double s = p.x[j] * p.x[j] + p.y[j] * p.y[j] + p.z[j] * p.z[j];
        const double attendu = CoefficientPaire(-1e-4, s, std::sqrt(s)) * p.x[j];
        ASSERT_NEAR(rx[j], attendu, 1e-14 * std::abs(attendu)) << "pair " << j << ", s = " << s;
    }
}

TEST(NoyauxAvx2, TermesFlottantsExacts) {
    if (!ProcesseurAvx2()) GTEST_SKIP() << "no AVX2 here";
    PositionsSoA p = Eparpilles(1005, 92, 25.0);
    for (int k = 0; k < 5; ++k) p.x[k] = p.y[k] = p.z[k] = 1e-3 * k;
    p.x[400] = 1e40;
    p.x[700] = p.x[1];  // s = 0 for row 1
    const int pas = p.n - 5;
    std::vector<float> t(5 * pas);
    const double somme = noyauxAvx2.termes(p, 0, 5, 5, p.n, t.data(), pas);
    double attendue = 0.0;
    for (int k = 0; k < 5; ++k) {
        for (int j = 5; j < p.n; ++j) {
            const double dx = p.x[k] - p.x[j], dy = p.y[k] - p.y[j], dz = p.z[k] - p.z[j];
            const double e = 1.0 / std::sqrt(dx * dx + dy * dy + dz * dz);
            attendue += e;
            ASSERT_EQ(t[k * pas + j - 5], static_cast<float>(e)) << "row " << k << ", column " << j;
        }
    }
    EXPECT_NEAR(somme, attendue, 1e-12 * attendue);
}

// The AVX2 descents' pass, lane by lane: lane l takes the columns j = l mod 4
// of the full vectors in ascending order, with the fused steps where the row
// has them (2u - e and the squares, the series, the forces), and the lanes
// are added as (0 + 2) + (1 + 3) before the scalar tail. The line search
// compares changes of the energy taken from exactly these roundings.
void DescenteParVoies(const PositionsSoA& t, const PositionsSoA& d, int i, double* r[3], double force[3],
                      double sommes[2]) {
    double f[4][3] = {}, energie[4] = {}, variation[4] = {};
    const int fin = i & ~3;
    for (int j0 = 0; j0 < fin; j0 += 4) {
        double u[4][3], e[4][3], s[4], ds[4], inv[4], q[4];
        bool serie = true;
        for (int l = 0; l < 4; ++l) {
            const int j = j0 + l;
            const double ti[3] = {t.x[i], t.y[i], t.z[i]}, tj[3] = {t.x[j], t.y[j], t.z[j]};
            const double di[3] = {d.x[i], d.y[i], d.z[i]}, dj[3] = {d.x[j], d.y[j], d.z[j]};
            for (int c = 0; c < 3; ++c) {
                u[l][c] = ti[c] - tj[c];
                e[l][c] = di[c] - dj[c];
            }
            s[l] = std::fma(u[l][2], u[l][2], std::fma(u[l][1], u[l][1], u[l][0] * u[l][0]));
            double a[3];
            for (int c = 0; c < 3; ++c) a[c] = std::fma(2.0, u[l][c], -e[l][c]);
            ds[l] = std::fma(e[l][2], a[2], std::fma(e[l][1], a[1], e[l][0] * a[0]));
            inv[l] = 1.0 / std::sqrt(s[l]);
            q[l] = ds[l] * (inv[l] * inv[l]);
            serie = serie && std::abs(q[l]) < kSerieDescente;
        }
        for (int l = 0; l < 4; ++l) {
            energie[l] += inv[l];
            if (serie) {
                double c = kSerie[5];
                for (int k = 4; k >= 0; --k) c = std::fma(c, q[l], kSerie[k]);
                variation[l] = std::fma(-inv[l], q[l] * c, variation[l]);
            } else {
                double b[3];
                for (int c = 0; c < 3; ++c) b[c] = u[l][c] - e[l][c];
                const double s0 = std::fma(b[2], b[2], std::fma(b[1], b[1], b[0] * b[0]));
                const double inv0 = 1.0 / std::sqrt(s0);
                variation[l] -= ds[l] * (inv[l] * inv0) / (s[l] * inv[l] + s0 * inv0);
            }
            const double w = s[l] >= kContact * kContact ? inv[l] * (inv[l] * inv[l]) : 0.0;
            for (int c = 0; c < 3; ++c) {
                f[l][c] = std::fma(w, u[l][c], f[l][c]);
                r[c][j0 + l] = std::fma(-w, u[l][c], r[c][j0 + l]);
            }
        }
    }
    auto voies = [](const double v[4]) { return (v[0] + v[2]) + (v[1] + v[3]); };
    double somme[3], s2[2] = {voies(energie), voies(variation)};
    for (int c = 0; c < 3; ++c) {
        const double v[4] = {f[0][c], f[1][c], f[2][c], f[3][c]};
        somme[c] = voies(v);
    }
    DescenteScalaire(t, d, i, fin, r[0], r[1], r[2], somme, s2);
    for (int c = 0; c < 3; ++c) force[c] += somme[c];
    sommes[0] += s2[0];
    sommes[1] += s2[1];
}

// Every row of 203 particles, displaced so that some vectors take the series
// and others the exact change, with a coincident pair (contact) among them:
// sums, forces and reactions bit for bit.
TEST(NoyauxAvx2, DescenteCommeLeCalculParVoies) {
    if (!ProcesseurAvx2()) GTEST_SKIP() << "no AVX2 here";
    const int n = 203;
    PositionsSoA t = Eparpilles(n, 93, 0.0), d = Eparpilles(n, 94, 0.0);
    for (int j = 0; j < n; ++j) {
        const double echelle = j % 9 == 0 ? 1e-2 : 1e-9;
        d.x[j] *= echelle;
        d.y[j] *= echelle;
        d.z[j] *= echelle;
    }
    t.x[150] = t.x[40];
    t.y[150] = t.y[40];
    t.z[150] = t.z[40];
    std::vector<double> r(3 * n, 0.0), rRef(3 * n, 0.0);
    double* voies[3] = {rRef.data(), rRef.data() + n, rRef.data() + 2 * n};
    for (int i = 1; i < n; ++i) {
        double f[3] = {0, 0, 0}, fRef[3] = {0, 0, 0}, sommes[2] = {0, 0}, sommesRef[2] = {0, 0};
        noyauxAvx2.ligneDescente(t, d, i, r.data(), r.data() + n, r.data() + 2 * n, f, sommes);
        DescenteParVoies(t, d, i, voies, fRef, sommesRef);
        for (int c = 0; c < 3; ++c) ASSERT_EQ(f[c], fRef[c]) << "row " << i;
        if (i != 150) {  // row 150 meets its twin: both sums infinite or NaN
            ASSERT_EQ(sommes[0], sommesRef[0]) << "row " << i;
            ASSERT_EQ(sommes[1], sommesRef[1]) << "row " << i;
        }
    }
    EXPECT_EQ(r, rRef);
}

TEST(Equipes, UnEtDeuxTravailleursDonnentLesMemesPotentiels) {
    const std::vector<Vec3> p = outils::Aleatoires(1500, 77);
    outils::Configurer(p);
    const double e1 = EnergiePotentielle();
    const std::vector<float> pot1 = outils::Potentiels();
    AppliquerForce();
    const std::vector<Vec3> d1 = outils::Derivees();
    ImposerEquipe(2);
    const double e2 = EnergiePotentielle();
    EXPECT_EQ(outils::Potentiels(), pot1);
    EXPECT_NEAR(e2, e1, 1e-13 * e1);
    AppliquerForce();
    outils::ProchesVecteurs(outils::Derivees(), d1, 1e-13);
    ImposerEquipe(0);
}

// OPENMP on: NombreDeThreads() workers, whatever the machine has.
TEST(Equipes, ModeOpenMP) {
    const std::vector<Vec3> p = outils::Aleatoires(300, 78);
    const Reference r = Litteral(p);
    modes.openmp = true;
    ComparerRapide(p, r, 0);
    modes.openmp = false;
    EXPECT_EQ(EquipeSimulation(), 1);
}

}  // namespace
