// Minimisation commands: MINIMISER, EXPLORER, S, TAMMES, DEFAUTS.
#pragma once

#include "shell/commande.h"

void CommandeMinimiser(const Ligne& ligne);
void CommandeExplorer(const Ligne& ligne);
void CommandeS(const Ligne& ligne);
void CommandeTammes(const Ligne& ligne);
void CommandeDefauts(const Ligne& ligne);
