// RecordDb: numbered byte records in one file (layout in record_format.h).
//
// Every operation completes or throws DbError{code} (db_error.h).
// Single-threaded: one caller at a time.
//
// Sharing: several processes may have the file open at once. Each reads and
// changes it only between BeginChanges and CommitChanges, which hold the
// file's change lock: BeginChanges completes a change that a killed process
// left in its journal and, when the change counter says another process
// changed the file, reads the tables again, so that every operation starts
// from the file as it is. Operations outside BeginChanges act on the tables
// last read, for a process that has the file to itself.
//
// Durability: an operation is one atomic change of the file; a process
// killed at any moment leaves either the state before the change under way
// or the state after it, and every earlier change. Record bytes written
// beside the live ones go straight to the file, synced before the tables that
// count them; bytes that replace live ones and the tables go through the
// journal (record_journal.h). BeginChanges .. CommitChanges makes one atomic
// change of several operations. When a write fails (disk full, file too
// large, I/O error) the in-memory tables return to the state on the disk and
// the operation raises DB_WRITE_ERROR.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "store/db_error.h"
#include "store/record_format.h"
#include "store/record_journal.h"

using dbformat::AllocEntry;

// How long opening and BeginChanges wait for a change of another process to
// end: changes take milliseconds, so a lock held longer is a stuck process.
inline constexpr std::chrono::milliseconds kLockWait{10000};

// A wait for another program's lock: `usual`, or GLOMERIX_ATTENTE_VERROU_MS
// milliseconds when that is set (the tests that play a stuck program).
std::chrono::milliseconds LockWait(std::chrono::milliseconds usual = kLockWait);

// What opening found and mended.
struct OpenReport {
    bool journalReplayed = false;  // a change cut short was completed
    bool journalDropped = false;   // a journal that did not fit the file was removed
    int32_t droppedLinks = 0;      // links past allocCount or to bytes past the end: now no record
};

// An open database. Invariants (checked on opening, kept by every operation):
// allocTable[0 .. allocCount) sorted by offset, ranges disjoint, size >= 1,
// 0 <= used <= size; every linkTable entry is -1 or a distinct index below
// allocCount; allocCount <= UsableSlots once the engine has changed it.
struct RecordDb {
    int file = -1;                      // read/write; its presence lock held (record_format.h)
    int folder = -1;                    // the file's folder, synced after renames; -1 if unreadable
    std::string journalPath;
    dbformat::Header header;            // counter, A, L, N as read or last written
    std::vector<int32_t> linkTable;     // copy of link table 0: N entries
    int32_t allocCount = 0;
    std::vector<AllocEntry> allocTable; // N slots, the first allocCount meaningful

    // The tables as the file holds them: what a failed change returns to,
    // and what tells the live bytes a change may not overwrite directly.
    std::vector<int32_t> savedLinks;
    int32_t savedCount = 0;
    std::vector<AllocEntry> savedAlloc;
    int64_t savedLength = 0;                   // the file's length then: bytes past it are no record's
    std::vector<dbjournal::Extent> pending;    // for the journal of the change under way
    std::vector<dbjournal::Extent> unapplied;  // journalled, their in-place writes failed
    std::vector<dbjournal::Range> straight;    // written straight to the file by the change under way
    bool unsynced = false;       // bytes written straight to the file since the last sync
    bool rewriteTables = false;  // every table in full at the next commit (several tables)
    int changeDepth = 0;         // BeginChanges without CommitChanges yet; the change lock is held when > 0
    bool stale = false;          // the tables must be read again before the next change
    OpenReport report;

    RecordDb() = default;
    RecordDb(const RecordDb&) = delete;
    RecordDb& operator=(const RecordDb&) = delete;
    ~RecordDb();                        // closes the file, commits nothing
};

enum RecordMode : int32_t {
    MODE_READ = 0,      // reads from 0, up to the used size
    MODE_WRITE = 1,     // writes from 0, existing bytes stay
    MODE_APPEND = 2,    // writes from the used size
    MODE_TRUNCATE = 3,  // used size set to 0 at opening, writes from 0
};

enum SeekOrigin : int32_t { SEEK_FROM_START = 0, SEEK_FROM_CURRENT = 1 };

// An open record. It names its record by number only, so it follows the
// record when it moves; `db` is not owned and is null once closed.
struct RecordHandle {
    RecordDb* db = nullptr;
    int32_t number = 0;
    int32_t mode = MODE_READ;
    int32_t position = 0;
    int32_t allocated = 0;  // allocated size as known to the handle
    int32_t used = 0;       // used size as known to the handle
};

struct RecordInfo {
    int32_t number;
    int32_t mode;
    int32_t allocated;
    int32_t size;  // used size in MODE_READ, else the position
    int32_t position;
};

// --- Database files ---------------------------------------------------------

