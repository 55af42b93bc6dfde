// Gift wrapping written plainly from its description, scan and all: the
// yardstick for the program's faster search.
#pragma once

#include <array>
#include <vector>

#include "etat/vec3.h"

struct EnveloppeReference {
    std::vector<std::array<int, 2>> edges;
    std::vector<std::array<int, 3>> faces;
    std::vector<int> degree;
    int steps = 0;
    bool complete = false;
};

// Stops, like the program, before a step whose face or new edges would exceed
// the capacities.
EnveloppeReference EnvelopperReference(const std::vector<Vec3>& p, int edgeCap, int faceCap);
