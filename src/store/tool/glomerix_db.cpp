// glomerix-db [--liste] [--format texte|csv|json] FICHIER
// glomerix-db --exporter N [--distance] [--format xyz|csv|json] FICHIER
// glomerix-db --dump FICHIER | --check FICHIER
// glomerix-db FICHIER --fusionner AUTRE [AUTRE...]
// glomerix-db --help | --version
//
// --liste (what runs without another action): one line per count that has a
// record: the count, the best energy, the best distance and whether it is
// marked, to 17 significant digits, as a table, CSV or JSON. --exporter: the
// configuration of the best energy of N points (of the best distance with
// --distance) as XYZ, CSV or JSON. Both read the file as --fusionner reads
// the others (a damaged record passed over with a warning) and write to
// standard output; their messages are French. Exit code: 0 done, 1 a file
// unreadable or nothing to export, 2 not a sound database, 3 locked.
//
// --dump: prints a database file in readable form (header, check
// words stored and recomputed, table verdict, every record, and the best
// energy and distance of the particle-count records). Exit code: 0 sound
// database, 1 unreadable, 2 not a sound database.
//
// --check: prints one line per fault and a verdict line; exit code 0 when
// there is none, 1 unreadable, 2 otherwise, 3 locked. Beyond the header, the check
// words and the tables, a store's file (N = 10000) is held to the store's
// layout: records 0 and 1 of their fixed sizes, count records of exactly
// their count's size and ending with their count (a link to another count's
// bytes shows so), fully written, with finite values, positions on the unit
// sphere that give the values stored with them (below 3000 points), an
// energy not below the count's lower bound and a distance not above its
// upper bound (those two "suspect": no configuration can have them). The
// dump and the check speak of the record engine's internals, in its words.
//
// Both read only, work on damaged files as far as their bytes allow, and see
// the file as the program's next opening will: with a complete journal beside
// it replayed (in memory). Both read the file under a reader's share of its
// change lock, so that no change of a running program is seen half-way,
// waiting a few seconds for one under way: --check gives up with exit code 3
// when a change holds it longer (a stuck program) rather than judge a file
// caught in the middle of it; the dump goes on, saying so. The file is read
// whole into memory first, so that the lock is not held while it is judged.
//
// --fusionner merges the count records and marks of the other databases
// (read as --check reads them: a damaged record is passed over) into FILE,
// created when absent, as one change of it, through the store: for each
// count the better energy and the better distance win with their positions.
// Exit code: 0 merged, 1 a file unreadable or
// FILE not opened, 2 another file not a sound database (nothing merged),
// 3 FILE or another locked.
//
// A command line it does not understand: a French message and the usage on
// standard error, exit code 1.
#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <getopt.h>
#include <new>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

#include "etat/vec3.h"
#include "store/best_format.h"
#include "store/best_store.h"
#include "store/fichiers_positions.h"
#include "store/record_db.h"
#include "store/record_format.h"
#include "store/record_io.h"
#include "store/record_journal.h"
#include "ternex/ternex.h"

#include <nlohmann/json.hpp>

using namespace dbformat;

