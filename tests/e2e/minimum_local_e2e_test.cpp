// MINIMISER's closing line says what the check at the end of the descent
// found: a cube loaded from a file is a saddle, left for the square
// antiprism; the icosahedron is a minimum, unchanged by a second MINIMISER.
#include <gtest/gtest.h>

#include <string>

#include "e2e/harness.h"

namespace {

using std::string;

const string kEnergie = "Energie Potentielle  : ";

TEST(Minimiser, LeCubeEstUnPointSelle) {
    e2e::Session s;
    string cube;
    for (int k = 0; k < 8; ++k) {
        const string c = "0.57735026918962576";  // 1 / sqrt(3): the file's positions are taken as they are
        cube += std::to_string(k) + ":\t" + (k & 1 ? "-" : "") + c + "\t" + (k & 2 ? "-" : "") + c + "\t" +
                (k & 4 ? "-" : "") + c + "\n";
    }
    e2e::EcrireFichier(s.workDir() / "cube.txt", cube);
    const e2e::Result r = s.run("mode info off\nnb 8\ncharger fichier\ncube.txt\ninfo\nminimiser\ninfo\nsymetrie\n"
                                "quitter\n");
    ASSERT_EQ(r.exitCode, 0);
    const string out = e2e::ApresDemarrage(e2e::Masque(r.out));
    EXPECT_NE(out.find(kEnergie + "19.7407741\n"), string::npos) << out;  // the cube
    EXPECT_NE(out.find(", points selles quittés : 1, minimum vérifié\n"), string::npos) << out;
    EXPECT_NE(out.find(kEnergie + "19.6752879\n"), string::npos) << out;  // the antiprism
    EXPECT_NE(out.find("Groupe ponctuel : D4d, d'ordre 16\n"), string::npos) << out;
}

TEST(Minimiser, LIcosaedreEstUnMinimum) {
    const e2e::Result r = e2e::Session().run("mode info off\nnb 12\nplacer\nminimiser\ninfo\nminimiser\ninfo\nquitter\n");
    const string out = e2e::ApresDemarrage(e2e::Masque(r.out));
    const size_t premier = out.find(", minimum vérifié\n");
    ASSERT_NE(premier, string::npos) << out;
    EXPECT_NE(out.find("Itérations : 0, ", premier), string::npos) << out;
    EXPECT_NE(out.find(", minimum vérifié\n", premier + 1), string::npos) << out;
    EXPECT_EQ(out.find("points selles"), string::npos) << out;
    EXPECT_EQ(e2e::Compter(out, kEnergie + "49.165253\n"), 2) << out;
}

}  // namespace
