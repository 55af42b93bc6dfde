#include <omp.h>

#include <cmath>
#include <vector>

#include "mathematiques/enveloppe_listes.h"
#include "mathematiques/noyaux.h"
#include "etat/parallele.h"
#include "mathematiques/relaxation.h"

namespace {

struct TermeArete {
    int a = 0, b = 0;
    Vec3 f;  // on a; b receives -f
    bool actif = false;
    void appliquer() const REQUIRES(verrouEtat) {
        if (!actif) return;
        etat.particles[a].derivative += f;
        etat.particles[b].derivative -= f;
    }
};

}  // namespace

Vec3 ForcePaire(const Vec3& a, const Vec3& b) {
    Vec3 d = difference(a, b);
    const double s = dot(d, d);
    d *= CoefficientPaire(params.K * kForceScale, s, std::sqrt(s));
    return d;
}

// derivative_i = ambientField + (K * 0.0001) * sum over hull neighbours j of
// (p_i - p_j) / |p_i - p_j|^3: each edge's force is computed in parallel,
// then added to both ends in edge order. A stale hull as enveloppe_listes.h says.
void AppliquerForceLocale() {
    const ListesEnveloppe listes = LireListes();
    if (!listes.construites) {
        AppliquerForce();
        return;
    }
    const int n = etat.count;
    const int aretes = listes.aretes;
    std::vector<TermeArete> termes(aretes);
    const int equipe = PreparerEquipe();
#pragma omp parallel num_threads(equipe)
    {
#pragma omp for schedule(static, kChunk)
        for (int i = 0; i < n; ++i) etat.particles[i].derivative = params.ambientField;
#pragma omp for schedule(static, kChunk)
        for (int e = 0; e < aretes; ++e) {
            TermeArete& t = termes[e];
            if (!ExtremitesArete(e, t.a, t.b)) continue;
            t.f = ForcePaire(etat.particles[t.a].position, etat.particles[t.b].position);
            t.actif = true;
        }
    }
    Repartir(termes);
}
