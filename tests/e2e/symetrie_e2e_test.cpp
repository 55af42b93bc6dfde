// SYMETRIE and DEFAUTS's defect lines through the program: the group of the
// minima the descent reaches, the tolerance shown, set and refused, the
// scars and dislocations apart.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>

#include "e2e/harness.h"

namespace {

using std::string;

const string kNonValide = "Paramètre non valide.\n";

string Commandes(const string& lignes) {
    e2e::Session s;
    const e2e::Result r = s.run(lignes + "quitter\n");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.err, "");
    return e2e::ApresDemarrage(e2e::Masque(r.out));
}

// The n lines after `titre`, each three reals: unit vectors, pairwise apart.
void VerifierAxes(const string& out, const string& titre, int n) {
    const size_t at = out.find(titre);
    ASSERT_NE(at, string::npos) << out;
    std::istringstream lignes(out.substr(at + titre.size()));
    std::vector<std::array<double, 3>> axes;
    for (int k = 0; k < n; ++k) {
        std::array<double, 3> u{};
        ASSERT_TRUE(lignes >> u[0] >> u[1] >> u[2]) << out;
        EXPECT_NEAR(u[0] * u[0] + u[1] * u[1] + u[2] * u[2], 1.0, 1e-8);
        for (const auto& v : axes) EXPECT_LT(std::abs(u[0] * v[0] + u[1] * v[1] + u[2] * v[2]), 0.99);
        axes.push_back(u);
    }
}

// The icosahedron and the square antiprism that the descent reaches, with
// their axes of highest order; a tolerance that DEFAUTS takes too.
TEST(Symetrie, MinimaAtteintsParLaDescente) {
    const string out = Commandes("mode info off\nnb 12\nplacer\nminimiser\nsymetrie\nnb 8\nplacer\nminimiser\n"
                                 "symetrie\nsymetrie 0.002\nnb 5\nplacer\nminimiser\ndefauts\n");
    const string ih = "> Groupe ponctuel : Ih, d'ordre 120\nTolérance sur les positions : 1.e-5\nAxes d'ordre 5 :\n";
    VerifierAxes(out, ih, 6);
    const string d4d = "> Groupe ponctuel : D4d, d'ordre 16\nTolérance sur les positions : 1.e-5\nAxe d'ordre 4 :\n";
    VerifierAxes(out, d4d, 1);
    EXPECT_NE(out.find("> Groupe ponctuel : D4d, d'ordre 16\nTolérance sur les positions : 0.002\n"), string::npos);
    // Five: the triangular bipyramid.
    EXPECT_NE(out.find("Dislocations : 0\nDisclinations isolées : 0\nGroupe ponctuel : D3h, d'ordre 12\n> "),
              string::npos)
        << out;
}

// Refused values change nothing: the tolerance stays where it was.
TEST(Symetrie, TolerancesRefusees) {
    const string out = Commandes("mode info off\nnb 4\nplacer\nminimiser\nsymetrie 0.0\nsymetrie abc\nsymetrie 0.02\n"
                                 "symetrie -0.001\nsymetrie 1.5e3\nsymetrie 0.0001\nsymetrie 0.0\nsymetrie\n");
    const size_t debut = out.find("> " + kNonValide);
    ASSERT_NE(debut, string::npos) << out;
    string attendu;
    for (int k = 0; k < 5; ++k) attendu += "> " + kNonValide;
    const string td = "> Groupe ponctuel : Td, d'ordre 24\nTolérance sur les positions : 1.e-4\nAxes d'ordre 3 :\n";
    EXPECT_EQ(out.substr(debut, attendu.size() + td.size()), attendu + td);
    const size_t encore = out.find("> " + kNonValide, debut + attendu.size());
    ASSERT_NE(encore, string::npos);
    EXPECT_EQ(out.substr(encore + 2 + kNonValide.size(), td.size()), td) << out;
    VerifierAxes(out.substr(encore), td.substr(2), 4);
}

// A minimised 1000: the clusters' lines add up with the degree lines, every
// scar charged (+1 at a minimum), the counts of defects in them at most
// those of the whole.
TEST(Defauts, CicatricesEtDislocationsApart) {
    const string out = Commandes("mode info off\nnb 1000\nplacer\nminimiser 3 k\ndefauts\n");
    auto valeur = [&](const string& etiquette) {
        const size_t at = out.find("\n" + etiquette + " : ");
        EXPECT_NE(at, string::npos) << etiquette << "\n" << out;
        return at == string::npos ? -1 : std::atoi(out.c_str() + at + etiquette.size() + 4);
    };
    const int cicatrices = valeur("Cicatrices");
    EXPECT_GT(cicatrices, 0);
    EXPECT_GT(valeur("Dislocations"), 0);
    EXPECT_NE(out.find("Charges des cicatrices : " + std::to_string(cicatrices) + " de charge +1\n"), string::npos)
        << out;
    EXPECT_LE(valeur("Particules de degré 5 dans des cicatrices"), valeur("Degré 5"));
    EXPECT_LE(valeur("Particules de degré 7 dans des cicatrices"), valeur("Degré 7"));
    // Each charge +1 scar has one 5 more than 7s; the isolated disclinations
    // are the other 5s' share of the charge 12.
    EXPECT_EQ(valeur("Particules de degré 5 dans des cicatrices") - valeur("Particules de degré 7 dans des cicatrices"),
              cicatrices);
    EXPECT_EQ(cicatrices + valeur("Disclinations isolées"), 12);
}

}  // namespace
