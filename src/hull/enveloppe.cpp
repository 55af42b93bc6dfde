#include "hull/enveloppe.h"

#include <algorithm>

#include "hull/dual.h"
#include "hull/emballage.h"
#include "etat/particules.h"
#include "etat/modes.h"
#include "ternex/ternex.h"

namespace {

// Builds from the current positions; returns the number of wrapping steps.
int Construire() REQUIRES(verrouEtat) {
    const int count = std::min<int>(etat.count, static_cast<int>(etat.particles.size()));
    std::vector<Vec3> positions(count);
    for (int i = 0; i < count; ++i) positions[i] = etat.particles[i].position;
    std::vector<int32_t> degres;
    const BilanEnveloppe bilan = Envelopper(positions, enveloppe.edges, enveloppe.faces, degres, Recherche::Grille);
    enveloppe.edgeCount = bilan.edgeCount;
    enveloppe.faceCount = bilan.faceCount;
    enveloppe.complete = bilan.complete;
    for (int i = 0; i < count; ++i) etat.particles[i].degree = degres[i];
    if (modes.dual) CalculerDual();
    return bilan.steps;
}

}  // namespace

void CalculerEnveloppe(bool printCount) {
    if (hullValid) return;
    const int steps = Construire();
    hullValid = true;
    if (printCount) console.write("Nombre d'itérations : ").write(steps).write("\n");
}
