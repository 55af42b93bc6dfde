// Database files: checking, creating, opening (with the journal's replay and
// the salvage of dangling links), flushing, closing, deleting.
#include "store/record_db.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <new>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include "store/record_db_internal.h"
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

void ReadOrRaise(int fd, int64_t offset, void* bytes, size_t n) {
    if (!dbio::ReadAt(fd, offset, bytes, n)) RaiseDbError(DB_READ_ERROR);
}

int CauseOf(int error) {
    return error == EACCES || error == EPERM || error == EROFS ? CAUSE_PERMISSION : CAUSE_NONE;
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

int OpenFolder(const std::string& path) {
    return open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

bool RegularFile(int fd) {
    struct stat st {};
    return fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}

bool CheckWordMatches(int fd, int64_t wordOffset, int64_t offset, int64_t length) {
    uint8_t stored[4];
    uint32_t word = 0;
    if (!dbio::ReadAt(fd, wordOffset, stored, 4) || !dbio::RangeChecksum(fd, offset, length, word))
        RaiseDbError(DB_READ_ERROR);
    return static_cast<uint32_t>(GetI32(stored)) == word;
}

// The change counter of a new file starts at a number of its own, so that a
// journal left by another file of the same size is never replayed on it.
int32_t NewIdentity() {
    uint32_t id = 0;
    if (getrandom(&id, sizeof id, GRND_NONBLOCK) != sizeof id)
        id = static_cast<uint32_t>(std::time(nullptr)) * 2654435761u ^ static_cast<uint32_t>(getpid());
    return static_cast<int32_t>(id);
}

// The bytes of a new file: header, link entries all -1, allocCount 0, every
// slot {-1, 0, 0}, both check words.
std::vector<uint8_t> NewFileBytes(int32_t N) {
    std::vector<uint8_t> bytes(static_cast<size_t>(TablesEnd(1, 1, N)), 0);
    PutI32(&bytes[0], static_cast<int32_t>(kMagic));
    PutI32(&bytes[4], NewIdentity());
    PutI32(&bytes[8], 1);
    PutI32(&bytes[12], 1);
    PutI32(&bytes[16], N);
    const size_t links = static_cast<size_t>(LinkTableStart(0, N));
    const size_t slots = static_cast<size_t>(AllocTableStart(0, 1, N));
    for (int32_t r = 0; r < N; ++r) PutI32(&bytes[links + 4 + 4 * static_cast<size_t>(r)], -1);
    for (int32_t k = 0; k < N; ++k) PutI32(&bytes[slots + 8 + 12 * static_cast<size_t>(k)], -1);
    PutI32(&bytes[links], static_cast<int32_t>(TableChecksum(0, 0, &bytes[links + 4], 4 * static_cast<size_t>(N))));
    PutI32(&bytes[slots], static_cast<int32_t>(TableChecksum(0, 0, &bytes[slots + 8], 12 * static_cast<size_t>(N))));
    return bytes;
}

// The prefix of CreateTemporary's names for path: the creator's process
// number and an attempt number follow.
std::string TemporaryPrefix(const std::string& path) { return path + ".new-"; }

// A new file beside path, created exclusively; its name in `name`.
int CreateTemporary(const std::string& path, std::string& name) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = TemporaryPrefix(path) + std::to_string(getpid()) + "-" + std::to_string(attempt);
        const int fd = open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

// The new file takes the name: never over a database or a foreign file, but
// over an empty file (no database yet), while it holds that file's lock and
// the name still names it. errno EEXIST when the name is taken.
bool PutInPlace(const std::string& temporary, const std::string& path) {
    FileGuard empty{open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC)};
    if (empty.fd < 0) return dbio::RenameNew(temporary, path);
    struct stat held {}, named {};
    const bool stillEmpty = flock(empty.fd, LOCK_EX | LOCK_NB) == 0 && fstat(empty.fd, &held) == 0 &&
                            S_ISREG(held.st_mode) && held.st_size == 0 && lstat(path.c_str(), &named) == 0 &&
                            named.st_ino == held.st_ino && named.st_dev == held.st_dev;
    if (!stillEmpty) {
        errno = EEXIST;
        return false;
    }
    return dbio::Replace(temporary, path);
}

// Temporary files of creations whose process was killed before the rename
// (its number names no process any more).
void RemoveStaleTemporaries(const std::string& path) {
    const std::string prefix = TemporaryPrefix(path);
    const size_t slash = prefix.rfind('/');
    const std::string leaf = slash == std::string::npos ? prefix : prefix.substr(slash + 1);
    DIR* folder = opendir(FolderOf(path).c_str());
    if (folder == nullptr) return;
    while (const dirent* entry = readdir(folder)) {
        const std::string name = entry->d_name;
        if (name.compare(0, leaf.size(), leaf) != 0) continue;
        char* end = nullptr;
        const long pid = std::strtol(name.c_str() + leaf.size(), &end, 10);
        if (pid <= 0 || *end != '-' || pid == getpid()) continue;
        if (kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) dbio::Remove(FolderOf(path) + "/" + name);
    }
    closedir(folder);
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

// Links past allocCount, and entries whose used bytes lie past the end of the
// file, stand for records whose bytes or tables never all reached the disk:
// they become no record, so that the others stay reachable. False when
// nothing was dropped.
bool Salvage(RecordDb& db, int64_t fileLength) {
    const int64_t base = RecordAreaBase(db.header.L, db.header.A, db.header.N);
    bool changed = false;
    for (int32_t& link : db.linkTable) {
        if (link < db.allocCount) continue;
        link = -1;
        ++db.report.droppedLinks;
        changed = true;
    }
    for (int32_t k = db.allocCount - 1; k >= 0; --k) {
        const AllocEntry& e = db.allocTable[k];
        const bool shaped = e.offset >= 0 && e.size >= 1 && e.used >= 0 && e.used <= e.size &&
                            int64_t{e.offset} + e.size <= INT32_MAX;
        if (!shaped || base + e.offset + e.used <= fileLength) continue;
        for (int32_t& link : db.linkTable)
            if (link == k) ++db.report.droppedLinks;
        dbinternal::RemoveEntry(db, k);
        changed = true;
    }
    return changed;
}

// Loads link table 0 and allocation table 0, salvages, then checks the
// invariants. The tables as read are the state on the disk.
bool LoadTables(RecordDb& db, int64_t fileLength) {
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
    db.savedLinks = db.linkTable;
    db.savedCount = db.allocCount;
    db.savedAlloc = db.allocTable;
    db.savedLength = fileLength;
    db.rewriteTables = h.L > 1 || h.A > 1;  // the other tables may lag behind table 0
    const bool salvaged = Salvage(db, fileLength);
    const int error = CheckTables(h, fileLength, db.linkTable, db.allocCount, db.allocTable);
    if (error != DB_NO_ERROR) RaiseDbError(error);
    return salvaged;
}

void ReadHeader(RecordDb& db) {
    uint8_t bytes[16];
    ReadOrRaise(db.file, 4, bytes, sizeof bytes);
    db.header = {GetI32(bytes), GetI32(bytes + 4), GetI32(bytes + 8), GetI32(bytes + 12)};
}

// Completes the change a journal holds, or drops a journal that does not
// belong to the file as it stands. False when there was none.
bool Recover(RecordDb& db) {
    dbjournal::Journal journal;
    const dbjournal::State state = dbjournal::Examine(db.journalPath, db.file, journal);
    if (state == dbjournal::State::Absent) return false;
    // Kept as it is: the next opening may read it.
    if (state == dbjournal::State::Unreadable) RaiseDbError(DB_READ_ERROR);
    // No change could be made through it.
    if (state == dbjournal::State::NotRegular) RaiseDbError(DB_OPEN_FAILED, CAUSE_JOURNAL_NOT_REGULAR);
    if (state == dbjournal::State::Replayable) {
        if (!dbjournal::Apply(db.file, journal)) RaiseDbError(DB_WRITE_ERROR);
        db.report.journalReplayed = true;
    }
    db.report.journalDropped = state == dbjournal::State::Foreign;
    dbio::Remove(db.journalPath);  // one left behind is replayed again or dropped, harmlessly
    if (db.folder >= 0) dbio::SyncFolder(db.folder);
    return true;
}

// The header and the tables from the file; the salvaged links are mended on
// the disk. REQUIRES: the change lock, no change under way.
void Load(RecordDb& db) {
    try {
        ReadHeader(db);
        const int64_t length = dbio::FileLength(db.file);
        if (length < 0) RaiseDbError(DB_READ_ERROR);
        const int headerError = CheckHeader(db.header, length);
        if (headerError != DB_NO_ERROR) RaiseDbError(headerError);
        VerifyCheckWords(db);
        if (LoadTables(db, length)) dbinternal::Commit(db);
    } catch (const std::bad_alloc&) {
        RaiseDbError(DB_OUT_OF_MEMORY);
    }
}

// The open file is still the one the path names (a deletion may have come
// between the opening and the lock).
bool StillNamed(int fd, const std::string& path) {
    struct stat held {}, named {};
    return fstat(fd, &held) == 0 && lstat(path.c_str(), &named) == 0 && held.st_ino == named.st_ino &&
           held.st_dev == named.st_dev;
}

// DbError for a lock that could not be had.
[[noreturn]] void RaiseLockError(int code) {
    RaiseDbError(code, errno == EWOULDBLOCK ? CAUSE_BUSY : CAUSE_NONE);
}

}  // namespace

void dbinternal::Refresh(RecordDb& db) {
    bool stale = db.stale;
    if (Recover(db)) stale = true;
    db.unapplied.clear();  // on the disk now, by this process's hand or another's
    uint8_t counter[4];
    ReadOrRaise(db.file, kCounterOffset, counter, 4);
    if (!stale && GetI32(counter) == db.header.counter) return;
    db.stale = true;  // until the tables are read whole
    Load(db);
    db.stale = false;
}

std::string ResolveDatabasePath(const std::string& path) {
    std::string file = path;
    for (int hop = 0; hop < 40; ++hop) {  // as many as the system follows
        struct stat st {};
        if (lstat(file.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) break;
        std::string target(static_cast<size_t>(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
        const ssize_t n = readlink(file.c_str(), target.data(), target.size());
        if (n <= 0 || static_cast<size_t>(n) >= target.size()) break;
        target.resize(static_cast<size_t>(n));
        file = target[0] == '/' ? target : FolderOf(file) + "/" + target;
    }
    return file;
}

RecordDb::~RecordDb() {
    if (file >= 0) close(file);
    if (folder >= 0) close(folder);
}

int CheckDatabaseFile(const std::string& named) {
    const std::string path = ResolveDatabasePath(named);
    // stat first: opening a FIFO for reading would wait for a writer.
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) return 0;
        RaiseDbError(DB_OPEN_FAILED, CauseOf(errno));
    }
    if (!S_ISREG(st.st_mode)) RaiseDbError(DB_OPEN_FAILED, CAUSE_NOT_REGULAR);
    FileGuard guard{open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
    if (guard.fd < 0) {
        if (errno == ENOENT) return 0;
        RaiseDbError(DB_OPEN_FAILED, CauseOf(errno));
    }
    if (!RegularFile(guard.fd)) RaiseDbError(DB_OPEN_FAILED, CAUSE_NOT_REGULAR);
    if (dbio::FileLength(guard.fd) == 0) return 0;  // no database yet: CreateDatabase takes its place
    uint8_t bytes[4];
    const bool read = dbio::ReadAt(guard.fd, 0, bytes, 4);
    const int fd = guard.fd;
    guard.fd = -1;
    const bool closed = close(fd) == 0;
    if (!read) RaiseDbError(DB_READ_ERROR);
    if (!closed) RaiseDbError(DB_CLOSE_ERROR);
    return GetI32(bytes) == static_cast<int32_t>(kMagic) ? 2 : 1;
}

void CreateDatabase(const std::string& named, int32_t nbMaxItem) {
    const std::string path = ResolveDatabasePath(named);
    if (nbMaxItem < 1 || nbMaxItem > kMaxItems) RaiseDbError(DB_CREATE_FAILED);
    if (CheckDatabaseFile(path) != 0) RaiseDbError(DB_FILE_EXISTS);
    RemoveStaleTemporaries(path);
    std::vector<uint8_t> bytes;
    try {
        bytes = NewFileBytes(nbMaxItem);
    } catch (const std::bad_alloc&) {
        RaiseDbError(DB_OUT_OF_MEMORY);
    }
    std::string temporary;
    const int fd = CreateTemporary(path, temporary);
    if (fd < 0) RaiseDbError(DB_CREATE_FAILED, CauseOf(errno));
    int error = DB_NO_ERROR;
    if (!dbio::WriteAt(fd, 0, bytes.data(), bytes.size()) || !dbio::SyncData(fd)) error = DB_WRITE_ERROR;
    if (close(fd) != 0 && error == DB_NO_ERROR) error = DB_CLOSE_ERROR;
    // The name appears with the whole file behind it, and never replaces a database.
    if (error == DB_NO_ERROR && !PutInPlace(temporary, path))
        error = errno == EEXIST ? DB_FILE_EXISTS : DB_CREATE_FAILED;
    if (error != DB_NO_ERROR) {
        dbio::Remove(temporary);
        RaiseDbError(error);
    }
    FileGuard folder{OpenFolder(path)};
    if (folder.fd >= 0) dbio::SyncFolder(folder.fd);
}

std::chrono::milliseconds LockWait(std::chrono::milliseconds usual) {
    const char* texte = std::getenv("GLOMERIX_ATTENTE_VERROU_MS");
    if (texte == nullptr) return usual;
    char* fin = nullptr;
    const long ms = std::strtol(texte, &fin, 10);
    return fin != texte && *fin == '\0' && ms >= 0 && ms <= 600000 ? std::chrono::milliseconds(ms) : usual;
}

std::unique_ptr<RecordDb> OpenDatabase(const std::string& named, std::chrono::milliseconds wait) {
    const std::string path = ResolveDatabasePath(named);
    std::unique_ptr<RecordDb> db(new (std::nothrow) RecordDb);
    if (!db) RaiseDbError(DB_OUT_OF_MEMORY);
    db->file = open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (db->file < 0) RaiseDbError(DB_OPEN_FAILED, CauseOf(errno));
    if (!RegularFile(db->file)) RaiseDbError(DB_OPEN_FAILED, CAUSE_NOT_REGULAR);
    // Held while the file is open: a deletion waits for no one and refuses.
    if (!dbio::LockByte(db->file, kPresenceByte, dbio::Lock::Shared, wait)) RaiseLockError(DB_OPEN_FAILED);
    if (!StillNamed(db->file, path)) RaiseDbError(DB_OPEN_FAILED);  // deleted meanwhile
    db->folder = OpenFolder(path);
    db->journalPath = dbjournal::PathFor(path);
    RemoveStaleTemporaries(path);
    if (!dbio::LockByte(db->file, kChangeByte, dbio::Lock::Exclusive, wait)) RaiseLockError(DB_OPEN_FAILED);
    try {
        Recover(*db);
        Load(*db);
    } catch (...) {
        dbio::LockByte(db->file, kChangeByte, dbio::Lock::Unlock, {});
        throw;
    }
    dbio::LockByte(db->file, kChangeByte, dbio::Lock::Unlock, {});
    return db;
}

void FlushTables(RecordDb& db) {
    if (db.file < 0) RaiseDbError(DB_NOT_OPEN);
    if (db.changeDepth > 0 || db.unapplied.empty()) return dbinternal::Settle(db);
    // Its journal is on the disk: Refresh completes it, unless another
    // process did so first.
    BeginChanges(db);
    CommitChanges(db);
}

void CloseDatabase(std::unique_ptr<RecordDb> db) {
    if (!db || db->file < 0) RaiseDbError(DB_NOT_OPEN);
    if (db->changeDepth > 0) CancelChanges(*db);  // never committed: not part of the file
    FlushTables(*db);  // on failure ~RecordDb still closes the file
    const int fd = db->file;
    db->file = -1;
    if (close(fd) != 0) RaiseDbError(DB_CLOSE_ERROR);
}

void DeleteDatabase(const std::string& named) {
    const std::string path = ResolveDatabasePath(named);
    // Under the presence lock, exclusively: a process that has the file open
    // would go on writing into a file no name reaches, and lose all of it.
    // One that may not write it has never opened it.
    FileGuard guard{open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC)};
    if (guard.fd >= 0) {
        if (!dbio::LockByte(guard.fd, kPresenceByte, dbio::Lock::Exclusive, {}))
            RaiseDbError(DB_DELETE_FAILED, errno == EWOULDBLOCK ? CAUSE_IN_USE : CAUSE_NONE);
        if (!StillNamed(guard.fd, path)) RaiseDbError(DB_DELETE_FAILED);
    }
    if (unlink(path.c_str()) != 0) RaiseDbError(DB_DELETE_FAILED);
    dbio::Remove(dbjournal::PathFor(path));
}
