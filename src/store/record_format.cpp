#include "store/record_format.h"

namespace dbformat {

int CheckHeader(const Header& header, int64_t fileLength) {
    if (header.L < 1) return DB_NO_LINK_TABLE;
    if (header.A < 1) return DB_NO_ALLOC_TABLE;
    if (header.N < 1 || header.N > kMaxItems) return DB_LINK_TABLE_CORRUPT;
    // L, A < 2^31 and N <= 10^6 keep every product far inside int64.
    if (fileLength < TablesEnd(header.L, header.A, header.N)) return DB_READ_ERROR;
    if (header.L > kMaxTables) return DB_LINK_TABLE_CORRUPT;
    if (header.A > kMaxTables) return DB_ALLOC_TABLE_CORRUPT;
    return DB_NO_ERROR;
}

static bool EntrySound(const AllocEntry& e, int64_t recordArea, int64_t fileLength) {
    if (e.offset < 0 || e.size < 1 || e.used < 0 || e.used > e.size) return false;
    if (int64_t{e.offset} + e.size > INT32_MAX) return false;
    // Used bytes were written before the tables that count them.
    return recordArea + e.offset + e.used <= fileLength;
}

int CheckTables(const Header& header, int64_t fileLength, const std::vector<int32_t>& links,
                int32_t allocCount, const std::vector<AllocEntry>& slots) {
    if (allocCount < 0 || allocCount > header.N || static_cast<size_t>(allocCount) > slots.size())
        return DB_ALLOC_TABLE_CORRUPT;
    const int64_t recordArea = RecordAreaBase(header.L, header.A, header.N);
    for (int32_t k = 0; k < allocCount; ++k) {
        if (!EntrySound(slots[k], recordArea, fileLength)) return DB_ALLOC_TABLE_CORRUPT;
        if (k > 0 && int64_t{slots[k - 1].offset} + slots[k - 1].size > slots[k].offset)
            return DB_ALLOC_TABLE_CORRUPT;
    }
    std::vector<bool> taken(static_cast<size_t>(allocCount), false);
    for (const int32_t link : links) {
        if (link == -1) continue;
        if (link < 0 || link >= allocCount || taken[link]) return DB_LINK_TABLE_CORRUPT;
        taken[link] = true;
    }
    return DB_NO_ERROR;
}

}  // namespace dbformat
