// The pair kernels row by row on one thread (see bench/README.md, "Pair
// kernels"), beside the limit of the square root and divide unit measured on
// the machine that runs them.
//
// Diviseur/<set>: 1 / sqrt(s) on independent lanes, four (AVX2) or eight
// (AVX-512F) at a time, nothing else: what a kernel that sends every pair
// through the unit cannot beat. Then, for every set the processor runs and
// N = 1000 and 9999, every row i = 1 .. N - 1 of a slot:
//   Descente  ligneDescente (the descents' pass with the change of energy,
//             displacements of 1e-9 as in a late line search),
//   Energie   ligneEnergie (the same without the change),
//   Force     forceLigne (RELAX's step),
//   Termes    termes on blocks of five rows (the potentials' terms).
// Counters: ns per pair and "diviseur", that time over the unit's limit for
// the set's width, measured at start-up.
#include <benchmark/benchmark.h>
#include <immintrin.h>
#include <time.h>

#include <algorithm>
#include <string>
#include <vector>

#include "mathematiques/hasard.h"
#include "mathematiques/noyaux.h"

namespace {

constexpr int kValeurs = 256;  // lanes of s, in the first-level cache

std::vector<double> Carres() {
    std::vector<double> s(kValeurs);
    for (int k = 0; k < kValeurs; ++k) s[k] = 0.05 + 3.9 * k / kValeurs;
    return s;
}

__attribute__((target("avx2"))) double UniteAvx2(const double* s, long tours) {
    __m256d a = _mm256_setzero_pd(), b = a;
    const __m256d un = _mm256_set1_pd(1.0);
    for (long t = 0; t < tours; ++t) {
        const double* q = s;
        asm volatile("" : "+r"(q));  // a new array for the compiler: nothing hoisted out of the rounds
        for (int k = 0; k < kValeurs; k += 8) {
            a = _mm256_add_pd(a, _mm256_div_pd(un, _mm256_sqrt_pd(_mm256_loadu_pd(q + k))));
            b = _mm256_add_pd(b, _mm256_div_pd(un, _mm256_sqrt_pd(_mm256_loadu_pd(q + k + 4))));
        }
    }
    alignas(32) double v[4];
    _mm256_store_pd(v, _mm256_add_pd(a, b));
    return v[0] + v[1] + v[2] + v[3];
}

__attribute__((target("avx512f"))) double UniteAvx512(const double* s, long tours) {
    __m512d a = _mm512_setzero_pd(), b = a;
    const __m512d un = _mm512_set1_pd(1.0);
    for (long t = 0; t < tours; ++t) {
        const double* q = s;
        asm volatile("" : "+r"(q));
        for (int k = 0; k < kValeurs; k += 16) {
            a = _mm512_add_pd(a, _mm512_div_pd(un, _mm512_maskz_sqrt_pd(0xFF, _mm512_loadu_pd(q + k))));
            b = _mm512_add_pd(b, _mm512_div_pd(un, _mm512_maskz_sqrt_pd(0xFF, _mm512_loadu_pd(q + k + 8))));
        }
    }
    alignas(64) double v[8];
    _mm512_store_pd(v, _mm512_add_pd(a, b));
    double somme = 0.0;
    for (double x : v) somme += x;
    return somme;
}

double Unite(JeuNoyaux jeu, const double* s, long tours) {
    return jeu == JeuNoyaux::avx512 ? UniteAvx512(s, tours) : UniteAvx2(s, tours);
}

double TempsProcesseur() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec + 1e-9 * t.tv_nsec;
}

// ns per lane, the best of seven runs of about 20 ms.
double LimiteDiviseur(JeuNoyaux jeu) {
    if (jeu == JeuNoyaux::portable || !JeuDisponible(jeu)) return 0.0;
    const std::vector<double> s = Carres();
    constexpr long kTours = 20000;
    double meilleur = 1e30;
    for (int essai = 0; essai < 7; ++essai) {
        const double debut = TempsProcesseur();
        benchmark::DoNotOptimize(Unite(jeu, s.data(), kTours));
        meilleur = std::min(meilleur, (TempsProcesseur() - debut) / (kTours * kValeurs) * 1e9);
    }
    return meilleur;
}

