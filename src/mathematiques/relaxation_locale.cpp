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
    void appliquer() const REQUIRES(verrouEtat) {
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
// (p_i - p_j) / |p_i - p_j|^3, each edge's force added to both ends in edge
// order (SommerSurListe). A stale hull as enveloppe_listes.h says.
void AppliquerForceLocale() {
    const ListesEnveloppe listes = LireListes();
    if (!listes.construites) {
        AppliquerForce();
        return;
    }
    const Vec3 champ = params.ambientField;
    SommerSurListe<TermeArete>(listes.aretes, [champ](Vec3& d) { d = champ; },
                               [](int e, TermeArete& t) REQUIRES(verrouEtat) {
                                   if (!ExtremitesArete(e, t.a, t.b)) return false;
                                   t.f = ForcePaire(etat.particles[t.a].position, etat.particles[t.b].position);
                                   return true;
                               });
}
