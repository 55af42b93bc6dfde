// The inspection tool on files made by the engine and the store.
#include <gtest/gtest.h>

#include <cstdio>
#include <sys/wait.h>

#include "store/best_store.h"
#include "store/record_db.h"
#include "store_files.h"

using namespace storetest;

namespace {

struct ToolRun {
    std::string out;
    int status;
};

ToolRun Inspect(const std::string& path) {
    const std::string command = std::string(GLOMERIX_BINARY_DIR "/glomerix-db '") + path + "' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return {"", -1};
    ToolRun run{"", 0};
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, n);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

bool Has(const ToolRun& run, const std::string& text) { return run.out.find(text) != std::string::npos; }

TEST(GlomerixDbTest, ShowsANewDatabase) {
    TempDir dir;
    const std::string path = dir.file("new.dat");
    CreateDatabase(path, 10000);
    const ToolRun run = Inspect(path);
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_TRUE(Has(run, "length: 160032 bytes\n")) << run.out;
    EXPECT_TRUE(Has(run, "magic: 0x281F0D9F (database)\n")) << run.out;
    EXPECT_TRUE(Has(run, "A: 1\nL: 1\nN: 10000\nrecordAreaBase: 160024\n")) << run.out;
    EXPECT_TRUE(Has(run, "link table 0 at 20: check word stored 0xFFFFFFFF, recomputed 0xFFFFFFFF (ok)\n"))
        << run.out;
    EXPECT_TRUE(Has(run, "allocation table 0 at 40024: check word stored 0xFFFFFFFF, recomputed 0xFFFFFFFF (ok)\n"))
        << run.out;
    EXPECT_TRUE(Has(run, "allocCount: 0\ntables: coherent\nrecords:\n")) << run.out;
}

TEST(GlomerixDbTest, ShowsRecordsAndTheBestValuesOfCounts) {
    TempDir dir;
    setenv("XDG_DATA_HOME", dir.path().c_str(), 1);
    ASSERT_TRUE(OuvrirBase());
    std::vector<Vec3> positions;
    for (int i = 0; i < 5; ++i) positions.push_back(fromAngles(1.25 * i, 0.5 + 0.5 * i));
    MettreAJourReferences(5, 6.5, 0.375, positions);
    MarquerValide(5, true);
    SauverModes();
    FermerBase();

    const ToolRun run = Inspect(databasePath);
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_TRUE(Has(run, "allocCount: 3\n")) << run.out;
    EXPECT_TRUE(Has(run, "  record 0: entry 2 offset 1506 size 100 used 8\n")) << run.out;
    EXPECT_TRUE(Has(run, "  record 1: entry 1 offset 256 size 1250 used 1250\n")) << run.out;
    EXPECT_TRUE(Has(run, "  record 5: entry 0 offset 0 size 256 used 256  energy 6.5  distance 0.375\n"))
        << run.out;
}

TEST(GlomerixDbTest, ReportsDamageAndForeignFiles) {
    TempDir dir;
    const std::string path = dir.file("damaged.dat");
    CreateDatabase(path, 100);
    std::vector<uint8_t> bytes = ReadFile(path);
    SetWordAt(bytes, 20, 0x00000F00);
    WriteFile(path, bytes);
    ToolRun run = Inspect(path);
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(Has(run, "link table 0 at 20: check word stored 0x00000F00, recomputed 0xFFFFFFFF (MISMATCH)\n"))
        << run.out;

    SetWordAt(bytes, 20, -1);
    SetWordAt(bytes, 24 + 4 * 3, 7);  // record 3 -> entry 7, beyond allocCount 0
    WriteFile(path, bytes);
    run = Inspect(path);
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(Has(run, "tables: error 5\n")) << run.out;
    EXPECT_TRUE(Has(run, "  record 3: link 7 outside the allocation table\n")) << run.out;

    WriteFile(path, std::vector<uint8_t>(bytes.begin(), bytes.begin() + 1000));
    run = Inspect(path);
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(Has(run, "header: error 2\n")) << run.out;

    WriteText(path, "plain text, long enough for a header\n");
    run = Inspect(path);
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(Has(run, "(not a database)")) << run.out;

    run = Inspect(dir.file("absent.dat"));
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Has(run, "cannot read")) << run.out;
}

}  // namespace
