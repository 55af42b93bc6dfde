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

bool Fraction(const char* t) { return t[0] == '\0' || Chiffres(t, 4); }

std::string Cite(const std::string& mot) { return mot.empty() ? "un mot vide" : "\"" + mot + "\""; }

// Only 'a'..'z': the typed words are Windows-1252, whatever the locale.
std::string Majuscules(std::string s) {
    for (char& c : s) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    return s;
}

std::string NomCommande(const Ligne& ligne) {
    return Majuscules(ligne.commande != nullptr ? ligne.commande->mot : "");
}

// Word i, when not empty: the command does not read it.
void SignalerMotEnTrop(const Ligne& ligne, int i) {
    if (!ligne.texte(i).empty()) Signaler(Msg::MotEnTrop, {Cite(ligne.texte(i)), NomCommande(ligne)});
}

std::string Reel(double v) {
    char texte[ternex_text::kDoubleTextSize];
    return std::string(texte, ternex_text::format_double(v, console.get_precision(), texte));
}

}  // namespace

// The whole part of a.b as LireEntier reads it in full: at most four
// characters, an optional '-' and digits (none is 0).
bool PartieEntiere(const char* t) {
    const char* chiffres = t[0] == '-' ? t + 1 : t;
    size_t n = 0;
    while (std::isdigit(static_cast<unsigned char>(chiffres[n]))) ++n;
    return chiffres[n] == '\0' && (chiffres - t) + n <= 4;
}

std::string LigneTapee(const Ligne& ligne, int mots) {
    std::string tape = NomCommande(ligne);
    for (int i = 1; i < mots && i < ligne.count; ++i) tape += " " + ligne.texte(i);
    return Majuscules(tape);
}

void VerifierIterations(const Ligne& ligne, long long n) {
    const std::string& t = ligne.texte(1);
    int v = 0;
    long long facteur = 0;
    const bool colle = LireMultiplicateurColle(t.c_str(), &v, &facteur);
    if (!((colle || Chiffres(t.c_str(), 4, &v)) && v >= 1)) {
        Signaler(Msg::IterationsHorsBornes,
                 {Cite(t), NomCommande(ligne), std::to_string(n) + (n > 1 ? " itérations" : " itération")});
    }
    if (ligne.count < 3) return;
    if (colle) {
        SignalerMotEnTrop(ligne, 2);
    } else if (ligne[2] != mot::kK && ligne[2] != mot::kM) {
        SignalerMotIgnore(ligne, 2, "K ou M");
    }
}

// 0 asks for the default count, as AIDE NB says: taken as typed.
void VerifierNombreParticules(const Ligne& ligne, int n) {
    const std::string& t = ligne.texte(1);
    int v = 0;
    if (Chiffres(t.c_str(), 4, &v) && (v == 0 || v >= kMinParticles)) return;
    Signaler(Msg::ParticulesHorsBornes, {Cite(t), std::to_string(n)});
}

void VerifierReel(const Ligne& ligne, int i, double valeur) {
    const char* a = ligne.texte(i).c_str();
    const char* b = ligne.texte(i + 1).c_str();
    if (PartieEntiere(a) && Fraction(b)) return;
    const std::string tape = std::string(a) + "." + b;
    const bool tropDeChiffres = PartieEntiere(a) && Chiffres(b, SIZE_MAX);
    Signaler(tropDeChiffres ? Msg::TropDeChiffres : Msg::PasUnReel, {tape, NomCommande(ligne), Reel(valeur)});
}

void SignalerFormeReelle(const Ligne& ligne, int mots, const std::string& effet, const std::string& exemple) {
    Signaler(Msg::FormeReelle, {LigneTapee(ligne, mots), effet, exemple});
}

// The example keeps the typed digits when they are a whole number: "K 2.0".
void SignalerValeurSansFraction(const Ligne& ligne) {
    const std::string& t = ligne.texte(1);
    if (t.empty()) return;
    const char* chiffres = t[0] == '-' ? t.c_str() + 1 : t.c_str();
    const bool entier = Chiffres(chiffres, SIZE_MAX);
    SignalerFormeReelle(ligne, 2, "affiche la valeur sans la modifier",
                        LigneTapee(ligne, 1) + (entier ? " " + t + ".0" : " 1.5"));
}

void SignalerMotIgnore(const Ligne& ligne, int i, const char* attendus) {
    const std::string& t = ligne.texte(i);
    if (i >= ligne.count || t.empty()) return;
    Signaler(Msg::MotNonCompris, {Cite(t), NomCommande(ligne), attendus, "il est ignoré"});
}

void SignalerSansEffet(const Ligne& ligne, int i, const char* attendus, const char* suite) {
    if (i >= ligne.count) return;
    Signaler(Msg::MotNonCompris, {Cite(ligne.texte(i)), NomCommande(ligne), attendus, suite});
}

bool LireMarcheArret(const Ligne& ligne, int i, bool* marche) {
    if (ligne[i] == mot::kOn || ligne[i] == mot::kOff) {
        *marche = ligne[i] == mot::kOn;
        return true;
    }
    SignalerSansEffet(ligne, i, "ON ou OFF", "la commande ne fait rien");
    return false;
}

void SignalerMotsEnTrop(const Ligne& ligne, int premier) {
    for (int i = premier; i < ligne.count; ++i) SignalerMotEnTrop(ligne, i);
}

void SignalerParametreManquant(const Ligne& ligne, const char* attendus) {
    Signaler(Msg::ParametreManquant, {NomCommande(ligne), attendus});
}

void SignalerLigneTropLongue(int max) { Signaler(Msg::LigneTropLongue, {std::to_string(max)}); }

void SignalerNomTropLong(int max) { Signaler(Msg::NomTropLong, {std::to_string(max)}); }
