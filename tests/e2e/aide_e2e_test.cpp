// AIDE through the program: the list, topics with spliced numbers, the empty
// topic and the no-topic message, byte for byte as the terminal receives them.
// The rows added to the command table since the first list are read from it.
#include <gtest/gtest.h>

#include <string>

#include "e2e/harness.h"
#include "shell/table_commandes.h"

namespace {

// What one command line writes: the output between its prompt and the next.
std::string Sortie(const std::string& ligne) {
    e2e::Session s;
    const e2e::Result r = s.run(ligne + "\nquitter\n");
    EXPECT_EQ(r.exitCode, 0);
    const std::string apres = e2e::ApresDemarrage(r.out);
    return apres.substr(0, apres.find("> "));
}

const char* const kAucune =
    "Commande inconnue ou aucune aide détaillé n'est disponible pour cette commande.\n\n";

}  // namespace

// The list as it stands up to DESINSTALLER, byte for byte; the rows after it
// are the table's own lines.
TEST(Aide, WithoutParameterWritesTheList) {
    std::string ajoutees;
    bool apres = false;
    for (const Commande& c : TableCommandes()) {
        if (apres) ajoutees += e2e::Utf8(c.ligneListe);
        apres = apres || std::string(c.mot) == "desinstaller";
    }
    const std::string historique = R"T(QUITTER    Ferme le logiciel.
AIDE       Affiche cette page d'aide.
INFO       Affiche des informations sur la position des particules.
NB         Affiche ou modifie le nombre de particules.
AJOUTER    Ajoute des particules sur l'enveloppe convexe.
K          Affiche ou modifie la constante de normalisation de la force.
P          Affiche ou modifie le pourcentage d'éloignement ou de raprochement.
R          Affiche ou modifie la résistance des cordes.
L          Affiche ou modifie la longueur des ressorts.
CHAMP      Affiche ou modifie le champ magnétique ambiant.
GRAPH      Affiche ou masque la fenêtre graphique.
PLACER     Place les particules sur la sphère aléatoirement ou en spirale.
RELAX      Modifie la position des particules en appliquant un modèle physique.
LOCAL      Pareil que RELAX, mais ne tient compte que des particules voisines.
LOCALE     Autre nom de la commande LOCAL.
FACES      Modifie la position des particules avec des cordes sur les faces.
ARETES     Modifie la position des particules avec des ressorts sur les arêtes.
CHARGER    Charge une des meilleures positions connues.
ENREGISTER Sauvegarde la position des particules dans un fichier.
MONTECARLO Modifie la position des particules suivant une "loi" de MonteCarlo.
ELOIGNE    Eloigne les particules qui sont le plus proche.
APPROCHE   Approche les particules qui sont le plus loin.
IMAGE      Enregistre un bitmap de l'image affiché par le graph.
LISTE      Affiche les données contenues dans la base de données.
MODE       Modifie ou affiche les paramètres de fonctionnement du programme.
ENVELOPPE  Calcule ou mets à jour l'enveloppe convexe des particules.
SUPPRIMER  Enlève de la base de données le nombre actuel de particules.
MARQUER    Marque le nombre actuel de particules comme valide ou non.
DESINSTALLER Supprime la base de données du programme et quitte le programme.
)T";
    EXPECT_EQ(Sortie("AIDE"), "Voici la liste des fonctionnalitees disponibles :\n\n" + historique + ajoutees +
                                  "\nPour plus d'information sur une commande tapez : AIDE nom_commande.\n"
                                  "Les commandes ne sont pas sensibles à la casse.\n\n");
}

TEST(Aide, RelaxInAnyCaseSplicesFiftyTwoAndOne) {
    const std::string attendu = R"T(La commande RELAX modifie la position des particules suivant un modèle physique.

RELAX [i [K]]

Sans paramètre, RELAX effectue 50 itérations du modèle physique.
Si i est un nombre entre 1 et 9999 alors la comande effectue i itérations, et si jamais le paramètre K est entré, alors le commande effectue 1000*i itérations.

Le modèle physique utilisé est celui de force de répulsion coulombienne en 1/r^2 qui minimise donc un potentiel en 1/r^1.
Le modèle est calculé suivant une approximation dites de Newton pour la résolution du système différentiel.

)T";
    EXPECT_EQ(Sortie("aide relax"), attendu);
    EXPECT_EQ(Sortie("AIDE RELAX extra words"), attendu);
}

