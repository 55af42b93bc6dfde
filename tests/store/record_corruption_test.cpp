// Damaged files: each kind of damage gives its error on opening, and random
// damage never crashes the engine or makes it allocate absurd memory.
#include <gtest/gtest.h>

#include <random>

#include "store/record_db.h"
#include "store_files.h"

using namespace storetest;

namespace {

class RecordCorruptionTest : public ::testing::Test {
protected:
    // A real database: records created, written, resized and deleted.
    void SetUp() override {
        CreateDatabase(path, 10000);
        auto db = OpenDatabase(path);
        for (int32_t r = 3; r < 40; r += 3) {
            CreateRecord(*db, r, 16 + 8 * r);
            RecordHandle h = OpenRecord(*db, r, MODE_WRITE);
            const std::vector<uint8_t> bytes(static_cast<size_t>(10 + r), static_cast<uint8_t>(r));
            WriteRecord(h, bytes.data(), static_cast<int32_t>(bytes.size()));
            CloseRecord(h);
        }
        DeleteRecord(*db, 9);
        ResizeRecord(*db, 12, 400);
        CloseDatabase(std::move(db));
        original = ReadFile(path);
    }

    int OpenCode(const std::vector<uint8_t>& bytes) {
        WriteFile(path, bytes);
        try {
            OpenDatabase(path);
        } catch (const DbError& e) {
            return e.code;
        }
        return DB_NO_ERROR;
    }

    // The image with its check words recomputed, so that only the invariants
    // can catch the damage.
    std::vector<uint8_t> Sealed(std::vector<uint8_t> bytes) {
        SetWordAt(bytes, 20, static_cast<int32_t>(CheckWordOf(bytes, 24, 40000)));
        SetWordAt(bytes, kAlloc, static_cast<int32_t>(CheckWordOf(bytes, kAlloc + 8, 120000)));
        return bytes;
    }
    size_t Link(int32_t r) const { return 24 + 4 * static_cast<size_t>(r); }
    size_t Slot(int32_t k) const { return kAlloc + 8 + 12 * static_cast<size_t>(k); }

