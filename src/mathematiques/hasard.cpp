// Knuth's floating-point lagged-Fibonacci generator: x[n] = (x[n-100] +
// x[n-37]) mod 1 in doubles, seeded and refilled as in his published code.
#include "mathematiques/hasard.h"

#include <cmath>
#include <cstdint>
#include <mutex>

#include "mathematiques/hasard_knuth.h"

namespace {

constexpr int KK = FluxHasard::kLong;
constexpr int LL = FluxHasard::kCourt;

// (x + y) mod 1 for x, y in [0, 1).
inline double mod_sum(double x, double y) { return (x + y) - static_cast<int>(x + y); }

// The program's stream, its lock (the state, the buffer and the read index)
// and the seed it was last given.
FluxHasard partage;
std::mutex verrou;
long graineCourante = 314159;

// Rejection in the unit ball, then projection. s == 0 (three exact zeros) is
// rejected too: it has no direction and would divide by zero.
template <typename Tirer>
void PointSurSphere(Tirer tirer, Vec3& v, double r) {
    for (;;) {
        const double x = 2.0 * tirer() - 1.0;
        const double y = 2.0 * tirer() - 1.0;
        const double z = 2.0 * tirer() - 1.0;
        const double s = x * x + y * y + z * z;
        if (s >= 1.0 || s == 0.0) continue;
        const double f = r / std::sqrt(s);
        v = {x * f, y * f, z * f};
        return;
    }
}

}  // namespace

void FluxHasard::Generer(double aa[], int n) {
    int i, j;
    for (j = 0; j < KK; j++) aa[j] = etat_[j];
    for (; j < n; j++) aa[j] = mod_sum(aa[j - KK], aa[j - LL]);
    for (i = 0; i < LL; i++, j++) etat_[i] = mod_sum(aa[j - KK], aa[j - LL]);
    for (; i < KK; i++, j++) etat_[i] = mod_sum(aa[j - KK], etat_[i - LL]);
}

void FluxHasard::Semer(long seed) {
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
    for (j = 0; j < LL; j++) etat_[j + KK - LL] = u[j];
    for (; j < KK; j++) etat_[j - LL] = u[j];
    for (j = 0; j < 10; j++) Generer(u, KK + KK - 1);  // warm things up
    lu_ = -1;
}

// A refill generates kQualite values and hands out the first kLong.
double FluxHasard::Remplir() {
    if (lu_ == -2) Semer(314159L);
    Generer(tampon_, kQualite);
    lu_ = 1;
    return tampon_[0];
}

void FluxHasard::PointSphere(Vec3& v, double r) {
    PointSurSphere([this] { return Reel(); }, v, r);
}

// SplitMix64's step on the seed, then on each index added in turn: a
// bijection at each step, so that no two triples meet before the folding.
long GraineDerivee(long graine, long a, long b) {
    auto melanger = [](uint64_t z) {
        z += 0x9E3779B97F4A7C15ull;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    };
    uint64_t z = melanger(static_cast<uint64_t>(graine & 0x3fffffff));
    z = melanger(z + static_cast<uint64_t>(a));
    z = melanger(z + static_cast<uint64_t>(b));
    return static_cast<long>(z % static_cast<uint64_t>(kGraineMax + 1));
}

long LireGraine(const char* texte) {
    long v = 0;
    const char* c = texte;
    for (; *c >= '0' && *c <= '9'; ++c) {
        v = v * 10 + (*c - '0');
        if (v > kGraineMax) return -1;
    }
    return c == texte || *c != '\0' ? -1 : v;
}

namespace hasard_knuth {

void ranf_start(long seed) { partage.Semer(seed); }
void ranf_array(double aa[], int n) { partage.Generer(aa, n); }
double state(int i) { return partage.Etat(i); }
double draw_unlocked() { return partage.Reel(); }

}  // namespace hasard_knuth

void InitialiserHasard(long seed) {
    std::lock_guard<std::mutex> guard(verrou);
    partage.Semer(seed);
    graineCourante = seed & 0x3fffffff;
}

long GraineHasard() {
    std::lock_guard<std::mutex> guard(verrou);
    return graineCourante;
}

// One value handed out exactly once, whichever thread asks: the lock covers
// the read, the index's advance and a refill. Uncontended it costs one
// atomic exchange each way.
double TirerReel() {
    std::lock_guard<std::mutex> guard(verrou);
    return partage.Reel();
}

void TirerPointSphere(Vec3& v, double r) { PointSurSphere(TirerReel, v, r); }
