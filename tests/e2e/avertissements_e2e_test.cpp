// Input not taken as typed: one French warning line on stderr per case, while
// stdout says what it always said. Glued multipliers, over-long lines and
// over-long file names.
#include <gtest/gtest.h>

#include <string>

#include "e2e/harness.h"

namespace {

const std::string kAtt = "Attention : ";

e2e::Result Lancer(const std::string& lignes) {
    e2e::Session s;
    const e2e::Result r = s.run("mode info off\n" + lignes + "quitter\n");
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    return r;
}

}  // namespace

TEST(Avertissements, CountsOutsideTheirRangeOrNotNumbers) {
    const e2e::Result r = Lancer("relax 10000\nrelax x\nrelax 0\nrelax -5\nrelax 12345k\n"
                                 "nb abc\nnb 10000\nnb 2\nnb  100\nnb -20\nnb\n");
    EXPECT_EQ(r.err,
              kAtt + "\"10000\" n'est pas un nombre entre 1 et 9999, RELAX effectue 1 itération.\n" +
              kAtt + "\"x\" n'est pas un nombre entre 1 et 9999, RELAX effectue 1 itération.\n" +
              kAtt + "\"0\" n'est pas un nombre entre 1 et 9999, RELAX effectue 1 itération.\n" +
              kAtt + "\"-5\" n'est pas un nombre entre 1 et 9999, RELAX effectue 5 itérations.\n" +
              kAtt + "\"12345k\" n'est pas un nombre entre 1 et 9999, RELAX effectue 1 itération.\n" +
              kAtt + "\"abc\" n'est pas un nombre entre 3 et 9999, NB met 400 particules.\n" +
              kAtt + "\"10000\" n'est pas un nombre entre 3 et 9999, NB met 400 particules.\n" +
              kAtt + "\"2\" n'est pas un nombre entre 3 et 9999, NB met 400 particules.\n" +
              kAtt + "un mot vide n'est pas un nombre entre 3 et 9999, NB met 400 particules.\n" +
              kAtt + "\"-20\" n'est pas un nombre entre 3 et 9999, NB met 20 particules.\n");
    // Standard output as ever: five times, and nothing else.
    EXPECT_EQ(e2e::Compter(r.out, "Temps de calcul (ms) : "), 5);
    EXPECT_NE(r.out.find("Le nombre actuel de particules est : 20\n"), std::string::npos);
    EXPECT_EQ(r.out.find("Attention"), std::string::npos);
}

TEST(Avertissements, RealsAndTheFormAB) {
    const e2e::Result r = Lancer("k 2\nk 1.123456\nk\np 0.00005\np\nk x.5\nk\n"
                                 "champ 1 0 0\nchamp 1.0 0.0 0.00001\nchamp\nplacer spirale 2\n");
    EXPECT_EQ(r.err,
              kAtt + "\"K 2\" affiche la valeur sans la modifier : un nombre se tape sous la forme a.b, "
                     "par exemple K 2.0.\n" +
              kAtt + "plus de 4 chiffres après le point dans \"1.123456\", K prend la valeur 1.\n" +
              kAtt + "plus de 4 chiffres après le point dans \"0.00005\", P prend la valeur 0.005\n" +
              kAtt + "\"x.5\" n'est pas un nombre de la forme a.b, K prend la valeur 0.5\n" +
              kAtt + "\"CHAMP 1 0 0\" affiche le champ sans le modifier : un nombre se tape sous la forme a.b, "
                     "par exemple CHAMP 1.0 0.0 0.0.\n" +
              kAtt + "plus de 4 chiffres après le point dans \"0.00001\", CHAMP prend la valeur 0.\n" +
              kAtt + "\"PLACER SPIRALE 2\" place les particules avec le pas 3.6 : un nombre se tape sous la "
                     "forme a.b, par exemple PLACER SPIRALE 2.0.\n");
    const std::string k = "La constante de normalisation de la force est : ";
    const std::string p = "Le pourcentage de déplacement des particules est : ";
    EXPECT_EQ(e2e::ApresDemarrage(r.out),
              "> " + k + "1.\n> > " + k + "1.\n> > " + p + "0.005\n> > " + k + "0.5\n> " +
              "Le vecteur champ magnétique ambiant actuel est :\n" + e2e::LigneVecteur("0.", "0.", "0.") + "> > " +
              "Le vecteur champ magnétique ambiant actuel est :\n" + e2e::LigneVecteur("1.", "0.", "0.") + "> > ");
}

// What is typed as it should be gives no warning; "5k" is "5 k".
TEST(Avertissements, NoneForInputTakenAsTyped) {
    const e2e::Result r = Lancer("relax\nrelax 5\nrelax 1k\nrelax 2 k\nrelax 5 x\nnb 20\nnb 0\nnb 30 conserv\n"
                                 "k 2.0\nk -0.5\nk .5\nk 2,5\np 0.0\nr 0.25\nl -1.0\nk \n"
                                 "champ 1.0 0.0 -0.5\nplacer spirale 2.5\nplacer spirale\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(e2e::Compter(r.out, "Temps de calcul (ms) : "), 5);
}

// The rest of an over-long line used to run as further commands.
TEST(Avertissements, OverLongLinesAreRefusedWhole) {
    const std::string champ = "champ 1.0 0.0 0.0" + std::string(240, ' ') + "nb 9\n";
    const e2e::Result r = Lancer(champ + "nb\nchamp\n" + std::string(255, 'z') + "\n");
    EXPECT_EQ(r.err, kAtt + "ligne de plus de 255 caractères refusée, rien n'a été exécuté.\n");
    EXPECT_EQ(e2e::ApresDemarrage(r.out),
              "> > Le nombre actuel de particules est : 400\n> Le vecteur champ magnétique ambiant actuel est :\n" +
                  e2e::LigneVecteur("0.", "0.", "0.") + "> Commande inconnue.\n> ");
}

TEST(Avertissements, OverLongFileNamesAreRefusedAndTheRestDoesNotRun) {
    e2e::Session s;
    const e2e::Result r = s.run("enregistrer\n" + std::string(255, 'x') + "desinstaller\nquitter\n");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, kAtt + "nom de fichier de plus de 255 caractères refusé.\n");
    EXPECT_EQ(e2e::ApresDemarrage(r.out),
              "Tapez le nom du fichier à enregistrer. Si celui-ci existe déjà, il sera supprimer.\n"
              "Erreur : le nom de fichier n'est pas valide.\n> ");
    EXPECT_TRUE(std::filesystem::exists(s.dbPath()));
}
