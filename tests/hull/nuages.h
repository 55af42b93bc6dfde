// Point sets for the hull tests: random, spiral, clustered and degenerate.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "etat/vec3.h"

struct Nuage {
    std::string name;
    std::vector<Vec3> points;
};

std::vector<Vec3> Aleatoire(int n, uint64_t seed);
std::vector<Vec3> Spirale(int n);                              // evenly spread, golden-angle spiral
std::vector<Vec3> Amas(int n, int clusters, double spread, uint64_t seed);  // gaussian clumps
std::vector<Vec3> Calotte(int n, double zMin, uint64_t seed);  // all in the cap z >= zMin
std::vector<Vec3> Anneaux(int rings, int perRing);             // latitude rings and both poles: many cocircular quads
std::vector<Vec3> Quantifie(int n, double step, uint64_t seed);  // coordinates rounded to a step: near ties, duplicates
std::vector<Vec3> GrandCercle(int n, uint64_t seed);           // all on one tilted great circle
std::vector<Vec3> Doublons(int n, uint64_t seed);              // every point twice, in shuffled order

// The sets above at several sizes and seeds, with a name for failure messages.
std::vector<Nuage> Catalogue();
