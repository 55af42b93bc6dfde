// The hull mesh of the particles: edge and face lists, the flags that say
// whether they describe the current positions, and their lock. Built by the
// hull module (hull/enveloppe.h), read by the forces and the viewer.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

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

extern HullMesh enveloppe;
extern std::atomic<bool> hullValid;      // the lists describe the current positions
extern std::atomic<bool> dualAllocated;  // every particle's dualCorners is allocated

// Guards the hull arrays, every particle's degree, dualCorners and
// dualColour, and the two flags' changes. Taken by CalculerEnveloppe and
// AllouerEnveloppe, and by the viewer while it draws hull lines, triangles or
// dual cells. Lock order: the shell's or viewer's verrouEtat first, then this
// one. Not recursive: never call CalculerEnveloppe or AllouerEnveloppe while
// holding it.
std::mutex& verrouEnveloppe();

// Frees the dual corners (when allocated), replaces the storage by zero-filled
// lists for n particles, and clears hullValid, dualAllocated and the counts.
void AllouerEnveloppe(int n);