namespace {

constexpr int32_t kModesSize = 100;
constexpr int32_t kValiditySize = 1250;
constexpr int32_t kFirstCount = 3;

// What is printed: the dump, the faults only (--check), or nothing (a file
// read to be merged).
enum class Mode { Dump, Check, Silent };

struct Dump {
    int fd = -1;
    int64_t length = 0;
    std::vector<uint8_t> image;              // the whole file, when read into memory
    bool inMemory = false;
    std::vector<dbjournal::Extent> journal;  // a complete journal's bytes, replayed over the file
    Header header;
    std::vector<int32_t> links;
    int32_t allocCount = 0;
    std::vector<AllocEntry> slots;
    Mode mode = Mode::Dump;
    bool checkPositions = true;  // the values against their positions (O(n^2) a record)
    int faults = 0;
};

bool ReadBytes(const Dump& d, int64_t offset, void* buffer, size_t n) {
    if (d.inMemory) {
        if (offset < 0 || offset > d.length || n > static_cast<uint64_t>(d.length - offset)) return false;
        if (n > 0) std::memcpy(buffer, &d.image[static_cast<size_t>(offset)], n);
    } else if (!dbio::ReadAt(d.fd, offset, buffer, n)) {
        return false;
    }
    dbjournal::Patch(d.journal, offset, static_cast<uint8_t*>(buffer), n);
    return true;
}

bool ReadI32(const Dump& d, int64_t offset, int32_t& value) {
    uint8_t bytes[4];
    if (!ReadBytes(d, offset, bytes, 4)) return false;
    value = GetI32(bytes);
    return true;
}

bool Checksum(const Dump& d, int64_t offset, int64_t length, uint32_t& word) {
    uint8_t chunk[16384];
    word = 0;
    for (int64_t done = 0; done < length;) {
        const size_t n = static_cast<size_t>(std::min<int64_t>(length - done, sizeof chunk));
        if (!ReadBytes(d, offset + done, chunk, n)) return false;
        word = TableChecksum(word, done, chunk, n);
        done += static_cast<int64_t>(n);
    }
    return true;
}

// What the dump shows, but not the check.
#define SHOW(d, ...)                                            \
    do {                                                        \
        if ((d).mode == Mode::Dump) std::printf(__VA_ARGS__);   \
    } while (0)

// A fault: counted in every mode, a line of its own in the check; kind is
// "problem" or "suspect".
#define FAULT(d, kind, ...)                                     \
    do {                                                        \
        ++(d).faults;                                           \
        if ((d).mode == Mode::Check) std::printf(kind ": ");    \
        if ((d).mode == Mode::Check) std::printf(__VA_ARGS__);  \
    } while (0)

// A line about the journal, in the dump and the check.
#define TELL(d, ...)                                            \
    do {                                                        \
        if ((d).mode != Mode::Silent) std::printf(__VA_ARGS__); \
    } while (0)

void LoadJournal(Dump& d, const char* path) {
    dbjournal::Journal journal;
    const std::string journalPath = dbjournal::PathFor(ResolveDatabasePath(path));
    const char* problem = d.mode == Mode::Check ? "problem: " : "";
    switch (dbjournal::Examine(journalPath, d.fd, journal)) {
    case dbjournal::State::Absent:
        return;
    case dbjournal::State::Unreadable:
        ++d.faults;
        TELL(d, "%sjournal: cannot be read now: the next opening refuses the database and keeps it\n", problem);
        return;
    case dbjournal::State::NotRegular:
        ++d.faults;
        TELL(d, "%sjournal: %s is not a file: the next opening refuses the database\n", problem, journalPath.c_str());
        return;
    case dbjournal::State::Incomplete:
        TELL(d, "journal: incomplete, dropped at the next opening\n");
        return;
    case dbjournal::State::Foreign:
        TELL(d, "journal: not of this file as it stands, dropped at the next opening\n");
        return;
    case dbjournal::State::Replayable:
        break;
    }
    for (dbjournal::Chunk& c : journal.chunks) d.journal.push_back({c.offset, std::move(c.bytes)});
    TELL(d, "journal: complete, %zu chunks, replayed here as at the next opening\n", d.journal.size());
}

// Prints one check word; false when stored and recomputed differ.
bool PrintCheckWord(Dump& d, const char* kind, int32_t i, int64_t start, int64_t from, int64_t length) {
    int32_t stored = 0;
    uint32_t word = 0;
    if (!ReadI32(d, start, stored) || !Checksum(d, from, length, word)) {
        SHOW(d, "%s table %d at %" PRId64 ": unreadable\n", kind, i, start);
        FAULT(d, "problem", "%s table %d at %" PRId64 ": unreadable\n", kind, i, start);
        return false;
    }
    const bool same = static_cast<uint32_t>(stored) == word;
    SHOW(d, "%s table %d at %" PRId64 ": check word stored 0x%08" PRIX32 ", recomputed 0x%08" PRIX32 " (%s)\n", kind,
         i, start, static_cast<uint32_t>(stored), word, same ? "ok" : "MISMATCH");
    if (!same)
        FAULT(d, "problem", "%s table %d: check word stored 0x%08" PRIX32 ", recomputed 0x%08" PRIX32 "\n", kind, i,
              static_cast<uint32_t>(stored), word);
    return same;
}

bool PrintCheckWords(Dump& d) {
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
    std::vector<uint8_t> bytes(4 * static_cast<size_t>(h.N));
    if (!ReadBytes(d, LinkTableStart(0, h.N) + 4, bytes.data(), bytes.size())) return false;
    d.links.resize(static_cast<size_t>(h.N));
    for (int32_t r = 0; r < h.N; ++r) d.links[r] = GetI32(&bytes[4 * static_cast<size_t>(r)]);
    const int64_t alloc = AllocTableStart(0, h.L, h.N);
    if (!ReadI32(d, alloc + 4, d.allocCount)) return false;
    SHOW(d, "allocCount: %" PRId32 "\n", d.allocCount);
    if (d.allocCount < 0 || d.allocCount > h.N) return true;
    bytes.resize(12 * static_cast<size_t>(d.allocCount));
    if (!ReadBytes(d, alloc + 8, bytes.data(), bytes.size())) return false;
    d.slots.assign(static_cast<size_t>(h.N), AllocEntry{});
    for (int32_t k = 0; k < d.allocCount; ++k) {
        const uint8_t* slot = &bytes[12 * static_cast<size_t>(k)];
        d.slots[k] = {GetI32(slot), GetI32(slot + 4), GetI32(slot + 8)};
    }
    return true;
}

bool ReadValues(const Dump& d, const AllocEntry& e, double values[2]) {
    const int64_t base = RecordAreaBase(d.header.L, d.header.A, d.header.N);
    return e.used >= bestformat::kValuesSize && e.offset >= 0 &&
           ReadBytes(d, base + e.offset, values, bestformat::kValuesSize);
}

// The positions of one set of a count record: each on the unit sphere, and
// the set giving the value stored for it.
void CheckPositions(Dump& d, int32_t n, const AllocEntry& e, bool byEnergy, double value) {
    const int64_t base = RecordAreaBase(d.header.L, d.header.A, d.header.N);
    std::vector<double> coords(3 * static_cast<size_t>(n));
    const int64_t at = base + e.offset + bestformat::PositionSetOffset(n, byEnergy);
    const char* set = byEnergy ? "energy" : "distance";
    if (!ReadBytes(d, at, coords.data(), coords.size() * sizeof(double))) {
        FAULT(d, "problem", "record %" PRId32 ": positions of the best %s unreadable\n", n, set);
        return;
    }
    for (int32_t i = 0; i < n; ++i) {
        const double* p = &coords[3 * static_cast<size_t>(i)];
        const double r = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
        if (std::fabs(r - 1.0) <= 1e-9) continue;
        FAULT(d, "suspect", "record %" PRId32 ": position %" PRId32 " of the best %s off the unit sphere (|p| = %.17g)\n",
              n, i, set, r);
        return;
    }
    const double recomputed = byEnergy ? bestformat::EnergyOf(coords.data(), n) : bestformat::MinDistanceOf(coords.data(), n);
    if (!bestformat::Agree(value, recomputed))
        FAULT(d, "problem", "record %" PRId32 ": best %s %.17g, its positions give %.17g\n", n, set, value, recomputed);
}

// The count a record written with it ends with; false when unreadable.
bool CountWrittenIn(const Dump& d, int32_t n, const AllocEntry& e, int32_t& count) {
    const int64_t base = RecordAreaBase(d.header.L, d.header.A, d.header.N);
    return ReadI32(d, base + e.offset + bestformat::CountRecordSize(n), count);
}

// A particle-count record against its count.
void CheckCountRecord(Dump& d, int32_t n, const AllocEntry& e) {
    const int32_t plain = bestformat::CountRecordSize(n), tagged = bestformat::TaggedRecordSize(n);
    if (e.size != plain && e.size != tagged) {
        FAULT(d, "problem", "record %" PRId32 ": %" PRId32 " bytes allocated, a record of %" PRId32
              " points has %" PRId32 " (or %" PRId32 " before the count was kept in it): not this count's bytes\n",
              n, e.size, n, tagged, plain);
        return;
    }
    if (e.used != e.size) FAULT(d, "problem", "record %" PRId32 ": %" PRId32 " of %" PRId32 " bytes written\n", n, e.used, e.size);
    int32_t count = 0;
    if (e.size == tagged && e.used == tagged && CountWrittenIn(d, n, e, count) && count != n) {
        FAULT(d, "problem", "record %" PRId32 ": holds the count %" PRId32 ": not this count's bytes\n", n, count);
        return;
    }
    double values[2];
    if (!ReadValues(d, e, values)) return;
    if (!std::isfinite(values[0]) || !std::isfinite(values[1])) {
        FAULT(d, "problem", "record %" PRId32 ": values not finite (%.17g, %.17g)\n", n, values[0], values[1]);
        return;
    }
    const double lower = bestformat::EnergyLowerBound(n), upper = bestformat::DistanceUpperBound(n);
    if (values[0] < lower * (1.0 - 1e-12))
        FAULT(d, "suspect", "record %" PRId32 ": energy %.17g below %.17g, the least %" PRId32 " points can have\n", n,
              values[0], lower, n);
    if (!(values[1] > 0.0) || values[1] > upper * (1.0 + 1e-9))
        FAULT(d, "suspect", "record %" PRId32 ": minimum distance %.17g outside (0, %.17g], what %" PRId32
              " points can have\n", n, values[1], upper, n);
    if (d.checkPositions && e.used >= plain && n < bestformat::kPositionsBelow) {
        CheckPositions(d, n, e, true, values[0]);
        CheckPositions(d, n, e, false, values[1]);
    }
}

void CheckStoreRecord(Dump& d, int32_t r, const AllocEntry& e) {
    if (r >= kFirstCount) return CheckCountRecord(d, r, e);
    const int32_t size = r == 0 ? kModesSize : r == 1 ? kValiditySize : 0;
    if (size == 0)
        FAULT(d, "problem", "record %" PRId32 ": not a record of the store\n", r);
    else if (e.size != size)
        FAULT(d, "problem", "record %" PRId32 ": %" PRId32 " bytes allocated instead of %" PRId32 "\n", r, e.size, size);
}

// Best energy and distance, the first 16 bytes of a particle-count record.
void PrintBestValues(const Dump& d, const AllocEntry& e) {
    double values[2];
    if (ReadValues(d, e, values)) SHOW(d, "  energy %.17g  distance %.17g", values[0], values[1]);
}

void PrintRecords(Dump& d, bool tablesSound) {
    SHOW(d, "records:\n");
    for (int32_t r = 0; r < d.header.N; ++r) {
        const int32_t k = d.links[r];
        if (k == -1) continue;
        if (k < 0 || k >= d.allocCount || static_cast<size_t>(k) >= d.slots.size()) {
            SHOW(d, "  record %" PRId32 ": link %" PRId32 " outside the allocation table\n", r, k);
            continue;
        }
        const AllocEntry& e = d.slots[k];
        SHOW(d, "  record %" PRId32 ": entry %" PRId32 " offset %" PRId32 " size %" PRId32 " used %" PRId32, r, k,
             e.offset, e.size, e.used);
        if (r >= kFirstCount) PrintBestValues(d, e);
        SHOW(d, "\n");
        if (d.mode == Mode::Check && tablesSound && d.header.N == kStoreItems) CheckStoreRecord(d, r, e);
    }
}

// Header and verdict; returns the exit code.
int DumpFile(Dump& d) {
    int32_t magic = 0;
    uint8_t bytes[16];
    if (!ReadI32(d, 0, magic) || !ReadBytes(d, 4, bytes, sizeof bytes)) {
        SHOW(d, "file too short for a header (%" PRId64 " bytes)\n", d.length);
        FAULT(d, "problem", "file too short for a header (%" PRId64 " bytes)\n", d.length);
        return 2;
    }
    d.header = {GetI32(bytes), GetI32(bytes + 4), GetI32(bytes + 8), GetI32(bytes + 12)};
    const Header& h = d.header;
    const bool isDatabase = magic == static_cast<int32_t>(kMagic);
    SHOW(d, "length: %" PRId64 " bytes\nmagic: 0x%08" PRIX32 " (%s)\n", d.length, static_cast<uint32_t>(magic),
         isDatabase ? "database" : "not a database");
    if (!isDatabase) FAULT(d, "problem", "magic 0x%08" PRIX32 ": not a database\n", static_cast<uint32_t>(magic));
    SHOW(d, "change counter: %" PRId32 "\nA: %" PRId32 "\nL: %" PRId32 "\nN: %" PRId32 "\n", h.counter, h.A, h.L, h.N);
    const int headerError = CheckHeader(h, d.length);
    if (headerError != DB_NO_ERROR) {
        SHOW(d, "header: error %d\n", headerError);
        FAULT(d, "problem", "header: error %d\n", headerError);
        return 2;
    }
    SHOW(d, "recordAreaBase: %" PRId64 "\n", RecordAreaBase(h.L, h.A, h.N));
    bool sound = PrintCheckWords(d) && isDatabase;
    if (!LoadTables(d)) {
        SHOW(d, "tables: unreadable\n");
        FAULT(d, "problem", "tables: unreadable\n");
        return 2;
    }
    const int tableError = CheckTables(h, d.length, d.links, d.allocCount, d.slots);
    if (tableError == DB_NO_ERROR) {
        SHOW(d, "tables: coherent\n");
    } else {
        SHOW(d, "tables: error %d\n", tableError);
        FAULT(d, "problem", "tables: error %d\n", tableError);
        sound = false;
    }
    PrintRecords(d, tableError == DB_NO_ERROR);
    return sound && d.faults == 0 ? 0 : 2;
}

void Dire(const std::string& texte) { console.write(texte.c_str()); }
void Avertir(const std::string& texte) { console.warn(texte.c_str()); }

// How long a reader waits for a change under way: a change takes
// milliseconds.
const std::chrono::milliseconds kReadWait = LockWait(std::chrono::seconds(3));

bool OpenFile(Dump& d, const char* path) {
    d.fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    return d.fd >= 0 && (d.length = dbio::FileLength(d.fd)) >= 0;
}

// The whole file into memory, when it can be had; else it is read in place.
void ReadIntoMemory(Dump& d) {
    try {
        d.image.resize(static_cast<size_t>(d.length));
    } catch (const std::bad_alloc&) {
        return;
    }
    d.inMemory = d.length == 0 || dbio::ReadAt(d.fd, 0, d.image.data(), d.image.size());
    if (!d.inMemory) d.image = {};
}

// Under a reader's share of the change lock: the journal judged and the file
// read into memory, then the lock let go (kept when the file could not be
// read into memory). False, nothing read, when a change holds the lock for
// kReadWait; where the file system has no such locks, read as it stands.
bool ReadUnderLock(Dump& d, const char* path) {
    if (!dbio::LockByte(d.fd, kChangeByte, dbio::Lock::Shared, kReadWait) && errno == EWOULDBLOCK) return false;
    LoadJournal(d, path);
    ReadIntoMemory(d);
    if (d.inMemory) dbio::LockByte(d.fd, kChangeByte, dbio::Lock::Unlock, {});
    return true;
}

int DumpOrCheck(Dump& d, const char* path) {
    if (!OpenFile(d, path)) {
        Avertir(std::string("glomerix-db : ") + path + " ne peut pas être lu (" + std::strerror(errno) + ").");
        return 1;
    }
    std::printf("file: %s\n", path);
    std::fflush(stdout);
    if (!ReadUnderLock(d, path)) {
        if (d.mode == Mode::Check) {
            Avertir(std::string("glomerix-db : ") + path +
                    " est verrouillé par une modification qui ne s'achève pas en " +
                    std::to_string(kReadWait.count() / 1000) +
                    " s (un programme arrêté ?) : il n'est pas jugé ; réessayez.");
            return 3;
        }
        Avertir(std::string("glomerix-db : ") + path + " est verrouillé par une modification qui ne s'achève pas : il "
                "est montré tel quel, peut-être au milieu de celle-ci.");
        LoadJournal(d, path);
    }
    const int status = DumpFile(d);
    if (d.mode == Mode::Check) {
        if (d.faults == 0) std::printf("check: sound\n");
        else std::printf("check: %d fault%s\n", d.faults, d.faults == 1 ? "" : "s");
    }
    return status;
}

// --- --fusionner, --liste, --exporter ----------------------------------------------

std::vector<Vec3> PositionsOf(const Dump& d, int32_t n, const AllocEntry& e, bool byEnergy) {
    std::vector<double> coords(3 * static_cast<size_t>(n));
    const int64_t at = RecordAreaBase(d.header.L, d.header.A, d.header.N) + e.offset +
                       bestformat::PositionSetOffset(n, byEnergy);
    std::vector<Vec3> positions;
    if (!ReadBytes(d, at, coords.data(), coords.size() * sizeof(double))) return positions;
    for (size_t i = 0; i < coords.size(); i += 3) positions.push_back({coords[i], coords[i + 1], coords[i + 2]});
    return positions;
}

// The counts marked in record 1.
void ReadMarks(const Dump& d, std::vector<int>& marks) {
    const int32_t k = d.links[1];
    if (k == -1 || d.slots[k].size != kValiditySize) return;
    std::vector<uint8_t> bits(static_cast<size_t>(d.slots[k].used));
    const int64_t at = RecordAreaBase(d.header.L, d.header.A, d.header.N) + d.slots[k].offset;
    if (bits.empty() || !ReadBytes(d, at, bits.data(), bits.size())) return;
    for (int n = kFirstCount; n < kStoreItems && static_cast<size_t>(n / 8) < bits.size(); ++n)
        if ((bits[static_cast<size_t>(n / 8)] >> (n % 8) & 1) != 0) marks.push_back(n);
}

// How a store file is read for one action: what its refusals say is not
// done, whether the values are checked against their positions, and one
// count only (0: all).
struct Reading {
    const char* nothing;  // "rien n'est fusionné"
    const char* passed;   // "il n'est pas fusionné"
    bool checkPositions = true;
    int32_t only = 0;
};

constexpr Reading kMerging{"rien n'est fusionné", "il n'est pas fusionné"};

// The count records and marks of a store file, read as the check reads it; a
// record with a fault is passed over, with a warning. Returns the exit code
// when the file cannot be read, else 0.
int ReadStore(const char* path, const Reading& how, std::vector<ReferencesAutres>& records, std::vector<int>& marks) {
    Dump d;
    d.mode = Mode::Silent;
    d.checkPositions = how.checkPositions;
    const std::string nom = path, rien = std::string(" ; ") + how.nothing + ".";
    if (!OpenFile(d, path)) {
        Avertir("glomerix-db : " + nom + " ne peut pas être lu (" + std::strerror(errno) + ")" + rien);
        return 1;
    }
    struct Closer {
        int fd;
        ~Closer() { close(fd); }
    } closer{d.fd};
    if (!ReadUnderLock(d, path)) {
        Avertir("glomerix-db : " + nom + " est verrouillé par une modification qui ne s'achève pas (un programme "
                "arrêté ?)" + rien);
        return 3;
    }
    if (DumpFile(d) != 0 || d.header.N != kStoreItems) {
        Avertir("glomerix-db : " + nom + " n'est pas une base de données saine de Glomerix (glomerix-db --check " +
                nom + " dit pourquoi)" + rien);
        return 2;
    }
    for (int32_t n = kFirstCount; n < kStoreItems; ++n) {
        if (d.links[n] == -1 || (how.only != 0 && n != how.only)) continue;
        const AllocEntry& e = d.slots[d.links[n]];
        const int faults = d.faults;
        CheckCountRecord(d, n, e);
        double values[2];
        if (d.faults != faults || !ReadValues(d, e, values)) {
            Avertir("glomerix-db : l'enregistrement de " + std::to_string(n) + " particules de " + nom +
                    " est endommagé (glomerix-db --check le détaille) ; " + how.passed + ".");
            continue;
        }
        ReferencesAutres r{n, values[0], {}, values[1], {}};
        if (n < bestformat::kPositionsBelow && how.checkPositions) {
            r.energyPositions = PositionsOf(d, n, e, true);
            r.distancePositions = PositionsOf(d, n, e, false);
        }
        records.push_back(std::move(r));
    }
    ReadMarks(d, marks);
    return 0;
}

std::string Pluriel(int n, const char* mot) { return std::to_string(n) + " " + mot + (n > 1 ? "s" : ""); }

// Merges the other files into target: the store opens it (creating it when
// absent) and makes the merge one change of it.
int Merge(const char* target, char** others, int count) {
    std::vector<ReferencesAutres> records;
    std::vector<int> marks;
    for (int i = 0; i < count; ++i)
        if (const int status = ReadStore(others[i], kMerging, records, marks); status != 0) return status;
    const std::string cible = target;
    if (!OuvrirBase(cible)) {
        Avertir("glomerix-db : " + cible + " n'a pas pu être ouvert ; rien n'est fusionné.");
        return 1;
    }
    BilanFusion bilan;
    int status = 0;
    try {
        bilan = FusionnerReferences(records, marks);
    } catch (const DbError& e) {
        if (e.cause != CAUSE_BUSY) SignalerErreurBase(e.code, e.cause);
        status = e.cause == CAUSE_BUSY ? 3 : 1;
    }
    try {
        FermerBase();
    } catch (const DbError& e) {
        SignalerErreurBase(e.code, e.cause);
        status = 1;
    }
    if (status != 0) {
        Avertir("glomerix-db : rien n'est fusionné dans " + cible +
                (status == 3 ? " : un autre programme garde la base verrouillée." : "."));
        return status;
    }
    Dire("Fusion dans " + cible + " : " + Pluriel(bilan.references, "enregistrement") + " ajouté" +
         (bilan.references > 1 ? "s" : "") + " ou amélioré" + (bilan.references > 1 ? "s" : "") + ", " +
         Pluriel(bilan.marques, "marque") + " ajoutée" + (bilan.marques > 1 ? "s" : "") + ".\n");
    return 0;
}

enum class Format { Texte, Csv, Json, Xyz };

std::string Nombre(double v) {
    char texte[32];
    std::snprintf(texte, sizeof texte, "%.17g", v);
    return texte;
}

void Sortir(const std::string& texte) { std::fwrite(texte.data(), 1, texte.size(), stdout); }

// The exit code once standard output is written out: a full disk or a closed
// pipe is told, not taken for a list or an export made.
int Flushed() {
    if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return 0;
    Avertir("glomerix-db : la sortie standard n'a pas pu être écrite en entier.");
    return 1;
}

// --liste: every count with a record.
int List(const char* path, Format format) {
    std::vector<ReferencesAutres> records;
    std::vector<int> marks;
    const Reading how{"rien n'est listé", "il n'est pas listé", false};
    if (const int status = ReadStore(path, how, records, marks); status != 0) return status;
    const std::set<int> marked(marks.begin(), marks.end());
    if (format == Format::Json) {
        nlohmann::json liste = nlohmann::json::array();
        for (const ReferencesAutres& r : records)
            liste.push_back({{"n", r.n}, {"energy", r.energy}, {"min_distance", r.minDistance},
                             {"marked", marked.count(r.n) != 0}});
        Sortir(liste.dump(1) + "\n");
    } else if (format == Format::Csv) {
        Sortir("n,energy,min_distance,marked\n");
        for (const ReferencesAutres& r : records)
            Sortir(std::to_string(r.n) + "," + Nombre(r.energy) + "," + Nombre(r.minDistance) + "," +
                   (marked.count(r.n) != 0 ? "1" : "0") + "\n");
    } else {
        Dire("Particules  Meilleure énergie        Meilleure distance       Marqué\n");
        char ligne[128];
        for (const ReferencesAutres& r : records) {
            std::snprintf(ligne, sizeof ligne, "%10d  %-23s  %-23s  %s\n", r.n, Nombre(r.energy).c_str(),
                          Nombre(r.minDistance).c_str(), marked.count(r.n) != 0 ? "oui" : "non");
            Dire(ligne);
        }
    }
    return Flushed();
}

// --exporter: the configuration of the best energy of n points, or of the
// best distance.
int Export(const char* path, int32_t n, bool byDistance, Format format) {
    std::vector<ReferencesAutres> records;
    std::vector<int> marks;
    const Reading how{"rien n'est exporté", "il n'est pas exporté", true, n};
    if (const int status = ReadStore(path, how, records, marks); status != 0) return status;
    const std::string nom = path;
    if (records.empty()) {
        Avertir("glomerix-db : " + nom + " n'a pas de record sain de " + std::to_string(n) +
                " particules ; rien n'est exporté.");
        return 1;
    }
    if (n >= bestformat::kPositionsBelow) {
        Avertir("glomerix-db : à partir de " + std::to_string(bestformat::kPositionsBelow) +
                " particules la base ne garde que les valeurs, pas les positions ; rien n'est exporté.");
        return 1;
    }
    const std::vector<Vec3>& positions = byDistance ? records[0].distancePositions : records[0].energyPositions;
    if (positions.size() != static_cast<size_t>(n)) {
        Avertir("glomerix-db : les positions de " + std::to_string(n) + " particules de " + nom +
                " ne peuvent pas être lues ; rien n'est exporté.");
        return 1;
    }
    std::vector<double> xyz;
    for (const Vec3& p : positions) xyz.insert(xyz.end(), {p.x, p.y, p.z});
    ResumePositions resume;
    resume.n = n;
    resume.energie = resume.energieS = bestformat::EnergyOf(xyz.data(), n);
    resume.distance = bestformat::MinDistanceOf(xyz.data(), n);
    if (format == Format::Json) {
        nlohmann::json triples = nlohmann::json::array();
        for (const Vec3& p : positions) triples.push_back({p.x, p.y, p.z});
        const nlohmann::json sortie = {{"n", n}, {"s", 1.0}, {"energy", resume.energie},
                                       {"riesz_energy", resume.energieS}, {"min_distance", resume.distance},
                                       {"positions", triples}};
        Sortir(sortie.dump(1) + "\n");
    } else if (format == Format::Csv) {
        EcrireCsv(stdout, positions);
    } else {
        EcrireXyz(stdout, positions, resume);
    }
    return Flushed();
}

constexpr const char* kUsage =
    "Usage : glomerix-db [ACTION] FICHIER\n"
    "Lit une base de données des records de Glomerix (glomerix.dat).\n"
    "\n"
    "  --liste                 les records : nombre de particules, meilleure énergie, meilleure\n"
    "                          distance, marqué ou non, à 17 chiffres (l'action par défaut)\n"
    "  --exporter N            la configuration de la meilleure énergie de N particules\n"
    "      --distance          celle de la meilleure distance minimale\n"
    "      --format FORMAT     texte, csv ou json pour --liste ; xyz, csv ou json pour --exporter\n"
    "  --check                 vérifie le fichier : une ligne par défaut trouvé\n"
    "  --dump                  montre le fichier tel que le moteur d'enregistrements le voit\n"
    "  FICHIER --fusionner AUTRE...  fusionne dans FICHIER les records des bases AUTRE\n"
    "  -h, --help              affiche cette aide et quitte\n"
    "  -V, --version           affiche la version et quitte\n"
    "\n"
    "Code de sortie : 0 normalement, 1 pour un fichier illisible, rien à exporter ou une ligne de\n"
    "commande non valide, 2 pour une base qui n'est pas saine, 3 pour une base verrouillée.\n";

int Refuse(const std::string& why) {
    Avertir("glomerix-db : " + why + ".");
    console.warn(kUsage);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    enum class Action { None, List, Export, Dump, Check, Merge };
    enum { kListe = 256, kExporter, kDump, kCheck, kFormat, kDistance, kFusionner };
    static const option kLongues[] = {
        {"liste", no_argument, nullptr, kListe},       {"exporter", required_argument, nullptr, kExporter},
        {"dump", no_argument, nullptr, kDump},         {"check", no_argument, nullptr, kCheck},
        {"format", required_argument, nullptr, kFormat}, {"distance", no_argument, nullptr, kDistance},
        {"fusionner", no_argument, nullptr, kFusionner}, {"help", no_argument, nullptr, 'h'},
        {"version", no_argument, nullptr, 'V'},        {nullptr, 0, nullptr, 0},
    };
    Action action = Action::None;
    std::string format;
    bool byDistance = false;
    long count = 0;
    opterr = 0;  // the messages are ours, in French
    for (;;) {
        const int lue = optind;
        const int c = getopt_long(argc, argv, ":hV", kLongues, nullptr);
        if (c == -1) break;
        Action asked = Action::None;
        switch (c) {
            case 'h': console.write(kUsage); return 0;
            case 'V': console.write("glomerix-db " GLOMERIX_VERSION "\n"); return 0;
            case kListe: asked = Action::List; break;
            case kDump: asked = Action::Dump; break;
            case kCheck: asked = Action::Check; break;
            case kFusionner: asked = Action::Merge; break;
            case kExporter: {
                char* end = nullptr;
                count = std::strtol(optarg, &end, 10);
                if (*optarg == '\0' || *end != '\0' || count < kFirstCount || count >= kStoreItems)
                    return Refuse("--exporter attend un nombre de particules entre 3 et 9999");
                asked = Action::Export;
                break;
            }
            case kFormat: format = optarg; break;
            case kDistance: byDistance = true; break;
            case ':': return Refuse(std::string("l'option ") + argv[lue < argc ? lue : argc - 1] + " demande un argument");
            default:
                return Refuse(std::string("option inconnue ") + argv[lue < argc ? lue : argc - 1]);
        }
        if (asked == Action::None) continue;
        if (action != Action::None && action != asked) return Refuse("une seule action à la fois");
        action = asked;
    }
    if (action == Action::None) action = Action::List;
    const int files = argc - optind;
    if (action == Action::Merge ? files < 2 : files != 1)
        return Refuse(action == Action::Merge ? "--fusionner attend la base à compléter puis au moins une autre"
                                              : "un fichier de base de données, et un seul, est attendu");
    if (byDistance && action != Action::Export) return Refuse("--distance ne va qu'avec --exporter");
    Format f = action == Action::Export ? Format::Xyz : Format::Texte;
    if (!format.empty()) {
        const bool list = action == Action::List, exported = action == Action::Export;
        if (list && format == "texte") f = Format::Texte;
        else if ((list || exported) && format == "csv") f = Format::Csv;
        else if ((list || exported) && format == "json") f = Format::Json;
        else if (exported && format == "xyz") f = Format::Xyz;
        else if (list || exported)
            return Refuse("format inconnu " + format + (list ? " (texte, csv ou json)" : " (xyz, csv ou json)"));
        else
            return Refuse("--format ne va qu'avec --liste ou --exporter");
    }
    char* file = argv[optind];
    switch (action) {
        case Action::List: return List(file, f);
        case Action::Export: return Export(file, static_cast<int32_t>(count), byDistance, f);
        case Action::Merge: return Merge(file, argv + optind + 1, files - 1);
        default: break;
    }
    Dump d;
    d.mode = action == Action::Check ? Mode::Check : Mode::Dump;
    const int status = DumpOrCheck(d, file);
    if (d.fd >= 0) close(d.fd);
    return status;
}
