// The shared generator: the method's own self-test, its range and
// repeatability, self-seeding, and draws shared between worker threads.
#include <gtest/gtest.h>
#include <omp.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "mathematiques/hasard.h"
#include "mathematiques/hasard_knuth.h"

namespace {

std::vector<double> Draws(int n) {
    std::vector<double> v(static_cast<size_t>(n));
    for (double& x : v) x = TirerReel();
    return v;
}

TEST(hasardKnuth, PublishedSelfTest) {
    std::vector<double> a(2009);
    hasard_knuth::ranf_start(310952);
    for (int m = 0; m < 2009; ++m) hasard_knuth::ranf_array(a.data(), 1009);
    EXPECT_EQ(hasard_knuth::state(0), 0.36410514377569680455);
    hasard_knuth::ranf_start(310952);
    for (int m = 0; m < 1009; ++m) hasard_knuth::ranf_array(a.data(), 2009);
    EXPECT_EQ(hasard_knuth::state(0), 0.36410514377569680455);
}

TEST(hasardTirage, FirstDrawBeforeSeedingSeedsWith314159) {
    // A fresh process, so that nothing has seeded the generator yet.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            const std::vector<double> unseeded = Draws(250);
            InitialiserHasard(314159);
            std::exit(Draws(250) == unseeded ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(hasardTirage, SameSeedSameSequence) {
    InitialiserHasard(20260101);
    const std::vector<double> first = Draws(1000);
    InitialiserHasard(20260101);
    EXPECT_EQ(Draws(1000), first);
    InitialiserHasard(20260101 + (1L << 30));  // only the low 30 bits count
    EXPECT_EQ(Draws(1000), first);
    InitialiserHasard(20260102);
    EXPECT_NE(Draws(1000), first);
}

TEST(hasardTirage, ValuesLieInTheUnitInterval) {
    InitialiserHasard(1);
    double sum = 0.0, low = 1.0, high = 0.0;
    const int n = 1000000;
    for (int i = 0; i < n; ++i) {
        const double x = TirerReel();
        ASSERT_GE(x, 0.0);
        ASSERT_LT(x, 1.0);
        sum += x;
        low = std::min(low, x);
        high = std::max(high, x);
    }
    EXPECT_NEAR(sum / n, 0.5, 0.002);
    EXPECT_LT(low, 1e-4);
    EXPECT_GT(high, 1.0 - 1e-4);
}

// Each refill hands out the first 100 of 1009 generated values.
TEST(hasardTirage, EachRefillHandsOutTheFirstHundredValues) {
    InitialiserHasard(777);
    const std::vector<double> drawn = Draws(200);
    hasard_knuth::ranf_start(777);
    std::vector<double> buffer(hasard_knuth::QUALITY);
    hasard_knuth::ranf_array(buffer.data(), hasard_knuth::QUALITY);
    EXPECT_TRUE(std::equal(drawn.begin(), drawn.begin() + 100, buffer.begin()));
    hasard_knuth::ranf_array(buffer.data(), hasard_knuth::QUALITY);
    EXPECT_TRUE(std::equal(drawn.begin() + 100, drawn.end(), buffer.begin()));
}

TEST(hasardTirage, TwoWorkersShareOneStream) {
    const int n = 300000;  // 3000 refills
    InitialiserHasard(4242);
    std::vector<double> single = Draws(n);
    InitialiserHasard(4242);
    std::vector<double> shared(static_cast<size_t>(n));
    int workers = 0;
#pragma omp parallel num_threads(2)
    {
#pragma omp single
        workers = omp_get_num_threads();
#pragma omp for schedule(static, 5)
        for (int i = 0; i < n; ++i) shared[static_cast<size_t>(i)] = TirerReel();
    }
    EXPECT_EQ(workers, 2);
    std::sort(single.begin(), single.end());
    std::sort(shared.begin(), shared.end());
    EXPECT_EQ(shared, single);
    const double after = TirerReel();  // none skipped, none repeated: the stream goes on at n
    InitialiserHasard(4242);
    EXPECT_EQ(after, Draws(n + 1).back());
}

TEST(hasardSphere, DrawsXYZInOrderAndRejectsOutsideTheBall) {
    InitialiserHasard(99);
    Vec3 expected;
    for (;;) {
        const double x = 2 * TirerReel() - 1, y = 2 * TirerReel() - 1, z = 2 * TirerReel() - 1;
        const double s = x * x + y * y + z * z;
        if (s < 1.0 && s > 0.0) {
            const double f = 2.5 / std::sqrt(s);
            expected = {x * f, y * f, z * f};
            break;
        }
    }
    const double next = TirerReel();
    InitialiserHasard(99);
    Vec3 v;
    TirerPointSphere(v, 2.5);
    EXPECT_EQ(v.x, expected.x);
    EXPECT_EQ(v.y, expected.y);
    EXPECT_EQ(v.z, expected.z);
    EXPECT_EQ(TirerReel(), next);  // the same draws were used
}

TEST(hasardSphere, UniformOnTheSphere) {
    InitialiserHasard(5);
    const int n = 200000;
    Vec3 mean;
    double zz = 0.0, north = 0.0;
    for (int i = 0; i < n; ++i) {
        Vec3 v;
        TirerPointSphere(v, 1.0);
        ASSERT_NEAR(norm(v), 1.0, 1e-14);
        mean += v;
        zz += v.z * v.z;
        if (v.z > 0.5) ++north;  // cap area fraction (1 - 0.5) / 2
    }
    mean /= n;
    EXPECT_NEAR(mean.x, 0.0, 0.01);
    EXPECT_NEAR(mean.y, 0.0, 0.01);
    EXPECT_NEAR(mean.z, 0.0, 0.01);
    EXPECT_NEAR(zz / n, 1.0 / 3.0, 0.005);
    EXPECT_NEAR(north / n, 0.25, 0.005);
}

}  // namespace

// A stream of its own is the same generator: seeded alike, it deals the
// shared stream's values, and drawing from it leaves the shared one alone.
TEST(hasardFlux, SameValuesAsTheSharedStreamAndIndependentOfIt) {
    InitialiserHasard(31337);
    const std::vector<double> shared = Draws(2500);
    InitialiserHasard(555);
    const double nextShared = TirerReel();
    InitialiserHasard(555);
    FluxHasard flux(31337);
    std::vector<double> own(2500);
    for (double& x : own) x = flux.Reel();
    EXPECT_EQ(own, shared);
    EXPECT_EQ(TirerReel(), nextShared);
    EXPECT_EQ(GraineHasard(), 555);

    FluxHasard a(31337), b(31338), neuf;
    Vec3 pa, pb;
    a.PointSphere(pa, 1.0);
    b.PointSphere(pb, 1.0);
    EXPECT_NE(pa.x, pb.x);
    InitialiserHasard(314159);  // an unseeded stream seeds itself as the shared one does
    EXPECT_EQ(neuf.Reel(), TirerReel());
}

// Derived seeds stay in the seeding range and differ for every argument.
TEST(hasardFlux, DerivedSeedsDistinctAndInRange) {
    std::vector<long> graines;
    for (long g : {0L, 1L, kGraineMax}) {
        for (long n = 3; n < 203; ++n) {
            for (long w = 0; w < 8; ++w) {
                const long d = GraineDerivee(g, n, w);
                ASSERT_GE(d, 0);
                ASSERT_LE(d, kGraineMax);
                graines.push_back(d);
            }
        }
    }
    std::sort(graines.begin(), graines.end());
    EXPECT_EQ(std::adjacent_find(graines.begin(), graines.end()), graines.end());
    EXPECT_EQ(GraineDerivee(9, 100, 1), GraineDerivee(9, 100, 1));
}
