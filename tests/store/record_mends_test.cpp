// What the engine does beyond the bare layout: tables that reach the file
// before an operation returns, the slot that shares bytes with the record
// area, short writes, and files laid out by another writer.
#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <unistd.h>

#include "store/record_db.h"
#include "store_files.h"

using namespace storetest;

namespace {

std::vector<uint8_t> Bytes(size_t n, uint8_t seed) {
    std::vector<uint8_t> b(n);
    for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(seed ^ (i * 31));
    return b;
}

int Raised(const std::function<void()>& f) {
    try {
        f();
    } catch (const DbError& e) {
        return e.code;
    }
    return -1;
}

class RecordMendsTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string path = dir.file("base.dat");
};

// Dropping a RecordDb without CloseDatabase is what a killed process leaves.
TEST_F(RecordMendsTest, CompletedOperationsSurviveWithoutClosing) {
    CreateDatabase(path, 10000);
    auto db = OpenDatabase(path);
    CreateRecord(*db, 7, 40);
    PutRecord(*db, 7, Bytes(40, 1));
    CreateRecord(*db, 8, 40);
    PutRecord(*db, 8, Bytes(12, 2));
    db.reset();

    db = OpenDatabase(path);
    EXPECT_EQ(GetRecord(*db, 7), Bytes(40, 1));
    EXPECT_EQ(GetRecord(*db, 8), Bytes(12, 2));
    // A record placed in the gap of one deleted in the same run: the file's
    // tables must not give the old record the new bytes.
    DeleteRecord(*db, 7);
    CreateRecord(*db, 9, 40);
    EXPECT_EQ(RecordOffset(*db, 9), 0);
    PutRecord(*db, 9, Bytes(40, 3));
    OpenRecord(*db, 8, MODE_TRUNCATE);  // left open: the used size changed already
    db.reset();

    db = OpenDatabase(path);
    EXPECT_FALSE(RecordExists(*db, 7));
    EXPECT_EQ(GetRecord(*db, 9), Bytes(40, 3));
    EXPECT_EQ(RecordUsed(*db, 8), 0);
    DeleteRecord(*db, 8);
    CreateRecord(*db, 10, 4);
    ResizeRecord(*db, 9, 60);  // moved past record 10
    db.reset();

    db = OpenDatabase(path);
    EXPECT_FALSE(RecordExists(*db, 8));
    EXPECT_EQ(RecordOffset(*db, 10), 40);
    EXPECT_EQ(RecordOffset(*db, 9), 44);
    EXPECT_EQ(GetRecord(*db, 9), Bytes(40, 3));
}

TEST_F(RecordMendsTest, TheSlotSharingBytesWithTheRecordAreaIsNeverTaken) {
    CreateDatabase(path, 8);
    auto db = OpenDatabase(path);
    for (int32_t r = 0; r < 7; ++r) {
        CreateRecord(*db, r, 8);
        PutRecord(*db, r, Bytes(8, static_cast<uint8_t>(0x80 + r)));
    }
    EXPECT_EQ(FreeRecordCount(*db), 0);
    EXPECT_EQ(Raised([&] { CreateRecord(*db, 7, 8); }), DB_ALL_RECORDS_USED);
    EXPECT_EQ(Raised([&] { FindFreeRecord(*db); }), DB_ALL_RECORDS_USED);
    EXPECT_EQ(Raised([&] { MoveRecordThroughFreeNumber(*db, 0, 20); }), DB_ALL_RECORDS_USED);
    ResizeRecord(*db, 0, 20);  // a move through a buffer needs no extra slot
    EXPECT_EQ(RecordOffset(*db, 0), 56);
    CloseDatabase(std::move(db));

    db = OpenDatabase(path);
    for (int32_t r = 0; r < 7; ++r) EXPECT_EQ(GetRecord(*db, r), Bytes(8, static_cast<uint8_t>(0x80 + r))) << r;
    DeleteRecord(*db, 3);
    EXPECT_EQ(FreeRecordCount(*db), 1);
    EXPECT_EQ(FindFreeRecord(*db), 3);
}

// A hand-made file whose check word depends on the bytes the first record
// shares with slot N-1: rewriting them must leave a file that opens.
TEST_F(RecordMendsTest, WritingTheSharedBytesKeepsTheCheckWordTrue) {
    Image image(2);
    image.links[0] = 0;
    image.slots = {{0, 8, 8}};
    image.build();
    const size_t slot1 = image.allocTable(0) + 8 + 12;
    SetWordAt(image.bytes, slot1, 0);  // slot 1's offset no longer saturates the word
    image.seal();
    WriteFile(path, image.bytes);
    ASSERT_EQ(image.bytes.size(), image.recordArea() + 8);
    ASSERT_NE(CheckWordOf(image.bytes, image.allocTable(0) + 8, 24), 0xFFFFFFFFu);

    auto db = OpenDatabase(path);
    PutRecord(*db, 0, std::vector<uint8_t>(8, 0xF0));
    db.reset();
    db = OpenDatabase(path);
    EXPECT_EQ(GetRecord(*db, 0), std::vector<uint8_t>(8, 0xF0));
}

