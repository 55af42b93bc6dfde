// Position files: one particle per line, "%i:\t%.15lg\t%.15lg\t%.15lg\n",
// indices from 0.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "etat/vec3.h"

// A Windows-1252 name in the locale's charset, for the file system.
std::string NomSysteme(const std::string& nom);

// Asks for a name and writes every position. False when the file cannot be
// created; a failed write or close is reported ("Erreur en écriture du
// fichier ...") and still gives true.
bool EnregistrerFichier();

// Asks for a name and loads the file into the current particles. False when
// the file cannot be opened or holds no valid line; then nothing changes.
bool ChargerFichier();

struct LignePosition {
    int index;
    Vec3 position;
};

// Lines read past the count at the most: the reading stops there.
inline constexpr int kLignesEnPlus = 1000;

// The lines of f that give an index in 0 .. count-1, one separator character
// and three finite reals making a vector of non-zero length, in file order.
// Other lines are skipped. At most count + kLignesEnPlus lines are read; a
// line longer than 4096 characters makes the file invalid (nothing is
// returned), so that memory stays bounded whatever the file.
std::vector<LignePosition> LirePositions(std::FILE* f, int count);
