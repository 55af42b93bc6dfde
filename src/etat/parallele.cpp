#include "etat/parallele.h"

#include <omp.h>

#include <atomic>

#include "etat/particules.h"

namespace {
std::atomic<int> equipeImposee{0};
}

int EquipeSimulation() {
    const int imposee = equipeImposee.load();
    return imposee > 0 ? imposee : NombreDeThreads();
}

void ImposerEquipe(int workers) { equipeImposee = workers > 0 ? workers : 0; }

int PreparerEquipe() {
    omp_set_dynamic(0);
    return EquipeSimulation();
}
