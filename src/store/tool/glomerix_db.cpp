// glomerix-db FILE: prints a database file in readable form (header, check
// words stored and recomputed, table verdict, every record, and the best
// energy and distance of the particle-count records). Reads only; works on
// damaged files as far as their bytes allow.
// Exit code: 0 sound database, 1 unreadable, 2 not a sound database.
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

#include "store/record_format.h"
#include "store/record_io.h"

using namespace dbformat;

namespace {

struct Dump {
    int fd;
    int64_t length;
    Header header;
    std::vector<int32_t> links;
    int32_t allocCount = 0;
    std::vector<AllocEntry> slots;
};

bool ReadI32(const Dump& d, int64_t offset, int32_t& value) {
    uint8_t bytes[4];
    if (!dbio::ReadAt(d.fd, offset, bytes, 4)) return false;
    value = GetI32(bytes);
    return true;
}

// Prints one check word; false when stored and recomputed differ.
bool PrintCheckWord(const Dump& d, const char* kind, int32_t i, int64_t start, int64_t from, int64_t length) {
    int32_t stored = 0;
    uint32_t word = 0;
    if (!ReadI32(d, start, stored) || !dbio::RangeChecksum(d.fd, from, length, word)) {
        std::printf("%s table %d at %" PRId64 ": unreadable\n", kind, i, start);
        return false;
    }
    const bool same = static_cast<uint32_t>(stored) == word;
    std::printf("%s table %d at %" PRId64 ": check word stored 0x%08" PRIX32 ", recomputed 0x%08" PRIX32 " (%s)\n",
                kind, i, start, static_cast<uint32_t>(stored), word, same ? "ok" : "MISMATCH");
    return same;
}

bool PrintCheckWords(const Dump& d) {
    const Header& h = d.header;
    bool sound = true;
    for (int32_t i = 0; i < h.L; ++i) {
        const int64_t start = LinkTableStart(i, h.N);
        sound = PrintCheckWord(d, "link", i, start, start + 4, 4 * int64_t{h.N}) && sound;
    }
    for (int32_t a = 0; a < h.A; ++a) {
        const int64_t start = AllocTableStart(a, h.L, h.N);
        sound = PrintCheckWord(d, "allocation", a, start, start + 8, 12 * int64_t{h.N}) && sound;
    }
    return sound;
}

bool LoadTables(Dump& d) {
    const Header& h = d.header;
    d.links.assign(static_cast<size_t>(h.N), -1);
    for (int32_t r = 0; r < h.N; ++r)
        if (!ReadI32(d, LinkTableStart(0, h.N) + 4 + 4 * int64_t{r}, d.links[r])) return false;
    const int64_t alloc = AllocTableStart(0, h.L, h.N);
    if (!ReadI32(d, alloc + 4, d.allocCount)) return false;
    std::printf("allocCount: %" PRId32 "\n", d.allocCount);
    if (d.allocCount < 0 || d.allocCount > h.N) return true;
    d.slots.assign(static_cast<size_t>(h.N), AllocEntry{});
    for (int32_t k = 0; k < d.allocCount; ++k) {
        const int64_t slot = alloc + 8 + 12 * int64_t{k};
        AllocEntry& e = d.slots[k];
        if (!ReadI32(d, slot, e.offset) || !ReadI32(d, slot + 4, e.size) || !ReadI32(d, slot + 8, e.used))
            return false;
    }
    return true;
}

// Best energy and distance, the first 16 bytes of a particle-count record.
void PrintBestValues(const Dump& d, const AllocEntry& e) {
    const int64_t base = RecordAreaBase(d.header.L, d.header.A, d.header.N);
    double values[2];
    if (e.used < 16 || e.offset < 0 || !dbio::ReadAt(d.fd, base + e.offset, values, sizeof values)) return;
    std::printf("  energy %.17g  distance %.17g", values[0], values[1]);
}

void PrintRecords(const Dump& d) {
    std::printf("records:\n");
    for (int32_t r = 0; r < d.header.N; ++r) {
        const int32_t k = d.links[r];
        if (k == -1) continue;
        if (k < 0 || k >= d.allocCount || static_cast<size_t>(k) >= d.slots.size()) {
            std::printf("  record %" PRId32 ": link %" PRId32 " outside the allocation table\n", r, k);
            continue;
        }
        const AllocEntry& e = d.slots[k];
        std::printf("  record %" PRId32 ": entry %" PRId32 " offset %" PRId32 " size %" PRId32 " used %" PRId32,
                    r, k, e.offset, e.size, e.used);
        if (r >= 3) PrintBestValues(d, e);
        std::printf("\n");
    }
}

// Header and verdict; returns the exit code.
int DumpFile(Dump& d) {
    int32_t magic = 0;
    uint8_t bytes[16];
    if (!ReadI32(d, 0, magic) || !dbio::ReadAt(d.fd, 4, bytes, sizeof bytes)) {
        std::printf("file too short for a header (%" PRId64 " bytes)\n", d.length);
        return 2;
    }
    d.header = {GetI32(bytes), GetI32(bytes + 4), GetI32(bytes + 8), GetI32(bytes + 12)};
    const Header& h = d.header;
    const bool isDatabase = magic == static_cast<int32_t>(kMagic);
    std::printf("length: %" PRId64 " bytes\nmagic: 0x%08" PRIX32 " (%s)\n", d.length,
                static_cast<uint32_t>(magic), isDatabase ? "database" : "not a database");
    std::printf("reserved: %" PRId32 "\nA: %" PRId32 "\nL: %" PRId32 "\nN: %" PRId32 "\n", h.reserved, h.A, h.L, h.N);
    const int headerError = CheckHeader(h, d.length);
    if (headerError != DB_NO_ERROR) {
        std::printf("header: error %d\n", headerError);
        return 2;
    }
    std::printf("recordAreaBase: %" PRId64 "\n", RecordAreaBase(h.L, h.A, h.N));
    bool sound = PrintCheckWords(d) && isDatabase;
    if (!LoadTables(d)) {
        std::printf("tables: unreadable\n");
        return 2;
    }
    const int tableError = CheckTables(h, d.length, d.links, d.allocCount, d.slots);
    if (tableError == DB_NO_ERROR) {
        std::printf("tables: coherent\n");
    } else {
        std::printf("tables: error %d\n", tableError);
        sound = false;
    }
    PrintRecords(d);
    return sound ? 0 : 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: glomerix-db FILE\n");
        return 1;
    }
    Dump d{open(argv[1], O_RDONLY | O_CLOEXEC), 0, {}, {}, 0, {}};
    if (d.fd < 0 || (d.length = dbio::FileLength(d.fd)) < 0) {
        std::fprintf(stderr, "glomerix-db: cannot read %s: %s\n", argv[1], std::strerror(errno));
        return 1;
    }
    std::printf("file: %s\n", argv[1]);
    const int status = DumpFile(d);
    close(d.fd);
    return status;
}
