// Positioned file transfers that never stop half-way silently: interrupted
// and partial transfers are resumed, and anything short of the full count
// (end of file, disk full, I/O error) is reported as a failure.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dbio {

// Reads exactly n bytes at offset; false on error or end of file.
bool ReadAt(int fd, int64_t offset, void* buffer, size_t n);
// Writes exactly n bytes at offset; false on error or when the disk is full.
bool WriteAt(int fd, int64_t offset, const void* buffer, size_t n);
// TableChecksum of the file bytes [offset, offset + length), read back from
// the file; false when they cannot all be read.
bool RangeChecksum(int fd, int64_t offset, int64_t length, uint32_t& word);
// Length of the open file, -1 on error.
int64_t FileLength(int fd);

}  // namespace dbio
