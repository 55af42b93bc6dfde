// Record handles: opening, reading, writing, positioning, syncing, closing.
#include <algorithm>

#include "store/record_db.h"
#include "store/record_db_internal.h"

using namespace dbinternal;

namespace {

RecordDb& Live(const RecordHandle& h) {
    if (h.db == nullptr) RaiseDbError(DB_NOT_OPEN);
    return *h.db;
}

// Sets the entry's used size, a change of the tables.
void SetUsed(RecordDb& db, AllocEntry& e, int32_t used) {
    if (e.used == used) return;
    e.used = used;
    Settle(db);
}

}  // namespace

RecordHandle OpenRecord(RecordDb& db, int32_t r, int32_t mode) {
    AllocEntry& e = EntryOf(db, r);
    if (mode < MODE_READ || mode > MODE_TRUNCATE) RaiseDbError(DB_BAD_MODE);
    RecordHandle h{&db, r, mode, 0, e.size, e.used};
    if (mode == MODE_APPEND) h.position = e.used;
    if (mode == MODE_TRUNCATE) {
        h.used = 0;
        SetUsed(db, e, 0);
    }
    return h;
}

void ReadRecord(RecordHandle& h, void* buffer, int32_t n) {
    RecordDb& db = Live(h);
    if (h.mode != MODE_READ) RaiseDbError(DB_WRONG_MODE);
    if (n <= 0) RaiseDbError(DB_READ_ERROR);
    const AllocEntry& e = EntryOf(db, h.number);
    const int64_t end = int64_t{h.position} + n;
    if (end > h.used || end > e.size) RaiseDbError(DB_PAST_END);
    GetBytes(db, FileOffsetOf(db, e, h.position), buffer, static_cast<size_t>(n));
    h.position = static_cast<int32_t>(end);
}

void WriteRecord(RecordHandle& h, const void* buffer, int32_t n) {
    RecordDb& db = Live(h);
    if (h.mode == MODE_READ) RaiseDbError(DB_WRONG_MODE);
    if (n <= 0) RaiseDbError(DB_WRITE_ERROR);
    const AllocEntry& e = EntryOf(db, h.number);
    const int64_t end = int64_t{h.position} + n;
    if (end > h.allocated || end > e.size) RaiseDbError(DB_PAST_END);
    PutBytes(db, FileOffsetOf(db, e, h.position), buffer, static_cast<size_t>(n));
    Settle(db);  // bytes that replace live ones go through the journal at once
    h.position = static_cast<int32_t>(end);
    h.used = std::max(h.used, h.position);
}

void SeekRecord(RecordHandle& h, int32_t offset, int32_t origin) {
    Live(h);
    if (origin != SEEK_FROM_START && origin != SEEK_FROM_CURRENT) RaiseDbError(DB_BAD_MODE);
    const int64_t target = origin == SEEK_FROM_START ? int64_t{offset} : int64_t{h.position} + offset;
    const int32_t limit = h.mode == MODE_READ ? h.used : h.allocated;
    if (target < 0 || target >= limit) RaiseDbError(DB_SEEK_OUT_OF_RANGE);
    h.position = static_cast<int32_t>(target);
}

RecordInfo GetRecordInfo(const RecordHandle& h) {
    Live(h);
    const int32_t size = h.mode == MODE_READ ? h.used : h.position;
    return {h.number, h.mode, h.allocated, size, h.position};
}

void SyncRecord(RecordHandle& h) {
    RecordDb& db = Live(h);
    AllocEntry& e = EntryOf(db, h.number);
    h.allocated = e.size;
    if (h.mode == MODE_READ || h.used < e.used) {
        h.used = e.used;
        return;
    }
    h.used = std::min(h.used, e.size);
    SetUsed(db, e, h.used);
}

void CloseRecord(RecordHandle& h) {
    RecordDb& db = Live(h);
    h.db = nullptr;
    if (h.mode == MODE_READ) return;
    AllocEntry& e = EntryOf(db, h.number);
    SetUsed(db, e, std::max(e.used, std::min(h.used, e.size)));
}
