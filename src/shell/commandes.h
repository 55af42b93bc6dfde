// Command handlers: each receives the line cut into words, word 0 being the
// command itself. The command table (table_commandes.cpp) names them.
#pragma once

#include <span>

#include "etat/particules.h"
#include "etat/vec3.h"
#include "shell/commande.h"

// Settings (commandes_reglages.cpp).
void CommandeK(const Ligne& ligne);
void CommandeP(const Ligne& ligne);
void CommandeR(const Ligne& ligne);
void CommandeL(const Ligne& ligne);
void CommandeChamp(const Ligne& ligne);
void CommandeMode(const Ligne& ligne);
void CommandeGraine(const Ligne& ligne);

// The viewer (commandes_graph.cpp).
void CommandeGraph(const Ligne& ligne);
void CommandeImage(const Ligne& ligne);

// Computation (commandes_calcul.cpp).
void CommandeNb(const Ligne& ligne);
void CommandePlacer(const Ligne& ligne);
void CommandeRelax(const Ligne& ligne);
void CommandeLocal(const Ligne& ligne);
void CommandeFaces(const Ligne& ligne);
void CommandeAretes(const Ligne& ligne);
void CommandeEloigne(const Ligne& ligne);
void CommandeApproche(const Ligne& ligne);
void CommandeMonteCarlo(const Ligne& ligne);
void CommandeEnveloppe(const Ligne& ligne);
void CommandeAjouter(const Ligne& ligne);

// Help (commandes_aide.cpp).
void CommandeAide(const Ligne& ligne);

// The record database (commandes_base.cpp).
void CommandeInfo(const Ligne& ligne);
void CommandeListe(const Ligne& ligne);
void CommandeCharger(const Ligne& ligne);
void CommandeSupprimer(const Ligne& ligne);
void CommandeMarquer(const Ligne& ligne);
void CommandeDesinstaller(const Ligne& ligne);

// Position files (commandes_fichiers.cpp) and exports (commandes_export.cpp).
void CommandeEnregistrer(const Ligne& ligne);
void CommandeExporter(const Ligne& ligne);

// Records that the command under way reported an error (unknown command,
// invalid parameter, failed load or save, database error): with --strict the
// run then ends with status 1.
void SignalerEchec();

// Shared by several commands.
void AfficherInfo();
void AfficherVecteur(double x, double y, double z);
// The energy of n particles from the descents' logarithm of their sum, also
// beyond the largest double ("1.5e400").
void EcrireEnergie(double logEnergie, int n);
// Installs positions as the configuration; the hull no longer describes them.
void CopierDansLEtat(std::span<const Vec3> p) REQUIRES(verrouEtat);
// "énergie de Riesz s = 6" (the exponent without its point when whole).
void EcrireNomRiesz(const char* energie, double s);

// Closes the viewer window if it is open (GRAPH OFF, shutdown). The caller
// must not hold verrouEtat: the window thread may be waiting for it.
void FermerGraphique();
