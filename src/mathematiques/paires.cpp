#include "mathematiques/paires.h"

#include "mathematiques/enveloppe_listes.h"

namespace {

struct Paire {
    int premier = 0;
    int second = 0;
};

// The pair whose squared distance beats every earlier one by `meilleur`
// (strictly), scanning edges in list order or pairs i < j in order.
template <typename Meilleur>
Paire Choisir(double borne, Meilleur meilleur) REQUIRES(verrouEtat) {
    Paire choix;
    auto essayer = [&](int a, int b) REQUIRES(verrouEtat) {
        const double s = squaredDistance(etat.particles[a].position, etat.particles[b].position);
        if (meilleur(s, borne)) {
            borne = s;
            choix = {a, b};
        }
    };
    const ListesEnveloppe listes = LireListes();
    if (listes.construites) {
        for (int e = 0; e < listes.aretes; ++e) {
            int a, b;
            if (ExtremitesArete(e, a, b)) essayer(a, b);
        }
    } else {
        for (int i = 0; i < etat.count - 1; ++i) {
            for (int j = i + 1; j < etat.count; ++j) essayer(i, j);
        }
    }
    return choix;
}

// first moves by +sens * delta, second by -sens * delta, delta = P (first - second).
void Deplacer(Paire p, double sens) REQUIRES(verrouEtat) {
    if (p.premier == p.second) return;
    Vec3& a = etat.particles[p.premier].position;
    Vec3& b = etat.particles[p.second].position;
    Vec3 delta = difference(a, b);
    delta *= params.P * sens;
    a += delta;
    b -= delta;
    setLength(a, 1.0);
    setLength(b, 1.0);
}

}  // namespace

void EloignerPlusProches() {
    Deplacer(Choisir(5.0, [](double s, double borne) { return s < borne; }), 1.0);
}

void ApprocherPlusEloignees() {
    Deplacer(Choisir(0.0, [](double s, double borne) { return s > borne; }), -1.0);
}
