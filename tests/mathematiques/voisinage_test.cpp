// The sweep along z against the full scan: the same pairs, each once, and
// the same smallest distance to the bit, with ties in z, coincident
// particles and sets from sparse to dense.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "descente_outils.h"
#include "mathematiques/metriques.h"
#include "mathematiques/voisinage.h"

namespace {

std::vector<std::vector<Vec3>> Ensembles() {
    std::vector<Vec3> egaux = descente::Aleatoires(300, 4);
    for (int i = 0; i < 60; ++i) egaux[i + 100].z = egaux[i].z;  // ties in z
    egaux[250] = egaux[7];                                       // two in the same place
    return {egaux, descente::Spirale(500), descente::Aleatoires(2, 5), descente::Aleatoires(40, 6)};
}

TEST(Voisinage, LesPairesDuBalayageComplet) {
    for (const std::vector<Vec3>& x : Ensembles()) {
        const int n = static_cast<int>(x.size());
        for (double portee : {0.0, 0.05, 0.3, 2.5}) {
            std::vector<std::pair<int, int>> attendues, trouvees;
            for (int j = 1; j < n; ++j) {
                for (int i = 0; i < j; ++i) {
                    if (squaredDistance(x[i], x[j]) < portee * portee) attendues.push_back({i, j});
                }
            }
            ParcourirPairesProches(x, portee, [&](int a, int b, double c) {
                EXPECT_EQ(c, squaredDistance(x[a], x[b]));
                trouvees.push_back({std::min(a, b), std::max(a, b)});
            });
            std::sort(attendues.begin(), attendues.end());
            std::sort(trouvees.begin(), trouvees.end());
            EXPECT_EQ(trouvees, attendues) << "n = " << n << ", reach " << portee;
        }
    }
}

// The distance takes the same sweep. Besides the sets above: every particle
// at one z (the sweep then measures every pair), and positions whose z or
// other coordinates are not finite, whose NaN distances never win.
TEST(Voisinage, DistanceMinimaleCommeLeBalayageComplet) {
    std::vector<std::vector<Vec3>> ensembles = Ensembles();
    std::vector<Vec3> equateur = descente::Aleatoires(200, 7);
    for (Vec3& v : equateur) v.z = 0.0;
    ensembles.push_back(equateur);
    std::vector<Vec3> nonFinies = descente::Aleatoires(50, 8);
    nonFinies[3].z = NAN;
    nonFinies[9].z = INFINITY;
    nonFinies[10].z = -INFINITY;
    nonFinies[20].x = NAN;
    nonFinies[21].y = INFINITY;
    nonFinies[30] = nonFinies[3];  // beside a NaN z: their distance is NaN, not 0
    ensembles.push_back(nonFinies);
    for (const std::vector<Vec3>& x : ensembles) {
        double m = 5.0;
        for (size_t j = 1; j < x.size(); ++j) {
            for (size_t i = 0; i < j; ++i) m = std::min(m, squaredDistance(x[i], x[j]));
        }
        EXPECT_EQ(DistanceMinimaleDe(x), std::sqrt(m)) << x.size();
    }
    EXPECT_EQ(DistanceMinimaleDe(std::vector<Vec3>(1)), std::sqrt(5.0));
    EXPECT_EQ(DistanceMinimaleDe(std::vector<Vec3>{}), std::sqrt(5.0));
}

}  // namespace
