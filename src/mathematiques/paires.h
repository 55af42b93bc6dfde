// Single-pair moves by the fraction P of the pair's separation. Candidates
// are the hull edges while the hull is computed, else all pairs (a stale hull
// as enveloppe_listes.h says); ties keep the pair found first. Calling thread
// only.
#pragma once

#include "etat/verrous.h"

// Pushes the closest pair apart: separation times 1 + 2P before projection.
void EloignerPlusProches() REQUIRES(verrouEtat);

// Pulls the farthest pair together: separation times 1 - 2P before projection.
void ApprocherPlusEloignees() REQUIRES(verrouEtat);
