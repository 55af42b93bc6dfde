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

AmasDefauts TrouverAmas(std::span<const HullEdge> aretes, std::span<const int32_t> degres) {
    const int n = static_cast<int>(degres.size());
    auto defaut = [&](int i) { return degres[i] != 6; };
    std::vector<int> parent(n);
    std::iota(parent.begin(), parent.end(), 0);
    for (const HullEdge& a : aretes) {
        if (a.lo < 0 || a.hi < 0 || a.lo >= n || a.hi >= n || a.lo == a.hi) continue;
        if (defaut(a.lo) && defaut(a.hi)) parent[Racine(parent, a.lo)] = Racine(parent, a.hi);
    }
    AmasDefauts r;
    r.amas.assign(n, -1);
    std::vector<int> numero(n, -1);  // per root
    for (int i = 0; i < n; ++i) {
        if (!defaut(i)) continue;
        int& k = numero[Racine(parent, i)];
        if (k < 0) {
            k = static_cast<int>(r.charges.size());
            r.charges.push_back(0);
            r.tailles.push_back(0);
        }
        r.amas[i] = k;
        r.charges[k] += 6 - degres[i];
        ++r.tailles[k];
    }
    return r;
}

Defauts CompterDefauts(std::span<const HullEdge> aretes, std::span<const int32_t> degres) {
    Defauts d;
    const int plusGrand = degres.empty() ? 0 : std::max(0, *std::max_element(degres.begin(), degres.end()));
    d.parDegre.assign(plusGrand + 1, 0);
    for (int32_t g : degres) {
        if (g >= 0) ++d.parDegre[g];
        d.charge += 6 - g;
    }
    const AmasDefauts a = TrouverAmas(aretes, degres);
    auto cicatrice = [&](int k) { return a.tailles[k] > 1 && a.charges[k] != 0; };
    for (int k = 0; k < static_cast<int>(a.charges.size()); ++k) {
        if (a.tailles[k] == 1) {
            ++d.disclinations;
        } else if (cicatrice(k)) {
            ++d.cicatrices;
            ++d.chargesCicatrices[a.charges[k]];
        } else {
            ++d.dislocations;
        }
    }
    for (int i = 0; i < static_cast<int>(degres.size()); ++i) {
        if (a.amas[i] < 0 || !cicatrice(a.amas[i])) continue;
        if (degres[i] == 5) ++d.cinqEnCicatrices;
        if (degres[i] == 7) ++d.septEnCicatrices;
    }
    return d;
}
