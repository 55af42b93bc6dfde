// One file open in several places at once: each change under the change
// lock, the tables read again when another opening changed the file, a
// change that a killed process left half-done completed by the next one to
// take the lock.
#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <filesystem>
#include <thread>

#include "store/record_db.h"
#include "store_files.h"

using namespace storetest;

namespace {

std::vector<uint8_t> Bytes(size_t n, uint8_t seed) {
    std::vector<uint8_t> b(n);
    for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(seed + 11 * i);
    return b;
}

// Record r created with bytes, as one change.
void Put(RecordDb& db, int32_t r, const std::vector<uint8_t>& bytes) {
    BeginChanges(db);
    if (!RecordExists(db, r)) CreateRecord(db, r, static_cast<int32_t>(bytes.size()));
    PutRecord(db, r, bytes);
    CommitChanges(db);
}

std::vector<uint8_t> Get(RecordDb& db, int32_t r) {
    BeginChanges(db);
    std::vector<uint8_t> bytes = RecordExists(db, r) ? GetRecord(db, r) : std::vector<uint8_t>{};
    CommitChanges(db);
    return bytes;
}

int32_t CounterOf(const std::string& path) { return WordAt(ReadFile(path), 4); }

int CauseOf(void (*operation)(RecordDb&), RecordDb& db) {
    try {
        operation(db);
    } catch (const DbError& e) {
        return e.code == DB_OPEN_FAILED ? e.cause : -1;
    }
    return -2;
}

class ShareTest : public ::testing::Test {
protected:
    void SetUp() override { CreateDatabase(path, 64); }
    TempDir dir;
    std::string path = dir.file("base.dat");
};

// Each opening places its new records from the tables as the file holds
// them at the time: none lands on another's bytes, and each sees the others'.
TEST_F(ShareTest, TwoOpeningsSeeEachOthersChanges) {
    auto first = OpenDatabase(path);
    auto second = OpenDatabase(path);
    const int32_t counter = CounterOf(path);
    Put(*first, 5, Bytes(40, 5));
    EXPECT_EQ(CounterOf(path), counter + 1);
    Put(*second, 6, Bytes(30, 6));
    Put(*first, 7, Bytes(20, 7));
    Put(*second, 5, Bytes(40, 55));  // in place, over the first's record
    for (RecordDb* db : {first.get(), second.get()}) {
        EXPECT_EQ(Get(*db, 5), Bytes(40, 55));
        EXPECT_EQ(Get(*db, 6), Bytes(30, 6));
        EXPECT_EQ(Get(*db, 7), Bytes(20, 7));
    }
    // Reading changes nothing: the counter stays.
    EXPECT_EQ(CounterOf(path), counter + 4);
    BeginChanges(*second);
    DeleteRecord(*second, 6);
    CommitChanges(*second);
    EXPECT_TRUE(Get(*first, 6).empty());
    CloseDatabase(std::move(first));
    CloseDatabase(std::move(second));
    auto again = OpenDatabase(path);
    EXPECT_EQ(GetRecord(*again, 7), Bytes(20, 7));
    EXPECT_FALSE(RecordExists(*again, 6));
}

// A change holds the lock: another opening waits for it, and gives up with
// CAUSE_BUSY when it is held for longer than it waits. Cancelled or
// committed, the lock is free again.
TEST_F(ShareTest, AChangeUnderWayIsWaitedFor) {
    auto first = OpenDatabase(path);
    auto second = OpenDatabase(path);
    BeginChanges(*first);
    CreateRecord(*first, 3, 10);
    EXPECT_EQ(CauseOf([](RecordDb& db) { BeginChanges(db, std::chrono::milliseconds(20)); }, *second), CAUSE_BUSY);
    try {
        OpenDatabase(path, std::chrono::milliseconds(20));
        ADD_FAILURE() << "opened during another's change";
    } catch (const DbError& e) {
        EXPECT_EQ(e.cause, CAUSE_BUSY);
    }
    CancelChanges(*first);
    BeginChanges(*second, std::chrono::milliseconds(0));
    EXPECT_FALSE(RecordExists(*second, 3));
    CommitChanges(*second);

    // Waited for: the second, on a thread of its own, asks while the first's
    // change is under way, and reads what it wrote.
    BeginChanges(*first);
    CreateRecord(*first, 3, 10);
    PutRecord(*first, 3, Bytes(10, 3));
    std::atomic<bool> asking{false};
    std::vector<uint8_t> seen;
    std::thread reader([&] {
        asking = true;
        seen = Get(*second, 3);
    });
    while (!asking) std::this_thread::yield();
    CommitChanges(*first);
    reader.join();
    EXPECT_EQ(seen, Bytes(10, 3));
}

// A change of another process killed with its journal on the disk and
// nothing written in place: the next opening to take the lock completes it
// before it reads the tables.
void KilledInTheMiddle(const std::string& path) {
    auto db = OpenDatabase(path);
    KillAtTheFirstWriteInPlace();
    BeginChanges(*db);
    CreateRecord(*db, 9, 25);
    PutRecord(*db, 9, Bytes(25, 9));
    PutRecord(*db, 1, Bytes(16, 111));
    CommitChanges(*db);
}

TEST_F(ShareTest, AChangeCutShortIsCompletedByTheNextOneToTakeTheLock) {
    auto db = OpenDatabase(path);
    Put(*db, 1, Bytes(16, 1));
    ASSERT_EQ(InChild(KilledInTheMiddle, path), 128 + SIGKILL);
    ASSERT_TRUE(std::filesystem::exists(path + "-journal"));
    EXPECT_EQ(Get(*db, 1), Bytes(16, 111));
    EXPECT_EQ(Get(*db, 9), Bytes(25, 9));
    EXPECT_FALSE(std::filesystem::exists(path + "-journal"));
}

}  // namespace
