// Each pair's term is computed once, yet every particle's float sum must see
// its terms in index order. Rows are dealt in chunks of kChunk to the workers
// (the k-th chunk to worker k mod team). A chunk first computes all its terms
// into the worker's buffer. Then, for a particle j, chunk c adds its rows'
// terms after chunk c - 1 has added its own: chunk c waits, column block by
// column block, until chunk c - 1 has passed the block. The chunk's own
// particles sum their remaining terms, all to the right, on the way. Every
// worker takes its chunks in ascending order and a chunk only waits for a
// lower one, so the wait always ends.
#include "mathematiques/energie.h"

#include <omp.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>
#include <thread>
#include <vector>

#include "etat/parallele.h"
#include "etat/particules.h"

namespace {

constexpr int kBlocColonnes = 512;  // columns between two progress marks

struct alignas(64) Progres {
    std::atomic<int> colonne{0};  // chunk's work on columns below this is done
};

void Attendre(const Progres& precedent, int colonne) {
    for (int tours = 0; precedent.colonne.load(std::memory_order_acquire) < colonne; ++tours) {
        if (tours < 256) {
            __builtin_ia32_pause();
        } else {
            std::this_thread::yield();
        }
    }
}

// Pairs inside the chunk, in the one-thread order.
double Diagonale(const PositionsSoA& p, int r0, int r1, float* pot) {
    double somme = 0.0;
    for (int i = r0; i < r1; ++i) {
        for (int j = i + 1; j < r1; ++j) {
            const double dx = p.x[i] - p.x[j], dy = p.y[i] - p.y[j], dz = p.z[i] - p.z[j];
            const double e = 1.0 / std::sqrt(dx * dx + dy * dy + dz * dz);
            if (pot != nullptr) {
                const float t = static_cast<float>(e);
                pot[i] += t;
                pot[j] += t;
            }
            somme += e;
        }
    }
    return somme;
}

// The chunk's terms are computed first, with no wait; only the float
// additions into the shared sums follow chunk c - 1 block by block.
double Tranche(const PositionsSoA& p, int c, float* pot, Progres* progres, std::vector<float>& termes) {
    const int r0 = c * kChunk;
    const int r1 = std::min(r0 + kChunk, p.n - 1);
    const int rows = r1 - r0;
    const int pas = p.n - r1;
    termes.resize(static_cast<size_t>(kChunk) * pas);
    const NoyauxPaires& noyaux = Noyaux();
    double somme = noyaux.termes(p, r0, rows, r1, p.n, termes.data(), pas);
    if (pot == nullptr) return somme + Diagonale(p, r0, r1, nullptr);
    if (c > 0) Attendre(progres[c - 1], r1);
    somme += Diagonale(p, r0, r1, pot);
    float acc[kChunk];
    for (int k = 0; k < rows; ++k) acc[k] = pot[r0 + k];
    for (int a = r1; a < p.n;) {
        const int b = std::min(p.n, (a / kBlocColonnes + 1) * kBlocColonnes);
        if (c > 0) Attendre(progres[c - 1], b);
        noyaux.cumuler(termes.data() + (a - r1), pas, rows, a, b, pot, acc);
        progres[c].colonne.store(b, std::memory_order_release);
        a = b;
    }
    for (int k = 0; k < rows; ++k) pot[r0 + k] = acc[k];
    return somme;
}

}  // namespace

double EnergieEtPotentiels(const PositionsSoA& p, float* pot) {
    if (pot != nullptr) std::fill(pot, pot + p.n, 0.0f);
    if (p.n < 2) return 0.0;
    const int tranches = (p.n - 1 + kChunk - 1) / kChunk;
    const std::unique_ptr<Progres[]> progres(new Progres[tranches]);
    const int equipe = PreparerEquipe(Paires(p.n), kSeuilPaires);
    // One sum per chunk, added in chunk order afterwards: the one-worker sum
    // bit for bit whatever the team, so that a Monte Carlo run repeats from
    // its seed on any number of workers.
    std::vector<double> sommes(static_cast<size_t>(tranches), 0.0);
    // The dealing of schedule(static, kChunk) over rows, written out so that
    // each worker provably takes its chunks in ascending order.
    auto parTranches = [&](int w, int workers) {
        std::vector<float> termes;
        for (int c = w; c < tranches; c += workers) {
            sommes[static_cast<size_t>(c)] = Tranche(p, c, pot, progres.get(), termes);
        }
    };
    if (equipe <= 1) {
        parTranches(0, 1);  // no region: see PourChaque
    } else {
#pragma omp parallel num_threads(equipe)
        parTranches(omp_get_thread_num(), omp_get_num_threads());
    }
    double total = 0.0;
    for (const double s : sommes) total += s;
    return total;
}
