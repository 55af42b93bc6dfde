#include "mathematiques/voisinage.h"

// The window shrinks with the smallest value found: a pair whose difference
// in z squares to at least m has a squared distance of at least m.
double PlusPetitCarre(std::span<const Vec3> x) {
    const std::vector<int> ordre = OrdreSelonZ(x);
    const int n = static_cast<int>(ordre.size());
    double m = 5.0;
    for (int u = 0; u < n; ++u) {
        const Vec3& a = x[ordre[u]];
        for (int v = u + 1; v < n; ++v) {
            const Vec3& b = x[ordre[v]];
            const double dz = a.z - b.z;
            if (dz * dz >= m) break;
            m = std::min(m, squaredDistance(a, b));
        }
    }
    return m;
}
