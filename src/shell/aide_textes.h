// The help texts of AIDE as data, byte for byte: the list's opening and
// closing, and one piece list per topic (the command table in
// table_commandes.cpp ties each to its command, with the command's list line).
// Pieces are written in order through the console layer; numbers go through its
// integer or real-number output. Source is UTF-8; the binary holds
// Windows-1252 like every other message.
#pragma once

#include "etat/particules.h"
#include "mathematiques/catalogue_minima.h"
#include "mathematiques/exploration.h"
#include "mathematiques/hasard.h"
#include "mathematiques/riesz.h"
#include "mathematiques/symetrie.h"

struct MorceauAide {
    // Compte: the steps the command runs without a count word, from its row
    // of the command table, written as an integer.
    enum class Genre { Texte, Entier, Reel, Compte };
    Genre genre;
    const char* texte = nullptr;  // Texte
    long long entier = 0;         // Entier
    double reel = 0.0;            // Reel
};

namespace aide {

constexpr MorceauAide Texte(const char* t) { return {MorceauAide::Genre::Texte, t}; }
constexpr MorceauAide Entier(long long n) { return {MorceauAide::Genre::Entier, nullptr, n}; }
constexpr MorceauAide Reel(double x) { return {MorceauAide::Genre::Reel, nullptr, 0, x}; }
constexpr MorceauAide Compte() { return {MorceauAide::Genre::Compte}; }

// AIDE without a parameter: this, the list line of every listed command in
// table order, then kFinListe.
inline constexpr const char* kDebutListe = "Voici la liste des fonctionnalitees disponibles :\n\n";
inline constexpr const char* kFinListe =
    "\n"
    "Pour plus d'information sur une commande tapez : AIDE nom_commande.\n"
    "Les commandes ne sont pas sensibles à la casse.\n"
    "\n";

inline constexpr MorceauAide kQuitter[] = {
    Texte("La commande QUITTER ferme le programme après avoir effectué automatiquement toutes les opérations nécessaires (fermeture de la fenêtre graphique, etc.).\n"
          "\n"),
};

inline constexpr MorceauAide kAide[] = {
    Texte("La commande AIDE affiche la liste des commandes reconnue par le programme.\n"),
    Texte("\n"
          "AIDE [nom_commande]\n"
          "\n"
          "Sans paramètre, AIDE affiche la liste des commandes disponible.\n"
          "Si nom_commande est le nom d'une commande du logiciel, alors AIDE affiche de l'aide sur cette commande.\n"
          "\n"),
};

inline constexpr MorceauAide kInfo[] = {
    Texte("La commande INFO donne des informations sur la position des particules.\n"),
    Texte("\n"
          "INFO [POS]\n"
          "Sans paramètre la commande info donne des informations mathématiques sur la position des particules.\n"
          "Avec le paramètre POS, la commande donne en plus la position des particules.\n"),
    Texte("\n"
          "Cette commande affiche de plus (et mets à jour le cas échéant) les valeurs de références, i.e. les meilleurs valeurs obtenues, pour l'énergie potentielle et la distance maximum entre les particules.\n"
          "Mais ces valeurs ont pu être obtenues sur deux configurations différentes.\n"
          "\n"),
};

inline constexpr MorceauAide kNb[] = {
    Texte("La commande NB affiche ou modifie le nombre de particules à la surface de la sphère.\n"),
    Texte("\n"
          "NB [i [CONSERV]\n"
          "\n"
          "Sans paramètre, NB affiche le nombre actuel de particules.\n"
          "Si le paramètre vaut 0, la fonction mets le nombre de particules à "),
    Entier(kDefaultParticles),
    Texte(".\n"
          "Si i est un nombre entre 1 et 9999 alors le nombre de particules est réglé à i.\n"
          "Et si le paramètre CONSERV est spécifié la position des particules qui existaient déjà est conservée, sinon elle est perdue.\n"),
    Texte("\n"
          "Dans tout les cas, si le nombre de particules est modifié, la vitesse et les dérivées de la vitesse des particules sont effacées.\n"
          "\n"),
};

inline constexpr MorceauAide kK[] = {
    Texte("La commande K affiche ou modifie la constante de normalisation de la force d'interaction entre les particules.\n"),
    Texte("\n"
          "K [k]\n"
          "\n"
          "Sans paramètre, K affiche la valeur actuelle de la constante de normalisation de la force entre les particules.\n"
          "Si le paramètre vaut 0, la fonction mets la constante à "),
    Entier(1),  // the default of K, 1.0, shown as an integer
    Texte(".\n"
          "Si k est un nombre réel (de la forme a.b avec a entre -999 et 9999 et b entre 0 et 9999) alors la constante est réglée à k.\n"),
    Texte("\n"
          "Si vous donnez une valeur négative à K, le système sera instable (il devrait finir par planter), mais celà peut être un moyen pour mesurer la qualité d'une répartition.\n"
          "\n"),
};

inline constexpr MorceauAide kP[] = {
    Texte("La commande P affiche ou modifie le pourcentage d'éloignement ou de rapprochement utilisé par les fonctions ELOIGNE et APPROCHE.\n"),
    Texte("\n"
          "P [p]\n"
          "\n"
          "Sans paramètre, P affiche la valeur actuelle de la constante.\n"
          "Si le paramètre vaut 0, la fonction mets la constante à "),
    Reel(SimParams::kDefaultP),
    Texte(".\n"
          "Si p est un nombre réel (de la forme a.b avec a entre -999 et 9999 et b entre 0 et 9999) alors la constante est réglée à p.\n"
          "\n"),
    Texte("\n"
          "Si vous donnez une valeur négative à P, les points les plus proches se raprocheront sans fin et vice versa pour les plus lointain.\n"
          "\n"),
};

inline constexpr MorceauAide kChamp[] = {
    Texte("La commande CHAMP affiche ou modifie le champ magnétique dans lequel est plongé la sphère.\n"),
    Texte("\n"
          "CHAMP [x y z]\n"
          "\n"
          "Sans paramètres, CHAMP affiche le champ ambiant actuel.\n"
          "Si chacun des 3 paramètres x, y et z sont des nombres réels (de la forme a.b avec a entre -999 et 9999 et b entre 0 et 9999) alors le champ ambiant est réglé pour avoir (x,y,z) comme coordonnées.\n"
          "\n"),
};

inline constexpr MorceauAide kGraph[] = {
    Texte("La commande GRAPH affiche ou masque la fenêtre graphique.\n"),
    Texte("\n"
          "GRAPH [ON|OFF]\n"
          "\n"
          "Sans paramètre, GRAPH affiche la fenêtre graphique si elle n'est pas déjà affiché.\n"
          "Si le paramètre est ON alors la commande agit de la même manière.\n"
          "Si le paramètre est OFF la commande masque la fenêtre graphique si elle est affiché.\n"),
    Texte("\n"
          "La fenêtre s'ouvre en 600 x 600 pixels ; elle peut être redimensionnée, le dessin suit sa taille. La vue suit la souris, la molette l'agrandit ou la réduit, et ce qui est tapé dans la fenêtre arrive à l'invite de commande.\n"
          "MODE DEFAUTS colore les particules et les cellules du dual selon leur degré sur l'enveloppe convexe (4 orange, 5 rouge, 6 gris clair, 7 bleu, 8 vert, autres violet), avec une légende dans le coin de l'image ; avec ce mode, MODE DUAL seul affiche les cellules.\n"
          "Sans affichage graphique (variable DISPLAY vide ou serveur X injoignable), la commande le signale et le programme continue.\n\n"),
};

inline constexpr MorceauAide kPlacer[] = {
    Texte("La commande PLACER modifie la position des particules d'une manière prédéfinie.\n"),
    Texte("\n"
          "PLACER [ALEA|SPIRALE [HW]]\n"
          "\n"
          "Sans paramètre la commande PLACER place les particules de manière aléatoire.\n"
          "De même avec le paramètre ALEA.\n"
          "Avec le paramètre SPIRALE, la commande place les particules le long d'une spirale qui consitue une approximation de la minimisation de l'énergie potentielle.\n"
          "Vous pouvez spécifier un paramètre avec l'argument SPIRALE qui doit alors être une valeur réelle qui spécifie le pas selon lequel la position des particules est modifiée.\n"),
    Texte("\nLa commande PLACER remet aussi à zéro le compteur du temps de calcul.\n\n"),
};

inline constexpr MorceauAide kRelax[] = {
    Texte("La commande RELAX modifie la position des particules suivant un modèle physique.\n"),
    Texte("\nRELAX [i [K]]\n\nSans paramètre, RELAX effectue "),
    Compte(),
    Texte(" itérations du modèle physique.\n"
          "Si i est un nombre entre 1 et 9999 alors la comande effectue i itérations, et si jamais le paramètre K est entré, alors le commande effectue 1000*i itérations.\n"),
    Texte("\nLe modèle physique utilisé est celui de force de répulsion coulombienne en 1/r^"),
    Entier(2),  // force exponent
    Texte(" qui minimise donc un potentiel en 1/r^"),
    Entier(1),  // potential exponent
    Texte(".\n"
          "Le modèle est calculé suivant une approximation dites de Newton pour la résolution du système différentiel.\n"
          "\n"),
};

inline constexpr MorceauAide kCharger[] = {
    Texte("La commande CHARGER charge la meilleure position pour le nombre courant de particules que vous avez déjà obtenue lors d'un appel à INFO, ou charge des données depuis un fichier.\n"),
    Texte("\n"
          "CHARGER [EP|DIST|FICHIER]\n"
          "\n"
          "Sans paramètre la commande CHARGER ne fait rien.\n"
          "Avec le paramètre EP, la commande CHARGER charge, si elle est enregistrée, la meilleure position relativement à l'énergie potentielle.\n"
          "Avec le paramètre DIST, la commande CHARGER charge, si elle est enregistrée, la meilleure position relativement à la distance minimale entre les particules.\n"),
    Texte("Avec le paramètre FICHIER, la commande va vous demander d'entrée le nom d'un fichier qui contient des positions de particules. Si il y en a en trop (par rapport au nombre actuel de particules) elles seront ignorées, et si il en manque, les particules en question ne seront pas modifiées.\n"
          "Le format du fichier doit être le même que celui enregistrée par la commande ENREGISTRER.\n"
          "\n"),
};

inline constexpr MorceauAide kEnregistrer[] = {
    Texte("La commande ENREGISTRER enregistre les positions actuelles des particules dans un fichier.\n"
          "\n"),
    Texte("La commande ENREGISTRER vous demande de taper le nom d'un fichier dans lequel les informations sont enregistrées. Si le ficheir existe déjà, il est supprimé.\n"
          "\n"),
};

inline constexpr MorceauAide kEloigne[] = {
    Texte("La commande ELOIGNE modifie la position des particules en éloignant légèrement les deux particules les plus proches.\n"),
    Texte("\nELOIGNE [i [K]]\n\nSans paramètre, ELOIGNE effectue "),
    Compte(),
    Texte(" itérations de processus d'éloignement.\n"
          "Si i est un nombre entre 1 et 9999 alors la comande effectue i itérations, et si jamais le paramètre K est entré, alors le commande effectue 1000*i itérations.\n"),
    Texte("\n"
          "Les deux particules les plus proche sont éloignées d'un pourcentage de leur distance actuelle égal à P, constante que vous pouvez modifier avec la commande du même nom.\n"),
    Texte("\n"
          "Ce modèle fonctionne très bien pour augmenter le minimum des distances entre les particules, à conditions que le système soit déjà assez bon (c'est-à-dire que vous avez déjà utilisé RELAX par exemple). Par contre il est inopérant pour minimiser l'énergie potentielle.\n"
          "\n"),
};

inline constexpr MorceauAide kApproche[] = {
    Texte("La commande APPROCHE modifie la position des particules en approchant légèrement les deux particules les plus éloigné.\n"),
    Texte("\nAPPROCHE [i [K]]\n\nSans paramètre, APPROCHE effectue "),
    Compte(),
    Texte(" itérations de processus d'éloignement.\n"
          "Si i est un nombre entre 1 et 9999 alors la comande effectue i itérations, et si jamais le paramètre K est entré, alors le commande effectue 1000*i itérations.\n"),
    Texte("\n"
          "Les deux particules les plus éloigné, parmis celles qui ont une arrète de l'enveloppe convexe en commun sont approchées d'un pourcentage de leur distance actuelle égal à P, constante que vous pouvez modifier avec la commande du même nom.\n"
          "\n"),
    Texte("Pour visualiser l'envelope convexe, activez les graphismes avec la commande GRAPH, puis l'affichage de l'enveloppe convexe avec MODE LIGNES si ce n'est pas déjà fait.\n"
          "\n"),
};

inline constexpr MorceauAide kImage[] = {
    Texte("La commande IMAGE enregistre une image PNG de ce qui est affiché dans le graph au moment de l'utilisation de la commande.\n"),
    Texte("\n"
          "IMAGE [taille]\n"
          "\n"
          "La commande demande le nom du fichier ; \".png\" est ajouté s'il n'y est pas, et sans nom le fichier s'appelle glomerix.png, dans le dossier de travail en cours.\n"
          "Sans paramètre, l'image a la taille de la fenêtre graphique. Si taille est un nombre entre 1 et 4096, l'image est un carré de taille pixels : la scène y est dessinée de nouveau, lignes et polygones lissés, points et traits à l'échelle de l'image. Tout autre paramètre est refusé.\n"
          "Le graph doit être affiché (commande GRAPH).\n"
          "\n"),
};

inline constexpr MorceauAide kListe[] = {
    Texte("La commande LISTE affiche les données disponible dans la base de données pour chaque nombre de particules. Si la base de données n'a pas pu être initialisé (message d'erreur au démarage du programme), alors rien ne sera affiché.\n"),
    Texte("\n"
          "LISTE [TOUT]\n"
          "\n"
          "Sans paramètre la commande LISTE affiche seulement les configuration qui ont été marquée comme valide dans la base de données.\n"),
    Texte("Avec le paramètre TOUT, la commande affiche toutes les informations présentent dans la base de données.\n"
          "\n"),
};

inline constexpr MorceauAide kMode[] = {
    Texte("La commande MODE permet d'afficher l'état actuel des modes ou de modifier cet état.\n"),
    Texte("\n"
          "MODE mode [ON|OFF]\n"
          "\n"
          "Sans paramètres, MODE affiche l'état actuel des modes. Sinon, la commande mets le mode mode en marche ou le "
          "désactive. Si ON et OFF sont omis, la commande active le mode.\n"),
    Texte("Ceci est la liste des modes possibles :\n"),
    Texte("  PARTICULES Affiche la particules sur la représentation graphique.\n"),
    Texte("  LIGNES     Affiche l'enveloppe convexe des particules sous forme de lignes.\n"),
    Texte("  POLYGONES  Affiche l'enveloppe convexe des particules sous forme Polygonale.\n"),
    Texte("             Une version alternative de cette commande est POLY.\n"),
    Texte("  INFO       Affichage automatique des informations quand elles sont modifiées.\n"),
    Texte("  OPENMP     Active ou désactive l'utilisation de OpenMP afin d'exploiter au\n"),
    Texte("             mieux les capacités des processeurs multi-coeurs, ou des PC\n"),
    Texte("             multi-processeur.\n"),
    Texte("  ENVELOPPE  Si ce mode est activé, l'enveloppe convexe de l'ensemble des\n"),
    Texte("             particules est recalculée automatiquement tout les "),
    Entier(50),  // steps between automatic hull rebuilds, as the text describes them
    Texte(" tours pour\n"),
    Texte("             les fonctions qui en tirent avantage.\n"),
    Texte("  AXES       Affiche les axes des coordonnées sur la représentation graphique.\n"),
    Texte("  DUAL       Affiche le dual de l'enveloppe convexe. Ne fonctionne correctement\n"),
    Texte("             que si la configuration est déjà suffisament bonne.\n"),
    Texte("  TAMMES     EXPLORER cherche la plus grande distance minimale entre les\n"),
    Texte("             particules au lieu de l'énergie la plus basse (désactivé par\n"),
    Texte("             défaut ; voir AIDE EXPLORER)."),
    Texte("\n  DEFAUTS    Colore les particules et les cellules du dual selon leur degré sur\n"
          "             l'enveloppe convexe, avec une légende (voir AIDE GRAPH)."),
    Texte("\n  MINIMA     EXPLORER tient le catalogue des minima qu'il rencontre (activé\n"
          "             par défaut ; voir AIDE MINIMA)."),
    Texte("\n"),
};

inline constexpr MorceauAide kMinimiser[] = {
    Texte("La commande MINIMISER minimise l'énergie des particules par une méthode de quasi-Newton à mémoire limitée (L-BFGS).\n"),
    Texte("\nMINIMISER [i [K|M]]\n\nSans paramètre, MINIMISER effectue au plus "),
    Compte(),
    Texte(" itérations.\n"
          "Si i est un nombre entre 1 et 9999 alors la commande effectue au plus i itérations, et si le paramètre K (ou M) est entré, au plus 1000*i (ou 1000000*i) itérations. Tout autre nombre est refusé.\n"),
    Texte("\n"
          "L'énergie minimisée est la somme des 1/r^s sur toutes les paires de particules, l'exposant s étant celui de la commande S (1 par défaut : l'énergie coulombienne ; pour s = 0, la somme des -log r ; pour s négatif, l'opposé de la somme des r^|s|).\n"
          "Chaque itération suit une direction calculée à partir des itérations précédentes, en restant à la surface de la sphère, et n'est acceptée que si elle fait baisser l'énergie. Des particules confondues sont d'abord écartées.\n"
          "La descente s'arrête quand la plus grande force tangentielle sur une particule devient inférieure à 1e-9 fois la moyenne des normes des forces totales sur les particules, au bout du nombre d'itérations demandé, ou à l'appui sur Ctrl+C.\n"
          "Une configuration symétrique peut annuler les forces sans être un minimum (un point selle, comme le cube à 8 particules). Quand la descente s'arrête sur ce critère, chaque particule est donc déplacée d'un millionième de l'écart moyen entre particules et la descente reprend : si l'énergie revient à sa valeur, la configuration est un minimum et reste exactement celle de la première descente ; si elle baisse, c'était un point selle, la descente continue vers le bas et le nouveau point est vérifié à son tour, dans la limite des itérations demandées.\n"
          "Elle affiche le nombre d'itérations, le nombre d'évaluations de l'énergie (celles de la vérification comprises) et le rapport final entre la plus grande force tangentielle et la force moyenne, l'énergie atteinte (l'énergie de Riesz, avec s, quand s n'est pas 1), puis le nombre de points selles quittés s'il y en a, et \"minimum vérifié\", ou \"minimum non vérifié\" quand les itérations ou Ctrl+C ont interrompu la vérification ; une seconde ligne dit la raison de son arrêt : critère atteint, nombre d'itérations atteint (avec le critère à ce moment), interruption, ou plus aucun pas qui fasse baisser l'énergie.\n"
          "\n"),
};

inline constexpr MorceauAide kExplorer[] = {
    Texte("La commande EXPLORER cherche le minimum global de l'énergie des particules par sauts entre bassins.\n"),
    Texte("\nEXPLORER [i [K|M]]\n\nSans paramètre, EXPLORER effectue "),
    Compte(),
    Texte(" sauts.\n"
          "Si i est un nombre entre 1 et 9999 alors la commande effectue i sauts, et si le paramètre K (ou M) est "
          "entré, 1000*i (ou 1000000*i) sauts. Tout autre nombre est refusé.\n"),
    Texte("\n"
          "Chaque saut perturbe la configuration courante (quelques particules placées au hasard, une calotte de la "
          "sphère tournée, ou la particule de plus fort potentiel placée dans le plus grand espace vide ; "
          "au-delà de 200 particules, un saut sur cinq tire aussi une configuration nouvelle au hasard dans un "
          "groupe de symétrie pris au hasard, C2 à C6, Ci, S4 ou S6), la minimise complètement comme MINIMISER, "
          "puis la garde ou non selon la règle de Metropolis, à une température qui s'adapte au taux "
          "d'acceptation.\n"
          "Chaque nouvelle énergie minimale est affichée avec le numéro du saut (l'énergie de Riesz, avec s, quand s "
          "n'est pas 1), et la configuration est proposée à la base de données comme le fait INFO.\n"
          "A la fin, ou à l'appui sur Ctrl+C, la configuration de plus basse énergie trouvée devient la configuration "
          "courante. Le hasard vient du générateur du programme : une même graine donne la même recherche.\n"
          "\n"
          "Avec le mode OPENMP activé, un marcheur par processeur fait i sauts, chacun avec son propre hasard tiré de "
          "la graine ; tous les "),
    Entier(kPartage),
    Texte(" sauts, un marcheur nettement plus haut que le plus bas d'entre eux (de plus de "),
    Entier(static_cast<long long>(kEcartPartage)),
    Texte(" fois sa température) repart du plus bas. Les annonces suivent l'ordre des sauts, quel que soit le marcheur "
          "le plus rapide : une même graine et un même nombre de processeurs donnent la même recherche. Le premier "
          "marcheur part de la configuration courante, les autres chacun d'un placement au hasard.\n"
          "\n"
          "Avec le mode TAMMES activé (MODE TAMMES ON), EXPLORER cherche la plus grande distance minimale entre les "
          "particules (le problème de Tammes) au lieu de l'énergie la plus basse : chaque saut finit par une descente "
          "à un exposant pris entre 1 et 80 selon le saut (quel que soit celui de S) puis par le polissage de TAMMES, "
          "et la règle de Metropolis porte sur le "
          "logarithme de la distance minimale. Chaque nouvelle plus grande distance minimale est annoncée (\"Saut 3, "
          "nouvelle distance minimale maximale : ...\") et la configuration proposée à la base de données comme le "
          "fait INFO ; à la fin, la configuration de plus grande distance minimale devient la configuration courante.\n"
          "\n"),
    Texte("Avec le mode MINIMA activé (par défaut), EXPLORER note le minimum de chaque saut dans le catalogue que la "
          "commande MINIMA affiche (voir AIDE MINIMA) ; il ne le fait pas en mode TAMMES. MODE MINIMA OFF l'en "
          "dispense et vide le catalogue : la recherche est alors plus rapide, de quelques pour cent pour une "
          "centaine de particules à un quart pour 400, où presque chaque saut rencontre un nouveau minimum.\n"
          "\n"),
};

inline constexpr MorceauAide kGraine[] = {
    Texte("La commande GRAINE affiche ou modifie la graine du générateur de nombres aléatoires.\n"),
    Texte("\n"
          "GRAINE [n]\n"
          "\n"
          "Sans paramètre, GRAINE affiche la graine en usage.\n"
          "Si n est un entier entre 0 et "),
    Entier(kGraineMax),
    Texte(", le générateur repart de cette graine ; tout autre paramètre est refusé et la graine reste inchangée.\n"
          "Au démarrage, la graine vient de l'horloge, ou de l'option --graine.\n"
          "\n"
          "Depuis une même graine, les mêmes commandes donnent les mêmes placements et les mêmes essais de MONTECARLO quel que soit le nombre de threads, et EXPLORER fait la même recherche pour un même nombre de marcheurs.\n"
          "\n"),
};

inline constexpr MorceauAide kS[] = {
    Texte("La commande S affiche ou modifie l'exposant s de l'énergie minimisée par MINIMISER et EXPLORER.\n"),
    Texte("\n"
          "S [s]\n"
          "\n"
          "Sans paramètre, S affiche la valeur actuelle de l'exposant.\n"
          "Si s est un nombre réel (de la forme a.b) compris entre "),
    Entier(static_cast<long long>(kExposantMin)),
    Texte(" et "),
    Entier(static_cast<long long>(kExposantMax)),
    Texte(", alors l'exposant est réglé à s ; sinon il reste inchangé.\n"
          "s se tape toujours sous la forme a.b : S 6.0 règle l'exposant à 6, alors que S 6 l'affiche sans le modifier.\n"
          "Un exposant négatif se tape -a.b : S -1.0 règle l'exposant à -1.\n"),
    Texte("\n"
          "L'énergie minimisée est la somme des 1/r^s sur toutes les paires de particules ; s vaut "),
    Entier(1),  // the default exponent, 1.0, shown as an integer
    Texte(" au démarrage (l'énergie coulombienne). Un grand exposant rapproche le problème de celui de Tammes (rendre la distance minimale la plus grande possible).\n"
          "Pour s = 0, l'énergie est l'énergie logarithmique, la somme des -log r ; pour s négatif, c'est l'opposé de la somme des r^|s| : minimiser l'énergie à s = -1 rend la plus grande possible la somme des distances. Pour tout s, MINIMISER et EXPLORER cherchent l'énergie la plus basse, et EXPLORER affiche celle de l'exposant choisi.\n"
          "INFO, LISTE et la base de données donnent toujours l'énergie coulombienne ; quand s n'est pas 1, INFO affiche en plus, sur sa dernière ligne, l'énergie de Riesz avec s.\n"
          "\n"),
};

inline constexpr MorceauAide kTammes[] = {
    Texte("La commande TAMMES augmente localement la distance minimale entre les particules.\n"),
    Texte("\nTAMMES [i [K|M]]\n\nSans paramètre, TAMMES effectue au plus "),
    Compte(),
    Texte(" itérations.\n"
          "Si i est un nombre entre 1 et 9999 alors la commande effectue au plus i itérations, et si le paramètre K (ou M) est entré, au plus 1000*i (ou 1000000*i) itérations. Tout autre nombre est refusé.\n"),
    Texte("\n"
          "A chaque itération, un programme linéaire déplace les particules dans leurs plans tangents, dans une région de confiance, pour rendre la plus grande possible la plus petite des distances linéarisées des paires presque les plus proches. Le déplacement n'est retenu que s'il augmente la distance minimale. La commande s'arrête quand aucun déplacement ne peut plus l'augmenter, au bout du nombre d'itérations demandé, ou à l'appui sur Ctrl+C, et dit laquelle de ces raisons l'a arrêtée.\n"
          "Pour atteindre les meilleures configurations connues, minimisez d'abord avec de grands exposants, par exemple : S 12.0, MINIMISER 10 K, S 96.0, MINIMISER 10 K, puis TAMMES.\n"
          "TAMMES ne polit que le bassin où il part : pour chercher la meilleure configuration entre bassins, activez MODE TAMMES et lancez EXPLORER.\n"
          "\n"),
};

inline constexpr MorceauAide kDefauts[] = {
    Texte("La commande DEFAUTS affiche les défauts topologiques de la triangulation formée par l'enveloppe convexe.\n"),
    Texte("\n"
          "Elle calcule l'enveloppe convexe si nécessaire, puis affiche :\n"
          "- le nombre de particules de chaque degré (de 4 à 8, et tout autre degré présent) ;\n"
          "- la charge topologique totale : la charge d'une particule est 6 - degré, et la somme des charges vaut 12 pour toute triangulation de la sphère ;\n"
          "- les défauts, regroupés en amas : deux particules de degré autre que 6 reliées par une arête de l'enveloppe sont dans le même amas, et la charge d'un amas est la somme des charges de ses particules. "
          "Une particule de degré autre que 6 sans voisine de degré autre que 6 est une disclination isolée. "
          "Un amas de plusieurs particules est une cicatrice si sa charge n'est pas nulle (la commande donne combien de cicatrices ont chaque charge, et le nombre de particules de degré 5 et de degré 7 qu'elles contiennent), et une dislocation si elle est nulle (une paire 5-7, ou plusieurs paires liées) ;\n"
          "- le groupe ponctuel de la configuration, à la tolérance de la commande SYMETRIE.\n"
          "\n"),
};

inline constexpr MorceauAide kSymetrie[] = {
    Texte("La commande SYMETRIE affiche le groupe ponctuel de symétrie des particules.\n"),
    Texte("\n"
          "SYMETRIE [t]\n"
          "\n"
          "Sans paramètre, SYMETRIE affiche le groupe ponctuel de la configuration en notation de Schoenflies (Ih, I, Oh, O, Td, Th, T, Dnh, Dnd, Dn, Cnv, Cnh, Cn, S2n, Cs, Ci ou C1), son ordre, la tolérance utilisée et les axes de rotation d'ordre le plus élevé.\n"
          "Si t est un nombre réel de la forme a.b (jusqu'à 12 chiffres après le point, par exemple 0.00001), strictement positif et au plus égal à "),
    Reel(kToleranceSymetrieMax),
    Texte(", la tolérance est d'abord réglée à t pour la suite de la session ; sinon rien n'est fait. Elle vaut "),
    Reel(kToleranceSymetrie),
    Texte(" au démarrage.\n"),
    Texte("\n"
          "Une opération (rotation, réflexion ou rotation suivie d'une réflexion, autour du centre de la sphère) est une symétrie si elle envoie chaque particule à moins de la tolérance d'une particule, deux particules n'étant jamais envoyées sur la même ; l'opération mesurée est celle qui s'ajuste le mieux à cette correspondance (moindres carrés). "
          "Le groupe est formé de toutes ces opérations, et son ordre est leur nombre.\n"
          "Une grande tolérance, proche de la distance entre particules voisines, rend le calcul plus long.\n"
          "DEFAUTS affiche aussi le groupe, à la même tolérance.\n"
          "\n"),
};

inline constexpr MorceauAide kMinima[] = {
    Texte("La commande MINIMA affiche les minima locaux distincts que EXPLORER a rencontrés, ou en charge un.\n"),
    Texte("\n"
          "MINIMA [n]\n"
          "MINIMA CHARGER k\n"
          "\n"
          "Chaque saut de EXPLORER (et la minimisation de départ de chaque marcheur) aboutit à un minimum local, que "
          "le catalogue note. "
          "Deux minima sont distincts si leurs énergies diffèrent de plus de 1e-10 en valeur relative, ou si, à la "
          "même énergie, leurs groupes ponctuels (à la tolérance de SYMETRIE) ou leurs suites de degrés sur "
          "l'enveloppe convexe diffèrent.\n"
          "Sans paramètre, MINIMA affiche les "),
    Entier(kMinimaListes),
    Texte(" minima les plus bas ; si n est un nombre entre 1 et 9999, les n plus bas. Pour chacun : son rang, son "
          "énergie, l'écart à l'énergie du plus bas, le nombre de fois qu'il a été rencontré, le saut qui l'a "
          "rencontré le premier, son groupe ponctuel, et le nombre de particules de degré 5 et de degré 7.\n"
          "MINIMA CHARGER k fait du k-ième minimum la configuration courante, avec l'énergie affichée par MINIMA ; k "
          "va de 1 à "),
    Entier(static_cast<long long>(kMinimaGardes)),
    Texte(" : le catalogue garde les positions des "),
    Entier(static_cast<long long>(kMinimaGardes)),
    Texte(" minima les plus bas seulement, et le compte de tous.\n"
          "\n"
          "Le catalogue appartient au nombre de particules et à l'exposant S : il est vidé quand l'un ou l'autre "
          "change, et les recherches suivantes de EXPLORER l'enrichissent tant qu'ils restent les mêmes. Une même "
          "graine donne le même catalogue.\n"
          "Un minimum dont l'énergie, à la précision de sa descente, désigne sans doute possible un minimum déjà "
          "au catalogue compte une rencontre de plus ; les autres sont d'abord minimisés plus finement, puis "
          "classés par leur énergie, leur groupe et leurs degrés.\n"
          "\n"
          "Le catalogue n'est tenu qu'avec le mode MINIMA activé, ce qu'il est par défaut : MODE MINIMA OFF le "
          "vide à la recherche suivante, EXPLORER ne le remplit plus et MINIMA le dit. Il ne l'est pas non plus en "
          "mode TAMMES.\n"
          "\n"),
};

// The topics below were written after the ones above, in their style.

// How the counted commands read their step count.
inline constexpr const char* kPhraseIterations =
    "Si i est un nombre entre 1 et 9999 alors la commande effectue i itérations ; avec le paramètre K elle en effectue 1000*i, avec le paramètre M 1000000*i (5K s'écrit aussi 5 K).\n";
inline constexpr const char* kPhraseEnveloppeAvant =
    "\nL'enveloppe convexe est calculée une fois avant la première itération, puis sert à toutes les itérations.\n";
inline constexpr const char* kPhraseLocal =
    "modifie la position des particules comme RELAX, mais chaque particule n'est repoussée que par ses voisines sur l'enveloppe convexe.\n";
inline constexpr const char* kPhraseConfirmation =
    "Lorsque la commande est tapée au clavier, elle demande une confirmation : répondez o ou oui pour ";

inline constexpr MorceauAide kMonteCarlo[] = {
    Texte("La commande MONTECARLO modifie la position des particules suivant une \"loi\" de MonteCarlo.\n"),
    Texte("\nMONTECARLO [i [K|M]]\n\nSans paramètre, MONTECARLO effectue "),
    Compte(),
    Texte(" itérations.\n"),
    Texte(kPhraseIterations),
    Texte("\nA chaque essai, une particule tirée au hasard est placée en un point quelconque de la sphère. Ce déplacement est conservé si l'énergie potentielle diminue, et sinon avec la probabilité exp(-(E1 - E0) / "),
    Reel(kMonteCarloTemperature),
    Texte(").\nUne itération s'arrête au premier déplacement conservé, ou après "),
    Entier(10001),  // attempts of one step, as commandes_calcul.cpp makes them
    Texte(" essais refusés.\n\n"),
};

inline constexpr MorceauAide kLocal[] = {
    Texte("La commande LOCAL "),
    Texte(kPhraseLocal),
    Texte("\nLOCAL [i [K|M]]\n\nSans paramètre, LOCAL effectue "),
    Compte(),
    Texte(" itérations.\n"),
    Texte(kPhraseIterations),
    Texte(kPhraseEnveloppeAvant),
    Texte("La commande s'écrit aussi LOCALE.\n\n"),
};

inline constexpr MorceauAide kLocale[] = {
    Texte("La commande LOCALE est un autre nom de la commande LOCAL : elle "),
    Texte(kPhraseLocal),
    Texte("\nLOCALE [i [K|M]]\n\nSans paramètre, LOCALE effectue "),
    Compte(),
    Texte(" itérations.\n"),
    Texte(kPhraseIterations),
    Texte(kPhraseEnveloppeAvant),
    Texte("\n"),
};

inline constexpr MorceauAide kFaces[] = {
    Texte("La commande FACES modifie la position des particules en tendant des cordes le long des arêtes de chaque face de l'enveloppe convexe.\n"),
    Texte("\nFACES [i [K|M]]\n\nSans paramètre, FACES effectue "),
    Compte(),
    Texte(" itérations.\n"),
    Texte(kPhraseIterations),
    Texte("\nDans chaque face, une arête plus courte que la moyenne des trois arêtes de la face écarte ses deux particules, une arête plus longue les rapproche, proportionnellement à la résistance des cordes (commande R). Les faces tendent ainsi à devenir équilatérales.\n"),
    Texte(kPhraseEnveloppeAvant),
    Texte("\n"),
};

inline constexpr MorceauAide kAretes[] = {
    Texte("La commande ARETES modifie la position des particules en plaçant un ressort sur chaque arête de l'enveloppe convexe.\n"),
    Texte("\nARETES [i [K|M]]\n\nSans paramètre, ARETES effectue "),
    Compte(),
    Texte(" itérations.\n"),
    Texte(kPhraseIterations),
    Texte("\nChaque ressort a pour longueur au repos la longueur des ressorts (commande L) et pour raideur la résistance des cordes (commande R) : il écarte ses deux particules quand il est plus court, et les rapproche quand il est plus long.\n"),
    Texte(kPhraseEnveloppeAvant),
    Texte("\n"),
};

inline constexpr MorceauAide kEnveloppe[] = {
    Texte("La commande ENVELOPPE calcule l'enveloppe convexe des particules.\n"),
    Texte("\nENVELOPPE\n\nLa commande recalcule l'enveloppe convexe, et le dual de l'enveloppe si le mode DUAL est activé, puis affiche le nombre d'itérations de l'algorithme et le temps de calcul.\n\n"),
};

inline constexpr MorceauAide kAjouter[] = {
    Texte("La commande AJOUTER ajoute des particules sur l'enveloppe convexe.\n"),
    Texte("\nAJOUTER FACES|ARETES\n\n"
          "Avec le paramètre FACES, la commande ajoute une particule au centre de chaque face de l'enveloppe convexe, soit 2N-4 particules s'il y en a N.\n"
          "Avec le paramètre ARETES, elle ajoute une particule au milieu de chaque arête, soit 3N-6 particules.\n"
          "Les particules ajoutées sont ramenées à la surface de la sphère.\n"),
    Texte("\nLe nombre de particules ne peut pas dépasser "),
    Entier(kMaxParticles),
    Texte(" : si l'ajout le dépasse, rien n'est ajouté.\n\n"),
};

inline constexpr MorceauAide kSupprimer[] = {
    Texte("La commande SUPPRIMER enlève de la base de données les valeurs de références et les positions enregistrées pour le nombre actuel de particules.\n"),
    Texte("\nSUPPRIMER\n\nLa marque de validité de ce nombre de particules (commande MARQUER) est conservée.\n"),
    Texte(kPhraseConfirmation),
    Texte("supprimer.\n\n"),
};

inline constexpr MorceauAide kMarquer[] = {
    Texte("La commande MARQUER marque le nombre actuel de particules comme valide ou non dans la base de données.\n"),
    Texte("\nMARQUER [ON|OFF]\n\n"
          "Sans paramètre ou avec le paramètre ON, le nombre actuel de particules est marqué comme valide ; avec le paramètre OFF, la marque est enlevée.\n"
          "LISTE sans paramètre n'affiche que les nombres de particules marqués, et INFO signale la marque par (*).\n\n"),
};

inline constexpr MorceauAide kR[] = {
    Texte("La commande R affiche ou modifie la résistance des cordes utilisée par les commandes FACES et ARETES.\n"),
    Texte("\nR [r]\n\nSans paramètre, R affiche la valeur actuelle de la résistance.\nSi le paramètre vaut 0, la fonction met la résistance à "),
    Reel(SimParams::kDefaultStringResistance),
    Texte(".\nSi r est un nombre réel (de la forme a.b avec a entre -999 et 9999 et b entre 0 et 9999) alors la résistance est réglée à r.\n\n"),
};

inline constexpr MorceauAide kL[] = {
    Texte("La commande L affiche ou modifie la longueur au repos des ressorts utilisés par la commande ARETES.\n"),
    Texte("\nL [l]\n\nSans paramètre, L affiche la longueur actuelle.\nSi l est un nombre réel positif ou nul (de la forme a.b avec a entre 0 et 9999 et b entre 0 et 9999) alors la longueur est réglée à l.\nUne valeur négative remet la longueur à "),
    Entier(0),  // the default length, 0.0, shown as an integer
    Texte(".\n\n"),
};

inline constexpr MorceauAide kDesinstaller[] = {
    Texte("La commande DESINSTALLER supprime la base de données du programme, puis ferme le programme.\n"),
    Texte("\nDESINSTALLER\n\nToutes les valeurs de références et les positions enregistrées, les marques de validité et l'état des modes sont perdus.\n"),
    Texte(kPhraseConfirmation),
    Texte("supprimer la base de données.\n"
          "Si la base de données ne peut pas être supprimée, un message l'indique et le programme se ferme après un appui sur entrée.\n\n"),
};

inline constexpr MorceauAide kExporter[] = {
    Texte("La commande EXPORTER enregistre la configuration actuelle avec tout ce que le programme en sait, dans un format que d'autres outils lisent.\n"),
    Texte("\n"
          "EXPORTER\n"
          "\n"
          "La commande vous demande le nom du fichier, comme ENREGISTRER ; si le fichier existe déjà, il est remplacé. Le format suit l'extension du nom : .json ou .csv ; tout autre nom est refusé.\n"
          "En JSON, les clés sont : n (le nombre de particules), s (l'exposant), seed (la graine), energy (l'énergie de Coulomb), riesz_energy (l'énergie de Riesz d'exposant s), min_distance (la distance minimale), positions (un triplet x, y, z par particule), degrees (le degré de chaque particule dans l'enveloppe convexe), scars (le numéro de la cicatrice de chaque particule, à partir de 1, ou 0 hors d'une cicatrice), defects (les nombres qu'affiche DEFAUTS) et point_group (le groupe ponctuel, à la tolérance de SYMETRIE).\n"
          "En CSV, une ligne x,y,z,degree,scar par particule après la ligne d'en-tête.\n"
          "Les nombres réels sont écrits avec 17 chiffres significatifs : relus, ils redonnent exactement les mêmes valeurs.\n\n"),
};

inline constexpr MorceauAide kTrace[] = {
    Texte("La commande TRACE enregistre la convergence des commandes MINIMISER et EXPLORER dans un fichier CSV.\n"),
    Texte("\n"
          "TRACE [ON|OFF]\n"
          "\n"
          "Sans paramètre, TRACE dit si la trace est active et dans quel fichier.\n"
          "Avec ON, la commande vous demande le nom du fichier, comme ENREGISTRER ; une trace déjà ouverte est d'abord fermée. Avec OFF, le fichier est fermé ; il l'est aussi à la fin du programme. La trace est désactivée au démarrage.\n"
          "Tant qu'elle est active, chaque commande écrit d'abord sa ligne d'en-tête, puis :\n"
          "- MINIMISER, une ligne par itération : iteration, evaluations (les passages sur les paires), energy (l'énergie de Coulomb), riesz_energy (l'énergie de Riesz d'exposant S), max_tangential_force (la plus grande force tangentielle de cette énergie) ;\n"
          "- EXPLORER, une ligne par saut de chaque marcheur (le saut 0 est la descente du départ) : hop, walker, energy (l'énergie du minimum du saut), lowest (la plus basse trouvée jusque-là par ce marcheur), accepted (1 si le saut est retenu, 0 sinon), temperature, seconds (depuis le départ du marcheur). Les lignes de plusieurs marcheurs peuvent arriver dans n'importe quel ordre.\n"
          "Les nombres réels sont écrits avec 17 chiffres significatifs. Quand S ne vaut pas 1, l'énergie de Coulomb de chaque itération demande un calcul de plus.\n\n"),
};

}  // namespace aide
