// Local maximisation of the smallest distance (the Tammes problem) by
// sequential linear programming in a trust region: each iteration moves the
// particles in their tangent planes so as to maximise the smallest of the
// linearised distances of the nearly closest pairs (one linear program,
// solved by GLPK's simplex), keeps the move only if the true smallest
// distance grows, and widens or narrows the region by how well the
// linearisation predicted it.
#pragma once

#include <atomic>
#include <functional>
#include <span>

#include "etat/vec3.h"

struct ParametresTammes {
    long long iterationsMax = 1000;            // linear programs solved at most
    // Polled before each iteration and between two slices of a simplex (of
    // pivotsParTranche pivots, 100 when 0): a stop is answered within a
    // slice, the positions as the last kept move left them.
    const std::atomic<bool>* arret = nullptr;
    int pivotsParTranche = 0;
    // Particles per piece when the program is solved in pieces: 0 for the
    // default (one program up to 1000 particles, pieces of about 250 above),
    // else pieces of about this many particles whatever the count.
    int particulesParMorceau = 0;
    // After each iteration: how many so far and the smallest distance now.
    std::function<void(long long iteration, double distance)> apresIteration;
    // After each slice of a simplex that has not ended, with the pivots of
    // that program so far (one program only: not when solved in pieces).
    std::function<void(long long pivots)> pendantResolution;
};

enum class FinTammes {
    stationnaire,  // no move within the region can widen the smallest distance
    iterations,    // iterationsMax programs solved
    arret,         // the stop flag was raised
    echec,         // the solver found no solution (reported, positions kept)
};

struct BilanTammes {
    long long iterations = 0;   // programs solved
    long long pas = 0;          // moves kept
    double distanceAvant = 0.0;
    double distanceApres = 0.0;
    int contacts = 0;           // pairs within 1e-9 of the smallest distance at the end
    long long pivots = 0;       // simplex iterations, all programs together
    FinTammes fin = FinTammes::stationnaire;
};

// Polishes `positions` in place (made fit first, see SeparerPositions). The
// smallest distance never decreases.
BilanTammes PolirTammes(std::span<Vec3> positions, const ParametresTammes& parametres);
