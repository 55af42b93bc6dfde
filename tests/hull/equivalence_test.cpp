// The grid search and the plain scan must build the very same hull as the
// reference: same edges and faces in the same order, same degrees and steps.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "hull/emballage.h"
#include "nuages.h"
#include "reference.h"

namespace {

struct Construit {
    std::vector<HullEdge> edges;
    std::vector<HullFace> faces;
    std::vector<int32_t> degree;
    BilanEnveloppe bilan;
};

Construit Construire(const std::vector<Vec3>& p, Recherche mode) {
    const int n = static_cast<int>(p.size());
    Construit c;
    c.edges.assign(std::max(3 * n - 6, 3), HullEdge{-1, -1});
    c.faces.assign(std::max(2 * n - 4, 2), HullFace{{-1, -1, -1}});
    c.bilan = Envelopper(p, c.edges, c.faces, c.degree, mode);
    return c;
}

// Compares edge by edge and face by face; stops at the first difference.
void ComparerAReference(const Nuage& nuage, const Construit& c, const char* mode) {
    SCOPED_TRACE(nuage.name + " / " + mode);
    const int n = static_cast<int>(nuage.points.size());
    const EnveloppeReference r = EnvelopperReference(nuage.points, std::max(3 * n - 6, 3), std::max(2 * n - 4, 2));
    ASSERT_EQ(c.bilan.steps, r.steps);
    ASSERT_EQ(c.bilan.complete, r.complete);
    ASSERT_EQ(c.bilan.edgeCount, static_cast<int>(r.edges.size()));
    ASSERT_EQ(c.bilan.faceCount, static_cast<int>(r.faces.size()));
    for (int e = 0; e < c.bilan.edgeCount; ++e) {
        ASSERT_EQ(c.edges[e].lo, r.edges[e][0]) << "edge " << e;
        ASSERT_EQ(c.edges[e].hi, r.edges[e][1]) << "edge " << e;
    }
    for (int f = 0; f < c.bilan.faceCount; ++f) {
        for (int v = 0; v < 3; ++v) ASSERT_EQ(c.faces[f].v[v], r.faces[f][v]) << "face " << f;
    }
    for (int i = 0; i < n; ++i) ASSERT_EQ(c.degree[i], r.degree[i]) << "particle " << i;
}

void ComparerLesTrois(const Nuage& nuage) {
    const Construit c = Construire(nuage.points, Recherche::Grille);
    ComparerAReference(nuage, c, "grille");
    ComparerAReference(nuage, Construire(nuage.points, Recherche::Balayage), "balayage");
}

}  // namespace

TEST(Equivalence, GridAndScanMatchTheReferenceOnVariedSets) {
    for (const Nuage& nuage : Catalogue()) {
        ComparerLesTrois(nuage);
        if (HasFatalFailure()) return;
    }
}

// Lattices and spirals nudged by 1 down to 1e-13, tight clusters, thin caps,
// duplicates and rings mixed with random points: ties and near ties.
std::vector<Vec3> TirerNuage(int kind, std::mt19937_64& rng) {
    const int n = 3 + static_cast<int>(rng() % 200);
    auto echelle = [&](int decades) { return std::pow(10.0, -static_cast<int>(rng() % decades)); };
    auto bouger = [&](std::vector<Vec3> p, double eps) {
        std::normal_distribution<double> g;
        for (Vec3& v : p) {
            v += Vec3{eps * g(rng), eps * g(rng), eps * g(rng)};
            setLength(v, 1.0);
        }
        return p;
    };
    switch (kind) {
        case 0: return bouger(Anneaux(2 + rng() % 12, 3 + rng() % 20), echelle(14));
        case 1: return bouger(Spirale(n), echelle(14));
        case 2: return Amas(n, 1 + rng() % 4, echelle(8), rng());
        case 3: return Quantifie(n, 0.02 + 0.003 * (rng() % 100), rng());
        case 4: return Calotte(n, 1.0 - echelle(10), rng());
        case 5: return bouger(Doublons(n, rng()), rng() % 2 ? 0.0 : 1e-13);
        default: {
            std::vector<Vec3> p = Anneaux(2 + rng() % 8, 3 + rng() % 12);
            const std::vector<Vec3> q = Aleatoire(n, rng());
            p.insert(p.end(), q.begin(), q.end());
            std::shuffle(p.begin(), p.end(), rng);
            return p;
        }
    }
}

TEST(Equivalence, GridMatchesTheReferenceOnNearTies) {
    std::mt19937_64 rng(12345);
    for (int i = 0; i < 280; ++i) {
        const Nuage nuage{"tirage " + std::to_string(i), TirerNuage(i % 7, rng)};
        ComparerAReference(nuage, Construire(nuage.points, Recherche::Grille), "grille");
        if (HasFatalFailure()) return;
    }
}

TEST(Equivalence, GeneralPositionGivesTheClosedCounts) {
    for (const Nuage& nuage : {Nuage{"aleatoire", Aleatoire(1000, 5)}, Nuage{"spirale", Spirale(999)}}) {
        const int n = static_cast<int>(nuage.points.size());
        const Construit c = Construire(nuage.points, Recherche::Grille);
        EXPECT_TRUE(c.bilan.complete) << nuage.name;
        EXPECT_EQ(c.bilan.steps, 2 * n - 5) << nuage.name;
        EXPECT_EQ(c.bilan.faceCount, 2 * n - 4) << nuage.name;
        EXPECT_EQ(c.bilan.edgeCount, 3 * n - 6) << nuage.name;
        // The grid search did the work, with at most a few full scans.
        EXPECT_TRUE(c.bilan.grille) << nuage.name;
        EXPECT_LE(c.bilan.replis, 5) << nuage.name;
    }
}

