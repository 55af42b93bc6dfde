// Convex hull builds: the grid search, the plain scan, and Qhull (when
// installed) on the same random points.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "etat/modes.h"
#include "etat/particules.h"
#include "hull/emballage.h"
#include "hull/enveloppe.h"

#ifdef GLOMERIX_AVEC_QHULL
extern "C" {
#include <libqhull_r/qhull_ra.h>
}
#endif

namespace {

// Golden-angle spiral: the evenly spread kind of set a relaxed configuration is.
std::vector<Vec3> PointsSpirale(int n) {
    const double golden = M_PI * (3.0 - std::sqrt(5.0));
    std::vector<Vec3> p(n);
    for (int i = 0; i < n; ++i) {
        const double z = 1.0 - (2.0 * i + 1.0) / n;
        const double r = std::sqrt(1.0 - z * z);
        p[i] = {r * std::cos(golden * i), r * std::sin(golden * i), z};
    }
    return p;
}

std::vector<Vec3> PointsAleatoires(int n) {
    std::mt19937_64 rng(20240611);
    std::normal_distribution<double> normal;
    std::vector<Vec3> p(n);
    for (Vec3& v : p) {
        v = {normal(rng), normal(rng), normal(rng)};
        setLength(v, 1.0);
    }
    return p;
}

// range(0) is N; range(1) is 0 for random points, 1 for the spiral.
std::vector<Vec3> Points(const benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    return state.range(1) == 0 ? PointsAleatoires(n) : PointsSpirale(n);
}

void Tailles(benchmark::internal::Benchmark* b) {
    for (int kind : {0, 1}) {
        for (int n : {1000, 4000, 9999}) b->Args({n, kind});
    }
    b->Unit(benchmark::kMillisecond);
}

void PlacerEtat(const std::vector<Vec3>& p) {
    const int n = static_cast<int>(p.size());
    etat.count = n;
    etat.particles.assign(n, ParticleRecord{});
    for (int i = 0; i < n; ++i) etat.particles[i].position = p[i];
    AllouerEnveloppe(n);
}

// The whole build as the program runs it: positions copied, degrees written.
void BM_EnveloppeGrille(benchmark::State& state) {
    PlacerEtat(Points(state));
    modes.dual = false;
    for (auto _ : state) {
        hullValid = false;
        CalculerEnveloppe(false);
        benchmark::DoNotOptimize(enveloppe.faceCount);
    }
    state.counters["faces"] = enveloppe.faceCount;
}

// The scan of every particle at every step.
void BM_EnveloppeBalayage(benchmark::State& state) {
    const std::vector<Vec3> p = Points(state);
    const int n = static_cast<int>(p.size());
    std::vector<HullEdge> edges(3 * n - 6);
    std::vector<HullFace> faces(2 * n - 4);
    std::vector<int32_t> degree;
    BilanEnveloppe bilan;
    for (auto _ : state) {
        bilan = Envelopper(p, edges, faces, degree, Recherche::Balayage);
        benchmark::DoNotOptimize(faces.data());
    }
    state.counters["faces"] = bilan.faceCount;
}

#ifdef GLOMERIX_AVEC_QHULL
// Triangulated hull ("Qt"), with a walk over the facets so the output is used.
void BM_Qhull(benchmark::State& state) {
    const std::vector<Vec3> p = Points(state);
    const int n = static_cast<int>(p.size());
    std::vector<coordT> coords;
    for (const Vec3& v : p) coords.insert(coords.end(), {v.x, v.y, v.z});
    long facettes = 0;
    for (auto _ : state) {
        qhT qhStorage;
        qhT* qh = &qhStorage;
        qh_zero(qh, stderr);
        const int code = qh_new_qhull(qh, 3, n, coords.data(), False, const_cast<char*>("qhull Qt"), nullptr, stderr);
        facettes = 0;
        if (code == 0) {
            facetT* facet;
            FORALLfacets { ++facettes; }
        }
        benchmark::DoNotOptimize(facettes);
        qh_freeqhull(qh, !qh_ALL);
        int curlong, totlong;
        qh_memfreeshort(qh, &curlong, &totlong);
    }
    state.counters["faces"] = static_cast<double>(facettes);
}
BENCHMARK(BM_Qhull)->Apply(Tailles);
#endif

}  // namespace

BENCHMARK(BM_EnveloppeGrille)->Apply(Tailles);
BENCHMARK(BM_EnveloppeBalayage)->Args({1000, 0})->Args({4000, 0})->Args({9999, 0})->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
