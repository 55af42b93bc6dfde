// The catalogue of minima: one minimum reached from two starts is counted
// once and met twice; minima apart by energy or by signature stay apart; only
// the lowest keep their positions; a search feeds it in the order of (hop,
// walker), the same from the same seeds.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "etat/particules.h"
#include "mathematiques/catalogue_minima.h"
#include "mathematiques/exploration.h"
#include "mathematiques/hasard.h"
#include "mathematiques/minimisation.h"
#include "mathematiques/riesz.h"
#include "shell/commandes_minima.h"

namespace {

std::vector<Vec3> Depart(long graine, int n) {
    FluxHasard f(graine);
    std::vector<Vec3> x(static_cast<size_t>(n));
    for (Vec3& v : x) f.PointSphere(v, 1.0);
    return x;
}

void Compter(int n) {
    {
        Garde verrou(verrouEtat);
        ChangerNombre(n, false);
    }
    PreparerCatalogue();
}

TEST(CatalogueMinima, UnMinimumAtteintDeDeuxDepartsCompteUneFois) {
    Compter(12);
    CatalogueMinima c;
    long long saut = 0;
    for (long graine : {11L, 29L}) {
        std::vector<Vec3> x = Depart(graine, 12);
        const BilanDescente b = Minimiser(x, ParametresDescente{});
        ASSERT_EQ(b.fin, FinDescente::critere);
        ++saut;
        EXPECT_EQ(c.Noter(b.logEnergie, saut, SignatureDe(x), x), saut == 1);
    }
    ASSERT_EQ(c.Minima().size(), 1u);
    const MinimumCatalogue& m = c.Minima().front();
    EXPECT_EQ(m.fois, 2);
    EXPECT_EQ(m.premierSaut, 1);
    EXPECT_EQ(m.signature.groupe, "Ih");
    EXPECT_EQ(m.signature.Degre(5), 12);
    EXPECT_EQ(m.signature.Degre(6), 0);
    EXPECT_EQ(m.positions.size(), 12u);
}

// Apart beyond a relative 1e-10, or at one energy with another group or
// other degrees; one within it.
TEST(CatalogueMinima, DistinctsParEnergieGroupeOuDegres) {
    CatalogueMinima c;
    const std::vector<Vec3> x(4, Vec3{0, 0, 1});
    SignatureMinimum a{"Td", {0, 0, 0, 4}}, b{"C1", {0, 0, 0, 4}}, d{"Td", {0, 0, 0, 2, 2}};
    EXPECT_TRUE(c.Noter(2.0, 1, a, x));
    EXPECT_FALSE(c.Noter(2.0 + 0.5 * kMemeEnergie, 2, a, x));
    EXPECT_TRUE(c.Noter(2.0 + 3.0 * kMemeEnergie, 3, a, x));
    EXPECT_TRUE(c.Noter(2.0, 4, b, x));
    EXPECT_TRUE(c.Noter(2.0, 5, d, x));
    EXPECT_FALSE(c.Noter(2.0, 6, d, x));
    ASSERT_EQ(c.Minima().size(), 4u);
    long long fois = 0;
    for (size_t k = 0; k < c.Minima().size(); ++k) {
        fois += c.Minima()[k].fois;
        if (k > 0) {
            EXPECT_LE(c.Minima()[k - 1].logEnergie, c.Minima()[k].logEnergie);
        }
    }
    EXPECT_EQ(fois, 6);
    EXPECT_EQ(c.Minima().back().premierSaut, 3);
}

// Named by its energy alone only beyond doubt: every energy the minimum may
// have (up to `ecart` below the one given) within kMemeEnergie of one entry,
// and no other entry within reach.
TEST(CatalogueMinima, ReconnuParSonEnergieSeulementSansDoute) {
    CatalogueMinima c;
    const std::vector<Vec3> x(4, Vec3{0, 0, 1});
    const double t = kMemeEnergie;
    c.Noter(2.0, 1, {"Td", {}}, x);
    c.Noter(3.0, 2, {"Td", {}}, x);
    c.Noter(3.0 + 0.5 * t, 3, {"C1", {}}, x);
    EXPECT_EQ(c.Reconnaitre(2.0, 0.0), 0);
    EXPECT_EQ(c.Reconnaitre(2.0 + 0.9 * t, 0.2 * t), 0);
    EXPECT_EQ(c.Reconnaitre(2.0 - 0.5 * t, 0.0), 0);
    EXPECT_EQ(c.Reconnaitre(2.0 + 1.5 * t, t), -1);  // may lie beyond kMemeEnergie above
    EXPECT_EQ(c.Reconnaitre(2.0, 3.0 * t), -1);      // or below
    EXPECT_EQ(c.Reconnaitre(2.0 - 1.5 * t, 0.0), -1);
    EXPECT_EQ(c.Reconnaitre(2.5, 0.0), -1);
    EXPECT_EQ(c.Reconnaitre(3.0 + 0.2 * t, 0.1 * t), -1);  // one of two
    EXPECT_EQ(c.Reconnaitre(5.0, 0.0), -1);
    c.Compter(c.Reconnaitre(3.0 - 0.6 * t, 0.0));
    EXPECT_EQ(c.Minima()[1].fois, 2);
    EXPECT_EQ(c.Minima()[2].fois, 1);
}

// Two kept: a lower newcomer takes the positions of the one it pushes out,
// which keeps its statistics.
TEST(CatalogueMinima, PositionsDesPlusBasSeulement) {
    CatalogueMinima c(2);
    const SignatureMinimum s;
    for (double e : {5.0, 4.0, 3.0, 6.0}) c.Noter(e, static_cast<long long>(e), s, std::vector<Vec3>(3, Vec3{e, 0, 0}));
    c.Noter(5.0, 9, s, std::vector<Vec3>(3));
    ASSERT_EQ(c.Minima().size(), 4u);
    const std::vector<size_t> gardees = {3, 3, 0, 0};
    for (size_t k = 0; k < 4; ++k) {
        EXPECT_EQ(c.Minima()[k].logEnergie, 3.0 + static_cast<double>(k));
        EXPECT_EQ(c.Minima()[k].positions.size(), gardees[k]) << k;
    }
    EXPECT_EQ(c.Minima()[1].positions[0].x, 4.0);  // its own, not a neighbour's
    EXPECT_EQ(c.Minima()[2].fois, 2);
}

// A search's minima noted as EXPLORER notes them (those their energy names
// counted without more) make the catalogue that finishing and classifying
// every one of them makes.
TEST(CatalogueMinima, ReconnaitreSansPolirDonneLeMemeCatalogue) {
    const int n = 90;
    Compter(n);
    CatalogueMinima tous;
    long long reconnus = 0;
    std::vector<Vec3> x = Depart(13, n);
    ParametresExploration p;
    p.sauts = 40;
    p.graines = {21};
    p.minimumDuSaut = [&](const MinimumDuSaut& m) {
        if (CatalogueCourant().Reconnaitre(m.logEnergie, m.ecart) >= 0) ++reconnus;
        NoterMinimum(m);
        std::vector<Vec3> y(m.positions.begin(), m.positions.end());
        ParametresDescente d;
        d.tolerance = kTolerancePolie;
        Minimiser(y, d);
        tous.Noter(LogEnergieRiesz(y, 1.0), m.saut, SignatureDe(y), y);
    };
    Explorer(x, p);
    const std::vector<MinimumCatalogue>& a = CatalogueCourant().Minima();
    const std::vector<MinimumCatalogue>& b = tous.Minima();
    // Most hops at this count meet a minimum again, among several.
    EXPECT_GT(reconnus, 20);
    ASSERT_EQ(a.size(), b.size());
    EXPECT_GE(a.size(), 4u);
    for (size_t k = 0; k < a.size(); ++k) {
        EXPECT_NEAR(a[k].logEnergie, b[k].logEnergie, kMemeEnergie) << k;
        EXPECT_EQ(a[k].fois, b[k].fois) << k;
        EXPECT_EQ(a[k].premierSaut, b[k].premierSaut) << k;
        EXPECT_EQ(a[k].signature, b[k].signature) << k;
    }
}

using Appel = std::tuple<long long, int, double>;

std::vector<Appel> Chercher(int n, const std::vector<long>& graines, long long sauts) {
    std::vector<Vec3> x = Depart(7, n);
    ParametresExploration p;
    p.sauts = sauts;
    p.graines = graines;
    std::vector<Appel> appels;
    p.minimumDuSaut = [&](const MinimumDuSaut& m) {
        EXPECT_EQ(m.positions.size(), static_cast<size_t>(n));
        appels.emplace_back(m.saut, m.marcheur, m.logEnergie);
    };
    const BilanExploration b = Explorer(x, p);
    double plusBas = 1e300;
    for (const Appel& a : appels) plusBas = std::min(plusBas, std::get<2>(a));
    EXPECT_NEAR(plusBas, b.logEnergie, 1e-10);  // the result is among the minima met
    return appels;
}

// Every hop of every walker once, the starts at hop 0, in (hop, walker)
// order, the same again from the same seeds.
TEST(CatalogueMinima, LesSautsDansLOrdreEtRepetables) {
    const std::vector<Appel> a = Chercher(24, {3, 5, 8}, 25);
    ASSERT_EQ(a.size(), 3u * 26u);
    for (size_t k = 0; k < a.size(); ++k) {
        EXPECT_EQ(std::get<0>(a[k]), static_cast<long long>(k / 3));
        EXPECT_EQ(std::get<1>(a[k]), static_cast<int>(k % 3));
    }
    EXPECT_EQ(Chercher(24, {3, 5, 8}, 25), a);
}

}  // namespace
