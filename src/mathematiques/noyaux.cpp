#include "mathematiques/noyaux.h"

#include <atomic>

#include "mathematiques/particules.h"

namespace {

bool ProcesseurAvx2() { return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma"); }

std::atomic<bool> portablesForces{false};

}  // namespace

void PositionsSoA::charger() {
    n = etat.count;
    x.resize(n);
    y.resize(n);
    z.resize(n);
    for (int i = 0; i < n; ++i) {
        const Vec3& v = etat.particles[i].position;
        x[i] = v.x;
        y[i] = v.y;
        z[i] = v.z;
    }
}

const NoyauxPaires& Noyaux() {
    static const bool avx2 = ProcesseurAvx2();
    return (avx2 && !portablesForces.load(std::memory_order_relaxed)) ? noyauxAvx2 : noyauxPortables;
}

void ForcerNoyauxPortables(bool portables) { portablesForces = portables; }