// The file a database path names: links at its last component followed (a
// relative target read from the link's folder), so that one file has one
// journal whatever link reaches it; the path itself when it is no link.
// Every operation below that takes a path resolves it so.
std::string ResolveDatabasePath(const std::string& path);
// 0: absent, or empty (no database yet); 1: not a database (first 4 bytes
// are not the magic); 2: a database. DB_READ_ERROR when shorter than 4 bytes; DB_OPEN_FAILED with
// CAUSE_NOT_REGULAR for anything but a regular file (never opened, so a FIFO
// cannot hang), CAUSE_PERMISSION when it may not be read.
int CheckDatabaseFile(const std::string& path);
// Builds a new, empty database in a temporary file of the same folder and
// renames it into place, so that no reader sees a half-written file and a
// failure leaves nothing behind (temporary files left by creations killed
// before their rename are removed). DB_FILE_EXISTS when the path exists (a
// file is never overwritten, even when it appears meanwhile, but for an
// empty one, which it replaces), DB_CREATE_FAILED when
// N is outside 1 .. kMaxItems or the file cannot be created, DB_WRITE_ERROR.
void CreateDatabase(const std::string& path, int32_t nbMaxItem);
// Opens an existing database: replays or drops a journal left by a change cut
// short, checks the header (counts bounded by the file's length), the check
// words and the tables. A link past allocCount or to bytes past the end of the
// file is taken as no record (counted in report) and the tables are mended
// on the disk. Other processes may have it open too; one that is changing it
// is waited for up to `wait`: DB_OPEN_FAILED with CAUSE_BUSY when it has not
// ended by then.
std::unique_ptr<RecordDb> OpenDatabase(const std::string& path, std::chrono::milliseconds wait = LockWait());
// Commits what BeginChanges has not kept back; nothing to do when every
// change is already on the disk (a change whose writes in place failed is
// completed under the change lock).
void FlushTables(RecordDb& db);
// FlushTables, then closes the file; the RecordDb is released in every case.
void CloseDatabase(std::unique_ptr<RecordDb> db);
// Removes the file and its journal. DB_DELETE_FAILED, with CAUSE_IN_USE
// while another process has the database open.
void DeleteDatabase(const std::string& path);

// --- Changes ------------------------------------------------------------------
// The operations between BeginChanges and CommitChanges reach the disk as one
// atomic change (reads among them see their writes), and no other process
// reads or changes the file meanwhile. CancelChanges, or any failed write,
// returns the tables to the state on the disk. Nested calls count: the
// outermost pair takes and releases the lock and commits.

// Takes the change lock, waiting up to `wait` for another process's change
// to end (DB_OPEN_FAILED with CAUSE_BUSY when it has not), completes a change
// cut short, and reads the tables again when the file changed since they
// were read. On failure the lock is released.
void BeginChanges(RecordDb& db, std::chrono::milliseconds wait = LockWait());
// The outermost one commits and releases the lock, also when the commit
// fails (the tables are then the file's again).
void CommitChanges(RecordDb& db);
// REQUIRES: inside BeginChanges. Drops the change under way, releases the lock.
void CancelChanges(RecordDb& db);

// --- Records -----------------------------------------------------------------
// A record number outside 0 .. N-1 throws DB_RECORD_ABOVE_MAX before any
// other check.

bool RecordExists(const RecordDb& db, int32_t r);
// First-fit placement; nothing is written but the tables. DB_RECORD_EXISTS,
// DB_SIZE_TOO_SMALL for size < 1, DB_ALL_RECORDS_USED when no usable slot is
// left, DB_WRITE_ERROR when the record would end past 2^31 - 1.
void CreateRecord(RecordDb& db, int32_t r, int32_t size);
void DeleteRecord(RecordDb& db, int32_t r);
// In place when the following gap allows, else moved (its bytes copied).
// DB_SIZE_TOO_SMALL when newSize is below the used size or below 1.
void ResizeRecord(RecordDb& db, int32_t r, int32_t newSize);
// The move without a heap buffer: a record of newSize is created under the
// lowest free number, the used bytes are copied in small stack-sized steps,
// r is freed and takes over the new entry. ResizeRecord falls back on it
// when no buffer can be had. DB_ALL_RECORDS_USED when no number is free.
void MoveRecordThroughFreeNumber(RecordDb& db, int32_t r, int32_t newSize);
int32_t FindFreeRecord(const RecordDb& db);
// Records that can still be created (N - allocCount, less the slots that
// share bytes with the record area).
int32_t FreeRecordCount(const RecordDb& db);

// Accessors; DB_RECORD_MISSING when r has no record.
int32_t RecordSize(const RecordDb& db, int32_t r);
int32_t RecordUsed(const RecordDb& db, int32_t r);
int32_t RecordOffset(const RecordDb& db, int32_t r);
int64_t RecordAreaBase(const RecordDb& db);
int64_t AllocTablesStart(const RecordDb& db);

// --- Handles -----------------------------------------------------------------
// A closed handle throws DB_NOT_OPEN. Reads and writes never leave the
// record's current allocation, whatever the handle believes.

RecordHandle OpenRecord(RecordDb& db, int32_t r, int32_t mode);
void ReadRecord(RecordHandle& h, void* buffer, int32_t n);
void WriteRecord(RecordHandle& h, const void* buffer, int32_t n);
void SeekRecord(RecordHandle& h, int32_t offset, int32_t origin);
RecordInfo GetRecordInfo(const RecordHandle& h);
void SyncRecord(RecordHandle& h);
void CloseRecord(RecordHandle& h);