void Diviseur(benchmark::State& state, JeuNoyaux jeu) {
    if (!JeuDisponible(jeu)) {
        state.SkipWithError("this processor cannot run the set");
        return;
    }
    const std::vector<double> s = Carres();
    for (auto _ : state) benchmark::DoNotOptimize(Unite(jeu, s.data(), 100));
    state.counters["ns/paire"] = benchmark::Counter(100.0 * kValeurs * state.iterations(),
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

enum class Slot { descente, energie, force, termes };

PositionsSoA Aleatoires(int n, long graine, double rayon) {
    InitialiserHasard(graine);
    PositionsSoA p;
    p.n = n;
    for (int j = 0; j < n; ++j) {
        Vec3 v;
        TirerPointSphere(v, rayon);
        p.x.push_back(v.x);
        p.y.push_back(v.y);
        p.z.push_back(v.z);
    }
    return p;
}

void Passe(const NoyauxPaires& k, Slot slot, const PositionsSoA& t, const PositionsSoA& d, double* r,
           std::vector<float>& termes) {
    const int n = t.n;
    double f[3] = {0, 0, 0}, sommes[2] = {0, 0}, energie = 0.0;
    if (slot == Slot::termes) {
        const int pas = n;
        termes.resize(5 * static_cast<size_t>(pas));
        for (int r0 = 0; r0 + 5 < n; r0 += 5) energie += k.termes(t, r0, 5, r0 + 5, n, termes.data(), pas);
        benchmark::DoNotOptimize(energie);
        return;
    }
    for (int i = 1; i < n; ++i) {
        switch (slot) {
            case Slot::descente: k.ligneDescente(t, d, i, r, r + n, r + 2 * n, f, sommes); break;
            case Slot::energie: k.ligneEnergie(t, i, r, r + n, r + 2 * n, f, energie); break;
            case Slot::force: k.forceLigne(t, i, 1e-4, r, r + n, r + 2 * n, f); break;
            case Slot::termes: break;
        }
    }
    benchmark::DoNotOptimize(f);
    benchmark::DoNotOptimize(sommes);
    benchmark::DoNotOptimize(energie);
}

void Ligne(benchmark::State& state, JeuNoyaux jeu, Slot slot, double limite) {
    if (!JeuDisponible(jeu)) {
        state.SkipWithError("this processor cannot run the set");
        return;
    }
    const int n = static_cast<int>(state.range(0));
    const NoyauxPaires& k = TableDuJeu(jeu);
    const PositionsSoA t = Aleatoires(n, 7, 1.0), d = Aleatoires(n, 8, 1e-9);
    std::vector<double> r(3 * static_cast<size_t>(n), 0.0);
    std::vector<float> termes;
    for (auto _ : state) Passe(k, slot, t, d, r.data(), termes);
    const double paires = static_cast<double>(n) * (n - 1) / 2.0;
    state.counters["ns/paire"] =
        benchmark::Counter(paires * state.iterations(), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    if (limite > 0.0) {
        // CPU seconds per pass over the unit's time for the pass's pairs.
        state.counters["diviseur"] = benchmark::Counter(
            paires * limite * 1e-9, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    }
}

void Enregistrer() {
    const struct {
        JeuNoyaux jeu;
        const char* nom;
    } jeux[] = {{JeuNoyaux::avx512, "avx512"}, {JeuNoyaux::avx2, "avx2"}, {JeuNoyaux::portable, "portable"}};
    const struct {
        Slot slot;
        const char* nom;
    } slots[] = {{Slot::descente, "Descente"}, {Slot::energie, "Energie"}, {Slot::force, "Force"},
                 {Slot::termes, "Termes"}};
    for (const auto& j : jeux) {
        if (j.jeu != JeuNoyaux::portable) {
            benchmark::RegisterBenchmark((std::string("Diviseur/") + j.nom).c_str(), Diviseur, j.jeu);
        }
    }
    for (const auto& j : jeux) {
        const double limite = LimiteDiviseur(j.jeu);
        for (const auto& s : slots) {
            auto* b = benchmark::RegisterBenchmark((std::string(s.nom) + "/" + j.nom).c_str(), Ligne, j.jeu, s.slot,
                                                   limite);
            b->Arg(1000)->Unit(benchmark::kMillisecond);
            if (j.jeu != JeuNoyaux::portable) b->Arg(9999);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    Enregistrer();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
