// Byte layout of a record database file, shared by the engine and glomerix-db.
//
// Every integer is 32-bit signed, little-endian. N = NbMaxItem, L = link
// tables, A = allocation tables (both 1 in files we create).
//
//   0    magic 0x281F0D9F          (bytes 9F 0D 1F 28)
//   4    change counter            a number of the file's own at creation,
//                                  + 1 (mod 2^32) with every change
//   8    A
//   12   L
//   16   N
//   20   link table 0              4N + 4 bytes, then link tables 1 .. L-1
//          +0  check word          TableChecksum of the 4N entry bytes
//          +4  N link entries      allocation index of record r, or -1
//   20 + L(4N+4)
//        allocation table 0        12N + 8 bytes, then tables 1 .. A-1
//          +0  check word          TableChecksum of the 12N slot bytes
//          +4  allocCount          slots in use, 0 .. N (not covered)
//          +8  N AllocEntry slots  {offset, size, used}, 12 bytes each
//   recordAreaBase = 16 + L(4N+4) + A(12N+4)
//        record bytes at recordAreaBase + entry offset
//
// The record area begins 4 + 4A bytes before the end of the last allocation
// table: with A = 1 the first 8 record bytes are the size and used fields of
// slot N-1. Existing files are laid out so; UsableSlots keeps the engine off
// those slots.
//
// Example, N = 10000, A = L = 1: link table at 20 (entries from 24),
// allocation table at 40024 (count at 40028, slots 40032 .. 160032),
// recordAreaBase = 160024, new file 160032 bytes.
//
// Processes that share the file take advisory locks on two bytes past
// anything the file can hold (the locks of the open file, not of the
// process): every process that has it open holds kPresenceByte shared, which
// a deletion takes exclusively; a change holds kChangeByte exclusively, a
// reader that must not see half of one holds it shared. The change counter
// tells a process whether the tables it holds are still the file's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "store/db_error.h"

namespace dbformat {

inline constexpr uint32_t kMagic = 0x281F0D9Fu;
inline constexpr int64_t kHeaderSize = 20;
inline constexpr int64_t kLinkEntrySize = 4;
inline constexpr int64_t kAllocEntrySize = 12;
// Opening refuses larger N: the engine keeps N-entry tables in memory.
inline constexpr int32_t kMaxItems = 1000000;
// Opening refuses more tables of a kind: each is read back in full, and a
// sparse file can be long enough for millions of them.
inline constexpr int32_t kMaxTables = 8;
// Record bytes end below recordAreaBase + 2^31.
inline constexpr int64_t kPresenceByte = int64_t{1} << 32;
inline constexpr int64_t kChangeByte = kPresenceByte + 1;
inline constexpr int64_t kCounterOffset = 4;

constexpr int64_t LinkTableSize(int32_t N) { return kLinkEntrySize * N + 4; }
constexpr int64_t AllocTableSize(int32_t N) { return kAllocEntrySize * N + 8; }

constexpr int64_t LinkTableStart(int32_t i, int32_t N) {
    return kHeaderSize + int64_t{i} * LinkTableSize(N);
}
constexpr int64_t AllocTableStart(int32_t a, int32_t L, int32_t N) {
    return kHeaderSize + int64_t{L} * LinkTableSize(N) + int64_t{a} * AllocTableSize(N);
}
// End of the last allocation table: the length of a new file.
constexpr int64_t TablesEnd(int32_t L, int32_t A, int32_t N) { return AllocTableStart(A, L, N); }

constexpr int64_t RecordAreaBase(int32_t L, int32_t A, int32_t N) {
    return 16 + int64_t{L} * LinkTableSize(N) + int64_t{A} * (kAllocEntrySize * N + 4);
}

// Number of leading slots of the last allocation table that lie wholly below
// recordAreaBase (N - 1 when A = 1). Slots beyond would share bytes with the
// first records.
constexpr int32_t UsableSlots(int32_t L, int32_t A, int32_t N) {
    const int64_t room = RecordAreaBase(L, A, N) - (AllocTableStart(A - 1, L, N) + 8);
    const int64_t slots = room < 0 ? 0 : room / kAllocEntrySize;
    return static_cast<int32_t>(slots < N ? slots : N);
}

constexpr int32_t GetI32(const uint8_t* p) {
    return static_cast<int32_t>(uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 |
                                uint32_t{p[3]} << 24);
}
constexpr void PutI32(uint8_t* p, int32_t value) {
    const auto v = static_cast<uint32_t>(value);
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

// TableChecksum, fed in pieces: byte i of the range is sign-extended to 32
// bits, shifted left by 8 * (i mod 4) and ORed into the word (not XORed).
// `index` (>= 0) is the position of bytes[0] within the covered range.
//
// OR does not depend on the order: the bytes of each position mod 4 are
// ORed together first (four at a time, as one little-endian word, which the
// compiler vectorises), and each of the four results is extended once; a
// byte's sign reaches the word exactly when the OR of its position's bytes
// has the top bit.
constexpr uint32_t TableChecksum(uint32_t word, int64_t index, const uint8_t* bytes, size_t n) {
    uint32_t lanes = 0;  // byte j: the OR of bytes[k] with k mod 4 = j
    size_t k = 0;
    for (; k + 4 <= n; k += 4)
        lanes |= uint32_t{bytes[k]} | uint32_t{bytes[k + 1]} << 8 | uint32_t{bytes[k + 2]} << 16 |
                 uint32_t{bytes[k + 3]} << 24;
    for (; k < n; ++k) lanes |= uint32_t{bytes[k]} << (8 * (k % 4));
    for (int j = 0; j < 4; ++j) {
        const auto lane = static_cast<uint8_t>(lanes >> (8 * j));
        const auto extended = static_cast<uint32_t>(static_cast<int32_t>(static_cast<int8_t>(lane)));
        word |= extended << (8 * ((index + j) % 4));
    }
    return word;
}

struct AllocEntry {
    int32_t offset = -1;  // from recordAreaBase; -1 in an empty slot
    int32_t size = 0;     // allocated bytes; 0 in an empty slot
    int32_t used = 0;     // bytes written so far, 0 .. size
};

struct Header {
    int32_t counter = 0;  // the change counter
    int32_t A = 1;  // allocation tables
    int32_t L = 1;  // link tables
    int32_t N = 0;  // NbMaxItem
};

// Header sanity, given the file length: DB_NO_ERROR when the tables fit,
// else DB_NO_LINK_TABLE (L < 1), DB_NO_ALLOC_TABLE (A < 1),
// DB_LINK_TABLE_CORRUPT (N outside 1 .. kMaxItems), DB_READ_ERROR (file
// too short for its tables), DB_LINK_TABLE_CORRUPT or DB_ALLOC_TABLE_CORRUPT
// (more than kMaxTables of a kind).
int CheckHeader(const Header& header, int64_t fileLength);

// Table invariants, given link table 0 and the first allocCount slots of
// allocation table 0 (REQUIRES: CheckHeader passed, links has N entries):
// DB_NO_ERROR when sound; DB_ALLOC_TABLE_CORRUPT when allocCount is outside
// 0 .. N or an entry is out of place (offset < 0, size < 1, used outside
// 0 .. size, end past 2^31 - 1, unsorted or overlapping ranges, used bytes
// beyond the end of the file); DB_LINK_TABLE_CORRUPT when a link entry is
// neither -1 nor a distinct index below allocCount.
int CheckTables(const Header& header, int64_t fileLength, const std::vector<int32_t>& links,
                int32_t allocCount, const std::vector<AllocEntry>& slots);

}  // namespace dbformat
