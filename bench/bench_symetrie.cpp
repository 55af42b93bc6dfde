// SYMETRIE's search for the point group (see bench/README.md, "Point groups"):
// the N = 122 Thomson minimum (Ih, reached by EXPLORER from seed 1), the
// minimised spiral at N = 1000, the spiral at N = 9999, random sets, and
// 9972 particles in Ih orbits of random points (83 of 120, and the 12
// vertices of the icosahedron): the most candidate operations.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cmath>
#include <map>
#include <vector>

#include "configurations.h"
#include "etat/parallele.h"
#include "mathematiques/exploration.h"
#include "mathematiques/hasard.h"
#include "mathematiques/minimisation.h"
#include "mathematiques/placement.h"
#include "mathematiques/symetrie.h"

namespace {

using bench::Aleatoires;
using bench::Spirale;

std::vector<Vec3> Thomson122() {
    std::vector<Vec3> x = Aleatoires(122, 1);
    std::atomic<bool> arret{false};
    ParametresExploration p;
    p.sauts = 2000;
    p.arret = &arret;
    p.nouveauMinimum = [&](long long, double e, std::span<const Vec3>) {
        if (std::abs(std::exp(e) - 6698.374499261) < 1e-6) arret = true;
    };
    Explorer(x, p);
    return x;
}

std::vector<Vec3> SpiraleMinimisee(int n) {
    std::vector<Vec3> x = Spirale(n);
    ParametresDescente p;
    p.iterationsMax = 100000;
    Minimiser(x, p);
    return x;
}

// The icosahedron's 12 vertices and the images of random points by its 120 operations.
std::vector<Vec3> OrbitesIh(int orbites) {
    const double g = (1.0 + std::sqrt(5.0)) / 2.0;
    std::vector<Vec3> x;
    for (double a : {-1.0, 1.0}) {
        for (double b : {-g, g}) {
            for (Vec3 v : {Vec3{0, a, b}, Vec3{a, b, 0}, Vec3{b, 0, a}}) {
                setLength(v, 1.0);
                x.push_back(v);
            }
        }
    }
    const GroupePonctuel ih = TrouverGroupePonctuel(x);
    for (const Vec3& p : Aleatoires(orbites, 3)) {
        for (const OperationSymetrie& op : ih.operations) {
            x.push_back({op.m[0][0] * p.x + op.m[0][1] * p.y + op.m[0][2] * p.z,
                         op.m[1][0] * p.x + op.m[1][1] * p.y + op.m[1][2] * p.z,
                         op.m[2][0] * p.x + op.m[2][1] * p.y + op.m[2][2] * p.z});
        }
    }
    return x;
}

enum Jeu { thomson122, spirale1000, spirale9999, aleatoire1000, aleatoire9999, ih9972 };

const std::vector<Vec3>& Configuration(Jeu jeu) {
    static std::map<Jeu, std::vector<Vec3>> faites;
    auto t = faites.find(jeu);
    if (t != faites.end()) return t->second;
    ImposerEquipe(1);
    std::vector<Vec3> x;
    switch (jeu) {
    case thomson122: x = Thomson122(); break;
    case spirale1000: x = SpiraleMinimisee(1000); break;
    case spirale9999: x = Spirale(9999); break;
    case aleatoire1000: x = Aleatoires(1000, 5); break;
    case aleatoire9999: x = Aleatoires(9999, 5); break;
    case ih9972: x = OrbitesIh(83); break;
    }
    return faites[jeu] = std::move(x);
}

void BM_Symetrie(benchmark::State& state) {
    const std::vector<Vec3>& x = Configuration(static_cast<Jeu>(state.range(0)));
    GroupePonctuel g;
    for (auto _ : state) {
        g = TrouverGroupePonctuel(x);
        benchmark::DoNotOptimize(g.ordre);
    }
    state.SetLabel(g.nom + ", N = " + std::to_string(x.size()));
}
BENCHMARK(BM_Symetrie)->DenseRange(thomson122, ih9972)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
