// The inspection tool on files made by the engine and the store.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sys/wait.h>
#include <zlib.h>

#include "etat/particules.h"
#include "store/best_format.h"
#include "store/best_store.h"
#include "store/record_db.h"
#include "store/record_journal.h"
#include "store_files.h"

using namespace storetest;

namespace {

struct ToolRun {
    std::string out;
    int status;
};

ToolRun Inspect(const std::string& path, const std::string& options = "") {
    const std::string command = std::string(GLOMERIX_BINARY_DIR "/glomerix-db ") + options + " '" + path + "' 2>&1";
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
    const BestValues v = ValuesOf(positions);
    MettreAJourReferences(5, v.energy, v.minDistance, positions);
    MarquerValide(5, true);
    SauverModes();
    FermerBase();

    const ToolRun run = Inspect(databasePath);
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_TRUE(Has(run, "allocCount: 3\n")) << run.out;
    EXPECT_TRUE(Has(run, "  record 0: entry 2 offset 1510 size 100 used 8\n")) << run.out;
    EXPECT_TRUE(Has(run, "  record 1: entry 1 offset 260 size 1250 used 1250\n")) << run.out;
    char line[200];
    std::snprintf(line, sizeof line, "  record 5: entry 0 offset 0 size 260 used 260  energy %.17g  distance %.17g\n",
                  v.energy, v.minDistance);
    EXPECT_TRUE(Has(run, line)) << run.out;
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

// A store's file with counts 12, 20 and 32, 20 marked, the switches saved.
class CheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("XDG_DATA_HOME", dir.path().c_str(), 1);
        ASSERT_TRUE(OuvrirBase());
        for (const int n : {12, 20, 32}) {
            std::vector<Vec3> positions;
            for (int i = 0; i < n; ++i) positions.push_back(fromAngles(2.4 * i, std::acos(1.0 - (2.0 * i + 1.0) / n)));
            const BestValues v = ValuesOf(positions);
            MettreAJourReferences(n, v.energy, v.minDistance, positions);
        }
        MarquerValide(20, true);
        SauverModes();
        FermerBase();
        path = databasePath;
        sound = ReadFile(path);
    }

    // Record r's entry and the file offset of its bytes.
    size_t Slot(int32_t r) const { return 40032 + 12 * static_cast<size_t>(WordAt(sound, 24 + 4 * static_cast<size_t>(r))); }
    size_t Bytes(int32_t r) const { return 160024 + static_cast<size_t>(WordAt(sound, Slot(r))); }

    ToolRun CheckWith(const std::vector<uint8_t>& bytes) {
        WriteFile(path, bytes);
        return Inspect(path, "--check");
    }

    TempDir dir;
    std::string path;
    std::vector<uint8_t> sound;
};

TEST_F(CheckTest, ASoundStoreFilePasses) {
    const ToolRun run = Inspect(path, "--check");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(run.out, "file: " + path + "\ncheck: sound\n");
}

// The mix-up a torn table write made: links shifted by one, each count
// reading its neighbour's bytes. Check words and table invariants hold; the
// sizes give it away.
TEST_F(CheckTest, LinksToAnotherCountsBytesAreFound) {
    std::vector<uint8_t> bytes = sound;
    const int32_t twelve = WordAt(sound, 24 + 4 * 12), twenty = WordAt(sound, 24 + 4 * 20);
    SetWordAt(bytes, 24 + 4 * 12, twenty);
    SetWordAt(bytes, 24 + 4 * 20, twelve);
    SetWordAt(bytes, 20, static_cast<int32_t>(CheckWordOf(bytes, 24, 40000)));
    ASSERT_EQ(Inspect(path).status, 0);  // the tables alone look coherent
    const ToolRun run = CheckWith(bytes);
    EXPECT_EQ(run.status, 2) << run.out;
    EXPECT_TRUE(Has(run, "problem: record 12: 980 bytes allocated, a record of 12 points has 596 (or 592 before the count "
                         "was kept in it): not this count's bytes\n"))
        << run.out;
    EXPECT_TRUE(Has(run, "problem: record 20: 596 bytes allocated, a record of 20 points has 980 (or 976 before the count "
                         "was kept in it): not this count's bytes\n"))
        << run.out;
    EXPECT_TRUE(Has(run, "check: 2 faults\n")) << run.out;
}

TEST_F(CheckTest, ValuesNoConfigurationCanHaveAreSuspect) {
    std::vector<uint8_t> bytes = sound;
    const double low = 60.249632, far = 2.5, nan = std::nan("");
    std::memcpy(&bytes[Bytes(20)], &low, sizeof low);
    std::memcpy(&bytes[Bytes(32) + bestformat::kDistanceOffset], &far, sizeof far);
    std::memcpy(&bytes[Bytes(12)] + bestformat::PositionSetOffset(12, false) + bestformat::kPositionSize * 3, &far, sizeof far);
    ToolRun run = CheckWith(bytes);
    EXPECT_EQ(run.status, 2) << run.out;
    EXPECT_TRUE(Has(run, "suspect: record 20: energy 60.249631999999998 below 139.23901410979823, the least 20 points "
                         "can have\n")) << run.out;
    EXPECT_TRUE(Has(run, "suspect: record 32: minimum distance 2.5 outside (0, ")) << run.out;
    EXPECT_TRUE(Has(run, "suspect: record 12: position 3 of the best distance off the unit sphere")) << run.out;

    bytes = sound;
    std::memcpy(&bytes[Bytes(32)], &nan, sizeof nan);
    run = CheckWith(bytes);
    EXPECT_TRUE(Has(run, "problem: record 32: values not finite (nan, ")) << run.out;
}

