// The record engine on real files: layout, placement, handles, errors.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <numeric>
#include <sys/wait.h>
#include <unistd.h>

#include "store/record_db.h"
#include "store_files.h"

using namespace storetest;

namespace {

int CodeOf(void (*operation)()) {
    try {
        operation();
    } catch (const DbError& e) {
        return e.code;
    }
    return -1;
}

#define EXPECT_DB_ERROR(expected, statement)              \
    do {                                                  \
        int raised_ = -1;                                 \
        try {                                             \
            statement;                                    \
        } catch (const DbError& e) {                      \
            raised_ = e.code;                             \
        }                                                 \
        EXPECT_EQ(raised_, expected) << #statement;       \
    } while (0)

std::vector<uint8_t> Pattern(size_t n, uint8_t seed) {
    std::vector<uint8_t> bytes(n);
    for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<uint8_t>(seed + 7 * i);
    return bytes;
}

class RecordDbTest : public ::testing::Test {
protected:
    std::unique_ptr<RecordDb> Fresh(int32_t n = 10000) {
        CreateDatabase(path, n);
        return OpenDatabase(path);
    }

    TempDir dir;
    std::string path = dir.file("base.dat");
};

TEST_F(RecordDbTest, NewFileHasTheLayoutOfAnEmptyDatabase) {
    CreateDatabase(path, 10000);
    const std::vector<uint8_t> f = ReadFile(path);
    ASSERT_EQ(f.size(), 160032u);
    EXPECT_EQ(std::vector<uint8_t>(f.begin(), f.begin() + 4), (std::vector<uint8_t>{0x9F, 0x0D, 0x1F, 0x28}));
    EXPECT_EQ(WordAt(f, 8), 1);
    EXPECT_EQ(WordAt(f, 12), 1);
    EXPECT_EQ(WordAt(f, 16), 10000);
    EXPECT_EQ(static_cast<uint32_t>(WordAt(f, 20)), 0xFFFFFFFFu);
    EXPECT_EQ(static_cast<uint32_t>(WordAt(f, 40024)), 0xFFFFFFFFu);
    EXPECT_EQ(WordAt(f, 24), -1);
    EXPECT_EQ(WordAt(f, 40020), -1);  // link entry 9999
    EXPECT_EQ(WordAt(f, 40028), 0);   // allocCount
    for (size_t slot : {size_t{40032}, size_t{40032 + 12 * 9999}}) {
        EXPECT_EQ(WordAt(f, slot), -1);
        EXPECT_EQ(WordAt(f, slot + 4), 0);
        EXPECT_EQ(WordAt(f, slot + 8), 0);
    }
    EXPECT_EQ(CheckDatabaseFile(path), 2);

    auto db = OpenDatabase(path);
    EXPECT_EQ(RecordAreaBase(*db), 160024);
    EXPECT_EQ(AllocTablesStart(*db), 40024);
    EXPECT_FALSE(RecordExists(*db, 0));
    EXPECT_FALSE(RecordExists(*db, 9999));
    EXPECT_DB_ERROR(DB_RECORD_ABOVE_MAX, RecordExists(*db, 10000));
    EXPECT_DB_ERROR(DB_RECORD_ABOVE_MAX, RecordExists(*db, -1));
}

// The check word computed four bytes at a time, fed in pieces of any length
// and alignment, is the one computed byte by byte: sparse bytes so that each
// position's sign and bits show, and random ones.
TEST(TableChecksumTest, PiecesOfAnyAlignmentGiveTheBytewiseWord) {
    std::vector<uint8_t> bytes(1000, 0);
    uint32_t seed = 12345;
    for (int round = 0; round < 200; ++round) {
        for (uint8_t& b : bytes) {
            seed = seed * 1103515245u + 12345u;
            const bool sparse = round < 100;
            b = !sparse || (seed >> 10) % 200 == 0 ? static_cast<uint8_t>(seed >> 24) : 0;
        }
        uint32_t word = 0;
        for (size_t at = 0; at < bytes.size();) {
            const size_t n = std::min<size_t>(bytes.size() - at, 1 + (seed >> 3) % 13);
            seed = seed * 1103515245u + 12345u;
            word = dbformat::TableChecksum(word, static_cast<int64_t>(at), &bytes[at], n);
            at += n;
        }
        EXPECT_EQ(word, CheckWordOf(bytes, 0, bytes.size())) << round;
    }
}

TEST_F(RecordDbTest, WorkedExampleLeavesTheListedBytes) {
    auto db = Fresh();
    CreateRecord(*db, 5, 64);
    const std::vector<uint8_t> data = Pattern(16, 0x81);
    PutRecord(*db, 5, data);
    CloseDatabase(std::move(db));

    const std::vector<uint8_t> f = ReadFile(path);
    ASSERT_EQ(f.size(), 160040u);
    EXPECT_EQ(WordAt(f, 44), 0);
    EXPECT_EQ(WordAt(f, 40028), 1);
    EXPECT_EQ(WordAt(f, 40032), 0);
    EXPECT_EQ(WordAt(f, 40036), 64);
    EXPECT_EQ(WordAt(f, 40040), 16);
    EXPECT_EQ(std::vector<uint8_t>(f.begin() + 160024, f.end()), data);
    EXPECT_EQ(static_cast<uint32_t>(WordAt(f, 20)), CheckWordOf(f, 24, 40000));
    EXPECT_EQ(static_cast<uint32_t>(WordAt(f, 40024)), CheckWordOf(f, 40032, 120000));
}

TEST_F(RecordDbTest, FirstFitReusesTheGapAndRenumbersLinks) {
    auto db = Fresh(100);
    CreateRecord(*db, 1, 10);
    CreateRecord(*db, 2, 20);
    CreateRecord(*db, 3, 30);
    EXPECT_EQ(RecordOffset(*db, 1), 0);
    EXPECT_EQ(RecordOffset(*db, 2), 10);
    EXPECT_EQ(RecordOffset(*db, 3), 30);
    const std::vector<uint8_t> third = Pattern(30, 3);
    PutRecord(*db, 3, third);
    EXPECT_EQ(db->linkTable[3], 2);

    DeleteRecord(*db, 2);
    EXPECT_EQ(db->linkTable[3], 1);
    EXPECT_EQ(db->linkTable[2], -1);
    CreateRecord(*db, 4, 15);
    EXPECT_EQ(RecordOffset(*db, 4), 10);
    EXPECT_EQ(db->linkTable[4], 1);
    EXPECT_EQ(db->linkTable[3], 2);
    EXPECT_EQ(GetRecord(*db, 3), third);

    // A record larger than every gap goes after the last one; one that fits
    // before the first record goes there.
    CreateRecord(*db, 5, 5);
    EXPECT_EQ(RecordOffset(*db, 5), 25);
    CreateRecord(*db, 6, 100);
    EXPECT_EQ(RecordOffset(*db, 6), 60);
    DeleteRecord(*db, 1);
    CreateRecord(*db, 7, 10);
    EXPECT_EQ(RecordOffset(*db, 7), 0);
    EXPECT_EQ(db->linkTable[7], 0);
    EXPECT_EQ(db->allocCount, 5);
    EXPECT_EQ(GetRecord(*db, 3), third);
}

TEST_F(RecordDbTest, CreateAndDeleteReportTheirErrors) {
    auto db = Fresh(100);
    CreateRecord(*db, 9, 8);
    EXPECT_DB_ERROR(DB_RECORD_EXISTS, CreateRecord(*db, 9, 8));
    EXPECT_DB_ERROR(DB_RECORD_MISSING, DeleteRecord(*db, 8));
    EXPECT_DB_ERROR(DB_RECORD_ABOVE_MAX, DeleteRecord(*db, 100));
    EXPECT_DB_ERROR(DB_RECORD_ABOVE_MAX, CreateRecord(*db, 100, 8));
    EXPECT_DB_ERROR(DB_SIZE_TOO_SMALL, CreateRecord(*db, 10, 0));
    EXPECT_DB_ERROR(DB_SIZE_TOO_SMALL, CreateRecord(*db, 10, -5));
    EXPECT_DB_ERROR(DB_RECORD_MISSING, RecordSize(*db, 10));
    EXPECT_FALSE(RecordExists(*db, 10));
    EXPECT_EQ(FindFreeRecord(*db), 0);
    CreateRecord(*db, 0, 1);
    EXPECT_EQ(FindFreeRecord(*db), 1);
}

TEST_F(RecordDbTest, ResizeGrowsInPlaceOrMovesKeepingTheBytes) {
    auto db = Fresh(100);
    CreateRecord(*db, 1, 10);
    CreateRecord(*db, 2, 10);
    CreateRecord(*db, 3, 10);
    const std::vector<uint8_t> one = Pattern(8, 11), two = Pattern(10, 22), three = Pattern(5, 33);
    PutRecord(*db, 1, one);
    PutRecord(*db, 2, two);
    PutRecord(*db, 3, three);

    EXPECT_DB_ERROR(DB_SIZE_TOO_SMALL, ResizeRecord(*db, 1, 7));
    EXPECT_DB_ERROR(DB_SIZE_TOO_SMALL, ResizeRecord(*db, 3, 0));
    EXPECT_DB_ERROR(DB_RECORD_MISSING, ResizeRecord(*db, 4, 10));
    ResizeRecord(*db, 1, 10);  // same size: nothing
    EXPECT_EQ(RecordSize(*db, 1), 10);

    ResizeRecord(*db, 3, 5000);  // the last record grows in place
    EXPECT_EQ(RecordOffset(*db, 3), 20);
    EXPECT_EQ(RecordSize(*db, 3), 5000);
    ResizeRecord(*db, 1, 8);  // shrinking in place leaves a gap of 2
    EXPECT_EQ(RecordOffset(*db, 1), 0);
    ResizeRecord(*db, 1, 10);  // which it may take back
    EXPECT_EQ(RecordOffset(*db, 1), 0);

    ResizeRecord(*db, 1, 12);  // no room: moved after the last record
    EXPECT_EQ(RecordOffset(*db, 1), 5020);
    EXPECT_EQ(RecordUsed(*db, 1), 8);
    EXPECT_EQ(GetRecord(*db, 1), one);
    EXPECT_EQ(GetRecord(*db, 2), two);
    EXPECT_EQ(GetRecord(*db, 3), three);

    ResizeRecord(*db, 2, 10);
    ResizeRecord(*db, 2, 20);  // moves back into the gap left at offset 0
    EXPECT_EQ(RecordOffset(*db, 2), 0);
    EXPECT_EQ(GetRecord(*db, 2), two);
    CloseDatabase(std::move(db));
    db = OpenDatabase(path);
    EXPECT_EQ(GetRecord(*db, 1), one);
    EXPECT_EQ(GetRecord(*db, 2), two);
    EXPECT_EQ(GetRecord(*db, 3), three);
}

TEST_F(RecordDbTest, MoveThroughAFreeNumberKeepsNumberAndBytes) {
    auto db = Fresh(100);
    CreateRecord(*db, 0, 4);
    CreateRecord(*db, 2, 10);
    CreateRecord(*db, 3, 10);
    const std::vector<uint8_t> two = Pattern(9, 5);
    PutRecord(*db, 2, two);
    MoveRecordThroughFreeNumber(*db, 2, 30);
    EXPECT_EQ(RecordOffset(*db, 2), 24);
    EXPECT_EQ(RecordSize(*db, 2), 30);
    EXPECT_EQ(GetRecord(*db, 2), two);
    EXPECT_FALSE(RecordExists(*db, 1));  // the temporary number is free again
    EXPECT_EQ(db->allocCount, 3);
    EXPECT_DB_ERROR(DB_SIZE_TOO_SMALL, MoveRecordThroughFreeNumber(*db, 2, 8));
    CloseDatabase(std::move(db));
    db = OpenDatabase(path);
    EXPECT_EQ(GetRecord(*db, 2), two);
}

TEST_F(RecordDbTest, HandleModesPositionsAndUsedSizes) {
    auto db = Fresh(100);
    CreateRecord(*db, 4, 16);
    RecordHandle h = OpenRecord(*db, 4, MODE_READ);
    EXPECT_DB_ERROR(DB_SEEK_OUT_OF_RANGE, SeekRecord(h, 0, SEEK_FROM_START));  // used 0
    CloseRecord(h);

    PutRecord(*db, 4, Pattern(10, 1));
    h = OpenRecord(*db, 4, MODE_APPEND);
    EXPECT_EQ(h.position, 10);
    WriteRecord(h, Pattern(6, 2).data(), 6);
    EXPECT_DB_ERROR(DB_PAST_END, WriteRecord(h, "x", 1));
    EXPECT_EQ(h.position, 16);
    CloseRecord(h);
    EXPECT_EQ(RecordUsed(*db, 4), 16);

    h = OpenRecord(*db, 4, MODE_READ);
    EXPECT_DB_ERROR(DB_SEEK_OUT_OF_RANGE, SeekRecord(h, 16, SEEK_FROM_START));
    SeekRecord(h, 15, SEEK_FROM_START);
    EXPECT_DB_ERROR(DB_SEEK_OUT_OF_RANGE, SeekRecord(h, -16, SEEK_FROM_CURRENT));
    EXPECT_EQ(h.position, 15);
    SeekRecord(h, -5, SEEK_FROM_CURRENT);
    EXPECT_DB_ERROR(DB_BAD_MODE, SeekRecord(h, 0, 2));
    uint8_t b[8];
    EXPECT_DB_ERROR(DB_PAST_END, ReadRecord(h, b, 7));
    ReadRecord(h, b, 6);
    EXPECT_EQ(b[5], Pattern(6, 2)[5]);
    EXPECT_DB_ERROR(DB_READ_ERROR, ReadRecord(h, b, 0));
    EXPECT_DB_ERROR(DB_WRONG_MODE, WriteRecord(h, b, 1));
    RecordInfo info = GetRecordInfo(h);
    EXPECT_EQ(info.number, 4);
    EXPECT_EQ(info.mode, MODE_READ);
    EXPECT_EQ(info.allocated, 16);
    EXPECT_EQ(info.size, 16);
    EXPECT_EQ(info.position, 16);
    CloseRecord(h);
    EXPECT_DB_ERROR(DB_NOT_OPEN, ReadRecord(h, b, 1));

    h = OpenRecord(*db, 4, MODE_WRITE);
    EXPECT_DB_ERROR(DB_WRITE_ERROR, WriteRecord(h, b, 0));
    EXPECT_DB_ERROR(DB_WRONG_MODE, ReadRecord(h, b, 1));
    SeekRecord(h, 15, SEEK_FROM_START);  // write modes may seek up to the allocation
    EXPECT_DB_ERROR(DB_SEEK_OUT_OF_RANGE, SeekRecord(h, 16, SEEK_FROM_START));
    info = GetRecordInfo(h);
    EXPECT_EQ(info.size, 15);
    CloseRecord(h);

    EXPECT_DB_ERROR(DB_BAD_MODE, OpenRecord(*db, 4, 7));
    EXPECT_DB_ERROR(DB_BAD_MODE, OpenRecord(*db, 4, -1));
    EXPECT_DB_ERROR(DB_RECORD_MISSING, OpenRecord(*db, 5, 7));
    EXPECT_DB_ERROR(DB_RECORD_ABOVE_MAX, OpenRecord(*db, 100, 7));
}

TEST_F(RecordDbTest, CloseAndSyncKeepTheLargerUsedSize) {
    auto db = Fresh(100);
    CreateRecord(*db, 1, 200);
    PutRecord(*db, 1, Pattern(100, 9));
    PutRecord(*db, 1, Pattern(4, 1));  // 4 bytes at position 0
    EXPECT_EQ(RecordUsed(*db, 1), 100);

    RecordHandle t = OpenRecord(*db, 1, MODE_TRUNCATE);
    EXPECT_EQ(RecordUsed(*db, 1), 0);  // at once, before any write
    CloseRecord(t);
    CloseDatabase(std::move(db));
    db = OpenDatabase(path);
    EXPECT_EQ(RecordUsed(*db, 1), 0);

    RecordHandle w = OpenRecord(*db, 1, MODE_WRITE);
    WriteRecord(w, Pattern(30, 4).data(), 30);
    EXPECT_EQ(RecordUsed(*db, 1), 0);  // until synced or closed
    SyncRecord(w);
    EXPECT_EQ(RecordUsed(*db, 1), 30);
    RecordHandle other = OpenRecord(*db, 1, MODE_APPEND);
    WriteRecord(other, Pattern(20, 5).data(), 20);
    CloseRecord(other);
    EXPECT_EQ(RecordUsed(*db, 1), 50);
    SyncRecord(w);  // the entry's larger size wins
    EXPECT_EQ(GetRecordInfo(w).position, 30);
    EXPECT_EQ(w.used, 50);

    RecordHandle r = OpenRecord(*db, 1, MODE_READ);
    ResizeRecord(*db, 1, 60);
    SyncRecord(r);
    EXPECT_EQ(r.allocated, 60);
    CloseRecord(r);
    CloseRecord(w);
    EXPECT_EQ(RecordUsed(*db, 1), 50);

    RecordHandle gone = OpenRecord(*db, 1, MODE_WRITE);
    DeleteRecord(*db, 1);
    EXPECT_DB_ERROR(DB_RECORD_MISSING, CloseRecord(gone));
    EXPECT_EQ(gone.db, nullptr);
}

TEST_F(RecordDbTest, StaleHandlesStayInsideTheRecord) {
    auto db = Fresh(100);
    CreateRecord(*db, 1, 40);
    CreateRecord(*db, 2, 8);
    const std::vector<uint8_t> neighbour = Pattern(8, 77);
    PutRecord(*db, 2, neighbour);
    RecordHandle h = OpenRecord(*db, 1, MODE_WRITE);
    ResizeRecord(*db, 1, 20);  // the handle still believes in 40 bytes
    SeekRecord(h, 16, SEEK_FROM_START);
    EXPECT_DB_ERROR(DB_PAST_END, WriteRecord(h, Pattern(16, 0).data(), 16));
    CloseRecord(h);
    EXPECT_EQ(GetRecord(*db, 2), neighbour);
}

TEST_F(RecordDbTest, ErrorTextCoversExactlyTheKnownNumbers) {
    EXPECT_STREQ(ErrorText(0), "ERREUR : Pas d'erreur.");
    EXPECT_STREQ(ErrorText(5), "ERREUR : La table de lien est corrompu.");
    EXPECT_STREQ(ErrorText(14), "ERREUR : Le fichier existe d\xE9j\xE0.");
    EXPECT_STREQ(ErrorText(25), "ERREUR : Aucune erreur avec ce num\xE9ro n'existe.");
    for (int code = 0; code < 26; ++code) EXPECT_LT(std::strlen(ErrorText(code)), 256u);
    EXPECT_EQ(CodeOf([] { ErrorText(26); }), DB_UNKNOWN_ERROR_NUMBER);
    EXPECT_EQ(CodeOf([] { ErrorText(-1); }), DB_UNKNOWN_ERROR_NUMBER);
}

TEST_F(RecordDbTest, CheckAndCreateRespectExistingFiles) {
    EXPECT_EQ(CheckDatabaseFile(path), 0);
    WriteText(path, "just some text\n");
    EXPECT_EQ(CheckDatabaseFile(path), 1);
    EXPECT_DB_ERROR(DB_FILE_EXISTS, CreateDatabase(path, 100));
    EXPECT_EQ(ReadFile(path).size(), 15u);

    WriteText(path, "ab");
    EXPECT_DB_ERROR(DB_READ_ERROR, CheckDatabaseFile(path));
    EXPECT_DB_ERROR(DB_READ_ERROR, CreateDatabase(path, 100));
    EXPECT_EQ(ReadFile(path).size(), 2u);

    // An empty file stands for no database: a new one takes its place.
    WriteText(path, "");
    EXPECT_EQ(CheckDatabaseFile(path), 0);
    CreateDatabase(path, 100);
    EXPECT_EQ(CheckDatabaseFile(path), 2);
    EXPECT_EQ(ReadFile(path).size(), static_cast<size_t>(20 + 404 + 1208));

    const std::string db2 = dir.file("other.dat");
    CreateDatabase(db2, 100);
    const std::vector<uint8_t> before = ReadFile(db2);
    EXPECT_DB_ERROR(DB_FILE_EXISTS, CreateDatabase(db2, 10000));
    EXPECT_EQ(ReadFile(db2), before);
    EXPECT_DB_ERROR(DB_CREATE_FAILED, CreateDatabase(dir.file("none/x.dat"), 100));
    EXPECT_DB_ERROR(DB_CREATE_FAILED, CreateDatabase(dir.file("zero.dat"), 0));

    EXPECT_DB_ERROR(DB_OPEN_FAILED, OpenDatabase(dir.file("absent.dat")));
    DeleteDatabase(db2);
    EXPECT_EQ(CheckDatabaseFile(db2), 0);
    EXPECT_DB_ERROR(DB_DELETE_FAILED, DeleteDatabase(db2));
}

// The temporary file of a creation killed before its rename goes at the
// next start; one whose process still runs (it may be creating) stays.
TEST_F(RecordDbTest, TemporaryFilesOfEndedCreationsAreRemoved) {
    CreateDatabase(path, 100);
    const pid_t ended = fork();
    if (ended == 0) _exit(0);
    waitpid(ended, nullptr, 0);
    const std::string stale = path + ".new-" + std::to_string(ended) + "-0";
    const std::string running = path + ".new-1-0";  // init runs as long as the system
    const std::string other = dir.file("other.dat.new-" + std::to_string(ended) + "-0");
    for (const std::string& f : {stale, running, other}) WriteText(f, "x");
    OpenDatabase(path);
    EXPECT_FALSE(std::filesystem::exists(stale));
    EXPECT_TRUE(std::filesystem::exists(running));
    EXPECT_TRUE(std::filesystem::exists(other));
}

}  // namespace
