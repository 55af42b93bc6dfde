// Minimisation commands: MINIMISER, EXPLORER, S, TAMMES, DEFAUTS.
#pragma once

#include "mathematiques/exploration.h"
#include "shell/commande.h"

// Counts of the family when no count is typed.
inline constexpr long long kIterationsMinimiser = 1000;
inline constexpr long long kSautsExplorer = kSautsParDefaut;
inline constexpr long long kIterationsTammes = 1000;

void CommandeMinimiser(int count, const CommandWord* words);
void CommandeExplorer(int count, const CommandWord* words);
void CommandeS(int count, const CommandWord* words);
void CommandeTammes(int count, const CommandWord* words);
void CommandeDefauts(int count, const CommandWord* words);
