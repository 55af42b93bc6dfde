#include "shell/avertissements.h"

#include <cctype>
#include <cstdint>

#include "etat/particules.h"
#include "shell/table_commandes.h"
#include "ternex/number_format.h"
#include "ternex/ternex.h"

namespace {

void Avertir(const std::string& texte) { console.warn(("Attention : " + texte).c_str()); }

// One to `max` digits and nothing else; their value in *valeur (of the
// first nine digits: more never fit an int, and are refused unless max allows).
bool Chiffres(const char* t, size_t max, int* valeur = nullptr) {
    int v = 0;
    size_t n = 0;
    for (; std::isdigit(static_cast<unsigned char>(t[n])); ++n)
        if (n < 9) v = v * 10 + (t[n] - '0');
    if (valeur != nullptr) *valeur = v;
    return n > 0 && n <= max && t[n] == '\0';
}

// The whole part of a.b as LireEntier reads it in full: at most four
// characters, an optional '-' and digits (none is 0).
bool PartieEntiere(const char* t) {
    const char* chiffres = t[0] == '-' ? t + 1 : t;
    size_t n = 0;
    while (std::isdigit(static_cast<unsigned char>(chiffres[n]))) ++n;
    return chiffres[n] == '\0' && (chiffres - t) + n <= 4;
}

bool Fraction(const char* t) { return t[0] == '\0' || Chiffres(t, 4); }

std::string Cite(const std::string& mot) { return mot.empty() ? "un mot vide" : "\"" + mot + "\""; }

// Only 'a'..'z': the typed words are Windows-1252, whatever the locale.
std::string Majuscules(std::string s) {
    for (char& c : s) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    return s;
}

std::string NomCommande(const CommandWord* words) {
    const Commande* c = TrouverCommande(words[0]);
    return Majuscules(c != nullptr ? c->mot : "");
}

std::string Reel(double v) {
    char texte[ternex_text::kDoubleTextSize];
    return std::string(texte, ternex_text::format_double(v, console.get_precision(), texte));
}

}  // namespace

std::string LigneTapee(int count, const CommandWord* words) {
    std::string ligne = NomCommande(words);
    for (int i = 1; i < count; ++i) {
        const char* t = TexteMot(words, i);
        if (t != nullptr) ligne += std::string(" ") + t;
    }
    return Majuscules(ligne);
}

void VerifierIterations(const CommandWord* words, long long n) {
    const char* t = TexteMot(words, 1);
    int v = 0;
    long long facteur = 0;
    if (t == nullptr || ((LireMultiplicateurColle(t, &v, &facteur) || Chiffres(t, 4, &v)) && v >= 1)) return;
    Avertir(Cite(t) + " n'est pas un nombre entre 1 et 9999, " + NomCommande(words) + " effectue " +
            std::to_string(n) + (n > 1 ? " itérations." : " itération."));
}

// 0 asks for the default count, as AIDE NB says: taken as typed.
void VerifierNombreParticules(const CommandWord* words, int n) {
    const char* t = TexteMot(words, 1);
    int v = 0;
    if (t == nullptr || (Chiffres(t, 4, &v) && (v == 0 || v >= kMinParticles))) return;
    Avertir(Cite(t) + " n'est pas un nombre entre 3 et 9999, NB met " + std::to_string(n) + " particules.");
}

void VerifierReel(const CommandWord* words, int i, double valeur) {
    const char* a = TexteMot(words, i);
    const char* b = TexteMot(words, i + 1);
    if (a == nullptr || b == nullptr || (PartieEntiere(a) && Fraction(b))) return;
    const std::string tape = std::string(a) + "." + b;
    // No full stop after the number: the console writes 1.0 as "1.".
    const std::string prise = NomCommande(words) + " prend la valeur " + Reel(valeur);
    if (PartieEntiere(a) && Chiffres(b, SIZE_MAX)) {
        Avertir("plus de 4 chiffres après le point dans \"" + tape + "\", " + prise);
    } else {
        Avertir("\"" + tape + "\" n'est pas un nombre de la forme a.b, " + prise);
    }
}

void SignalerFormeReelle(int count, const CommandWord* words, const std::string& effet, const std::string& exemple) {
    std::string texte = LigneTapee(count, words);
    texte.insert(texte.begin(), '"');  // "literal" + string&& trips -Wrestrict in g++ 12
    Avertir(texte + "\" " + effet + " : un nombre se tape sous la forme a.b, par exemple " + exemple + ".");
}

void SignalerLigneTropLongue(int max) {
    Avertir("ligne de plus de " + std::to_string(max) + " caractères refusée, rien n'a été exécuté.");
}

void SignalerNomTropLong(int max) {
    Avertir("nom de fichier de plus de " + std::to_string(max) + " caractères refusé.");
}
