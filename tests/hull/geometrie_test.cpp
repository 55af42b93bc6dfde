// The hull's vector helpers: orientation of the face normal, the in-face
// direction and the pivot value with its shortcut.
#include <gtest/gtest.h>

#include <cmath>

#include "etat/vec3.h"

namespace {

const Vec3 kP1{1.0, 0.0, 0.0};
const Vec3 kP2{0.0, 1.0, 0.0};
const Vec3 kP3{0.0, 0.0, 1.0};

TEST(Geometrie, InwardNormalPointsToTheCentreWhateverTheVertexOrder) {
    const double s = 1.0 / std::sqrt(3.0);
    for (const auto& [a, b, c] : {std::tuple{kP1, kP2, kP3}, std::tuple{kP2, kP1, kP3}, std::tuple{kP3, kP2, kP1}}) {
        const Vec3 n = inwardNormal(a, b, c);
        EXPECT_NEAR(n.x, -s, 1e-15);
        EXPECT_NEAR(n.y, -s, 1e-15);
        EXPECT_NEAR(n.z, -s, 1e-15);
    }
}

TEST(Geometrie, EdgeNormalLiesInTheFaceAndPointsToTheThirdVertex) {
    for (const auto& [a, b, c] : {std::tuple{kP1, kP2, kP3}, std::tuple{kP2, kP1, kP3}}) {
        const Vec3 t = edgeNormal(a, b, c);
        EXPECT_NEAR(norm(t), 1.0, 1e-15);
        EXPECT_NEAR(dot(t, difference(b, a)), 0.0, 1e-15);
        EXPECT_NEAR(dot(t, inwardNormal(a, b, c)), 0.0, 1e-15);
        EXPECT_GT(dot(t, difference(c, a)), 0.0);
    }
}

TEST(Geometrie, PlaneCosineAndItsShortcut) {
    const Vec3 u{0.0, 0.0, 1.0}, w{1.0, 0.0, 0.0};
    EXPECT_DOUBLE_EQ(planeCosine({}, {3.0, 7.0, 4.0}, u, w, false), 0.6);    // along 3, across 4
    EXPECT_DOUBLE_EQ(planeCosine({}, {-3.0, 0.0, 4.0}, u, w, true), -0.6);   // behind: computed
    EXPECT_EQ(planeCosine({}, {3.0, 0.0, 4.0}, u, w, true), 0.0);           // ahead: rejected
    EXPECT_DOUBLE_EQ(planeCosine({1.0, 0.0, 0.0}, {4.0, 0.0, -4.0}, u, w, false), 0.6);
}

}  // namespace
