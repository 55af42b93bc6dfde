#include "store/best_store.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <vector>

#include "etat/modes.h"
#include "ternex/ternex.h"

static_assert(std::endian::native == std::endian::little, "records hold little-endian doubles");

using namespace bestformat;

std::string databasePath;
std::unique_ptr<RecordDb> database;
bool databaseAvailable = false;

namespace {

constexpr int32_t kModesSize = kPlaceModes;
constexpr int32_t kValiditySize = 1250;
// Every record 0 written holds the bytes of the first eight switches; a
// shorter one is not ours.
constexpr int32_t kModesAlways = 8;
constexpr double kSphereTolerance = 1e-9;

bool EstUnNombreDeParticules(int n) { return n >= kFirstCountRecord && n < kStoreItems; }

// One line on standard error; texts here end with their line feed, which
// the console adds itself.
void Avertir(std::string texte) {
    if (!texte.empty() && texte.back() == '\n') texte.pop_back();
    console.warn(texte.c_str());
}

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
    ReadBytes(n, kEnergyOffset, values, kValuesSize);
    return {values[0], values[1]};
}

// Every position finite and within kSphereTolerance of the unit sphere.
bool SurLaSphere(std::span<const Vec3> positions) {
    for (const Vec3& p : positions)
        if (!(std::fabs(norm(p) - 1.0) <= kSphereTolerance)) return false;  // NaN fails too
    return true;
}

// Values some configuration of n points can have: finite, the energy not
// below the count's lower bound, the distance a real one, not above its
// upper bound (rounding allowed for).
bool ValeursPossibles(int n, double energy, double minDistance) {
    return std::isfinite(energy) && std::isfinite(minDistance) &&
           energy >= EnergyLowerBound(n) * (1.0 - 1e-12) && minDistance > 0.0 &&
           minDistance <= DistanceUpperBound(n) * (1.0 + 1e-9);
}

// x, y, z per position, as stored.
std::vector<double> PositionBytes(std::span<const Vec3> positions) {
    std::vector<double> coords;
    coords.reserve(3 * positions.size());
    for (const Vec3& p : positions) coords.insert(coords.end(), {p.x, p.y, p.z});
    return coords;
}

// What the record of n holds.
enum class Contenu {
    Absent,
    Court,        // fewer than 16 bytes written
    Etranger,     // not n's: another size, another count written in it, values no n points have
    Incoherent,   // values that are not those of the positions stored with them
    DeN,
};

int32_t CountWrittenIn(int n) {
    int32_t count = 0;
    ReadBytes(n, CountRecordSize(n), &count, kCountTagSize);
    return count;
}

// The record's values against its positions, when both sets are there.
bool ValeursDesPositions(int n, BestValues v) {
    if (n >= kPositionsBelow || RecordUsed(*database, n) < CountRecordSize(n)) return true;
    std::vector<double> record(static_cast<size_t>(CountRecordSize(n)) / sizeof(double));
    ReadBytes(n, 0, record.data(), CountRecordSize(n));
    return Agree(v.energy, EnergyOf(&record[PositionSetOffset(n, true) / sizeof(double)], n)) &&
           Agree(v.minDistance, MinDistanceOf(&record[PositionSetOffset(n, false) / sizeof(double)], n));
}

// verifierPositions: recomputes the values from the positions (O(n^2));
// done when a record is read to be compared or loaded, not by LISTE.
Contenu Juger(int n, bool verifierPositions) {
    if (!RecordExists(*database, n)) return Contenu::Absent;
    const int32_t size = RecordSize(*database, n), used = RecordUsed(*database, n);
    if (used < kValuesSize) return Contenu::Court;
    const bool marque = size == TaggedRecordSize(n);
    if (!marque && size != CountRecordSize(n)) return Contenu::Etranger;
    if (marque && (used != size || CountWrittenIn(n) != n)) return Contenu::Etranger;
    const BestValues v = ReadValues(n);
    if (!ValeursPossibles(n, v.energy, v.minDistance)) return Contenu::Etranger;
    if (verifierPositions && !ValeursDesPositions(n, v)) return Contenu::Incoherent;
    return Contenu::DeN;
}

// Whether the record of n is n's. One that is not is deleted: short ones
// silently, as always; others hold another count's bytes, a best no
// configuration could ever beat, or values their positions do not have,
// which is told.
bool HoldsValues(int n, bool verifierPositions = false) {
    const Contenu contenu = Juger(n, verifierPositions);
    if (contenu == Contenu::DeN) return true;
    if (contenu == Contenu::Absent) return false;
    DeleteRecord(*database, n);
    const std::string debut = "Avertissement : l'enregistrement de " + std::to_string(n) + " particules était endommagé (";
    if (contenu == Contenu::Etranger)
        Avertir(debut + "taille, nombre inscrit ou valeurs impossibles) ; il a été supprimé.\n");
    if (contenu == Contenu::Incoherent)
        Avertir(debut + "valeurs qui ne sont pas celles de ses positions) ; il a été supprimé.\n");
    return false;
}

