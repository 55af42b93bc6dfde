// Cost of the store's writes: every change of the tables goes through the
// journal (written and synced, the tables changed in place and synced, the
// journal removed), under the file's change lock; and of its reads: what
// INFO, LISTE and CHARGER read of a count's record, checks included.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "etat/particules.h"
#include "etat/vec3.h"
#include "store/best_format.h"
#include "store/best_store.h"
#include "store/record_db.h"
#include "store/record_io.h"
#include "store/record_journal.h"

namespace {

struct ScratchDatabase {
    ScratchDatabase() {
        std::string pattern = (std::filesystem::temp_directory_path() / "glomerix-bench-XXXXXX").string();
        folder = mkdtemp(pattern.data());
        path = folder + "/glomerix.dat";
        CreateDatabase(path, 10000);
    }
    ~ScratchDatabase() { std::filesystem::remove_all(folder); }
    std::string folder, path;
};

// A flush with every change already on the disk.
void BM_FlushTables(benchmark::State& state) {
    ScratchDatabase scratch;
    auto db = OpenDatabase(scratch.path);
    for (auto _ : state) FlushTables(*db);
}
BENCHMARK(BM_FlushTables)->Unit(benchmark::kMicrosecond);

// One change of the tables: a record resized in place, alternately grown and
// shrunk.
void BM_TableChange(benchmark::State& state) {
    ScratchDatabase scratch;
    auto db = OpenDatabase(scratch.path);
    CreateRecord(*db, 42, 1000);
    int32_t size = 1000;
    for (auto _ : state) ResizeRecord(*db, 42, size = 3000 - size);
}
BENCHMARK(BM_TableChange)->Unit(benchmark::kMicrosecond);

// Creating and deleting a record: two table writes.
void BM_CreateDeleteRecord(benchmark::State& state) {
    ScratchDatabase scratch;
    auto db = OpenDatabase(scratch.path);
    for (auto _ : state) {
        CreateRecord(*db, 42, 1000);
        DeleteRecord(*db, 42);
    }
}
BENCHMARK(BM_CreateDeleteRecord)->Unit(benchmark::kMicrosecond);

// INFO with a new best energy for 400 particles: values and one position set.
void BM_MettreAJourReferences(benchmark::State& state) {
    ScratchDatabase scratch;
    setenv("XDG_DATA_HOME", scratch.folder.c_str(), 1);
    std::vector<Vec3> positions;
    for (int i = 0; i < 400; ++i) positions.push_back(fromAngles(0.1 * i, 0.007 * i));
    OuvrirBase();
    double energy = 1e6;
    for (auto _ : state) MettreAJourReferences(400, energy -= 1.0, 0.01, positions);
    FermerBase();
}
BENCHMARK(BM_MettreAJourReferences)->Unit(benchmark::kMicrosecond);

// Another opening of the file, as another session: record 2 (no count's)
// resized by each change it makes, untimed.
struct AutreSession {
    explicit AutreSession(const std::string& path) : db(OpenDatabase(path)) {
        BeginChanges(*db);
        CreateRecord(*db, 2, size);
        CommitChanges(*db);
    }
    void Changer(benchmark::State& state) {
        state.PauseTiming();
        BeginChanges(*db);
        ResizeRecord(*db, 2, size = 3000 - size);
        CommitChanges(*db);
        state.ResumeTiming();
    }
    std::unique_ptr<RecordDb> db;
    int32_t size = 1000;
};

// The same INFO in a session that shares the file with another: with the
// argument 1 the other makes a change before each INFO, so that the INFO's
// write first reads the tables again; with 0 it only has the file open.
void BM_MettreAJourReferencesPartage(benchmark::State& state) {
    ScratchDatabase scratch;
    setenv("XDG_DATA_HOME", scratch.folder.c_str(), 1);
    std::vector<Vec3> positions;
    for (int i = 0; i < 400; ++i) positions.push_back(fromAngles(0.1 * i, 0.007 * i));
    OuvrirBase();
    AutreSession autre(scratch.path);
    double energy = 1e6;
    for (auto _ : state) {
        if (state.range(0) != 0) autre.Changer(state);
        MettreAJourReferences(400, energy -= 1.0, 0.01, positions);
    }
    FermerBase();
}
BENCHMARK(BM_MettreAJourReferencesPartage)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The change lock taken and released with nothing to do (argument 0), or
// after another session changed the file (argument 1): the tables read
// again and their check words verified.
void BM_VerrouEtRelecture(benchmark::State& state) {
    ScratchDatabase scratch;
    auto db = OpenDatabase(scratch.path);
    AutreSession autre(scratch.path);
    for (auto _ : state) {
        if (state.range(0) != 0) autre.Changer(state);
        BeginChanges(*db);
        CommitChanges(*db);
    }
}
BENCHMARK(BM_VerrouEtRelecture)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// Golden-angle spiral of n points.
std::vector<Vec3> Spirale(int n) {
    std::vector<Vec3> p;
    for (int i = 0; i < n; ++i) p.push_back(fromAngles(2.399963 * i, std::acos(1.0 - (2.0 * i + 1.0) / n)));
    return p;
}

// INFO as the shell makes it: the energy and the distance of the positions.
BestValues Info(int n, const std::vector<Vec3>& positions) {
    std::vector<double> xyz;
    for (const Vec3& p : positions) xyz.insert(xyz.end(), {p.x, p.y, p.z});
    return MettreAJourReferences(n, bestformat::EnergyOf(xyz.data(), n), bestformat::MinDistanceOf(xyz.data(), n),
                                 positions);
}

// A store opened in a scratch folder, holding a record of n from a spiral.
struct ScratchStore {
    explicit ScratchStore(int n) : positions(Spirale(n)) {
        setenv("XDG_DATA_HOME", scratch.folder.c_str(), 1);
        OuvrirBase();
        values = Info(n, positions);
    }
    ~ScratchStore() { FermerBase(); }
    ScratchDatabase scratch;
    std::vector<Vec3> positions;
    BestValues values;
};

// INFO with nothing better than the record of n: the record read and
// compared, nothing written.
void BM_ComparerReferences(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    ScratchStore store(n);
    const double energy = store.values.energy * 1.1, distance = store.values.minDistance * 0.9;
    for (auto _ : state) benchmark::DoNotOptimize(MettreAJourReferences(n, energy, distance, store.positions));
}
BENCHMARK(BM_ComparerReferences)->Arg(400)->Arg(2999)->Arg(5000)->Unit(benchmark::kMicrosecond);

// LISTE's read of one count's values.
void BM_LireReferences(benchmark::State& state) {
    ScratchStore store(400);
    for (auto _ : state) benchmark::DoNotOptimize(LireReferences(400));
}
BENCHMARK(BM_LireReferences)->Unit(benchmark::kMicrosecond);

// CHARGER EP.
void BM_ChargerPosition(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    ScratchStore store(n);
    std::vector<Vec3> loaded(static_cast<size_t>(n));
    for (auto _ : state) benchmark::DoNotOptimize(ChargerPosition(n, true, loaded));
}
BENCHMARK(BM_ChargerPosition)->Arg(400)->Arg(2999)->Unit(benchmark::kMicrosecond);

// INFO for a count without a record, then SUPPRIMER: the new record's bytes
// go straight to the file, beside the live ones, and the journal covers them.
void BM_NouvelleReference(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    ScratchStore store(3);
    const std::vector<Vec3> positions = Spirale(n);
    const BestValues values = Info(n, positions);
    SupprimerReferences(n);
    for (auto _ : state) {
        MettreAJourReferences(n, values.energy, values.minDistance, positions);
        SupprimerReferences(n);
    }
}
BENCHMARK(BM_NouvelleReference)->Arg(400)->Arg(2999)->Unit(benchmark::kMicrosecond);

// Building the journal of a change: 1 KB of table bytes, and a record of
// the given size written straight to the file beside the live ones, whose
// bytes are read back for their CRC (0: none, as before the journal covered
// them).
void BM_JournalDUnChangement(benchmark::State& state) {
    ScratchDatabase scratch;
    const int64_t size = state.range(0);
    const int fd = open(scratch.path.c_str(), O_RDWR);
    const std::vector<uint8_t> record(static_cast<size_t>(size), 7);
    const int64_t end = dbio::FileLength(fd);
    if (size > 0) dbio::WriteAt(fd, end, record.data(), record.size());
    const std::vector<dbjournal::Extent> tables = {{40032, std::vector<uint8_t>(1024, 1)}};
    std::vector<dbjournal::Range> straight;
    if (size > 0) straight.push_back({end, size});
    dbjournal::Journal journal;
    for (auto _ : state) benchmark::DoNotOptimize(dbjournal::Build(fd, {0, 1, 1, 10000}, tables, straight, journal));
    close(fd);
}
BENCHMARK(BM_JournalDUnChangement)->Arg(0)->Arg(48 * 400 + 20)->Arg(48 * 2999 + 20)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
