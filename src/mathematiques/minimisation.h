// Local minimisation of the Riesz energy on the sphere: limited-memory BFGS
// on the tangent planes (the two-loop recursion), each step along the search
// direction followed by bringing every particle back onto the sphere, with a
// line search that meets the strong Wolfe conditions and never accepts a step
// that raises the energy.
#pragma once

#include <atomic>
#include <functional>
#include <span>

#include "etat/vec3.h"

// Where a descent stands after an accepted step.
struct EtapeDescente {
    long long iteration;
    double logEnergie;                // log of the sum of r^-s (ObjectifRiesz's f): the start's plus every step's change
    double variation;                 // this step's change of it, below 0, exact to its own last places
    double critere;                   // see ParametresDescente::tolerance
    std::span<const Vec3> positions;  // valid during the call only
    long long evaluations = 0;        // passes over the pairs so far
    // The forces at the positions (valid during the call only) times
    // facteurForces are those of the sum of r^-s: the descent keeps them at a
    // scale of its own (objectif_riesz.h). Read them with
    // PlusGrandeForceTangentielle when needed, so that a step costs nothing more.
    std::span<const Vec3> forces = {};
    double facteurForces = 1.0;
};

struct ParametresDescente {
    double exposant = 1.0;          // s, -2 <= s <= 1000
    long long iterationsMax = 1000;
    // Ends when the largest tangential force on a particle falls below this
    // times the mean magnitude of the particles' total forces.
    double tolerance = 1e-9;
    int memoire = 20;  // curvature pairs kept (bench/README.md: why 20)
    const std::atomic<bool>* arret = nullptr;  // polled after each iteration
    bool estimerEcart = false;                 // BilanDescente::ecartEstime wanted
    std::function<void(const EtapeDescente&)> apresPas;  // after each accepted step
};

enum class FinDescente {
    critere,     // the tolerance was met
    iterations,  // iterationsMax steps taken
    arret,       // the stop flag was raised
    bloquee,     // no step lowers the energy any more, even the steepest one
};

struct BilanDescente {
    long long iterations = 0;
    long long evaluations = 0;  // passes over the pairs
    double critere = 0.0;       // at the end
    double logEnergie = 0.0;    // at the end, as EtapeDescente::logEnergie
    // How far above its minimum's log E the end lies, as the descent's
    // curvature memory sees it (0 when it holds none or was not asked).
    double ecartEstime = 0.0;
    FinDescente fin = FinDescente::critere;
};

// Minimises from `positions` and leaves the result there. The positions are
// made fit first (SeparerPositions: unit, finite, coincident ones apart). The
// energy passes run on PreparerEquipe() workers; the path does not depend on
// their number beyond rounding, and repeats bit for bit with the same number.
BilanDescente Minimiser(std::span<Vec3> positions, const ParametresDescente& parametres);

// The tolerance's measure at `positions` for the exponent s: the largest
// tangential force over the mean magnitude of the total forces (one pass).
double CritereDescente(std::span<const Vec3> positions, double s);
