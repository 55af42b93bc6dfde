// The generator's inner routines, for its self-test and benchmark. Everything
// else draws through hasard.h, which serialises the draws.
#pragma once

namespace hasard_knuth {

inline constexpr int KK = 100;        // the long lag
inline constexpr int LL = 37;         // the short lag
inline constexpr int QUALITY = 1009;  // values generated per refill

// The published seeding routine: only seed & 0x3fffffff counts.
void ranf_start(long seed);

// Fills aa[0 .. n) (n >= KK) with the next n values and advances the state.
void ranf_array(double aa[], int n);

// ran_u[i], 0 <= i < KK: the state after the last ranf_array.
double state(int i);

// One draw without the lock: callers that know no other thread draws.
double draw_unlocked();

}  // namespace hasard_knuth
