// MINIMISER's descent on fixed starts: its iteration and evaluation counts,
// how it ended, the final log-energy and the final positions, bit for bit as
// the descent gave them when these figures were taken. Any change to the
// line search, the curvature pairs, the smoothing or the scale shows here
// even when the minimum reached is the same. The portable kernels on one
// worker, so that the figures hold on any processor.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>

#include "etat/parallele.h"
#include "mathematiques/minimisation.h"
#include "mathematiques/noyaux.h"
#include "simulation_outils.h"

namespace {

struct Releve {
    int n;
    long graine;
    double exposant;
    int memoire;
    long long iterationsMax;
    double tolerance;
    long long iterations, evaluations;
    FinDescente fin;
    double logEnergie;
    uint64_t empreinte;  // FNV-1a of the final coordinates' bits
};

// Coulomb to the criterion (through the smoothing at N = 200), exponents 12,
// 1000 (steps bounded by the scale, new scales) and 3, a short memory cut by
// the iteration bound, and a tolerance of 0 that ends blocked.
constexpr Releve kReleves[] = {
    {50, 71, 1.0, 20, 100000, 1e-9, 118, 125, FinDescente::critere, 0x1.bd88b49b36727p+2, 0xbe793c78f31e94d7ull},
    {200, 72, 1.0, 20, 100000, 1e-9, 290, 296, FinDescente::critere, 0x1.3a4fa1992d966p+3, 0xc9fb9ca5033ce2c4ull},
    {30, 73, 12.0, 20, 100000, 1e-9, 172, 187, FinDescente::critere, 0x1.26237ff36182cp+3, 0xe043a9aad427da04ull},
    {24, 74, 1000.0, 20, 100000, 1e-9, 599, 784, FinDescente::critere, 0x1.4c0192c41a1fep+8, 0x89c2e17622eb0daaull},
    {40, 75, 1.0, 3, 60, 1e-9, 60, 62, FinDescente::iterations, 0x1.9f919cb9f2ef5p+2, 0x0c0aa7b30aed146eull},
    {12, 76, 1.0, 20, 20000, 0.0, 71, 259, FinDescente::bloquee, 0x1.f2957df704688p+1, 0x6264eda412dadfaeull},
    {100, 77, 3.0, 5, 100000, 1e-7, 178, 183, FinDescente::critere, 0x1.22a6eb4d29357p+3, 0x04a1aa6790a7929aull},
};

uint64_t Empreinte(const std::vector<Vec3>& x) {
    uint64_t h = 1469598103934665603ull;
    for (const Vec3& v : x) {
        for (const double c : {v.x, v.y, v.z}) {
            h ^= std::bit_cast<uint64_t>(c);
            h *= 1099511628211ull;
        }
    }
    return h;
}

TEST(Minimisation, LesMemesPasQueLorsDuReleve) {
    ForcerNoyaux(JeuNoyaux::portable);
    ImposerEquipe(1);
    for (const Releve& r : kReleves) {
        SCOPED_TRACE(testing::Message() << "N = " << r.n << ", s = " << r.exposant);
        std::vector<Vec3> x = outils::Aleatoires(r.n, r.graine);
        ParametresDescente p;
        p.exposant = r.exposant;
        p.memoire = r.memoire;
        p.iterationsMax = r.iterationsMax;
        p.tolerance = r.tolerance;
        const BilanDescente b = Minimiser(x, p);
        EXPECT_EQ(b.iterations, r.iterations);
        EXPECT_EQ(b.evaluations, r.evaluations);
        EXPECT_EQ(b.fin, r.fin);
        EXPECT_EQ(std::bit_cast<uint64_t>(b.logEnergie), std::bit_cast<uint64_t>(r.logEnergie)) << b.logEnergie;
        EXPECT_EQ(Empreinte(x), r.empreinte);
    }
    ImposerEquipe(0);
    ForcerNoyaux(JeuNoyaux::natif);
}

}  // namespace
