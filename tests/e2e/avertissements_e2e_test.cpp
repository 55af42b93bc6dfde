// Input not taken as typed: one French warning line on stderr per case, while
// stdout says what it always said. Glued multipliers, over-long lines and
// over-long file names.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

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
              kAtt + "\"100\" n'est pas compris, NB attend ici CONSERV ; il est ignoré.\n" +
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
    const e2e::Result r = Lancer("relax\nrelax 5\nrelax 1k\nrelax 2 k\nrelax 5 \nnb 20\nnb 0\nnb 30 conserv\n"
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

namespace {

// The lines typed after a command word, and the warnings they give, the
// command's name in capitals where "@" stands.
struct Forme {
    std::string ligne;
    std::string avertissements;
};

std::string AvecNom(std::string texte, const std::string& nom) {
    for (size_t at = texte.find('@'); at != std::string::npos; at = texte.find('@', at + nom.size())) {
        texte.replace(at, 1, nom);
    }
    return texte;
}

// Every way a value can be typed after a command that takes one.
const std::vector<Forme> kReel = {
    {" 6", "\"@ 6\" affiche la valeur sans la modifier : un nombre se tape sous la forme a.b, par exemple @ 6.0."},
    {" 1.5", ""},
    {" 1.5e3", "\"1.5e3\" n'est pas un nombre de la forme a.b, @ prend la valeur 1.5"},
    {" 1.123456", "plus de 4 chiffres après le point dans \"1.123456\", @ prend la valeur 1."},
    {" x", "\"@ X\" affiche la valeur sans la modifier : un nombre se tape sous la forme a.b, par exemple @ 1.5."},
    {" -", "\"@ -\" affiche la valeur sans la modifier : un nombre se tape sous la forme a.b, par exemple @ 1.5."},
    {" 1.5 x", "\"x\" est en trop, @ l'ignore."},
    {" ", ""},
};

const std::vector<Forme> kCompte = {
    {" 6", ""},
    {" 1.5", "\"5\" n'est pas compris, @ attend ici K ou M ; il est ignoré."},
    {" 5 x", "\"x\" n'est pas compris, @ attend ici K ou M ; il est ignoré."},
    {" 1k x", "\"x\" est en trop, @ l'ignore."},
    {" 1 k x", "\"x\" est en trop, @ l'ignore."},
    {" 5 ", ""},
};

const std::vector<Forme> kSansParametre = {{" x", "\"x\" est en trop, @ l'ignore."}, {" ", ""}};

std::vector<Forme> Plus(std::vector<Forme> a, const std::vector<Forme>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The commands of AIDE's list, in lower case.
std::vector<std::string> CommandesDeLAide() {
    e2e::Session s;
    const std::string liste = e2e::ApresDemarrage(s.run("aide\nquitter\n").out);
    std::vector<std::string> commandes;
    for (size_t debut = liste.find("\n\n") + 2; liste.compare(debut, 1, "\n") != 0;) {
        std::string mot = liste.substr(debut, liste.find(' ', debut) - debut);
        for (char& c : mot) c = static_cast<char>(c - 'A' + 'a');
        commandes.push_back(mot == "enregister" ? "enregistrer" : mot);  // the list's own spelling
        debut = liste.find('\n', debut) + 1;
    }
    return commandes;
}

}  // namespace

// One table over every command and every form of value it may be given: what
// a command does not take as typed gets its line on standard error, and only
// that; standard output never carries a warning.
TEST(Avertissements, EveryCommandAndEveryValueForm) {
    const std::string kIgnore = " n'est pas compris, @ attend ici ";
    std::map<std::string, std::vector<Forme>> table = {
        {"quitter", {{" x", "\"x\" est en trop, @ l'ignore."}}},
        {"aide", {{" k x", "\"x\" est en trop, @ l'ignore."}}},
        {"info", {{" foo", "\"foo\"" + kIgnore + "POS ; il est ignoré."}, {" pos x", "\"x\" est en trop, @ l'ignore."},
                  {" ", ""}}},
        {"nb", {{" 1.5", "\"1\" n'est pas un nombre entre 3 et 9999, NB met 400 particules.\n"
                         "\"5\"" + kIgnore + "CONSERV ; il est ignoré."},
                {" 20 foo", "\"foo\"" + kIgnore + "CONSERV ; il est ignoré."},
                {" 20 conserv x", "\"x\" est en trop, @ l'ignore."}, {" 20 ", ""}}},
        {"ajouter", {{" faces x", "\"x\" est en trop, @ l'ignore."}}},
        {"k", kReel}, {"p", kReel}, {"r", kReel}, {"l", kReel},
        {"s", Plus(kReel, {{" -1.5", ""}, {" 0.0", ""}, {" -2.0 x", "\"x\" est en trop, @ l'ignore."}})},
        {"champ", {{" 6 0 0", "\"@ 6 0 0\" affiche le champ sans le modifier : un nombre se tape sous la forme a.b, "
                              "par exemple CHAMP 1.0 0.0 0.0."},
                   {" 1.5 0.0 0.0", ""},
                   {" 1.5e3 0.0 0.0", "\"1.5e3\" n'est pas un nombre de la forme a.b, @ prend la valeur 1.5"},
                   {" 1.0 0.0 0.0 x", "\"x\" est en trop, @ l'ignore."}}},
        {"graph", {{" yes", "\"yes\"" + kIgnore + "ON ou OFF ; la commande ne fait rien."},
                   {" off x", "\"x\" est en trop, @ l'ignore."},
                   {" ", "un mot vide" + kIgnore + "ON ou OFF ; la commande ne fait rien."}}},
        {"placer", {{" foo", "\"foo\"" + kIgnore + "ALEA ou SPIRALE ; rien n'est placé."},
                    {" alea x", "\"x\" est en trop, @ l'ignore."},
                    {" spirale 6", "\"@ SPIRALE 6\" place les particules avec le pas 3.6 : un nombre se tape sous la "
                                   "forme a.b, par exemple PLACER SPIRALE 2.0."},
                    {" spirale 1.5e3", "\"1.5e3\" n'est pas un nombre de la forme a.b, @ prend la valeur 1.5"},
                    {" spirale 2.5 x", "\"x\" est en trop, @ l'ignore."},
                    {" ", "un mot vide" + kIgnore + "ALEA ou SPIRALE ; rien n'est placé."}}},
        {"charger", {{"", "@ attend EP, DIST ou FICHIER ; la commande ne fait rien."},
                     {" ep x", "\"x\" est en trop, @ l'ignore."}}},
        {"enregistrer", {{" x\npos.txt", "\"x\" est en trop, @ l'ignore."}}},
        {"image", {{" 800 x", "\"x\" est en trop, @ l'ignore."}, {" abc", ""}, {" ", ""}}},
        {"enveloppe", kSansParametre}, {"supprimer", kSansParametre},
        {"defauts", kSansParametre},
        {"symetrie", {{" 0.001 x", "\"x\" est en trop, @ l'ignore."}, {" abc", ""}, {" 0.0", ""}, {" ", ""}}},
        {"liste", {{" foo", "\"foo\"" + kIgnore + "TOUT ; il est ignoré."}, {" tout x", "\"x\" est en trop, @ l'ignore."}}},
        {"mode", {{" lignes maybe", "\"maybe\"" + kIgnore + "ON ou OFF ; la commande ne fait rien."},
                  {" lignes ", "un mot vide" + kIgnore + "ON ou OFF ; la commande ne fait rien."},
                  {" info on x", "\"x\" est en trop, @ l'ignore."}}},
        {"marquer", {{" foo", "\"foo\"" + kIgnore + "ON ou OFF ; la commande ne fait rien."},
                     {" on x", "\"x\" est en trop, @ l'ignore."},
                     {" ", "un mot vide" + kIgnore + "ON ou OFF ; la commande ne fait rien."}}},
        {"desinstaller", {{" x", "\"x\" est en trop, @ l'ignore."}}},
        {"minimiser", Plus(kCompte, {{" ", ""}})},
        {"explorer", Plus(kCompte, {{" ", ""}})},
        {"tammes", Plus(kCompte, {{" ", ""}})},
        {"graine", {{" 12.5", "\"5\" est en trop, @ l'ignore."}, {" 7 ", ""}}},
        {"exporter", {{" x\nc.json", "\"x\" est en trop, @ l'ignore."}}},
        {"trace", {{" foo", "\"foo\"" + kIgnore + "ON ou OFF ; la commande ne fait rien."},
                   {" on x\nt.csv", "\"x\" est en trop, @ l'ignore."}, {" off ", ""}, {" ", ""}}},
    };
    table["minima"] = {{" 3 x", "\"x\" est en trop, @ l'ignore."},
                       {" charger 2 x", "\"x\" est en trop, @ l'ignore."},
                       {" charger 1", ""},
                       {" ", ""}};
    for (const char* c : {"relax", "local", "locale", "faces", "aretes", "montecarlo", "eloigne", "approche"}) {
        table[c] = Plus(kCompte, {{" x", "\"x\" n'est pas un nombre entre 1 et 9999, @ effectue 1 itération."}});
    }
    const std::vector<std::string> commandes = CommandesDeLAide();
    EXPECT_EQ(commandes.size(), table.size()) << "a command without its row here, or a row for none";
    for (const std::string& c : commandes) {
        const auto cas = table.find(c);
        if (cas == table.end()) {
            ADD_FAILURE() << c << ": every command has its forms in this table";
            continue;
        }
        std::string nom = c;
        for (char& l : nom) l = static_cast<char>(l - 'a' + 'A');
        std::string lignes = "mode info off\nnb 3\n";  // the fewest particles: the warnings are checked, not the work
        std::string attendu;
        for (const Forme& f : cas->second) {
            lignes += c + f.ligne + "\n";
            if (f.avertissements.empty()) continue;
            std::string texte = AvecNom(f.avertissements, nom);
            for (size_t at = 0; at != std::string::npos; at = texte.find('\n', at)) {
                if (at > 0) ++at;
                attendu += kAtt + texte.substr(at, texte.find('\n', at) - at) + "\n";
            }
        }
        e2e::Session s;
        s.setArgs({"--sans-base"});  // DESINSTALLER deletes nothing
        const e2e::Result r = s.run(lignes + "quitter\n");
        EXPECT_EQ(r.err, attendu) << c;
        EXPECT_EQ(r.out.find("Attention"), std::string::npos) << c;
    }
}

// Blanks left after our own commands, as editors and scripts leave them, are
// not a parameter.
TEST(Avertissements, TrailingBlanksAfterTheNewCommandsChangeNothing) {
    const e2e::Result r = Lancer("nb 12\nminimiser \nexplorer \ntammes \ns \ndefauts \nminimiser 3 \ns 2.0 \ns \n");
    EXPECT_EQ(r.err, "");
    const std::string out = e2e::ApresDemarrage(r.out);
    EXPECT_EQ(out.find("Paramètre non valide"), std::string::npos) << out;
    EXPECT_EQ(e2e::Compter(out, "Temps de calcul (ms) : "), 4) << out;
    EXPECT_NE(out.find("Sauts : 100, "), std::string::npos) << out;
    EXPECT_NE(out.find("L'exposant de l'énergie de Riesz est : 1.\n"), std::string::npos) << out;
    EXPECT_NE(out.find("L'exposant de l'énergie de Riesz est : 2.\n"), std::string::npos) << out;
    EXPECT_NE(out.find("Charge topologique : 12\n"), std::string::npos) << out;
}
