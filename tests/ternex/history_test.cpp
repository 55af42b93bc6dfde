// The history file: its bound, its mode, its reading back.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ternex/history.h"

namespace {

namespace fs = std::filesystem;

class ternexHistory : public ::testing::Test {
protected:
    void SetUp() override {
        dossier_ = fs::temp_directory_path() / ("ternex-history-" + std::to_string(getpid()));
        fs::remove_all(dossier_);
        fs::create_directories(dossier_);
    }
    void TearDown() override { fs::remove_all(dossier_); }
    std::vector<std::string> lignes(const fs::path& f) {
        std::ifstream in(f);
        std::vector<std::string> v;
        for (std::string l; std::getline(in, l);) v.push_back(l);
        return v;
    }
    fs::path dossier_;
};

TEST_F(ternexHistory, NewFileAndFolderAreTheOwnersOnly) {
    const fs::path f = dossier_ / "state" / "glomerix" / "history";
    ternex_history h(f.string(), 1000);
    EXPECT_TRUE(h.lines().empty());
    EXPECT_FALSE(fs::exists(f));  // nothing written before a line is added
    EXPECT_TRUE(h.add("nb 20"));
    EXPECT_EQ(lignes(f), std::vector<std::string>{"nb 20"});
    EXPECT_EQ(fs::status(f).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(fs::status(f.parent_path()).permissions() & fs::perms::all, fs::perms::owner_all);
    EXPECT_FALSE(fs::exists(f.string() + ".new"));
}

TEST_F(ternexHistory, AtMostTheBoundOldestDroppedFirst) {
    const fs::path f = dossier_ / "history";
    {
        ternex_history h(f.string(), 1000);
        for (int i = 0; i < 1005; ++i) ASSERT_TRUE(h.add("relax " + std::to_string(i)));
        ASSERT_EQ(h.lines().size(), 1000u);
        EXPECT_EQ(h.lines().front(), "relax 5");
        EXPECT_EQ(h.lines().back(), "relax 1004");
    }
    const std::vector<std::string> fichier = lignes(f);
    ASSERT_EQ(fichier.size(), 1000u);
    EXPECT_EQ(fichier.front(), "relax 5");
    // A longer file (written by hand, or with another bound) is cut when read.
    ternex_history court(f.string(), 10);
    ASSERT_EQ(court.lines().size(), 10u);
    EXPECT_EQ(court.lines().front(), "relax 995");
}

TEST_F(ternexHistory, NoLineTwiceInARowNorEmpty) {
    const fs::path f = dossier_ / "history";
    std::ofstream(f) << "a\na\n\nb\r\nb\na\n";
    ternex_history h(f.string(), 1000);
    EXPECT_EQ(h.lines(), (std::vector<std::string>{"a", "b", "a"}));
    EXPECT_FALSE(h.add("a"));
    EXPECT_FALSE(h.add(""));
    EXPECT_FALSE(h.add("deux\nlignes"));
    EXPECT_TRUE(h.add("b"));
    EXPECT_EQ(lignes(f), (std::vector<std::string>{"a", "b", "a", "b"}));
}

// A folder that cannot be made (its parent is a file) or no path at all: the
// lines stay in memory, without error.
TEST_F(ternexHistory, UnwritableOrNoFileKeepsTheLinesInMemory) {
    std::ofstream(dossier_ / "fichier") << "x";
    ternex_history h((dossier_ / "fichier" / "history").string(), 1000);
    EXPECT_TRUE(h.add("k 2.0"));
    EXPECT_EQ(h.lines(), std::vector<std::string>{"k 2.0"});
    ternex_history memoire("", 3);
    for (const char* l : {"1", "2", "3", "4"}) EXPECT_TRUE(memoire.add(l));
    EXPECT_EQ(memoire.lines(), (std::vector<std::string>{"2", "3", "4"}));
}

}  // namespace
