// The AVX2+FMA kernels: four pairs per step through the hardware square root
// and divide. (An estimate refined by Newton steps needs float conversions
// here, which cost more than the unit they spare.) Used when the processor
// has AVX2 and FMA; on AVX-512F the force and energy rows come from
// noyaux_avx512.cpp.
#include <immintrin.h>

#include <cmath>

#include "mathematiques/noyaux.h"
#include "mathematiques/noyaux_lignes.h"

#define AVX2 __attribute__((target("avx2,fma")))

namespace {

AVX2 double Somme(__m256d v) {
    const __m128d s = _mm_add_pd(_mm256_castpd256_pd128(v), _mm256_extractf128_pd(v, 1));
    return _mm_cvtsd_f64(_mm_add_sd(s, _mm_unpackhi_pd(s, s)));
}


// Squared distance rounded as the scalar dx*dx + dy*dy + dz*dz, no fused step.
AVX2 __m256d CarreExact(__m256d dx, __m256d dy, __m256d dz) {
    return _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(dx, dx), _mm256_mul_pd(dy, dy)), _mm256_mul_pd(dz, dz));
}

AVX2 void ForceLigne(const PositionsSoA& p, int i, double c, double* rx, double* ry, double* rz, double force[3]) {
    const double* x = p.x.data();
    const double* y = p.y.data();
    const double* z = p.z.data();
    const __m256d xi = _mm256_set1_pd(x[i]), yi = _mm256_set1_pd(y[i]), zi = _mm256_set1_pd(z[i]);
    const __m256d cc = _mm256_set1_pd(c);
    const __m256d contact = _mm256_set1_pd(kContact * kContact);
    __m256d fx = _mm256_setzero_pd(), fy = fx, fz = fx;
    int j = 0;
    for (; j + 4 <= i; j += 4) {
        const __m256d dx = _mm256_sub_pd(xi, _mm256_loadu_pd(x + j));
        const __m256d dy = _mm256_sub_pd(yi, _mm256_loadu_pd(y + j));
        const __m256d dz = _mm256_sub_pd(zi, _mm256_loadu_pd(z + j));
        const __m256d s = _mm256_fmadd_pd(dz, dz, _mm256_fmadd_pd(dy, dy, _mm256_mul_pd(dx, dx)));
        __m256d w = _mm256_div_pd(cc, _mm256_mul_pd(_mm256_sqrt_pd(s), s));
        w = _mm256_and_pd(w, _mm256_cmp_pd(s, contact, _CMP_GE_OQ));
        fx = _mm256_fmadd_pd(w, dx, fx);
        fy = _mm256_fmadd_pd(w, dy, fy);
        fz = _mm256_fmadd_pd(w, dz, fz);
        _mm256_storeu_pd(rx + j, _mm256_fnmadd_pd(w, dx, _mm256_loadu_pd(rx + j)));
        _mm256_storeu_pd(ry + j, _mm256_fnmadd_pd(w, dy, _mm256_loadu_pd(ry + j)));
        _mm256_storeu_pd(rz + j, _mm256_fnmadd_pd(w, dz, _mm256_loadu_pd(rz + j)));
    }
    double f[3] = {Somme(fx), Somme(fy), Somme(fz)};
    ForceScalaire(p, i, j, c, rx, ry, rz, f);
    for (int k = 0; k < 3; ++k) force[k] += f[k];
}

// Four columns of the five rows: e[k] = 1 / sqrt(s) for row k, rounded as
// the scalar code rounds it.
AVX2 void TermesColonnes(const PositionsSoA& p, int r0, int j, __m256d e[5]) {
    const __m256d xj = _mm256_loadu_pd(p.x.data() + j);
    const __m256d yj = _mm256_loadu_pd(p.y.data() + j);
    const __m256d zj = _mm256_loadu_pd(p.z.data() + j);
    const __m256d un = _mm256_set1_pd(1.0);
    for (int k = 0; k < 5; ++k) {
        const __m256d dx = _mm256_sub_pd(_mm256_set1_pd(p.x[r0 + k]), xj);
        const __m256d dy = _mm256_sub_pd(_mm256_set1_pd(p.y[r0 + k]), yj);
        const __m256d dz = _mm256_sub_pd(_mm256_set1_pd(p.z[r0 + k]), zj);
        e[k] = _mm256_div_pd(un, _mm256_sqrt_pd(CarreExact(dx, dy, dz)));
    }
}

