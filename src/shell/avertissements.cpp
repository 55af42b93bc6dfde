#include "shell/avertissements.h"

#include <cctype>
#include <cstdint>

#include "etat/particules.h"
#include "shell/messages.h"
#include "shell/mots.h"
#include "shell/table_commandes.h"
#include "ternex/number_format.h"
#include "ternex/ternex.h"

namespace {

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

void VerifierIterations(int count, const CommandWord* words, long long n) {
    const char* t = TexteMot(words, 1);
    if (t == nullptr) return;
    int v = 0;
    long long facteur = 0;
    const bool colle = LireMultiplicateurColle(t, &v, &facteur);
    if (!((colle || Chiffres(t, 4, &v)) && v >= 1)) {
        Signaler(Msg::IterationsHorsBornes,
                 {Cite(t), NomCommande(words), std::to_string(n) + (n > 1 ? " itérations" : " itération")});
    }
    if (count < 3) return;
    if (colle) {
        SignalerMotsEnTrop(3, words, 2);
    } else if (words[2] != mot::kK && words[2] != mot::kM) {
        SignalerMotIgnore(words, 2, "K ou M");
    }
}

// 0 asks for the default count, as AIDE NB says: taken as typed.
void VerifierNombreParticules(const CommandWord* words, int n) {
    const char* t = TexteMot(words, 1);
    int v = 0;
    if (t == nullptr || (Chiffres(t, 4, &v) && (v == 0 || v >= kMinParticles))) return;
    Signaler(Msg::ParticulesHorsBornes, {Cite(t), std::to_string(n)});
}

void VerifierReel(const CommandWord* words, int i, double valeur) {
    const char* a = TexteMot(words, i);
    const char* b = TexteMot(words, i + 1);
    if (a == nullptr || b == nullptr || (PartieEntiere(a) && Fraction(b))) return;
    const std::string tape = std::string(a) + "." + b;
    const bool tropDeChiffres = PartieEntiere(a) && Chiffres(b, SIZE_MAX);
    Signaler(tropDeChiffres ? Msg::TropDeChiffres : Msg::PasUnReel, {tape, NomCommande(words), Reel(valeur)});
}

void SignalerFormeReelle(int count, const CommandWord* words, const std::string& effet, const std::string& exemple) {
    Signaler(Msg::FormeReelle, {LigneTapee(count, words), effet, exemple});
}

// The example keeps the typed digits when they are a whole number: "K 2.0".
void SignalerValeurSansFraction(const CommandWord* words) {
    const char* t = TexteMot(words, 1);
    if (t == nullptr || *t == '\0') return;
    const char* chiffres = t[0] == '-' ? t + 1 : t;
    const bool entier = Chiffres(chiffres, SIZE_MAX);
    SignalerFormeReelle(2, words, "affiche la valeur sans la modifier",
                        LigneTapee(1, words) + (entier ? std::string(" ") + t + ".0" : " 1.5"));
}

void SignalerMotIgnore(const CommandWord* words, int i, const char* attendus) {
    const char* t = TexteMot(words, i);
    if (t == nullptr || *t == '\0') return;
    Signaler(Msg::MotNonCompris, {Cite(t), NomCommande(words), attendus, "il est ignoré"});
}

void SignalerSansEffet(const CommandWord* words, int i, const char* attendus, const char* suite) {
    const char* t = TexteMot(words, i);
    if (t == nullptr) return;
    Signaler(Msg::MotNonCompris, {Cite(t), NomCommande(words), attendus, suite});
}

bool LireMarcheArret(const CommandWord* words, int i, bool* marche) {
    if (words[i] == mot::kOn || words[i] == mot::kOff) {
        *marche = words[i] == mot::kOn;
        return true;
    }
    SignalerSansEffet(words, i, "ON ou OFF", "la commande ne fait rien");
    return false;
}

void SignalerMotsEnTrop(int count, const CommandWord* words, int premier) {
    for (int i = premier; i < count; ++i) {
        const char* t = TexteMot(words, i);
        if (t != nullptr && *t != '\0') Signaler(Msg::MotEnTrop, {Cite(t), NomCommande(words)});
    }
}

void SignalerParametreManquant(const CommandWord* words, const char* attendus) {
    if (TexteMot(words, 0) == nullptr) return;
    Signaler(Msg::ParametreManquant, {NomCommande(words), attendus});
}

void SignalerLigneTropLongue(int max) { Signaler(Msg::LigneTropLongue, {std::to_string(max)}); }

void SignalerNomTropLong(int max) { Signaler(Msg::NomTropLong, {std::to_string(max)}); }
