// The history file: its bound, its mode, its reading back.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
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
    ternex_history h(f.string(), 1000, 255);
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
        ternex_history h(f.string(), 1000, 255);
        for (int i = 0; i < 1005; ++i) ASSERT_TRUE(h.add("relax " + std::to_string(i)));
        ASSERT_EQ(h.lines().size(), 1000u);
        EXPECT_EQ(h.lines().front(), "relax 5");
        EXPECT_EQ(h.lines().back(), "relax 1004");
    }
    const std::vector<std::string> fichier = lignes(f);
    ASSERT_EQ(fichier.size(), 1000u);
    EXPECT_EQ(fichier.front(), "relax 5");
    // A longer file (written by hand, or with another bound) is cut when read.
    ternex_history court(f.string(), 100, 255);
    ASSERT_EQ(court.lines().size(), 100u);
    EXPECT_EQ(court.lines().front(), "relax 905");
}

TEST_F(ternexHistory, NoLineTwiceInARowNorEmpty) {
    const fs::path f = dossier_ / "history";
    std::ofstream(f) << "a\na\n\nb\r\nb\na\n";
    ternex_history h(f.string(), 1000, 255);
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
    ternex_history h((dossier_ / "fichier" / "history").string(), 1000, 255);
    EXPECT_TRUE(h.add("k 2.0"));
    EXPECT_EQ(h.lines(), std::vector<std::string>{"k 2.0"});
    ternex_history memoire("", 3, 255);
    for (const char* l : {"1", "2", "3", "4"}) EXPECT_TRUE(memoire.add(l));
    EXPECT_EQ(memoire.lines(), (std::vector<std::string>{"2", "3", "4"}));
}

// Reads the history at path in a child process, with 20 s and 256 MB for
// it (AddressSanitizer's shadow needs far more address space: no bound
// then); its exit code: the load's result, or 128 + signal when it hung or
// could not cope.
int LoadInChild(const fs::path& path) {
    const pid_t pid = fork();
    if (pid == 0) {
        alarm(20);
#ifndef __SANITIZE_ADDRESS__
        const rlimit memory{256u << 20, 256u << 20};
        setrlimit(RLIMIT_AS, &memory);
#endif
        ternex_history h(path.string(), 1000, 255);
        _exit(static_cast<int>(h.load()) + (h.lines().empty() ? 0 : 10));
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
}

// Only a regular file is read, and only when its size fits its lines: a FIFO
// would wait for a writer before the first prompt, a link to /dev/zero or
// one huge line would fill the memory. Such a file is neither read nor
// written; lines longer than the limit are left out of a file that fits.
TEST_F(ternexHistory, OnlyARegularFileOfBoundedSizeIsRead) {
    const fs::path fifo = dossier_ / "fifo", zero = dossier_ / "zero", huge = dossier_ / "huge";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", zero);
    std::ofstream(huge) << "nb 20\n" << std::string(2 << 20, 'x') << "\n";
    EXPECT_EQ(LoadInChild(fifo), static_cast<int>(ternex_history::load_result::not_regular));
    EXPECT_EQ(LoadInChild(zero), static_cast<int>(ternex_history::load_result::not_regular));
    EXPECT_EQ(LoadInChild(huge), static_cast<int>(ternex_history::load_result::too_large));

    const std::string before = std::string("nb 20\n") + std::string(2 << 20, 'x') + "\n";
    ternex_history h(huge.string(), 1000, 255);
    EXPECT_TRUE(h.add("relax 5"));
    EXPECT_EQ(h.lines(), std::vector<std::string>{"relax 5"});
    std::ifstream in(huge, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), before);  // left as it was

    const fs::path f = dossier_ / "history";
    std::ofstream(f) << "nb 20\n" << std::string(300, 'y') << "\nrelax 5\n";
    ternex_history mixed(f.string(), 1000, 255);
    EXPECT_EQ(mixed.load(), ternex_history::load_result::read);
    EXPECT_EQ(mixed.lines(), (std::vector<std::string>{"nb 20", "relax 5"}));
    EXPECT_EQ(ternex_history((dossier_ / "absent").string(), 1000, 255).load(), ternex_history::load_result::absent);
}

}  // namespace
