// Database files: checking, creating, opening, flushing, closing, deleting.
#include "store/record_db.h"

#include <cerrno>
#include <fcntl.h>
#include <new>
#include <sys/file.h>
#include <unistd.h>

#include "store/record_io.h"

using namespace dbformat;

namespace {

// Closes a descriptor on every exit path unless released.
struct FileGuard {
    int fd;
    ~FileGuard() {
        if (fd >= 0) close(fd);
    }
};

void WriteOrRaise(int fd, int64_t offset, const void* bytes, size_t n) {
    if (!dbio::WriteAt(fd, offset, bytes, n)) RaiseDbError(DB_WRITE_ERROR);
}

void ReadOrRaise(int fd, int64_t offset, void* bytes, size_t n) {
    if (!dbio::ReadAt(fd, offset, bytes, n)) RaiseDbError(DB_READ_ERROR);
}

// Recomputes the check word of [offset, offset + length) from the file and
// stores it at wordOffset.
void WriteCheckWord(int fd, int64_t wordOffset, int64_t offset, int64_t length) {
    uint32_t word = 0;
    if (!dbio::RangeChecksum(fd, offset, length, word)) RaiseDbError(DB_READ_ERROR);
    uint8_t bytes[4];
    PutI32(bytes, static_cast<int32_t>(word));
    WriteOrRaise(fd, wordOffset, bytes, 4);
}

bool CheckWordMatches(int fd, int64_t wordOffset, int64_t offset, int64_t length) {
    uint8_t stored[4];
    uint32_t word = 0;
    if (!dbio::ReadAt(fd, wordOffset, stored, 4) || !dbio::RangeChecksum(fd, offset, length, word))
        RaiseDbError(DB_READ_ERROR);
    return static_cast<uint32_t>(GetI32(stored)) == word;
}

// The bytes of a new file, check words left 0: header, link entries all -1,
// allocCount 0, every slot {-1, 0, 0}.
std::vector<uint8_t> NewFileBytes(int32_t N) {
    std::vector<uint8_t> bytes(static_cast<size_t>(TablesEnd(1, 1, N)), 0);
    PutI32(&bytes[0], static_cast<int32_t>(kMagic));
    PutI32(&bytes[8], 1);
    PutI32(&bytes[12], 1);
    PutI32(&bytes[16], N);
    for (int32_t r = 0; r < N; ++r) PutI32(&bytes[LinkTableStart(0, N) + 4 + 4 * r], -1);
    for (int32_t k = 0; k < N; ++k) PutI32(&bytes[AllocTableStart(0, 1, N) + 8 + 12 * k], -1);
    return bytes;
}

void WriteNewFile(int fd, int32_t N) {
    std::vector<uint8_t> bytes;
    try {
        bytes = NewFileBytes(N);
    } catch (const std::bad_alloc&) {
        RaiseDbError(DB_OUT_OF_MEMORY);
    }
    WriteOrRaise(fd, 0, bytes.data(), bytes.size());
    WriteCheckWord(fd, LinkTableStart(0, N), LinkTableStart(0, N) + 4, 4 * int64_t{N});
    const int64_t alloc = AllocTableStart(0, 1, N);
    WriteCheckWord(fd, alloc, alloc + 8, 12 * int64_t{N});
}

void VerifyCheckWords(const RecordDb& db) {
    const Header& h = db.header;
    for (int32_t i = 0; i < h.L; ++i) {
        const int64_t start = LinkTableStart(i, h.N);
        if (!CheckWordMatches(db.file, start, start + 4, 4 * int64_t{h.N}))
            RaiseDbError(DB_LINK_TABLE_CORRUPT);
    }
    for (int32_t a = 0; a < h.A; ++a) {
        const int64_t start = AllocTableStart(a, h.L, h.N);
        if (!CheckWordMatches(db.file, start, start + 8, 12 * int64_t{h.N}))
            RaiseDbError(DB_ALLOC_TABLE_CORRUPT);
    }
}

// Loads link table 0 and allocation table 0, then checks their invariants.
void LoadTables(RecordDb& db, int64_t fileLength) {
    const Header& h = db.header;
    std::vector<uint8_t> bytes(4 * static_cast<size_t>(h.N));
    ReadOrRaise(db.file, LinkTableStart(0, h.N) + 4, bytes.data(), bytes.size());
    db.linkTable.resize(static_cast<size_t>(h.N));
    for (int32_t r = 0; r < h.N; ++r) db.linkTable[r] = GetI32(&bytes[4 * static_cast<size_t>(r)]);

    const int64_t alloc = AllocTableStart(0, h.L, h.N);
    uint8_t count[4];
    ReadOrRaise(db.file, alloc + 4, count, 4);
    db.allocCount = GetI32(count);
    if (db.allocCount < 0 || db.allocCount > h.N) RaiseDbError(DB_ALLOC_TABLE_CORRUPT);
    bytes.resize(12 * static_cast<size_t>(db.allocCount));
    ReadOrRaise(db.file, alloc + 8, bytes.data(), bytes.size());
    db.allocTable.assign(static_cast<size_t>(h.N), AllocEntry{});
    for (int32_t k = 0; k < db.allocCount; ++k) {
        const uint8_t* slot = &bytes[12 * static_cast<size_t>(k)];
        db.allocTable[k] = {GetI32(slot), GetI32(slot + 4), GetI32(slot + 8)};
    }
    const int error = CheckTables(h, fileLength, db.linkTable, db.allocCount, db.allocTable);
    if (error != DB_NO_ERROR) RaiseDbError(error);
}

void ReadHeader(RecordDb& db) {
    uint8_t bytes[16];
    ReadOrRaise(db.file, 4, bytes, sizeof bytes);
    db.header = {GetI32(bytes), GetI32(bytes + 4), GetI32(bytes + 8), GetI32(bytes + 12)};
}

}  // namespace

