// Configurations drawn at random within a point group: the large counts'
// lowest arrangements often have a symmetry, and among the configurations of
// a group the search is one of N / |G| particles, whose random starts reach
// it far more often than random points do (N = 470, group S6: 5 descents in
// 20 end at the published minimum; bench/README.md, "Symmetric starts").
#pragma once

#include <span>

#include "etat/vec3.h"
#include "mathematiques/hasard.h"

// The groups drawn from: the cyclic Cm (m = 2 to 6), whose axis holds at
// most two particles, and the improper S2m (m = 1 to 3: Ci, S4, S6), whose
// axis holds none or a pair.
struct GroupeTire {
    int m = 1;
    bool impropre = false;  // S2m: a turn by pi/m then the reflection through the equator
    int Ordre() const { return impropre ? 2 * m : m; }
};

// x.size() particles in random orbits of a group drawn among those that fit
// the count, about a random axis; the group drawn. Every count fits C2.
GroupeTire TirerSymetrique(std::span<Vec3> x, FluxHasard& h);
