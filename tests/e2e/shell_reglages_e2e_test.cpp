// Settings commands: K, P, R, L, CHAMP and MODE, and what survives a run.
#include <gtest/gtest.h>

#include <map>

#include "e2e/harness.h"

namespace {

std::string Commandes(e2e::Session& s, const std::string& input) {
    const e2e::Result r = s.run(input);
    EXPECT_EQ(r.exitCode, 0) << r.out;
    return e2e::ApresDemarrage(r.out);
}

std::string Commandes(const std::string& input) {
    e2e::Session s;
    return Commandes(s, input);
}

std::string Modes(const std::map<std::string, bool>& changes = {}) {
    std::map<std::string, bool> etats = {{"PARTICULES", true}, {"LIGNES", true},  {"POLYGONES", false},
                                         {"INFO", true},       {"OPENMP", false}, {"ENVELOPPE", true},
                                         {"AXES", false},      {"DUAL", false},   {"TAMMES", false},
                                         {"DEFAUTS", false},   {"MINIMA", true}};
    for (const auto& [nom, on] : changes) etats[nom] = on;
    std::string s = "Etats des mode du programme :\n";
    for (const char* nom : {"PARTICULES", "LIGNES", "POLYGONES", "INFO", "OPENMP", "ENVELOPPE", "AXES", "DUAL",
                            "TAMMES", "DEFAUTS", "MINIMA"}) {
        std::string libelle = std::string("  ") + nom;
        libelle.resize(14, ' ');
        s += libelle + (etats[nom] ? "MARCHE\n" : "ARRET\n");
    }
    return s;
}

const std::string kK = "La constante de normalisation de la force est : ";
const std::string kP = "Le pourcentage de déplacement des particules est : ";
const std::string kR = "La résistance des cordes est : ";
const std::string kL = "La longueur des ressorts est : ";
const std::string kChamp = "Le vecteur champ magnétique ambiant actuel est :\n";
const std::string kModeInvalide =
    "Ceci n'est pas un mode valide pour le programme. Appeler MODE sans arguments pour connaitre "
    "la liste des modes disponibles.\n";

}  // namespace

TEST(Reglages, ConstantsShowTheirDefaults) {
    EXPECT_EQ(Commandes("k\np\nr\nl\n"),
              kK + "1.\n> " + kP + "0.005\n> " + kR + "0.1\n> " + kL + "0.\n> ");
}

TEST(Reglages, KNeedsTheFractionWord) {
    EXPECT_EQ(Commandes("k 2\nk 2.0\nk\nk -0.5\nk\nk 0.0\nk\n"),
              kK + "1.\n> > " + kK + "2.\n> > " + kK + "-0.5\n> > " + kK + "1.\n> ");
    EXPECT_EQ(Commandes("k 2,5\nk\nk 3 25\nk\nk 1=05\nk\nk 2.abc\nk\n"),
              "> " + kK + "2.5\n> > " + kK + "3.25\n> > " + kK + "1.05\n> > " + kK + "2.\n> ");
}

TEST(Reglages, ZeroOrNegativeRestoreTheDefaultByTheTable) {
    EXPECT_EQ(Commandes("p 0.25\np\np 0.0\np\np x.y\np\n"),
              "> " + kP + "0.25\n> > " + kP + "0.005\n> > " + kP + "0.005\n> ");
    EXPECT_EQ(Commandes("r -0.5\nr\nr 0.0\nr\n"), "> " + kR + "-0.5\n> > " + kR + "0.1\n> ");
    EXPECT_EQ(Commandes("l 0.5\nl\nl 0.0\nl\nl 0.5\nl -1.0\nl\n"),
              "> " + kL + "0.5\n> > " + kL + "0.\n> > > " + kL + "0.\n> ");
}

TEST(Reglages, ChampShowsAndSetsTheField) {
    EXPECT_EQ(Commandes("champ\n"), kChamp + e2e::LigneVecteur("0.", "0.", "0.") + "> ");
    EXPECT_EQ(Commandes("champ 1.0 0.0 0.0\nchamp\nchamp 1 0 0\n"),
              "> " + kChamp + e2e::LigneVecteur("1.", "0.", "0.") + "> " + kChamp + e2e::LigneVecteur("1.", "0.", "0.") + "> ");
    EXPECT_EQ(Commandes("champ -1.5 2.25 0.125\nchamp\n"),
              "> " + kChamp + e2e::LigneVecteur("-1.5", "2.25", "0.125") + "> ");
}

TEST(Reglages, ModeListsAndSets) {
    EXPECT_EQ(Commandes("mode\n"), Modes() + "> ");
    EXPECT_EQ(Commandes("mode poly\nmode billes off\nmode axes on\nmode info off\nmode\n"),
              "> > > > " + Modes({{"POLYGONES", true}, {"PARTICULES", false}, {"AXES", true}, {"INFO", false}}) +
                  "> ");
    EXPECT_EQ(Commandes("mode polygones on\nmode poly off\nmode lignes maybe\nmode dual\nmode\n"),
              "> > > > " + Modes({{"DUAL", true}}) + "> ");
    EXPECT_EQ(Commandes("mode tammes\nmode\nmode tammes off\nmode\n"),
              "> " + Modes({{"TAMMES", true}}) + "> > " + Modes() + "> ");
    EXPECT_EQ(Commandes("mode foo\nmode foo on\nmode foo maybe\nmode  on\n"),
              kModeInvalide + "> " + kModeInvalide + "> > " + kModeInvalide + "> ");
}

TEST(Reglages, ModesSurviveARunConstantsDoNot) {
    e2e::Session s;
    Commandes(s, "mode poly on\nmode lignes off\nmode enveloppe off\nmode tammes on\nk 2.0\np 0.5\nr 0.5\nl 0.5\n"
                 "champ 1.0 1.0 1.0\nquitter\n");
    EXPECT_EQ(Commandes(s, "mode\nk\np\nr\nl\nchamp\n"),
              Modes({{"POLYGONES", true}, {"LIGNES", false}, {"ENVELOPPE", false}, {"TAMMES", true}}) + "> " + kK +
                  "1.\n> " + kP + "0.005\n> " + kR + "0.1\n> " + kL + "0.\n> " + kChamp +
                  e2e::LigneVecteur("0.", "0.", "0.") + "> ");
    // End of input saves them as QUITTER does.
    Commandes(s, "mode lignes on\nmode tammes off\n");
    EXPECT_EQ(Commandes(s, "mode\n"), Modes({{"POLYGONES", true}, {"ENVELOPPE", false}}) + "> ");
}
