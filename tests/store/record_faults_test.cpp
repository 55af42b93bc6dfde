// Faults in the middle of every changing operation: the process killed
// before each write, sync, extension, rename or removal the operation makes,
// and each of those failing as on a full disk. Afterwards the file opens,
// glomerix-db --check finds it sound, and every record (size and bytes) is
// as before the operation or as after it; a failure also leaves the open
// database as the file is.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "etat/modes.h"
#include "etat/vec3.h"
#include "store/best_format.h"
#include "store/best_store.h"
#include "store/record_db.h"
#include "store/record_io.h"
#include "store/record_journal.h"
#include "store_files.h"

using namespace storetest;

namespace {

// The steps the engine takes, and the one at which the fault strikes.
struct Injection {
    int seen = 0;
    int target = 0;     // 0: none
    bool kill = false;  // else the step fails with `error`
    int error = ENOSPC;
};
Injection injection;

int Inject(dbio::Step) {
    if (++injection.seen != injection.target) return 0;
    if (injection.kill) raise(SIGKILL);
    return injection.error;
}

struct Record {
    int32_t size;
    std::vector<uint8_t> bytes;
    bool operator==(const Record&) const = default;
};
using State = std::map<int32_t, Record>;

State StateOf(RecordDb& db) {
    State state;
    for (int32_t r = 0; r < db.header.N; ++r)
        if (RecordExists(db, r)) state[r] = {RecordSize(db, r), GetRecord(db, r)};
    return state;
}

std::string Describe(const State& state) {
    std::string text;
    for (const auto& [r, record] : state)
        text += std::to_string(r) + ":" + std::to_string(record.size) + "/" + std::to_string(record.bytes.size()) + " ";
    return text;
}

int Check(const std::string& path, std::string& out) {
    const std::string command = std::string(GLOMERIX_BINARY_DIR "/glomerix-db --check '") + path + "' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return -1;
    char buffer[4096];
    size_t n;
    out.clear();
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<uint8_t> Bytes(size_t n, uint8_t seed) {
    std::vector<uint8_t> b(n);
    for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(seed + 13 * i);
    return b;
}

std::vector<Vec3> Sphere(int n, double twist) {
    std::vector<Vec3> p;
    for (int i = 0; i < n; ++i) p.push_back(fromAngles(2.399963 * i + twist, std::acos(1.0 - (2.0 * i + 1.0) / n)));
    return p;
}

// The spiral pressed towards the equator: a worse configuration than Sphere's.
std::vector<Vec3> Pressed(int n) {
    std::vector<Vec3> p = Sphere(n, 0.0);
    for (Vec3& q : p) {
        q.z *= 0.7;
        setLength(q, 1.0);
    }
    return p;
}

// INFO as the shell makes it: the values of the positions given.
void Info(int n, const std::vector<Vec3>& p) {
    const BestValues v = ValuesOf(p);
    MettreAJourReferences(n, v.energy, v.minDistance, p);
}

// An operation under test and the state it starts from, both on an open
// database: the engine's own (a file of 64 records) or the store's.
struct Scenario {
    const char* name;
    bool store;
    void (*prepare)(RecordDb&);
    void (*operation)(RecordDb&);
};

// Engine files: records 1 .. 4 of 40, 30, 20 and 10 bytes, all written.
void FourRecords(RecordDb& db) {
    for (int32_t r = 1; r <= 4; ++r) {
        CreateRecord(db, r, 50 - 10 * r);
        PutRecord(db, r, Bytes(static_cast<size_t>(50 - 10 * r), static_cast<uint8_t>(r)));
    }
}

void FourAndAnEmptyOne(RecordDb& db) {
    FourRecords(db);
    CreateRecord(db, 9, 64);
}

void GapAtTwo(RecordDb& db) {
    FourRecords(db);
    DeleteRecord(db, 2);
}

// A gap before record 2, which cannot grow in place: its move lands on its own bytes.
void GapBeforeTwo(RecordDb& db) {
    FourRecords(db);
    DeleteRecord(db, 1);
}

// Records of the store: counts 5, 7 and 9, 7 marked, the switches saved.
void ThreeCounts(RecordDb&) {
    for (const int n : {5, 7, 9}) Info(n, Pressed(n));
    MarquerValide(7, true);
    SauverModes();
}

void CountsWithoutMarks(RecordDb&) {
    for (const int n : {5, 7, 9}) Info(n, Pressed(n));
}

// Count 7's record as written before the count was kept in it.
void ACountWithoutItsNumber(RecordDb& db) {
    ThreeCounts(db);
    const std::vector<uint8_t> tagged = GetRecord(db, 7);
    DeleteRecord(db, 7);
    CreateRecord(db, 7, bestformat::CountRecordSize(7));
    PutRecord(db, 7, std::vector<uint8_t>(tagged.begin(), tagged.end() - bestformat::kCountTagSize));
}

// Another database's records as the merge takes them: count 5 better in
// both values (from two configurations), 8 and 3001 new; marks for 5 and 9.
void Merge(RecordDb&) {
    static const std::vector<ReferencesAutres> others = [] {
        const std::vector<Vec3> e5 = Sphere(5, 0.3), d5 = Sphere(5, 0.6), p8 = Sphere(8, 0.1);
        const BestValues big = ValuesOf(Sphere(3001, 0.0));
        return std::vector<ReferencesAutres>{{5, ValuesOf(e5).energy, e5, ValuesOf(d5).minDistance, d5},
                                             {8, ValuesOf(p8).energy, p8, ValuesOf(p8).minDistance, p8},
                                             {3001, big.energy, {}, big.minDistance, {}}};
    }();
    const int marks[] = {5, 9};
    FusionnerReferences(others, marks);
}

const Scenario kScenarios[] = {
    {"create at the end", false, FourRecords, [](RecordDb& db) { CreateRecord(db, 9, 64); }},
    {"create in a gap", false, GapAtTwo, [](RecordDb& db) { CreateRecord(db, 9, 25); }},
    {"write beside live bytes", false, FourAndAnEmptyOne, [](RecordDb& db) { PutRecord(db, 9, Bytes(64, 9)); }},
    {"write as one change", false, FourRecords,
     [](RecordDb& db) {
         BeginChanges(db);
         CreateRecord(db, 9, 64);
         PutRecord(db, 9, Bytes(64, 9));
         PutRecord(db, 3, Bytes(20, 33));
         CommitChanges(db);
     }},
    {"overwrite live bytes", false, FourRecords, [](RecordDb& db) { PutRecord(db, 1, Bytes(40, 77)); }},
    {"truncate", false, FourRecords, [](RecordDb& db) { OpenRecord(db, 3, MODE_TRUNCATE); }},
    {"resize in place", false, FourRecords, [](RecordDb& db) { ResizeRecord(db, 4, 300); }},
    {"resize over its own bytes", false, GapBeforeTwo, [](RecordDb& db) { ResizeRecord(db, 2, 45); }},
    {"move through a free number", false, FourRecords,
     [](RecordDb& db) { MoveRecordThroughFreeNumber(db, 2, 90); }},
    {"delete in the middle", false, FourRecords, [](RecordDb& db) { DeleteRecord(db, 2); }},
    {"INFO for a new count", true, ThreeCounts, [](RecordDb&) { Info(8, Sphere(8, 0.5)); }},
    {"INFO improving a count", true, ThreeCounts, [](RecordDb&) { Info(7, Sphere(7, 0.25)); }},
    {"INFO improving a count written without its number", true, ACountWithoutItsNumber,
     [](RecordDb&) { Info(7, Sphere(7, 0.25)); }},
    {"SUPPRIMER", true, ThreeCounts, [](RecordDb&) { SupprimerReferences(7); }},
    {"first MARQUER", true, CountsWithoutMarks, [](RecordDb&) { MarquerValide(9, true); }},
    {"MARQUER", true, ThreeCounts, [](RecordDb&) { MarquerValide(7, false); }},
    {"first MODE save", true, CountsWithoutMarks, [](RecordDb&) { SauverModes(); }},
    {"merge", true, ThreeCounts, Merge},
    {"MODE save", true, ThreeCounts,
     [](RecordDb&) {
         modes.axes = !modes.axes.load();
         SauverModes();
     }},
};

class FaultTest : public ::testing::TestWithParam<Scenario> {
protected:
    void SetUp() override {
        setenv("XDG_DATA_HOME", dir.path().c_str(), 1);
        modes.resetDefaults();
        if (GetParam().store) {
            ASSERT_TRUE(OuvrirBase());
            GetParam().prepare(*database);
            FermerBase();
        } else {
            CreateDatabase(path, 64);
            auto db = OpenDatabase(path);
            GetParam().prepare(*db);
        }
        prepared = ReadFile(path);
        old = StateAfterOpening();
        // The operation once, unhindered: the new state and its count of steps.
        Run(Injection{});
        steps = injection.seen;
        next = StateAfterOpening();
        ASSERT_NE(old, next) << "the operation changes nothing";
    }
    void TearDown() override {
        dbio::faultHook = nullptr;
        modes.resetDefaults();
    }

    // Opens the file as it is now (with the store's means when the scenario
    // is the store's), runs the operation with the injection armed.
    void Run(const Injection& armed) {
        WriteFile(path, prepared);
        std::remove(journal.c_str());
        modes.resetDefaults();
        injection = {};
        std::unique_ptr<RecordDb> own;
        RecordDb* db = nullptr;
        if (GetParam().store) {
            if (!OuvrirBase()) FAIL() << "the store does not open";
            ChargerModes();
            db = database.get();
        } else {
            own = OpenDatabase(path);
            db = own.get();
        }
        injection = armed;
        dbio::faultHook = Inject;
        try {
            GetParam().operation(*db);
            raised = DB_NO_ERROR;
        } catch (const DbError& e) {
            raised = e.code;
        }
        dbio::faultHook = nullptr;
        inProcess = StateOf(*db);
        if (GetParam().store) {
            try {
                FermerBase();
            } catch (const DbError&) {
            }
        } else {
            try {
                CloseDatabase(std::move(own));
            } catch (const DbError&) {
            }
        }
    }

    State StateAfterOpening() {
        auto db = OpenDatabase(path);
        return StateOf(*db);
    }

    // The file opens, passes the check and holds the old or the new state.
    void ExpectOldOrNew(const std::string& what, State& found) {
        found = StateAfterOpening();
        std::string out;
        EXPECT_EQ(Check(path, out), 0) << what << "\n" << out;
        EXPECT_TRUE(found == old || found == next)
            << what << "\nfound " << Describe(found) << "\nold   " << Describe(old) << "\nnew   " << Describe(next);
        EXPECT_NE(access(journal.c_str(), F_OK), 0) << what << ": the journal outlived the opening";
    }

    TempDir dir;
    std::string path = dir.file("glomerix.dat");
    std::string journal = path + "-journal";
    std::vector<uint8_t> prepared;
    State old, next, inProcess;
    int steps = 0;
    int raised = DB_NO_ERROR;
};

TEST_P(FaultTest, KilledBeforeEachStep) {
    int olds = 0, news = 0;
    for (int k = 1; k <= steps; ++k) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            testing::internal::CaptureStdout();
            Run(Injection{0, k, true, 0});
            _exit(0);  // the kill did not come
        }
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        const std::string what = std::string(GetParam().name) + ", killed before step " + std::to_string(k);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << what;
        State found;
        ExpectOldOrNew(what, found);
        (found == old ? olds : news) += 1;
        WriteFile(path, prepared);  // the next child starts from the same file
    }
    EXPECT_GT(olds, 0);  // the kill came early enough at least once, and late enough
    EXPECT_GT(news, 0);
}

