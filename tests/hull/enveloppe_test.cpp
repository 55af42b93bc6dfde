// CalculerEnveloppe on the global state: counts, order, degrees, the printed
// step count, the cache flag and the lock.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <future>
#include <map>
#include <set>
#include <thread>

#include "etat/modes.h"
#include "etat_hull.h"
#include "nuages.h"

namespace {

class Enveloppe : public ::testing::Test {
protected:
    void SetUp() override { modes.dual = false; }
    void TearDown() override { modes.dual = false; }

    static std::string Construire(bool printCount) {
        return CapturerSortie([&] { CalculerEnveloppe(printCount); });
    }
};

std::array<int, 3> Trie(const HullFace& f) {
    std::array<int, 3> v{f.v[0], f.v[1], f.v[2]};
    std::sort(v.begin(), v.end());
    return v;
}

// Every edge is in exactly two faces, every face's edges are listed once.
void VerifierSurfaceFermee() {
    std::map<std::pair<int, int>, int> facesParArete;
    for (int e = 0; e < enveloppe.edgeCount; ++e) {
        const int lo = std::min(enveloppe.edges[e].lo, enveloppe.edges[e].hi);
        const int hi = std::max(enveloppe.edges[e].lo, enveloppe.edges[e].hi);
        EXPECT_TRUE(facesParArete.emplace(std::pair{lo, hi}, 0).second) << "edge listed twice " << lo << "-" << hi;
    }
    for (int f = 0; f < enveloppe.faceCount; ++f) {
        const std::array<int, 3> v = Trie(enveloppe.faces[f]);
        for (const auto& arete : {std::pair{v[0], v[1]}, std::pair{v[0], v[2]}, std::pair{v[1], v[2]}}) {
            auto it = facesParArete.find(arete);
            ASSERT_NE(it, facesParArete.end()) << "face " << f << " has an unlisted edge";
            ++it->second;
        }
    }
    for (const auto& [arete, faces] : facesParArete) EXPECT_EQ(faces, 2) << arete.first << "-" << arete.second;
}

TEST_F(Enveloppe, ThreeParticlesMakeTwoFacesOnTheSameVertices) {
    PlacerParticules({{0.0, 0.8, 0.6}, {0.6, 0.0, -0.8}, {-1.0, 0.0, 0.0}});
    EXPECT_TRUE(EstLigneIterations(Construire(true), 1));
    ASSERT_EQ(enveloppe.faceCount, 2);
    ASSERT_EQ(enveloppe.edgeCount, 3);
    EXPECT_EQ(Trie(enveloppe.faces[0]), Trie(enveloppe.faces[1]));
    // The first face is (lowest, second lowest, third).
    EXPECT_EQ(enveloppe.faces[0].v[0], 1);
    EXPECT_EQ(enveloppe.faces[0].v[1], 2);
    EXPECT_EQ(enveloppe.faces[0].v[2], 0);
    for (const ParticleRecord& p : etat.particles) EXPECT_EQ(p.degree, 2);
    EXPECT_TRUE(enveloppe.complete);
    EXPECT_TRUE(hullValid);
}

TEST_F(Enveloppe, FourParticlesMakeATetrahedron) {
    PlacerParticules({{0.0, 0.0, 1.0}, {0.94, 0.0, -0.34}, {-0.47, 0.82, -0.33}, {-0.47, -0.81, -0.35}});
    for (ParticleRecord& p : etat.particles) setLength(p.position, 1.0);
    EXPECT_TRUE(EstLigneIterations(Construire(true), 3));
    EXPECT_EQ(enveloppe.faceCount, 4);
    EXPECT_EQ(enveloppe.edgeCount, 6);
    for (const ParticleRecord& p : etat.particles) EXPECT_EQ(p.degree, 3);
    VerifierSurfaceFermee();
}

TEST_F(Enveloppe, FourHundredRandomParticles) {
    const int n = 400;
    PlacerParticules(Aleatoire(n, 400));
    EXPECT_TRUE(EstLigneIterations(Construire(true), 795));
    EXPECT_EQ(enveloppe.faceCount, 796);
    EXPECT_EQ(enveloppe.edgeCount, 1194);
    int sum = 0;
    for (const ParticleRecord& p : etat.particles) {
        EXPECT_GE(p.degree, 3);
        sum += p.degree;
    }
    EXPECT_EQ(sum, 2 * (3 * n - 6));
    VerifierSurfaceFermee();
    for (int e = 3; e < enveloppe.edgeCount; ++e) EXPECT_LT(enveloppe.edges[e].lo, enveloppe.edges[e].hi);
    for (int f = 1; f < enveloppe.faceCount; ++f) EXPECT_LT(enveloppe.faces[f].v[0], enveloppe.faces[f].v[1]);
}

TEST_F(Enveloppe, EqualLowestHeightsPickTheLowerIndexAndKeepTheFirstFaceOrder) {
    const double r = std::sqrt(1.0 - 0.81);
    std::vector<Vec3> p = Aleatoire(12, 3);
    for (Vec3& v : p) {
        v.z = std::abs(v.z);  // all in the upper half
        setLength(v, 1.0);
    }
    p[7] = {r, 0.0, -0.9};
    p[9] = {-r, 0.0, -0.9};
    p[3] = {0.0, r, -0.9 + 1e-9};
    PlacerParticules(p);
    Construire(false);
    EXPECT_EQ(enveloppe.faces[0].v[0], 7);
    EXPECT_EQ(enveloppe.faces[0].v[1], 9);
    const int b = enveloppe.faces[0].v[2];
    EXPECT_EQ(enveloppe.edges[0].lo, 7);
    EXPECT_EQ(enveloppe.edges[0].hi, 9);
    EXPECT_EQ(enveloppe.edges[1].lo, 7);
    EXPECT_EQ(enveloppe.edges[1].hi, b);
    EXPECT_EQ(enveloppe.edges[2].lo, 9);
    EXPECT_EQ(enveloppe.edges[2].hi, b);
}

TEST_F(Enveloppe, ABuildWhileValidDoesNothing) {
    PlacerParticules(Aleatoire(50, 8));
    Construire(false);
    const std::vector<HullFace> faces(enveloppe.faces.begin(), enveloppe.faces.begin() + enveloppe.faceCount);
    for (ParticleRecord& p : etat.particles) p.position = {-p.position.x, p.position.y, -p.position.z};
    MarquerDeplacement();
    EXPECT_EQ(Construire(true), "");
    for (int f = 0; f < enveloppe.faceCount; ++f) EXPECT_EQ(Trie(enveloppe.faces[f]), Trie(faces[f]));
    hullValid = false;
    EXPECT_TRUE(EstLigneIterations(Construire(true), 95));
}

TEST_F(Enveloppe, DegenerateParticlesFinishWithinTheArrays) {
    std::vector<Vec3> nan = Aleatoire(60, 2);
    for (int i = 0; i < 60; i += 3) nan[i] = {std::nan(""), 0.0, std::nan("")};
    for (const Nuage& nuage : {Nuage{"cercle", GrandCercle(120, 1)}, Nuage{"doublons", Doublons(90, 2)},
                               Nuage{"NaN", nan}, Nuage{"cercle 4", GrandCercle(4, 4)}}) {
        SCOPED_TRACE(nuage.name);
        for (bool dual : {false, true}) {
            modes.dual = dual;
            PlacerParticules(nuage.points);
            const int n = etat.count;
            const std::string out = Construire(true);
            EXPECT_EQ(out.rfind("Nombre d'it", 0), 0u);
            EXPECT_TRUE(hullValid);
            EXPECT_LE(enveloppe.edgeCount, 3 * n - 6);
            EXPECT_LE(enveloppe.faceCount, 2 * n - 4);
            int sum = 0;
            for (const ParticleRecord& p : etat.particles) {
                sum += p.degree;
                if (dual) {
                    EXPECT_EQ(p.dualCorners.size(), static_cast<size_t>(p.degree));
                }
            }
            EXPECT_EQ(sum, 2 * enveloppe.edgeCount);
            EXPECT_EQ(Construire(true), "");
        }
    }
}

TEST_F(Enveloppe, AHullThatCannotCloseIsStillMarkedValid) {
    // Four particles on one great circle: the wrapping keeps finding faces in
    // that plane and runs out of edges before the open set empties.
    PlacerParticules(GrandCercle(4, 4));
    Construire(false);
    EXPECT_FALSE(enveloppe.complete);
    EXPECT_TRUE(hullValid);
    EXPECT_LE(enveloppe.edgeCount, 6);
    EXPECT_LE(enveloppe.faceCount, 4);
}

TEST_F(Enveloppe, StorageSmallerThanTheCountIsNeverOverrun) {
    PlacerParticules(Aleatoire(200, 6));
    enveloppe.edges.resize(24);  // room for 10 particles' hull, not 200
    enveloppe.faces.resize(16);
    Construire(false);
    EXPECT_FALSE(enveloppe.complete);
    EXPECT_LE(enveloppe.edgeCount, 24);
    EXPECT_LE(enveloppe.faceCount, 16);
    enveloppe = HullMesh{};
    hullValid = false;
    Construire(false);
    EXPECT_EQ(enveloppe.faceCount, 0);
    EXPECT_TRUE(hullValid);
    for (const ParticleRecord& p : etat.particles) EXPECT_EQ(p.degree, 0);
}

TEST_F(Enveloppe, ABuildUnderTheStateLockWaitsForAReaderHoldingIt) {
    PlacerParticules(Aleatoire(30, 5));
    std::future<void> build;
    {
        Garde reader(verrouEtat);
        build = std::async(std::launch::async, [] {
            Garde verrou(verrouEtat);
            CalculerEnveloppe(false);
        });
        EXPECT_EQ(build.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
        EXPECT_FALSE(hullValid);
    }
    build.get();
    EXPECT_TRUE(hullValid);
    EXPECT_EQ(enveloppe.faceCount, 56);
    EXPECT_TRUE(verrouEtat.try_lock());
    verrouEtat.unlock();
}

}  // namespace
