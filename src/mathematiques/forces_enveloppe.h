// Spring models along the hull. They treat a stale hull as
// enveloppe_listes.h says: the lists as they stand, hullValid or not.
#pragma once

#include "etat/verrous.h"

// Each face pulls or pushes its three edges toward the face's mean edge
// length, by stringResistance times the difference.
void ForceFaces() REQUIRES(verrouEtat);

// Each edge is a spring of rest length springLength and stiffness
// stringResistance.
void ForceAretes() REQUIRES(verrouEtat);

// One step of FACES or ARETES: the force, then ModifierPosition, in one pass
// over the particles (the same numbers).
void DeplacerSelonFaces() REQUIRES(verrouEtat);
void DeplacerSelonAretes() REQUIRES(verrouEtat);
