// Command lines cut into words, and the number grammar shared by every command.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

using CommandWord = uint32_t;

inline constexpr int kMaxWords = 10;

// Folds a word's bytes: each byte sign-extended, shifted by 8 * (k mod 4), XORed.
constexpr CommandWord Plier(const char* word) {
    CommandWord code = 0;
    for (int k = 0; word[k] != '\0'; ++k) {
        const int32_t b = static_cast<signed char>(word[k]);
        code ^= static_cast<CommandWord>(b) << (8 * (k % 4));
    }
    return code;
}

struct Commande;

// A command line as DecouperLigne cuts it, which every handler receives:
// each word's folded code (every keyword test compares codes) and its text as
// typed, lower-cased (warnings quote it; a count glued to K or M is read from
// it). Word 0 is the command; past `count` a word is empty, code 0.
struct Ligne {
    int count = 0;                       // words, 1 .. kMaxWords
    CommandWord codes[kMaxWords] = {};
    std::string textes[kMaxWords];
    const Commande* commande = nullptr;  // the row of word 0, nullptr when no command has it

    CommandWord operator[](int i) const { return codes[i]; }
    const std::string& texte(int i) const { return textes[i]; }
};

// Shows the prompt, reads a line and cuts it. Sets *endOfInput when stdin is
// exhausted.
Ligne LireCommande(bool* endOfInput = nullptr);

// Pure functions of the words they are given.
int LireEntier(CommandWord word);                // 1 .. 9999, else 0; a leading '-' is skipped
double LireReel(CommandWord a, CommandWord b);   // "a.b", negative when a starts with '-'
// Word i as a whole number of any length (a seed): digits only, no sign, at
// most max. False for anything else.
bool LireEntierLong(const Ligne& ligne, int i, long long max, long long* valeur);
// "5k", "20m": one to four digits glued to K or M, the way "5 k" and "20 m"
// are typed. The digits' value and the multiplier (1000 or 1000000).
bool LireMultiplicateurColle(const char* texte, int* valeur, long long* facteur);
// The steps that words 1 and 2 ask for: `parDefaut` without word 1; a word
// that is not a count from 1 to 9999 reads as 1.
long long LireIterations(const Ligne& ligne, long long parDefaut);

// The step count of a counted command, by its row of the command table: the
// row's default without a count word, else LireIterations with the warnings
// of what was not taken as typed. A count word that is not a number from 1 to
// 9999 reads as one step on a row read as the program always has, and is
// refused ("Paramètre non valide.", nullopt) on a row read strictly.
std::optional<long long> LireCompte(const Ligne& ligne);
