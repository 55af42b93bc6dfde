// Computation commands through the program: step counts, the stop flag,
// ENVELOPPE, AJOUTER, NB and PLACER.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <string>
#include <vector>

#include "e2e/commandes.h"
#include "e2e/harness.h"

namespace {

using std::string;
using Blocs = std::vector<std::vector<string>>;

const string kTemps = "Temps de calcul (ms) : ";
const string kEnergie = "Energie Potentielle  : ";
const string kDistance = "Distance minimale    : ";
const string kNombre = "Le nombre actuel de particules est : ";

using e2e::Commandes;

// Every INFO POS block: one line per particle, in order.
Blocs Positions(const string& out) {
    Blocs blocs;
    const string entete = "Position des particules : \r\n";
    for (size_t at = out.find(entete); at != string::npos; at = out.find(entete, at + 1)) {
        std::vector<string> lignes;
        size_t debut = at + entete.size();
        while (out.compare(debut, 10, "Particule ") == 0) {
            const size_t fin = out.find('\n', debut);
            lignes.push_back(out.substr(debut, fin - debut));
            debut = fin + 1;
        }
        blocs.push_back(lignes);
    }
    return blocs;
}

// Every value written after `etiquette`, up to its line end.
std::vector<string> Valeurs(const string& out, const string& etiquette) {
    std::vector<string> v;
    for (size_t at = out.find(etiquette); at != string::npos; at = out.find(etiquette, at + 1)) {
        const size_t debut = at + etiquette.size();
        v.push_back(out.substr(debut, out.find('\n', debut) - debut));
    }
    return v;
}

string DernierNombre(const string& out) {
    const std::vector<string> v = Valeurs(out, kNombre);
    return v.empty() ? "" : v.back();
}

// "nb 50, placer spirale", then each command followed by INFO POS.
Blocs ApresSpirale(const std::vector<string>& commandes) {
    string lignes = "mode info off\n";
    for (const string& c : commandes) lignes += "nb 50\nplacer spirale\n" + c + "\ninfo pos\n";
    const Blocs blocs = Positions(Commandes(lignes));
    EXPECT_EQ(blocs.size(), commandes.size());
    for (const auto& b : blocs) EXPECT_EQ(b.size(), 50u);
    return blocs;
}

}  // namespace

TEST(Relax, StepCountsSeenThroughThePositions) {
    const Blocs b = ApresSpirale({
        "",                                                 // 0: no step
        "relax 1",                                          // 1
        "relax 0",                                          // 2: one step
        "relax x",                                          // 3: one step
        "relax 12345",                                      // 4: five digits fold: one step
        "relax",                                            // 5: fifty steps
        "relax 50",                                         // 6
        "relax 5 x",                                        // 7: five steps, the third word ignored
        "relax 5",                                          // 8
        "relax 2 k",                                        // 9: 2000 steps
        "relax 1 k\nrelax 1 k",                             // 10
        "relax 1999",                                       // 11
        "relax 2k",                                         // 12: K glued on, as 2 K
    });
    ASSERT_EQ(b.size(), 13u);
    EXPECT_NE(b[0], b[1]);
    EXPECT_EQ(b[1], b[2]);
    EXPECT_EQ(b[1], b[3]);
    EXPECT_EQ(b[1], b[4]);
    EXPECT_EQ(b[5], b[6]);
    EXPECT_NE(b[5], b[1]);
    EXPECT_EQ(b[7], b[8]);
    EXPECT_NE(b[7], b[1]);
    EXPECT_EQ(b[9], b[10]);
    EXPECT_NE(b[9], b[11]);
    EXPECT_EQ(b[12], b[9]);
}

TEST(Relax, FiveThousandStepsEqualFiveTimesOneThousand) {
    string cinqFois;
    for (int i = 0; i < 5; ++i) cinqFois += "relax 1 k\n";
    const string out = Commandes("nb 30\nplacer spirale\nrelax 5 k\nplacer spirale\n" + cinqFois +
                                 "placer spirale\nrelax 4 k\n");
    const std::vector<string> e = Valeurs(out, kEnergie);
    // NB, PLACER, RELAX 5 K, PLACER, five RELAX 1 K, PLACER, RELAX 4 K.
    ASSERT_EQ(e.size(), 11u) << out;
    EXPECT_EQ(e[1], e[3]);  // the spiral is the same each time
    EXPECT_EQ(e[2], e[8]);
    EXPECT_NE(e[2], e[10]);
    EXPECT_EQ(e2e::Compter(out, kTemps), 7);
}

