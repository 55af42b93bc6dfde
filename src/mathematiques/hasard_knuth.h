// The shared generator's inner routines, for its self-test and benchmark.
// Everything else draws through hasard.h, which serialises the draws.
#pragma once

namespace hasard_knuth {

inline constexpr int KK = 100;        // the long lag
inline constexpr int LL = 37;         // the short lag
inline constexpr int QUALITY = 1009;  // values generated per refill

// The shared stream's seeding: only seed & 0x3fffffff counts.
void ranf_start(long seed);

// Fills aa[0 .. n) (n >= KK) with the shared stream's next n values.
void ranf_array(double aa[], int n);

// The shared stream's state value i, 0 <= i < KK, after the last ranf_array.
double state(int i);

// One draw without the lock: callers that know no other thread draws.
double draw_unlocked();

}  // namespace hasard_knuth
