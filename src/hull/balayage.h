// Choosing the vertex across an open edge of the hull: the scan of every
// particle, and a search over a grid of the positions that returns the same
// vertex while evaluating only a few particles.
#pragma once

#include <vector>

#include "etat/vec3.h"

// The pivot frame of an open edge: its two ends, the position of `lo`, the
// unit normal n of the known face (toward the centre) and the in-face
// direction t (perpendicular to the edge, toward the known face's third vertex).
struct CadreArete {
    int lo;
    int hi;
    Vec3 p1;
    Vec3 n;
    Vec3 t;
};

// The scan: the initial choice is the lowest index that is neither lo nor hi,
// then every index from 1 up replaces the choice when its planeCosine value is
// strictly smaller. With `raccourci`, once a negative value has replaced the
// choice, candidates ahead of the edge get 0 without the root.
int BalayerTout(const Vec3* pos, int count, const CadreArete& c, bool raccourci);

// A bucket grid over the positions. Chercher returns exactly what
// BalayerTout(..., true) returns: the lowest index among the smallest values,
// or the initial choice when its value is NaN.
class GrilleSphere {
public:
    // False when the positions do not suit the grid (a non-finite coordinate,
    // a point outside the ball of radius 1.01); BalayerTout must be used then.
    bool Construire(const Vec3* pos, int count);

    int Chercher(const CadreArete& c) const;

    // Searches that fell back to the full scan, for tests and benchmarks.
    long long replis() const { return replis_; }

private:
    struct Meilleur {
        double value;
        int index;
    };

    void Visiter(const CadreArete& c, const Vec3& m, double r2, Meilleur& best) const;

    const Vec3* pos_ = nullptr;
    int count_ = 0;
    int cote_ = 0;                 // cells along each axis
    double origine_ = 0.0;         // the grid spans [origine_, -origine_] on each axis
    double pas_ = 0.0;             // cell edge
    double inversePas_ = 0.0;
    double normeMax2_ = 0.0;       // largest squared norm of a position
    std::vector<int> debuts_;      // per cell (x fastest), start in the sorted lists; one more entry at the end
    std::vector<Vec3> tries_;      // positions sorted by cell
    std::vector<int> indices_;     // their particle indices
    mutable long long replis_ = 0;
};