    static constexpr size_t kAlloc = 40024;
    TempDir dir;
    std::string path = dir.file("base.dat");
    std::vector<uint8_t> original;
};

TEST_F(RecordCorruptionTest, EachDamageGivesItsError) {
    ASSERT_EQ(OpenCode(original), DB_NO_ERROR);
    const int32_t count = WordAt(original, kAlloc + 4);
    ASSERT_EQ(count, 12);
    struct Case {
        const char* what;
        size_t at;
        int32_t value;
        bool seal;
        int expected;
    };
    const Case cases[] = {
        {"link check word", 20, 0x7FFFFFFF, false, DB_LINK_TABLE_CORRUPT},
        {"allocation check word", kAlloc, 0, false, DB_ALLOC_TABLE_CORRUPT},
        {"no allocation table", 8, 0, false, DB_NO_ALLOC_TABLE},
        {"no link table", 12, -3, false, DB_NO_LINK_TABLE},
        {"N zero", 16, 0, false, DB_LINK_TABLE_CORRUPT},
        {"N absurd", 16, 0x7FFFFFFF, false, DB_LINK_TABLE_CORRUPT},
        {"N beyond the file", 16, 20000, false, DB_READ_ERROR},
        {"L beyond the file", 12, 1000000, false, DB_READ_ERROR},
        {"allocCount negative", kAlloc + 4, -1, true, DB_ALLOC_TABLE_CORRUPT},
        {"allocCount above N", kAlloc + 4, 10001, true, DB_ALLOC_TABLE_CORRUPT},
        {"allocCount over a stale slot", kAlloc + 4, count + 1, true, DB_ALLOC_TABLE_CORRUPT},
        {"negative offset", Slot(0), -8, true, DB_ALLOC_TABLE_CORRUPT},
        {"size zero", Slot(1) + 4, 0, true, DB_ALLOC_TABLE_CORRUPT},
        {"used above size", Slot(1) + 8, 10000, true, DB_ALLOC_TABLE_CORRUPT},
        {"overlapping entries", Slot(2), 1, true, DB_ALLOC_TABLE_CORRUPT},
        {"end past 2^31", Slot(11) + 4, 0x7FFFFFF0, true, DB_ALLOC_TABLE_CORRUPT},
        {"link below -1", Link(2), -2, true, DB_LINK_TABLE_CORRUPT},
        {"two links to one entry", Link(2), 0, true, DB_LINK_TABLE_CORRUPT},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes = original;
        SetWordAt(bytes, c.at, c.value);
        EXPECT_EQ(OpenCode(c.seal ? Sealed(bytes) : bytes), c.expected) << c.what;
    }
    std::vector<uint8_t> unsorted = original;
    for (int i = 0; i < 12; ++i) std::swap(unsorted[Slot(3) + i], unsorted[Slot(4) + i]);
    EXPECT_EQ(OpenCode(Sealed(unsorted)), DB_ALLOC_TABLE_CORRUPT);
    for (const size_t length : {size_t{0}, size_t{10}, size_t{20}, size_t{40024}, size_t{160031}})
        EXPECT_EQ(OpenCode(std::vector<uint8_t>(original.begin(), original.begin() + length)), DB_READ_ERROR) << length;
}

// A link past allocCount or to bytes past the end of the file is what a
// change cut short between its writes left: that record is taken as absent,
// every other one stays as it was, and the file is mended.
TEST_F(RecordCorruptionTest, DanglingLinksAreSalvaged) {
    auto db = OpenDatabase(path);
    std::vector<std::vector<uint8_t>> records(40);
    std::vector<int32_t> present;
    for (int32_t r = 0; r < 40; ++r) {
        if (!RecordExists(*db, r)) continue;
        records[r] = GetRecord(*db, r);
        present.push_back(r);
    }
    db.reset();
    ASSERT_EQ(present.size(), 12u);
    const int32_t count = WordAt(original, kAlloc + 4);
    // The record whose entry is the last one, and the one whose entry is 11.
    int32_t last = -1, eleventh = -1;
    for (const int32_t r : present) {
        if (WordAt(original, Link(r)) == count - 1) last = r;
        if (WordAt(original, Link(r)) == 11) eleventh = r;
    }
    ASSERT_GE(last, 0);
    struct Case {
        const char* what;
        size_t at;
        int32_t value;
        int32_t lost;  // the record taken as absent
    };
    const Case cases[] = {
        {"link beyond allocCount", Link(2), 12, 2},
        {"allocCount below a link", kAlloc + 4, count - 1, last},
        {"used bytes past the file", Slot(11), 100000000, eleventh},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes = original;
        SetWordAt(bytes, c.at, c.value);
        WriteFile(path, Sealed(bytes));
        db = OpenDatabase(path);
        EXPECT_EQ(db->report.droppedLinks, 1) << c.what;
        EXPECT_FALSE(RecordExists(*db, c.lost)) << c.what;
        for (const int32_t r : present) {
            if (r == c.lost) continue;
            EXPECT_EQ(GetRecord(*db, r), records[r]) << c.what << " record " << r;
        }
        db.reset();
        db = OpenDatabase(path);  // mended on the disk: nothing more to drop
        EXPECT_EQ(db->report.droppedLinks, 0) << c.what;
        EXPECT_FALSE(RecordExists(*db, c.lost)) << c.what;
        db.reset();
    }
}

// Every engine operation on whatever opened; only DbError may come out.
void Exercise(RecordDb& db) {
    auto attempt = [](auto&& operation) {
        try {
            operation();
        } catch (const DbError&) {
        }
    };
    std::vector<uint8_t> buffer;
    for (int32_t r = 0; r < 50; ++r) {
        attempt([&] {
            RecordHandle h = OpenRecord(db, r, MODE_READ);
            buffer.resize(static_cast<size_t>(h.used) + 1);
            ReadRecord(h, buffer.data(), h.used);
        });
        attempt([&] {
            RecordHandle h = OpenRecord(db, r, MODE_APPEND);
            WriteRecord(h, "abcdefgh", 8);
            CloseRecord(h);
        });
        attempt([&] { ResizeRecord(db, r, 64 + r); });
        attempt([&] { CreateRecord(db, r, 10); });
        if (r % 4 == 0) attempt([&] { DeleteRecord(db, r); });
    }
}

TEST_F(RecordCorruptionTest, RandomDamageNeverCrashes) {
    std::mt19937 random(20240611);
    const std::string damaged = dir.file("damaged.dat");
    int opened = 0, refused = 0;
    for (int round = 0; round < 400; ++round) {
        std::vector<uint8_t> bytes = original;
        if (round % 5 == 4) {
            bytes.resize(std::uniform_int_distribution<size_t>(0, bytes.size())(random));
        } else {
            // Damage aimed at the header, the live entries and the record area.
            const size_t regions[][2] = {{0, 20}, {20, 80}, {kAlloc, kAlloc + 160}, {160024, bytes.size()}};
            const int flips = 1 + static_cast<int>(random() % 3);
            for (int f = 0; f < flips; ++f) {
                const auto& region = regions[random() % 4];
                const size_t at = region[0] + random() % (region[1] - region[0]);
                bytes[at] ^= static_cast<uint8_t>(1u << (random() % 8));
            }
            if (round % 2 == 0) bytes = Sealed(bytes);
        }
        WriteFile(damaged, bytes);
        std::unique_ptr<RecordDb> db;
        try {
            db = OpenDatabase(damaged);
        } catch (const DbError& e) {
            ++refused;
            EXPECT_TRUE(e.code == DB_READ_ERROR || (e.code >= DB_LINK_TABLE_CORRUPT && e.code <= DB_NO_ALLOC_TABLE))
                << "round " << round << " code " << e.code;
            continue;
        }
        ++opened;
        Exercise(*db);
        CloseDatabase(std::move(db));
        EXPECT_NO_THROW(OpenDatabase(damaged)) << "round " << round;  // what the engine wrote is sound
    }
    EXPECT_GT(opened, 0);
    EXPECT_GT(refused, 0);
}

}  // namespace
