#include "mathematiques/enveloppe_listes.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

struct Copies {
    std::vector<Ligne4> p, d;  // grown to the largest count, then kept
    int n = 0;
    bool positionsAJour = false;  // p holds the positions of `generation`
    uint64_t generation = 0;
};

Copies copies;

bool MemesPositions() REQUIRES(verrouEtat) {
    for (int i = 0; i < copies.n; ++i) {
        const Vec3& v = etat.particles[i].position;
        const double r[3] = {v.x, v.y, v.z};
        if (std::memcmp(r, copies.p[i].v, sizeof r) != 0) return false;
    }
    return true;
}

}  // namespace

CopiesCompactes PreparerCopies(const Vec3& depart) {
    Copies& c = copies;
    const int n = etat.count;
    if (static_cast<int>(c.p.size()) < n) {
        c.p.resize(n);
        c.d.resize(n);
    }
    const bool aJour = c.positionsAJour && c.n == n && c.generation == etat.generation;
    if (aJour && verifierGeneration && !MemesPositions()) {
        std::fputs("LOCAL/FACES/ARETES : des positions ont changé sans MarquerDeplacement\n", stderr);
        std::abort();
    }
    c.n = n;
    for (int i = 0; i < n; ++i) {
        if (!aJour) {
            const Vec3& v = etat.particles[i].position;
            c.p[i] = {{v.x, v.y, v.z, 0.0}};
        }
        c.d[i] = {{depart.x, depart.y, depart.z, 0.0}};
    }
    return {c.p.data(), c.d.data(), n};
}

void RendreCopies(bool deplacer) {
    Copies& c = copies;
    if (deplacer) {
        NoyauxDeLEnveloppe().projeter(c.p.data(), c.d.data(), c.n);
        for (int i = 0; i < c.n; ++i) {
            ParticleRecord& r = etat.particles[i];
            r.derivative = {c.d[i].v[0], c.d[i].v[1], c.d[i].v[2]};
            r.position = {c.p[i].v[0], c.p[i].v[1], c.p[i].v[2]};
        }
        MarquerDeplacement();
        c.generation = etat.generation;
        c.positionsAJour = true;
        return;
    }
    for (int i = 0; i < c.n; ++i) etat.particles[i].derivative = {c.d[i].v[0], c.d[i].v[1], c.d[i].v[2]};
}
