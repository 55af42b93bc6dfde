// Vector operations: the edge cases the hull and the moves rely on.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "etat/vec3.h"

namespace {

void ExpectNear(const Vec3& v, double x, double y, double z, double tolerance = 1e-15) {
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

Vec3 OnSphere(double phi, double theta) { return fromAngles(phi, theta); }

TEST(vec3Ops, SetLengthReversesWithMinusOne) {
    Vec3 v{0, 3, 4};
    setLength(v, -1.0);
    EXPECT_EQ(v.x, 0.0);
    EXPECT_DOUBLE_EQ(v.y, -0.6);
    EXPECT_DOUBLE_EQ(v.z, -0.8);
    Vec3 w{1, 2, 2};
    setLength(w, 6.0);
    ExpectNear(w, 2, 4, 4, 1e-14);
}

TEST(vec3Ops, ArithmeticInPlace) {
    Vec3 a{1, 2, 3};
    a += Vec3{1, 1, 1};
    a -= Vec3{0, 2, 0};
    a *= 2.0;
    a /= 4.0;
    ExpectNear(a, 1, 0.5, 2);
    ExpectNear(difference(Vec3{1, 2, 3}, Vec3{3, 2, 1}), -2, 0, 2);
    ExpectNear(cross(Vec3{1, 0, 0}, Vec3{0, 1, 0}), 0, 0, 1);
    EXPECT_EQ(dot(Vec3{1, 2, 3}, Vec3{4, -5, 6}), 12.0);
    EXPECT_EQ(squaredDistance(Vec3{1, 2, 3}, Vec3{2, 4, 5}), 9.0);
    EXPECT_EQ(norm(Vec3{2, 3, 6}), 7.0);
    a.clear();
    ExpectNear(a, 0, 0, 0, 0);
}

TEST(vec3Ops, FromAnglesMeasuresThetaFromPlusZ) {
    ExpectNear(fromAngles(0, 0), 0, 0, 1);
    ExpectNear(fromAngles(std::numbers::pi / 2, std::numbers::pi / 2), 0, 1, 0);
    ExpectNear(fromAngles(0, std::numbers::pi / 2), 1, 0, 0);
    ExpectNear(fromAngles(1.234, std::numbers::pi), 0, 0, -1);
}

TEST(vec3Ops, InwardNormalPointsToTheCentreWhateverTheOrder) {
    const Vec3 a = OnSphere(0.0, 0.3), b = OnSphere(2.0, 0.3), c = OnSphere(4.0, 0.3);  // around +z
    for (const Vec3& n : {inwardNormal(a, b, c), inwardNormal(a, c, b), inwardNormal(c, b, a)}) {
        EXPECT_NEAR(norm(n), 1.0, 1e-15);
        ExpectNear(n, 0, 0, -1, 1e-12);
    }
    const Vec3 d = OnSphere(0.0, 2.9), e = OnSphere(2.0, 2.9), f = OnSphere(4.0, 2.9);  // around -z
    ExpectNear(inwardNormal(d, e, f), 0, 0, 1, 1e-12);
}

TEST(vec3Ops, EdgeNormalLiesInThePlaneTowardTheThirdCorner) {
    const Vec3 p1 = OnSphere(0.1, 1.0), p2 = OnSphere(0.9, 1.2), p3 = OnSphere(0.4, 1.6);
    for (const auto& [a, b, c] : {std::tuple{p1, p2, p3}, std::tuple{p2, p1, p3}, std::tuple{p3, p2, p1}}) {
        const Vec3 m = edgeNormal(a, b, c);
        EXPECT_NEAR(norm(m), 1.0, 1e-14);
        EXPECT_NEAR(dot(m, difference(b, a)), 0.0, 1e-14);           // perpendicular to the edge
        EXPECT_NEAR(dot(m, inwardNormal(a, b, c)), 0.0, 1e-14);      // in the triangle's plane
        EXPECT_GT(dot(m, difference(c, a)), 0.0);                    // toward the third corner
    }
}

TEST(vec3Ops, PlaneCosineShortcutAhead) {
    const Vec3 p{0, 0, 0}, u{0, 0, 1}, w{1, 0, 0};
    EXPECT_EQ(planeCosine(p, Vec3{3, 0, 4}, u, w, true), 0.0);     // ahead, rejected without a root
    EXPECT_DOUBLE_EQ(planeCosine(p, Vec3{3, 0, 4}, u, w, false), 0.6);
    EXPECT_DOUBLE_EQ(planeCosine(p, Vec3{-3, 5, 4}, u, w, true), -0.6);  // behind: computed
    EXPECT_DOUBLE_EQ(planeCosine(Vec3{1, 1, 1}, Vec3{1, 1, 3}, u, w, true), 0.0);  // h = 0 is not ahead
}

}  // namespace
