// Several walkers: the owner's order of the announcements, the meetings,
// a search that repeats from its seeds, and the restart from the lowest.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <thread>

#include "descente_outils.h"
#include "mathematiques/echange.h"
#include "mathematiques/exploration.h"

namespace {

Rapport Rap(int w, long long saut, double e = NAN, bool fin = false) {
    Rapport r;
    r.marcheur = w;
    r.saut = saut;
    r.minimum = !std::isnan(e);
    r.logEnergie = r.minimum ? e : 0.0;
    r.fin = fin;
    return r;
}

struct Vu {
    int marcheur;
    long long saut;
    double e;
    bool operator==(const Vu&) const = default;
};

// Feeds the reports in the order given, taking every announcement as soon
// as it is released.
std::vector<Vu> Annonces(const std::vector<Rapport>& arrivees) {
    AnnoncesDuGroupe a(3);
    std::vector<Vu> vus;
    for (Rapport r : arrivees) {
        a.Recevoir(std::move(r));
        for (Rapport m; a.Suivante(m);) vus.push_back({m.marcheur, m.saut, m.logEnergie});
    }
    EXPECT_TRUE(a.Fini());
    return vus;
}

// Three walkers' reports arriving walker after walker, in reverse, and
// round the walkers: the same announcements, in the order of (hop, walker),
// each lower than the one before.
TEST(Annonces, OrdreDesSautsPuisDesMarcheursQuelleQueSoitLArrivee) {
    const std::vector<std::vector<Rapport>> parMarcheur = {
        {Rap(0, 0, 10.0), Rap(0, 1), Rap(0, 2, 9.0), Rap(0, 3), Rap(0, 3, NAN, true)},
        {Rap(1, 0, 10.0), Rap(1, 1, 9.5), Rap(1, 2), Rap(1, 3, 8.0), Rap(1, 3, NAN, true)},
        {Rap(2, 0, 10.0), Rap(2, 1, 9.2), Rap(2, 2, 8.5), Rap(2, 3, 8.7), Rap(2, 3, NAN, true)},
    };
    const std::vector<Vu> attendu = {{0, 0, 10.0}, {1, 1, 9.5}, {2, 1, 9.2}, {0, 2, 9.0}, {2, 2, 8.5}, {1, 3, 8.0}};
    std::vector<Rapport> suite, inverse, tour;
    for (int w = 0; w < 3; ++w) suite.insert(suite.end(), parMarcheur[w].begin(), parMarcheur[w].end());
    for (int w = 2; w >= 0; --w) inverse.insert(inverse.end(), parMarcheur[w].begin(), parMarcheur[w].end());
    for (size_t k = 0; k < 5; ++k) {
        for (int w : {1, 2, 0}) tour.push_back(parMarcheur[w][k]);
    }
    EXPECT_EQ(Annonces(suite), attendu);
    EXPECT_EQ(Annonces(inverse), attendu);
    EXPECT_EQ(Annonces(tour), attendu);
}

// A minimum is held back while a walker before it in the order may still
// report something that comes first.
TEST(Annonces, RetenueTantQueLesAutresNOntPasFini) {
    AnnoncesDuGroupe a(3);
    Rapport m;
    a.Recevoir(Rap(1, 0, 5.0));
    EXPECT_FALSE(a.Suivante(m));  // walker 0 may still report hop 0
    a.Recevoir(Rap(0, 0));
    ASSERT_TRUE(a.Suivante(m));   // walker 2's hop 0 comes after walker 1's
    EXPECT_EQ(m.marcheur, 1);
    EXPECT_EQ(a.SautsFinis(), 0);
    a.Recevoir(Rap(2, 7, 4.0));
    EXPECT_FALSE(a.Suivante(m));  // walkers 0 and 1 are at hop 0
    a.Recevoir(Rap(0, 7, NAN, true));
    a.Recevoir(Rap(1, 6));
    EXPECT_FALSE(a.Suivante(m));  // walker 1 may still report hop 7
    a.Recevoir(Rap(1, 7));
    ASSERT_TRUE(a.Suivante(m));
    EXPECT_EQ(m.saut, 7);
    EXPECT_EQ(a.LogMeilleur(), 4.0);
    EXPECT_EQ(a.SautMeilleur(), 7);
    EXPECT_EQ(a.SautsFinis(), 7);
    EXPECT_FALSE(a.Fini());
}

// Every walker leaves a meeting with the lowest (ties to the lower walker)
// and with the stop any one of them asked for, meeting after meeting.
TEST(Rencontres, LePlusBasEtLArretPourTous) {
    std::vector<Rapport> rapports;
    EchangeFils echange(3, [](Rapport&&) {});
    const double energies[2][3] = {{3.0, 1.0, 1.0}, {2.0, 5.0, 0.5}};
    double recus[2][3];
    std::vector<Vec3> positions[2][3];
    bool arrets[2][3];
    std::vector<std::thread> fils;
    for (int w = 0; w < 3; ++w) {
        fils.emplace_back([&, w] {
            for (int tour = 0; tour < 2; ++tour) {
                double e = energies[tour][w];
                std::vector<Vec3> x(2, Vec3{static_cast<double>(w), static_cast<double>(tour), 0.0});
                arrets[tour][w] = echange.Rencontrer(w, e, x, tour == 1 && w == 2);
                recus[tour][w] = e;
                positions[tour][w] = x;
            }
        });
    }
    for (std::thread& f : fils) f.join();
    for (int w = 0; w < 3; ++w) {
        EXPECT_EQ(recus[0][w], 1.0);
        EXPECT_EQ(positions[0][w][1].x, 1.0);  // walker 1's, not walker 2's
        EXPECT_FALSE(arrets[0][w]);
        EXPECT_EQ(recus[1][w], 0.5);
        EXPECT_EQ(positions[1][w][0].x, 2.0);
        EXPECT_EQ(positions[1][w][0].y, 1.0);
        EXPECT_TRUE(arrets[1][w]);
    }
}

struct Trace {
    std::vector<std::pair<long long, double>> annonces;
    BilanExploration bilan;
    std::vector<Vec3> fin;
};

Trace Chercher(int n, const std::vector<long>& graines, long long sauts, long long partage = kPartage) {
    Trace t;
    t.fin = descente::Aleatoires(n, 8);
    ParametresExploration p;
    p.sauts = sauts;
    p.graines = graines;
    p.partage = partage;
    p.nouveauMinimum = [&t](long long s, double e, std::span<const Vec3>) { t.annonces.emplace_back(s, e); };
    t.bilan = Explorer(t.fin, p);
    return t;
}

// Two walkers on threads of their own: what they announce and find comes
// from their seeds alone, however the threads run.
TEST(Marcheurs, LaMemeRechercheAvecLesMemesGraines) {
    const Trace a = Chercher(48, {11, 12}, 30);
    EXPECT_EQ(a.bilan.marcheurs, 2);
    EXPECT_EQ(a.bilan.sauts, 60);
    ASSERT_FALSE(a.annonces.empty());
    EXPECT_EQ(a.annonces.back().second, a.bilan.logEnergie);
    EXPECT_NEAR(std::log(static_cast<double>(descente::EnergieQuad(a.fin, 1.0))), a.bilan.logEnergie, 1e-13);
    for (int fois = 0; fois < 3; ++fois) {
        const Trace b = Chercher(48, {11, 12}, 30);
        EXPECT_EQ(b.annonces, a.annonces);
        EXPECT_EQ(b.bilan.evaluations, a.bilan.evaluations);
        for (size_t i = 0; i < a.fin.size(); ++i) ASSERT_EQ(b.fin[i].x, a.fin[i].x) << i;
    }
    // Another seed for the second walker, another search.
    EXPECT_NE(Chercher(48, {11, 13}, 30).bilan.evaluations, a.bilan.evaluations);
}

// A meeting that brings a minimum far below the walker's: the walker goes
// on from it, so that nothing it reports afterwards is above it.
class Rabattre final : public Echange {
public:
    Rabattre(double logE, std::vector<Vec3> x) : logE_(logE), x_(std::move(x)) {}
    bool Rencontrer(int, double& logEnergie, std::vector<Vec3>& x, bool arreter) override {
        ++rencontres;
        if (logE_ < logEnergie) {
            logEnergie = logE_;
            x = x_;
        }
        return arreter;
    }
    void Rapporter(Rapport&& r) override { rapports.push_back(std::move(r)); }
    int rencontres = 0;
    std::vector<Rapport> rapports;

private:
    double logE_;
    std::vector<Vec3> x_;
};

TEST(Marcheurs, RepartDuPlusBasDuGroupe) {
    const int n = 60;
    std::vector<Vec3> bas = descente::Aleatoires(n, 3);
    ParametresExploration p;
    p.sauts = 40;
    const BilanExploration b = Explorer(bas, p);
    Rabattre groupe(b.logEnergie, bas);
    std::vector<Vec3> x = descente::Aleatoires(n, 4);
    p.partage = 10;
    Marcher(x, p, 0, 99, groupe);
    EXPECT_EQ(groupe.rencontres, 4);
    ASSERT_GE(groupe.rapports.size(), 41u);
    EXPECT_GT(groupe.rapports.front().logEnergie, b.logEnergie);  // the start's own minimum
    for (const Rapport& r : groupe.rapports) {
        if (r.saut > 10 && r.minimum) {
            EXPECT_LT(r.logEnergie, b.logEnergie) << r.saut;
        }
    }
    EXPECT_TRUE(groupe.rapports.back().fin);
    EXPECT_EQ(groupe.rapports.back().sauts, 40);
}

}  // namespace
