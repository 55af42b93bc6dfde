// The convex hull of the particles: edge and face lists, per-particle degree
// and dual cells.
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

struct HullMesh {
    std::vector<HullEdge> edges;  // capacity: 3N - 6 in general position (see AllouerEnveloppe)
    std::vector<HullFace> faces;
    int edgeCount = 0;            // entries the last build really made; walk these, not 3N - 6
    int faceCount = 0;
};

extern HullMesh enveloppe;
extern std::atomic<bool> hullValid;      // the lists describe the current positions
extern std::atomic<bool> dualAllocated;  // every particle's dualCorners is allocated

// Held by a build and by readers of the hull arrays on the viewer thread.
std::mutex& verrouEnveloppe();

// Frees the dual corners (when allocated), replaces the storage by zero-filled
// lists for n particles, and clears hullValid, dualAllocated and the counts.
void AllouerEnveloppe(int n);

// Builds the hull by gift wrapping unless hullValid is set; with printCount,
// writes "Nombre d'itérations : " and the step count.
void CalculerEnveloppe(bool printCount);
