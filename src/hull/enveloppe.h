// Building the convex hull of the particles (its storage is etat/maillage.h):
// edge and face lists, per-particle degree and dual cells.
#pragma once

#include <cstdint>
#include <vector>

#include "etat/maillage.h"
#include "etat/vec3.h"
#include "hull/dual.h"

// Builds the hull by gift wrapping unless hullValid is set (then returns at
// once, printing nothing); with printCount, writes "Nombre d'itérations : "
// and the step count. Sets every particle's degree, and with the DUAL mode on
// makes the dual cells (hull/dual.h): dualCorners.size() == degree for every
// particle, even after a build that could not close. A configuration that would need more faces or edges
// than the arrays hold (coincident particles, NaN positions) stops at the last
// step that fits, with `complete` false; hullValid is set all the same, so
// that callers do not rebuild it over and over.
void CalculerEnveloppe(bool printCount) REQUIRES(verrouEtat);

// A hull built apart from the shared state, from a copy of the positions, so
// that the build can run without verrouEtat and be published afterwards.
struct EnveloppeCopiee {
    HullMesh maillage;            // edges.size() and faces.size() are the capacities, as in `enveloppe`
    std::vector<int32_t> degres;  // one per position
    CoinsDual dual;               // when avecDual
    bool avecDual = false;
    int steps = 0;
};

// Sizes e's lists to the capacities of the shared lists.
void PrendreCapacites(EnveloppeCopiee& e) REQUIRES(verrouEtat);
// Builds into e (lists within the capacities PrendreCapacites gave, degrees,
// and with avecDual the dual corners) what CalculerEnveloppe would build from
// these positions; touches no shared state.
void ConstruireEnveloppe(const std::vector<Vec3>& positions, bool avecDual, EnveloppeCopiee& e);
// Installs e as the shared hull, leaving what a build by CalculerEnveloppe
// leaves: the lists, every particle's degree, the dual cells when e has them
// (their colours drawn now), hullValid set. The caller makes sure e was built
// from the current positions and capacities.
void PublierEnveloppe(const EnveloppeCopiee& e) REQUIRES(verrouEtat);
