// Reading the hull's lists from the force routines.
#pragma once

#include <algorithm>

#include "etat/maillage.h"
#include "etat/particules.h"

// Entries the last build made, never more than the storage holds.
inline int AretesConstruites() REQUIRES(verrouEtat) { return std::clamp(enveloppe.edgeCount, 0, static_cast<int>(enveloppe.edges.size())); }
inline int FacesConstruites() REQUIRES(verrouEtat) { return std::clamp(enveloppe.faceCount, 0, static_cast<int>(enveloppe.faces.size())); }

// An index the particle array has (lists of an older build are skipped, not followed).
inline bool IndiceValide(int i) REQUIRES(verrouEtat) { return i >= 0 && i < etat.count; }

// Adds the per-entry terms to the derivatives in list order, so that the
// parallel loops that computed them give the one-thread result exactly.
template <typename Terme>
void Repartir(const std::vector<Terme>& termes) REQUIRES(verrouEtat) {
    for (const Terme& t : termes) t.appliquer();
}
