#include "store/record_journal.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

#include "store/record_io.h"

using namespace dbformat;

namespace dbjournal {

namespace {

void PutI64(std::vector<uint8_t>& out, int64_t value) {
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<uint8_t>(static_cast<uint64_t>(value) >> (8 * i)));
}

void PutWord(std::vector<uint8_t>& out, uint32_t value) {
    uint8_t bytes[4];
    PutI32(bytes, static_cast<int32_t>(value));
    out.insert(out.end(), bytes, bytes + 4);
}

int64_t GetI64(const uint8_t* p) {
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = v << 8 | p[i];
    return static_cast<int64_t>(v);
}

uint32_t GetWord(const uint8_t* p) { return static_cast<uint32_t>(GetI32(p)); }

bool SameHeader(const Header& a, const Header& b) {
    return a.counter == b.counter && a.A == b.A && a.L == b.L && a.N == b.N;
}

// The header words as the journal's chunks leave them: a change moves the
// counter on, and a replay may have written it already.
Header HeaderAfter(const Journal& journal, const std::vector<Extent>& replay) {
    const Header& h = journal.header;
    uint8_t bytes[16];
    for (int i = 0; i < 4; ++i) PutI32(bytes + 4 * i, std::array{h.counter, h.A, h.L, h.N}[static_cast<size_t>(i)]);
    Patch(replay, kCounterOffset, bytes, sizeof bytes);
    return {GetI32(bytes), GetI32(bytes + 4), GetI32(bytes + 8), GetI32(bytes + 12)};
}

bool ReadHeaderOf(int fd, Header& header) {
    uint8_t bytes[16];
    if (!dbio::ReadAt(fd, 4, bytes, sizeof bytes)) return false;
    header = {GetI32(bytes), GetI32(bytes + 4), GetI32(bytes + 8), GetI32(bytes + 12)};
    return true;
}

// Whole contents of the journal open as fd, when it is a regular file no
// longer than limit (a longer one is no journal of ours: Incomplete).
State ReadJournalFile(int fd, int64_t limit, std::vector<uint8_t>& bytes) {
    struct stat st {};
    if (fstat(fd, &st) != 0) return State::Unreadable;
    if (!S_ISREG(st.st_mode)) return State::NotRegular;
    if (st.st_size > limit) return State::Incomplete;
    try {
        bytes.resize(static_cast<size_t>(st.st_size));
    } catch (const std::bad_alloc&) {
        return State::Unreadable;
    }
    if (!bytes.empty() && !dbio::ReadAt(fd, 0, bytes.data(), bytes.size())) return State::Unreadable;
    return State::Replayable;  // read: what it holds is judged next
}

// CRC-32 of the database bytes [offset, offset + size) as the extents leave
// them; false when they cannot be read.
bool RangeCrc(int fd, int64_t offset, int64_t size, const std::vector<Extent>& extents, uint32_t& crc) {
    uint8_t piece[65536];
    crc = 0;
    for (int64_t done = 0; done < size;) {
        const size_t n = static_cast<size_t>(std::min<int64_t>(size - done, sizeof piece));
        if (!dbio::ReadAt(fd, offset + done, piece, n)) return false;
        Patch(extents, offset + done, piece, n);
        crc = dbio::Crc32(crc, piece, n);
        done += static_cast<int64_t>(n);
    }
    return true;
}

// A range's size is written in 32 bits.
constexpr int64_t kRangeMax = int64_t{1} << 30;

}  // namespace

std::string PathFor(const std::string& databasePath) { return databasePath + "-journal"; }

bool Build(int fd, const Header& header, const std::vector<Extent>& extents, const std::vector<Range>& straight,
           Journal& journal) {
    journal.header = header;
    journal.length = dbio::FileLength(fd);
    journal.chunks.clear();
    for (const Extent& e : extents) {
        const int64_t end = e.offset + static_cast<int64_t>(e.bytes.size());
        for (int64_t at = e.offset; at < end;) {
            const int64_t stop = std::min(end, (at / kChunkMax + 1) * kChunkMax);
            const auto first = e.bytes.begin() + (at - e.offset);
            Chunk c{at, 0, std::vector<uint8_t>(first, first + (stop - at))};
            std::vector<uint8_t> old(c.bytes.size());
            if (!dbio::ReadAt(fd, at, old.data(), old.size())) return false;
            c.before = dbio::Crc32(0, old.data(), old.size());
            journal.chunks.push_back(std::move(c));
            at = stop;
        }
    }
    journal.straight.clear();
    for (const Range& r : straight) {
        for (int64_t at = r.offset; at < r.offset + r.size; at += kRangeMax) {
            Range piece{at, std::min(kRangeMax, r.offset + r.size - at)};
            if (!RangeCrc(fd, piece.offset, piece.size, extents, piece.crc)) return false;
            journal.straight.push_back(piece);
        }
    }
    return true;
}

