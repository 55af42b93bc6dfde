// The journal beside a database (its path with "-journal" appended): the
// bytes one change overwrites in place, written and synced before the
// database is touched, so that a change cut short is completed on the next
// opening instead of leaving tables that disagree. Little-endian:
//
//   0    magic 0x324E524A          (bytes 4A 52 4E 32, "JRN2")
//   4    counter, A, L, N          the database's header words 4 .. 19 before
//                                  the change: a journal of another file is
//                                  never replayed
//   20   length                    int64: the database's length when written;
//                                  every chunk and range lies below it
//   28   C                         chunk count
//   32   C chunks:
//          +0   offset             int64, in the database
//          +8   size               1 .. 512; no chunk crosses a multiple of 512
//          +12  before             CRC-32 of the bytes the chunk replaces
//          +16  size new bytes
//        S                         count of ranges written straight to the file
//        S ranges:
//          +0   offset             int64, in the database
//          +8   size               >= 1
//          +12  CRC-32             of their bytes as the change leaves them
//   end  CRC-32 of every byte above
//
// The first format (magic 0x4C4E524A, "JRNL") has no ranges and is read as a
// journal without any.
//
// A journal is complete when its CRC holds and the file ends right after it.
// A complete one is replayed only when the database's header words are
// those before the change or after it (the change counter moves), every
// chunk's place in the database holds either its old bytes or its new ones
// (a change stopped half-way), and every range holds the bytes the change
// wrote there (a copy of the file from before the change, put back, does
// not); anything else means it belongs to another state of the file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "store/record_format.h"

namespace dbjournal {

inline constexpr uint32_t kMagic = 0x324E524Au;
inline constexpr uint32_t kFirstMagic = 0x4C4E524Au;
inline constexpr int64_t kHeaderSize = 32;
inline constexpr int64_t kChunkHeaderSize = 16;
inline constexpr int64_t kRangeSize = 16;
inline constexpr int64_t kChunkMax = 512;

// Bytes to be written at an offset of the database.
struct Extent {
    int64_t offset;
    std::vector<uint8_t> bytes;
};

struct Chunk {
    int64_t offset;
    uint32_t before;
    std::vector<uint8_t> bytes;
};

// Bytes of the database the change wrote straight to the file, beside the
// live ones, before its journal.
struct Range {
    int64_t offset;
    int64_t size;
    uint32_t crc = 0;  // of the bytes as the change leaves them
};

struct Journal {
    dbformat::Header header;
    int64_t length = 0;
    std::vector<Chunk> chunks;
    std::vector<Range> straight;
};

enum class State {
    Absent,      // no journal file
    Unreadable,  // there, but it cannot be read now (I/O error, no descriptor or memory left)
    NotRegular,  // a folder, a link, a FIFO or a device at its name
    Incomplete,  // read, but cut short or damaged: the change never began in place
    Foreign,     // complete, but not a change of this file as it stands
    Replayable,  // complete and fitting: replay it
};

std::string PathFor(const std::string& databasePath);

// The journal of extents against the database open as fd (its current bytes
// give each chunk's "before"), covering the ranges written straight to it
// (sorted, disjoint; their CRCs over the bytes as the extents leave them).
// False when the database cannot be read.
bool Build(int fd, const dbformat::Header& header, const std::vector<Extent>& extents,
           const std::vector<Range>& straight, Journal& journal);
std::vector<uint8_t> Encode(const Journal& journal);
// False when the bytes are not a complete journal.
bool Decode(const std::vector<uint8_t>& bytes, Journal& journal);

// Reads the journal at path and judges it against the database open as fd.
// Only a journal that is not there is Absent, and only bytes read that do not
// decode are Incomplete: a journal that cannot be read may be the only way
// back to a sound file, and must be kept.
State Examine(const std::string& path, int fd, Journal& journal);

// Copies into out[0 .. n), the bytes at file offset at, what the extents
// write over them, later extents over earlier ones.
void Patch(const std::vector<Extent>& extents, int64_t at, uint8_t* out, size_t n);

// The bytes the extents leave, as disjoint extents in offset order (a later
// extent over an earlier one wins), so that a journal holds each byte once.
std::vector<Extent> Flatten(const std::vector<Extent>& extents);
// The union of ranges, sorted and disjoint (touching ones joined).
std::vector<Range> Merge(std::vector<Range> ranges);

// Writes the journal file and syncs it and its folder (folderFd, when not -1).
// On failure nothing is left behind.
bool Write(const std::string& path, int folderFd, const Journal& journal);

// Writes every chunk in place, then syncs the database.
bool Apply(int fd, const Journal& journal);

}  // namespace dbjournal
