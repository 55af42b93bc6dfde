// Inner loops of the steps along the hull (LOCAL, FACES, ARETES), on one
// thread, over compact copies: the positions and the derivatives as rows of
// four doubles, so that the walk along the lists, whose entries name particles
// in no useful order, touches 32 bytes per particle instead of a whole record.
// Each loop adds every entry's term to the derivatives in list order, the same
// additions as the plain loop, bit for bit. Two versions: portable, and AVX2
// (four entries' square roots and divisions at once, then added one entry
// after the other); the AVX2 one runs whenever the pair kernels are not forced
// to the portable set.
#pragma once

#include "etat/maillage.h"

struct alignas(32) Ligne4 {
    double v[4] = {0.0, 0.0, 0.0, 0.0};  // x, y, z, unused
};

// Entries naming a particle outside 0 .. n - 1 contribute nothing.
struct NoyauxEnveloppe {
    // Edges 0 .. m - 1: t = c (p_a - p_b) / r^3 (none for pairs closer than
    // kContact), d_a += t, d_b -= t.
    void (*coulomb)(const Ligne4* p, Ligne4* d, const HullEdge* aretes, int m, int n, double c);
    // Edges 0 .. m - 1: t = (p_a - p_b) (L - l) R / l, l = |p_a - p_b| (none
    // when l is not positive), d_a += t, d_b -= t.
    void (*ressorts)(const Ligne4* p, Ligne4* d, const HullEdge* aretes, int m, int n, double L, double R);
    // Faces 0 .. m - 1 (A, B, C): e_0 = p_A - p_B, e_1 = p_B - p_C, e_2 = p_C - p_A,
    // each scaled as a spring toward the mean of the three lengths; d_A += e_0,
    // d_B += e_1, d_C += e_2, then d_B -= e_0, d_C -= e_1, d_A -= e_2.
    void (*faces)(const Ligne4* p, Ligne4* d, const HullFace* faces, int m, int n, double R);
    // ModifierPosition on the copies: p_i = (p_i + d_i) (1 / |p_i + d_i|),
    // i = 0 .. n - 1, the unused lane left 0.
    void (*projeter)(Ligne4* p, const Ligne4* d, int n);
};

const NoyauxEnveloppe& NoyauxDeLEnveloppe();
