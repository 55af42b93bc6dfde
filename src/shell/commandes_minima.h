// The catalogue of the minima EXPLORER meets, and MINIMA, which lists it and
// loads one of them. The catalogue belongs to a count and an exponent: a
// change of either empties it.
#pragma once

#include <atomic>
#include <span>

#include "etat/vec3.h"
#include "mathematiques/catalogue_minima.h"
#include "mathematiques/exploration.h"
#include "shell/commande.h"

// What tells a minimum apart from others of its energy: its point group at
// SYMETRIE's tolerance and its degrees on the hull of a copy.
SignatureMinimum SignatureDe(std::span<const Vec3> positions);

// Before a search: empties the catalogue when it belongs to another count or
// exponent. Takes the state lock.
void PreparerCatalogue();
// A minimum the search met (command thread, in hop order): counted once more
// when its energy says which it is beyond doubt, else finished to
// kTolerancePolie (stopped by `arret`: not noted) and classified.
void NoterMinimum(const MinimumDuSaut& m, const std::atomic<bool>* arret = nullptr);
// After S changed the exponent.
void OublierMinima();
// What MINIMA reads (command thread).
const CatalogueMinima& CatalogueCourant();

void CommandeMinima(const Ligne& ligne);