// Every face's plane leaves all the points on one of its sides. The centre
// is no guide: a few points can leave it outside their hull.
void VerifierFacesDeBord(const std::vector<Vec3>& p, const Construit& c) {
    for (int f = 0; f < c.bilan.faceCount; ++f) {
        const Vec3& a = p[c.faces[f].v[0]];
        const Vec3 normale = cross(difference(p[c.faces[f].v[1]], a), difference(p[c.faces[f].v[2]], a));
        double devant = 0.0, derriere = 0.0;
        for (const Vec3& q : p) {
            const double cote = dot(normale, difference(q, a)) / norm(normale);
            devant = std::max(devant, cote);
            derriere = std::max(derriere, -cote);
        }
        ASSERT_LE(std::min(devant, derriere), 1e-12) << "face " << f << " of " << p.size() << " points";
    }
}

// The pivot's first plane is square to the midpoint of the two lowest
// points, so it cuts a cap of their chord's width; a point inside that cap,
// higher than both, once made the first face cross the hull and the wrap
// close early on a few hundred faces (seen on 5000 random points).
TEST(Equivalence, APointInsideTheFirstChordsCapStillGivesTheWholeHull) {
    auto polaire = [](double theta, double phi) {
        return Vec3{std::sin(theta) * std::cos(phi), std::sin(theta) * std::sin(phi), -std::cos(theta)};
    };
    const double pi = std::acos(-1.0);
    std::vector<Vec3> p = Calotte(40, 0.0, 3);
    p.push_back(polaire(0.05, 0.0));                   // d, the lowest
    p.push_back(polaire(0.0501, pi / 2));              // g, the second lowest
    p.push_back(polaire(1.3 * 0.0501, pi / 4));        // inside the cap of d-g's chord, above g
    p.push_back(polaire(1.3 * 0.0501, pi / 4 + 0.3));  // and a neighbour beside it
    const int n = static_cast<int>(p.size());
    for (Recherche mode : {Recherche::Grille, Recherche::Balayage}) {
        const Construit c = Construire(p, mode);
        EXPECT_TRUE(c.bilan.complete);
        EXPECT_EQ(c.bilan.faceCount, 2 * n - 4);
        EXPECT_EQ(c.bilan.edgeCount, 3 * n - 6);
        VerifierFacesDeBord(p, c);
    }
    ComparerLesTrois({"calotte de la corde", p});

    // Small random sets, a third of them in a thin polar cap: before the
    // mend about one in sixty came out open or with a face across the hull,
    // and a mend that judged sides by the centre still failed one.
    std::mt19937_64 rng(7);
    std::normal_distribution<double> gauss;
    for (int tirage = 0; tirage < 15000; ++tirage) {
        std::vector<Vec3> q(4 + rng() % 60);
        for (Vec3& v : q) {
            v = {gauss(rng), gauss(rng), gauss(rng)};
            setLength(v, 1.0);
        }
        if (tirage % 3 == 0) {
            for (Vec3& v : q) {
                v.z = -std::abs(v.z) * 0.05 - 0.99;
                setLength(v, 1.0);
            }
        }
        const int m = static_cast<int>(q.size());
        const Construit c = Construire(q, Recherche::Grille);
        ASSERT_TRUE(c.bilan.complete) << "tirage " << tirage;
        ASSERT_EQ(c.bilan.faceCount, 2 * m - 4) << "tirage " << tirage;
        VerifierFacesDeBord(q, c);
        if (HasFatalFailure()) return;
    }
}

TEST(Equivalence, DegenerateSetsMatchAndStayWithinTheArrays) {
    std::vector<Nuage> sets{{"grand cercle", GrandCercle(300, 3)},
                            {"doublons", Doublons(400, 4)},
                            {"doublons impairs", Doublons(51, 5)},
                            {"tous confondus", std::vector<Vec3>(50, Vec3{0.6, 0.0, 0.8})}};
    std::vector<Vec3> avecNan = Aleatoire(200, 6);
    avecNan[17] = {std::nan(""), 0.0, 0.0};
    sets.push_back({"un NaN", avecNan});
    std::vector<Vec3> avecInf = Aleatoire(200, 7);
    avecInf[0] = {std::numeric_limits<double>::infinity(), 0.0, 1.0};
    sets.push_back({"un infini", avecInf});
    sets.push_back({"tous NaN", std::vector<Vec3>(30, Vec3{std::nan(""), std::nan(""), std::nan("")})});
    std::vector<Vec3> dedans = Aleatoire(300, 8);
    for (Vec3& v : dedans) v *= 0.5;
    sets.push_back({"rayon 0.5", dedans});
    std::vector<Vec3> dehors = Aleatoire(300, 9);
    for (Vec3& v : dehors) v *= 3.0;
    sets.push_back({"rayon 3", dehors});
    for (const Nuage& nuage : sets) {
        ComparerLesTrois(nuage);
        if (HasFatalFailure()) return;
    }
}

TEST(Equivalence, TooFewPointsOrTooSmallArraysBuildNothing) {
    std::vector<HullEdge> edges(3);
    std::vector<HullFace> faces(2);
    std::vector<int32_t> degree;
    const BilanEnveloppe two = Envelopper(Aleatoire(2, 1), edges, faces, degree, Recherche::Grille);
    EXPECT_EQ(two.faceCount, 0);
    EXPECT_EQ(degree.size(), 2u);
    std::vector<HullEdge> tooFew(2);
    const BilanEnveloppe cramped = Envelopper(Aleatoire(10, 1), tooFew, faces, degree, Recherche::Grille);
    EXPECT_EQ(cramped.edgeCount, 0);
    EXPECT_EQ(degree, std::vector<int32_t>(10, 0));
}
