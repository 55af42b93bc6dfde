// The command table: each row is reached by its word as the loop folds a typed
// line, its list line and topic name the command they belong to.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <string>

#include "etat/modes.h"
#include "shell/boucle.h"
#include "shell/table_commandes.h"

namespace {

std::string Majuscules(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

CommandWord PremierMot(const std::string& ligne) { return DecouperLigne(ligne.c_str())[0]; }

}  // namespace

TEST(TableCommandes, EveryRowIsFoundByItsTypedWordInAnyCase) {
    for (const Commande& c : TableCommandes()) {
        EXPECT_EQ(TrouverCommande(PremierMot(c.mot)), &c) << c.mot;
        EXPECT_EQ(TrouverCommande(PremierMot(Majuscules(c.mot) + " 12")), &c) << c.mot;
        EXPECT_EQ(c.executer == nullptr, std::string(c.mot) == "quitter") << c.mot;
    }
    for (const char* inconnu : {"xyz", "relaxe", "enregister", "on", "pos", "m"}) {
        EXPECT_EQ(TrouverCommande(PremierMot(inconnu)), nullptr) << inconnu;
    }
}

// Every command is in AIDE's list and has a topic.
TEST(TableCommandes, ListLinesAndTopicsNameTheirCommand) {
    for (const Commande& c : TableCommandes()) {
        const std::string nom = Majuscules(c.mot);
        ASSERT_NE(c.ligneListe, nullptr) << nom;
        const std::string ligne = c.ligneListe;
        const std::string premier = ligne.substr(0, ligne.find(' '));
        // ENREGISTRER keeps the list's historic spelling.
        EXPECT_EQ(premier, nom == "ENREGISTRER" ? "ENREGISTER" : nom);
        EXPECT_EQ(ligne.back(), '\n') << nom;
        // The description starts at column 11, or after one space for the long words.
        EXPECT_EQ(ligne.find_first_not_of(' ', premier.size()), std::max<size_t>(11, premier.size() + 1)) << nom;
        ASSERT_FALSE(c.sujet.empty()) << nom;
        ASSERT_EQ(c.sujet[0].genre, MorceauAide::Genre::Texte) << nom;
        EXPECT_EQ(std::string(c.sujet[0].texte).rfind("La commande " + nom + " ", 0), 0u) << nom;
        for (const MorceauAide& m : c.sujet) {
            if (m.genre == MorceauAide::Genre::Texte) {
                EXPECT_NE(m.texte, nullptr) << nom;
            }
        }
    }
}

// A switch is one row of kInterrupteurs: MODE's completion offers each of its
// spellings, and AIDE MODE has a line for it.
TEST(TableCommandes, EverySwitchIsCompletedAndHasItsLineInModesHelp) {
    const Commande* mode = TrouverCommande(Plier("mode"));
    ASSERT_NE(mode, nullptr);
    std::string aide;
    for (const MorceauAide& m : mode->sujet) {
        if (m.genre == MorceauAide::Genre::Texte) aide += m.texte;
    }
    const auto offert = [&](const char* mot) {
        return std::any_of(mode->parametres.begin(), mode->parametres.end(),
                           [&](const char* p) { return std::string(p) == mot; });
    };
    for (const Interrupteur& i : kInterrupteurs) {
        EXPECT_TRUE(offert(i.mot)) << i.mot;
        EXPECT_NE(aide.find("\n  " + Majuscules(i.mot) + " "), std::string::npos) << i.mot;
        if (i.autreMot != nullptr) {
            EXPECT_TRUE(offert(i.autreMot)) << i.autreMot;
        }
    }
    EXPECT_TRUE(offert("on") && offert("off"));
}

TEST(TableCommandes, ParameterWordsAreDistinctWithinARowAndNeverEmpty) {
    for (const Commande& c : TableCommandes()) {
        std::set<CommandWord> codes;
        for (const char* p : c.parametres) {
            EXPECT_NE(Plier(p), 0u) << c.mot;
            EXPECT_TRUE(codes.insert(PremierMot(p)).second) << c.mot << " " << p;
        }
    }
}
