// The record engine's error numbers. Every engine operation either completes
// or throws DbError{code}; none returns an error code.
//
//   try { ... } catch (const DbError& e) { SignalerErreurBase(e.code); }
#pragma once

enum DbErrorCode : int {
    DB_NO_ERROR = 0,
    DB_OPEN_FAILED = 1,
    DB_READ_ERROR = 2,
    DB_WRITE_ERROR = 3,
    DB_SEEK_ERROR = 4,
    DB_LINK_TABLE_CORRUPT = 5,
    DB_ALLOC_TABLE_CORRUPT = 6,
    DB_NO_LINK_TABLE = 7,
    DB_NO_ALLOC_TABLE = 8,
    DB_RECORD_MISSING = 9,
    DB_RECORD_ABOVE_MAX = 10,
    DB_OUT_OF_MEMORY = 11,
    DB_ALREADY_OPEN = 12,
    DB_CREATE_FAILED = 13,
    DB_FILE_EXISTS = 14,
    DB_NOT_OPEN = 15,
    DB_DELETE_FAILED = 16,
    DB_RECORD_EXISTS = 17,
    DB_CLOSE_ERROR = 18,
    DB_BAD_MODE = 19,
    DB_PAST_END = 20,
    DB_WRONG_MODE = 21,
    DB_ALL_RECORDS_USED = 22,
    DB_SIZE_TOO_SMALL = 23,
    DB_SEEK_OUT_OF_RANGE = 24,
    DB_UNKNOWN_ERROR_NUMBER = 25,
};

inline constexpr int kDbErrorCount = 26;

// Why the system refused, when that says more than the code's message.
enum DbCause : int {
    CAUSE_NONE = 0,
    CAUSE_PERMISSION = 1,   // the file or its folder may not be read or written
    CAUSE_NOT_REGULAR = 2,  // a FIFO, a device or a folder at the path
    CAUSE_JOURNAL_NOT_REGULAR = 3,  // a folder, a link, a FIFO or a device at the journal's name
    CAUSE_IN_USE = 4,               // another program has the database open
    CAUSE_NOT_DATABASE = 5,         // a file of something else at the database's path
    CAUSE_BUSY = 6,                 // another program held the file's lock for longer than the wait
};

// Thrown by value; `code` is one of DbErrorCode, `cause` one of DbCause.
struct DbError {
    int code;
    int cause = CAUSE_NONE;
};

[[noreturn]] inline void RaiseDbError(int code, int cause = CAUSE_NONE) { throw DbError{code, cause}; }

// The French message of code 0 .. 25 (Windows-1252, static storage).
// Any other number throws DbError{DB_UNKNOWN_ERROR_NUMBER}.
const char* ErrorText(int code);
// The French message that replaces ErrorText when the cause is known; null
// for CAUSE_NONE and unknown causes.
const char* CauseText(int cause);
