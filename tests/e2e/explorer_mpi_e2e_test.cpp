// glomerix-explorer under mpirun: two ranks walking one count together, a
// range handed out to them, a rank killed mid-run.
// e2e-labels: nosan
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "e2e/explorer_outils.h"
#include "e2e/harness.h"

namespace {

using namespace explorer;

#ifdef GLOMERIX_MPIEXEC


std::vector<string> SousMpirun(int rangs, std::vector<string> args) {
    std::vector<string> tout = {"-n", std::to_string(rangs), "--oversubscribe"};
    if (geteuid() == 0) tout.push_back("--allow-run-as-root");
    tout.push_back(kExplorer.string());
    tout.insert(tout.end(), args.begin(), args.end());
    return tout;
}

e2e::Result Mpirun(e2e::Session& s, int rangs, std::vector<string> args) {
    s.setProgram(GLOMERIX_MPIEXEC);
    s.setArgs(SousMpirun(rangs, std::move(args)));
    return s.run("");
}

// Two ranks walk one count together; the search repeats from its seed;
// then a range is handed out to them.
TEST(ExplorerMpi, DeuxRangsUnNombrePuisUnePlage) {
    e2e::Session s;
    const fs::path base = s.workDir() / "mpi.dat";
    const e2e::Result r = Mpirun(s, 2, {"--nb", "60", "--sauts", "15", "--graine", "4", "--base", base.string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.find("Graine : 4, marcheurs par nombre de particules : 2\n"), 0u) << r.out;
    EXPECT_NE(r.out.find("60 : fin, énergie minimale "), string::npos);
    EXPECT_NE(r.out.find(", 30 sauts (2 marcheurs), "), string::npos) << r.out;
    const std::vector<Annonce> a = Annonces(r.out);
    ASSERT_FALSE(a.empty());
    e2e::Session t;
    EXPECT_EQ(Annonces(Mpirun(t, 2, {"--nb", "60", "--sauts", "15", "--graine", "4"}).out), a);

    const e2e::Result plage = Mpirun(s, 2, {"--nb", "30-36", "--sauts", "4", "--base", base.string()});
    ASSERT_EQ(plage.exitCode, 0) << plage.err;
    const std::map<int, double> bilans = Bilans(plage.out);
    EXPECT_EQ(bilans.size(), 7u) << plage.out;
    bool sain = false;
    const std::map<int, double> records = Records(base, &sain);
    EXPECT_TRUE(sain);
    EXPECT_NEAR(records.at(60), std::stod(a.back().energie), 1e-9 * records.at(60));
    for (const auto& [n, e] : bilans) EXPECT_NEAR(records.at(n), e, 1e-9 * e) << n;
}

// The processes of the run: those whose environment holds this session's
// data folder, with their MPI rank.
std::map<int, pid_t> Rangs(const e2e::Session& s) {
    std::map<int, pid_t> rangs;
    const string dossier = "XDG_DATA_HOME=" + s.dataDir().string();
    for (const auto& e : fs::directory_iterator("/proc")) {
        const string nom = e.path().filename().string();
        if (nom.find_first_not_of("0123456789") != string::npos) continue;
        std::ifstream f(e.path() / "environ", std::ios::binary);
        const string env((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
        const size_t rang = env.find("OMPI_COMM_WORLD_RANK=");
        if (env.find(dossier + '\0') == string::npos || rang == string::npos) continue;
        rangs[std::atoi(env.c_str() + rang + 21)] = std::stoi(nom);
    }
    return rangs;
}

// Rank 1 killed while the ranks survey a range: the run ends with the
// message, a failure status, and a sound database holding what was
// announced.
TEST(ExplorerMpi, RangTueLaBaseResteSaine) {
    e2e::Session s;
    const fs::path base = s.workDir() / "tue.dat";
    s.setProgram(GLOMERIX_MPIEXEC);
    s.setArgs(SousMpirun(2, {"--nb", "100-200", "--duree", "30", "--graine", "2", "--base", base.string()}));
    s.start();
    ASSERT_TRUE(s.waitFor(" : saut ", 3, std::chrono::seconds(120))) << s.outputSoFar() << s.errorsSoFar();
    std::map<int, pid_t> rangs;
    for (int essai = 0; essai < 100 && rangs.size() < 2; ++essai) {
        rangs = Rangs(s);
        if (rangs.size() < 2) usleep(100000);
    }
    ASSERT_EQ(rangs.count(1), 1u);
    ASSERT_EQ(kill(rangs.at(1), SIGKILL), 0);
    const e2e::Result r = s.finish(std::chrono::seconds(60));
    EXPECT_NE(r.exitCode, 0);
    EXPECT_FALSE(r.timedOut);
    EXPECT_NE(r.err.find("un processus du calcul a été perdu"), string::npos) << r.err;
    bool sain = false;
    const std::map<int, double> records = Records(base, &sain);
    EXPECT_TRUE(sain);
    std::map<int, double> annoncees;
    for (const Annonce& a : Annonces(r.out)) annoncees[a.n] = std::stod(a.energie);
    ASSERT_FALSE(annoncees.empty());
    for (const auto& [n, e] : annoncees) EXPECT_NEAR(records.at(n), e, 1e-9 * e) << n;
}

#else

TEST(ExplorerMpi, SansMpi) { GTEST_SKIP() << "glomerix-explorer was built without MPI"; }

#endif

}  // namespace
