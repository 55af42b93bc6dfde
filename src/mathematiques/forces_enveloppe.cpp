// One term per face or edge, added to the derivatives in list order
// (SommerSurListe): the same sums on any number of workers. A zero-length edge
// has no direction and contributes nothing.
#include "mathematiques/forces_enveloppe.h"

#include "mathematiques/enveloppe_listes.h"

namespace {

void Faces(bool deplacer) REQUIRES(verrouEtat) {
    const double R = params.stringResistance;
    const int faces = LireListes().faces;
    SommerSurListe({}, deplacer, [&](const Ligne4* p, Ligne4* d, int n) REQUIRES(verrouEtat) {
        NoyauxDeLEnveloppe().faces(p, d, enveloppe.faces.data(), faces, n, R);
    });
}

void Aretes(bool deplacer) REQUIRES(verrouEtat) {
    const double L = params.springLength;
    const double R = params.stringResistance;
    const int aretes = LireListes().aretes;
    SommerSurListe({}, deplacer, [&](const Ligne4* p, Ligne4* d, int n) REQUIRES(verrouEtat) {
        NoyauxDeLEnveloppe().ressorts(p, d, enveloppe.edges.data(), aretes, n, L, R);
    });
}

}  // namespace

void ForceFaces() { Faces(false); }
void ForceAretes() { Aretes(false); }
void DeplacerSelonFaces() { Faces(true); }
void DeplacerSelonAretes() { Aretes(true); }
