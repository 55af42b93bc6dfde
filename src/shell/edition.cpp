#include "shell/edition.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "shell/avertissements.h"
#include "shell/completion.h"
#include "ternex/charset.h"
#include "ternex/ternex.h"

namespace {

constexpr int kLignesHistorique = 1000;

// The history is set up at the first edited line: piped runs never touch it.
// A file that cannot be the history is left as it is, and said so.
void PreparerHistorique() {
    static bool fait = false;
    if (fait || !console.line_editing()) return;
    fait = true;
    using Lecture = ternex_history::load_result;
    const Lecture lecture = console.set_history_file(CheminHistorique(), kLignesHistorique, kLongueurLigne);
    std::string cause;
    if (lecture == Lecture::not_regular) cause = "n'est pas un fichier ordinaire";
    if (lecture == Lecture::too_large)
        cause = "est plus long que " + std::to_string(kLignesHistorique) + " lignes ne peuvent l'être";
    if (lecture == Lecture::unreadable) cause = "n'a pas pu être lu";
    if (!cause.empty())
        console.warn(("Attention : l'historique des commandes " + cause +
                      " ; il n'est ni lu ni modifié pendant cette session.").c_str());
}

}  // namespace

std::string CheminHistorique() {
    const char* etat = std::getenv("XDG_STATE_HOME");
    const char* home = std::getenv("HOME");
    std::string dossier;
    if (etat != nullptr && etat[0] == '/') dossier = etat;
    else if (home != nullptr && home[0] == '/') dossier = std::string(home) + "/.local/state";
    else return {};
    if (dossier.back() != '/') dossier += '/';
    return dossier + "glomerix/history";
}

void LireLigneCommande(const char* invite, char* ligne, bool* fin) {
    PreparerHistorique();
    ternex_line_options options;
    options.prompt = invite;
    options.promptAttribute = 15;
    options.textAttribute = 7;
    options.completer = CompleterCommande;
    options.history = true;
    ternex_line_status etat;
    console.read_command_line(ligne, kLongueurLigne, options, &etat);
    *fin = etat.endOfInput;
    if (etat.tooLong) SignalerLigneTropLongue(kLongueurLigne);
}

// Blanks after the name are not part of it: a script or an editor leaves
// them, and a file "pos.txt " would be a second file beside "pos.txt".
std::string LireNomFichier() {
    PreparerHistorique();
    ternex_line_options options;
    options.completer = ternex_complete_file_name;
    options.spaceAfterWord = false;
    char nom[kLongueurLigne + 1];
    ternex_line_status etat;
    console.read_command_line(nom, kLongueurLigne, options, &etat);
    if (etat.tooLong) SignalerNomTropLong(kLongueurLigne);
    std::string lu = nom;
    lu.erase(lu.find_last_not_of(" \t") + 1);
    return lu;
}

bool Confirmer() {
    if (!console.input_is_terminal()) return true;
    ternex_line_options options;
    options.prompt = "Confirmer (o/N) ? ";
    char reponse[kLongueurLigne + 1];
    console.read_command_line(reponse, kLongueurLigne, options);
    const size_t debut = std::strspn(reponse, " \t");
    std::string mot(reponse + debut, std::strcspn(reponse + debut, " \t"));
    for (char& c : mot) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return mot == "o" || mot == "oui";
}
