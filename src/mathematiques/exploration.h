// Global search by basin hopping (Wales and Doye): each hop perturbs the
// current minimum, runs a full descent, and keeps the new minimum by the
// Metropolis rule on the minimised energies, at a temperature that follows
// the acceptance rate. The lowest minimum met is the result.
#pragma once

#include <atomic>
#include <functional>
#include <span>

#include "etat/vec3.h"
#include "mathematiques/minimisation.h"

// Descents without an iteration bound of their own.
inline ParametresDescente DescentesDExploration() {
    ParametresDescente d;
    d.iterationsMax = 100000;
    return d;
}

struct ParametresExploration {
    long long sauts = 100;
    // The descents: exponent, tolerance, memory; iterationsMax per descent.
    // Its stop flag and callback are not used (see below).
    ParametresDescente descente = DescentesDExploration();
    const std::atomic<bool>* arret = nullptr;  // polled between hops and inside descents
    // Each new lowest minimum: the hop (0 for the start's own descent), log of
    // the energy sum, the positions (valid during the call only).
    std::function<void(long long saut, double logEnergie, std::span<const Vec3> positions)> nouveauMinimum;
    // After each hop: the hop and the log of the lowest energy sum so far.
    std::function<void(long long saut, double logMeilleur)> apresSaut;
};

struct BilanExploration {
    long long sauts = 0;        // hops made
    long long evaluations = 0;  // passes over the pairs, all descents
    long long meilleurSaut = 0;  // the hop that found the result
    double logEnergie = 0.0;    // the result's
    double acceptation = 0.0;   // share of hops accepted
};

// Searches from `positions` and leaves the lowest minimum found there (also
// when stopped). Draws from the shared generator on the calling thread only,
// so that a run repeats with the same seed and number of workers.
BilanExploration Explorer(std::span<Vec3> positions, const ParametresExploration& parametres);