TEST(Aide, KShowsItsDefaultAsTheIntegerOne) {
    EXPECT_EQ(Sortie("AIDE K"), R"T(La commande K affiche ou modifie la constante de normalisation de la force d'interaction entre les particules.

K [k]

Sans paramètre, K affiche la valeur actuelle de la constante de normalisation de la force entre les particules.
Si le paramètre vaut 0, la fonction mets la constante à 1.
Si k est un nombre réel (de la forme a.b avec a entre -999 et 9999 et b entre 0 et 9999) alors la constante est réglée à k.

Si vous donnez une valeur négative à K, le système sera instable (il devrait finir par planter), mais celà peut être un moyen pour mesurer la qualité d'une répartition.

)T");
}

TEST(Aide, PShowsItsDefaultAsARealNumber) {
    EXPECT_EQ(Sortie("AIDE P"), R"T(La commande P affiche ou modifie le pourcentage d'éloignement ou de rapprochement utilisé par les fonctions ELOIGNE et APPROCHE.

P [p]

Sans paramètre, P affiche la valeur actuelle de la constante.
Si le paramètre vaut 0, la fonction mets la constante à 0.005.
Si p est un nombre réel (de la forme a.b avec a entre -999 et 9999 et b entre 0 et 9999) alors la constante est réglée à p.


Si vous donnez une valeur négative à P, les points les plus proches se raprocheront sans fin et vice versa pour les plus lointain.

)T");
}

TEST(Aide, ModeEndsItsLastLineWithASeparateLineEnd) {
    EXPECT_EQ(Sortie("AIDE MODE"),
              R"T(La commande MODE permet d'afficher l'état actuel des modes ou de modifier cet état.

MODE mode [ON|OFF]

Sans paramètres, MODE affiche l'état actuel des modes. Sinon, la commande mets le mode mode en marche ou le désactive. Si ON et OFF sont omis, la commande active le mode.
Ceci est la liste des modes possibles :
  PARTICULES Affiche la particules sur la représentation graphique.
  LIGNES     Affiche l'enveloppe convexe des particules sous forme de lignes.
  POLYGONES  Affiche l'enveloppe convexe des particules sous forme Polygonale.
             Une version alternative de cette commande est POLY.
  INFO       Affichage automatique des informations quand elles sont modifiées.
  OPENMP     Active ou désactive l'utilisation de OpenMP afin d'exploiter au
             mieux les capacités des processeurs multi-coeurs, ou des PC
             multi-processeur.
  ENVELOPPE  Si ce mode est activé, l'enveloppe convexe de l'ensemble des
             particules est recalculée automatiquement tout les 50 tours pour
             les fonctions qui en tirent avantage.
  AXES       Affiche les axes des coordonnées sur la représentation graphique.
  DUAL       Affiche le dual de l'enveloppe convexe. Ne fonctionne correctement
             que si la configuration est déjà suffisament bonne.
  TAMMES     EXPLORER cherche la plus grande distance minimale entre les
             particules au lieu de l'énergie la plus basse (désactivé par
             défaut ; voir AIDE EXPLORER).
  DEFAUTS    Colore les particules et les cellules du dual selon leur degré sur
             l'enveloppe convexe, avec une légende (voir AIDE GRAPH).
  MINIMA     EXPLORER tient le catalogue des minima qu'il rencontre (activé
             par défaut ; voir AIDE MINIMA).
)T");
}

