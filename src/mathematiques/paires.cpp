// Along the hull, the squared length of every edge is kept between steps:
// a move changes only the edges at its two particles, so a counted loop
// rescans a flat array instead of gathering 3N pairs of records. The kept
// lengths are trusted while the state's generation is the one left by the
// last move here and the edge list is the one they were computed on.
#include "mathematiques/paires.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#include "mathematiques/enveloppe_listes.h"

namespace {

struct Paire {
    int premier = 0;
    int second = 0;
};

struct LongueursAretes {
    bool valide = false;
    int count = 0;
    uint64_t generation = 0;
    std::vector<HullEdge> aretes;  // the list the lengths describe
    std::vector<double> s;         // squared lengths; NaN for an entry that names no particle
    std::vector<int> debut;        // edges at particle i: incidentes[debut[i] .. debut[i + 1] - 1]
    std::vector<int> incidentes;
};

LongueursAretes longueurs;

double Longueur(int e) REQUIRES(verrouEtat) {
    int a, b;
    if (!ExtremitesArete(e, a, b)) return std::numeric_limits<double>::quiet_NaN();
    return squaredDistance(etat.particles[a].position, etat.particles[b].position);
}

// A writer that moved particles without MarquerDeplacement would leave stale lengths.
void VerifierLongueurs(int aretes) REQUIRES(verrouEtat) {
    for (int e = 0; e < aretes; ++e) {
        const double s = Longueur(e);
        if (std::memcmp(&s, &longueurs.s[e], sizeof s) != 0) {
            std::fputs("ELOIGNE/APPROCHE : des positions ont changé sans MarquerDeplacement\n", stderr);
            std::abort();
        }
    }
}

void MesurerAretes(int aretes) REQUIRES(verrouEtat) {
    LongueursAretes& c = longueurs;
    const bool memes = c.valide && c.count == etat.count && c.generation == etat.generation &&
                       static_cast<int>(c.aretes.size()) == aretes &&
                       (aretes == 0 || std::memcmp(c.aretes.data(), enveloppe.edges.data(), aretes * sizeof(HullEdge)) == 0);
    if (memes) {
        if (verifierGeneration) VerifierLongueurs(aretes);
        return;
    }
    const int n = etat.count;
    c.aretes.assign(enveloppe.edges.begin(), enveloppe.edges.begin() + aretes);
    c.s.resize(aretes);
    c.debut.assign(static_cast<size_t>(n) + 1, 0);
    for (int e = 0; e < aretes; ++e) {
        c.s[e] = Longueur(e);
        int a, b;
        if (!ExtremitesArete(e, a, b)) continue;
        ++c.debut[a + 1];
        ++c.debut[b + 1];
    }
    for (int i = 0; i < n; ++i) c.debut[i + 1] += c.debut[i];
    c.incidentes.resize(c.debut[n]);
    std::vector<int> place(c.debut.begin(), c.debut.end() - 1);
    for (int e = 0; e < aretes; ++e) {
        int a, b;
        if (!ExtremitesArete(e, a, b)) continue;
        c.incidentes[place[a]++] = e;
        c.incidentes[place[b]++] = e;
    }
    c.count = n;
    c.generation = etat.generation;
    c.valide = true;
}

// After a move of p and q: their edges again, and the generation it left.
void RemesurerAutour(int p, int q) REQUIRES(verrouEtat) {
    LongueursAretes& c = longueurs;
    for (int i : {p, q}) {
        for (int k = c.debut[i]; k < c.debut[i + 1]; ++k) c.s[c.incidentes[k]] = Longueur(c.incidentes[k]);
    }
    c.generation = etat.generation;
}

// The pair whose squared distance beats every earlier one by `meilleur`
// (strictly), scanning edges in list order or pairs i < j in order.
template <typename Meilleur>
Paire Choisir(double borne, Meilleur meilleur, bool& surAretes) REQUIRES(verrouEtat) {
    Paire choix;
    const ListesEnveloppe listes = LireListes();
    surAretes = listes.construites;
    if (listes.construites) {
        MesurerAretes(listes.aretes);
        int retenue = -1;
        for (int e = 0; e < listes.aretes; ++e) {
            const double s = longueurs.s[e];
            if (meilleur(s, borne)) {
                borne = s;
                retenue = e;
            }
        }
        if (retenue >= 0) choix = {enveloppe.edges[retenue].lo, enveloppe.edges[retenue].hi};
    } else {
        for (int i = 0; i < etat.count - 1; ++i) {
            for (int j = i + 1; j < etat.count; ++j) {
                const double s = squaredDistance(etat.particles[i].position, etat.particles[j].position);
                if (meilleur(s, borne)) {
                    borne = s;
                    choix = {i, j};
                }
            }
        }
    }
    return choix;
}

// first moves by +sens * delta, second by -sens * delta, delta = P (first - second).
void Deplacer(Paire p, double sens, bool surAretes) REQUIRES(verrouEtat) {
    if (p.premier == p.second) return;
    Vec3& a = etat.particles[p.premier].position;
    Vec3& b = etat.particles[p.second].position;
    Vec3 delta = difference(a, b);
    delta *= params.P * sens;
    a += delta;
    b -= delta;
    setLength(a, 1.0);
    setLength(b, 1.0);
    MarquerDeplacement();
    if (surAretes) RemesurerAutour(p.premier, p.second);
}

}  // namespace

void EloignerPlusProches() {
    bool surAretes = false;
    const Paire p = Choisir(5.0, [](double s, double borne) { return s < borne; }, surAretes);
    Deplacer(p, 1.0, surAretes);
}

void ApprocherPlusEloignees() {
    bool surAretes = false;
    const Paire p = Choisir(0.0, [](double s, double borne) { return s > borne; }, surAretes);
    Deplacer(p, -1.0, surAretes);
}
