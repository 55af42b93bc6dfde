#include "mathematiques/defauts.h"

#include <algorithm>
#include <numeric>

namespace {

// Union-find with path halving.
int Racine(std::vector<int>& parent, int i) {
    while (parent[i] != i) {
        parent[i] = parent[parent[i]];
        i = parent[i];
    }
    return i;
}

}  // namespace

Defauts CompterDefauts(std::span<const HullEdge> aretes, std::span<const int32_t> degres) {
    Defauts d;
    const int n = static_cast<int>(degres.size());
    const int plusGrand = n > 0 ? std::max(0, *std::max_element(degres.begin(), degres.end())) : 0;
    d.parDegre.assign(plusGrand + 1, 0);
    for (int32_t g : degres) {
        if (g >= 0) ++d.parDegre[g];
        d.charge += 6 - g;
    }
    auto defaut = [&](int i) { return degres[i] != 6; };
    std::vector<int> parent(n);
    std::iota(parent.begin(), parent.end(), 0);
    for (const HullEdge& a : aretes) {
        if (a.lo < 0 || a.hi < 0 || a.lo >= n || a.hi >= n || a.lo == a.hi) continue;
        if (defaut(a.lo) && defaut(a.hi)) parent[Racine(parent, a.lo)] = Racine(parent, a.hi);
    }
    std::vector<int> taille(n, 0);
    for (int i = 0; i < n; ++i) {
        if (defaut(i)) ++taille[Racine(parent, i)];
    }
    for (int i = 0; i < n; ++i) {
        if (taille[i] > 1) ++d.cicatrices;
        if (!defaut(i) || taille[Racine(parent, i)] < 2) continue;
        if (degres[i] == 5) ++d.cinqEnCicatrices;
        if (degres[i] == 7) ++d.septEnCicatrices;
    }
    return d;
}
