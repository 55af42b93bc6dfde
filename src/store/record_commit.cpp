// The change under way: bytes beside the live ones go straight to the file;
// bytes that replace live ones, and the tables, go through the journal when
// the change is committed.
//
// A commit: (1) sync what went straight to the file, so that no table on the
// disk counts bytes that are not there; (2) write and sync the journal with
// the new bytes of the tables and of the live ranges, the change counter
// moved on, and the CRCs of the ranges written straight (a replay checks
// they are there); (3) write them in place and sync; (4) remove the journal.
// A kill before (2) is complete leaves the old state, one after it the new
// state once replayed.
#include <algorithm>
#include <cerrno>
#include <new>

#include "store/record_db.h"
#include "store/record_db_internal.h"
#include "store/record_io.h"

using namespace dbformat;
using dbjournal::Extent;

namespace dbinternal {

namespace {

bool Overlap(int64_t a, int64_t aEnd, int64_t b, int64_t bEnd) { return a < bEnd && b < aEnd; }

int64_t EndOf(const Extent& e) { return e.offset + static_cast<int64_t>(e.bytes.size()); }

bool Overlaps(const std::vector<Extent>& list, int64_t at, int64_t end) {
    for (const Extent& e : list)
        if (Overlap(at, end, e.offset, EndOf(e))) return true;
    return false;
}

// Bytes [at, end) matter to the state on the disk or to bytes kept for a
// journal: the tables (with the record bytes the last slots share), the used
// bytes of an entry on the disk, bytes pending or unapplied.
bool Live(const RecordDb& db, int64_t at, int64_t end) {
    const Header& h = db.header;
    if (at < TablesEnd(h.L, h.A, h.N)) return true;
    if (Overlaps(db.pending, at, end) || Overlaps(db.unapplied, at, end)) return true;
    const int64_t base = RecordAreaBase(h.L, h.A, h.N);
    const auto last = db.savedAlloc.begin() + db.savedCount;
    auto e = std::partition_point(db.savedAlloc.begin(), last,
                                  [&](const AllocEntry& s) { return base + s.offset + s.size <= at; });
    for (; e != last && base + e->offset < end; ++e)
        if (Overlap(at, end, base + e->offset, base + e->offset + e->used)) return true;
    return false;
}

bool SameEntry(const AllocEntry& a, const AllocEntry& b) {
    return a.offset == b.offset && a.size == b.size && a.used == b.used;
}

void AddBytes(std::vector<Extent>& out, int64_t offset, const uint8_t* bytes, size_t n) {
    out.push_back({offset, std::vector<uint8_t>(bytes, bytes + n)});
}

void AddWord(std::vector<Extent>& out, int64_t offset, int32_t word) {
    uint8_t bytes[4];
    PutI32(bytes, word);
    AddBytes(out, offset, bytes, 4);
}

// Entries r that differ from the disk's, [first, last]; false when none.
bool ChangedLinks(const RecordDb& db, int32_t& first, int32_t& last) {
    first = 0;
    last = db.header.N - 1;
    if (db.rewriteTables) return true;
    if (db.linkTable == db.savedLinks) return false;  // a compare of memory: most commits change no link
    while (first <= last && db.linkTable[first] == db.savedLinks[first]) ++first;
    while (last >= first && db.linkTable[last] == db.savedLinks[last]) --last;
    return first <= last;
}

// Slots below allocCount that differ from the disk's (all those past the
// disk's allocCount hold stale bytes there), [first, last]; false when none.
bool ChangedSlots(const RecordDb& db, int32_t& first, int32_t& last) {
    first = 0;
    last = db.allocCount - 1;
    if (db.rewriteTables) return first <= last;
    const int32_t common = std::min(db.allocCount, db.savedCount);
    while (first < common && SameEntry(db.allocTable[first], db.savedAlloc[first])) ++first;
    if (db.allocCount <= db.savedCount)
        while (last >= first && SameEntry(db.allocTable[last], db.savedAlloc[last])) --last;
    return first <= last;
}

void LinkExtents(const RecordDb& db, std::vector<Extent>& out) {
    int32_t first = 0, last = 0;
    if (!ChangedLinks(db, first, last)) return;
    const Header& h = db.header;
    std::vector<uint8_t> bytes(4 * static_cast<size_t>(h.N));
    for (int32_t r = 0; r < h.N; ++r) PutI32(&bytes[4 * static_cast<size_t>(r)], db.linkTable[r]);
    const auto word = static_cast<int32_t>(TableChecksum(0, 0, bytes.data(), bytes.size()));
    for (int32_t i = 0; i < h.L; ++i) {
        const int64_t start = LinkTableStart(i, h.N);
        AddWord(out, start, word);
        AddBytes(out, start + 4 + 4 * int64_t{first}, &bytes[4 * static_cast<size_t>(first)],
                 4 * static_cast<size_t>(last - first + 1));
    }
}

// The check word over the slot bytes past the live ones, as the change
// leaves them: stale slots and, in the last table, record bytes.
uint32_t TailChecksum(RecordDb& db, int64_t start, int64_t index, int64_t length, uint32_t word) {
    uint8_t chunk[16384];
    for (int64_t done = 0; done < length;) {
        const size_t n = static_cast<size_t>(std::min<int64_t>(length - done, sizeof chunk));
        GetBytes(db, start + done, chunk, n);
        word = TableChecksum(word, index + done, chunk, n);
        done += static_cast<int64_t>(n);
    }
    return word;
}

void AllocExtents(RecordDb& db, std::vector<Extent>& out, bool sharedBytesChanged) {
    int32_t first = 0, last = 0;
    const bool slotsChanged = ChangedSlots(db, first, last);
    const bool countChanged = db.rewriteTables || db.allocCount != db.savedCount;
    if (!slotsChanged && !countChanged && !sharedBytesChanged) return;
    const Header& h = db.header;
    const int32_t count = db.allocCount;
    std::vector<uint8_t> bytes(12 * static_cast<size_t>(count));
    for (int32_t k = 0; k < count; ++k) {
        uint8_t* slot = &bytes[12 * static_cast<size_t>(k)];
        PutI32(slot, db.allocTable[k].offset);
        PutI32(slot + 4, db.allocTable[k].size);
        PutI32(slot + 8, db.allocTable[k].used);
    }
    const uint32_t live = TableChecksum(0, 0, bytes.data(), bytes.size());
    for (int32_t a = 0; a < h.A; ++a) {
        const int64_t start = AllocTableStart(a, h.L, h.N);
        const int64_t used = 12 * int64_t{count};
        const uint32_t word = TailChecksum(db, start + 8 + used, used, 12 * int64_t{h.N} - used, live);
        AddWord(out, start, static_cast<int32_t>(word));
        if (countChanged) AddWord(out, start + 4, count);
        if (slotsChanged)
            AddBytes(out, start + 8 + 12 * int64_t{first}, &bytes[12 * static_cast<size_t>(first)],
                     12 * static_cast<size_t>(last - first + 1));
    }
}

// Writes back a change whose journal is on the disk but whose writes in
// place failed; it is part of the state on the disk already.
void FinishUnapplied(RecordDb& db) {
    if (db.unapplied.empty()) return;
    for (const Extent& e : db.unapplied)
        if (!dbio::WriteAt(db.file, e.offset, e.bytes.data(), e.bytes.size())) Fail(db, DB_WRITE_ERROR);
    if (!dbio::SyncData(db.file)) Fail(db, DB_WRITE_ERROR);
    db.unapplied.clear();
    dbio::Remove(db.journalPath);
}

void CommitChange(RecordDb& db) {
    FinishUnapplied(db);
    const Header& h = db.header;
    bool shared = false;
    for (const Extent& e : db.pending) shared = shared || e.offset < TablesEnd(h.L, h.A, h.N);
    std::vector<Extent> change = dbjournal::Flatten(db.pending);
    LinkExtents(db, change);
    AllocExtents(db, change, shared);
    if (change.empty()) return;
    const auto counter = static_cast<int32_t>(static_cast<uint32_t>(h.counter) + 1u);
    AddWord(change, kCounterOffset, counter);
    if (db.unsynced && !dbio::SyncData(db.file)) Fail(db, DB_WRITE_ERROR);
    db.unsynced = false;
    dbjournal::Journal journal;
    if (!dbjournal::Build(db.file, h, change, dbjournal::Merge(db.straight), journal)) Fail(db, DB_READ_ERROR);
    if (!dbjournal::Write(db.journalPath, db.folder, journal)) Fail(db, DB_WRITE_ERROR);
    db.header.counter = counter;  // the journal on the disk holds the change
    if (!dbjournal::Apply(db.file, journal)) {
        // The journal holds the change: it is the state on the disk now, and
        // the next commit or opening writes it in place.
        db.unapplied = std::move(change);
        Accept(db);
        RaiseDbError(DB_WRITE_ERROR);
    }
    dbio::Remove(db.journalPath);  // one left behind is replayed again, harmlessly
    Accept(db);
}

}  // namespace

void GetBytes(RecordDb& db, int64_t at, void* buffer, size_t n) {
    if (!dbio::ReadAt(db.file, at, buffer, n)) Fail(db, DB_READ_ERROR);
    auto* out = static_cast<uint8_t*>(buffer);
    dbjournal::Patch(db.unapplied, at, out, n);
    dbjournal::Patch(db.pending, at, out, n);
}

void PutBytes(RecordDb& db, int64_t at, const void* buffer, size_t n) {
    const int64_t end = at + static_cast<int64_t>(n);
    if (!Live(db, at, end)) {
        if (!dbio::WriteAt(db.file, at, buffer, n)) Fail(db, DB_WRITE_ERROR);
        db.unsynced = true;
        try {
            db.straight.push_back({at, static_cast<int64_t>(n)});
        } catch (const std::bad_alloc&) {
            Fail(db, DB_OUT_OF_MEMORY);
        }
        return;
    }
    // Blocks reserved now: the writes in place after the journal cannot find the disk full.
    if (!dbio::Reserve(db.file, at, static_cast<int64_t>(n))) Fail(db, DB_WRITE_ERROR);
    const auto* p = static_cast<const uint8_t*>(buffer);
    try {
        db.pending.push_back({at, std::vector<uint8_t>(p, p + n)});
    } catch (const std::bad_alloc&) {
        Fail(db, DB_OUT_OF_MEMORY);
    }
}

void Settle(RecordDb& db) {
    if (db.changeDepth == 0) Commit(db);
}

void Fail(RecordDb& db, int code) {
    Rollback(db);
    RaiseDbError(code);
}

void Commit(RecordDb& db) {
    try {
        CommitChange(db);
    } catch (const std::bad_alloc&) {
        Fail(db, DB_OUT_OF_MEMORY);
    }
}

void Accept(RecordDb& db) {
    db.savedLinks = db.linkTable;
    db.savedCount = db.allocCount;
    db.savedAlloc = db.allocTable;
    db.pending.clear();
    db.straight.clear();
    db.rewriteTables = false;
    const int64_t length = dbio::FileLength(db.file);
    if (length >= 0) db.savedLength = length;
}

void Rollback(RecordDb& db) {
    db.linkTable = db.savedLinks;
    db.allocCount = db.savedCount;
    db.allocTable = db.savedAlloc;
    db.pending.clear();
    db.straight.clear();
    // Bytes the change wrote past the end of the file are no record's; a
    // failure to cut them leaves them as unused space.
    if (dbio::FileLength(db.file) > db.savedLength) dbio::Truncate(db.file, db.savedLength);
}

}  // namespace dbinternal

