#include "store/best_store.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <map>
#include <optional>
#include <set>
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


// A configuration offered for the record of n: the energy with the
// positions that give it, the distance with the positions that give it (the
// same ones for an INFO; two of another database's record). The positions
// are not used from kPositionsBelow points on.
struct Offre {
    double energy;
    std::span<const Vec3> energyPositions;
    double minDistance;
    std::span<const Vec3> distancePositions;
};

// A new record of n: the values, then (below kPositionsBelow) the two
// position sets, then the count, in one write.
void CreerReferences(int n, const Offre& offre) {
    CreateRecord(*database, n, TaggedRecordSize(n));
    std::vector<double> doubles = {offre.energy, offre.minDistance};
    if (n < kPositionsBelow) {
        for (const std::span<const Vec3> set : {offre.energyPositions, offre.distancePositions}) {
            const std::vector<double> coords = PositionBytes(set);
            doubles.insert(doubles.end(), coords.begin(), coords.end());
        }
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

// Keeps what the offer improves on the record of n as the file holds it now
// (REQUIRES: the change lock); returns what the record then holds, and in
// *change whether it changed.
BestValues Ameliorer(int n, const Offre& offre, bool* change = nullptr) {
    if (change != nullptr) *change = true;
    if (!HoldsValues(n, true)) {
        CreerReferences(n, offre);
        return {offre.energy, offre.minDistance};
    }
    BestValues best = ReadValues(n);
    const bool energyImproved = offre.energy < best.energy;
    const bool distanceImproved = offre.minDistance > best.minDistance;
    if (energyImproved) best.energy = offre.energy;
    if (distanceImproved) best.minDistance = offre.minDistance;
    if (change != nullptr) *change = energyImproved || distanceImproved;
    if (!energyImproved && !distanceImproved) return best;
    const double values[2] = {best.energy, best.minDistance};
    MarquerLeNombre(n);
    WriteBytes(n, kEnergyOffset, values, kValuesSize);
    if (n >= kPositionsBelow) return best;
    const auto size = static_cast<int32_t>(kPositionSize * n);
    for (const bool byEnergy : {true, false}) {
        if (!(byEnergy ? energyImproved : distanceImproved)) continue;
        const std::vector<double> coords = PositionBytes(byEnergy ? offre.energyPositions : offre.distancePositions);
        WriteBytes(n, PositionSetOffset(n, byEnergy), coords.data(), size);
    }
    return best;
}

bool LireMarque(int n) {
    if (!RecordExists(*database, kValidityRecord) || n / 8 >= RecordUsed(*database, kValidityRecord)) return false;
    uint8_t byte = 0;
    ReadBytes(kValidityRecord, n / 8, &byte, 1);
    return (byte >> (n % 8) & 1) != 0;
}

void PoserMarque(int n, bool valid) {
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
}

void EcrireModes(const std::vector<uint8_t>& bytes) {
    if (!RecordExists(*database, kModesRecord)) CreateRecord(*database, kModesRecord, kModesSize);
    WriteBytes(kModesRecord, 0, bytes.data(), static_cast<int32_t>(bytes.size()));
}

// --- Another program holding the file's lock ---------------------------------
// A wait for the lock that runs out (a program stopped or stuck in the middle
// of a change) is told once on standard error. What the session then has to
// write is kept in memory, the best per count, and written at the first
// operation that has the lock again, or at the close after one more wait;
// meanwhile each operation tries the lock once, without waiting.

bool occupee = false;
// The switches could not be read at the start: not saved over others' at the end.
bool modesInconnus = false;

struct EnAttente {
    double energy = INFINITY;
    std::vector<Vec3> energyPositions;
    double minDistance = 0.0;
    std::vector<Vec3> distancePositions;
};
std::map<int, EnAttente> referencesEnAttente;
std::map<int, bool> marquesEnAttente;
std::optional<std::vector<uint8_t>> modesEnAttente;

bool RienEnAttente() { return referencesEnAttente.empty() && marquesEnAttente.empty() && !modesEnAttente; }

void OublierLesAttentes() {
    referencesEnAttente.clear();
    marquesEnAttente.clear();
    modesEnAttente.reset();
}

BestValues GarderEnAttente(int n, double energy, double minDistance, std::span<const Vec3> positions) {
    EnAttente& a = referencesEnAttente[n];
    if (n >= kPositionsBelow) positions = {};
    if (energy < a.energy) {
        a.energy = energy;
        a.energyPositions.assign(positions.begin(), positions.end());
    }
    if (minDistance > a.minDistance) {
        a.minDistance = minDistance;
        a.distancePositions.assign(positions.begin(), positions.end());
    }
    return {a.energy, a.minDistance};
}

// REQUIRES: the change lock.
void EcrireLesAttentes() {
    for (const auto& [n, a] : referencesEnAttente)
        Ameliorer(n, {a.energy, a.energyPositions, a.minDistance, a.distancePositions});
    for (const auto& [n, valid] : marquesEnAttente) PoserMarque(n, valid);
    if (modesEnAttente) EcrireModes(*modesEnAttente);
}

std::string LignesErreur(int code, int cause) {
    const int known = code >= 0 && code < kDbErrorCount ? code : DB_UNKNOWN_ERROR_NUMBER;
    const char* text = CauseText(cause);
    return "\nERREUR : " + std::to_string(code) + "\n" + (text != nullptr ? text : ErrorText(known)) + "\n";
}

void SignalerOccupation() {
    Avertir(LignesErreur(DB_OPEN_FAILED, CAUSE_NONE));
    Avertir("Avertissement : la base de données est verrouillée depuis plus de " +
            std::to_string(LockWait().count() / 1000) +
            " s par un autre programme (arrêté ou bloqué ?) ; ce qui doit y être écrit est gardé en mémoire "
            "jusqu'à ce qu'elle se libère.\n");
}

std::chrono::milliseconds AttenteOrdinaire() { return occupee ? std::chrono::milliseconds{0} : LockWait(); }

// Takes the change lock, opening the file first when its opening ran into
// the lock. False, told the first time, when another program keeps it.
bool Verrouiller(std::chrono::milliseconds attente) {
    try {
        if (!database) {
            database = OpenDatabase(databasePath, attente);
            SignalerReparations(database->report);
        }
        BeginChanges(*database, attente);
        return true;
    } catch (const DbError& e) {
        if (e.cause != CAUSE_BUSY) {
            if (!database) databaseAvailable = false;  // the file cannot be had: told once, by the caller
            throw;
        }
    }
    if (!occupee) SignalerOccupation();
    occupee = true;
    return false;
}

// The lock is had again: what was kept (gardes) is on the disk now.
void Liberee(bool gardes) {
    if (occupee)
        Avertir(std::string("Avertissement : la base de données est de nouveau libre") +
                (gardes ? " ; ce qui était gardé en mémoire y est écrit.\n" : ".\n"));
    occupee = false;
    OublierLesAttentes();
}

// Runs operation under the file's lock as one change of the file (all of it
// reaches the disk, or nothing of it when it fails), after what was kept
// while the lock could not be had; repli() instead when it still cannot be.
template <typename Operation, typename Repli>
auto SousVerrou(Operation operation, Repli repli, std::chrono::milliseconds attente = AttenteOrdinaire())
    -> decltype(operation()) {
    if (!Verrouiller(attente)) return repli();
    RecordDb& db = *database;
    const bool gardes = !RienEnAttente();
    decltype(operation()) result{};
    try {
        EcrireLesAttentes();
        result = operation();
    } catch (...) {
        CancelChanges(db);
        throw;
    }
    CommitChanges(db);
    Liberee(gardes);
    return result;
}

}  // namespace

void SignalerErreurBase(int code, int cause) { console.write(LignesErreur(code, cause).c_str()); }

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
        // A program stuck in the middle of a change: opened once it is gone.
        databaseAvailable = e.cause == CAUSE_BUSY;
        if (databaseAvailable) {
            occupee = true;
            SignalerOccupation();
        } else {
            SignalerErreurBase(e.code, e.cause);
        }
        return databaseAvailable;
    }
}

