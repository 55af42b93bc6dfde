// AIDE: the command list and the detailed help topics.
#include "shell/commandes.h"

#include "ternex/ternex.h"

void CommandeAide(int, const CommandWord*) { console.write("Commande inconnue.\n"); }
