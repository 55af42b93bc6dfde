// Spring models along the hull: they read the lists as they stand, whether
// or not the hull describes the current positions.
#pragma once

// Each face pulls or pushes its three edges toward the face's mean edge
// length, by stringResistance times the difference.
void ForceFaces();

// Each edge is a spring of rest length springLength and stiffness
// stringResistance.
void ForceAretes();
