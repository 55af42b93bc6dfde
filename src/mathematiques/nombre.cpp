// The count change. Only positions survive it; the old records (with their
// dual corners) are freed once the new array is in place.
#include <algorithm>
#include <utility>
#include <vector>

#include "etat/maillage.h"
#include "etat/particules.h"
#include "mathematiques/placement.h"

void ChangerNombre(int n, bool keepPositions) {
    etat.resizing = true;
    std::vector<ParticleRecord> nouveau(n);
    if (keepPositions) {
        const int gardes = std::min(etat.count, n);
        for (int i = 0; i < gardes; ++i) nouveau[i].position = etat.particles[i].position;
    }
    if (n != etat.count) ++etat.changementsDeNombre;
    std::swap(etat.particles, nouveau);  // `nouveau` now holds the old records
    etat.count = n;
    MarquerDeplacement();
    if (!keepPositions) PlacerAleatoirement(0);
    AllouerEnveloppe(n);
    nouveau = {};
    etat.resizing = false;
}
