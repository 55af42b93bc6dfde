// The command table: every word the prompt understands, with its handler,
// how it reads its words, its default step count, its line in AIDE's list,
// its help topic and the fixed words that may follow it. A new command is one
// row in table_commandes.cpp plus its handler in the file of its family:
//   commandes_aide.cpp      AIDE
//   commandes_reglages.cpp  K P R L CHAMP MODE
//   commandes_calcul.cpp    NB PLACER RELAX LOCAL LOCALE FACES ARETES ELOIGNE
//                           APPROCHE MONTECARLO ENVELOPPE AJOUTER
//   commandes_base.cpp      INFO LISTE CHARGER SUPPRIMER MARQUER DESINSTALLER
//   commandes_fichiers.cpp  ENREGISTRER (and the position files CHARGER FICHIER reads)
//   commandes_graph.cpp     GRAPH IMAGE
//   commandes_minimisation.cpp MINIMISER EXPLORER S TAMMES DEFAUTS
//   commandes_symetrie.cpp  SYMETRIE
// QUITTER has no handler: the loop ends on it.
#pragma once

#include <span>

#include "shell/aide_textes.h"
#include "shell/commande.h"

using Gestionnaire = void (*)(const Ligne& ligne);

// How a row reads its words. historique: as the program always has (an empty
// word from a trailing space is a word, read as the command reads it; a count
// that is not a number from 1 to 9999 runs one step). stricte, the commands
// added since: trailing empty words are dropped, and such a count is refused.
enum class Lecture : bool { historique, stricte };

struct Commande {
    const char* mot;                         // lower case, as the loop folds it
    Gestionnaire executer;                   // nullptr: QUITTER
    int mots;                                // words read after it at most; the loop warns of the others
    Lecture lecture;
    long long compte;                        // steps without a count word (LireCompte), 0: none counted
    const char* ligneListe;                  // its line in AIDE's list
    std::span<const MorceauAide> sujet;      // what AIDE mot writes (its Compte pieces: `compte`)
    std::span<const char* const> parametres; // fixed words that may follow, lower case

    constexpr CommandWord code() const { return Plier(mot); }
};

// Every command, in the order of AIDE's list.
std::span<const Commande> TableCommandes();

// The row of a folded word, or nullptr.
const Commande* TrouverCommande(CommandWord code);