RecordDb::~RecordDb() {
    if (file >= 0) close(file);
}

int CheckDatabaseFile(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    uint8_t bytes[4];
    const bool read = dbio::ReadAt(fd, 0, bytes, 4);
    const bool closed = close(fd) == 0;
    if (!read) RaiseDbError(DB_READ_ERROR);
    if (!closed) RaiseDbError(DB_CLOSE_ERROR);
    return GetI32(bytes) == static_cast<int32_t>(kMagic) ? 2 : 1;
}

void CreateDatabase(const std::string& path, int32_t nbMaxItem) {
    if (nbMaxItem < 1 || nbMaxItem > kMaxItems) RaiseDbError(DB_CREATE_FAILED);
    if (CheckDatabaseFile(path) != 0) RaiseDbError(DB_FILE_EXISTS);
    // O_EXCL: a file we could not read is still never truncated.
    FileGuard guard{open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644)};
    if (guard.fd < 0) RaiseDbError(errno == EEXIST ? DB_FILE_EXISTS : DB_CREATE_FAILED);
    WriteNewFile(guard.fd, nbMaxItem);
    const int fd = guard.fd;
    guard.fd = -1;
    if (close(fd) != 0) RaiseDbError(DB_CLOSE_ERROR);
}

std::unique_ptr<RecordDb> OpenDatabase(const std::string& path) {
    std::unique_ptr<RecordDb> db(new (std::nothrow) RecordDb);
    if (!db) RaiseDbError(DB_OUT_OF_MEMORY);
    db->file = open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (db->file < 0) RaiseDbError(DB_OPEN_FAILED);
    // Two processes flushing their own tables into one file would destroy
    // each other's records: the second one is refused.
    if (flock(db->file, LOCK_EX | LOCK_NB) != 0) RaiseDbError(DB_OPEN_FAILED);
    ReadHeader(*db);
    const int64_t length = dbio::FileLength(db->file);
    if (length < 0) RaiseDbError(DB_READ_ERROR);
    const int headerError = CheckHeader(db->header, length);
    if (headerError != DB_NO_ERROR) RaiseDbError(headerError);
    VerifyCheckWords(*db);
    try {
        LoadTables(*db, length);
    } catch (const std::bad_alloc&) {
        RaiseDbError(DB_OUT_OF_MEMORY);
    }
    return db;
}

namespace {

void WriteTables(RecordDb& db) {
    const Header& h = db.header;
    std::vector<uint8_t> bytes(4 * static_cast<size_t>(h.N));
    for (int32_t r = 0; r < h.N; ++r) PutI32(&bytes[4 * static_cast<size_t>(r)], db.linkTable[r]);
    for (int32_t i = 0; i < h.L; ++i) {
        const int64_t start = LinkTableStart(i, h.N);
        WriteOrRaise(db.file, start + 4, bytes.data(), bytes.size());
        WriteCheckWord(db.file, start, start + 4, 4 * int64_t{h.N});
    }
    // allocCount, then the slots in use; later slots keep their bytes.
    bytes.assign(4 + 12 * static_cast<size_t>(db.allocCount), 0);
    PutI32(&bytes[0], db.allocCount);
    for (int32_t k = 0; k < db.allocCount; ++k) {
        uint8_t* slot = &bytes[4 + 12 * static_cast<size_t>(k)];
        PutI32(slot, db.allocTable[k].offset);
        PutI32(slot + 4, db.allocTable[k].size);
        PutI32(slot + 8, db.allocTable[k].used);
    }
    for (int32_t a = 0; a < h.A; ++a) {
        const int64_t start = AllocTableStart(a, h.L, h.N);
        WriteOrRaise(db.file, start + 4, bytes.data(), bytes.size());
        WriteCheckWord(db.file, start, start + 8, 12 * int64_t{h.N});
    }
}

}  // namespace

void FlushTables(RecordDb& db) {
    if (db.file < 0) RaiseDbError(DB_NOT_OPEN);
    try {
        WriteTables(db);
    } catch (const std::bad_alloc&) {
        RaiseDbError(DB_OUT_OF_MEMORY);
    }
}

void CloseDatabase(std::unique_ptr<RecordDb> db) {
    if (!db || db->file < 0) RaiseDbError(DB_NOT_OPEN);
    FlushTables(*db);  // on failure ~RecordDb still closes the file
    const int fd = db->file;
    db->file = -1;
    if (close(fd) != 0) RaiseDbError(DB_CLOSE_ERROR);
}

void DeleteDatabase(const std::string& path) {
    if (unlink(path.c_str()) != 0) RaiseDbError(DB_DELETE_FAILED);
}
