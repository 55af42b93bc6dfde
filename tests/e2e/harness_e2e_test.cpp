// The harness itself: exit codes, input feeding, masking.
#include <gtest/gtest.h>

#include "e2e/harness.h"

TEST(Harness, MasksTheTimeFigureOnly) {
    EXPECT_EQ(e2e::Masque("Temps de calcul (ms) : 1234\nTemps de calcul (ms) : 0\nx 12\n"),
              "Temps de calcul (ms) : <ms>\nTemps de calcul (ms) : <ms>\nx 12\n");
}

TEST(Harness, CountsOccurrences) {
    EXPECT_EQ(e2e::Compter("> a > b > ", "> "), 3);
    EXPECT_EQ(e2e::Compter("aaaa", "aa"), 2);
    EXPECT_EQ(e2e::Compter("abc", ""), 0);
}

TEST(Harness, SessionsGetTheirOwnDirectories) {
    e2e::Session a, b;
    EXPECT_NE(a.workDir(), b.workDir());
    EXPECT_NE(a.dataDir(), b.dataDir());
    EXPECT_TRUE(std::filesystem::is_directory(a.workDir()));
    EXPECT_EQ(a.dbPath().filename(), "glomerix.dat");
}

TEST(Harness, EndOfInputEndsTheProgram) {
    e2e::Session s;
    const e2e::Result r = s.run("", std::chrono::seconds(60));
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0);
}
