// What the prompt offers and shows: completion from the command table, the
// history's place, the progress text.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "shell/completion.h"
#include "shell/edition.h"
#include "shell/progression.h"
#include "shell/table_commandes.h"
#include "ternex/ternex.h"

namespace {

using Mots = std::vector<std::string>;

Mots Completer(const std::string& avant, size_t* debut = nullptr) {
    size_t d = 999;
    Mots m = CompleterCommande(avant, &d);
    if (debut != nullptr) *debut = d;
    return m;
}

TEST(Completion, CommandWordsInTheCaseTyped) {
    EXPECT_EQ(Completer("rel"), Mots{"relax"});
    EXPECT_EQ(Completer("REL"), Mots{"RELAX"});
    EXPECT_EQ(Completer("loc"), (Mots{"local", "locale"}));
    EXPECT_EQ(Completer("xyz"), Mots{});
    // Every row is offered, those AIDE did not list before too.
    const Mots tous = Completer("");
    EXPECT_EQ(tous.size(), TableCommandes().size());
    for (const char* m : {"r", "l", "faces", "aretes", "marquer", "locale", "quitter"}) {
        EXPECT_NE(std::find(tous.begin(), tous.end(), m), tous.end()) << m;
    }
}

TEST(Completion, ParameterWordsOfTheCommandTyped) {
    size_t debut = 0;
    EXPECT_EQ(Completer("mode l", &debut), Mots{"lignes"});
    EXPECT_EQ(debut, 5u);
    EXPECT_EQ(Completer("mode poly o"), (Mots{"off", "on", "openmp"}));  // the row's words, wherever typed
    EXPECT_EQ(Completer("Charger F"), Mots{"FICHIER"});
    EXPECT_EQ(Completer("placer s"), Mots{"spirale"});
    EXPECT_EQ(Completer("ajouter "), (Mots{"aretes", "faces"}));
    EXPECT_EQ(Completer("nb 20 c"), Mots{"conserv"});
    EXPECT_EQ(Completer("liste t"), Mots{"tout"});
    EXPECT_EQ(Completer("info p"), Mots{"pos"});
    EXPECT_EQ(Completer("graph o"), (Mots{"off", "on"}));
    EXPECT_EQ(Completer("relax 5 "), (Mots{"k", "m"}));
    // Separators of the grammar cut words too.
    EXPECT_EQ(Completer("marquer,o", &debut), (Mots{"off", "on"}));
    EXPECT_EQ(debut, 8u);
    // Nothing after a command that takes no word, an unknown one, or an empty first word.
    EXPECT_EQ(Completer("quitter "), Mots{});
    EXPECT_EQ(Completer("xyz o"), Mots{});
    EXPECT_EQ(Completer(" re"), Mots{});
}

TEST(Historique, XdgStateHomeThenHome) {
    const char* const sauve[] = {std::getenv("XDG_STATE_HOME"), std::getenv("HOME")};
    const std::string etat = sauve[0] != nullptr ? sauve[0] : "", home = sauve[1] != nullptr ? sauve[1] : "";
    setenv("XDG_STATE_HOME", "/srv/etat", 1);
    setenv("HOME", "/home/u", 1);
    EXPECT_EQ(CheminHistorique(), "/srv/etat/glomerix/history");
    setenv("XDG_STATE_HOME", "relatif", 1);  // not absolute: ignored
    EXPECT_EQ(CheminHistorique(), "/home/u/.local/state/glomerix/history");
    unsetenv("XDG_STATE_HOME");
    EXPECT_EQ(CheminHistorique(), "/home/u/.local/state/glomerix/history");
    unsetenv("HOME");
    EXPECT_EQ(CheminHistorique(), "");
    if (sauve[0] != nullptr) setenv("XDG_STATE_HOME", etat.c_str(), 1);
    if (sauve[1] != nullptr) setenv("HOME", home.c_str(), 1);
}

TEST(Progression, StepTimesAndEnergy) {
    console.set_precision(9);  // as at start-up
    // A quarter done in 30 s: 90 s left.
    EXPECT_EQ(Progression::Texte("RELAX", 250, 1000, 30000, nullptr, 0.0),
              "RELAX \xE9tape 250/1000 (25 %), \xE9" "coul\xE9 30 s, reste 1 min 30 s");
    EXPECT_EQ(Progression::Texte("MONTECARLO", 3, 4, 7384000, "\xE9nergie", 1081234.5678),
              "MONTECARLO \xE9tape 3/4 (75 %), \xE9" "coul\xE9 2 h 03 min, reste 41 min 01 s, \xE9nergie 1081234.57");
    // Counts beyond 32 bits, and no estimate before the first step.
    EXPECT_EQ(Progression::Texte("RELAX", 0, 9999000000LL, 1200, nullptr, 0.0),
              "RELAX \xE9tape 0/9999000000 (0 %), \xE9" "coul\xE9 1 s");
}

}  // namespace
