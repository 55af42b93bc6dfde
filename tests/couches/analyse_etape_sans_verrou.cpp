// A counted loop's step that reads the particles but is not marked
// REQUIRES(verrouEtat): the analysis refuses its body.
#include "etat/particules.h"
#include "shell/boucle_comptee.h"

void Commande(const Ligne& ligne) {
    BoucleComptee(ligne, false, [] { etat.particles[0].position.x = 0.0; });
}
