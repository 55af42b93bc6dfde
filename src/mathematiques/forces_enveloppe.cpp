// Terms are computed in parallel, one slot per face or edge, then added to the
// derivatives in list order: the one-thread result exactly. A zero-length edge
// has no direction and contributes nothing.
#include "mathematiques/forces_enveloppe.h"

#include <omp.h>

#include <vector>

#include "mathematiques/enveloppe_listes.h"
#include "etat/parallele.h"

namespace {

// e scaled by (target - l) * R / l, l its length; zero when l is 0.
Vec3 Tension(Vec3 e, double l, double cible, double R) {
    if (!(l > 0.0)) return {};
    e *= cible - l;
    e *= R;
    e /= l;
    return e;
}

struct TermeFace {
    int v[3] = {0, 0, 0};
    Vec3 e[3];  // eA, eB, eC
    bool actif = false;
    void appliquer() const REQUIRES(verrouEtat) {
        if (!actif) return;
        for (int k = 0; k < 3; ++k) etat.particles[v[k]].derivative += e[k];
        for (int k = 0; k < 3; ++k) etat.particles[v[(k + 1) % 3]].derivative -= e[k];
    }
};

struct TermeArete {
    int a = 0, b = 0;
    Vec3 d;
    bool actif = false;
    void appliquer() const REQUIRES(verrouEtat) {
        if (!actif) return;
        etat.particles[a].derivative += d;
        etat.particles[b].derivative -= d;
    }
};

// eA = rA - rB, eB = rB - rC, eC = rC - rA, each scaled toward the mean length.
void CalculerFace(int f, TermeFace& t, double R) REQUIRES(verrouEtat) {
    if (!SommetsFace(f, t.v)) return;
    double l[3];
    for (int k = 0; k < 3; ++k) {
        t.e[k] = difference(etat.particles[t.v[k]].position, etat.particles[t.v[(k + 1) % 3]].position);
        l[k] = norm(t.e[k]);
    }
    const double m = (l[0] + l[1] + l[2]) / 3.0;
    for (int k = 0; k < 3; ++k) t.e[k] = Tension(t.e[k], l[k], m, R);
    t.actif = true;
}

void CalculerArete(int e, TermeArete& t, double L, double R) REQUIRES(verrouEtat) {
    if (!ExtremitesArete(e, t.a, t.b)) return;
    const Vec3 d = difference(etat.particles[t.a].position, etat.particles[t.b].position);
    t.d = Tension(d, norm(d), L, R);
    t.actif = true;
}

// Clears every derivative, computes one term per list entry in parallel,
// then adds them in list order.
template <typename Terme, typename Calcul>
void ForceSurListe(int entrees, Calcul calculer) REQUIRES(verrouEtat) {
    const int n = etat.count;
    std::vector<Terme> termes(entrees);
    const int equipe = PreparerEquipe();
#pragma omp parallel num_threads(equipe)
    {
#pragma omp for schedule(static, kChunk)
        for (int i = 0; i < n; ++i) etat.particles[i].derivative.clear();
#pragma omp for schedule(static, kChunk)
        for (int e = 0; e < entrees; ++e) calculer(e, termes[e]);
    }
    Repartir(termes);
}

}  // namespace

void ForceFaces() {
    const double R = params.stringResistance;
    ForceSurListe<TermeFace>(LireListes().faces, [R](int f, TermeFace& t) REQUIRES(verrouEtat) { CalculerFace(f, t, R); });
}

void ForceAretes() {
    const double L = params.springLength;
    const double R = params.stringResistance;
    ForceSurListe<TermeArete>(LireListes().aretes, [L, R](int e, TermeArete& t) REQUIRES(verrouEtat) { CalculerArete(e, t, L, R); });
}
