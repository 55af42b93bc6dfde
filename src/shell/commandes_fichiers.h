// Position files: one particle per line, "%i:\t%.15lg\t%.15lg\t%.15lg\n",
// indices from 0.
#pragma once

#include <cstdio>
#include <vector>

#include "etat/vec3.h"

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
