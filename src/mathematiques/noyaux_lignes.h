// Pieces shared by the AVX2 and AVX-512 kernel sets: the float accumulation
// steps of the energy kernels (each keeps the index order of every particle's
// float sum), and the AVX2 rows that the AVX-512 set uses as they are.
#pragma once

#include <immintrin.h>

#include "mathematiques/noyaux.h"

// noyaux_avx2.cpp; see NoyauxPaires for what each computes.
void CumulerAvx2(const float* t, int pas, int rows, int a, int b, float* pot, float* acc);
double DeltaEnergieAvx2(const PositionsSoA& p, int a, int b, const double o[3], const double q[3]);

#define NOYAU_EN_LIGNE __attribute__((target("sse3"), always_inline)) inline

// acc (rows 0-3) receives the 4 x 4 block a, b, c, d (one vector per row,
// one lane per column), column after column.
NOYAU_EN_LIGNE __m128 AjouterLignes(__m128 acc, __m128 a, __m128 b, __m128 c, __m128 d) {
    _MM_TRANSPOSE4_PS(a, b, c, d);
    acc = _mm_add_ps(acc, a);
    acc = _mm_add_ps(acc, b);
    acc = _mm_add_ps(acc, c);
    return _mm_add_ps(acc, d);
}

// acc receives the four lanes of t, lane 0 first.
NOYAU_EN_LIGNE float AjouterDansLOrdre(float acc, __m128 t) {
    acc += _mm_cvtss_f32(t);
    acc += _mm_cvtss_f32(_mm_movehdup_ps(t));
    acc += _mm_cvtss_f32(_mm_movehl_ps(t, t));
    return acc + _mm_cvtss_f32(_mm_shuffle_ps(t, t, 3));
}
