// Computation commands: NB, PLACER, the counted loops, ENVELOPPE, AJOUTER.
#include "shell/commandes.h"

#include "ternex/ternex.h"

void CommandeNb(int, const CommandWord*) { console.write("Commande inconnue.\n"); }
void CommandePlacer(int, const CommandWord*) { console.write("Commande inconnue.\n"); }
void CommandeRelax(int, const CommandWord*) { console.write("Commande inconnue.\n"); }
void CommandeLocal(int, const CommandWord*) { console.write("Commande inconnue.\n"); }
void CommandeFaces(int, const CommandWord*) { console.write("Commande inconnue.\n"); }
void CommandeAretes(int, const CommandWord*) { console.write("Commande inconnue.\n"); }
void CommandeEloigne(int, const CommandWord*) { console.write("Commande inconnue.\n"); }
void CommandeApproche(int, const CommandWord*) { console.write("Commande inconnue.\n"); }
void CommandeMonteCarlo(int, const CommandWord*) { console.write("Commande inconnue.\n"); }
void CommandeEnveloppe(int, const CommandWord*) { console.write("Commande inconnue.\n"); }
void CommandeAjouter(int, const CommandWord*) { console.write("Commande inconnue.\n"); }
