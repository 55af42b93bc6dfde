// Position files: one particle per line, "%i:\t%.15lg\t%.15lg\t%.15lg\n",
// indices from 0.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "etat/vec3.h"

// One line typed by the user, without prompt (at most 255 characters), in
// Windows-1252; empty at the end of input.
std::string LireNomFichier();
// A Windows-1252 name in the locale's charset, for the file system.
std::string NomSysteme(const std::string& nom);

// Asks for a name and writes every position. False when the file cannot be created.
bool EnregistrerFichier();

// Asks for a name and loads the file into the current particles. False when
// the file cannot be opened or holds no valid line; then nothing changes.
bool ChargerFichier();

struct LignePosition {
    int index;
    Vec3 position;
};

// The lines of f that give an index in 0 .. count-1, one separator character
// and three finite reals, in file order. Other lines are skipped.
std::vector<LignePosition> LirePositions(std::FILE* f, int count);
