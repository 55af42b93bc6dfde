// Reads the particle count without the state lock.
#include "etat/particules.h"

int Compte() { return etat.count; }
