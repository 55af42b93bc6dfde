#include "etat/particules.h"

#include <omp.h>

#include "etat/modes.h"

ParticleState etat;
SimParams params;
VerrouRecursif verrouEtat;

int NombreDeThreads() {
    return modes.openmp ? omp_get_num_procs() : 1;
}
