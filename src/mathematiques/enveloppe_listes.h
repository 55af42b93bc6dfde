// Reading the hull's lists from the routines that work along it.
//
// How every hull-based routine treats the hull, stale or not (ForceFaces,
// ForceAretes, AppliquerForceLocale and the pair moves, all through the
// helpers below):
// - hullValid is read once, on entry. Set, it means the lists come from a
//   build for this particle set; it does not promise that the particles have
//   not moved since: a counted loop builds once and keeps that build for all
//   of its steps, so the lists are used as they stand.
// - Clear, no build can be relied on: a routine that has an all-pairs form
//   runs it instead (AppliquerForceLocale the global force, the pair moves
//   every pair); the spring models have none and use the lists as they stand
//   (after a count change they are empty).
// - The lists are walked up to the counts of the last build, never past the
//   storage, and an entry that names a particle outside the array (a build for
//   another count) contributes nothing.
#pragma once

#include <algorithm>

#include "etat/maillage.h"
#include "etat/particules.h"
#include "mathematiques/noyaux_enveloppe.h"

// What a routine reads on entry.
struct ListesEnveloppe {
    bool construites;  // hullValid
    int aretes;        // entries to walk
    int faces;
};

inline ListesEnveloppe LireListes() REQUIRES(verrouEtat) {
    return {hullValid.load(), std::clamp(enveloppe.edgeCount, 0, static_cast<int>(enveloppe.edges.size())),
            std::clamp(enveloppe.faceCount, 0, static_cast<int>(enveloppe.faces.size()))};
}

// An index the particle array has.
inline bool IndiceValide(int i) REQUIRES(verrouEtat) { return i >= 0 && i < etat.count; }

// The ends of edge e, or false when the entry contributes nothing.
inline bool ExtremitesArete(int e, int& a, int& b) REQUIRES(verrouEtat) {
    const HullEdge& arete = enveloppe.edges[e];
    if (!IndiceValide(arete.lo) || !IndiceValide(arete.hi)) return false;
    a = arete.lo;
    b = arete.hi;
    return true;
}

// Compact copies of the positions and derivatives for the steps along the
// hull (see noyaux_enveloppe.h), kept from step to step: the positions are
// copied again only when the generation is not the one the last step left.
// Under verrouEtat only.
struct CopiesCompactes {
    Ligne4* p;
    Ligne4* d;
    int n;
};

// The copies for a step: every derivative set to `depart`, the positions current.
CopiesCompactes PreparerCopies(const Vec3& depart) REQUIRES(verrouEtat);

// Writes the copies' derivatives back; with `deplacer`, first moves the copies
// as ModifierPosition would and writes the positions too (and marks the move).
void RendreCopies(bool deplacer) REQUIRES(verrouEtat);

// Sets every derivative to `depart`, then lets noyau(p, d, n) add the
// entries' terms in list order to the copies, writes them back and, with
// `deplacer`, makes ModifierPosition's move in the same pass. On the calling
// thread: the additions in list order are one chain that a second worker
// could not share, and with the terms computed four at a time one pass is
// faster than the terms on a team followed by that chain.
template <typename Noyau>
void SommerSurListe(const Vec3& depart, bool deplacer, Noyau noyau) REQUIRES(verrouEtat) {
    const CopiesCompactes c = PreparerCopies(depart);
    noyau(c.p, c.d, c.n);
    RendreCopies(deplacer);
}
