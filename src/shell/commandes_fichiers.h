// Position files: one particle per line, "%i:\t%.15lg\t%.15lg\t%.15lg\n",
// indices from 0.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "etat/vec3.h"
#include "etat/verrous.h"
#include "store/fichiers_positions.h"

// A Windows-1252 name in the locale's charset, for the file system.
std::string NomSysteme(const std::string& nom);

// N, s, the energies, the smallest distance and the seed of the current
// configuration, whose positions are given.
ResumePositions ResumeCourant(std::span<const Vec3> positions) REQUIRES(verrouEtat);

// ENREGISTRER's prompt (unless silent), then the name typed.
std::string DemanderNomAEcrire();

// Closes f; when a write failed or the close did, says the file `nom` is
// incomplete (an error).
void FinirEcriture(std::FILE* f, bool ecrit, const std::string& nom);

// Asks for a name and writes every position. False when the file cannot be
// created; a failed write or close is reported ("Erreur en écriture du
// fichier ...") and still gives true.
bool EnregistrerFichier();

// Asks for a name and loads the file into the current particles. False when
// the file cannot be opened or holds no valid line; then nothing changes.
bool ChargerFichier();
