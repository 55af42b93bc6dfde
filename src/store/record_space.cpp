// Record space: existence, placement, insertion, freeing, resizing, moves.
#include <algorithm>
#include <climits>
#include <memory>
#include <new>

#include "store/record_db.h"
#include "store/record_db_internal.h"

using namespace dbformat;

namespace dbinternal {

void CheckNumber(const RecordDb& db, int32_t r) {
    if (r < 0 || r >= db.header.N) RaiseDbError(DB_RECORD_ABOVE_MAX);
}

int32_t EntryIndex(const RecordDb& db, int32_t r) {
    const int32_t k = db.linkTable[r];
    if (k == -1) RaiseDbError(DB_RECORD_MISSING);
    return k;
}

AllocEntry& EntryOf(RecordDb& db, int32_t r) {
    CheckNumber(db, r);
    return db.allocTable[EntryIndex(db, r)];
}

int64_t FileOffsetOf(const RecordDb& db, const AllocEntry& e, int64_t position) {
    return RecordAreaBase(db) + e.offset + position;
}

void RemoveEntry(RecordDb& db, int32_t k) {
    auto first = db.allocTable.begin();
    std::copy(first + k + 1, first + db.allocCount, first + k);
    db.allocTable[db.allocCount - 1] = AllocEntry{};
    for (int32_t& link : db.linkTable) {
        if (link == k) link = -1;
        else if (link > k) --link;
    }
    --db.allocCount;
}

}  // namespace dbinternal

using namespace dbinternal;

namespace {

struct Placement {
    int32_t index;
    int64_t offset;
};

int64_t EndOf(const AllocEntry& e) { return int64_t{e.offset} + e.size; }

// First fit over the sorted entries: before the first record, in the first
// gap that holds s bytes, else after the last record.
Placement Place(const RecordDb& db, int32_t s) {
    const std::vector<AllocEntry>& e = db.allocTable;
    const int32_t count = db.allocCount;
    if (count == 0 || s <= e[0].offset) return {0, 0};
    if (count == 1) return {1, EndOf(e[0])};
    for (int32_t i = 1; i < count; ++i)
        if (e[i].offset - EndOf(e[i - 1]) >= s) return {i, EndOf(e[i - 1])};
    return {count, EndOf(e[count - 1])};
}

// REQUIRES: allocCount < N, r has no entry, the range fits at index k.
void Insert(RecordDb& db, int32_t r, int32_t k, int32_t offset, int32_t size) {
    auto first = db.allocTable.begin();
    std::copy_backward(first + k, first + db.allocCount, first + db.allocCount + 1);
    for (int32_t& link : db.linkTable)
        if (link >= k) ++link;
    ++db.allocCount;
    db.allocTable[k] = {offset, size, 0};
    db.linkTable[r] = k;
}

// REQUIRES: r has an entry. Its bytes stay in the file as a gap.
void Free(RecordDb& db, int32_t r) { RemoveEntry(db, db.linkTable[r]); }

// A new entry for r. Slots from UsableSlots on share their bytes with the
// first record bytes, so they are never taken.
void Allocate(RecordDb& db, int32_t r, int32_t size) {
    if (size < 1) RaiseDbError(DB_SIZE_TOO_SMALL);
    if (db.allocCount >= UsableSlots(db.header.L, db.header.A, db.header.N))
        RaiseDbError(DB_ALL_RECORDS_USED);
    const Placement p = Place(db, size);
    if (p.offset + size > INT32_MAX) RaiseDbError(DB_WRITE_ERROR);
    Insert(db, r, p.index, static_cast<int32_t>(p.offset), size);
}

void CheckNewSize(const AllocEntry& e, int32_t newSize) {
    if (newSize < e.used || newSize < 1) RaiseDbError(DB_SIZE_TOO_SMALL);
}

void MoveThroughFreeNumber(RecordDb& db, int32_t r, int32_t newSize) {
    const int32_t temporary = FindFreeRecord(db);
    Allocate(db, temporary, newSize);
    const AllocEntry from = db.allocTable[db.linkTable[r]];
    const AllocEntry to = db.allocTable[db.linkTable[temporary]];
    // Both ranges are live allocations, hence disjoint: copy in small steps
    // through the stack, no heap memory needed.
    uint8_t chunk[512];
    for (int32_t done = 0; done < from.used;) {
        const auto n = static_cast<size_t>(std::min<int32_t>(from.used - done, sizeof chunk));
        GetBytes(db, FileOffsetOf(db, from, done), chunk, n);
        PutBytes(db, FileOffsetOf(db, to, done), chunk, n);
        done += static_cast<int32_t>(n);
    }
    db.allocTable[db.linkTable[temporary]].used = from.used;
    Free(db, r);
    db.linkTable[r] = db.linkTable[temporary];
    db.linkTable[temporary] = -1;
}

// Takes r out and places it again with newSize (first fit, possibly at the
// same offset, or over its own old bytes), its used bytes copied through a
// buffer.
void MoveThroughBuffer(RecordDb& db, int32_t r, int32_t newSize) {
    const AllocEntry old = db.allocTable[db.linkTable[r]];
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[std::max(old.used, 1)]);
    if (!buffer) return MoveThroughFreeNumber(db, r, newSize);
    GetBytes(db, FileOffsetOf(db, old, 0), buffer.get(), static_cast<size_t>(old.used));
    Free(db, r);
    const Placement p = Place(db, newSize);
    if (p.offset + newSize > INT32_MAX) Fail(db, DB_WRITE_ERROR);
    Insert(db, r, p.index, static_cast<int32_t>(p.offset), newSize);
    if (old.used > 0) PutBytes(db, FileOffsetOf(db, db.allocTable[p.index], 0), buffer.get(), static_cast<size_t>(old.used));
    db.allocTable[p.index].used = old.used;
}

}  // namespace