TEST_P(FaultTest, EachStepFailingAsOnAFullDisk) {
    for (const int error : {ENOSPC, EIO}) {
        for (int k = 1; k <= steps; ++k) {
            Run(Injection{0, k, false, error});
            const std::string what = std::string(GetParam().name) + ", step " + std::to_string(k) + " failing";
            EXPECT_TRUE(raised == DB_NO_ERROR || raised == DB_WRITE_ERROR || raised == DB_READ_ERROR)
                << what << ": " << raised;
            EXPECT_TRUE(inProcess == old || inProcess == next) << what << ": " << Describe(inProcess);
            // Nothing written for the change is left at the end of the file.
            if (inProcess == old) {
                EXPECT_EQ(ReadFile(path).size(), prepared.size()) << what;
            }
            State found;
            ExpectOldOrNew(what, found);
            // A failure after the journal is on the disk is the new state already.
            EXPECT_EQ(found, inProcess) << what << ": the file and the open database disagree";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Operations, FaultTest, ::testing::ValuesIn(kScenarios),
                         [](const testing::TestParamInfo<Scenario>& info) {
                             std::string name;
                             for (const char* c = info.param.name; *c != '\0'; ++c)
                                 name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
                             return name;
                         });

}  // namespace

namespace {

int StepsOf(void (*operation)(const std::string&), const std::string& path) {
    injection = {};
    dbio::faultHook = Inject;
    operation(path);
    dbio::faultHook = nullptr;
    return injection.seen;
}

void CreateHere(const std::string& path) { CreateDatabase(path, 64); }

// A new database appears whole or not at all, and nothing else is left.
TEST(CreationFaults, KilledBeforeEachStep) {
    TempDir dir;
    const std::string path = dir.file("glomerix.dat");
    const int steps = StepsOf(CreateHere, path);
    const std::vector<uint8_t> whole = ReadFile(path);
    ASSERT_GE(steps, 3);
    int absent = 0, present = 0;
    for (int k = 1; k <= steps; ++k) {
        std::filesystem::remove(path);
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            injection = {0, k, true, 0};
            dbio::faultHook = Inject;
            CreateDatabase(path, 64);
            _exit(0);
        }
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFSIGNALED(status)) << k;
        if (CheckDatabaseFile(path) == 0) {
            ++absent;
        } else {
            ++present;
            const std::vector<uint8_t> found = ReadFile(path);
            ASSERT_EQ(found.size(), whole.size()) << k;
            EXPECT_TRUE(std::equal(found.begin() + 8, found.end(), whole.begin() + 8)) << k;  // all but the identity
            EXPECT_NO_THROW(OpenDatabase(path)) << k;
        }
        // A kill between writing and renaming leaves the temporary file; the
        // next start, its process gone, removes it.
        if (CheckDatabaseFile(path) == 0) CreateDatabase(path, 64);
        OpenDatabase(path);
        for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
            EXPECT_EQ(entry.path().filename(), "glomerix.dat") << k;
    }
    EXPECT_GT(absent, 0);
    EXPECT_GT(present, 0);
}

