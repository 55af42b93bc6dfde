// The best-configuration store: for each particle count, the lowest energy
// and the largest minimum distance ever reported with the positions that gave
// them, a validity mark per count, and the MODE switches, all in one
// RecordDb opened at start-up and closed at exit.
//
// Records: 0 the MODE switches (100 bytes, 1 byte each at the place that
// kInterrupteurs in etat/modes.h gives it, the first 8: INFO, PARTICULES,
// LIGNES, POLYGONES, ENVELOPPE, AXES, OPENMP, DUAL); 1 the validity
// bits (1250 bytes, bit n mod 8 of byte n / 8); n, a count from 3 to 9999:
// the count's best values and positions (layout in best_format.h).
//
// Every operation that changes the file is one atomic change of it: a kill
// at any moment leaves it either before or after. Warnings (records set
// aside, configurations refused) go to standard error.
//
// Sessions share the file: each operation holds the file's change lock for
// its own duration only, sees what the others wrote (the tables are read
// again when the file changed), and a new best replaces only a worse one on
// the disk at the time of the write. A lock kept for longer than kLockWait
// (a program stopped in the middle of a change) is told on standard error;
// the session then goes on, keeps in memory what it has to write (the best
// per count, marks, the switches) and writes it at the first operation that
// has the lock again, or at FermerBase after one more wait. The MODE
// switches are saved whole at the end of a session: the last one to end
// sets them.
//
// Engine errors are thrown as DbError out of every operation but OuvrirBase,
// SupprimerReferences and SupprimerBase, which report their own. Callers wrap
// the others:
//   try { ... } catch (const DbError& e) { SignalerErreurBase(e.code); }
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "etat/vec3.h"
#include "store/best_format.h"
#include "store/record_db.h"

struct BestValues {
    double energy;
    double minDistance;
};

inline constexpr int32_t kStoreItems = 10000;    // NbMaxItem of the file we create
inline constexpr int32_t kModesRecord = 0;
inline constexpr int32_t kValidityRecord = 1;
inline constexpr int32_t kFirstCountRecord = 3;  // records 3 .. kStoreItems-1: the counts
using bestformat::kPositionsBelow;

// Store state, read-only outside the store.
extern std::string databasePath;            // set by OuvrirBase
extern std::unique_ptr<RecordDb> database;  // open while databaseAvailable (null while its opening waits for a lock)
extern bool databaseAvailable;

// Opens (creating it if absent) $XDG_DATA_HOME/glomerix.dat, else
// $HOME/.local/share/glomerix.dat, the folder made if missing, else
// ./glomerix.dat; or the file `chemin` when one is given. A file that is not a
// database is never touched. On failure writes the error lines
// (SignalerErreurBase) and returns false; what the opening mended is told on
// standard error. A file whose lock another program keeps for kLockWait is
// told on standard error and opened later: true.
bool OuvrirBase(const std::string& chemin = {});
// Writes what was kept while the lock could not be had (waiting for it once
// more; told on standard error when it still cannot be), then closes the
// database when it is open.
void FermerBase();
// MODE switches from record 0 when it holds at least the first 8 bytes (a
// switch whose byte it lacks takes its default), else their defaults. The count and
// SimParams are the shell's.
void ChargerModes();
// MODE switches into record 0 (created with 100 bytes if missing); nothing
// when ChargerModes could not read them for the lock.
void SauverModes();
// Keeps energy and minDistance, with positions[0 .. n), where they strictly
// improve on the record of n; returns what the record then holds,
// {energy, minDistance} without the database. REQUIRES: energy and
// minDistance are those of positions (the record's values are checked
// against its positions when it is read). A configuration that is not on
// the unit sphere (every |p| within 1e-9 of 1) or not finite, or values no n
// points can have (not finite, energy below EnergyLowerBound, distance not
// in (0, DistanceUpperBound]), is never recorded: a warning, and the stored
// values ({0, 0} when none) are returned.
BestValues MettreAJourReferences(int n, double energy, double minDistance, std::span<const Vec3> positions);
// {0, 0} when nothing is stored. A record of n that cannot be n's (shorter
// than 16 bytes, not of n's size, another count written in it, values no n
// points can have) is deleted, with a warning unless it was merely short.
// Cheap: the values are not recomputed from the positions here (LISTE reads
// every count).
BestValues LireReferences(int n);
// Loads the stored positions of the best energy (byEnergy) or of the best
// distance into positions[0 .. n). False, positions unchanged, when there are
// none (no database, no record, values only, damaged record, positions not
// on the unit sphere). The record's values are recomputed from its positions
// first (O(n^2)), as MettreAJourReferences does: a record whose values are
// not those of its positions is deleted with a warning.
bool ChargerPosition(int n, bool byEnergy, std::span<Vec3> positions);
void MarquerValide(int n, bool valid);
bool EstValide(int n);
// Deletes the record of n; writes its own message and returns false when that
// fails (nothing to delete without the database).
bool SupprimerReferences(int n);
// Deletes the database file (call FermerBase first); false on failure, with
// a warning when another session has it open (it is then left alone).
bool SupprimerBase();

// A count's record of another database, as FusionnerReferences takes it:
// the best energy with the positions that give it, the best distance with
// its own (no positions from kPositionsBelow points on). REQUIRES: the
// values are those of the positions.
struct ReferencesAutres {
    int n;
    double energy;
    std::vector<Vec3> energyPositions;
    double minDistance;
    std::vector<Vec3> distancePositions;
};
struct BilanFusion {
    int references = 0;  // counts whose record changed
    int marques = 0;     // marks set
};
// Merges other databases' records and marks into the open one as one change
// of the file: for each count the lower energy and the larger distance win,
// each with its positions, and a count marked on either side is marked. A
// record off the unit sphere or with values no n points can have is passed
// over with a warning. Throws DbError (DB_OPEN_FAILED with CAUSE_BUSY when
// another program keeps the lock for kLockWait).
BilanFusion FusionnerReferences(std::span<const ReferencesAutres> autres, std::span<const int> marques);

// Writes "\nERREUR : ", code, "\n", ErrorText(code) (CauseText(cause) when
// there is one), "\n". Never throws.
void SignalerErreurBase(int code, int cause = CAUSE_NONE);