// Bytes of another count of the same size: the count written in them shows
// it. A value that is not that of its positions (a bit of the energy
// flipped, a coordinate's sign) passes every bound: recomputed, it does not.
TEST_F(CheckTest, AnotherCountsBytesAndValuesThatAreNotTheirPositions) {
    std::vector<uint8_t> bytes = sound;
    SetWordAt(bytes, Bytes(12) + static_cast<size_t>(bestformat::CountRecordSize(12)), 13);
    bytes[Bytes(20) + 5] ^= 0x08;
    bytes[Bytes(32) + static_cast<size_t>(bestformat::PositionSetOffset(32, false)) + 7] ^= 0x80;
    const ToolRun run = CheckWith(bytes);
    EXPECT_EQ(run.status, 2) << run.out;
    EXPECT_TRUE(Has(run, "problem: record 12: holds the count 13: not this count's bytes\n")) << run.out;
    EXPECT_TRUE(Has(run, "problem: record 20: best energy ")) << run.out;
    EXPECT_TRUE(Has(run, "problem: record 32: best distance ")) << run.out;
    EXPECT_TRUE(Has(run, "check: 3 faults\n")) << run.out;
}

TEST_F(CheckTest, TheStoresOtherRecordsAndIncompleteCounts) {
    setenv("XDG_DATA_HOME", dir.path().c_str(), 1);
    auto db = OpenDatabase(path);
    ResizeRecord(*db, 0, 120);
    CreateRecord(*db, 2, 8);
    CreateRecord(*db, 40, bestformat::CountRecordSize(40));
    PutRecord(*db, 40, std::vector<uint8_t>(100, 0));
    db.reset();
    const ToolRun run = Inspect(path, "--check");
    EXPECT_EQ(run.status, 2) << run.out;
    EXPECT_TRUE(Has(run, "problem: record 0: 120 bytes allocated instead of 100\n")) << run.out;
    EXPECT_TRUE(Has(run, "problem: record 2: not a record of the store\n")) << run.out;
    EXPECT_TRUE(Has(run, "problem: record 40: 100 of 1936 bytes written\n")) << run.out;
}

// A change stopped with its journal complete: the check sees the file as the
// next opening will.
TEST_F(CheckTest, AFileIsJudgedWithItsJournalReplayed) {
    std::vector<uint8_t> torn = sound;
    SetWordAt(torn, 40028, 2);  // allocCount written, the rest not: a link now points past it
    dbjournal::Journal journal;
    journal.header = {WordAt(sound, 4), 1, 1, 10000};
    journal.length = static_cast<int64_t>(sound.size());
    std::vector<uint8_t> count(sound.begin() + 40028, sound.begin() + 40032);
    journal.chunks.push_back({40028, 0, count});
    std::vector<uint8_t> old(torn.begin() + 40028, torn.begin() + 40032);
    journal.chunks.back().before = static_cast<uint32_t>(crc32(0, old.data(), 4));
    WriteFile(path, torn);
    ToolRun run = Inspect(path, "--check");
    EXPECT_EQ(run.status, 2) << run.out;
    WriteFile(path + "-journal", dbjournal::Encode(journal));
    run = Inspect(path, "--check");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_TRUE(Has(run, "journal: complete, 1 chunks, replayed here as at the next opening\n")) << run.out;
    EXPECT_EQ(ReadFile(path), torn);  // read only
    // Through a link: the journal of the file it names.
    const std::string link = dir.file("link.dat");
    std::filesystem::create_symlink(path, link);
    run = Inspect(link, "--check");
    EXPECT_EQ(run.status, 0) << run.out;
}

// While a program has the database open, what the check reads may be half
// of a change: it waits a few seconds for the file, then says it is in use
// (status 3) instead of reporting faults that are not there. The plain
// dump goes on, saying so.
TEST_F(CheckTest, AFileInUseIsNotJudged) {
    auto db = OpenDatabase(path);
    ToolRun run = Inspect(path, "--check");
    EXPECT_EQ(run.status, 3) << run.out;
    EXPECT_TRUE(Has(run, "in use")) << run.out;
    EXPECT_FALSE(Has(run, "check:")) << run.out;
    run = Inspect(path);
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_TRUE(Has(run, "in use")) << run.out;
    db.reset();
    EXPECT_EQ(Inspect(path, "--check").status, 0);
}

TEST(GlomerixDbTest, Usage) {
    TempDir dir;
    const std::string command = std::string(GLOMERIX_BINARY_DIR "/glomerix-db --verify x >/dev/null 2>&1");
    EXPECT_EQ(WEXITSTATUS(std::system(command.c_str())), 1);
}

}  // namespace
