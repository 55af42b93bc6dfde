// The grammar of command lines: cutting a line into folded words, and reading
// integers, reals and step counts back out of the words.
#include "shell/avertissements.h"
#include "shell/boucle.h"
#include "shell/commande.h"
#include "shell/messages.h"
#include "shell/mots.h"
#include "shell/table_commandes.h"

namespace {

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

Ligne DecouperLigne(const char* texte, int max) {
    Ligne ligne;
    std::string minuscules = texte;
    for (char& c : minuscules) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    if (max > kMaxWords) max = kMaxWords;
    CommandWord code = 0;
    int k = 0;  // position in the current word
    for (const char* c = minuscules.c_str(); ligne.count < max; ++c) {
        if (!EstSeparateur(*c)) {
            const int32_t b = static_cast<signed char>(*c);
            code ^= static_cast<CommandWord>(b) << (8 * (k % 4));
            ++k;
            continue;
        }
        ligne.codes[ligne.count] = code;
        ligne.textes[ligne.count].assign(c - k, static_cast<size_t>(k));
        ++ligne.count;
        code = 0;
        k = 0;
        if (FinDeLigne(*c)) break;
    }
    ligne.commande = TrouverCommande(ligne.codes[0]);
    return ligne;
}

bool LireEntierLong(const Ligne& ligne, int i, long long max, long long* valeur) {
    const char* texte = ligne.texte(i).c_str();
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
    int k = Octet(word, 0) == '-' ? 1 : 0;
    int value = 0;
    for (; k < 4 && EstChiffre(Octet(word, k)); ++k) value = value * 10 + (Octet(word, k) - '0');
    return value >= 1 && value <= 9999 ? value : 0;
}

// a.b is computed as (a * 10^d + f) / 10^d, two exact integers divided once:
// the nearest double to the decimal typed (1.05 reads as the double 1.05).
// The sign is a's own, so "-0.5" is negative although its whole part reads as 0.
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
    return Octet(a, 0) == '-' ? -x : x;
}

// 64-bit so that "9999 M" (9 999 000 000 steps) is counted exactly rather
// than wrapping or being clamped. A multiplier glued to the count ("5k") is
// read as the separate word it stands for.
long long LireIterations(const Ligne& ligne, long long parDefaut) {
    if (ligne.count < 2) return parDefaut;
    int colle = 0;
    long long facteur = 1;
    if (LireMultiplicateurColle(ligne.texte(1).c_str(), &colle, &facteur)) return (colle < 1 ? 1 : colle) * facteur;
    long long n = LireEntier(ligne[1]);
    if (n < 1) n = 1;
    if (ligne.count >= 3 && ligne[2] == mot::kK) n *= 1000;
    if (ligne.count >= 3 && ligne[2] == mot::kM) n *= 1000000;
    return n;
}

std::optional<long long> LireCompte(const Ligne& ligne) {
    const Commande& c = *ligne.commande;
    if (c.lecture == Lecture::stricte && ligne.count >= 2 && LireEntier(ligne[1]) == 0) {
        Signaler(Msg::ParametreNonValide);
        return std::nullopt;
    }
    const long long n = LireIterations(ligne, c.compte);
    if (ligne.count >= 2) VerifierIterations(ligne, n);
    return n;
}
