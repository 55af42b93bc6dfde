// Spring models along the hull. They treat a stale hull as
// enveloppe_listes.h says: the lists as they stand, hullValid or not.
#pragma once

// Each face pulls or pushes its three edges toward the face's mean edge
// length, by stringResistance times the difference.
void ForceFaces();

// Each edge is a spring of rest length springLength and stiffness
// stringResistance.
void ForceAretes();