TEST(Relax, ReachesTheKnownMinimumEnergiesFromTheSpiral) {
    // The step is K * 0.0001: a larger K reaches the same minimum in fewer
    // steps. Energies print with 9 significant digits, a next digit of 5
    // rounding down: 6.474691494.. and 49.16525305766..
    const string out = Commandes("mode info off\nk 100.0\n"
                                 "nb 5\nplacer spirale\nrelax 9 k\ninfo\n"
                                 "nb 12\nplacer spirale\nrelax 9 k\ninfo\n");
    const std::vector<string> e = Valeurs(out, kEnergie);
    ASSERT_EQ(e.size(), 2u) << out;
    EXPECT_EQ(e[0], "6.47469149");
    EXPECT_EQ(e[1], "49.165253");
}

TEST(Relax, CtrlCStopsTheLoopAtTheNextStep) {
    e2e::Session s;
    s.start();
    s.send("nb 2000\nrelax 9999 k\n");
    ASSERT_TRUE(s.waitFor("> ", 2));  // NB done: the loop is starting
    ASSERT_TRUE(s.interruptUntil(kTemps));
    ASSERT_TRUE(s.waitFor("> ", 3, std::chrono::seconds(30)));
    s.send("nb\n");
    s.closeInput();
    const e2e::Result r = s.finish(std::chrono::seconds(60));
    EXPECT_EQ(r.exitCode, 0);
    const string out = e2e::ApresDemarrage(r.out);
    const size_t temps = out.find(kTemps);
    ASSERT_NE(temps, string::npos);
    // The summary follows the time line, then the next command works.
    EXPECT_NE(out.find("Nombre de particules : 2000\n", temps), string::npos) << out;
    EXPECT_EQ(DernierNombre(out), "2000");
}

TEST(Relax, CtrlCAtThePromptDoesNotStopTheNextLoop) {
    const string reference = Commandes("nb 20\nplacer spirale\nrelax 3\ninfo pos\n");
    e2e::Session s;
    s.start();
    s.send("nb 20\nplacer spirale\n");
    ASSERT_TRUE(s.waitFor("> ", 3));
    // Pending from now on: the program handles it before it can read the
    // next line, wherever it is.
    s.signal(SIGINT);
    s.send("relax 3\ninfo pos\nquitter\n");
    const e2e::Result r = s.finish();
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(Positions(r.out), Positions(reference));
    EXPECT_EQ(Positions(r.out).size(), 1u);
}

TEST(Boucles, EveryCountedCommandWritesOneTimeLineAndTheSummary) {
    for (const string c : {"relax 2", "local 2", "locale 2", "faces 2", "aretes 2", "eloigne 2", "approche 2",
                           "montecarlo 2"}) {
        const string out = Commandes("nb 30\nplacer spirale\n" + c + "\n");
        // NB and PLACER show the summary too.
        EXPECT_EQ(e2e::Compter(out, kTemps), 1) << c;
        EXPECT_EQ(e2e::Compter(out, "Nombre de particules : 30\n"), 3) << c;
        const std::vector<string> e = Valeurs(out, kEnergie);
        ASSERT_EQ(e.size(), 3u) << c;
        EXPECT_NE(e[1], e[2]) << c << ": the particles did not move";
        EXPECT_NE(out.find("Nombre de particules : 30\n", out.find(kTemps)), string::npos) << c;
    }
}

TEST(Boucles, InfoModeOffLeavesOnlyTheTimeLine) {
    const string out = Commandes("mode info off\nrelax 1\nmontecarlo 1\n");
    EXPECT_EQ(e2e::Compter(out, kTemps), 2);
    EXPECT_EQ(e2e::Compter(out, kEnergie), 0);
}

TEST(Enveloppe, RebuildsEachTimeAndWritesNoSummary) {
    const string out = Commandes("enveloppe\nenveloppe\n");
    EXPECT_EQ(e2e::Compter(out, "Nombre d'itérations : "), 2);
    EXPECT_EQ(e2e::Compter(out, kTemps), 2);
    EXPECT_EQ(e2e::Compter(out, kEnergie), 0);
    EXPECT_LT(out.find("Nombre d'itérations : "), out.find(kTemps));
}

TEST(Ajouter, AddsOneParticlePerFaceOrEdge) {
    EXPECT_EQ(DernierNombre(Commandes("ajouter faces\nnb\n")), "1196");
    EXPECT_EQ(DernierNombre(Commandes("ajouter aretes\nnb\n")), "1594");
    EXPECT_EQ(DernierNombre(Commandes("nb 12\nplacer spirale\nrelax 2 k\najouter faces\nnb\n")), "32");
}

TEST(Ajouter, RefusesBeyondTheMaximum) {
    const string out = Commandes("mode info off\nnb 5000\najouter faces\nnb\najouter aretes\nnb\n");
    EXPECT_EQ(e2e::Compter(out, "Impossible d'ajouter des particules, le maximum est dépassé.\n"), 2);
    EXPECT_EQ(Valeurs(out, kNombre), (std::vector<string>{"5000", "5000"}));
}

TEST(Ajouter, NeedsFacesOrAretes) {
    const string message = "Vous devez donner FACES ou areteS en paramètre à la commande.\n";
    const string out = Commandes("ajouter\najouter sommets\nnb\n");
    EXPECT_EQ(e2e::Compter(out, message), 2);
    EXPECT_EQ(DernierNombre(out), "400");
}

