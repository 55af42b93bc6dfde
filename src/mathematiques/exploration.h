// Global search by basin hopping (Wales and Doye): each hop perturbs the
// current minimum, runs a full descent, and keeps the new minimum by the
// Metropolis rule on the minimised energies, at a temperature that follows
// the acceptance rate. The lowest minimum met is the result.
//
// Several walkers may search together, each with its own random stream and
// its own descents on one thread; every `partage` hops they meet, and a
// walker whose current minimum lies far above the group's lowest starts
// again from that lowest (echange.h carries the meetings and the reports).
#pragma once

#include <atomic>
#include <functional>
#include <span>
#include <vector>

#include "etat/vec3.h"
#include "mathematiques/echange.h"
#include "mathematiques/minimisation.h"

// Descents without an iteration bound of their own.
inline ParametresDescente DescentesDExploration() {
    ParametresDescente d;
    d.iterationsMax = 100000;
    return d;
}

// Hops of a search without a count of its own (EXPLORER, glomerix-explorer).
inline constexpr long long kSautsParDefaut = 100;

// Meetings of the walkers: every kPartage hops, a walker whose current log E
// is above the group's lowest by more than kEcartPartage times its own
// temperature starts again from the lowest (bench/README.md, "Walkers"):
// restarting every walker that is not at the lowest pulls them all into one
// funnel and reached the N = 200 minimum later or not at all; far above
// rarely happens at N = 100 to 200, where the walkers then search apart and
// two find a minimum in about half the hops of one; the meeting is there for
// a walker stuck far above, at larger counts.
inline constexpr long long kPartage = 10;
inline constexpr double kEcartPartage = 10.0;

// A hop's minimum as its descent ended: the hop (0 for the start's own
// descent), the walker, log of the energy sum, how far above the minimum's
// own log E it may lie (the descent's final gradient and curvature tell),
// the descent's criterion, the positions (valid during the call only).
struct MinimumDuSaut {
    long long saut = 0;
    int marcheur = 0;
    double logEnergie = 0.0;
    double ecart = 0.0;
    double critere = 0.0;
    std::span<const Vec3> positions;
};

struct ParametresExploration {
    long long sauts = 100;  // per walker
    // The descents: exponent, tolerance, memory; iterationsMax per descent.
    // Its stop flag and callback are not used (see below).
    ParametresDescente descente = DescentesDExploration();
    const std::atomic<bool>* arret = nullptr;  // polled between hops and inside descents
    // Seconds after which a walker makes no more hops; 0: no limit.
    double secondes = 0.0;
    // The walkers: one per seed, each seed its stream's. Empty: one walker,
    // its seed drawn from the shared generator.
    std::vector<long> graines;
    long long partage = kPartage;  // hops between meetings; 0: none
    // The local step that ends the start and each hop, Minimiser when empty:
    // it leaves a local optimum in the positions and gives, as logEnergie,
    // the measure the search lowers and compares (the Metropolis rule, the
    // announcements); a step of its own is not redone at a finer tolerance.
    // Called on the walkers' threads.
    std::function<BilanDescente(std::span<Vec3> positions, const ParametresDescente& descente)> descendre;
    double ecartPartage = kEcartPartage;
    // Each new lowest minimum of the search, in the order of (hop, walker):
    // the hop (0 for the start's own descent), log of the energy sum, the
    // positions (valid during the call only). On the calling thread.
    std::function<void(long long saut, double logEnergie, std::span<const Vec3> positions)> nouveauMinimum;
    // Every hop's minimum, accepted or not, the start's descent's at hop 0,
    // in the order of (hop, walker), as its descent left it. On the calling
    // thread.
    std::function<void(const MinimumDuSaut& m)> minimumDuSaut;
    // After hops: the hops every walker has finished and the log of the
    // lowest energy sum so far. On the calling thread.
    std::function<void(long long saut, double logMeilleur)> apresSaut;
    // Every report of a walker, as it arrives (any order across walkers;
    // the start's descent is hop 0). On the calling thread.
    std::function<void(const Rapport& r)> chaqueRapport;
};

struct BilanExploration {
    int marcheurs = 1;
    long long sauts = 0;        // hops made, all walkers
    long long evaluations = 0;  // passes over the pairs, all descents
    long long meilleurSaut = 0;  // the hop that found the result
    double logEnergie = 0.0;    // the result's
    double acceptation = 0.0;   // share of hops accepted
};

// Searches from `positions` and leaves the lowest minimum found there (also
// when stopped). One walker runs on the calling thread; more run on threads
// of their own while the calling thread hands on what they report. The
// result and the announcements depend on the seeds, never on timing.
BilanExploration Explorer(std::span<Vec3> positions, const ParametresExploration& parametres);

// One walker of a group, from its start to the group's end: the start's
// descent, hops, a meeting after every `partage` hops and at the end, a
// report after each hop. Walker 0 starts from `positions`, the others from
// random points of their own streams. Leaves the group's lowest minimum in
// `positions`. Every walker of the group must be given the same parameters
// but its seed.
void Marcher(std::span<Vec3> positions, const ParametresExploration& parametres, int marcheur, long graine,
             Echange& echange, int compte = 0);

// A seed for each of n walkers, drawn from the shared generator.
std::vector<long> GrainesDesMarcheurs(int n);
