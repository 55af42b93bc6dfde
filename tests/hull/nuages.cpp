#include "nuages.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

namespace {

Vec3 Unit(Vec3 v) {
    setLength(v, 1.0);
    return v;
}

Vec3 Gauss(std::mt19937_64& rng) {
    std::normal_distribution<double> normal;
    const double x = normal(rng), y = normal(rng), z = normal(rng);
    return {x, y, z};
}

}  // namespace

std::vector<Vec3> Aleatoire(int n, uint64_t seed) {
    std::mt19937_64 rng(seed);
    std::vector<Vec3> p(n);
    for (Vec3& v : p) v = Unit(Gauss(rng));
    return p;
}

std::vector<Vec3> Spirale(int n) {
    std::vector<Vec3> p(n);
    const double golden = std::numbers::pi * (3.0 - std::sqrt(5.0));
    for (int i = 0; i < n; ++i) {
        const double z = 1.0 - (2.0 * i + 1.0) / n;
        const double r = std::sqrt(1.0 - z * z);
        p[i] = {r * std::cos(golden * i), r * std::sin(golden * i), z};
    }
    return p;
}

std::vector<Vec3> Amas(int n, int clusters, double spread, uint64_t seed) {
    std::mt19937_64 rng(seed);
    std::vector<Vec3> centres(clusters);
    for (Vec3& c : centres) c = Unit(Gauss(rng));
    std::vector<Vec3> p(n);
    for (int i = 0; i < n; ++i) {
        Vec3 v = Gauss(rng);
        v *= spread;
        v += centres[i % clusters];
        p[i] = Unit(v);
    }
    return p;
}

std::vector<Vec3> Calotte(int n, double zMin, uint64_t seed) {
    std::mt19937_64 rng(seed);
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    std::vector<Vec3> p(n);
    for (Vec3& v : p) {
        const double z = zMin + (1.0 - zMin) * uniform(rng);
        const double phi = 2.0 * std::numbers::pi * uniform(rng);
        v = Unit({std::sqrt(1.0 - z * z) * std::cos(phi), std::sqrt(1.0 - z * z) * std::sin(phi), z});
    }
    return p;
}

std::vector<Vec3> Anneaux(int rings, int perRing) {
    std::vector<Vec3> p{{0.0, 0.0, -1.0}};
    for (int r = 1; r <= rings; ++r) {
        const double theta = std::numbers::pi * r / (rings + 1);
        for (int j = 0; j < perRing; ++j) p.push_back(fromAngles(2.0 * std::numbers::pi * j / perRing, theta));
    }
    p.push_back({0.0, 0.0, 1.0});
    return p;
}

std::vector<Vec3> Quantifie(int n, double step, uint64_t seed) {
    std::vector<Vec3> p = Aleatoire(n, seed);
    for (Vec3& v : p) {
        v = {std::round(v.x / step) * step, std::round(v.y / step) * step, std::round(v.z / step) * step};
        v = Unit(v);
    }
    return p;
}

std::vector<Vec3> GrandCercle(int n, uint64_t seed) {
    std::mt19937_64 rng(seed);
    std::uniform_real_distribution<double> uniform(0.0, 2.0 * std::numbers::pi);
    const Vec3 a = Unit({1.0, 0.2, 0.3});
    const Vec3 b = Unit(cross(a, {0.0, 0.0, 1.0}));
    std::vector<Vec3> p(n);
    for (Vec3& v : p) {
        const double phi = uniform(rng);
        v = {a.x * std::cos(phi) + b.x * std::sin(phi), a.y * std::cos(phi) + b.y * std::sin(phi),
             a.z * std::cos(phi) + b.z * std::sin(phi)};
    }
    return p;
}

std::vector<Vec3> Doublons(int n, uint64_t seed) {
    std::vector<Vec3> p = Aleatoire((n + 1) / 2, seed);
    p.insert(p.end(), p.begin(), p.end());
    p.resize(n);
    std::shuffle(p.begin(), p.end(), std::mt19937_64(seed + 1));
    return p;
}

std::vector<Nuage> Catalogue() {
    std::vector<Nuage> c;
    auto add = [&](std::string name, std::vector<Vec3> p) { c.push_back({std::move(name), std::move(p)}); };
    for (uint64_t s = 1; s <= 60; ++s) add("aleatoire " + std::to_string(s), Aleatoire(4 + static_cast<int>(s * 7 % 90), s));
    for (int n : {5, 12, 100, 777, 2500}) add("spirale " + std::to_string(n), Spirale(n));
    for (uint64_t s = 1; s <= 6; ++s) add("amas " + std::to_string(s), Amas(300 * static_cast<int>(s), static_cast<int>(s), 0.02 * s, s));
    add("amas serres", Amas(1500, 3, 1e-4, 9));
    for (uint64_t s = 1; s <= 3; ++s) add("calotte " + std::to_string(s), Calotte(200 * static_cast<int>(s), 0.99, s));
    add("calotte minuscule", Calotte(300, 1.0 - 1e-8, 4));
    add("anneaux 5x8", Anneaux(5, 8));
    add("anneaux 20x40", Anneaux(20, 40));
    add("cube", {{-1, -1, -1}, {1, -1, -1}, {-1, 1, -1}, {1, 1, -1}, {-1, -1, 1}, {1, -1, 1}, {-1, 1, 1}, {1, 1, 1}});
    for (Vec3& v : c.back().points) setLength(v, 1.0);
    add("octaedre", {{0, 0, -1}, {1, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {0, -1, 0}, {0, 0, 1}});
    for (uint64_t s = 1; s <= 4; ++s) add("quantifie " + std::to_string(s), Quantifie(500, 0.1 / s, s));
    add("trois", Aleatoire(3, 3));
    add("aleatoire 3000", Aleatoire(3000, 77));
    return c;
}
