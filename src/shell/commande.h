// Command words and the number grammar shared by every command.
#pragma once

#include <cstdint>

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

// Shows the prompt, reads a line and cuts it into at most `max` words.
// Returns the word count (at least 1). Sets *endOfInput when stdin is exhausted.
int LireCommande(CommandWord* words, int max, bool* endOfInput = nullptr);

// The text of word i of the last line cut by LireCommande (or DecouperLigne),
// as typed and lower-cased, when words[i] is still that word's code; nullptr
// otherwise.
const char* TexteMot(const CommandWord* words, int i);

int LireEntier(CommandWord word);                    // 1 .. 9999, else 0; sets the sign flag
double LireReel(CommandWord a, CommandWord b);       // "a.b"
long long LireIterations(int count, const CommandWord* words);
// Word i as a whole number of any length (a seed): digits only, no sign, at
// most max. False for anything else.
bool LireEntierLong(const CommandWord* words, int i, long long max, long long* valeur);
// "5k", "20m": one to four digits glued to K or M, the way "5 k" and "20 m"
// are typed. The digits' value and the multiplier (1000 or 1000000).
bool LireMultiplicateurColle(const char* texte, int* valeur, long long* facteur);