std::vector<uint8_t> Encode(const Journal& journal) {
    std::vector<uint8_t> out;
    PutWord(out, kMagic);
    const Header& h = journal.header;
    for (const int32_t word : {h.counter, h.A, h.L, h.N}) PutWord(out, static_cast<uint32_t>(word));
    PutI64(out, journal.length);
    PutWord(out, static_cast<uint32_t>(journal.chunks.size()));
    for (const Chunk& c : journal.chunks) {
        PutI64(out, c.offset);
        PutWord(out, static_cast<uint32_t>(c.bytes.size()));
        PutWord(out, c.before);
        out.insert(out.end(), c.bytes.begin(), c.bytes.end());
    }
    PutWord(out, static_cast<uint32_t>(journal.straight.size()));
    for (const Range& r : journal.straight) {
        PutI64(out, r.offset);
        PutWord(out, static_cast<uint32_t>(r.size));
        PutWord(out, r.crc);
    }
    PutWord(out, dbio::Crc32(0, out.data(), out.size()));
    return out;
}

bool Decode(const std::vector<uint8_t>& bytes, Journal& journal) {
    const size_t total = bytes.size();
    if (total < kHeaderSize + 4) return false;
    const uint32_t magic = GetWord(&bytes[0]);
    if (magic != kMagic && magic != kFirstMagic) return false;
    if (GetWord(&bytes[total - 4]) != dbio::Crc32(0, bytes.data(), total - 4)) return false;
    const uint8_t* p = bytes.data();
    journal.header = {GetI32(p + 4), GetI32(p + 8), GetI32(p + 12), GetI32(p + 16)};
    journal.length = GetI64(p + 20);
    const uint32_t count = GetWord(p + 28);
    journal.chunks.clear();
    size_t at = kHeaderSize;
    for (uint32_t i = 0; i < count; ++i) {
        if (total - 4 - at < kChunkHeaderSize) return false;
        const int64_t offset = GetI64(p + at);
        const uint32_t size = GetWord(p + at + 8);
        if (offset < 0 || size < 1 || size > kChunkMax || offset / kChunkMax != (offset + size - 1) / kChunkMax ||
            offset + size > journal.length || total - 4 - at - kChunkHeaderSize < size)
            return false;
        const uint8_t* data = p + at + kChunkHeaderSize;
        journal.chunks.push_back({offset, GetWord(p + at + 12), std::vector<uint8_t>(data, data + size)});
        at += kChunkHeaderSize + size;
    }
    journal.straight.clear();
    if (magic == kFirstMagic) return at == total - 4;
    if (total - 4 - at < 4) return false;
    const uint32_t ranges = GetWord(p + at);
    at += 4;
    if ((total - 4 - at) / kRangeSize < ranges) return false;
    for (uint32_t i = 0; i < ranges; ++i, at += kRangeSize) {
        const Range r{GetI64(p + at), GetWord(p + at + 8), GetWord(p + at + 12)};
        if (r.offset < 0 || r.size < 1 || r.offset > journal.length - r.size) return false;
        journal.straight.push_back(r);
    }
    return at == total - 4;
}

