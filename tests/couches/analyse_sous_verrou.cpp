// Reads the particle count under the state lock.
#include "etat/particules.h"

int Compte() {
    Garde verrou(verrouEtat);
    return etat.count;
}
