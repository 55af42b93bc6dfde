#include "hull/emballage.h"

#include <set>

#include "hull/balayage.h"

namespace {

// An edge with one known face; `opposite` is that face's third vertex.
struct OpenEdge {
    int16_t lo;
    int16_t hi;
    int16_t opposite;
};

OpenEdge Ouverte(int u, int v, int w) {
    return {static_cast<int16_t>(std::min(u, v)), static_cast<int16_t>(std::max(u, v)), static_cast<int16_t>(w)};
}

// Keyed by (lo, hi) only: at most one entry per edge.
struct ParCle {
    bool operator()(const OpenEdge& a, const OpenEdge& b) const {
        return a.lo < b.lo || (a.lo == b.lo && a.hi < b.hi);
    }
};

using Ouvertes = std::set<OpenEdge, ParCle>;

HullEdge Arete(int a, int b) { return {static_cast<int16_t>(a), static_cast<int16_t>(b)}; }

HullFace Face(int a, int b, int c) {
    return {{static_cast<int16_t>(a), static_cast<int16_t>(b), static_cast<int16_t>(c)}};
}

// The vertex across the open edge e.
int Pivoter(const std::vector<Vec3>& pos, const OpenEdge& e, const GrilleSphere* grille) {
    const Vec3& p1 = pos[e.lo];
    const Vec3& p2 = pos[e.hi];
    const Vec3& p3 = pos[e.opposite];
    const CadreArete cadre{e.lo, e.hi, p1, inwardNormal(p1, p2, p3), edgeNormal(p1, p2, p3)};
    if (grille) return grille->Chercher(cadre);
    return BalayerTout(pos.data(), static_cast<int>(pos.size()), cadre, true);
}

// Entry 0 of faces, entries 0 to 2 of edges in the face's vertex order, the
// three open edges, and 2 added to each vertex's degree.
Ouvertes PoserPremiereFace(int d, int g, int b, std::vector<HullEdge>& edges, std::vector<HullFace>& faces,
                           std::vector<int32_t>& degree) {
    faces[0] = Face(d, g, b);
    edges[0] = Arete(d, g);
    edges[1] = Arete(d, b);
    edges[2] = Arete(g, b);
    degree[d] += 2;
    degree[g] += 2;
    degree[b] += 2;
    return Ouvertes{Ouverte(d, g, b), Ouverte(d, b, g), Ouverte(g, b, d)};
}

// The pivot's first plane is square to the chord d-g's midpoint, so it cuts
// the sphere's cap of that chord's width; a particle inside that cap makes b
// a particle across the hull from d-g, and the wrap then closes early on a
// piece of the hull. b is kept when the plane d-g-b leaves every particle on
// one side; otherwise the plane turns on, the way of the first particle found
// on its positive side, to the last particle met. One pass is enough: d-g is
// a hull edge (a horizontal plane just above g cuts off d and g alone), so
// the particles seen along it span less than a half-turn, and "on the
// positive side" is one way of turning. The centre plays no part: with few
// particles it can lie outside their hull.
int PasserAuBord(const std::vector<Vec3>& pos, int d, int g, int b) {
    const Vec3 arete = difference(pos[g], pos[d]);
    const int count = static_cast<int>(pos.size());
    auto cote = [&](const Vec3& normale, int i) { return dot(normale, difference(pos[i], pos[d])); };
    Vec3 normale = cross(arete, difference(pos[b], pos[d]));
    bool devant = false, derriere = false;
    for (int i = 0; i < count; ++i) {
        if (i == d || i == g || i == b) continue;
        const double c = cote(normale, i);
        devant = devant || c > 0.0;
        derriere = derriere || c < 0.0;
    }
    if (!devant || !derriere) return b;
    for (int i = 0; i < count; ++i) {
        if (i == d || i == g || i == b) continue;
        if (cote(normale, i) > 0.0) {
            b = i;
            normale = cross(arete, difference(pos[b], pos[d]));
        }
    }
    return b;
}

}  // namespace

std::array<int, 3> ChoisirPremiereFace(const std::vector<Vec3>& pos, std::vector<int32_t>& degree) {
    const int count = static_cast<int>(pos.size());
    degree.assign(pos.size(), 0);
    int d = 0;
    for (int i = 1; i < count; ++i) {
        if (pos[i].z < pos[d].z) d = i;
    }
    int g = d == 0 ? 1 : 0;
    for (int i = g + 1; i < count; ++i) {
        if (i != d && pos[i].z < pos[g].z) g = i;
    }
    Vec3 n = pos[d];
    n += pos[g];
    n /= -norm(n);
    const Vec3 t = cross(n, difference(pos[g], pos[d]));
    const int b = BalayerTout(pos.data(), count, CadreArete{d, g, pos[d], n, t}, false);
    return {d, g, PasserAuBord(pos, d, g, b)};
}

BilanEnveloppe Envelopper(const std::vector<Vec3>& pos, std::vector<HullEdge>& edges,
                          std::vector<HullFace>& faces, std::vector<int32_t>& degree, Recherche mode) {
    BilanEnveloppe bilan;
    if (pos.size() < 3 || pos.size() > 32767 || edges.size() < 3 || faces.empty()) {
        degree.assign(pos.size(), 0);
        return bilan;
    }
    const auto [d, g, b] = ChoisirPremiereFace(pos, degree);
    GrilleSphere grille;
    const bool avecGrille = mode == Recherche::Grille && grille.Construire(pos.data(), static_cast<int>(pos.size()));

    Ouvertes ouvertes = PoserPremiereFace(d, g, b, edges, faces, degree);
    bilan.edgeCount = 3;
    bilan.faceCount = 1;

    const int edgeCap = static_cast<int>(edges.size());
    const int faceCap = static_cast<int>(faces.size());
    while (!ouvertes.empty() && bilan.faceCount < faceCap) {
        const OpenEdge e = *ouvertes.begin();
        const int k = Pivoter(pos, e, avecGrille ? &grille : nullptr);
        const auto avecLo = ouvertes.find(Ouverte(e.lo, k, e.hi));
        const auto avecHi = ouvertes.find(Ouverte(e.hi, k, e.lo));
        const int nouvelles = (avecLo == ouvertes.end()) + (avecHi == ouvertes.end());
        if (bilan.edgeCount + nouvelles > edgeCap) break;

        ++bilan.steps;
        ouvertes.erase(ouvertes.begin());
        // The new edges {lo, k} then {hi, k}: a second face closes an open
        // edge; otherwise the edge is new and open.
        auto ajouter = [&](int autre, Ouvertes::iterator trouvee, int opposite) {
            if (trouvee != ouvertes.end()) {
                ouvertes.erase(trouvee);
                return;
            }
            const OpenEdge nouvelle = Ouverte(autre, k, opposite);
            edges[bilan.edgeCount++] = Arete(nouvelle.lo, nouvelle.hi);
            ouvertes.insert(nouvelle);
            ++degree[autre];
            ++degree[k];
        };
        ajouter(e.lo, avecLo, e.hi);
        ajouter(e.hi, avecHi, e.lo);
        faces[bilan.faceCount++] = Face(e.lo, e.hi, k);
    }
    bilan.complete = ouvertes.empty();
    bilan.grille = avecGrille;
    bilan.replis = avecGrille ? grille.replis() : 0;
    return bilan;
}
