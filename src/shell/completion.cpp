#include "shell/completion.h"

#include <algorithm>
#include <cctype>

#include "shell/table_commandes.h"

namespace {

// The separators of DecouperLigne, bar the line ends a typed line cannot hold.
bool Separateur(char c) { return c == ' ' || c == ',' || c == '=' || c == ':' || c == '.'; }

char Minuscule(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

// A word typed in capitals (its first letter one) is completed in capitals.
std::string DansLaCasse(const char* mot, const std::string& tape) {
    std::string s = mot;
    const auto lettre = std::find_if(tape.begin(), tape.end(), [](char c) { return std::isalpha(static_cast<unsigned char>(c)); });
    if (lettre != tape.end() && std::isupper(static_cast<unsigned char>(*lettre))) {
        for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return s;
}

bool Commence(const char* mot, const std::string& tape) {
    size_t i = 0;
    for (; i < tape.size() && mot[i] != '\0'; ++i) {
        if (mot[i] != Minuscule(tape[i])) return false;
    }
    return i == tape.size();
}

}  // namespace

std::vector<std::string> CompleterCommande(const std::string& avant, size_t* debut) {
    size_t d = avant.size();
    while (d > 0 && !Separateur(avant[d - 1])) --d;
    *debut = d;
    const std::string tape = avant.substr(d);
    // The first word starts the line: a leading separator leaves an empty
    // first word, which runs nothing, so nothing is offered after it.
    const size_t finPremier = std::find_if(avant.begin(), avant.end(), Separateur) - avant.begin();
    std::vector<std::string> candidats;
    if (finPremier == avant.size()) {
        for (const Commande& c : TableCommandes()) {
            if (Commence(c.mot, tape)) candidats.push_back(DansLaCasse(c.mot, tape));
        }
    } else if (finPremier > 0) {
        std::string premier = avant.substr(0, finPremier);
        std::transform(premier.begin(), premier.end(), premier.begin(), Minuscule);
        const Commande* commande = TrouverCommande(Plier(premier.c_str()));
        if (commande == nullptr) return candidats;
        for (const char* p : commande->parametres) {
            if (Commence(p, tape)) candidats.push_back(DansLaCasse(p, tape));
        }
    }
    std::sort(candidats.begin(), candidats.end());
    candidats.erase(std::unique(candidats.begin(), candidats.end()), candidats.end());
    return candidats;
}
