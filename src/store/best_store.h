// The best-configuration store: for each particle count, the lowest energy
// and the largest minimum distance ever reported with the positions that gave
// them, a validity mark per count, and the eight MODE switches, all in one
// RecordDb opened at start-up and closed at exit.
//
// Records: 0 the MODE switches (100 bytes, 8 used: INFO, PARTICULES, LIGNES,
// POLYGONES, ENVELOPPE, AXES, OPENMP, DUAL, 1 byte each); 1 the validity
// bits (1250 bytes, bit n mod 8 of byte n / 8); n, a count from 3 to 9999:
// {energy, minDistance} as little-endian doubles, then for n < 3000 the n
// positions of the best energy and the n positions of the best distance
// (x, y, z each), 48n + 16 bytes in all.
//
// Engine errors are thrown as DbError out of every operation but OuvrirBase,
// SupprimerReferences and SupprimerBase, which report their own. Callers wrap
// the others:
//   try { ... } catch (const DbError& e) { SignalerErreurBase(e.code); }
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "etat/verrous.h"
#include "store/record_db.h"

struct BestValues {
    double energy;
    double minDistance;
};

inline constexpr int32_t kStoreItems = 10000;    // NbMaxItem of the file we create
inline constexpr int32_t kModesRecord = 0;
inline constexpr int32_t kValidityRecord = 1;
inline constexpr int kPositionsBelow = 3000;     // from this count on, values only

// Store state, read-only outside the store.
extern std::string databasePath;            // set by OuvrirBase
extern std::unique_ptr<RecordDb> database;  // open while databaseAvailable
extern bool databaseAvailable;

// Opens (creating it if absent) $XDG_DATA_HOME/glomerix.dat, else
// $HOME/.local/share/glomerix.dat, the folder made if missing, else
// ./glomerix.dat; or the file `chemin` when one is given. A file that is not a
// database is never touched. On failure writes the error lines
// (SignalerErreurBase) and returns false.
bool OuvrirBase(const std::string& chemin = {});
// Writes the tables and closes the database when it is open.
void FermerBase();
// MODE switches from record 0 when it holds 8 bytes, else their defaults;
// SimParams back to its defaults. The count is the shell's.
void ChargerModes();
// MODE switches into record 0 (created with 100 bytes if missing).
void SauverModes();
// Keeps energy and minDistance (with the current positions of particles
// 0 .. n-1) where they strictly improve on the record of n; returns what the
// record then holds, {energy, minDistance} without the database.
BestValues MettreAJourReferences(int n, double energy, double minDistance) REQUIRES(verrouEtat);
// {0, 0} when nothing is stored; a record of n shorter than 16 bytes is
// deleted.
BestValues LireReferences(int n);
// Loads the stored positions of the best energy (byEnergy) or of the best
// distance into particles 0 .. n-1. False, particles unchanged, when there
// are none (no database, no record, values only, damaged record).
bool ChargerPosition(int n, bool byEnergy) REQUIRES(verrouEtat);
void MarquerValide(int n, bool valid);
bool EstValide(int n);
// Deletes the record of n; writes its own message and returns false when that
// fails (nothing to delete without the database).
bool SupprimerReferences(int n);
// Deletes the database file (call FermerBase first); false on failure.
bool SupprimerBase();

// Writes "\nERREUR : ", code, "\n", ErrorText(code), "\n". Never throws.
void SignalerErreurBase(int code);
