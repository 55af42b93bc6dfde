// One term per face or edge, added to the derivatives in list order
// (SommerSurListe): the same sums on any number of workers. A zero-length edge
// has no direction and contributes nothing.
#include "mathematiques/forces_enveloppe.h"

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
    void appliquer() const REQUIRES(verrouEtat) {
        for (int k = 0; k < 3; ++k) etat.particles[v[k]].derivative += e[k];
        for (int k = 0; k < 3; ++k) etat.particles[v[(k + 1) % 3]].derivative -= e[k];
    }
};

struct TermeArete {
    int a = 0, b = 0;
    Vec3 d;
    void appliquer() const REQUIRES(verrouEtat) {
        etat.particles[a].derivative += d;
        etat.particles[b].derivative -= d;
    }
};

// eA = rA - rB, eB = rB - rC, eC = rC - rA, each scaled toward the mean length.
bool CalculerFace(int f, TermeFace& t, double R) REQUIRES(verrouEtat) {
    if (!SommetsFace(f, t.v)) return false;
    double l[3];
    for (int k = 0; k < 3; ++k) {
        t.e[k] = difference(etat.particles[t.v[k]].position, etat.particles[t.v[(k + 1) % 3]].position);
        l[k] = norm(t.e[k]);
    }
    const double m = (l[0] + l[1] + l[2]) / 3.0;
    for (int k = 0; k < 3; ++k) t.e[k] = Tension(t.e[k], l[k], m, R);
    return true;
}

bool CalculerArete(int e, TermeArete& t, double L, double R) REQUIRES(verrouEtat) {
    if (!ExtremitesArete(e, t.a, t.b)) return false;
    const Vec3 d = difference(etat.particles[t.a].position, etat.particles[t.b].position);
    t.d = Tension(d, norm(d), L, R);
    return true;
}

void Annuler(Vec3& d) { d.clear(); }

}  // namespace

void ForceFaces() {
    const double R = params.stringResistance;
    SommerSurListe<TermeFace>(LireListes().faces, Annuler,
                              [R](int f, TermeFace& t) REQUIRES(verrouEtat) { return CalculerFace(f, t, R); });
}

void ForceAretes() {
    const double L = params.springLength;
    const double R = params.stringResistance;
    SommerSurListe<TermeArete>(LireListes().aretes, Annuler,
                               [L, R](int e, TermeArete& t) REQUIRES(verrouEtat) { return CalculerArete(e, t, L, R); });
}
