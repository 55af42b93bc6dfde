// EXPLORER's basin hopping and TAMMES's polish.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <vector>

#include "descente_outils.h"
#include "etat/parallele.h"
#include "mathematiques/exploration.h"
#include "mathematiques/minimisation.h"
#include "mathematiques/saut_tammes.h"
#include "mathematiques/tammes.h"

namespace {

using descente::Aleatoires;

struct Annonce {
    long long saut;
    double logEnergie;
};

// N = 122 from a random start: the first descent stops above the published
// minimum, the hops reach it; each announcement is lower than the last and
// the result is the last one.
TEST(Exploration, AtteintLeMinimumPublie) {
    std::vector<Vec3> x = Aleatoires(122, 1);
    std::vector<Annonce> annonces;
    ParametresExploration p;
    p.sauts = 400;
    std::atomic<bool> arret{false};
    p.arret = &arret;
    p.nouveauMinimum = [&](long long saut, double e, std::span<const Vec3> positions) {
        annonces.push_back({saut, e});
        EXPECT_NEAR(std::log(static_cast<double>(descente::EnergieQuad(positions, 1.0))), e, 1e-13);
        if (std::abs(std::exp(e) - 6698.374499261) < 1e-6) arret = true;
    };
    const BilanExploration b = Explorer(x, p);
    ASSERT_GE(annonces.size(), 2u);
    EXPECT_EQ(annonces[0].saut, 0);
    for (size_t k = 1; k < annonces.size(); ++k) {
        EXPECT_GT(annonces[k].saut, annonces[k - 1].saut);
        EXPECT_LT(annonces[k].logEnergie, annonces[k - 1].logEnergie);
    }
    EXPECT_NEAR(std::exp(b.logEnergie), 6698.374499261, 1e-6);
    EXPECT_EQ(b.logEnergie, annonces.back().logEnergie);
    EXPECT_EQ(b.meilleurSaut, annonces.back().saut);
    EXPECT_NEAR(static_cast<double>(descente::EnergieQuad(x, 1.0)), 6698.374499261, 1e-6);
}

// The same seed gives the same search, hop for hop, whatever the exponent;
// 12 hops pass the temperature's first change (every kFenetre = 10 hops).
TEST(Exploration, ReproductibleAvecLaMemeGraine) {
    for (double s : {1.0, 6.0}) {
        std::vector<Annonce> premiere, seconde;
        std::vector<Vec3> a = Aleatoires(40, 2), b = Aleatoires(40, 2);
        ParametresExploration p;
        p.sauts = 12;
        p.descente.exposant = s;
        InitialiserHasard(77);
        p.nouveauMinimum = [&](long long saut, double e, std::span<const Vec3>) { premiere.push_back({saut, e}); };
        const BilanExploration ba = Explorer(a, p);
        InitialiserHasard(77);
        p.nouveauMinimum = [&](long long saut, double e, std::span<const Vec3>) { seconde.push_back({saut, e}); };
        const BilanExploration bb = Explorer(b, p);
        ASSERT_EQ(premiere.size(), seconde.size());
        for (size_t k = 0; k < premiere.size(); ++k) EXPECT_EQ(premiere[k].saut, seconde[k].saut);
        EXPECT_EQ(ba.logEnergie, bb.logEnergie);
        EXPECT_EQ(ba.evaluations, bb.evaluations);
        EXPECT_EQ(ba.sauts, 12);
        for (size_t i = 0; i < a.size(); ++i) ASSERT_EQ(a[i].z, b[i].z);
    }
}

// Stopped after the first hop's descent: the lowest minimum so far is left.
TEST(Exploration, ArretGardeLeMeilleur) {
    std::vector<Vec3> x = Aleatoires(50, 3);
    std::atomic<bool> arret{false};
    double annoncee = 0.0;
    ParametresExploration p;
    p.sauts = 1000000;
    p.arret = &arret;
    p.nouveauMinimum = [&](long long, double e, std::span<const Vec3>) {
        annoncee = e;
        arret = true;
    };
    const BilanExploration b = Explorer(x, p);
    EXPECT_EQ(b.sauts, 0);
    EXPECT_EQ(b.logEnergie, annoncee);
    EXPECT_NEAR(std::log(static_cast<double>(descente::EnergieQuad(x, 1.0))), annoncee, 1e-13);
}

// EXPLORER in Tammes mode (seeds given, one walker).
ParametresExploration ExplorationTammes(long long sauts, long graine) {
    ParametresExploration p;
    p.sauts = sauts;
    p.descente.exposant = kExposantTammes;
    p.descendre = DescenteTammes;
    p.graines = {graine};
    return p;
}

// The regular solids' edges, from their vertices: (1, 0, 0) and (0, 1, 0) of
// the octahedron, (0, 1, phi) and (0, -1, phi) of the icosahedron.
TEST(ExplorationTammes, AtteintLesSolidesReguliers) {
    const double phi = (1.0 + std::sqrt(5.0)) / 2.0;
    const double octaedre = std::sqrt(2.0);
    const double icosaedre = 2.0 / std::sqrt(1.0 + phi * phi);
    for (auto [n, attendue] : {std::pair{6, octaedre}, std::pair{12, icosaedre}}) {
        std::vector<Vec3> x = Aleatoires(n, 4);
        std::vector<double> annonces;
        ParametresExploration p = ExplorationTammes(15, 9);
        p.nouveauMinimum = [&](long long, double mesure, std::span<const Vec3> positions) {
            annonces.push_back(DistanceDeMesure(mesure));
            std::vector<Vec3> y(positions.begin(), positions.end());
            EXPECT_NEAR(descente::DistanceMin(y), DistanceDeMesure(mesure), 1e-15);
        };
        const BilanExploration b = Explorer(x, p);
        ASSERT_FALSE(annonces.empty());
        for (size_t k = 1; k < annonces.size(); ++k) EXPECT_GT(annonces[k], annonces[k - 1]) << n;
        EXPECT_NEAR(descente::DistanceMin(x), attendue, 1e-9) << n;
        EXPECT_EQ(DistanceDeMesure(b.logEnergie), annonces.back()) << n;
        EXPECT_EQ(b.sauts, 15);
    }
}

// The same seed, the same search; the hops there do move the configuration
// (N = 20 has several Tammes basins): two seeds part somewhere.
TEST(ExplorationTammes, ReproductibleAvecLaMemeGraine) {
    std::vector<std::vector<Vec3>> fins;
    std::vector<long long> evaluations;
    for (long graine : {5L, 5L, 6L}) {
        std::vector<Vec3> x = Aleatoires(20, 8);
        const BilanExploration b = Explorer(x, ExplorationTammes(12, graine));
        fins.push_back(x);
        evaluations.push_back(b.evaluations);
    }
    EXPECT_EQ(evaluations[0], evaluations[1]);
    EXPECT_NE(evaluations[0], evaluations[2]);
    for (size_t i = 0; i < fins[0].size(); ++i) ASSERT_EQ(fins[0][i].y, fins[1][i].y) << i;
}

// The sequence of the help: S 12, MINIMISER, S 96, MINIMISER, TAMMES.
double SequenceDeTammes(int n, long graine, int* contacts = nullptr) {
    std::vector<Vec3> x = Aleatoires(n, graine);
    ParametresDescente d;
    d.iterationsMax = 10000;
    d.exposant = 12.0;
    Minimiser(x, d);
    d.exposant = 96.0;
    Minimiser(x, d);
    ParametresTammes t;
    const BilanTammes b = PolirTammes(x, t);
    EXPECT_EQ(b.fin, FinTammes::stationnaire);
    EXPECT_GE(b.distanceApres, b.distanceAvant);
    EXPECT_EQ(b.distanceApres, descente::DistanceMin(x));
    if (contacts != nullptr) *contacts = b.contacts;
    return b.distanceApres;
}

TEST(Tammes, AtteintLesDistancesPubliees) {
    for (long graine : {1, 2, 3, 4}) {
        int contacts = 0;
        EXPECT_NEAR(SequenceDeTammes(12, graine, &contacts), 1.0514622242, 1e-6);
        EXPECT_EQ(contacts, 30);  // the icosahedron's edges
        EXPECT_NEAR(SequenceDeTammes(24, graine, &contacts), 0.7442063310, 1e-6);
        EXPECT_EQ(contacts, 60);  // the snub cube's edges
    }
}

// Each iteration keeps or raises the smallest distance, and the distance it
// announces is that of the positions. From this start moves are refused from
// the 31st iteration on: 60 of them see refusals.
TEST(Tammes, NeBaisseJamaisLaDistanceMinimale) {
    const std::vector<Vec3> depart = Aleatoires(40, 5);
    std::vector<Vec3> x = depart;
    std::vector<double> distances;
    ParametresTammes t;
    t.iterationsMax = 60;
    t.apresIteration = [&](long long iteration, double distance) {
        EXPECT_EQ(iteration, static_cast<long long>(distances.size()) + 1);
        distances.push_back(distance);
    };
    const BilanTammes b = PolirTammes(x, t);
    EXPECT_EQ(b.iterations, static_cast<long long>(distances.size()));
    EXPECT_LE(b.iterations, 60);
    double precedente = descente::DistanceMin(depart);
    for (size_t i = 0; i < distances.size(); ++i) {
        EXPECT_GE(distances[i], precedente) << i + 1;
        precedente = distances[i];
    }
    // The distance announced is that of the positions left.
    EXPECT_EQ(b.distanceApres, precedente);
    EXPECT_NEAR(descente::DistanceMin(x), b.distanceApres, 1e-14);
    EXPECT_GT(b.distanceApres, 1.2 * descente::DistanceMin(depart));
}

TEST(Tammes, IcosaedreStationnaireEtArret) {
    std::vector<Vec3> x = descente::Icosaedre();
    const double d = descente::DistanceMin(x);
    const BilanTammes b = PolirTammes(x, {});
    EXPECT_EQ(b.fin, FinTammes::stationnaire);
    EXPECT_NEAR(b.distanceApres, d, 1e-15);
    EXPECT_EQ(b.contacts, 30);

    std::atomic<bool> arret{true};
    std::vector<Vec3> y = Aleatoires(30, 6);
    const std::vector<Vec3> avant = y;
    ParametresTammes t;
    t.arret = &arret;
    const BilanTammes c = PolirTammes(y, t);
    EXPECT_EQ(c.fin, FinTammes::arret);
    EXPECT_EQ(c.iterations, 0);
    for (size_t i = 0; i < y.size(); ++i) EXPECT_EQ(y[i].x, avant[i].x);
}

// A stop raised while a program is being solved ends the call between two
// slices of the simplex: the program is not counted and nothing moves. A
// relaxed set: many pairs near the smallest distance, a first program of
// many pivots.
TEST(Tammes, ArretPendantLaResolution) {
    std::vector<Vec3> x = Aleatoires(300, 3);
    ParametresDescente relaxation;
    relaxation.iterationsMax = 100;
    Minimiser(x, relaxation);
    const std::vector<Vec3> avant = x;
    std::atomic<bool> arret{false};
    long long tranches = 0, pivots = 0;
    ParametresTammes t;
    t.arret = &arret;
    t.pivotsParTranche = 5;
    t.pendantResolution = [&](long long p) {
        ++tranches;
        pivots = p;
        arret = true;
    };
    const BilanTammes b = PolirTammes(x, t);
    EXPECT_EQ(b.fin, FinTammes::arret);
    EXPECT_EQ(b.iterations, 0);
    EXPECT_EQ(tranches, 1);
    EXPECT_EQ(pivots, 5);
    EXPECT_EQ(b.pivots, 5);
    for (size_t i = 0; i < x.size(); ++i) ASSERT_EQ(x[i].x, avant[i].x) << i;

    // Without the stop, the same slices go on to the end of each program.
    std::vector<Vec3> y = avant;
    t.arret = nullptr;
    t.iterationsMax = 3;
    tranches = 0;
    t.pendantResolution = [&](long long) { ++tranches; };
    const BilanTammes c = PolirTammes(y, t);
    EXPECT_EQ(c.fin, FinTammes::iterations);
    EXPECT_EQ(c.iterations, 3);
    EXPECT_GT(tranches, 1);
    EXPECT_GT(c.distanceApres, c.distanceAvant);
}

// Only the particles of the program's pairs move: from a random start the
// first program holds the few pairs near the smallest distance, and every
// other particle keeps its position to the bit.
TEST(Tammes, LesParticulesHorsDuProgrammeNeBougentPas) {
    std::vector<Vec3> x = Aleatoires(60, 11);
    const std::vector<Vec3> avant = x;
    const double d = descente::DistanceMin(x);
    ParametresTammes t;
    t.iterationsMax = 1;
    const BilanTammes b = PolirTammes(x, t);
    ASSERT_EQ(b.pas, 1);
    int bougees = 0;
    for (size_t i = 0; i < x.size(); ++i) {
        bool proche = false;
        for (size_t j = 0; j < x.size(); ++j) proche = proche || (j != i && norm(difference(avant[i], avant[j])) < 1.16 * d);
        const bool bouge = x[i].x != avant[i].x || x[i].y != avant[i].y || x[i].z != avant[i].z;
        bougees += bouge;
        if (!proche) {
            EXPECT_FALSE(bouge) << "particle " << i;
        }
    }
    EXPECT_GE(bougees, 2);
    EXPECT_LT(bougees, 20);
}

// Solved in pieces (forced at N = 300, pieces of about 60 particles): every
// kept move raises the smallest distance although each piece sees only its
// half of the margin of a pair across a border, the moves mostly hold, the
// gain is of the order of the single program's, and the positions are the
// same to the bit on one worker or two.
TEST(Tammes, EnMorceaux) {
    std::vector<Vec3> depart = Aleatoires(300, 3);
    ParametresDescente relaxation;
    relaxation.iterationsMax = 100;
    Minimiser(depart, relaxation);
    ParametresTammes t;
    t.iterationsMax = 20;
    std::vector<Vec3> entier = depart;
    const BilanTammes u = PolirTammes(entier, t);

    t.particulesParMorceau = 60;
    std::vector<std::vector<Vec3>> fins;
    for (int equipe : {1, 2}) {
        ImposerEquipe(equipe);
        std::vector<Vec3> x = depart;
        double precedente = descente::DistanceMin(depart);
        t.apresIteration = [&](long long, double distance) {
            EXPECT_GE(distance, precedente);
            precedente = distance;
        };
        const BilanTammes b = PolirTammes(x, t);
        EXPECT_EQ(b.iterations, 20);
        EXPECT_GE(b.pas, 16);
        EXPECT_EQ(b.distanceApres, descente::DistanceMin(x));
        EXPECT_GT(b.distanceApres - b.distanceAvant, 0.5 * (u.distanceApres - u.distanceAvant));
        fins.push_back(x);
    }
    ImposerEquipe(0);
    for (size_t i = 0; i < fins[0].size(); ++i) ASSERT_EQ(fins[0][i].z, fins[1][i].z) << i;
}

}  // namespace
