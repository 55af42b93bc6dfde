// GRAINE and --graine through the program: a seed repeats placements and
// Monte Carlo runs bit for bit on one worker or on every one, another seed
// gives another run, and a seed not taken changes nothing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/harness.h"

namespace {

using std::string;

// The answers of a run of `commandes` with the arguments given, -q first.
e2e::Result Lancer(std::vector<string> args, const string& commandes) {
    e2e::Session s;
    args.insert(args.begin(), "-q");
    s.setArgs(args);
    return s.run(commandes + "quitter\n");
}

// Above the size at which the pair loops take a team (about 550), so that
// OPENMP ON runs them on every core the machine leaves free.
const string kCalcul = "nb 700\nmontecarlo 40\nplacer\nmontecarlo 20\ninfo pos\n";

// Compared whole; a difference is not printed (the positions run long).
TEST(Graine, MemeGraineMemeSortieSurUnOuPlusieursCoeurs) {
    const string un = e2e::Masque(Lancer({"--graine", "4242"}, "mode openmp off\n" + kCalcul).out);
    ASSERT_NE(un.find("Particule 700\t"), string::npos) << un.substr(0, 400);
    EXPECT_TRUE(e2e::Masque(Lancer({"--graine", "4242"}, "mode openmp on\n" + kCalcul).out) == un);
    EXPECT_FALSE(e2e::Masque(Lancer({"--graine", "4243"}, "mode openmp off\n" + kCalcul).out) == un);
    // Typed at the prompt, after the start-up's own draws.
    const string tape = e2e::Masque(Lancer({}, "mode openmp on\ngraine 4242\n" + kCalcul).out);
    EXPECT_TRUE(e2e::Masque(Lancer({}, "mode openmp off\ngraine 4242\n" + kCalcul).out) == tape);
    EXPECT_FALSE(tape == un);
}

// GRAINE shows the seed in use; a value that is not a whole number from 0
// to 2^30 - 3 gets the usual message and leaves the seed and the stream as
// they were.
TEST(Graine, ValeursRefuseesNeChangentRien) {
    const string seed = "La graine du générateur est : ";
    const string refus = "Paramètre non valide.\n";
    const e2e::Result r = Lancer({"--graine", "17"}, "graine\ngraine abc\ngraine -1\ngraine 1073741822\n"
                                                   "graine 12x\ngraine\nnb 5\ninfo pos\n");
    EXPECT_EQ(r.exitCode, 0);
    const string refusees = seed + "17\n" + refus + refus + refus + refus + seed + "17\n";
    ASSERT_EQ(r.out.substr(0, refusees.size()), refusees) << r.out;
    EXPECT_EQ(r.out.substr(refusees.size()), Lancer({"--graine", "17"}, "nb 5\ninfo pos\n").out);
    EXPECT_EQ(Lancer({}, "graine 1073741821\ngraine 0\ngraine\n").out, seed + "0\n");
    // --strict counts a refused seed as any refused parameter, and a taken one not.
    for (const char* ligne : {"graine abc\n", "graine -1\n"}) EXPECT_EQ(Lancer({"--strict"}, ligne).exitCode, 1) << ligne;
    EXPECT_EQ(Lancer({"--strict"}, "graine 5\ngraine\n").exitCode, 0);
}

TEST(Graine, OptionRefuseeSortie2) {
    for (const char* valeur : {"x", "-1", "", "1073741822", "3.5"}) {
        const e2e::Result r = Lancer({"--graine", valeur}, "");
        EXPECT_EQ(r.exitCode, 2) << valeur;
        EXPECT_NE(r.err.find("--graine demande un entier de 0 à 1073741821"), string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
}

}  // namespace
