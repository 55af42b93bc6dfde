// Eight-lane kernels for processors with AVX-512F (chosen in noyaux.cpp).
// The square root and divide unit takes as long per lane as the scalar one,
// which bounds a kernel that sends every pair through it at about four times
// the scalar loop; so part of the pairs get 1 / sqrt(s) from the 14-bit
// estimate refined by Newton steps on the multiply-add pipes instead.
#include <immintrin.h>

#include <cmath>

#include "mathematiques/noyaux.h"
#include "mathematiques/noyaux_lignes.h"

// The plain forms of sqrt, rsqrt14 and cvtpd_ps trip a false uninitialised
// value warning in this compiler's headers; the all-lanes masked forms below
// compute the same.
#define AVX512 __attribute__((target("avx512f")))
#define AVX512_EN_LIGNE __attribute__((target("avx512f"), always_inline)) inline

namespace {

AVX512 double Somme(__m512d v) {
    alignas(64) double lanes[8];
    _mm512_store_pd(lanes, v);
    return ((lanes[0] + lanes[1]) + (lanes[2] + lanes[3])) + ((lanes[4] + lanes[5]) + (lanes[6] + lanes[7]));
}

// Coefficients c / (r s) of eight pairs at squared distances s, through the
// square root and divide unit or through the estimate and two Newton steps
// (relative error about 5e-17). Alternating the two keeps both the unit and
// the multiply-add pipes busy. Pairs closer than kContact exert no force.
template <bool unite>
AVX512_EN_LIGNE __m512d Coefficients(__m512d cc, __m512d s) {
    const __mmask8 separes = _mm512_cmp_pd_mask(s, _mm512_set1_pd(kContact * kContact), _CMP_GE_OQ);
    if (unite) return _mm512_maskz_div_pd(separes, cc, _mm512_mul_pd(_mm512_maskz_sqrt_pd(0xFF, s), s));
    const __m512d troisDemis = _mm512_set1_pd(1.5);
    const __m512d h = _mm512_mul_pd(s, _mm512_set1_pd(0.5));
    __m512d r = _mm512_maskz_rsqrt14_pd(0xFF, s);
    r = _mm512_mul_pd(r, _mm512_fnmadd_pd(h, _mm512_mul_pd(r, r), troisDemis));
    r = _mm512_mul_pd(r, _mm512_fnmadd_pd(h, _mm512_mul_pd(r, r), troisDemis));
    return _mm512_maskz_mul_pd(separes, _mm512_mul_pd(cc, r), _mm512_mul_pd(r, r));
}

// Adds w u to the row's sums and subtracts it from the reactions at j .. j + 7.
AVX512_EN_LIGNE void AppliquerHuit(__m512d w, __m512d ux, __m512d uy, __m512d uz, int j, __m512d& fx, __m512d& fy,
                                   __m512d& fz, double* rx, double* ry, double* rz) {
    fx = _mm512_fmadd_pd(w, ux, fx);
    fy = _mm512_fmadd_pd(w, uy, fy);
    fz = _mm512_fmadd_pd(w, uz, fz);
    _mm512_storeu_pd(rx + j, _mm512_fnmadd_pd(w, ux, _mm512_loadu_pd(rx + j)));
    _mm512_storeu_pd(ry + j, _mm512_fnmadd_pd(w, uy, _mm512_loadu_pd(ry + j)));
    _mm512_storeu_pd(rz + j, _mm512_fnmadd_pd(w, uz, _mm512_loadu_pd(rz + j)));
}

template <bool unite>
AVX512_EN_LIGNE void HuitPaires(const double* x, const double* y, const double* z, int j, __m512d xi, __m512d yi,
                                __m512d zi, __m512d cc, __m512d& fx, __m512d& fy, __m512d& fz, double* rx, double* ry,
                                double* rz) {
    const __m512d dx = _mm512_sub_pd(xi, _mm512_loadu_pd(x + j));
    const __m512d dy = _mm512_sub_pd(yi, _mm512_loadu_pd(y + j));
    const __m512d dz = _mm512_sub_pd(zi, _mm512_loadu_pd(z + j));
    const __m512d s = _mm512_fmadd_pd(dz, dz, _mm512_fmadd_pd(dy, dy, _mm512_mul_pd(dx, dx)));
    AppliquerHuit(Coefficients<unite>(cc, s), dx, dy, dz, j, fx, fy, fz, rx, ry, rz);
}

AVX512 void LigneForceAvx512(const PositionsSoA& p, int i, double c, double* rx, double* ry, double* rz, double force[3]) {
    const double* x = p.x.data();
    const double* y = p.y.data();
    const double* z = p.z.data();
    const __m512d xi = _mm512_set1_pd(x[i]), yi = _mm512_set1_pd(y[i]), zi = _mm512_set1_pd(z[i]);
    const __m512d cc = _mm512_set1_pd(c);
    __m512d fx = _mm512_setzero_pd(), fy = fx, fz = fx;
    int j = 0;
    for (; j + 16 <= i; j += 16) {
        HuitPaires<false>(x, y, z, j, xi, yi, zi, cc, fx, fy, fz, rx, ry, rz);
        HuitPaires<true>(x, y, z, j + 8, xi, yi, zi, cc, fx, fy, fz, rx, ry, rz);
    }
    for (; j + 8 <= i; j += 8) HuitPaires<false>(x, y, z, j, xi, yi, zi, cc, fx, fy, fz, rx, ry, rz);
    double f[3] = {Somme(fx), Somme(fy), Somme(fz)};
    ForceScalaire(p, i, j, c, rx, ry, rz, f);
    for (int k = 0; k < 3; ++k) force[k] += f[k];
}

// The descents' pass, eight pairs per step, 1 / r from the estimate and two
// Newton steps (the unit for the whole vector when a lane lies outside the
// estimate's range, so that a coincident pair gives an infinite energy as in
// the scalar code), the change of 1 / r from the series when every lane's q
// allows it, else through r0 and one division.
AVX512_EN_LIGNE __m512d InverseEstimee(__m512d s) {
    const __m512d troisDemis = _mm512_set1_pd(1.5);
    const __m512d h = _mm512_mul_pd(s, _mm512_set1_pd(0.5));
    __m512d r = _mm512_maskz_rsqrt14_pd(0xFF, s);
    r = _mm512_mul_pd(r, _mm512_fnmadd_pd(h, _mm512_mul_pd(r, r), troisDemis));
    return _mm512_mul_pd(r, _mm512_fnmadd_pd(h, _mm512_mul_pd(r, r), troisDemis));
}

AVX512_EN_LIGNE __mmask8 HorsEstimation(__m512d s) {
    return _mm512_cmp_pd_mask(s, _mm512_set1_pd(1e-60), _CMP_NGE_UQ) |
           _mm512_cmp_pd_mask(s, _mm512_set1_pd(1e60), _CMP_NLE_UQ);
}

AVX512_EN_LIGNE __m512d InverseExacte(__m512d s) {
    return _mm512_div_pd(_mm512_set1_pd(1.0), _mm512_maskz_sqrt_pd(0xFF, s));
}

AVX512 void LigneDescenteAvx512(const PositionsSoA& t, const PositionsSoA& d, int i, double* rx, double* ry,
                                double* rz, double force[3], double sommes[2]) {
    const __m512d xi = _mm512_set1_pd(t.x[i]), yi = _mm512_set1_pd(t.y[i]), zi = _mm512_set1_pd(t.z[i]);
    const __m512d exi = _mm512_set1_pd(d.x[i]), eyi = _mm512_set1_pd(d.y[i]), ezi = _mm512_set1_pd(d.z[i]);
    __m512d fx = _mm512_setzero_pd(), fy = fx, fz = fx, energie = fx, variation = fx;
    int j = 0;
    for (; j + 8 <= i; j += 8) {
        const __m512d ux = _mm512_sub_pd(xi, _mm512_loadu_pd(t.x.data() + j));
        const __m512d uy = _mm512_sub_pd(yi, _mm512_loadu_pd(t.y.data() + j));
        const __m512d uz = _mm512_sub_pd(zi, _mm512_loadu_pd(t.z.data() + j));
        const __m512d ex = _mm512_sub_pd(exi, _mm512_loadu_pd(d.x.data() + j));
        const __m512d ey = _mm512_sub_pd(eyi, _mm512_loadu_pd(d.y.data() + j));
        const __m512d ez = _mm512_sub_pd(ezi, _mm512_loadu_pd(d.z.data() + j));
        const __m512d deux = _mm512_set1_pd(2.0);
        const __m512d s = _mm512_fmadd_pd(uz, uz, _mm512_fmadd_pd(uy, uy, _mm512_mul_pd(ux, ux)));
        const __m512d ds = _mm512_fmadd_pd(ez, _mm512_fmsub_pd(deux, uz, ez),
                                           _mm512_fmadd_pd(ey, _mm512_fmsub_pd(deux, uy, ey),
                                                           _mm512_mul_pd(ex, _mm512_fmsub_pd(deux, ux, ex))));
        const __m512d inv = HorsEstimation(s) ? InverseExacte(s) : InverseEstimee(s);
        const __m512d inv2 = _mm512_mul_pd(inv, inv);
        const __m512d q = _mm512_mul_pd(ds, inv2);
        energie = _mm512_add_pd(energie, inv);
        if (_mm512_cmp_pd_mask(_mm512_abs_pd(q), _mm512_set1_pd(kSerieDescente), _CMP_LT_OQ) == 0xFF) {
            __m512d c = _mm512_set1_pd(kSerie[5]);
            for (int k = 4; k >= 0; --k) c = _mm512_fmadd_pd(c, q, _mm512_set1_pd(kSerie[k]));
            variation = _mm512_fnmadd_pd(inv, _mm512_mul_pd(q, c), variation);
        } else {
            const __m512d bx = _mm512_sub_pd(ux, ex), by = _mm512_sub_pd(uy, ey), bz = _mm512_sub_pd(uz, ez);
            const __m512d s0 = _mm512_fmadd_pd(bz, bz, _mm512_fmadd_pd(by, by, _mm512_mul_pd(bx, bx)));
            const __m512d inv0 = HorsEstimation(s0) ? InverseExacte(s0) : InverseEstimee(s0);
            const __m512d r = _mm512_mul_pd(s, inv), r0 = _mm512_mul_pd(s0, inv0);
            variation = _mm512_sub_pd(variation, _mm512_div_pd(_mm512_mul_pd(ds, _mm512_mul_pd(inv, inv0)),
                                                               _mm512_add_pd(r, r0)));
        }
        const __mmask8 separes = _mm512_cmp_pd_mask(s, _mm512_set1_pd(kContact * kContact), _CMP_GE_OQ);
        AppliquerHuit(_mm512_maskz_mul_pd(separes, inv, inv2), ux, uy, uz, j, fx, fy, fz, rx, ry, rz);
    }
    double f[3] = {Somme(fx), Somme(fy), Somme(fz)};
    double s2[2] = {Somme(energie), Somme(variation)};
    DescenteScalaire(t, d, i, j, rx, ry, rz, f, s2);
    for (int k = 0; k < 3; ++k) force[k] += f[k];
    sommes[0] += s2[0];
    sommes[1] += s2[1];
}

// The descents' pass without the displacement: half the work per pair.
AVX512 void LigneEnergieAvx512(const PositionsSoA& t, int i, double* rx, double* ry, double* rz, double force[3],
                               double& energie) {
    const __m512d xi = _mm512_set1_pd(t.x[i]), yi = _mm512_set1_pd(t.y[i]), zi = _mm512_set1_pd(t.z[i]);
    __m512d fx = _mm512_setzero_pd(), fy = fx, fz = fx, somme = fx;
    int j = 0;
    for (; j + 8 <= i; j += 8) {
        const __m512d ux = _mm512_sub_pd(xi, _mm512_loadu_pd(t.x.data() + j));
        const __m512d uy = _mm512_sub_pd(yi, _mm512_loadu_pd(t.y.data() + j));
        const __m512d uz = _mm512_sub_pd(zi, _mm512_loadu_pd(t.z.data() + j));
        const __m512d s = _mm512_fmadd_pd(uz, uz, _mm512_fmadd_pd(uy, uy, _mm512_mul_pd(ux, ux)));
        const __m512d inv = HorsEstimation(s) ? InverseExacte(s) : InverseEstimee(s);
        somme = _mm512_add_pd(somme, inv);
        const __mmask8 separes = _mm512_cmp_pd_mask(s, _mm512_set1_pd(kContact * kContact), _CMP_GE_OQ);
        AppliquerHuit(_mm512_maskz_mul_pd(separes, inv, _mm512_mul_pd(inv, inv)), ux, uy, uz, j, fx, fy, fz, rx, ry,
                      rz);
    }
    double f[3] = {Somme(fx), Somme(fy), Somme(fz)};
    double e = Somme(somme);
    EnergieScalaire(t, i, j, rx, ry, rz, f, e);
    for (int k = 0; k < 3; ++k) force[k] += f[k];
    energie += e;
}

// Energy: five rows against eight columns. A row through the unit computes
// s and 1 / sqrt(s) exactly as the scalar code; a row through the estimate
// is exact after two Newton steps to within a few units of the last place,
// and the lanes whose float rounding that could change are redone exactly.
constexpr long long kMarge = 64;

template <bool unite>
AVX512_EN_LIGNE __m512d InverseDistance(__m512d dx, __m512d dy, __m512d dz, __mmask8& douteux) {
    if (unite) {
        const __m512d s =
            _mm512_add_pd(_mm512_add_pd(_mm512_mul_pd(dx, dx), _mm512_mul_pd(dy, dy)), _mm512_mul_pd(dz, dz));
        return _mm512_div_pd(_mm512_set1_pd(1.0), _mm512_maskz_sqrt_pd(0xFF, s));
    }
    const __m512d s = _mm512_fmadd_pd(dz, dz, _mm512_fmadd_pd(dy, dy, _mm512_mul_pd(dx, dx)));
    const __m512d troisDemis = _mm512_set1_pd(1.5);
    const __m512d h = _mm512_mul_pd(s, _mm512_set1_pd(0.5));
    __m512d r = _mm512_maskz_rsqrt14_pd(0xFF, s);
    r = _mm512_mul_pd(r, _mm512_fnmadd_pd(h, _mm512_mul_pd(r, r), troisDemis));
    r = _mm512_mul_pd(r, _mm512_fnmadd_pd(h, _mm512_mul_pd(r, r), troisDemis));
    // Bits below single precision within kMarge of a halfway point, or s
    // outside the range where 1 / sqrt(s) is a normal float (the test assumes
    // the float grid of normal numbers) or where the estimate holds.
    const __m512i decale = _mm512_add_epi64(_mm512_castpd_si512(r), _mm512_set1_epi64(kMarge - 0x10000000));
    const __m512i bas = _mm512_and_epi64(decale, _mm512_set1_epi64(0x1FFFFFFF));
    douteux |= _mm512_cmplt_epi64_mask(bas, _mm512_set1_epi64(2 * kMarge + 1));
    douteux |= _mm512_cmp_pd_mask(s, _mm512_set1_pd(1e-60), _CMP_NGE_UQ);
    douteux |= _mm512_cmp_pd_mask(s, _mm512_set1_pd(1e60), _CMP_NLE_UQ);
    return r;
}

template <bool unite>
AVX512_EN_LIGNE __m512d Ligne(const PositionsSoA& p, int i, __m512d xj, __m512d yj, __m512d zj, __mmask8& douteux) {
    const __m512d dx = _mm512_sub_pd(_mm512_set1_pd(p.x[i]), xj);
    const __m512d dy = _mm512_sub_pd(_mm512_set1_pd(p.y[i]), yj);
    const __m512d dz = _mm512_sub_pd(_mm512_set1_pd(p.z[i]), zj);
    return InverseDistance<unite>(dx, dy, dz, douteux);
}

AVX512 double TermesAvx512(const PositionsSoA& p, int r0, int rows, int a, int b, float* t, int pas) {
    if (rows != 5) return noyauxPortables.termes(p, r0, rows, a, b, t, pas);
    __m512d somme = _mm512_setzero_pd();
    int j = a;
    for (; j + 8 <= b; j += 8) {
        const __m512d xj = _mm512_loadu_pd(p.x.data() + j);
        const __m512d yj = _mm512_loadu_pd(p.y.data() + j);
        const __m512d zj = _mm512_loadu_pd(p.z.data() + j);
        __mmask8 douteux = 0;
        __m512d e[5] = {Ligne<true>(p, r0, xj, yj, zj, douteux), Ligne<false>(p, r0 + 1, xj, yj, zj, douteux),
                        Ligne<true>(p, r0 + 2, xj, yj, zj, douteux), Ligne<false>(p, r0 + 3, xj, yj, zj, douteux),
                        Ligne<true>(p, r0 + 4, xj, yj, zj, douteux)};
        if (douteux) {
            for (int k = 0; k < 5; ++k) e[k] = Ligne<true>(p, r0 + k, xj, yj, zj, douteux);
        }
        for (int k = 0; k < 5; ++k) {
            somme = _mm512_add_pd(somme, e[k]);
            _mm256_storeu_ps(t + k * pas + j - a, _mm512_maskz_cvtpd_ps(0xFF, e[k]));
        }
    }
    return Somme(somme) + noyauxPortables.termes(p, r0, rows, j, b, t + j - a, pas);
}

}  // namespace

// The accumulation and Monte Carlo rows gain nothing from eight lanes here
// (memory or float-order bound): the set takes the AVX2 ones.
const NoyauxPaires noyauxAvx512 = {LigneForceAvx512, TermesAvx512,        CumulerAvx2,
                                   DeltaEnergieAvx2, LigneDescenteAvx512, LigneEnergieAvx512};
