#include "mathematiques/depart_symetrique.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace {

// The particles left over after the whole orbits go on the axis: one or both
// poles for Cm, the two poles (one orbit) for S2m.
bool Convient(const GroupeTire& g, int n) {
    const int reste = n % g.Ordre();
    return g.impropre ? reste == 0 || reste == 2 : reste <= 2;
}

}  // namespace

GroupeTire TirerSymetrique(std::span<Vec3> x, FluxHasard& h) {
    const int n = static_cast<int>(x.size());
    std::vector<GroupeTire> possibles;
    for (int m = 2; m <= 6; ++m) possibles.push_back({m, false});
    for (int m = 1; m <= 3; ++m) possibles.push_back({m, true});
    std::erase_if(possibles, [n](const GroupeTire& g) { return !Convient(g, n); });
    const GroupeTire g = possibles[std::min(possibles.size() - 1, static_cast<size_t>(possibles.size() * h.Reel()))];

    // The frame: a random axis a and two unit vectors u, v across it.
    Vec3 a;
    h.PointSphere(a, 1.0);
    Vec3 u = cross(a, std::abs(a.x) < 0.9 ? Vec3{1.0, 0.0, 0.0} : Vec3{0.0, 1.0, 0.0});
    setLength(u, 1.0);
    const Vec3 v = cross(a, u);

    const int ordre = g.Ordre();
    const double pas = g.impropre ? std::numbers::pi / g.m : 2.0 * std::numbers::pi / g.m;
    int i = 0;
    for (int orbite = 0; orbite < n / ordre; ++orbite) {
        Vec3 p;
        h.PointSphere(p, 1.0);
        const double pu = dot(p, u), pv = dot(p, v), pa = dot(p, a);
        for (int k = 0; k < ordre; ++k) {
            const double c = std::cos(k * pas), s = std::sin(k * pas);
            const double cu = c * pu - s * pv, cv = s * pu + c * pv;
            const double ca = g.impropre && k % 2 == 1 ? -pa : pa;
            x[i++] = {cu * u.x + cv * v.x + ca * a.x, cu * u.y + cv * v.y + ca * a.y, cu * u.z + cv * v.z + ca * a.z};
        }
    }
    if (i < n) x[i++] = a;
    if (i < n) x[i++] = {-a.x, -a.y, -a.z};
    return g;
}
