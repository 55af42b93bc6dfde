// Building the convex hull of the particles (its storage is etat/maillage.h):
// edge and face lists, per-particle degree and dual cells.
#pragma once

#include "etat/maillage.h"

// Builds the hull by gift wrapping unless hullValid is set (then returns at
// once, printing nothing); with printCount, writes "Nombre d'itérations : "
// and the step count. Sets every particle's degree, and with the DUAL mode on
// makes the dual cells (hull/dual.h): dualCorners.size() == degree for every
// particle, even after a build that could not close. A configuration that would need more faces or edges
// than the arrays hold (coincident particles, NaN positions) stops at the last
// step that fits, with `complete` false; hullValid is set all the same, so
// that callers do not rebuild it over and over.
void CalculerEnveloppe(bool printCount) REQUIRES(verrouEtat);