TEST(Aide, MonteCarloSplicesItsStepsTemperatureAndAttempts) {
    EXPECT_EQ(Sortie("AIDE MONTECARLO"), R"T(La commande MONTECARLO modifie la position des particules suivant une "loi" de MonteCarlo.

MONTECARLO [i [K|M]]

Sans paramètre, MONTECARLO effectue 50 itérations.
Si i est un nombre entre 1 et 9999 alors la commande effectue i itérations ; avec le paramètre K elle en effectue 1000*i, avec le paramètre M 1000000*i (5K s'écrit aussi 5 K).

A chaque essai, une particule tirée au hasard est placée en un point quelconque de la sphère. Ce déplacement est conservé si l'énergie potentielle diminue, et sinon avec la probabilité exp(-(E1 - E0) / 0.001).
Une itération s'arrête au premier déplacement conservé, ou après 10001 essais refusés.

)T");
}

TEST(Aide, RAndLSpliceTheirDefaults) {
    const std::string r = Sortie("AIDE R");
    EXPECT_NE(r.find("Si le paramètre vaut 0, la fonction met la résistance à 0.1.\n"), std::string::npos) << r;
    const std::string l = Sortie("aide l");
    EXPECT_NE(l.find("Une valeur négative remet la longueur à 0.\n\n"), std::string::npos) << l;
}

// Every command of the table has a topic: the same first words as its list
// line names, and the blank line that ends every topic.
TEST(Aide, EveryCommandHasATopic) {
    std::string lignes;
    for (const Commande& c : TableCommandes()) lignes += std::string("aide ") + c.mot + "\n";
    e2e::Session s;
    const e2e::Result r = s.run(lignes + "quitter\n");
    ASSERT_EQ(r.exitCode, 0);
    std::string apres = e2e::ApresDemarrage(r.out);
    for (const Commande& c : TableCommandes()) {
        const size_t fin = apres.find("> ");
        ASSERT_NE(fin, std::string::npos) << c.mot;
        const std::string sujet = apres.substr(0, fin);
        apres = apres.substr(fin + 2);
        std::string nom = c.mot;
        for (char& l : nom) l = static_cast<char>(l - 'a' + 'A');
        EXPECT_EQ(sujet.rfind("La commande " + nom + " ", 0), 0u) << sujet;
        EXPECT_NE(sujet, kAucune) << c.mot;
        // MODE's topic ends on its own line end, as AIDE wrote it before.
        const std::string finAttendue = nom == "MODE" ? "; voir AIDE MINIMA).\n" : "\n\n";
        ASSERT_GE(sujet.size(), finAttendue.size()) << c.mot;
        EXPECT_EQ(sujet.substr(sujet.size() - finAttendue.size()), finAttendue) << c.mot;
    }
    EXPECT_EQ(r.err, "");
}

TEST(Aide, EnregistrerHasATopicButTheListedSpellingDoesNot) {
    EXPECT_EQ(Sortie("AIDE ENREGISTRER"), R"T(La commande ENREGISTRER enregistre les positions actuelles des particules dans un fichier.

La commande ENREGISTRER vous demande de taper le nom d'un fichier dans lequel les informations sont enregistrées. Si le ficheir existe déjà, il est supprimé.

)T");
    EXPECT_EQ(Sortie("AIDE ENREGISTER"), kAucune);
    EXPECT_EQ(Sortie("aide xyz"), kAucune);
}

TEST(Aide, NbSplicesFourHundred) {
    const std::string sortie = Sortie("Aide Nb");
    EXPECT_NE(sortie.find("Si le paramètre vaut 0, la fonction mets le nombre de particules à 400.\n"
                          "Si i est un nombre entre 1 et 9999"),
              std::string::npos)
        << sortie;
    EXPECT_EQ(sortie.rfind("La commande NB affiche", 0), 0u);
}

TEST(Aide, NewTopicsSpliceTheirCounts) {
    const std::string s = Sortie("AIDE S");
    EXPECT_EQ(s.rfind("La commande S affiche ou modifie l'exposant s", 0), 0u) << s;
    EXPECT_NE(s.find("compris entre -2 et 1000, alors"), std::string::npos) << s;
    EXPECT_NE(s.find("s vaut 1 au démarrage"), std::string::npos) << s;
    EXPECT_NE(s.find("S 6.0 règle l'exposant à 6, alors que S 6 l'affiche sans le modifier.\n"), std::string::npos) << s;
    const std::string m = Sortie("aide minimiser");
    EXPECT_NE(m.find("MINIMISER effectue au plus 1000 itérations.\n"), std::string::npos) << m;
    EXPECT_NE(m.find("inférieure à 1e-9 fois la moyenne des normes des forces totales"), std::string::npos) << m;
    EXPECT_NE(Sortie("Aide Explorer").find("EXPLORER effectue 100 sauts.\n"), std::string::npos);
    EXPECT_NE(Sortie("AIDE TAMMES").find("TAMMES effectue au plus 1000 itérations.\n"), std::string::npos);
    EXPECT_EQ(Sortie("AIDE DEFAUTS").rfind("La commande DEFAUTS affiche", 0), 0u);
}