TEST_F(RecordMendsTest, FilesWithSeveralTablesAreReadAndKeptInStep) {
    Image image(4, 2, 2);
    image.links = {-1, 1, -1, 0};
    image.slots = {{0, 5, 5}, {5, 3, 2}};
    image.build();
    for (int i = 0; i < 8; ++i) image.bytes[image.recordArea() + static_cast<size_t>(i)] = static_cast<uint8_t>('a' + i);
    image.seal();
    WriteFile(path, image.bytes);

    auto db = OpenDatabase(path);
    EXPECT_EQ(RecordAreaBase(*db), static_cast<int64_t>(image.recordArea()));
    EXPECT_EQ(FreeRecordCount(*db), 1);  // 4 + 4A = 12 shared bytes: slot 3 of table 1
    EXPECT_EQ(GetRecord(*db, 3), (std::vector<uint8_t>{'a', 'b', 'c', 'd', 'e'}));
    EXPECT_EQ(GetRecord(*db, 1), (std::vector<uint8_t>{'f', 'g'}));
    DeleteRecord(*db, 3);
    CreateRecord(*db, 2, 4);
    CloseDatabase(std::move(db));

    const std::vector<uint8_t> f = ReadFile(path);
    for (int32_t t = 0; t < 2; ++t) {
        EXPECT_EQ(WordAt(f, image.linkTable(t) + 4 + 4), 1) << t;  // record 1: entry 1
        EXPECT_EQ(WordAt(f, image.linkTable(t) + 4 + 8), 0) << t;  // record 2: entry 0
        EXPECT_EQ(WordAt(f, image.linkTable(t) + 4 + 12), -1) << t;
        EXPECT_EQ(static_cast<uint32_t>(WordAt(f, image.linkTable(t))), CheckWordOf(f, image.linkTable(t) + 4, 16));
        EXPECT_EQ(WordAt(f, image.allocTable(t) + 4), 2) << t;
        EXPECT_EQ(WordAt(f, image.allocTable(t) + 8), 0) << t;
        EXPECT_EQ(WordAt(f, image.allocTable(t) + 12), 4) << t;
        EXPECT_EQ(static_cast<uint32_t>(WordAt(f, image.allocTable(t))), CheckWordOf(f, image.allocTable(t) + 8, 48));
    }
}

// A file size limit makes writes past it short, as a full disk does.
void WriteBeyondTheLimit(const std::string& path) {
    signal(SIGXFSZ, SIG_IGN);
    auto db = OpenDatabase(path);
    CreateRecord(*db, 1, 64);
    const rlimit limit{160040, 160040};  // 16 record bytes fit
    setrlimit(RLIMIT_FSIZE, &limit);
    RecordHandle h = OpenRecord(*db, 1, MODE_WRITE);
    const std::vector<uint8_t> bytes(64, 0x55);
    try {
        WriteRecord(h, bytes.data(), 64);
    } catch (const DbError& e) {
        _exit(h.position == 0 ? e.code : 100);
    }
    _exit(0);
}

void CreateBeyondTheLimit(const std::string& path) {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{100000, 100000};
    setrlimit(RLIMIT_FSIZE, &limit);
    try {
        CreateDatabase(path, 10000);
    } catch (const DbError& e) {
        _exit(e.code);
    }
    _exit(0);
}

// A move whose bytes cannot be written leaves the record where it was.
void MoveBeyondTheLimit(const std::string& path) {
    signal(SIGXFSZ, SIG_IGN);
    auto db = OpenDatabase(path);
    const rlimit limit{160100, 160100};
    setrlimit(RLIMIT_FSIZE, &limit);
    try {
        ResizeRecord(*db, 1, 200);
    } catch (const DbError& e) {
        const bool kept = RecordOffset(*db, 1) == 0 && RecordSize(*db, 1) == 64 && GetRecord(*db, 1) == Bytes(16, 9);
        _exit(kept ? e.code : 100);
    }
    _exit(0);
}

TEST_F(RecordMendsTest, ShortWritesRaiseWriteError) {
    CreateDatabase(path, 10000);
    EXPECT_EQ(InChild(WriteBeyondTheLimit, path), DB_WRITE_ERROR);
    auto db = OpenDatabase(path);
    EXPECT_EQ(RecordUsed(*db, 1), 0);
    PutRecord(*db, 1, Bytes(16, 9));
    CreateRecord(*db, 2, 8);
    PutRecord(*db, 2, Bytes(8, 2));
    db.reset();
    EXPECT_EQ(InChild(MoveBeyondTheLimit, path), DB_WRITE_ERROR);
    db = OpenDatabase(path);
    EXPECT_EQ(GetRecord(*db, 1), Bytes(16, 9));
    db.reset();

    // A failed creation leaves nothing behind: no half-written file, no temporary one.
    const std::string partial = dir.file("partial.dat");
    EXPECT_EQ(InChild(CreateBeyondTheLimit, partial), DB_WRITE_ERROR);
    EXPECT_EQ(CheckDatabaseFile(partial), 0);
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        EXPECT_EQ(entry.path().filename().string().rfind("partial", 0), std::string::npos) << entry.path();
}

}  // namespace