AVX2 double Termes(const PositionsSoA& p, int r0, int rows, int a, int b, float* t, int pas) {
    if (rows != 5) return noyauxPortables.termes(p, r0, rows, a, b, t, pas);
    __m256d somme = _mm256_setzero_pd();
    int j = a;
    for (; j + 4 <= b; j += 4) {
        __m256d e[5];
        TermesColonnes(p, r0, j, e);
        for (int k = 0; k < 5; ++k) {
            somme = _mm256_add_pd(somme, e[k]);
            _mm_storeu_ps(t + k * pas + j - a, _mm256_cvtpd_ps(e[k]));
        }
    }
    return Somme(somme) + noyauxPortables.termes(p, r0, rows, j, b, t + j - a, pas);
}

// Each lane of pot and of the transposed rows adds its own particle's terms
// one after the other, so the float sums keep the index order.
AVX2 void Cumuler(const float* t, int pas, int rows, int a, int b, float* pot, float* acc) {
    if (rows != 5) return noyauxPortables.cumuler(t, pas, rows, a, b, pot, acc);
    __m128 acc03 = _mm_loadu_ps(acc);
    float acc4 = acc[4];
    int j = a;
    for (; j + 4 <= b; j += 4) {
        __m128 q[5];
        __m128 colonne = _mm_loadu_ps(pot + j);
        for (int k = 0; k < 5; ++k) {
            q[k] = _mm_loadu_ps(t + k * pas + j - a);
            colonne = _mm_add_ps(colonne, q[k]);
        }
        _mm_storeu_ps(pot + j, colonne);
        acc4 = AjouterDansLOrdre(acc4, q[4]);
        acc03 = AjouterLignes(acc03, q[0], q[1], q[2], q[3]);
    }
    _mm_storeu_ps(acc, acc03);
    acc[4] = acc4;
    noyauxPortables.cumuler(t + j - a, pas, rows, j, b, pot, acc);
}

AVX2 double DistanceMin(const PositionsSoA& p, int a, int b, double px, double py, double pz, double m) {
    const __m256d xi = _mm256_set1_pd(px), yi = _mm256_set1_pd(py), zi = _mm256_set1_pd(pz);
    __m256d mv = _mm256_set1_pd(m);
    int j = a;
    for (; j + 4 <= b; j += 4) {
        const __m256d dx = _mm256_sub_pd(xi, _mm256_loadu_pd(p.x.data() + j));
        const __m256d dy = _mm256_sub_pd(yi, _mm256_loadu_pd(p.y.data() + j));
        const __m256d dz = _mm256_sub_pd(zi, _mm256_loadu_pd(p.z.data() + j));
        mv = _mm256_min_pd(CarreExact(dx, dy, dz), mv);  // a NaN first operand yields mv
    }
    alignas(32) double lanes[4];
    _mm256_store_pd(lanes, mv);
    for (double v : lanes) m = v < m ? v : m;
    return noyauxPortables.distanceMin(p, j, b, px, py, pz, m);
}

AVX2 double DeltaEnergie(const PositionsSoA& p, int a, int b, const double o[3], const double q[3]) {
    const __m256d ox = _mm256_set1_pd(o[0]), oy = _mm256_set1_pd(o[1]), oz = _mm256_set1_pd(o[2]);
    const __m256d qx = _mm256_set1_pd(q[0]), qy = _mm256_set1_pd(q[1]), qz = _mm256_set1_pd(q[2]);
    const __m256d un = _mm256_set1_pd(1.0);
    __m256d somme = _mm256_setzero_pd();
    int j = a;
    for (; j + 4 <= b; j += 4) {
        const __m256d xj = _mm256_loadu_pd(p.x.data() + j);
        const __m256d yj = _mm256_loadu_pd(p.y.data() + j);
        const __m256d zj = _mm256_loadu_pd(p.z.data() + j);
        const __m256d sq = CarreExact(_mm256_sub_pd(qx, xj), _mm256_sub_pd(qy, yj), _mm256_sub_pd(qz, zj));
        const __m256d so = CarreExact(_mm256_sub_pd(ox, xj), _mm256_sub_pd(oy, yj), _mm256_sub_pd(oz, zj));
        const __m256d d = _mm256_sub_pd(_mm256_div_pd(un, _mm256_sqrt_pd(sq)), _mm256_div_pd(un, _mm256_sqrt_pd(so)));
        somme = _mm256_add_pd(somme, d);
    }
    return Somme(somme) + noyauxPortables.deltaEnergie(p, j, b, o, q);
}

}  // namespace

const NoyauxPaires noyauxAvx2 = {ForceLigne, Termes, Cumuler, DistanceMin, DeltaEnergie};
