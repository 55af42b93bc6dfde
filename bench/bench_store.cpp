// Cost of the store's writes: every change of the tables goes through the
// journal (written and synced, the tables changed in place and synced, the
// journal removed).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "etat/particules.h"
#include "etat/vec3.h"
#include "store/best_store.h"
#include "store/record_db.h"

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

}  // namespace

BENCHMARK_MAIN();