State Examine(const std::string& path, int fd, Journal& journal) {
    const int jfd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (jfd < 0) {
        if (errno == ENOENT) return State::Absent;
        return errno == ELOOP ? State::NotRegular : State::Unreadable;  // ELOOP: a link, never ours
    }
    const int64_t length = dbio::FileLength(fd);
    // Its chunks hold each byte of the database once at the most, with 16
    // bytes each besides: a file much larger is no journal of ours.
    std::vector<uint8_t> bytes;
    const State read = length < 0 ? State::Unreadable : ReadJournalFile(jfd, 2 * length + 65536, bytes);
    close(jfd);
    if (read != State::Replayable) return read;
    if (!Decode(bytes, journal)) return State::Incomplete;
    // Below, every byte read lies inside the file: a failed read is an error.
    Header header;
    if (length < dbformat::kHeaderSize || journal.length > length) return State::Foreign;
    if (!ReadHeaderOf(fd, header)) return State::Unreadable;
    std::vector<Extent> replay;
    for (const Chunk& c : journal.chunks) replay.push_back({c.offset, c.bytes});
    if (!SameHeader(header, journal.header) && !SameHeader(header, HeaderAfter(journal, replay))) return State::Foreign;
    for (const Chunk& c : journal.chunks) {
        std::vector<uint8_t> now(c.bytes.size());
        if (!dbio::ReadAt(fd, c.offset, now.data(), now.size())) return State::Unreadable;
        const uint32_t crc = dbio::Crc32(0, now.data(), now.size());
        if (crc != c.before && now != c.bytes) return State::Foreign;
    }
    if (journal.straight.empty()) return State::Replayable;
    for (const Range& r : journal.straight) {
        uint32_t crc = 0;
        if (!RangeCrc(fd, r.offset, r.size, replay, crc)) return State::Unreadable;
        if (crc != r.crc) return State::Foreign;
    }
    return State::Replayable;
}

void Patch(const std::vector<Extent>& extents, int64_t at, uint8_t* out, size_t n) {
    const int64_t end = at + static_cast<int64_t>(n);
    for (const Extent& e : extents) {
        const int64_t from = std::max(at, e.offset);
        const int64_t to = std::min(end, e.offset + static_cast<int64_t>(e.bytes.size()));
        if (from < to)
            std::memcpy(out + (from - at), e.bytes.data() + (from - e.offset), static_cast<size_t>(to - from));
    }
}

std::vector<Extent> Flatten(const std::vector<Extent>& extents) {
    std::vector<std::pair<int64_t, int64_t>> ranges;
    for (const Extent& e : extents)
        if (!e.bytes.empty()) ranges.emplace_back(e.offset, e.offset + static_cast<int64_t>(e.bytes.size()));
    std::sort(ranges.begin(), ranges.end());
    std::vector<Extent> out;
    for (size_t i = 0; i < ranges.size();) {
        auto [from, to] = ranges[i];
        for (++i; i < ranges.size() && ranges[i].first <= to; ++i) to = std::max(to, ranges[i].second);
        Extent merged{from, std::vector<uint8_t>(static_cast<size_t>(to - from))};
        Patch(extents, from, merged.bytes.data(), merged.bytes.size());  // wholly covered
        out.push_back(std::move(merged));
    }
    return out;
}

std::vector<Range> Merge(std::vector<Range> ranges) {
    std::sort(ranges.begin(), ranges.end(), [](const Range& a, const Range& b) { return a.offset < b.offset; });
    std::vector<Range> out;
    for (const Range& r : ranges) {
        if (!out.empty() && r.offset <= out.back().offset + out.back().size)
            out.back().size = std::max(out.back().size, r.offset + r.size - out.back().offset);
        else
            out.push_back({r.offset, r.size});
    }
    return out;
}

bool Write(const std::string& path, int folderFd, const Journal& journal) {
    const std::vector<uint8_t> bytes = Encode(journal);
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    bool ok = dbio::WriteAt(fd, 0, bytes.data(), bytes.size()) && dbio::SyncData(fd);
    ok = close(fd) == 0 && ok;
    // The name must be on the disk before the database changes in place.
    ok = ok && (folderFd < 0 || dbio::SyncFolder(folderFd));
    if (!ok) dbio::Remove(path);
    return ok;
}

bool Apply(int fd, const Journal& journal) {
    // Chunks that follow one another go out in one write.
    std::vector<uint8_t> run;
    int64_t start = 0;
    for (size_t i = 0; i < journal.chunks.size(); ++i) {
        const Chunk& c = journal.chunks[i];
        if (run.empty()) start = c.offset;
        run.insert(run.end(), c.bytes.begin(), c.bytes.end());
        const bool next = i + 1 < journal.chunks.size() &&
                          journal.chunks[i + 1].offset == start + static_cast<int64_t>(run.size());
        if (next) continue;
        if (!dbio::WriteAt(fd, start, run.data(), run.size())) return false;
        run.clear();
    }
    return dbio::SyncData(fd);
}

}  // namespace dbjournal
