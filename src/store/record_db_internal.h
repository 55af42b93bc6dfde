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

// File offset of byte `position` of the record whose entry is e.
int64_t FileOffsetOf(const RecordDb& db, const AllocEntry& e, int64_t position);

}  // namespace dbinternal