TEST(Ajouter, RightAfterNbUsesTheCurrentHull) {
    // The hull arrays are fresh and empty after NB: built first, the added
    // particles sit on the faces instead of all on one particle.
    const string out = Commandes("nb 100\nplacer spirale\najouter faces\n");
    const std::vector<string> d = Valeurs(out, kDistance);
    ASSERT_EQ(d.size(), 3u) << out;
    EXPECT_EQ(e2e::Compter(out, "Nombre de particules : 296\n"), 1);
    EXPECT_NE(d[2], "0.");
    EXPECT_EQ(d[2].find("e-"), string::npos) << d[2];  // not a tiny distance either
}

TEST(Nb, ShowsAndSetsTheCount) {
    const string out = Commandes("nb\nnb 0\nnb\nnb 25\nnb 1\nnb\nnb 26\nnb 2\nnb\nnb 27\nnb abc\nnb\n"
                                 "nb -20\nnb\nnb 21 foo\nnb\nnb 12345\nnb\n");
    EXPECT_EQ(Valeurs(out, kNombre),
              (std::vector<string>{"400", "400", "400", "400", "400", "20", "21", "400"}));
}

TEST(Nb, ConservKeepsTheFirstParticles) {
    const Blocs b = Positions(Commandes("mode info off\nnb 20\ninfo pos\nnb 10 conserv\ninfo pos\n"
                                        "nb 30 conserv\ninfo pos\nnb 30\ninfo pos\n"));
    ASSERT_EQ(b.size(), 4u);
    ASSERT_EQ(b[0].size(), 20u);
    ASSERT_EQ(b[1].size(), 10u);
    ASSERT_EQ(b[2].size(), 30u);
    ASSERT_EQ(b[3].size(), 30u);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(b[1][i], b[0][i]);
        EXPECT_EQ(b[2][i], b[0][i]);
        EXPECT_NE(b[3][i], b[0][i]);  // without CONSERV every particle moves
    }
    for (int i = 10; i < 20; ++i) EXPECT_NE(b[2][i], b[0][i]);
}

TEST(Placer, AleaSpiraleAndUnknownWords) {
    const Blocs b = Positions(Commandes("mode info off\nnb 40\n"
                                        "placer spirale\ninfo pos\n"      // 0
                                        "placer foo\ninfo pos\n"          // 1: nothing placed
                                        "placer\ninfo pos\n"              // 2: at random
                                        "placer spirale 0.0\ninfo pos\n"  // 3: default step
                                        "placer spirale 3.6\ninfo pos\n"  // 4
                                        "placer spirale 2.5\ninfo pos\n"  // 5
                                        "placer alea\ninfo pos\n"));      // 6
    ASSERT_EQ(b.size(), 7u);
    EXPECT_EQ(b[1], b[0]);
    EXPECT_NE(b[2], b[0]);
    EXPECT_EQ(b[3], b[0]);
    EXPECT_EQ(b[4], b[0]);
    EXPECT_NE(b[5], b[0]);
    EXPECT_NE(b[6], b[2]);
}

TEST(Placer, ShowsTheSummaryEvenWhenPlacingNothing) {
    const string out = Commandes("placer foo\n");
    EXPECT_EQ(e2e::Compter(out, kEnergie), 1);
    EXPECT_EQ(e2e::Compter(out, kTemps), 0);
}

TEST(Ajouter, AnEdgeThroughTheCentreStillGivesAPointOnTheSphere) {
    // A tetrahedron with an edge from pole to pole: that edge's sum is zero.
    e2e::Session s;
    e2e::EcrireFichier(s.workDir() / "tetra.txt", "0:\t0\t0\t1\n1:\t0\t0\t-1\n2:\t1\t0\t0\n3:\t0\t1\t0\n");
    const e2e::Result r = s.run("mode info off\nnb 4\ncharger fichier\ntetra.txt\najouter aretes\ninfo pos\nquitter\n");
    const string out = e2e::ApresDemarrage(r.out);
    const Blocs b = Positions(out);
    ASSERT_EQ(b.size(), 1u) << out;
    ASSERT_EQ(b[0].size(), 10u);
    // The five other edges join orthogonal points: their midpoints have two
    // coordinates of magnitude 1/sqrt(2).
    int milieux = 0;
    for (int i = 4; i < 10; ++i) milieux += e2e::Compter(b[0][i], "0.707106781") == 2;
    EXPECT_EQ(milieux, 5);
    const std::vector<string> e = Valeurs(out, kEnergie);
    ASSERT_EQ(e.size(), 1u);
    const double energie = std::strtod(e[0].c_str(), nullptr);
    EXPECT_TRUE(std::isfinite(energie) && energie > 30.0 && energie < 100.0) << e[0];
}
