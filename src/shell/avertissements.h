// Warnings on standard error, one French line each, when typed input is not
// taken as typed. Standard output never carries them: scripts reading the
// answers see the same text as before. Their texts are rows of messages.h.
#pragma once

#include <string>

#include "shell/commande.h"

// The step count of a counted command (word 1 of the line, which has one): n
// is what runs. Word 2, when typed, must be K or M (none after a glued "5k").
void VerifierIterations(const Ligne& ligne, long long n);

// NB's count (word 1): n is the count set.
void VerifierNombreParticules(const Ligne& ligne, int n);

// The whole part of a.b as LireEntier reads it in full: at most four
// characters, an optional '-' and digits (none is 0).
bool PartieEntiere(const char* t);

// The real "a.b" of words i and i + 1: valeur is what the command takes.
void VerifierReel(const Ligne& ligne, int i, double valeur);

// A value typed without the fraction that makes it a.b ("K 2", the first
// `mots` words of the line): what the command did instead (`effet`, "affiche
// la valeur sans la modifier") and how to type it (`exemple`, "K 2.0").
void SignalerFormeReelle(const Ligne& ligne, int mots, const std::string& effet, const std::string& exemple);

// "K 2", "S x": word 1 of a command that shows its value when the a.b is not
// whole. Nothing for an empty word (a trailing space).
void SignalerValeurSansFraction(const Ligne& ligne);

// Word i is none of `attendus` ("ON ou OFF"), the words the command takes
// there. MotIgnore: the command runs as without it (an empty word changes
// nothing and is not reported). SansEffet: the command does not do what was
// asked (`suite`, "la commande ne fait rien"), an empty word too.
void SignalerMotIgnore(const Ligne& ligne, int i, const char* attendus);
void SignalerSansEffet(const Ligne& ligne, int i, const char* attendus, const char* suite);

// Word i is ON or OFF: *marche says which. Otherwise the warning that the
// command does nothing, and false.
bool LireMarcheArret(const Ligne& ligne, int i, bool* marche);

// Every non-empty word from `premier` on: the command reads none of them.
void SignalerMotsEnTrop(const Ligne& ligne, int premier);

// The command needs one of `attendus` and got no word.
void SignalerParametreManquant(const Ligne& ligne, const char* attendus);

// The first `mots` words of a command line in capitals, as typed ("K 2").
std::string LigneTapee(const Ligne& ligne, int mots);

// An input line, or a file name, longer than max characters: refused.
void SignalerLigneTropLongue(int max);
void SignalerNomTropLong(int max);