bool RecordExists(const RecordDb& db, int32_t r) {
    CheckNumber(db, r);
    return db.linkTable[r] != -1;
}

void CreateRecord(RecordDb& db, int32_t r, int32_t size) {
    if (RecordExists(db, r)) RaiseDbError(DB_RECORD_EXISTS);
    Allocate(db, r, size);
    Settle(db);
}

void DeleteRecord(RecordDb& db, int32_t r) {
    CheckNumber(db, r);
    EntryIndex(db, r);
    Free(db, r);
    Settle(db);
}

void ResizeRecord(RecordDb& db, int32_t r, int32_t newSize) {
    CheckNumber(db, r);
    const int32_t k = EntryIndex(db, r);
    AllocEntry& e = db.allocTable[k];
    if (newSize == e.size) return;
    CheckNewSize(e, newSize);
    const bool last = k == db.allocCount - 1;
    if (last || int64_t{newSize} - e.size <= db.allocTable[k + 1].offset - EndOf(e)) {
        if (int64_t{e.offset} + newSize > INT32_MAX) RaiseDbError(DB_WRITE_ERROR);
        e.size = newSize;
    } else {
        MoveThroughBuffer(db, r, newSize);
    }
    Settle(db);
}

void MoveRecordThroughFreeNumber(RecordDb& db, int32_t r, int32_t newSize) {
    CheckNumber(db, r);
    CheckNewSize(db.allocTable[EntryIndex(db, r)], newSize);
    MoveThroughFreeNumber(db, r, newSize);
    Settle(db);
}

int32_t FindFreeRecord(const RecordDb& db) {
    if (FreeRecordCount(db) == 0) RaiseDbError(DB_ALL_RECORDS_USED);
    const auto free = std::find(db.linkTable.begin(), db.linkTable.end(), -1);
    if (free == db.linkTable.end()) RaiseDbError(DB_ALL_RECORDS_USED);
    return static_cast<int32_t>(free - db.linkTable.begin());
}

int32_t FreeRecordCount(const RecordDb& db) {
    const int32_t usable = UsableSlots(db.header.L, db.header.A, db.header.N);
    return std::max(0, usable - db.allocCount);
}

int32_t RecordSize(const RecordDb& db, int32_t r) {
    CheckNumber(db, r);
    return db.allocTable[EntryIndex(db, r)].size;
}

int32_t RecordUsed(const RecordDb& db, int32_t r) {
    CheckNumber(db, r);
    return db.allocTable[EntryIndex(db, r)].used;
}

int32_t RecordOffset(const RecordDb& db, int32_t r) {
    CheckNumber(db, r);
    return db.allocTable[EntryIndex(db, r)].offset;
}

int64_t RecordAreaBase(const RecordDb& db) {
    return dbformat::RecordAreaBase(db.header.L, db.header.A, db.header.N);
}

int64_t AllocTablesStart(const RecordDb& db) {
    return AllocTableStart(0, db.header.L, db.header.N);
}
