// Cost of the store's writes: every change of the tables writes them back
// (link and allocation tables, check words read back from the file).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "etat/particules.h"
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

void BM_FlushTables(benchmark::State& state) {
    ScratchDatabase scratch;
    auto db = OpenDatabase(scratch.path);
    for (auto _ : state) FlushTables(*db);
}
BENCHMARK(BM_FlushTables)->Unit(benchmark::kMicrosecond);

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
    etat.count = 400;
    etat.particles.assign(400, ParticleRecord{});
    OuvrirBase();
    double energy = 1e6;
    for (auto _ : state) MettreAJourReferences(400, energy -= 1.0, 0.0);
    FermerBase();
}
BENCHMARK(BM_MettreAJourReferences)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
