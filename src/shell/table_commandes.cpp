#include "shell/table_commandes.h"

#include <array>

#include "etat/modes.h"
#include "shell/commandes.h"
#include "shell/commandes_minima.h"
#include "shell/commandes_minimisation.h"
#include "shell/commandes_symetrie.h"
#include "shell/trace.h"

namespace {

using namespace aide;

// Words that may follow a command, offered by completion.
constexpr const char* kMarcheArret[] = {"on", "off"};
constexpr const char* kMultiplicateurs[] = {"k", "m"};
constexpr const char* kParametresInfo[] = {"pos"};
constexpr const char* kParametresNb[] = {"conserv"};
constexpr const char* kParametresPlacer[] = {"alea", "spirale"};
constexpr const char* kParametresAjouter[] = {"faces", "aretes"};
constexpr const char* kParametresCharger[] = {"ep", "dist", "fichier"};
constexpr const char* kParametresListe[] = {"tout"};
constexpr const char* kParametresMinima[] = {"charger"};

// Every spelling of every MODE switch, then ON and OFF.
constexpr size_t NombreDeMotsMode() {
    size_t n = 2;
    for (const Interrupteur& i : kInterrupteurs) n += i.autreMot != nullptr ? 2 : 1;
    return n;
}
constexpr auto kParametresMode = [] {
    std::array<const char*, NombreDeMotsMode()> mots{};
    size_t n = 0;
    for (const Interrupteur& i : kInterrupteurs) {
        mots[n++] = i.mot;
        if (i.autreMot != nullptr) mots[n++] = i.autreMot;
    }
    mots[n++] = "on";
    mots[n++] = "off";
    return mots;
}();

constexpr std::span<const char* const> kSansParametre{};

// Rows without a list line in the first AIDE list got theirs after the
// others, in the same layout: the word on 11 columns, then what it does.
constexpr Commande kTable[] = {
    {"quitter", nullptr, 0, Lecture::historique, 0, "QUITTER    Ferme le logiciel.\n", kQuitter, kSansParametre},
    {"aide", CommandeAide, 1, Lecture::historique, 0, "AIDE       Affiche cette page d'aide.\n", kAide, kSansParametre},
    {"info", CommandeInfo, 1, Lecture::historique, 0,
     "INFO       Affiche des informations sur la position des particules.\n", kInfo, kParametresInfo},
    {"nb", CommandeNb, 2, Lecture::historique, 0, "NB         Affiche ou modifie le nombre de particules.\n", kNb,
     kParametresNb},
    {"ajouter", CommandeAjouter, 1, Lecture::historique, 0,
     "AJOUTER    Ajoute des particules sur l'enveloppe convexe.\n", kAjouter, kParametresAjouter},
    {"k", CommandeK, 2, Lecture::historique, 0,
     "K          Affiche ou modifie la constante de normalisation de la force.\n", kK, kSansParametre},
    {"p", CommandeP, 2, Lecture::historique, 0,
     "P          Affiche ou modifie le pourcentage d'éloignement ou de raprochement.\n", kP, kSansParametre},
    {"r", CommandeR, 2, Lecture::historique, 0, "R          Affiche ou modifie la résistance des cordes.\n", kR,
     kSansParametre},
    {"l", CommandeL, 2, Lecture::historique, 0, "L          Affiche ou modifie la longueur des ressorts.\n", kL,
     kSansParametre},
    {"champ", CommandeChamp, 6, Lecture::historique, 0, "CHAMP      Affiche ou modifie le champ magnétique ambiant.\n",
     kChamp, kSansParametre},
    {"graph", CommandeGraph, 1, Lecture::historique, 0, "GRAPH      Affiche ou masque la fenêtre graphique.\n", kGraph,
     kMarcheArret},
    {"placer", CommandePlacer, 3, Lecture::historique, 0,
     "PLACER     Place les particules sur la sphère aléatoirement ou en spirale.\n", kPlacer, kParametresPlacer},
    {"relax", CommandeRelax, 2, Lecture::historique, 50,
     "RELAX      Modifie la position des particules en appliquant un modèle physique.\n", kRelax, kMultiplicateurs},
    {"local", CommandeLocal, 2, Lecture::historique, 50,
     "LOCAL      Pareil que RELAX, mais ne tient compte que des particules voisines.\n", kLocal, kMultiplicateurs},
    {"locale", CommandeLocal, 2, Lecture::historique, 50, "LOCALE     Autre nom de la commande LOCAL.\n", kLocale,
     kMultiplicateurs},
    {"faces", CommandeFaces, 2, Lecture::historique, 50,
     "FACES      Modifie la position des particules avec des cordes sur les faces.\n", kFaces, kMultiplicateurs},
    {"aretes", CommandeAretes, 2, Lecture::historique, 50,
     "ARETES     Modifie la position des particules avec des ressorts sur les arêtes.\n", kAretes, kMultiplicateurs},
    {"charger", CommandeCharger, 1, Lecture::historique, 0, "CHARGER    Charge une des meilleures positions connues.\n",
     kCharger, kParametresCharger},
    {"enregistrer", CommandeEnregistrer, 0, Lecture::historique, 0,
     "ENREGISTER Sauvegarde la position des particules dans un fichier.\n", kEnregistrer, kSansParametre},
    {"montecarlo", CommandeMonteCarlo, 2, Lecture::historique, 50,
     "MONTECARLO Modifie la position des particules suivant une \"loi\" de MonteCarlo.\n", kMonteCarlo,
     kMultiplicateurs},
    {"eloigne", CommandeEloigne, 2, Lecture::historique, 50,
     "ELOIGNE    Eloigne les particules qui sont le plus proche.\n", kEloigne, kMultiplicateurs},
    {"approche", CommandeApproche, 2, Lecture::historique, 50,
     "APPROCHE   Approche les particules qui sont le plus loin.\n", kApproche, kMultiplicateurs},
    {"image", CommandeImage, 1, Lecture::historique, 0,
     "IMAGE      Enregistre un bitmap de l'image affiché par le graph.\n", kImage, kSansParametre},
    {"liste", CommandeListe, 1, Lecture::historique, 0,
     "LISTE      Affiche les données contenues dans la base de données.\n", kListe, kParametresListe},
    {"mode", CommandeMode, 2, Lecture::historique, 0,
     "MODE       Modifie ou affiche les paramètres de fonctionnement du programme.\n", kMode, kParametresMode},
    {"enveloppe", CommandeEnveloppe, 0, Lecture::historique, 0,
     "ENVELOPPE  Calcule ou mets à jour l'enveloppe convexe des particules.\n", kEnveloppe, kSansParametre},
    {"supprimer", CommandeSupprimer, 0, Lecture::historique, 0,
     "SUPPRIMER  Enlève de la base de données le nombre actuel de particules.\n", kSupprimer, kSansParametre},
    {"marquer", CommandeMarquer, 1, Lecture::historique, 0,
     "MARQUER    Marque le nombre actuel de particules comme valide ou non.\n", kMarquer, kMarcheArret},
    {"desinstaller", CommandeDesinstaller, 0, Lecture::historique, 0,
     "DESINSTALLER Supprime la base de données du programme et quitte le programme.\n", kDesinstaller, kSansParametre},
    {"minimiser", CommandeMinimiser, 2, Lecture::stricte, 1000,
     "MINIMISER  Minimise l'énergie des particules par une méthode de quasi-Newton.\n", kMinimiser, kMultiplicateurs},
    {"explorer", CommandeExplorer, 2, Lecture::stricte, 100,
     "EXPLORER   Cherche le minimum global de l'énergie par sauts entre bassins.\n", kExplorer, kMultiplicateurs},
    {"s", CommandeS, 2, Lecture::stricte, 0, "S          Affiche ou modifie l'exposant de l'énergie de Riesz.\n", kS,
     kSansParametre},
    {"graine", CommandeGraine, 1, Lecture::stricte, 0,
     "GRAINE     Affiche ou modifie la graine du générateur de nombres aléatoires.\n", kGraine, kSansParametre},
    {"tammes", CommandeTammes, 2, Lecture::stricte, 1000,
     "TAMMES     Augmente localement la distance minimale entre les particules.\n", kTammes, kMultiplicateurs},
    {"defauts", CommandeDefauts, 0, Lecture::stricte, 0,
     "DEFAUTS    Affiche les défauts topologiques de l'enveloppe convexe.\n", kDefauts, kSansParametre},
    {"symetrie", CommandeSymetrie, 2, Lecture::stricte, 0,
     "SYMETRIE   Affiche le groupe ponctuel de symétrie des particules.\n", kSymetrie, kSansParametre},
    {"exporter", CommandeExporter, 0, Lecture::stricte, 0,
     "EXPORTER   Enregistre la configuration et ses défauts en JSON ou en CSV.\n", kExporter, kSansParametre},
    {"trace", CommandeTrace, 1, Lecture::stricte, 0,
     "TRACE      Enregistre la convergence de MINIMISER et d'EXPLORER dans un fichier CSV.\n", kTrace, kMarcheArret},
    {"minima", CommandeMinima, 2, Lecture::stricte, 0,
     "MINIMA     Affiche les minima distincts rencontrés par EXPLORER, ou en charge un.\n", kMinima, kParametresMinima},
};

constexpr bool MemeTexte(const char* a, const char* b) {
    for (; *a != '\0' || *b != '\0'; ++a, ++b) {
        if (*a != *b) return false;
    }
    return true;
}

// Every word of the vocabulary (commands and the words that follow them)
// folds to a code no other word has: a new word can never shadow another one,
// whichever position it is read in.
constexpr bool CodesDistincts() {
    constexpr int kMaxMots = 256;
    const char* mots[kMaxMots] = {};
    int n = 0;
    for (const Commande& c : kTable) {
        if (n == kMaxMots) return false;
        mots[n++] = c.mot;
        for (const char* p : c.parametres) {
            if (n == kMaxMots) return false;
            mots[n++] = p;
        }
    }
    for (int i = 0; i < n; ++i) {
        if (Plier(mots[i]) == 0) return false;  // the code of an empty word
        for (int j = 0; j < i; ++j) {
            if (Plier(mots[i]) == Plier(mots[j]) && !MemeTexte(mots[i], mots[j])) return false;
        }
    }
    // A command word appears once.
    for (int i = 0; i < static_cast<int>(std::size(kTable)); ++i) {
        for (int j = 0; j < i; ++j) {
            if (kTable[i].code() == kTable[j].code()) return false;
        }
    }
    return true;
}
static_assert(CodesDistincts(), "two words of the command table fold to the same code");

// A topic splices the default count (a Compte piece) exactly when its row
// has one: the help says what the command runs without a count.
constexpr bool ComptesDecrits() {
    for (const Commande& c : kTable) {
        bool dit = false;
        for (const MorceauAide& m : c.sujet) dit = dit || m.genre == MorceauAide::Genre::Compte;
        if (dit != (c.compte > 0)) return false;
    }
    return true;
}
static_assert(ComptesDecrits(), "a counted row's topic names its default count, and only a counted row's");

}  // namespace

std::span<const Commande> TableCommandes() { return kTable; }

const Commande* TrouverCommande(CommandWord code) {
    for (const Commande& c : kTable) {
        if (c.code() == code) return &c;
    }
    return nullptr;
}
