#include "etat/particules.h"

#include <omp.h>

#include <cstdlib>

#include "etat/modes.h"

ParticleState etat;
SimParams params;
VerrouRecursif verrouEtat;
// The test suite sets GLOMERIX_VERIFIER_GENERATION for every test program,
// the end-to-end runs of the program included.
#ifdef NDEBUG
std::atomic<bool> verifierGeneration{std::getenv("GLOMERIX_VERIFIER_GENERATION") != nullptr};
#else
std::atomic<bool> verifierGeneration{true};
#endif

int NombreDeThreads() {
    return modes.openmp ? omp_get_num_procs() : 1;
}

std::vector<Vec3> CopierPositions() {
    std::vector<Vec3> p(static_cast<size_t>(etat.count));
    for (size_t i = 0; i < p.size(); ++i) p[i] = etat.particles[i].position;
    return p;
}
