// Spring models along the hull: they read the lists as they stand, whether
// or not the hull describes the current positions.
#pragma once

#include "etat/verrous.h"

// Each face pulls or pushes its three edges toward the face's mean edge
// length, by stringResistance times the difference.
void ForceFaces() REQUIRES(verrouEtat);

// Each edge is a spring of rest length springLength and stiffness
// stringResistance.
void ForceAretes() REQUIRES(verrouEtat);
