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
#include <vector>

#include "etat/maillage.h"
#include "etat/parallele.h"
#include "etat/particules.h"

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

// The corners of face f, or false when the entry contributes nothing.
inline bool SommetsFace(int f, int v[3]) REQUIRES(verrouEtat) {
    const HullFace& face = enveloppe.faces[f];
    for (int k = 0; k < 3; ++k) {
        if (!IndiceValide(face.v[k])) return false;
    }
    for (int k = 0; k < 3; ++k) v[k] = face.v[k];
    return true;
}

// Sets every derivative with debuter(derivative), then adds one term per list
// entry to the derivatives in list order: calculer(e, t) fills t and returns
// false when the entry contributes nothing, t.appliquer() adds it. One worker
// does both in one pass; several compute the terms into a buffer kept from
// step to step, then one thread adds them in list order, the same sums.
template <typename Terme, typename Debut, typename Calcul>
void SommerSurListe(int entrees, Debut debuter, Calcul calculer) REQUIRES(verrouEtat) {
    const int n = etat.count;
    const int equipe = PreparerEquipe(entrees, kSeuilEntrees);
    if (equipe == 1) {
        for (int i = 0; i < n; ++i) debuter(etat.particles[i].derivative);
        Terme t;
        for (int e = 0; e < entrees; ++e) {
            if (calculer(e, t)) t.appliquer();
        }
        return;
    }
    // Used under verrouEtat only; grows to the largest list and stays.
    static std::vector<Terme> termes;
    static std::vector<char> actifs;
    termes.resize(static_cast<size_t>(entrees));
    actifs.resize(static_cast<size_t>(entrees));
#pragma omp parallel num_threads(equipe)
    {
#pragma omp for schedule(static)
        for (int i = 0; i < n; ++i) debuter(etat.particles[i].derivative);
#pragma omp for schedule(static)
        for (int e = 0; e < entrees; ++e) actifs[e] = calculer(e, termes[e]);
    }
    for (int e = 0; e < entrees; ++e) {
        if (actifs[e]) termes[e].appliquer();
    }
}
