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
    const std::atomic<bool>* arret = nullptr;  // polled after each iteration
    // After each iteration: how many so far and the smallest distance now.
    std::function<void(long long iteration, double distance)> apresIteration;
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
    FinTammes fin = FinTammes::stationnaire;
};

// Polishes `positions` in place (made fit first, see SeparerPositions). The
// smallest distance never decreases.
BilanTammes PolirTammes(std::span<Vec3> positions, const ParametresTammes& parametres);