namespace {

void ReleaseChangeLock(const RecordDb& db) { dbio::LockByte(db.file, kChangeByte, dbio::Lock::Unlock, {}); }

}  // namespace

void BeginChanges(RecordDb& db, std::chrono::milliseconds wait) {
    if (db.file < 0) RaiseDbError(DB_NOT_OPEN);
    if (db.changeDepth == 0) {
        if (!dbio::LockByte(db.file, kChangeByte, dbio::Lock::Exclusive, wait))
            RaiseDbError(DB_OPEN_FAILED, errno == EWOULDBLOCK ? CAUSE_BUSY : CAUSE_NONE);
        try {
            dbinternal::Refresh(db);
        } catch (...) {
            ReleaseChangeLock(db);
            throw;
        }
    }
    ++db.changeDepth;
}

void CommitChanges(RecordDb& db) {
    if (db.file < 0) RaiseDbError(DB_NOT_OPEN);
    if (db.changeDepth == 0 || --db.changeDepth > 0) return;
    try {
        dbinternal::Commit(db);
    } catch (...) {
        ReleaseChangeLock(db);
        throw;
    }
    ReleaseChangeLock(db);
}

void CancelChanges(RecordDb& db) {
    const bool locked = db.changeDepth > 0;
    db.changeDepth = 0;
    dbinternal::Rollback(db);
    if (locked) ReleaseChangeLock(db);
}
