// SYMETRIE: the point group of the configuration, at a tolerance on the
// positions that SYMETRIE a.b sets for the session; DEFAUTS and the writers
// of configurations report the group at that tolerance too.
#pragma once

#include "mathematiques/symetrie.h"
#include "shell/commande.h"

void CommandeSymetrie(const Ligne& ligne);

// The tolerance in force (kToleranceSymetrie until SYMETRIE a.b).
double ToleranceSymetrie();

// The group of the current positions at that tolerance (takes the state lock
// to copy them).
GroupePonctuel GroupeCourant();

// "Groupe ponctuel : Ih, d'ordre 120" and a line end.
void EcrireGroupe(const GroupePonctuel& g);
