// The same step marked REQUIRES(verrouEtat): BoucleComptee calls it under
// the lock, which the analysis accepts.
#include "etat/particules.h"
#include "shell/boucle_comptee.h"

void Commande(const Ligne& ligne) {
    BoucleComptee(ligne, false, []() REQUIRES(verrouEtat) { etat.particles[0].position.x = 0.0; });
}
