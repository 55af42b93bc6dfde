#include "store/record_io.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

#include "store/record_format.h"

namespace dbio {

bool ReadAt(int fd, int64_t offset, void* buffer, size_t n) {
    auto* p = static_cast<uint8_t*>(buffer);
    while (n > 0) {
        if (offset < 0) return false;
        const ssize_t got = pread(fd, p, n, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        p += got;
        offset += got;
        n -= static_cast<size_t>(got);
    }
    return true;
}

bool WriteAt(int fd, int64_t offset, const void* buffer, size_t n) {
    const auto* p = static_cast<const uint8_t*>(buffer);
    while (n > 0) {
        if (offset < 0) return false;
        const ssize_t put = pwrite(fd, p, n, static_cast<off_t>(offset));
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        p += put;
        offset += put;
        n -= static_cast<size_t>(put);
    }
    return true;
}

bool RangeChecksum(int fd, int64_t offset, int64_t length, uint32_t& word) {
    uint8_t chunk[16384];
    word = 0;
    for (int64_t done = 0; done < length;) {
        const int64_t left = length - done;
        const size_t n = left < int64_t{sizeof chunk} ? static_cast<size_t>(left) : sizeof chunk;
        if (!ReadAt(fd, offset + done, chunk, n)) return false;
        word = dbformat::TableChecksum(word, done, chunk, n);
        done += static_cast<int64_t>(n);
    }
    return true;
}

int64_t FileLength(int fd) {
    struct stat st {};
    if (fstat(fd, &st) != 0) return -1;
    return static_cast<int64_t>(st.st_size);
}

}  // namespace dbio
