// Starting configurations shared by the benchmarks of the descents.
#pragma once

#include <vector>

#include "etat/particules.h"
#include "etat/vec3.h"
#include "mathematiques/hasard.h"
#include "mathematiques/placement.h"

namespace bench {

// n points drawn uniformly on the sphere from the program's generator, seeded.
inline std::vector<Vec3> Aleatoires(int n, long graine) {
    InitialiserHasard(graine);
    std::vector<Vec3> p(n);
    for (Vec3& v : p) TirerPointSphere(v, 1.0);
    return p;
}

// As PLACER SPIRALE with its default step.
inline std::vector<Vec3> Spirale(int n) {
    std::vector<Vec3> p(n);
    CalculerSpirale(kDefaultSpiralStep, p);
    return p;
}

}  // namespace bench
