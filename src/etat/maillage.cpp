#include "etat/maillage.h"

#include <algorithm>

#include "etat/particules.h"

HullMesh enveloppe;
std::atomic<bool> hullValid{false};
std::atomic<bool> dualAllocated{false};

void AllouerEnveloppe(int n) {
    if (dualAllocated) {
        for (ParticleRecord& p : etat.particles) p.dualCorners = {};
    }
    enveloppe.edges.assign(std::max(3 * n - 6, 3), HullEdge{0, 0});
    enveloppe.faces.assign(std::max(2 * n - 4, 2), HullFace{{0, 0, 0}});
    enveloppe.edgeCount = 0;
    enveloppe.faceCount = 0;
    enveloppe.complete = false;
    hullValid = false;
    dualAllocated = false;
}