// A file size limit makes every write past it fail for real (EFBIG): at
// every limit between the old length and the new one, the operation either
// completes or leaves the old state.
// argument: the path, a line feed, the limit.
void CreateAndFill(const std::string& argument) {
    signal(SIGXFSZ, SIG_IGN);
    const size_t cut = argument.find('\n');
    auto db = OpenDatabase(argument.substr(0, cut));
    const auto limit = static_cast<rlim_t>(std::stoull(argument.substr(cut + 1)));
    const rlimit r{limit, limit};
    setrlimit(RLIMIT_FSIZE, &r);
    try {
        BeginChanges(*db);
        CreateRecord(*db, 9, 3000);
        PutRecord(*db, 9, Bytes(3000, 9));
        PutRecord(*db, 1, Bytes(40, 99));
        CommitChanges(*db);
    } catch (const DbError& e) {
        CancelChanges(*db);
        const bool untouched = GetRecord(*db, 1) == Bytes(40, 1) && !RecordExists(*db, 9);
        _exit(untouched ? e.code : 100);
    }
    _exit(0);
}

TEST(CreationFaults, EveryFileSizeLimit) {
    TempDir dir;
    const std::string path = dir.file("glomerix.dat");
    CreateDatabase(path, 64);
    {
        auto db = OpenDatabase(path);
        FourRecords(*db);
    }
    const std::vector<uint8_t> prepared = ReadFile(path);
    int failed = 0, completed = 0;
    for (size_t limit = prepared.size(); limit < prepared.size() + 3200 + 1024 * 8; limit += 211) {
        WriteFile(path, prepared);
        const int code = InChild(CreateAndFill, path + "\n" + std::to_string(limit));
        ASSERT_TRUE(code == 0 || code == DB_WRITE_ERROR) << limit << ": " << code;
        (code == 0 ? completed : failed) += 1;
        auto db = OpenDatabase(path);
        EXPECT_EQ(GetRecord(*db, 1), code == 0 ? Bytes(40, 99) : Bytes(40, 1)) << limit;
        EXPECT_EQ(RecordExists(*db, 9), code == 0) << limit;
        std::string out;
        db.reset();
        EXPECT_EQ(Check(path, out), 0) << limit << "\n" << out;
    }
    EXPECT_GT(failed, 0);
    EXPECT_GT(completed, 0);
}

}  // namespace