// Runs operation as one change of the file: all of it reaches the disk, or
// nothing of it when it fails.
template <typename Operation>
auto EnUnSeulChangement(Operation operation) {
    RecordDb& db = *database;
    BeginChanges(db);
    try {
        auto result = operation();
        CommitChanges(db);
        return result;
    } catch (...) {
        CancelChanges(db);
        throw;
    }
}

// A new record of n: the values, then (below kPositionsBelow) the positions
// as both sets, then the count, in one write.
void CreerReferences(int n, BestValues values, std::span<const Vec3> positions) {
    CreateRecord(*database, n, TaggedRecordSize(n));
    std::vector<double> doubles = {values.energy, values.minDistance};
    if (n < kPositionsBelow) {
        const std::vector<double> coords = PositionBytes(positions);
        doubles.insert(doubles.end(), coords.begin(), coords.end());
        doubles.insert(doubles.end(), coords.begin(), coords.end());
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(TaggedRecordSize(n)));
    std::memcpy(bytes.data(), doubles.data(), static_cast<size_t>(CountRecordSize(n)));
    const auto count = static_cast<int32_t>(n);
    std::memcpy(&bytes[static_cast<size_t>(CountRecordSize(n))], &count, kCountTagSize);
    WriteBytes(n, 0, bytes.data(), TaggedRecordSize(n));
}

// A record written before the count was kept gets it.
void MarquerLeNombre(int n) {
    if (RecordSize(*database, n) == TaggedRecordSize(n)) return;
    ResizeRecord(*database, n, TaggedRecordSize(n));
    const auto count = static_cast<int32_t>(n);
    WriteBytes(n, CountRecordSize(n), &count, kCountTagSize);
}

BestValues AmeliorerReferences(int n, double energy, double minDistance, std::span<const Vec3> positions) {
    if (!HoldsValues(n, true)) {
        CreerReferences(n, {energy, minDistance}, positions);
        return {energy, minDistance};
    }
    BestValues best = ReadValues(n);
    const bool energyImproved = energy < best.energy;
    const bool distanceImproved = minDistance > best.minDistance;
    if (energyImproved) best.energy = energy;
    if (distanceImproved) best.minDistance = minDistance;
    if (!energyImproved && !distanceImproved) return best;
    const double values[2] = {best.energy, best.minDistance};
    MarquerLeNombre(n);
    WriteBytes(n, kEnergyOffset, values, kValuesSize);
    if (n >= kPositionsBelow) return best;
    const std::vector<double> coords = PositionBytes(positions);
    const auto size = static_cast<int32_t>(kPositionSize * n);
    if (energyImproved) WriteBytes(n, PositionSetOffset(n, true), coords.data(), size);
    if (distanceImproved) WriteBytes(n, PositionSetOffset(n, false), coords.data(), size);
    return best;
}

void SignalerReparations(const OpenReport& report) {
    if (report.journalDropped)
        Avertir("Avertissement : un journal de la base de données qui ne correspondait plus au fichier a été "
                "supprimé.\n");
    const int32_t n = report.droppedLinks;
    if (n == 1)
        Avertir("Avertissement : 1 enregistrement de la base de données désignait des octets absents du "
                "fichier ; il est ignoré, les autres restent accessibles.\n");
    else if (n > 1)
        Avertir("Avertissement : " + std::to_string(n) +
                " enregistrements de la base de données désignaient des octets absents du fichier ; ils sont "
                "ignorés, les autres restent accessibles.\n");
}

}  // namespace

void SignalerErreurBase(int code, int cause) {
    const int known = code >= 0 && code < kDbErrorCount ? code : DB_UNKNOWN_ERROR_NUMBER;
    const char* text = CauseText(cause);
    console.write("\nERREUR : ").write(code).write("\n").write(text != nullptr ? text : ErrorText(known)).write("\n");
}

