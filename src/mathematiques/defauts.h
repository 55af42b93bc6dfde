// Topological defects of a triangulation of the sphere, from its edge list
// and the particles' degrees: how many particles have each degree, the total
// charge sum of (6 - degree) (12 for any triangulation of the sphere), and
// the defects gathered in scars (connected clusters of more than one
// particle of degree other than 6, joined by edges).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "etat/maillage.h"

struct Defauts {
    std::vector<int> parDegre;  // parDegre[d]: particles of degree d (size: largest degree + 1)
    int charge = 0;             // sum of 6 - degree
    int cicatrices = 0;         // scars
    int cinqEnCicatrices = 0;   // degree-5 particles in scars
    int septEnCicatrices = 0;   // degree-7 particles in scars
};

// Edges naming a particle outside the degrees, or a particle twice, are
// skipped.
Defauts CompterDefauts(std::span<const HullEdge> aretes, std::span<const int32_t> degres);
