// Warnings on standard error, one French line each, when typed input is not
// taken as typed. Standard output never carries them: scripts reading the
// answers see the same text as before.
#pragma once

#include <string>

#include "shell/commande.h"

// The step count of a counted command (word 1 of the line): n is what runs.
void VerifierIterations(const CommandWord* words, long long n);

// NB's count (word 1): n is the count set.
void VerifierNombreParticules(const CommandWord* words, int n);

// The real "a.b" of words i and i + 1: valeur is what the command takes.
void VerifierReel(const CommandWord* words, int i, double valeur);

// A value typed without the fraction that makes it a.b ("K 2"): what the
// command did instead (`effet`, "affiche la valeur sans la modifier") and how
// to type it (`exemple`, "K 2.0").
void SignalerFormeReelle(int count, const CommandWord* words, const std::string& effet, const std::string& exemple);

// The typed words of a command line, the command in capitals ("K 2").
std::string LigneTapee(int count, const CommandWord* words);

// An input line, or a file name, longer than max characters: refused.
void SignalerLigneTropLongue(int max);
void SignalerNomTropLong(int max);
