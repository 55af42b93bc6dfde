#include "mathematiques/noyaux.h"

#include <atomic>

#include "etat/particules.h"

namespace {

bool ProcesseurAvx512() { return __builtin_cpu_supports("avx512f"); }

std::atomic<JeuNoyaux> jeuForce{JeuNoyaux::natif};

NoyauxPaires Assembler() {
    if (!ProcesseurAvx2()) return noyauxPortables;
    NoyauxPaires n = noyauxAvx2;
    if (ProcesseurAvx512()) {
        n.forceLigne = noyauxAvx512.forceLigne;
        n.termes = noyauxAvx512.termes;
    }
    return n;
}

}  // namespace

bool ProcesseurAvx2() { return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma"); }

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
    static const NoyauxPaires natifs = Assembler();
    switch (jeuForce.load(std::memory_order_relaxed)) {
        case JeuNoyaux::portable: return noyauxPortables;
        case JeuNoyaux::avx2: return ProcesseurAvx2() ? noyauxAvx2 : noyauxPortables;
        case JeuNoyaux::natif: break;
    }
    return natifs;
}

void ForcerNoyaux(JeuNoyaux jeu) { jeuForce = jeu; }
