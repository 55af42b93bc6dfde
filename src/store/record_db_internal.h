// Helpers shared by the engine's source files; not for other modules.
#pragma once

#include "store/record_db.h"

namespace dbinternal {

// DB_RECORD_ABOVE_MAX unless 0 <= r < N.
void CheckNumber(const RecordDb& db, int32_t r);
// Index of record r's allocation entry; DB_RECORD_MISSING when it has none.
// REQUIRES: CheckNumber(db, r) passed.
int32_t EntryIndex(const RecordDb& db, int32_t r);
AllocEntry& EntryOf(RecordDb& db, int32_t r);

// Takes entry k out: later entries move down, links to it become -1 and
// links above it follow their entries.
void RemoveEntry(RecordDb& db, int32_t k);

// File offset of byte `position` of the record whose entry is e.
int64_t FileOffsetOf(const RecordDb& db, const AllocEntry& e, int64_t position);

// File bytes as the change under way leaves them; DB_READ_ERROR (after
// the tables return to the disk's state) when they cannot be read.
void GetBytes(RecordDb& db, int64_t at, void* buffer, size_t n);
// Writes file bytes for the change under way: straight to the file when no
// table on the disk counts them, else kept for the journal.
void PutBytes(RecordDb& db, int64_t at, const void* buffer, size_t n);
// Ends an operation: its change reaches the disk unless BeginChanges holds it.
void Settle(RecordDb& db);
// The tables back to the state on the disk, then DbError{code}.
[[noreturn]] void Fail(RecordDb& db, int code);
// Writes the change under way through the journal; nothing when there is none.
void Commit(RecordDb& db);
// The change under way becomes the state on the disk.
void Accept(RecordDb& db);
void Rollback(RecordDb& db);

// Under the change lock: completes or drops a journal left beside the file,
// then reads the header and the tables again when the change counter (or a
// journal, or an earlier failure) says they may not be the file's.
void Refresh(RecordDb& db);

}  // namespace dbinternal
