#include "store/record_io.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <zlib.h>

#include "store/record_format.h"

namespace dbio {

FaultHook faultHook = nullptr;

namespace {

// False with errno set when the hook refuses the step.
bool Allowed(Step step) {
    if (faultHook == nullptr) return true;
    const int error = faultHook(step);
    if (error == 0) return true;
    errno = error;
    return false;
}

}  // namespace

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
        if (offset < 0 || !Allowed(Step::Write)) return false;
        const ssize_t put = pwrite(fd, p, n, static_cast<off_t>(offset));
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        p += put;
        offset += put;
        n -= static_cast<size_t>(put);
    }
    return true;
}

bool SyncData(int fd) { return Allowed(Step::Sync) && fdatasync(fd) == 0; }

bool SyncFolder(int folderFd) {
    if (!Allowed(Step::Sync)) return false;
    // Some file systems cannot sync a folder; their names are then as safe as they get.
    return fsync(folderFd) == 0 || errno == EINVAL || errno == EROFS;
}

bool Reserve(int fd, int64_t offset, int64_t n) {
    if (n <= 0) return true;
    if (!Allowed(Step::Extend)) return false;
    const int error = posix_fallocate(fd, static_cast<off_t>(offset), static_cast<off_t>(n));
    if (error == 0) return true;
    errno = error;
    return false;
}

bool RenameNew(const std::string& from, const std::string& to) {
    if (!Allowed(Step::Rename)) return false;
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    // A file system without that flag: a second link, which fails on an existing name.
    if (link(from.c_str(), to.c_str()) != 0) return false;
    unlink(from.c_str());
    return true;
}

bool Replace(const std::string& from, const std::string& to) {
    return Allowed(Step::Rename) && rename(from.c_str(), to.c_str()) == 0;
}

bool Truncate(int fd, int64_t length) {
    return Allowed(Step::Truncate) && ftruncate(fd, static_cast<off_t>(length)) == 0;
}

bool Remove(const std::string& path) {
    if (!Allowed(Step::Remove)) return false;
    return unlink(path.c_str()) == 0 || errno == ENOENT;
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

bool LockByte(int fd, int64_t at, Lock kind, std::chrono::milliseconds wait) {
    using Clock = std::chrono::steady_clock;
    struct flock lock {};
    lock.l_type = kind == Lock::Shared ? F_RDLCK : kind == Lock::Exclusive ? F_WRLCK : F_UNLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = static_cast<off_t>(at);
    lock.l_len = 1;
    const Clock::time_point deadline = Clock::now() + wait;
    // Polled: the kernel's wait has no deadline. Short pauses first, as a
    // change holds the lock for a few milliseconds.
    Clock::duration pause = std::chrono::microseconds(100);
    for (;;) {
        if (fcntl(fd, F_OFD_SETLK, &lock) == 0) return true;
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EACCES) return false;
        const Clock::time_point now = Clock::now();
        if (now >= deadline) {
            errno = EWOULDBLOCK;
            return false;
        }
        std::this_thread::sleep_for(std::min(pause, deadline - now));
        pause = std::min<Clock::duration>(2 * pause, std::chrono::milliseconds(5));
    }
}

uint32_t Crc32(uint32_t crc, const void* bytes, size_t n) {
    const auto* p = static_cast<const Bytef*>(bytes);
    while (n > 0) {
        const auto part = static_cast<uInt>(n < UINT_MAX ? n : UINT_MAX);
        crc = static_cast<uint32_t>(crc32(crc, p, part));
        p += part;
        n -= part;
    }
    return crc;
}

}  // namespace dbio
