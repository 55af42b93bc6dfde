// The grammar of command lines: cutting a line into folded words, and reading
// integers, reals and step counts back out of the folded codes.
#include <string>

#include "shell/avertissements.h"
#include "shell/boucle.h"
#include "shell/commande.h"
#include "shell/mots.h"

namespace {

// Set by LireEntier when its word starts with '-'; LireReel applies it to the
// whole number, so "-0.5" is negative although the integer part reads as 0.
bool signeNegatif = false;

int Octet(CommandWord word, int k) { return static_cast<int>((word >> (8 * k)) & 0xFFu); }
bool EstChiffre(int c) { return c >= '0' && c <= '9'; }

bool EstSeparateur(char c) {
    switch (c) {
    case '\0': case ' ': case '\r': case '\n': case ',': case '=': case ':': case '.':
        return true;
    default:
        return false;
    }
}

bool FinDeLigne(char c) { return c == '\0' || c == '\r' || c == '\n'; }

// The words of the last line cut, as typed: the warnings quote them, and a
// number longer than the four bytes of a code is read from its text.
struct LigneDecoupee {
    int count = 0;
    CommandWord codes[kMaxWords] = {};
    std::string textes[kMaxWords];
};
LigneDecoupee derniere;

// The text of a code of at most four bytes (or its first four bytes).
std::string TexteDuCode(CommandWord word) {
    std::string t;
    for (int k = 0; k < 4 && Octet(word, k) != 0; ++k) t += static_cast<char>(Octet(word, k));
    return t;
}

// Word i as typed; without the typed text (words not from the last line cut)
// the code's four bytes are the text.
std::string TexteTape(const CommandWord* words, int i) {
    const char* texte = TexteMot(words, i);
    return texte != nullptr ? std::string(texte) : TexteDuCode(words[i]);
}

}  // namespace

bool LireMultiplicateurColle(const char* texte, int* valeur, long long* facteur) {
    int n = 0, chiffres = 0;
    for (; EstChiffre(*texte); ++texte, ++chiffres)
        if (chiffres < 4) n = n * 10 + (*texte - '0');  // more digits are refused below
    if (chiffres == 0 || chiffres > 4 || (texte[0] != 'k' && texte[0] != 'm') || texte[1] != '\0') return false;
    *valeur = n;
    *facteur = texte[0] == 'k' ? 1000 : 1000000;
    return true;
}

const char* TexteMot(const CommandWord* words, int i) {
    if (i < 0 || i >= derniere.count || derniere.codes[i] != words[i]) return nullptr;
    return derniere.textes[i].c_str();
}

int DecouperLigne(char* line, CommandWord* words, int max) {
    for (char* c = line; *c != '\0'; ++c) {
        if (*c >= 'A' && *c <= 'Z') *c = static_cast<char>(*c - 'A' + 'a');
    }
    int count = 0;
    CommandWord code = 0;
    int k = 0;  // position in the current word
    derniere.count = 0;
    for (const char* c = line; count < max; ++c) {
        if (!EstSeparateur(*c)) {
            const int32_t b = static_cast<signed char>(*c);
            code ^= static_cast<CommandWord>(b) << (8 * (k % 4));
            ++k;
            continue;
        }
        if (count < kMaxWords) {
            derniere.codes[count] = code;
            derniere.textes[count].assign(c - k, static_cast<size_t>(k));
            derniere.count = count + 1;
        }
        words[count++] = code;
        code = 0;
        k = 0;
        if (FinDeLigne(*c)) break;
    }
    return count;
}

bool LireEntierLong(const CommandWord* words, int i, long long max, long long* valeur) {
    const std::string tape = TexteTape(words, i);
    const char* texte = tape.c_str();
    long long v = 0;
    int chiffres = 0;
    for (; EstChiffre(*texte); ++texte, ++chiffres) {
        v = v * 10 + (*texte - '0');
        if (v > max) return false;
    }
    if (chiffres == 0 || *texte != '\0') return false;
    *valeur = v;
    return true;
}

int LireEntier(CommandWord word) {
    int k = 0;
    signeNegatif = Octet(word, 0) == '-';
    if (signeNegatif) k = 1;
    int value = 0;
    for (; k < 4 && EstChiffre(Octet(word, k)); ++k) value = value * 10 + (Octet(word, k) - '0');
    return value >= 1 && value <= 9999 ? value : 0;
}

// a.b is computed as (a * 10^d + f) / 10^d, two exact integers divided once:
// the nearest double to the decimal typed (1.05 reads as the double 1.05).
double LireReel(CommandWord a, CommandWord b) {
    const double entier = LireEntier(a);
    long fraction = 0;
    long echelle = 1;
    for (int k = 0; k < 4 && EstChiffre(Octet(b, k)); ++k) {
        fraction = fraction * 10 + (Octet(b, k) - '0');
        echelle *= 10;
    }
    double x = (entier * static_cast<double>(echelle) + static_cast<double>(fraction)) /
               static_cast<double>(echelle);
    if (!(x > -10000.0 && x < 10000.0)) x = 0.0;
    return signeNegatif ? -x : x;
}

// 64-bit so that "9999 M" (9 999 000 000 steps) is counted exactly rather
// than wrapping or being clamped. A multiplier glued to the count ("5k") is
// read as the separate word it stands for.
long long LireIterations(int count, const CommandWord* words) {
    if (count < 2) return 50;
    const std::string texte = TexteTape(words, 1);
    int colle = 0;
    long long facteur = 1;
    long long n = 0;
    if (LireMultiplicateurColle(texte.c_str(), &colle, &facteur)) {
        n = colle < 1 ? 1 : colle;
        n *= facteur;
    } else {
        n = LireEntier(words[1]);
        if (n < 1) n = 1;
        if (count >= 3 && words[2] == mot::kK) n *= 1000;
        if (count >= 3 && words[2] == mot::kM) n *= 1000000;
    }
    VerifierIterations(count, words, n);
    return n;
}