namespace {

// Record 9 (created, 25 or 100 bytes) written, record 1 rewritten, as one
// change; killed with its journal complete and nothing in place.
void StoppedBeforeTheWritesInPlace(const std::string& path) {
    auto db = OpenDatabase(path);
    KillAtTheFirstWriteInPlace();
    const int32_t size = RecordExists(*db, 9) ? RecordSize(*db, 9) : 25;
    BeginChanges(*db);
    if (!RecordExists(*db, 9)) CreateRecord(*db, 9, size);
    PutRecord(*db, 9, Bytes(static_cast<size_t>(size), 9));
    PutRecord(*db, 1, Bytes(40, 111));
    CommitChanges(*db);
}

// A database whose change (record 9 created and written, record 1
// rewritten) was stopped with its journal complete and nothing in place.
class JournalTest : public ::testing::Test {
protected:
    void SetUp() override {
        CreateDatabase(path, 64);
        {
            auto db = OpenDatabase(path);
            FourRecords(*db);
            CreateRecord(*db, 9, 100);
        }
        before = ReadFile(path);
        old = StateAfter();
        ASSERT_EQ(InChild(StoppedBeforeTheWritesInPlace, path), 128 + SIGKILL);
        stopped = ReadFile(path);
        journalBytes = ReadFile(journal);
        ASSERT_GT(journalBytes.size(), 40u);
        ASSERT_TRUE(dbjournal::Decode(journalBytes, decoded));
    }

