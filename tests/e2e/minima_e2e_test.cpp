// MINIMA through the program: the catalogue EXPLORER fills, a minimum loaded
// with the energy listed, refusals that change nothing, and the catalogue
// emptied when the count or the exponent changes, and the switch that turns
// it off.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "e2e/commandes.h"
#include "e2e/harness.h"

namespace {

using std::string;

const string kNonValide = "Paramètre non valide.\n";
const string kVide = "Aucun minimum au catalogue pour ce nombre de particules et cet exposant : EXPLORER le remplit.\n";
const string kEntete = "Rang ; énergie ; écart au plus bas ; rencontres ; premier saut ; groupe ; degré 5 ; degré 7\n";

using e2e::Commandes;

// The rows of the first table after `depuis`, split at " ; ".
std::vector<std::vector<string>> Lignes(const string& out, size_t depuis = 0) {
    std::vector<std::vector<string>> rangs;
    const size_t at = out.find(kEntete, depuis);
    if (at == string::npos) return rangs;
    std::istringstream flux(out.substr(at + kEntete.size()));
    for (string ligne; std::getline(flux, ligne) && ligne.rfind("> ", 0) != 0;) {
        std::vector<string> champs;
        for (size_t debut = 0;;) {
            const size_t fin = ligne.find(" ; ", debut);
            champs.push_back(ligne.substr(debut, fin - debut));
            if (fin == string::npos) break;
            debut = fin + 3;
        }
        rangs.push_back(champs);
    }
    return rangs;
}

// N = 40 at s = 2, one walker: each hop's minimum and the start's counted
// once, listed lowest first with their gaps; the second loaded shows the
// energy listed, which INFO finds too.
TEST(Minima, CatalogueDeLaRechercheEtMinimumCharge) {
    const string out = Commandes(
        "mode info off\nmode openmp off\ngraine 31\nnb 40\ns 2.0\nexplorer 30\nminima\nminima 1\n"
        "minima charger 2\ninfo\n");
    const std::vector<std::vector<string>> rangs = Lignes(out);
    ASSERT_GE(rangs.size(), 2u) << out;
    long long fois = 0;
    for (size_t k = 0; k < rangs.size(); ++k) {
        ASSERT_EQ(rangs[k].size(), 8u) << out;
        EXPECT_EQ(rangs[k][0], std::to_string(k + 1));
        fois += std::stoll(rangs[k][3]);
        if (k > 0) {
            EXPECT_GT(std::stod(rangs[k][2]), 0.0);
        }
    }
    EXPECT_EQ(rangs[0][2], "0.");
    // The lowest: twelve 5s, no 7 (degree 4 or 8 would be far above it).
    EXPECT_EQ(rangs[0][6], "12");
    EXPECT_EQ(rangs[0][7], "0");
    EXPECT_LE(rangs.size(), 10u);
    EXPECT_EQ(fois, 31);
    EXPECT_GT(fois, static_cast<long long>(rangs.size()));     // some met more than once
    EXPECT_EQ(Lignes(out, out.find(kEntete) + 1).size(), 1u);  // MINIMA 1
    const string energie = rangs[1][1];
    EXPECT_NE(out.find("Minimum 2 chargé, énergie de Riesz s = 2 : " + energie + "\n"), string::npos) << out;
    EXPECT_NE(out.find("Energie de Riesz s = 2 : " + energie + "\n"), string::npos) << out;
}

// Refused: nothing loaded, the positions as they were.
TEST(Minima, RefusSansEffet) {
    const string info = "info pos\n";
    const string out = Commandes("mode info off\ngraine 5\nnb 12\nplacer\n" + info + "minima\nminima charger 1\n" +
                                 "explorer 3\n" + info + "minima charger 0\nminima charger 101\nminima charger 50\n" +
                                 "minima charger\nminima 0\nminima charger -1\n" + info);
    EXPECT_NE(out.find("> " + kVide + "> " + kVide), string::npos) << out;
    EXPECT_NE(out.find("> " + kNonValide + "> " + kNonValide +
                       "> Aucun minimum de rang 50 au catalogue, qui en garde 1.\n> " + kNonValide + "> " + kNonValide +
                       "> " + kNonValide),
              string::npos)
        << out;
    // The two listings after EXPLORER are the same.
    const size_t a = out.find("Nombre de particules", out.find("Sauts : "));
    const size_t b = out.rfind("Nombre de particules");
    ASSERT_NE(a, b);
    const size_t fa = out.find("> ", a), fb = out.find("> ", b);
    EXPECT_EQ(out.substr(a, fa - a), out.substr(b, fb == string::npos ? string::npos : fb - b));
}

// Back at the same count or exponent after a change: the catalogue is empty.
TEST(Minima, ViderAuChangementDuNombreOuDeLExposant) {
    const string out = Commandes(
        "mode info off\nnb 12\nexplorer 2\nminima\nnb 13\nnb 12\nminima\nexplorer 2\n"
        "s 2.0\ns 1.0\nminima\nexplorer 2\ns 1.0\nminima\n");
    const size_t premier = out.find(kEntete);
    ASSERT_NE(premier, string::npos) << out;
    const size_t vide = out.find(kVide, premier);
    ASSERT_NE(vide, string::npos) << out;
    const size_t deuxieme = out.find(kVide, vide + 1);
    EXPECT_NE(deuxieme, string::npos) << out;
    // S typed again with the same value keeps it.
    EXPECT_NE(out.find(kEntete, deuxieme), string::npos) << out;
}

// MODE MINIMA OFF: the same search, line for line, and no catalogue; the
// one an earlier search filled is emptied by the next, and MINIMA says why.
TEST(Minima, InterrupteurArrete) {
    const string recherche = "mode info off\nmode openmp off\ngraine 31\nnb 40\ns 2.0\nexplorer 30\n";
    const string avec = e2e::Masque(Commandes(recherche));
    const string sans = e2e::Masque(
        Commandes("mode minima off\n" + recherche + "minima\nminima charger 1\n" + "mode minima on\nminima\n"));
    const string off =
        "Le catalogue des minima est désactivé : EXPLORER ne le remplit pas. MODE MINIMA ON le rétablit.\n";
    ASSERT_NE(avec.find("Sauts : 30"), string::npos) << avec;
    EXPECT_EQ(sans, "> " + avec + off + "> " + off + "> > " + kVide + "> ");
    const string vide = Commandes(recherche + "mode minima off\nexplorer 2\nmode minima on\nminima\n");
    EXPECT_NE(vide.find("> " + kVide), string::npos) << vide;
}

}  // namespace
