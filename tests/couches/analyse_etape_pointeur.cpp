// A lock-checked routine passed as a plain function pointer: the pointer
// carries no REQUIRES, so BoucleComptee refuses it.
#include "etat/particules.h"
#include "shell/boucle_comptee.h"

void Etape() REQUIRES(verrouEtat) { etat.particles[0].position.x = 0.0; }

void Commande(const Ligne& ligne) { BoucleComptee(ligne, false, Etape); }
