// Gift wrapping on a plain array of positions: the first face and the
// wrapping loop, independent of the global state so that tests can compare
// the ways of choosing each new vertex.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "etat/vec3.h"
#include "hull/enveloppe.h"

enum class Recherche {
    Grille,    // the grid search (falls back to the scan when the positions do not suit it)
    Balayage,  // the scan of every particle at every step
};

struct BilanEnveloppe {
    int steps = 0;
    int edgeCount = 0;
    int faceCount = 0;
    bool complete = false;  // the open set emptied; false when the arrays filled up first
    bool grille = false;    // the grid search was used
    long long replis = 0;   // steps where it fell back to the full scan
};

// Sets every degree to 0 and returns the first face (d, g, b): d and g the two
// lowest particles (lowest index on equal z), b the particle met first by the
// plane pivoted about d-g, or, when that plane cut past other particles, the
// one that makes d-g-b a face of the hull.
std::array<int, 3> ChoisirPremiereFace(const std::vector<Vec3>& pos, std::vector<int32_t>& degree);

// Wraps the hull of pos into edges and faces, whose sizes are their
// capacities, and sets degree (resized to pos.size()) to the edge count of
// each particle. Makes nothing (all counts 0) unless there are 3 to 32767
// positions, room for 3 edges and for a face.
// Never writes past the capacities: a step whose face or new edges would not
// fit is not made, and the build stops there with complete = false. Each step
// appends one face, so steps <= faces.size() - 1 and the loop always ends.
BilanEnveloppe Envelopper(const std::vector<Vec3>& pos, std::vector<HullEdge>& edges,
                          std::vector<HullFace>& faces, std::vector<int32_t>& degree, Recherche mode);
