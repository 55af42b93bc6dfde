// glomerix-explorer alone: its lines and the records it leaves, a search
// repeated from its seed, bad options.
#include <gtest/gtest.h>
#include <signal.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/explorer_outils.h"
#include "e2e/harness.h"

namespace {

using namespace explorer;

e2e::Result Lancer(e2e::Session& s, std::vector<string> args) {
    s.setProgram(kExplorer);
    s.setArgs(std::move(args));
    return s.run("");
}

// Each new lowest energy on a line of its own, lower than the one before;
// the summary gives the last; the database holds it; the same seed gives
// the same lines again.
TEST(Explorer, LignesBaseEtMemeGraine) {
    e2e::Session s;
    const fs::path base = s.workDir() / "records.dat";
    const e2e::Result r = Lancer(s, {"--nb", "40", "--sauts", "12", "--graine", "9", "--base", base.string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.find("Graine : 9, marcheurs par nombre de particules : "), 0u) << r.out;
    const std::vector<Annonce> a = Annonces(r.out);
    ASSERT_FALSE(a.empty()) << r.out;
    EXPECT_EQ(a.front().saut, 0);
    for (size_t k = 1; k < a.size(); ++k) EXPECT_LT(std::stod(a[k].energie), std::stod(a[k - 1].energie));
    const std::map<int, double> bilans = Bilans(r.out);
    ASSERT_EQ(bilans.size(), 1u);
    EXPECT_EQ(bilans.at(40), std::stod(a.back().energie));
    bool sain = false;
    const std::map<int, double> records = Records(base, &sain);
    EXPECT_TRUE(sain);
    EXPECT_NEAR(records.at(40), bilans.at(40), 1e-9 * bilans.at(40));

    e2e::Session t;
    const e2e::Result encore = Lancer(t, {"--nb", "40", "--sauts", "12", "--graine", "9", "--quiet"});
    EXPECT_EQ(encore.exitCode, 0);
    EXPECT_TRUE(Annonces(encore.out).empty()) << encore.out;  // --quiet: the summary alone
    EXPECT_EQ(Bilans(encore.out), bilans);
    e2e::Session u;
    EXPECT_EQ(Annonces(Lancer(u, {"--nb", "40", "--sauts", "12", "--graine", "9"}).out), a);
}

// A range: every count searched once and recorded.
TEST(Explorer, PlageChaqueNombreUneFois) {
    e2e::Session s;
    const fs::path base = s.workDir() / "plage.dat";
    const e2e::Result r = Lancer(s, {"--nb", "20-26", "--sauts", "3", "--base", base.string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::map<int, double> bilans = Bilans(r.out);
    EXPECT_EQ(bilans.size(), 7u) << r.out;
    EXPECT_EQ(bilans.begin()->first, 20);
    EXPECT_EQ(bilans.rbegin()->first, 26);
    bool sain = false;
    const std::map<int, double> records = Records(base, &sain);
    EXPECT_TRUE(sain);
    for (const auto& [n, e] : bilans) EXPECT_NEAR(records.at(n), e, 1e-9 * e) << n;
}

// SIGTERM: the walkers stop after their descent, each count under way gets
// its summary, the database stays sound, the status tells the signal.
TEST(Explorer, SigtermFinitLesNombresEnCours) {
    e2e::Session s;
    const fs::path base = s.workDir() / "sigterm.dat";
    s.setProgram(kExplorer);
    s.setArgs({"--nb", "300-400", "--duree", "60", "--base", base.string()});
    s.start();
    ASSERT_TRUE(s.waitFor(" : saut ", 1, std::chrono::seconds(60))) << s.errorsSoFar();
    s.signal(SIGTERM);
    const e2e::Result r = s.finish(std::chrono::seconds(60));
    EXPECT_EQ(r.exitCode, 128 + SIGTERM) << r.err;
    EXPECT_NE(r.err.find("glomerix-explorer : calcul interrompu (signal 15)."), string::npos) << r.err;
    const std::map<int, double> bilans = Bilans(r.out);
    ASSERT_FALSE(bilans.empty()) << r.out;
    std::map<int, double> annoncees;
    for (const Annonce& a : Annonces(r.out)) annoncees[a.n] = std::stod(a.energie);
    for (const auto& [n, e] : annoncees) EXPECT_EQ(bilans.count(n), 1u) << n;
    bool sain = false;
    const std::map<int, double> records = Records(base, &sain);
    EXPECT_TRUE(sain);
    for (const auto& [n, e] : bilans) EXPECT_NEAR(records.at(n), e, 1e-9 * e) << n;
}

TEST(Explorer, OptionsRefuseesSortie2) {
    const std::vector<std::vector<string>> cas = {
        {},
        {"--nb", "x"},
        {"--nb", "2"},
        {"--nb", "50-40"},
        {"--nb", "10000"},
        {"--nb", "40", "--exposant", "-3"},
        {"--nb", "40", "--exposant", "1001"},
        {"--nb", "40", "--exposant", "1,5"},
        {"--nb", "40", "--sauts", "0"},
        {"--nb", "40", "--duree", "-3"},
        {"--nb", "40", "--graine", "x"},
        {"--nb", "40", "--base", ""},
        {"--nb", "40", "--inconnue"},
        {"--nb", "40", "de trop"},
        {"--nb"},
    };
    for (const std::vector<string>& args : cas) {
        e2e::Session s;
        const e2e::Result r = Lancer(s, args);
        EXPECT_EQ(r.exitCode, 2) << (args.empty() ? "" : args.back());
        EXPECT_NE(r.err.find("Usage : glomerix-explorer --nb"), string::npos) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_FALSE(fs::exists(s.dataDir() / "glomerix.dat"));
    }
    e2e::Session aide;
    const e2e::Result h = Lancer(aide, {"--help"});
    EXPECT_EQ(h.exitCode, 0);
    EXPECT_EQ(h.out.find("Usage : glomerix-explorer"), 0u);
}


}  // namespace
