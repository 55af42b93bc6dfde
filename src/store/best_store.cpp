#include "store/best_store.h"

#include <atomic>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <vector>

#include "etat/particules.h"
#include "etat/modes.h"
#include "ternex/ternex.h"

static_assert(std::endian::native == std::endian::little, "records hold little-endian doubles");

std::string databasePath;
std::unique_ptr<RecordDb> database;
bool databaseAvailable = false;

namespace {

constexpr int32_t kModesSize = 100;
constexpr int32_t kValiditySize = 1250;
constexpr int kModeCount = 8;

// The switches in their byte order in record 0.
std::atomic<bool>* ModeAt(int i) {
    std::atomic<bool>* const order[kModeCount] = {&modes.info,      &modes.particules, &modes.lignes,
                                                  &modes.polygones, &modes.enveloppe,  &modes.axes,
                                                  &modes.openmp,    &modes.dual};
    return order[i];
}

int32_t CountRecordSize(int n) { return n < kPositionsBelow ? 48 * n + 16 : 16; }

// mkdir -p: true when dir exists as a directory afterwards.
bool MakeFolders(const std::string& dir) {
    for (size_t slash = dir.find('/', 1);; slash = dir.find('/', slash + 1)) {
        const std::string prefix = dir.substr(0, slash);
        if (mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) return false;
        if (slash == std::string::npos) break;
    }
    struct stat st {};
    return stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The per-user data folder, created if missing; empty when none can be had.
std::string DataFolder() {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    std::string dir;
    if (xdg != nullptr && xdg[0] == '/')
        dir = xdg;
    else if (home != nullptr && home[0] == '/')
        dir = std::string(home) + "/.local/share";
    else
        return {};
    return MakeFolders(dir) ? dir : std::string{};
}

std::string DatabaseFilePath() {
    const std::string folder = DataFolder();
    if (folder.empty()) return "./glomerix.dat";
    return folder + (folder.back() == '/' ? "" : "/") + "glomerix.dat";
}

void ReadBytes(int32_t r, int32_t position, void* buffer, int32_t n) {
    RecordHandle h = OpenRecord(*database, r, MODE_READ);
    if (position != 0) SeekRecord(h, position, SEEK_FROM_START);
    ReadRecord(h, buffer, n);
    CloseRecord(h);
}

void WriteBytes(int32_t r, int32_t position, const void* buffer, int32_t n) {
    RecordHandle h = OpenRecord(*database, r, MODE_WRITE);
    if (position != 0) SeekRecord(h, position, SEEK_FROM_START);
    WriteRecord(h, buffer, n);
    CloseRecord(h);
}

BestValues ReadValues(int n) {
    double values[2];
    ReadBytes(n, 0, values, sizeof values);
    return {values[0], values[1]};
}

// Positions of particles 0 .. n-1 as stored: x, y, z doubles per particle.
std::vector<double> PositionBytes(int n) REQUIRES(verrouEtat) {
    std::vector<double> coords(3 * static_cast<size_t>(n), 0.0);
    const size_t have = std::min(static_cast<size_t>(n), etat.particles.size());
    for (size_t i = 0; i < have; ++i) {
        const Vec3& p = etat.particles[i].position;
        coords[3 * i] = p.x;
        coords[3 * i + 1] = p.y;
        coords[3 * i + 2] = p.z;
    }
    return coords;
}

void WritePositions(RecordHandle& h, int32_t position, int n) REQUIRES(verrouEtat) {
    const std::vector<double> coords = PositionBytes(n);
    SeekRecord(h, position, SEEK_FROM_START);
    WriteRecord(h, coords.data(), 24 * n);
}

// A record of n that cannot hold its two values is dropped.
bool HoldsValues(int n) {
    if (!RecordExists(*database, n)) return false;
    if (RecordUsed(*database, n) >= 16) return true;
    DeleteRecord(*database, n);
    return false;
}

}  // namespace

void SignalerErreurBase(int code) {
    const int known = code >= 0 && code < kDbErrorCount ? code : DB_UNKNOWN_ERROR_NUMBER;
    console.write("\nERREUR : ").write(code).write("\n").write(ErrorText(known)).write("\n");
}

bool OuvrirBase(const std::string& chemin) {
    try {
        if (databaseAvailable) FermerBase();
        databasePath = chemin.empty() ? DatabaseFilePath() : chemin;
        const int state = CheckDatabaseFile(databasePath);
        if (state == 0) CreateDatabase(databasePath, kStoreItems);
        if (state == 1) RaiseDbError(DB_FILE_EXISTS);  // never overwrite a foreign file
        database = OpenDatabase(databasePath);
        databaseAvailable = true;
        return true;
    } catch (const DbError& e) {
        databaseAvailable = false;
        SignalerErreurBase(e.code);
        return false;
    }
}

void FermerBase() {
    if (!databaseAvailable) return;
    databaseAvailable = false;
    CloseDatabase(std::move(database));
}

void ChargerModes() {
    if (databaseAvailable && RecordExists(*database, kModesRecord) &&
        RecordUsed(*database, kModesRecord) >= kModeCount) {
        uint8_t bytes[kModeCount];
        ReadBytes(kModesRecord, 0, bytes, kModeCount);
        for (int i = 0; i < kModeCount; ++i) ModeAt(i)->store(bytes[i] != 0);
    } else {
        modes.resetDefaults();
    }
    params.resetDefaults();
}

void SauverModes() {
    if (!databaseAvailable) return;
    if (!RecordExists(*database, kModesRecord)) CreateRecord(*database, kModesRecord, kModesSize);
    uint8_t bytes[kModeCount];
    for (int i = 0; i < kModeCount; ++i) bytes[i] = ModeAt(i)->load() ? 1 : 0;
    WriteBytes(kModesRecord, 0, bytes, kModeCount);
}

BestValues MettreAJourReferences(int n, double energy, double minDistance) {
    if (!databaseAvailable) return {energy, minDistance};
    RecordDb& db = *database;
    if (!HoldsValues(n)) {
        // Seeds that both comparisons below beat: a new record gets both sets.
        CreateRecord(db, n, CountRecordSize(n));
        const double seed[2] = {energy + 1.0, minDistance - 1.0};
        WriteBytes(n, 0, seed, sizeof seed);
    }
    BestValues best = ReadValues(n);
    const bool energyImproved = energy < best.energy;
    const bool distanceImproved = minDistance > best.minDistance;
    if (energyImproved) best.energy = energy;
    if (distanceImproved) best.minDistance = minDistance;
    if (!energyImproved && !distanceImproved) return best;

    RecordHandle h = OpenRecord(db, n, MODE_WRITE);
    const double values[2] = {best.energy, best.minDistance};
    WriteRecord(h, values, sizeof values);
    if (n >= kPositionsBelow) {
        ResizeRecord(db, n, 16);
        CloseRecord(h);
        return best;
    }
    if (RecordSize(db, n) < CountRecordSize(n)) {
        ResizeRecord(db, n, CountRecordSize(n));
        SyncRecord(h);
    }
    if (energyImproved) WritePositions(h, 16, n);
    if (distanceImproved) WritePositions(h, 16 + 24 * n, n);
    CloseRecord(h);
    return best;
}

BestValues LireReferences(int n) {
    if (!databaseAvailable || !HoldsValues(n)) return {0.0, 0.0};
    return ReadValues(n);
}

bool ChargerPosition(int n, bool byEnergy) {
    if (!databaseAvailable || n < 1 || !RecordExists(*database, n)) return false;
    const int32_t start = byEnergy ? 16 : 16 + 24 * n;
    if (RecordSize(*database, n) < 48 * n + 16 || RecordUsed(*database, n) < start + 24 * n) return false;
    if (etat.particles.size() < static_cast<size_t>(n)) return false;
    std::vector<double> coords(3 * static_cast<size_t>(n));
    ReadBytes(n, start, coords.data(), 24 * n);
    for (const double c : coords)
        if (!std::isfinite(c)) return false;
    for (int i = 0; i < n; ++i)
        etat.particles[i].position = Vec3{coords[3 * i], coords[3 * i + 1], coords[3 * i + 2]};
    return true;
}

void MarquerValide(int n, bool valid) {
    if (!databaseAvailable) return;
    if (!RecordExists(*database, kValidityRecord)) {
        CreateRecord(*database, kValidityRecord, kValiditySize);
        const std::vector<uint8_t> zeros(kValiditySize, 0);
        WriteBytes(kValidityRecord, 0, zeros.data(), kValiditySize);
        FlushTables(*database);
    }
    uint8_t byte = 0;
    ReadBytes(kValidityRecord, n / 8, &byte, 1);
    const auto bit = static_cast<uint8_t>(1u << (n % 8));
    byte = valid ? static_cast<uint8_t>(byte | bit) : static_cast<uint8_t>(byte & ~bit);
    WriteBytes(kValidityRecord, n / 8, &byte, 1);
}

bool EstValide(int n) {
    if (!databaseAvailable || n < 0 || !RecordExists(*database, kValidityRecord)) return false;
    if (n / 8 >= RecordUsed(*database, kValidityRecord)) return false;
    uint8_t byte = 0;
    ReadBytes(kValidityRecord, n / 8, &byte, 1);
    return (byte >> (n % 8) & 1) != 0;
}

bool SupprimerReferences(int n) {
    if (!databaseAvailable) return true;
    try {
        DeleteRecord(*database, n);
    } catch (const DbError& e) {
        if (e.code == DB_RECORD_MISSING)
            console.write("Erreur : l'enregistrement spécifié n'existe pas.\n");
        else if (e.code != DB_NO_ERROR)
            console.write("Erreur n°").write(e.code).write("\n");
        return e.code == DB_NO_ERROR;
    }
    return true;
}

bool SupprimerBase() {
    if (databasePath.empty()) databasePath = DatabaseFilePath();
    try {
        DeleteDatabase(databasePath);
        return true;
    } catch (const DbError&) {
        return false;
    }
}