void FermerBase() {
    if (!databaseAvailable) return;
    std::exception_ptr erreur;
    if (!RienEnAttente()) {
        try {
            SousVerrou(
                [] { return 0; },
                [] {
                    std::string nombres;
                    for (const auto& entry : referencesEnAttente)
                        nombres += (nombres.empty() ? "" : ", ") + std::to_string(entry.first);
                    Avertir(
                        "Avertissement : la base de données est restée verrouillée ; ce qui était gardé en mémoire "
                        "n'y est pas écrit" +
                        (nombres.empty() ? std::string(".\n") : " (références de " + nombres + " particules).\n"));
                    return 0;
                },
                LockWait());  // one more full wait
        } catch (...) {
            erreur = std::current_exception();
        }
    }
    databaseAvailable = false;
    occupee = false;
    modesInconnus = false;
    OublierLesAttentes();
    if (database) CloseDatabase(std::move(database));
    if (erreur) std::rethrow_exception(erreur);
}

void ChargerModes() {
    std::vector<uint8_t> bytes;
    // 1 read, 0 none stored, -1 the lock could not be had
    const int lus = !databaseAvailable ? 0 : SousVerrou([&] {
        if (!RecordExists(*database, kModesRecord) || RecordUsed(*database, kModesRecord) < kModesAlways) return 0;
        // Switches added since the record was written find no byte: their defaults.
        bytes.resize(static_cast<size_t>(std::min(RecordUsed(*database, kModesRecord), kModesSize)));
        ReadBytes(kModesRecord, 0, bytes.data(), static_cast<int32_t>(bytes.size()));
        return 1;
    }, [] { return -1; });
    modesInconnus = lus < 0;
    if (lus == 1) {
        ModesDepuisOctets(bytes);
    } else {
        modes.resetDefaults();
    }
}

