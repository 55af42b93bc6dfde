// Positioned file transfers that never stop half-way silently: interrupted
// and partial transfers are resumed, and anything short of the full count
// (end of file, disk full, I/O error) is reported as a failure. Every call
// that changes a file or its folder passes through faultHook first.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

namespace dbio {

// What the engine is about to do to a file or a folder.
enum class Step { Write, Sync, Extend, Rename, Remove, Truncate };

// Test seam, null in the program: called before every write, sync,
// extension, rename, removal and truncation; returns 0 to let it happen, or an errno value
// with which it then fails as the system would. It may end the process.
using FaultHook = int (*)(Step step);
extern FaultHook faultHook;

// Reads exactly n bytes at offset; false on error or end of file.
bool ReadAt(int fd, int64_t offset, void* buffer, size_t n);
// Writes exactly n bytes at offset; false on error or when the disk is full.
bool WriteAt(int fd, int64_t offset, const void* buffer, size_t n);
// Data (and the length) of the file on the disk; false on error.
bool SyncData(int fd);
// A folder's entries on the disk; false on error.
bool SyncFolder(int folderFd);
// Blocks reserved for [offset, offset + n), so that later writes there
// cannot find the disk full (the file grows when shorter, holes are filled).
// False on error.
bool Reserve(int fd, int64_t offset, int64_t n);
// Moves from to a new name to, never replacing a file already there; false
// with errno EEXIST when to exists.
bool RenameNew(const std::string& from, const std::string& to);
// Moves from to the name to, in place of the file there; false on error.
bool Replace(const std::string& from, const std::string& to);
// Removes a file; true when it is gone (or was never there).
bool Remove(const std::string& path);
// Cuts the file back to length bytes; false on error.
bool Truncate(int fd, int64_t length);
// TableChecksum of the file bytes [offset, offset + length), read back from
// the file; false when they cannot all be read.
bool RangeChecksum(int fd, int64_t offset, int64_t length, uint32_t& word);
// Length of the open file, -1 on error.
int64_t FileLength(int fd);
// Advisory lock on byte `at` of the file open as fd, owned by that open file
// (closing another descriptor of the same file keeps it, closing fd drops
// it). Unlock always succeeds. Shared and Exclusive retry for up to `wait`
// while another open file holds a lock in the way: false with errno
// EWOULDBLOCK when it still does then, false with the system's errno on any
// other failure.
enum class Lock { Shared, Exclusive, Unlock };
bool LockByte(int fd, int64_t at, Lock kind, std::chrono::milliseconds wait);

// CRC-32 (the zlib one) of n bytes, continuing from crc (0 to start).
uint32_t Crc32(uint32_t crc, const void* bytes, size_t n);

}  // namespace dbio
