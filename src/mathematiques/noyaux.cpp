#include "mathematiques/noyaux.h"

#include <atomic>

#include "etat/particules.h"

namespace {

std::atomic<JeuNoyaux> jeuForce{JeuNoyaux::natif};

JeuNoyaux MeilleurJeu() {
    if (ProcesseurAvx512()) return JeuNoyaux::avx512;
    if (ProcesseurAvx2()) return JeuNoyaux::avx2;
    return JeuNoyaux::portable;
}

}  // namespace

bool ProcesseurAvx2() { return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma"); }

bool ProcesseurAvx512() { return __builtin_cpu_supports("avx512f") && ProcesseurAvx2(); }

bool JeuDisponible(JeuNoyaux jeu) {
    switch (jeu) {
        case JeuNoyaux::avx512: return ProcesseurAvx512();
        case JeuNoyaux::avx2: return ProcesseurAvx2();
        case JeuNoyaux::portable:
        case JeuNoyaux::natif: break;
    }
    return true;
}

const NoyauxPaires& TableDuJeu(JeuNoyaux jeu) {
    switch (jeu) {
        case JeuNoyaux::avx512: return noyauxAvx512;
        case JeuNoyaux::avx2: return noyauxAvx2;
        case JeuNoyaux::portable: return noyauxPortables;
        case JeuNoyaux::natif: break;
    }
    static const JeuNoyaux meilleur = MeilleurJeu();
    return TableDuJeu(meilleur);
}

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

void PositionsSoA::charger(std::span<const Vec3> v) {
    n = static_cast<int>(v.size());
    x.resize(n);
    y.resize(n);
    z.resize(n);
    for (int i = 0; i < n; ++i) {
        x[i] = v[i].x;
        y[i] = v[i].y;
        z[i] = v[i].z;
    }
}

const NoyauxPaires& Noyaux() {
    const JeuNoyaux jeu = jeuForce.load(std::memory_order_relaxed);
    return TableDuJeu(JeuDisponible(jeu) ? jeu : JeuNoyaux::natif);
}

void ForcerNoyaux(JeuNoyaux jeu) { jeuForce = jeu; }
