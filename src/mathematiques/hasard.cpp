// Knuth's floating-point lagged-Fibonacci generator: x[n] = (x[n-100] +
// x[n-37]) mod 1 in doubles, seeded and refilled as in his published code.
#include "mathematiques/hasard.h"

#include <cmath>
#include <mutex>

#include "mathematiques/hasard_knuth.h"

namespace hasard_knuth {
namespace {

// (x + y) mod 1 for x, y in [0, 1).
inline double mod_sum(double x, double y) { return (x + y) - static_cast<int>(x + y); }

double ran_u[KK];  // the generator state

// Buffer of one refill: values 0 .. KK-1 are handed out, slot KK holds the
// sentinel -1. The read pointer starts at ranf_arr_dummy (never filled, so
// the first refill seeds with 314159); after seeding it points at
// ranf_arr_started (filled on the next draw, without reseeding).
double ranf_arr_buf[QUALITY];
double ranf_arr_dummy = -1.0;
double ranf_arr_started = -1.0;
double* ranf_arr_ptr = &ranf_arr_dummy;

// Guards the state, the buffer and the read pointer.
std::mutex lock;

double ranf_arr_cycle() {
    if (ranf_arr_ptr == &ranf_arr_dummy) ranf_start(314159L);
    ranf_array(ranf_arr_buf, QUALITY);
    ranf_arr_buf[KK] = -1.0;
    ranf_arr_ptr = ranf_arr_buf + 1;
    return ranf_arr_buf[0];
}

}  // namespace

void ranf_array(double aa[], int n) {
    int i, j;
    for (j = 0; j < KK; j++) aa[j] = ran_u[j];
    for (; j < n; j++) aa[j] = mod_sum(aa[j - KK], aa[j - LL]);
    for (i = 0; i < LL; i++, j++) ran_u[i] = mod_sum(aa[j - KK], aa[j - LL]);
    for (; i < KK; i++, j++) ran_u[i] = mod_sum(aa[j - KK], ran_u[i - LL]);
}

void ranf_start(long seed) {
    constexpr int TT = 70;  // guaranteed separation between streams
    double u[KK + KK - 1];
    const double ulp = (1.0 / (1L << 30)) / (1L << 22);  // 2^-52
    double ss = 2.0 * ulp * ((seed & 0x3fffffff) + 2);
    for (int j = 0; j < KK; j++) {
        u[j] = ss;  // bootstrap the buffer
        ss += ss;
        if (ss >= 1.0) ss -= 1.0 - 2 * ulp;  // cyclic shift of 51 bits
    }
    u[1] += ulp;  // make u[1] (and only u[1]) "odd"
    for (long s = seed & 0x3fffffff, t = TT - 1; t;) {
        for (int j = KK - 1; j > 0; j--) {  // "square"
            u[j + j] = u[j];
            u[j + j - 1] = 0.0;
        }
        for (int j = KK + KK - 2; j >= KK; j--) {
            u[j - (KK - LL)] = mod_sum(u[j - (KK - LL)], u[j]);
            u[j - KK] = mod_sum(u[j - KK], u[j]);
        }
        if (s & 1) {  // "multiply by z"
            for (int j = KK; j > 0; j--) u[j] = u[j - 1];
            u[0] = u[KK];  // shift the buffer cyclically
            u[LL] = mod_sum(u[LL], u[KK]);
        }
        if (s) s >>= 1;
        else t--;
    }
    int j;
    for (j = 0; j < LL; j++) ran_u[j + KK - LL] = u[j];
    for (; j < KK; j++) ran_u[j - LL] = u[j];
    for (j = 0; j < 10; j++) ranf_array(u, KK + KK - 1);  // warm things up
    ranf_arr_ptr = &ranf_arr_started;
}

double state(int i) { return ran_u[i]; }

double draw_unlocked() { return *ranf_arr_ptr >= 0 ? *ranf_arr_ptr++ : ranf_arr_cycle(); }

}  // namespace hasard_knuth

// ---------------------------------------------------------------------------

void InitialiserHasard(long seed) {
    std::lock_guard<std::mutex> guard(hasard_knuth::lock);
    hasard_knuth::ranf_start(seed);
}

// One value handed out exactly once, whichever thread asks: the lock covers
// the read, the pointer's advance and a refill. Uncontended it costs one
// atomic exchange each way.
double TirerReel() {
    std::lock_guard<std::mutex> guard(hasard_knuth::lock);
    return hasard_knuth::draw_unlocked();
}

// Rejection in the unit ball, then projection. s == 0 (three exact zeros) is
// rejected too: it has no direction and would divide by zero.
void TirerPointSphere(Vec3& v, double r) {
    for (;;) {
        const double x = 2.0 * TirerReel() - 1.0;
        const double y = 2.0 * TirerReel() - 1.0;
        const double z = 2.0 * TirerReel() - 1.0;
        const double s = x * x + y * y + z * z;
        if (s >= 1.0 || s == 0.0) continue;
        const double f = r / std::sqrt(s);
        v = {x * f, y * f, z * f};
        return;
    }
}
