// The help table: every documented topic is reachable by its command word,
// and nothing else is.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "shell/aide_textes.h"

namespace {

const char* const kAvecSujet[] = {"quitter", "aide", "info", "nb", "k", "p", "champ", "graph", "placer",
                                  "relax", "charger", "enregistrer", "eloigne", "approche", "image",
                                  "liste", "mode", "montecarlo", "minimiser", "explorer", "s", "tammes",
                                  "defauts"};

const char* const kSansSujet[] = {"enregister", "ajouter", "local", "locale", "enveloppe", "supprimer",
                                  "r", "l", "faces", "aretes", "marquer", "desinstaller", "", "xyz"};

}  // namespace

TEST(AideTextes, EveryDocumentedCommandHasItsTopic) {
    for (const char* nom : kAvecSujet) {
        const SujetAide* sujet = TrouverSujetAide(Plier(nom));
        ASSERT_NE(sujet, nullptr) << nom;
        std::string attendu = nom;
        for (char& c : attendu) c = static_cast<char>(c - 'a' + 'A');
        EXPECT_EQ(attendu, sujet->nom);
        if (attendu == "MONTECARLO") {
            EXPECT_TRUE(sujet->morceaux.empty());
        } else {
            ASSERT_FALSE(sujet->morceaux.empty()) << nom;
            // Every topic opens with the sentence naming its command.
            ASSERT_EQ(sujet->morceaux[0].genre, MorceauAide::Genre::Texte);
            EXPECT_EQ(std::string(sujet->morceaux[0].texte).rfind("La commande " + attendu + " ", 0), 0u) << nom;
        }
    }
    EXPECT_EQ(SujetsAide().size(), std::size(kAvecSujet));
}

TEST(AideTextes, OtherWordsHaveNoTopic) {
    for (const char* nom : kSansSujet) EXPECT_EQ(TrouverSujetAide(Plier(nom)), nullptr) << nom;
}

TEST(AideTextes, TopicCodesAreDistinctAndPiecesComplete) {
    std::set<CommandWord> codes;
    for (const SujetAide& sujet : SujetsAide()) {
        EXPECT_TRUE(codes.insert(sujet.mot).second) << sujet.nom;
        for (const MorceauAide& m : sujet.morceaux) {
            if (m.genre == MorceauAide::Genre::Texte) {
                EXPECT_NE(m.texte, nullptr) << sujet.nom;
            }
        }
    }
    for (const MorceauAide& m : ListeAide()) {
        if (m.genre == MorceauAide::Genre::Texte) {
            ASSERT_NE(m.texte, nullptr);
        }
    }
}

TEST(AideTextes, TheListNamesEveryTopicButEnregistrerUnderItsListedSpelling) {
    std::string liste;
    for (const MorceauAide& m : ListeAide()) {
        if (m.genre == MorceauAide::Genre::Texte) liste += m.texte;
        if (m.genre == MorceauAide::Genre::Caractere) liste += m.caractere;
    }
    for (const SujetAide& sujet : SujetsAide()) {
        const std::string nom = sujet.nom;
        const std::string cherche = nom == "ENREGISTRER" ? "\nENREGISTER " : "\n" + nom + " ";
        EXPECT_NE(liste.find(cherche), std::string::npos) << nom;
    }
}