bool OuvrirBase(const std::string& chemin) {
    try {
        if (databaseAvailable) FermerBase();
        databasePath = ResolveDatabasePath(chemin.empty() ? DatabaseFilePath() : chemin);
        if (CheckDatabaseFile(databasePath) == 0) {
            try {
                CreateDatabase(databasePath, kStoreItems);
            } catch (const DbError& e) {
                if (e.code != DB_FILE_EXISTS) throw;  // another instance made it first: open that one
            }
        }
        if (CheckDatabaseFile(databasePath) == 1) RaiseDbError(DB_FILE_EXISTS, CAUSE_NOT_DATABASE);  // never overwritten
        database = OpenDatabase(databasePath);
        databaseAvailable = true;
        SignalerReparations(database->report);
        return true;
    } catch (const DbError& e) {
        databaseAvailable = false;
        SignalerErreurBase(e.code, e.cause);
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
        RecordUsed(*database, kModesRecord) >= kModesAlways) {
        // Switches added since the record was written find no byte: off.
        std::vector<uint8_t> bytes(std::min(RecordUsed(*database, kModesRecord), kModesSize));
        ReadBytes(kModesRecord, 0, bytes.data(), static_cast<int32_t>(bytes.size()));
        ModesDepuisOctets(bytes);
    } else {
        modes.resetDefaults();
    }
}

void SauverModes() {
    if (!databaseAvailable) return;
    const std::vector<uint8_t> bytes = OctetsDesModes();
    EnUnSeulChangement([&] {
        if (!RecordExists(*database, kModesRecord)) CreateRecord(*database, kModesRecord, kModesSize);
        WriteBytes(kModesRecord, 0, bytes.data(), static_cast<int32_t>(bytes.size()));
        return 0;
    });
}

BestValues MettreAJourReferences(int n, double energy, double minDistance, std::span<const Vec3> positions) {
    if (!databaseAvailable || !EstUnNombreDeParticules(n)) return {energy, minDistance};
    const bool recevable = positions.size() >= static_cast<size_t>(n) && SurLaSphere(positions.first(n)) &&
                           ValeursPossibles(n, energy, minDistance);
    if (!recevable) {
        Avertir("Avertissement : configuration hors de la sphère unité, non finie ou aux valeurs impossibles ; "
                "elle n'est pas enregistrée comme référence.\n");
        return HoldsValues(n) ? ReadValues(n) : BestValues{0.0, 0.0};
    }
    return EnUnSeulChangement([&] { return AmeliorerReferences(n, energy, minDistance, positions.first(n)); });
}

BestValues LireReferences(int n) {
    if (!databaseAvailable || !EstUnNombreDeParticules(n) || !HoldsValues(n)) return {0.0, 0.0};
    return ReadValues(n);
}

bool ChargerPosition(int n, bool byEnergy, std::span<Vec3> positions) {
    if (!databaseAvailable || !EstUnNombreDeParticules(n) || n >= kPositionsBelow) return false;
    if (positions.size() < static_cast<size_t>(n) || !HoldsValues(n, true)) return false;
    const int32_t start = PositionSetOffset(n, byEnergy);
    const auto size = static_cast<int32_t>(kPositionSize * n);
    if (RecordUsed(*database, n) < start + size) return false;
    std::vector<double> coords(3 * static_cast<size_t>(n));
    ReadBytes(n, start, coords.data(), size);
    std::vector<Vec3> loaded(static_cast<size_t>(n));
    for (size_t i = 0; i < loaded.size(); ++i) loaded[i] = {coords[3 * i], coords[3 * i + 1], coords[3 * i + 2]};
    if (!SurLaSphere(loaded)) return false;
    std::copy(loaded.begin(), loaded.end(), positions.begin());
    return true;
}

void MarquerValide(int n, bool valid) {
    if (!databaseAvailable) return;
    EnUnSeulChangement([&] {
        if (!RecordExists(*database, kValidityRecord)) {
            CreateRecord(*database, kValidityRecord, kValiditySize);
            const std::vector<uint8_t> zeros(kValiditySize, 0);
            WriteBytes(kValidityRecord, 0, zeros.data(), kValiditySize);
        }
        uint8_t byte = 0;
        ReadBytes(kValidityRecord, n / 8, &byte, 1);
        const auto bit = static_cast<uint8_t>(1u << (n % 8));
        byte = valid ? static_cast<uint8_t>(byte | bit) : static_cast<uint8_t>(byte & ~bit);
        WriteBytes(kValidityRecord, n / 8, &byte, 1);
        return 0;
    });
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
            SignalerErreurBase(e.code, e.cause);
        return e.code == DB_NO_ERROR;
    }
    return true;
}

bool SupprimerBase() {
    if (databasePath.empty()) databasePath = DatabaseFilePath();
    try {
        DeleteDatabase(databasePath);
        return true;
    } catch (const DbError& e) {
        if (e.cause == CAUSE_IN_USE)
            Avertir("Avertissement : la base de données est ouverte par une autre session de Glomerix ; elle n'est "
                    "pas supprimée.\n");
        return false;
    }
}
