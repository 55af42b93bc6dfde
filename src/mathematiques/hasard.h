// Random numbers: Knuth's floating-point lagged-Fibonacci generator (lags 100
// and 37), as streams of their own (FluxHasard) and as the program's one
// shared stream, whose every draw is indivisible across threads.
#pragma once

#include "etat/vec3.h"

// The largest seed Knuth's seeding takes: 2^30 - 3. Distinct seeds up to it
// give streams that cannot overlap in any run's length.
inline constexpr long kGraineMax = (1L << 30) - 3;

// One stream: its state and the values of its last refill. Not shared; a
// walker or a rank draws from its own.
class FluxHasard {
public:
    static constexpr int kLong = 100;      // the long lag
    static constexpr int kCourt = 37;      // the short lag
    static constexpr int kQualite = 1009;  // values generated per refill; the first kLong are handed out

    // Seeds itself with 314159 on its first draw unless Semer comes first.
    FluxHasard() = default;
    explicit FluxHasard(long graine) { Semer(graine); }

    // Knuth's published seeding: only the low 30 bits of graine count.
    void Semer(long graine);
    // A value in [0, 1).
    double Reel() { return lu_ >= 0 && lu_ < kLong ? tampon_[lu_++] : Remplir(); }
    // A point uniform on the sphere of radius r about the origin.
    void PointSphere(Vec3& v, double r);

    // Fills aa[0 .. n) (n >= kLong) with the next n values and advances the
    // state (the published ranf_array).
    void Generer(double aa[], int n);
    // The state after the last Generer: its value i, 0 <= i < kLong.
    double Etat(int i) const { return etat_[i]; }

private:
    double Remplir();

    double etat_[kLong] = {};
    double tampon_[kQualite] = {};
    int lu_ = -2;  // next value of tampon_; -2: never seeded, -1: seeded, not yet filled
};

// The seed of a stream derived from graine and two indices (a count, a
// walker): a mix of the three, in 0 .. kGraineMax.
long GraineDerivee(long graine, long a, long b);

// A seed as typed: digits only, 0 to kGraineMax; -1 for anything else.
long LireGraine(const char* texte);

// Seeds the shared generator; only the low 30 bits of the seed count.
void InitialiserHasard(long seed);

// The seed the shared generator was last given, its low 30 bits (314159
// before any).
long GraineHasard();

// A value in [0, 1) from the shared generator. Seeds itself with 314159 if
// never seeded.
double TirerReel();

// A point uniform on the sphere of radius r about the origin, from the shared
// generator.
void TirerPointSphere(Vec3& v, double r);
