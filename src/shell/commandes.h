// Command handlers: each receives the word count and the word list, word 0
// being the command itself. The command table (table_commandes.cpp) names them.
#pragma once

#include "shell/commande.h"

// Settings (commandes_reglages.cpp).
void CommandeK(int count, const CommandWord* words);
void CommandeP(int count, const CommandWord* words);
void CommandeR(int count, const CommandWord* words);
void CommandeL(int count, const CommandWord* words);
void CommandeChamp(int count, const CommandWord* words);
void CommandeMode(int count, const CommandWord* words);
void CommandeGraine(int count, const CommandWord* words);

// The viewer (commandes_graph.cpp).
void CommandeGraph(int count, const CommandWord* words);
void CommandeImage(int count, const CommandWord* words);

// Computation (commandes_calcul.cpp).
void CommandeNb(int count, const CommandWord* words);
void CommandePlacer(int count, const CommandWord* words);
void CommandeRelax(int count, const CommandWord* words);
void CommandeLocal(int count, const CommandWord* words);
void CommandeFaces(int count, const CommandWord* words);
void CommandeAretes(int count, const CommandWord* words);
void CommandeEloigne(int count, const CommandWord* words);
void CommandeApproche(int count, const CommandWord* words);
void CommandeMonteCarlo(int count, const CommandWord* words);
void CommandeEnveloppe(int count, const CommandWord* words);
void CommandeAjouter(int count, const CommandWord* words);

// Help (commandes_aide.cpp).
void CommandeAide(int count, const CommandWord* words);

// The record database (commandes_base.cpp).
void CommandeInfo(int count, const CommandWord* words);
void CommandeListe(int count, const CommandWord* words);
void CommandeCharger(int count, const CommandWord* words);
void CommandeSupprimer(int count, const CommandWord* words);
void CommandeMarquer(int count, const CommandWord* words);
void CommandeDesinstaller(int count, const CommandWord* words);

// Position files (commandes_fichiers.cpp).
void CommandeEnregistrer(int count, const CommandWord* words);

// Records that the command under way reported an error (unknown command,
// invalid parameter, failed load or save, database error): with --strict the
// run then ends with status 1.
void SignalerEchec();

// Shared by several commands.
void AfficherInfo();
void AfficherVecteur(double x, double y, double z);

// Closes the viewer window if it is open (GRAPH OFF, shutdown). The caller
// must not hold verrouEtat: the window thread may be waiting for it.
void FermerGraphique();
