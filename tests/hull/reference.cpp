#include "reference.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

namespace {

// (t . D) / sqrt((t . D)^2 + (n . D)^2) with D = q - origin; with `shortcut`
// a candidate ahead (t . D > 0) gets 0.
double Valeur(const Vec3& origin, const Vec3& q, const Vec3& n, const Vec3& t, bool shortcut) {
    const Vec3 D{q.x - origin.x, q.y - origin.y, q.z - origin.z};
    const double along = D.x * t.x + D.y * t.y + D.z * t.z;
    if (shortcut && along > 0.0) return 0.0;
    const double across = D.x * n.x + D.y * n.y + D.z * n.z;
    return along / std::sqrt(along * along + across * across);
}

int Scan(const std::vector<Vec3>& p, int lo, int hi, const Vec3& n, const Vec3& t, bool withShortcut) {
    const int count = static_cast<int>(p.size());
    int k = 0;
    while (k == lo || k == hi) ++k;
    double best = Valeur(p[lo], p[k], n, t, false);
    bool shortcut = false;
    for (int i = 1; i < count; ++i) {
        if (i == lo || i == hi) continue;
        const double v = Valeur(p[lo], p[i], n, t, shortcut);
        if (v < best) {
            best = v;
            k = i;
            if (withShortcut && v < 0.0) shortcut = true;
        }
    }
    return k;
}

std::array<int, 3> FirstFace(const std::vector<Vec3>& p) {
    const int count = static_cast<int>(p.size());
    int d = 0;
    for (int i = 1; i < count; ++i) if (p[i].z < p[d].z) d = i;
    int g = d == 0 ? 1 : 0;
    for (int i = 0; i < count; ++i) if (i != d && p[i].z < p[g].z) g = i;
    const Vec3 s{p[d].x + p[g].x, p[d].y + p[g].y, p[d].z + p[g].z};
    const double l = std::sqrt(s.x * s.x + s.y * s.y + s.z * s.z);
    const Vec3 n{-s.x / l, -s.y / l, -s.z / l};
    const Vec3 e{p[g].x - p[d].x, p[g].y - p[d].y, p[g].z - p[d].z};
    const Vec3 t{n.y * e.z - n.z * e.y, n.z * e.x - n.x * e.z, n.x * e.y - n.y * e.x};
    int b = Scan(p, d, g, n, t, false);
    // The scan's plane may cut past points on both of its sides; then turn
    // it, toward the side of positive (e x (p_b - p_d)) . (p - p_d), on to
    // the last point met.
    auto side = [&](int k, int i) {
        const Vec3 q{p[k].x - p[d].x, p[k].y - p[d].y, p[k].z - p[d].z};
        const Vec3 m{e.y * q.z - e.z * q.y, e.z * q.x - e.x * q.z, e.x * q.y - e.y * q.x};
        return m.x * (p[i].x - p[d].x) + m.y * (p[i].y - p[d].y) + m.z * (p[i].z - p[d].z);
    };
    bool ahead = false, behind = false;
    for (int i = 0; i < count; ++i) {
        if (i == d || i == g || i == b) continue;
        ahead = ahead || side(b, i) > 0.0;
        behind = behind || side(b, i) < 0.0;
    }
    if (ahead && behind) {
        for (int i = 0; i < count; ++i) {
            if (i != d && i != g && i != b && side(b, i) > 0.0) b = i;
        }
    }
    return {d, g, b};
}

}  // namespace

EnveloppeReference EnvelopperReference(const std::vector<Vec3>& p, int edgeCap, int faceCap) {
    EnveloppeReference r;
    r.degree.assign(p.size(), 0);
    const auto [d, g, b] = FirstFace(p);
    r.faces.push_back({d, g, b});
    r.edges = {{d, g}, {d, b}, {g, b}};
    std::map<std::pair<int, int>, int> open;
    auto key = [](int u, int v) { return std::pair{std::min(u, v), std::max(u, v)}; };
    open[key(d, g)] = b;
    open[key(d, b)] = g;
    open[key(g, b)] = d;
    for (int v : {d, g, b}) r.degree[v] += 2;

    while (!open.empty() && static_cast<int>(r.faces.size()) < faceCap) {
        const auto [lo, hi] = open.begin()->first;
        const int opposite = open.begin()->second;
        const Vec3 n = inwardNormal(p[lo], p[hi], p[opposite]);
        const Vec3 t = edgeNormal(p[lo], p[hi], p[opposite]);
        const int k = Scan(p, lo, hi, n, t, true);
        const int added = !open.count(key(lo, k)) + !open.count(key(hi, k));
        if (static_cast<int>(r.edges.size()) + added > edgeCap) break;
        ++r.steps;
        open.erase(open.begin());
        for (const auto& [end, other] : {std::pair{lo, hi}, std::pair{hi, lo}}) {
            if (open.erase(key(end, k))) continue;
            r.edges.push_back({key(end, k).first, key(end, k).second});
            open[key(end, k)] = other;
            ++r.degree[end];
            ++r.degree[k];
        }
        r.faces.push_back({lo, hi, k});
    }
    r.complete = open.empty();
    return r;
}
