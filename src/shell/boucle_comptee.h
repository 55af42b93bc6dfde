// The counted loop shared by the computation commands, and what every command
// that moves the particles does after it.
#pragma once

#include "shell/commande.h"

// Milliseconds of a monotonic clock; only differences mean anything.
long long Horloge();

// "Temps de calcul (ms) : " and the duration from debut to now.
void EcrireTempsDeCalcul(long long debut, long long fin);

// After positions changed: the INFO summary in INFO mode, then a new frame.
// Takes verrouEtat for the summary.
void ApresDeplacement();

// Runs LireCompte(ligne) steps, each one call of etape() under verrouEtat,
// stopping early at a step boundary once stopRequested is set (cleared
// first). With enveloppeAvant the hull is built once before the first step
// and kept for all of them. Then writes the time, clears hullValid and runs
// ApresDeplacement; a stopped loop does the same. A loop that lasts shows its
// progress on a terminal (Progression), with the energy that `energie` gives
// when the steps keep it up to date.
void BoucleComptee(const Ligne& ligne, bool enveloppeAvant, void (*etape)(), double (*energie)() = nullptr);
