// The catalogue of the minima EXPLORER meets, and MINIMA, which lists it and
// loads one of them. The catalogue belongs to a count and an exponent: a
// change of either empties it.
#pragma once

#include <span>

#include "etat/vec3.h"
#include "mathematiques/catalogue_minima.h"
#include "shell/commande.h"

// What tells a minimum apart from others of its energy: its point group at
// SYMETRIE's tolerance and its degrees on the hull of a copy.
SignatureMinimum SignatureDe(std::span<const Vec3> positions);

// Before a search: empties the catalogue when it belongs to another count or
// exponent. Takes the state lock.
void PreparerCatalogue();
// A minimum the search met at hop `saut` (command thread, in hop order).
void NoterMinimum(long long saut, std::span<const Vec3> positions);
// After S changed the exponent.
void OublierMinima();

void CommandeMinima(const Ligne& ligne);