void SauverModes() {
    if (!databaseAvailable || modesInconnus) return;
    std::vector<uint8_t> bytes = OctetsDesModes();
    SousVerrou([&] {
        EcrireModes(bytes);
        return 0;
    }, [&] {
        modesEnAttente = std::move(bytes);
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
        return LireReferences(n);
    }
    const std::span<const Vec3> p = positions.first(n);
    return SousVerrou([&] { return Ameliorer(n, {energy, p, minDistance, p}); },
                      [&] { return GarderEnAttente(n, energy, minDistance, p); });
}

BestValues LireReferences(int n) {
    if (!databaseAvailable || !EstUnNombreDeParticules(n)) return {0.0, 0.0};
    return SousVerrou([&] { return HoldsValues(n) ? ReadValues(n) : BestValues{0.0, 0.0}; },
                      [] { return BestValues{0.0, 0.0}; });
}

bool ChargerPosition(int n, bool byEnergy, std::span<Vec3> positions) {
    if (!databaseAvailable || !EstUnNombreDeParticules(n) || n >= kPositionsBelow) return false;
    if (positions.size() < static_cast<size_t>(n)) return false;
    std::vector<Vec3> loaded(static_cast<size_t>(n));
    const bool lu = SousVerrou([&] {
        const int32_t start = PositionSetOffset(n, byEnergy);
        const auto size = static_cast<int32_t>(kPositionSize * n);
        if (!HoldsValues(n, true) || RecordUsed(*database, n) < start + size) return false;
        std::vector<double> coords(3 * static_cast<size_t>(n));
        ReadBytes(n, start, coords.data(), size);
        for (size_t i = 0; i < loaded.size(); ++i) loaded[i] = {coords[3 * i], coords[3 * i + 1], coords[3 * i + 2]};
        return true;
    }, [] { return false; });
    if (!lu || !SurLaSphere(loaded)) return false;
    std::copy(loaded.begin(), loaded.end(), positions.begin());
    return true;
}

void MarquerValide(int n, bool valid) {
    if (!databaseAvailable) return;
    SousVerrou([&] {
        PoserMarque(n, valid);
        return 0;
    }, [&] {
        marquesEnAttente[n] = valid;
        return 0;
    });
}

bool EstValide(int n) {
    if (!databaseAvailable || n < 0) return false;
    return SousVerrou([&] { return LireMarque(n); }, [&] {
        const auto kept = marquesEnAttente.find(n);
        return kept != marquesEnAttente.end() && kept->second;
    });
}

bool SupprimerReferences(int n) {
    if (!databaseAvailable) return true;
    try {
        return SousVerrou([&] {
            DeleteRecord(*database, n);
            return true;
        }, [] {
            Avertir("Avertissement : la base de données est verrouillée par un autre programme ; l'enregistrement "
                    "n'est pas supprimé.\n");
            return false;
        });
    } catch (const DbError& e) {
        if (e.code == DB_RECORD_MISSING)
            console.write("Erreur : l'enregistrement spécifié n'existe pas.\n");
        else if (e.code != DB_NO_ERROR)
            SignalerErreurBase(e.code, e.cause);
        return e.code == DB_NO_ERROR;
    }
}

BilanFusion FusionnerReferences(std::span<const ReferencesAutres> autres, std::span<const int> marques) {
    if (!databaseAvailable || !database) RaiseDbError(DB_OPEN_FAILED, databaseAvailable ? CAUSE_BUSY : CAUSE_NONE);
    RecordDb& db = *database;
    BeginChanges(db);
    BilanFusion bilan;
    std::set<int> changees;
    try {
        for (const ReferencesAutres& r : autres) {
            const bool recevable = EstUnNombreDeParticules(r.n) && ValeursPossibles(r.n, r.energy, r.minDistance) &&
                                   (r.n >= kPositionsBelow ||
                                    (r.energyPositions.size() == static_cast<size_t>(r.n) &&
                                     r.distancePositions.size() == static_cast<size_t>(r.n) &&
                                     SurLaSphere(r.energyPositions) && SurLaSphere(r.distancePositions)));
            if (!recevable) {
                Avertir("Avertissement : l'enregistrement de " + std::to_string(r.n) +
                        " particules a des positions hors de la sphère unité ou des valeurs impossibles ; il n'est "
                        "pas fusionné.\n");
                continue;
            }
            bool change = false;
            Ameliorer(r.n, {r.energy, r.energyPositions, r.minDistance, r.distancePositions}, &change);
            if (change) changees.insert(r.n);
        }
        bilan.references = static_cast<int>(changees.size());
        for (const int n : marques) {
            if (!EstUnNombreDeParticules(n) || LireMarque(n)) continue;
            PoserMarque(n, true);
            ++bilan.marques;
        }
    } catch (...) {
        CancelChanges(db);
        throw;
    }
    CommitChanges(db);
    return bilan;
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