    State StateAfter() {
        auto db = OpenDatabase(path);
        report = db->report;
        return StateOf(*db);
    }

    TempDir dir;
    std::string path = dir.file("glomerix.dat");
    std::string journal = path + "-journal";
    std::vector<uint8_t> before, stopped, journalBytes;
    dbjournal::Journal decoded;
    State old;
    OpenReport report;
};

TEST_F(JournalTest, ACompleteJournalIsReplayed) {
    const State replayed = StateAfter();
    EXPECT_TRUE(report.journalReplayed);
    EXPECT_EQ(replayed.at(1).bytes, Bytes(40, 111));
    EXPECT_EQ(replayed.at(9).bytes, Bytes(100, 9));
    EXPECT_FALSE(std::filesystem::exists(journal));
    // Replayed again over a file that has it all already: the same state.
    WriteFile(journal, journalBytes);
    EXPECT_EQ(StateAfter(), replayed);
    EXPECT_TRUE(report.journalReplayed);
}

// Stopped half-way through the writes in place: a write cut short stops at
// a sector or page boundary, which no chunk crosses, so every chunk is
// whole, old or new, in any mixture.
TEST_F(JournalTest, AChangeStoppedHalfWayIsCompleted) {
    const State replayed = StateAfter();
    ASSERT_GE(decoded.chunks.size(), 3u);
    for (size_t stop = 0; stop <= decoded.chunks.size(); ++stop) {
        std::vector<uint8_t> bytes = stopped;
        for (size_t i = 0; i < decoded.chunks.size(); ++i) {
            const dbjournal::Chunk& c = decoded.chunks[i];
            if (i < stop || i % 3 == 1) std::copy(c.bytes.begin(), c.bytes.end(), bytes.begin() + c.offset);
        }
        WriteFile(path, bytes);
        WriteFile(journal, journalBytes);
        EXPECT_EQ(StateAfter(), replayed) << "stopped in chunk " << stop;
        EXPECT_TRUE(report.journalReplayed);
    }
}

// Cut short or damaged: it was never complete, so nothing was written in
// place; the file is as before the change.
TEST_F(JournalTest, AnIncompleteJournalIsDropped) {
    for (size_t length = 0; length < journalBytes.size(); length += 1 + length / 8) {
        WriteFile(path, stopped);
        WriteFile(journal, std::vector<uint8_t>(journalBytes.begin(), journalBytes.begin() + length));
        EXPECT_EQ(StateAfter(), old) << length;
        EXPECT_FALSE(report.journalReplayed);
        EXPECT_FALSE(report.journalDropped);
        EXPECT_FALSE(std::filesystem::exists(journal)) << length;
    }
    for (const size_t at : {size_t{2}, size_t{30}, journalBytes.size() / 2, journalBytes.size() - 1}) {
        std::vector<uint8_t> damaged = journalBytes;
        damaged[at] ^= 0x10;
        WriteFile(path, stopped);
        WriteFile(journal, damaged);
        EXPECT_EQ(StateAfter(), old) << at;
    }
}

// A journal that does not fit the file as it stands (another database's,
// left when the first was deleted by hand, or a file changed since) is never
// written into it.
TEST_F(JournalTest, AForeignJournalIsDroppedWithoutWriting) {
    const std::string other = dir.file("other.dat");
    CreateDatabase(other, 64);
    {
        auto db = OpenDatabase(other);
        FourRecords(*db);
        CreateRecord(*db, 9, 100);
    }
    const std::vector<uint8_t> otherBytes = ReadFile(other);
    WriteFile(other + "-journal", journalBytes);  // same layout, another file
    auto db = OpenDatabase(other);
    EXPECT_TRUE(db->report.journalDropped);
    db.reset();
    EXPECT_EQ(ReadFile(other), otherBytes);

    std::vector<uint8_t> changed = stopped;
    const dbjournal::Chunk& c = decoded.chunks.back();
    uint8_t ni = 0;  // neither old nor new
    while (ni == c.bytes[0] || ni == stopped[c.offset]) ++ni;
    changed[c.offset] = ni;
    WriteFile(path, changed);
    WriteFile(journal, journalBytes);
    try {
        OpenDatabase(path);
    } catch (const DbError&) {  // the file itself is damaged: refused, but not written into
    }
    EXPECT_EQ(ReadFile(path), changed);
}

// The journal as the first version of the engine wrote it: magic "JRNL",
// no ranges written straight to the file.
std::vector<uint8_t> FirstFormat(const dbjournal::Journal& j) {
    std::vector<uint8_t> out(32);
    SetWordAt(out, 0, 0x4C4E524A);
    SetWordAt(out, 4, j.header.counter);
    SetWordAt(out, 8, j.header.A);
    SetWordAt(out, 12, j.header.L);
    SetWordAt(out, 16, j.header.N);
    SetWordAt(out, 20, static_cast<int32_t>(j.length));
    SetWordAt(out, 28, static_cast<int32_t>(j.chunks.size()));
    for (const dbjournal::Chunk& c : j.chunks) {
        const size_t at = out.size();
        out.resize(at + 16);
        SetWordAt(out, at, static_cast<int32_t>(c.offset));
        SetWordAt(out, at + 8, static_cast<int32_t>(c.bytes.size()));
        SetWordAt(out, at + 12, static_cast<int32_t>(c.before));
        out.insert(out.end(), c.bytes.begin(), c.bytes.end());
    }
    const size_t at = out.size();
    out.resize(at + 4);
    SetWordAt(out, at, static_cast<int32_t>(dbio::Crc32(0, out.data(), at)));
    return out;
}

// A journal left by the engine before it covered the bytes written straight
// to the file still completes its change.
TEST_F(JournalTest, AJournalOfTheFirstFormatIsReplayed) {
    const State replayed = StateAfter();
    WriteFile(path, stopped);
    WriteFile(journal, FirstFormat(decoded));
    EXPECT_EQ(StateAfter(), replayed);
    EXPECT_TRUE(report.journalReplayed);
}

// An older copy of the file put back beside a journal: the journal's chunks
// find their old bytes, but the bytes the change wrote straight beside the
// live ones (a new record placed in a gap) are not there. Replayed, the new
// record would hold the bytes of a record deleted long before.
TEST(JournalCoverage, AJournalIsNotReplayedOntoAnOlderCopy) {
    TempDir dir;
    const std::string path = dir.file("glomerix.dat");
    const std::string journal = path + "-journal";
    CreateDatabase(path, 64);
    {
        auto db = OpenDatabase(path);
        FourRecords(*db);
        DeleteRecord(*db, 2);  // a gap of 30 bytes
    }
    const std::vector<uint8_t> older = ReadFile(path);
    ASSERT_EQ(InChild(StoppedBeforeTheWritesInPlace, path), 128 + SIGKILL);
    ASSERT_TRUE(std::filesystem::exists(journal));
    const std::vector<uint8_t> journalBytes = ReadFile(journal);
    {
        auto db = OpenDatabase(path);  // the right file: replayed
        EXPECT_TRUE(db->report.journalReplayed);
        EXPECT_EQ(GetRecord(*db, 9), Bytes(25, 9));
    }
    WriteFile(path, older);
    WriteFile(journal, journalBytes);
    auto db = OpenDatabase(path);
    EXPECT_FALSE(db->report.journalReplayed);
    EXPECT_TRUE(db->report.journalDropped);
    EXPECT_FALSE(RecordExists(*db, 9));
    EXPECT_EQ(GetRecord(*db, 1), Bytes(40, 1));
}

// Opens the database with the descriptors left for the file and its folder
// only, so that the journal cannot be opened (EMFILE); exits with the error
// raised, 0 when it opened.
void OpenWithTwoDescriptorsLeft(const std::string& path) {
    const rlimit r{64, 64};
    setrlimit(RLIMIT_NOFILE, &r);
    std::vector<int> held;
    for (int fd; (fd = open("/dev/null", O_RDONLY)) >= 0;) held.push_back(fd);
    close(held.back());
    close(held[held.size() - 2]);
    try {
        OpenDatabase(path);
    } catch (const DbError& e) {
        _exit(e.code);
    }
    _exit(0);
}

// The journal is the only way back to a sound file: when it is there but
// cannot be read now, the database is refused, and the file and the journal
// stay as they are for the next opening, which replays it.
TEST_F(JournalTest, AJournalThatCannotBeReadNowRefusesTheDatabase) {
    const State replayed = StateAfter();
    WriteFile(path, stopped);
    WriteFile(journal, journalBytes);
    EXPECT_EQ(InChild(OpenWithTwoDescriptorsLeft, path), DB_READ_ERROR);
    EXPECT_EQ(ReadFile(path), stopped);
    EXPECT_EQ(ReadFile(journal), journalBytes);

    // An I/O error on its read, through the program.
    if (system("strace -V > /dev/null 2>&1") == 0) {
        const std::string command = "strace -f -o /dev/null -P '" + journal +
                                    "' -e trace=pread64,read -e inject=pread64,read:error=EIO " GLOMERIX_EXE
                                    " -q --base '" + path + "' -c quitter 2>&1";
        FILE* pipe = popen(command.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        std::string out;
        char buffer[4096];
        for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
        pclose(pipe);
        EXPECT_NE(out.find("\nERREUR : 2\n"), std::string::npos) << out;
        EXPECT_EQ(ReadFile(path), stopped);
        EXPECT_EQ(ReadFile(journal), journalBytes);
    }
    EXPECT_EQ(StateAfter(), replayed);
    EXPECT_TRUE(report.journalReplayed);
}

// Something else than a file at the journal's name: no change could ever be
// made, so the database is refused with that cause, and nothing is touched.
TEST_F(JournalTest, AFolderAtTheJournalsNameIsNamedAsTheCause) {
    std::filesystem::remove(journal);
    WriteFile(path, before);
    for (const bool folder : {true, false}) {
        if (folder)
            std::filesystem::create_directory(journal);
        else
            std::filesystem::create_symlink(dir.file("elsewhere"), journal);
        try {
            OpenDatabase(path);
            ADD_FAILURE() << "opened with " << (folder ? "a folder" : "a link") << " at the journal's name";
        } catch (const DbError& e) {
            EXPECT_EQ(e.code, DB_OPEN_FAILED);
            EXPECT_EQ(e.cause, CAUSE_JOURNAL_NOT_REGULAR);
        }
        EXPECT_TRUE(std::filesystem::is_symlink(journal) || std::filesystem::is_directory(journal));
        EXPECT_EQ(ReadFile(path), before);
        std::filesystem::remove(journal);
    }
}

}  // namespace

namespace {

// Each byte once, later writes over earlier ones; chunks never cross a
// multiple of 512, so that a write cut short leaves each whole.
TEST(JournalFormat, ExtentsFlattenAndChunksStayInsideSectors) {
    const std::vector<dbjournal::Extent> extents = {
        {1000, std::vector<uint8_t>(100, 1)}, {1050, std::vector<uint8_t>(100, 2)},
        {1150, std::vector<uint8_t>(10, 3)},  {5000, std::vector<uint8_t>(4, 4)},
        {990, std::vector<uint8_t>(20, 5)}};
    const std::vector<dbjournal::Extent> flat = dbjournal::Flatten(extents);
    ASSERT_EQ(flat.size(), 2u);
    EXPECT_EQ(flat[0].offset, 990);
    ASSERT_EQ(flat[0].bytes.size(), 170u);
    EXPECT_EQ(flat[0].bytes[0], 5);
    EXPECT_EQ(flat[0].bytes[19], 5);
    EXPECT_EQ(flat[0].bytes[20], 1);
    EXPECT_EQ(flat[0].bytes[60], 2);
    EXPECT_EQ(flat[0].bytes[165], 3);
    EXPECT_EQ(flat[1].offset, 5000);

    TempDir dir;
    const std::string path = dir.file("glomerix.dat");
    CreateDatabase(path, 1000);
    const int fd = open(path.c_str(), O_RDONLY);
    dbjournal::Journal journal;
    ASSERT_TRUE(dbjournal::Build(fd, {WordAt(ReadFile(path), 4), 1, 1, 1000}, {{300, std::vector<uint8_t>(1000, 7)}},
                                 {{5000, 40}, {9000, 3}}, journal));
    close(fd);
    int64_t covered = 300;
    for (const dbjournal::Chunk& c : journal.chunks) {
        EXPECT_EQ(c.offset, covered);
        EXPECT_EQ(c.offset / 512, (c.offset + static_cast<int64_t>(c.bytes.size()) - 1) / 512);
        covered += static_cast<int64_t>(c.bytes.size());
    }
    EXPECT_EQ(covered, 1300);
    EXPECT_EQ(journal.chunks.size(), 3u);  // 300..512, 512..1024, 1024..1300
    dbjournal::Journal decoded;
    ASSERT_TRUE(dbjournal::Decode(dbjournal::Encode(journal), decoded));
    ASSERT_EQ(decoded.chunks.size(), journal.chunks.size());
    for (size_t i = 0; i < decoded.chunks.size(); ++i) {
        EXPECT_EQ(decoded.chunks[i].offset, journal.chunks[i].offset);
        EXPECT_EQ(decoded.chunks[i].before, journal.chunks[i].before);
        EXPECT_EQ(decoded.chunks[i].bytes, journal.chunks[i].bytes);
    }
    EXPECT_EQ(decoded.length, journal.length);
    ASSERT_EQ(decoded.straight.size(), 2u);
    EXPECT_EQ(decoded.straight[1].offset, 9000);
    EXPECT_EQ(decoded.straight[1].size, 3);
    EXPECT_EQ(decoded.straight[0].crc, journal.straight[0].crc);
    const std::vector<uint8_t> bytes = ReadFile(path);
    EXPECT_EQ(decoded.straight[0].crc, dbio::Crc32(0, &bytes[5000], 40));

    const std::vector<dbjournal::Range> merged = dbjournal::Merge({{50, 10}, {0, 20}, {20, 5}, {52, 3}, {100, 1}});
    ASSERT_EQ(merged.size(), 3u);
    EXPECT_EQ(merged[0].offset, 0);
    EXPECT_EQ(merged[0].size, 25);
    EXPECT_EQ(merged[1].offset, 50);
    EXPECT_EQ(merged[1].size, 10);
}

}  // namespace
