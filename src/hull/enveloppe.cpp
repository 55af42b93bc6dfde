#include "hull/enveloppe.h"

#include <algorithm>

#include "etat/modes.h"
#include "etat/particules.h"
#include "hull/dual.h"
#include "hull/emballage.h"
#include "ternex/ternex.h"

namespace {

// The command thread's build, kept between builds so that its lists are not
// reallocated each time.
EnveloppeCopiee brouillon GUARDED_BY(verrouEtat);

// Builds from the current positions; returns the number of wrapping steps.
int Construire() REQUIRES(verrouEtat) {
    const int count = std::min<int>(etat.count, static_cast<int>(etat.particles.size()));
    std::vector<Vec3> positions(count);
    for (int i = 0; i < count; ++i) positions[i] = etat.particles[i].position;
    PrendreCapacites(brouillon);
    ConstruireEnveloppe(positions, modes.dual, brouillon);
    PublierEnveloppe(brouillon);
    return brouillon.steps;
}

}  // namespace

void CalculerEnveloppe(bool printCount) {
    if (hullValid) return;
    const int steps = Construire();
    if (printCount) console.write("Nombre d'itérations : ").write(steps).write("\n");
}

void PrendreCapacites(EnveloppeCopiee& e) {
    e.maillage.edges.resize(enveloppe.edges.size());
    e.maillage.faces.resize(enveloppe.faces.size());
}

void ConstruireEnveloppe(const std::vector<Vec3>& positions, bool avecDual, EnveloppeCopiee& e) {
    const BilanEnveloppe bilan = Envelopper(positions, e.maillage.edges, e.maillage.faces, e.degres, Recherche::Grille);
    e.maillage.edgeCount = bilan.edgeCount;
    e.maillage.faceCount = bilan.faceCount;
    e.maillage.complete = bilan.complete;
    e.steps = bilan.steps;
    e.avecDual = avecDual;
    if (avecDual) CalculerCoinsDual(positions, e.maillage, e.degres, e.dual);
}

void PublierEnveloppe(const EnveloppeCopiee& e) {
    const int count = std::min({etat.count, static_cast<int>(etat.particles.size()), static_cast<int>(e.degres.size())});
    const int edges = std::min(e.maillage.edgeCount, static_cast<int>(enveloppe.edges.size()));
    const int faces = std::min(e.maillage.faceCount, static_cast<int>(enveloppe.faces.size()));
    std::copy_n(e.maillage.edges.begin(), edges, enveloppe.edges.begin());
    std::copy_n(e.maillage.faces.begin(), faces, enveloppe.faces.begin());
    enveloppe.edgeCount = edges;
    enveloppe.faceCount = faces;
    enveloppe.complete = e.maillage.complete;
    for (int i = 0; i < count; ++i) etat.particles[i].degree = e.degres[i];
    if (e.avecDual) InstallerDual(e.dual);
    hullValid = true;
}
