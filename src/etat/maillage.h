// The hull mesh of the particles: edge and face lists and the flags that say
// what they describe. Built by the hull module (hull/enveloppe.h), read by the
// forces and the viewer, all under verrouEtat.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "etat/verrous.h"

struct HullEdge {
    int16_t lo;
    int16_t hi;
};

struct HullFace {
    int16_t v[3];
};

// The sizes of `edges` and `faces` are their capacities (3N - 6 and 2N - 4,
// at least 3 and 2): the counts a hull in general position reaches. A build
// never writes past them; readers walk edgeCount and faceCount.
struct HullMesh {
    std::vector<HullEdge> edges;  // in creation order; the first three keep the first face's order, later ones lo < hi
    std::vector<HullFace> faces;  // in creation order; not consistently oriented
    int edgeCount = 0;            // entries the last build really made; walk these, not 3N - 6
    int faceCount = 0;
    bool complete = false;        // the last build closed every edge (false when it ran out of room)
};

extern HullMesh enveloppe GUARDED_BY(verrouEtat);

// Set by a build; cleared under verrouEtat by whatever moves particles or
// changes the count. Set, the lists were built from the current positions,
// except during a counted loop: its steps move the particles without clearing
// it (the hull-based steps follow the neighbour lists of the build made before
// the loop, or of a frame's build meanwhile), and the loop clears it at its end.
extern std::atomic<bool> hullValid;
extern std::atomic<bool> dualAllocated;  // every particle's dualCorners is allocated (under verrouEtat)

// Frees the dual corners (when allocated), replaces the storage by zero-filled
// lists for n particles, and clears hullValid, dualAllocated and the counts.
void AllouerEnveloppe(int n) REQUIRES(verrouEtat);
