// Topological defects of a triangulation of the sphere, from its edge list
// and the particles' degrees. A particle's charge is 6 - degree; the charges
// add up to 12 for any triangulation of the sphere. The particles of degree
// other than 6, joined by edges, form connected clusters, each with the sum
// of its particles' charges: a particle alone is an isolated disclination; a
// cluster of more than one particle is a scar when its charge is not 0 and a
// dislocation when it is (a 5-7 pair, or several bound together).
#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <vector>

#include "etat/maillage.h"

// Each particle's cluster, and each cluster's charge and size, for those who
// show or write them particle by particle.
struct AmasDefauts {
    std::vector<int> amas;     // per particle: its cluster, -1 at degree 6
    std::vector<int> charges;  // per cluster: the sum of 6 - degree
    std::vector<int> tailles;  // per cluster: its particles
};

// Clusters are numbered in the order of their lowest particle. Edges naming
// a particle outside the degrees, or a particle twice, are skipped.
AmasDefauts TrouverAmas(std::span<const HullEdge> aretes, std::span<const int32_t> degres);

struct Defauts {
    std::vector<int> parDegre;           // parDegre[d]: particles of degree d (size: largest degree + 1)
    int charge = 0;                      // sum of 6 - degree
    int disclinations = 0;               // isolated disclinations
    int cicatrices = 0;                  // scars
    std::map<int, int> chargesCicatrices;  // charge -> scars of that charge
    int cinqEnCicatrices = 0;            // degree-5 particles in scars
    int septEnCicatrices = 0;            // degree-7 particles in scars
    int dislocations = 0;                // neutral clusters
};

Defauts CompterDefauts(std::span<const HullEdge> aretes, std::span<const int32_t> degres);
