#include <cstdio>

#include "shell/commandes.h"

void CommandeGraph(int, const CommandWord*) { std::fputs("Commande inconnue.\n", stdout); }

void CommandeImage(int, const CommandWord*) { std::fputs("Commande inconnue.\n", stdout); }

void FermerGraphique() {}
