// Position files: the program's own ("%i:\t%.15lg\t%.15lg\t%.15lg\n", indices
// from 0) and those other tools read and write:
//
//   XYZ      line 1: the count; line 2: a comment ("n=400 s=1 energy=..."),
//            then one "X x y z" line per particle
//   CSV      header "x,y,z", then one "x,y,z" row per particle
//   columns  three numbers per line, blanks or commas between them, no
//            header ("#" lines skipped): what numpy's savetxt writes
//
// XYZ and CSV are written with 17 significant digits, so that they read back
// bit for bit. Shared by the shell (ENREGISTRER, CHARGER FICHIER) and
// glomerix-db (--exporter).
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "etat/vec3.h"

enum class FormatPositions { Glomerix, Xyz, Csv, Colonnes };

// By the name's extension, in any case: ".xyz", ".csv", else the program's own.
FormatPositions FormatParNom(std::string_view nom);

// What the XYZ comment line says of a configuration.
struct ResumePositions {
    int n = 0;
    double s = 1.0;
    double energie = 0.0;    // Coulomb: sum of 1 / r
    double energieS = 0.0;   // sum of 1 / r^s (the Coulomb energy when s = 1)
    double distance = 0.0;   // minimum distance
    std::optional<uint64_t> graine;  // left out when unknown
};

// "n=400 s=1 energy=... riesz_energy=... min_distance=... [seed=...]", 17 digits.
std::string CommentaireXyz(const ResumePositions& r);

// Each returns false when a write failed (a full disk shows at fclose too).
bool EcrireGlomerix(std::FILE* f, std::span<const Vec3> positions);
bool EcrireXyz(std::FILE* f, std::span<const Vec3> positions, const ResumePositions& r);
bool EcrireCsv(std::FILE* f, std::span<const Vec3> positions);

struct LignePosition {
    int index;
    Vec3 position;
};

// Lines of the program's own format read past the count at the most.
inline constexpr int kLignesEnPlus = 1000;
// The longest line read; a longer one makes the file invalid.
inline constexpr size_t kLigneMax = 4096;

// What a position file gave.
struct LecturePositions {
    FormatPositions format = FormatPositions::Glomerix;
    // The program's own format: the lines that place a particle, in file
    // order. The others: exactly `count` lines, index i for the i-th.
    std::vector<LignePosition> lignes;
    // Set when the file is refused (nothing may change): why, in French.
    std::string refus;
    // The program's own format: lines that placed nothing (blank lines aside),
    // and whether the reading stopped at count + kLignesEnPlus with more left.
    int ignorees = 0;
    bool tronquee = false;
    // Positions off the unit sphere (|r - 1| > kEcartSphere): taken as they are
    // in the program's own format, brought onto it in the others.
    int horsSphere = 0;

    bool valide() const { return refus.empty() && !lignes.empty(); }
};

inline constexpr double kEcartSphere = 1e-9;

// Reads f, its format recognised by its content: a count alone on the first
// line is XYZ, a first line "x,y,z" CSV, three numbers on the first line
// columns; anything else is the program's own format, read as it always was
// (any separator after the index, lines out of range skipped, coordinates
// kept). The other formats must hold exactly `count` finite, non-zero
// positions. Memory and time stay bounded whatever f is: lines of at most
// kLigneMax characters, at most count + kLignesEnPlus of them (the new
// formats: a few past count), and a NUL byte refuses the file as binary.
LecturePositions LireFichierPositions(std::FILE* f, int count);

// The lines of the program's own format that place a particle (an index in
// 0 .. count-1, one separator character, three finite reals of non-zero
// length), in file order; empty when the file is refused.
std::vector<LignePosition> LirePositions(std::FILE* f, int count);
