// Three-component vectors: positions, displacements, the ambient field and
// the hull's geometry.
#pragma once

#include <cmath>

struct Vec3 {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;

    Vec3& operator+=(const Vec3& o) { x += o.x; y += o.y; z += o.z; return *this; }
    Vec3& operator-=(const Vec3& o) { x -= o.x; y -= o.y; z -= o.z; return *this; }
    Vec3& operator*=(double s) { x *= s; y *= s; z *= s; return *this; }
    Vec3& operator/=(double s) { x /= s; y /= s; z /= s; return *this; }
    void clear() { x = y = z = 0.0; }
};

inline Vec3 difference(const Vec3& a, const Vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }

inline double dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

inline double norm(const Vec3& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

// v scaled to length s: s = 1 makes it unit, s = -1 unit and reversed.
inline void setLength(Vec3& v, double s) { v *= s / norm(v); }

inline Vec3 cross(const Vec3& a, const Vec3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

inline double squaredDistance(const Vec3& a, const Vec3& b) {
    const double dx = a.x - b.x, dy = a.y - b.y, dz = a.z - b.z;
    return dx * dx + dy * dy + dz * dz;
}

// Longitude phi, theta measured from +z.
inline Vec3 fromAngles(double phi, double theta) {
    return {std::cos(phi) * std::sin(theta), std::sin(phi) * std::sin(theta), std::cos(theta)};
}

// Unit normal of the triangle, pointing toward the sphere's centre.
inline Vec3 inwardNormal(const Vec3& p1, const Vec3& p2, const Vec3& p3) {
    Vec3 n = cross(difference(p1, p2), difference(p3, p2));
    setLength(n, 1.0);
    Vec3 s = p1;
    s += p2;
    s += p3;
    if (dot(n, s) < 0.0) return n;
    n *= -1.0;
    return n;
}

// Unit vector in the triangle's plane, perpendicular to p1p2, toward p3.
inline Vec3 edgeNormal(const Vec3& p1, const Vec3& p2, const Vec3& p3) {
    Vec3 m = cross(inwardNormal(p1, p2, p3), difference(p2, p1));
    Vec3 mid = p1;
    mid += p2;
    mid *= 0.5;
    Vec3 q = difference(p3, mid);
    setLength(q, 1.0);
    setLength(m, dot(m, q) > 0.0 ? 1.0 : -1.0);
    return m;
}

// Cosine of the angle between w and q - p seen along the edge (u the face
// normal); 0 without the root when rejectAhead is set and q lies ahead.
inline double planeCosine(const Vec3& p, const Vec3& q, const Vec3& u, const Vec3& w, bool rejectAhead) {
    const Vec3 d = difference(q, p);
    const double h = dot(d, w);
    if (rejectAhead && h > 0.0) return 0.0;
    const double e = dot(d, u);
    return h / std::sqrt(h * h + e * e);
}
