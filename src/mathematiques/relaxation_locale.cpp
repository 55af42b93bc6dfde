#include <cmath>

#include "mathematiques/enveloppe_listes.h"
#include "mathematiques/noyaux.h"
#include "mathematiques/relaxation.h"

Vec3 ForcePaire(const Vec3& a, const Vec3& b) {
    Vec3 d = difference(a, b);
    const double s = dot(d, d);
    d *= CoefficientPaire(params.K * kForceScale, s, std::sqrt(s));
    return d;
}

// derivative_i = ambientField + (K * 0.0001) * sum over hull neighbours j of
// (p_i - p_j) / |p_i - p_j|^3, each edge's force added to both ends in edge
// order (SommerSurListe). A stale hull as enveloppe_listes.h says.
namespace {

void ForceLocale(bool deplacer) REQUIRES(verrouEtat) {
    const ListesEnveloppe listes = LireListes();
    if (!listes.construites) {
        AppliquerForce();
        if (deplacer) ModifierPosition();
        return;
    }
    const double c = params.K * kForceScale;
    SommerSurListe(params.ambientField, deplacer, [&](const Ligne4* p, Ligne4* d, int n) REQUIRES(verrouEtat) {
        NoyauxDeLEnveloppe().coulomb(p, d, enveloppe.edges.data(), listes.aretes, n, c);
    });
}

}  // namespace

void AppliquerForceLocale() { ForceLocale(false); }
void DeplacerSelonForceLocale() { ForceLocale(true); }
