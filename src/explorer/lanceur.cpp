// What a launcher tells a process it starts, through the environment.
#include <cstdlib>

#include "explorer/reseau.h"

namespace reseau {

namespace {

// Open MPI's mpirun, PMIx launchers (srun --mpi=pmix among them), Hydra and
// PMI-2 launchers (srun --mpi=pmi2).
constexpr const char* kRangs[] = {"OMPI_COMM_WORLD_RANK", "PMIX_RANK", "PMI_RANK"};

}  // namespace

int RangDuLanceur() {
    for (const char* nom : kRangs) {
        if (const char* v = std::getenv(nom)) return std::atoi(v);
    }
    return 0;
}

bool LanceParUnLanceur() {
    for (const char* nom : kRangs) {
        if (std::getenv(nom) != nullptr) return true;
    }
    return false;
}

}  // namespace reseau
