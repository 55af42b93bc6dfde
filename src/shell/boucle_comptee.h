// The counted loop shared by the computation commands, and what every command
// that moves the particles does after it.
#pragma once

#include <optional>
#include <type_traits>

#include "etat/modes.h"
#include "etat/verrous.h"
#include "shell/commande.h"
#include "shell/progression.h"

// Milliseconds of a monotonic clock; only differences mean anything.
long long Horloge();

// "Temps de calcul (ms) : " and the duration from debut to now.
void EcrireTempsDeCalcul(long long debut, long long fin);

// After positions changed: the INFO summary in INFO mode, then a new frame.
// Takes verrouEtat for the summary.
void ApresDeplacement();

// What a counted loop does around its steps (BoucleComptee below).
class Tours {
public:
    // With enveloppeAvant the hull is built first and kept for every step;
    // then the count (LireCompte), the stop flag cleared, the status line and
    // the clock.
    Tours(const Ligne& ligne, bool enveloppeAvant, double (*energie)());
    // A step is due: the count was taken, and neither all of it has run nor
    // has stopRequested been set.
    bool Continuer() const { return total_ && fait_ < *total_ && !stopRequested; }
    void Avancer() { progression_->Avancer(++fait_); }
    // The time, hullValid cleared, ApresDeplacement; nothing when the count
    // was refused.
    void Terminer();

private:
    std::optional<long long> total_;  // 64-bit: "9999 M" is about 10^10 steps
    long long fait_ = 0;
    long long debut_ = 0;
    std::optional<Progression> progression_;
};

// Runs LireCompte(ligne) steps, each one call of etape() under verrouEtat,
// stopping early at a step boundary once stopRequested is set (cleared
// first). With enveloppeAvant the hull is built once before the first step
// and kept for all of them. Then writes the time, clears hullValid and runs
// ApresDeplacement; a stopped loop does the same. A loop that lasts shows its
// progress on a terminal (Progression), with the energy that `energie` gives
// when the steps keep it up to date.
//
// A step is a lambda marked REQUIRES(verrouEtat): Clang's analysis then
// checks both that its body touches the state only as the lock allows and
// that it is called under the lock. A plain function pointer would carry
// neither, so it is refused.
template <typename Etape>
void BoucleComptee(const Ligne& ligne, bool enveloppeAvant, Etape etape, double (*energie)() = nullptr) {
    static_assert(!std::is_pointer_v<Etape>, "a step is a lambda marked REQUIRES(verrouEtat), not a function pointer");
    Tours tours(ligne, enveloppeAvant, energie);
    // The lock is released between steps so that the viewer can draw a frame.
    while (tours.Continuer()) {
        {
            Garde verrou(verrouEtat);
            etape();
        }
        tours.Avancer();
    }
    tours.Terminer();
}
