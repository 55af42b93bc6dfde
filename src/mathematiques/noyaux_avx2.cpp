// The AVX2+FMA kernels: four pairs per step, part of them through the
// hardware square root and divide, the others through InverseRacine on the
// multiply-add pipes. Used when the processor has AVX2 and FMA; on AVX-512F
// the force and energy rows come from noyaux_avx512.cpp.
#include <immintrin.h>

#include <cmath>

#include "mathematiques/noyaux.h"
#include "mathematiques/noyaux_lignes.h"

#define AVX2 __attribute__((target("avx2,fma")))
#define AVX2_EN_LIGNE __attribute__((target("avx2,fma"), always_inline)) inline

namespace {

AVX2 double Somme(__m256d v) {
    const __m128d s = _mm_add_pd(_mm256_castpd256_pd128(v), _mm256_extractf128_pd(v, 1));
    return _mm_cvtsd_f64(_mm_add_sd(s, _mm_unpackhi_pd(s, s)));
}


// Squared distance rounded as the scalar dx*dx + dy*dy + dz*dz, no fused step.
AVX2_EN_LIGNE __m256d CarreExact(__m256d dx, __m256d dy, __m256d dz) {
    return _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(dx, dx), _mm256_mul_pd(dy, dy)), _mm256_mul_pd(dz, dz));
}

// 1 / sqrt(s) on the multiply-add pipes, for normal s up to 1e300: an
// estimate from the bits of s (relative error under 0.035), one step of
// order five (error below 4e-7), one of order three (below 1e-18 before
// rounding): a few units of the last place.
AVX2_EN_LIGNE __m256d InverseRacine(__m256d s) {
    const __m256i magique = _mm256_set1_epi64x(0x5FE6EB50C7B537A9);
    __m256d r = _mm256_castsi256_pd(_mm256_sub_epi64(magique, _mm256_srli_epi64(_mm256_castpd_si256(s), 1)));
    const __m256d un = _mm256_set1_pd(1.0), demi = _mm256_set1_pd(0.5), c2 = _mm256_set1_pd(0.375);
    // r (1 - e)^(-1/2), e = 1 - s r^2, to the term in e^4, then to e^2.
    __m256d e = _mm256_fnmadd_pd(s, _mm256_mul_pd(r, r), un);
    const __m256d bas = _mm256_fmadd_pd(e, c2, demi);
    const __m256d haut = _mm256_fmadd_pd(e, _mm256_set1_pd(35.0 / 128), _mm256_set1_pd(5.0 / 16));
    r = _mm256_fmadd_pd(_mm256_mul_pd(r, e), _mm256_fmadd_pd(_mm256_mul_pd(e, e), haut, bas), r);
    e = _mm256_fnmadd_pd(s, _mm256_mul_pd(r, r), un);
    return _mm256_fmadd_pd(_mm256_mul_pd(r, e), _mm256_fmadd_pd(e, c2, demi), r);
}

// The force rows send part of the pairs through the square root and divide
// unit and the others through InverseRacine: the unit takes as long for four
// lanes as for one, and the multiply-add pipes are free meanwhile. Pairs
// closer than kContact exert no force. From s = 1e300 to the largest double
// the coefficient underflows to 0 either way.
struct Ligne4 {
    const double *x, *y, *z;
    double *rx, *ry, *rz;
    __m256d xi, yi, zi, cc;
};

AVX2_EN_LIGNE __m256d Carre(const Ligne4& l, int j) {
    const __m256d dx = _mm256_sub_pd(l.xi, _mm256_loadu_pd(l.x + j));
    const __m256d dy = _mm256_sub_pd(l.yi, _mm256_loadu_pd(l.y + j));
    const __m256d dz = _mm256_sub_pd(l.zi, _mm256_loadu_pd(l.z + j));
    return _mm256_fmadd_pd(dz, dz, _mm256_fmadd_pd(dy, dy, _mm256_mul_pd(dx, dx)));
}

AVX2_EN_LIGNE __m256d Separes(__m256d s) { return _mm256_cmp_pd(s, _mm256_set1_pd(kContact * kContact), _CMP_GE_OQ); }

AVX2_EN_LIGNE __m256d CoefficientUnite(const Ligne4& l, __m256d s) {
    return _mm256_and_pd(_mm256_div_pd(l.cc, _mm256_mul_pd(_mm256_sqrt_pd(s), s)), Separes(s));
}

// 1 / sqrt(s), or 0 for a pair in contact; the coefficient is c r^3.
AVX2_EN_LIGNE __m256d InverseOuZero(__m256d s) { return _mm256_and_pd(InverseRacine(s), Separes(s)); }

AVX2_EN_LIGNE __m256d CoefficientInverse(const Ligne4& l, __m256d r) {
    return _mm256_mul_pd(_mm256_mul_pd(l.cc, r), _mm256_mul_pd(r, r));
}

// Adds t = w (p_i - p_j) to f and subtracts it from the reactions, lanes
// j .. j + 3: one product, then additions. Where the multiply-add pipes also
// feed the unit (a fused step there takes a pipe twice as long as a product
// or an addition), the row then leaves the unit to itself.
AVX2_EN_LIGNE void Appliquer(const Ligne4& l, int j, __m256d w, __m256d f[3]) {
    const __m256d tx = _mm256_mul_pd(w, _mm256_sub_pd(l.xi, _mm256_loadu_pd(l.x + j)));
    const __m256d ty = _mm256_mul_pd(w, _mm256_sub_pd(l.yi, _mm256_loadu_pd(l.y + j)));
    const __m256d tz = _mm256_mul_pd(w, _mm256_sub_pd(l.zi, _mm256_loadu_pd(l.z + j)));
    f[0] = _mm256_add_pd(f[0], tx);
    f[1] = _mm256_add_pd(f[1], ty);
    f[2] = _mm256_add_pd(f[2], tz);
    _mm256_storeu_pd(l.rx + j, _mm256_sub_pd(_mm256_loadu_pd(l.rx + j), tx));
    _mm256_storeu_pd(l.ry + j, _mm256_sub_pd(_mm256_loadu_pd(l.ry + j), ty));
    _mm256_storeu_pd(l.rz + j, _mm256_sub_pd(_mm256_loadu_pd(l.rz + j), tz));
}

// Groups of kUnite vectors through the unit then one through InverseRacine.
// Software pipelined: an iteration applies group g, while the coefficients of
// group g + 1 are under way, so that few instructions wait on long chains
// (with sixteen registers the processor's window holds too few groups
// otherwise). Three to one suits processors whose unit shares a pipe with
// the multiply-adds (see bench/README.md); where the unit is slower and the
// pipes apart, two to one would be a tenth faster.
constexpr int kUnite = 3;
constexpr int kGroupe = 4 * (kUnite + 1);

AVX2 void LigneForceAvx2(const PositionsSoA& p, int i, double c, double* rx, double* ry, double* rz, double force[3]) {
    const Ligne4 l{p.x.data(), p.y.data(), p.z.data(), rx, ry, rz, _mm256_set1_pd(p.x[i]), _mm256_set1_pd(p.y[i]),
                   _mm256_set1_pd(p.z[i]), _mm256_set1_pd(c)};
    __m256d f[3] = {_mm256_setzero_pd(), _mm256_setzero_pd(), _mm256_setzero_pd()};
    const int groupes = i / kGroupe;
    int j = 0;
    if (groupes >= 2) {
        __m256d wu[kUnite];
        for (int u = 0; u < kUnite; ++u) wu[u] = CoefficientUnite(l, Carre(l, 4 * u));
        __m256d r = InverseOuZero(Carre(l, 4 * kUnite));
        for (; j + 2 * kGroupe <= i; j += kGroupe) {
            const int k = j + kGroupe;
            __m256d wn[kUnite];
            for (int u = 0; u < kUnite; ++u) wn[u] = CoefficientUnite(l, Carre(l, k + 4 * u));
            const __m256d rn = InverseOuZero(Carre(l, k + 4 * kUnite));
            for (int u = 0; u < kUnite; ++u) Appliquer(l, j + 4 * u, wu[u], f);
            Appliquer(l, j + 4 * kUnite, CoefficientInverse(l, r), f);
            for (int u = 0; u < kUnite; ++u) wu[u] = wn[u];
            r = rn;
        }
        for (int u = 0; u < kUnite; ++u) Appliquer(l, j + 4 * u, wu[u], f);
        Appliquer(l, j + 4 * kUnite, CoefficientInverse(l, r), f);
        j += kGroupe;
    }
    for (; j + 4 <= i; j += 4) Appliquer(l, j, CoefficientUnite(l, Carre(l, j)), f);
    double somme[3] = {Somme(f[0]), Somme(f[1]), Somme(f[2])};
    ForceScalaire(p, i, j, c, rx, ry, rz, somme);
    for (int k = 0; k < 3; ++k) force[k] += somme[k];
}

// The descents' rows keep, lane by lane, the roundings of their first
// version (each lane's sums in column order; fused steps where it had them),
// which the line search's comparisons rely on; only the order of the
// instructions changed. 1 / r goes through the unit (here faster than
// InverseRacine, whose multiply-adds this pass needs for itself).
AVX2_EN_LIGNE __m256d InverseExacte(__m256d s) { return _mm256_div_pd(_mm256_set1_pd(1.0), _mm256_sqrt_pd(s)); }

// Adds w (p_i - p_j) to f and subtracts it from the reactions in fused
// steps, lanes j .. j + 3.
AVX2_EN_LIGNE void AppliquerFusionne(const Ligne4& l, int j, __m256d w, __m256d f[3]) {
    const __m256d dx = _mm256_sub_pd(l.xi, _mm256_loadu_pd(l.x + j));
    const __m256d dy = _mm256_sub_pd(l.yi, _mm256_loadu_pd(l.y + j));
    const __m256d dz = _mm256_sub_pd(l.zi, _mm256_loadu_pd(l.z + j));
    f[0] = _mm256_fmadd_pd(w, dx, f[0]);
    f[1] = _mm256_fmadd_pd(w, dy, f[1]);
    f[2] = _mm256_fmadd_pd(w, dz, f[2]);
    _mm256_storeu_pd(l.rx + j, _mm256_fnmadd_pd(w, dx, _mm256_loadu_pd(l.rx + j)));
    _mm256_storeu_pd(l.ry + j, _mm256_fnmadd_pd(w, dy, _mm256_loadu_pd(l.ry + j)));
    _mm256_storeu_pd(l.rz + j, _mm256_fnmadd_pd(w, dz, _mm256_loadu_pd(l.rz + j)));
}

// w = 1 / r^3, 0 for a pair in contact.
AVX2_EN_LIGNE __m256d CoefficientDescente(__m256d inverse, __m256d carreInverse, __m256d s) {
    return _mm256_and_pd(_mm256_mul_pd(inverse, carreInverse), Separes(s));
}

// The descents' pass, four pairs per step, in two stages: the first, two
// vectors ahead, computes 1 / r, q and w into a ring of slots; the second
// the change of 1 / r (from the series when every lane's q allows it, else
// through r0 and one division) and the forces. So the chain through the
// unit and that through the series no longer lie end to end in one
// iteration, and the processor's window overlaps them (the first version
// waited on both in turn, and spilled its sums).
struct LigneDescente {
    Ligne4 t;  // positions and reactions
    const double *dx, *dy, *dz;
    __m256d exi, eyi, ezi;
};

struct SommesDescente {
    __m256d f[3], energie, variation;
};

constexpr int kAvance = 2;  // vectors between the two stages
struct Anneau {
    alignas(32) double inverse[4][4], q[4][4], w[4][4];  // slot (j / 4) % 4
};

AVX2_EN_LIGNE void Ecarts(const LigneDescente& l, int j, __m256d u[3], __m256d e[3]) {
    u[0] = _mm256_sub_pd(l.t.xi, _mm256_loadu_pd(l.t.x + j));
    u[1] = _mm256_sub_pd(l.t.yi, _mm256_loadu_pd(l.t.y + j));
    u[2] = _mm256_sub_pd(l.t.zi, _mm256_loadu_pd(l.t.z + j));
    e[0] = _mm256_sub_pd(l.exi, _mm256_loadu_pd(l.dx + j));
    e[1] = _mm256_sub_pd(l.eyi, _mm256_loadu_pd(l.dy + j));
    e[2] = _mm256_sub_pd(l.ezi, _mm256_loadu_pd(l.dz + j));
}

AVX2_EN_LIGNE __m256d CarreDe(const __m256d u[3]) {
    return _mm256_fmadd_pd(u[2], u[2], _mm256_fmadd_pd(u[1], u[1], _mm256_mul_pd(u[0], u[0])));
}

// r^2 - r0^2 = e . (2u - e); 2u - e as (u + u) - e, exact doubling then one
// rounding (the first version's fused 2u - e), on the addition pipes.
AVX2_EN_LIGNE __m256d DeuxUMoinsE(__m256d u, __m256d e) { return _mm256_sub_pd(_mm256_add_pd(u, u), e); }

AVX2_EN_LIGNE __m256d VariationCarre(const __m256d u[3], const __m256d e[3]) {
    return _mm256_fmadd_pd(e[2], DeuxUMoinsE(u[2], e[2]),
                           _mm256_fmadd_pd(e[1], DeuxUMoinsE(u[1], e[1]), _mm256_mul_pd(e[0], DeuxUMoinsE(u[0], e[0]))));
}

AVX2_EN_LIGNE void PremierEtage(const LigneDescente& l, int k, Anneau& a) {
    __m256d u[3], e[3];
    Ecarts(l, k, u, e);
    const __m256d s = CarreDe(u);
    const __m256d inv = InverseExacte(s);
    const __m256d inv2 = _mm256_mul_pd(inv, inv);
    const int c = (k >> 2) & 3;
    _mm256_store_pd(a.inverse[c], inv);
    _mm256_store_pd(a.q[c], _mm256_mul_pd(VariationCarre(u, e), inv2));
    _mm256_store_pd(a.w[c], CoefficientDescente(inv, inv2, s));
}

// -(1 / r - 1 / r0) = (r^2 - r0^2) / (r r0 (r + r0)), for the lanes of a
// vector where some q is too large for the series.
AVX2_EN_LIGNE __m256d ChangementExact(const LigneDescente& l, int j, __m256d inv) {
    __m256d u[3], e[3];
    Ecarts(l, j, u, e);
    const __m256d s = CarreDe(u), ds = VariationCarre(u, e);
    const __m256d b[3] = {_mm256_sub_pd(u[0], e[0]), _mm256_sub_pd(u[1], e[1]), _mm256_sub_pd(u[2], e[2])};
    const __m256d s0 = CarreDe(b);
    const __m256d inv0 = InverseExacte(s0);
    const __m256d r = _mm256_mul_pd(s, inv), r0 = _mm256_mul_pd(s0, inv0);
    return _mm256_div_pd(_mm256_mul_pd(ds, _mm256_mul_pd(inv, inv0)), _mm256_add_pd(r, r0));
}

AVX2_EN_LIGNE void SecondEtage(const LigneDescente& l, int j, const Anneau& a, SommesDescente& sommes) {
    const int c = (j >> 2) & 3;
    const __m256d inv = _mm256_load_pd(a.inverse[c]), q = _mm256_load_pd(a.q[c]);
    sommes.energie = _mm256_add_pd(sommes.energie, inv);
    const __m256d absq = _mm256_andnot_pd(_mm256_set1_pd(-0.0), q);
    if (_mm256_movemask_pd(_mm256_cmp_pd(absq, _mm256_set1_pd(kSerieDescente), _CMP_LT_OQ)) == 0xF) {
        __m256d serie = _mm256_set1_pd(kSerie[5]);
        for (int k = 4; k >= 0; --k) serie = _mm256_fmadd_pd(serie, q, _mm256_set1_pd(kSerie[k]));
        sommes.variation = _mm256_fnmadd_pd(inv, _mm256_mul_pd(q, serie), sommes.variation);
    } else {
        sommes.variation = _mm256_sub_pd(sommes.variation, ChangementExact(l, j, inv));
    }
    AppliquerFusionne(l.t, j, _mm256_load_pd(a.w[c]), sommes.f);
}

AVX2 void LigneDescenteAvx2(const PositionsSoA& t, const PositionsSoA& d, int i, double* rx, double* ry, double* rz,
                            double force[3], double sommes[2]) {
    const LigneDescente l{{t.x.data(), t.y.data(), t.z.data(), rx, ry, rz, _mm256_set1_pd(t.x[i]),
                           _mm256_set1_pd(t.y[i]), _mm256_set1_pd(t.z[i]), _mm256_set1_pd(1.0)},
                          d.x.data(),
                          d.y.data(),
                          d.z.data(),
                          _mm256_set1_pd(d.x[i]),
                          _mm256_set1_pd(d.y[i]),
                          _mm256_set1_pd(d.z[i])};
    const __m256d zero = _mm256_setzero_pd();
    SommesDescente s{{zero, zero, zero}, zero, zero};
    Anneau anneau;
    const int fin = i & ~3;
    for (int k = 0; k < 4 * kAvance && k < fin; k += 4) PremierEtage(l, k, anneau);
    int j = 0;
    for (; j + 4 * kAvance < fin; j += 4) {
        PremierEtage(l, j + 4 * kAvance, anneau);
        SecondEtage(l, j, anneau, s);
    }
    for (; j < fin; j += 4) SecondEtage(l, j, anneau, s);
    double f[3] = {Somme(s.f[0]), Somme(s.f[1]), Somme(s.f[2])};
    double s2[2] = {Somme(s.energie), Somme(s.variation)};
    DescenteScalaire(t, d, i, j, rx, ry, rz, f, s2);
    for (int k = 0; k < 3; ++k) force[k] += f[k];
    sommes[0] += s2[0];
    sommes[1] += s2[1];
}

// Rows too short for LigneEnergieAvx2's pipeline, apart so that they take
// none of its registers.
__attribute__((target("avx2,fma"), noinline)) void LigneEnergieCourte(const Ligne4& l, int i, __m256d f[3],
                                                                      __m256d& somme, int& j) {
    for (; j + 4 <= i; j += 4) {
        const __m256d s = Carre(l, j);
        const __m256d inv = InverseExacte(s);
        somme = _mm256_add_pd(somme, inv);
        AppliquerFusionne(l, j, CoefficientDescente(inv, _mm256_mul_pd(inv, inv), s), f);
    }
}

// The same sums and forces without the change, bit for bit the descent
// pass's: 1 / r two vectors ahead of its use, in registers.
AVX2 void LigneEnergieAvx2(const PositionsSoA& t, int i, double* rx, double* ry, double* rz, double force[3],
                           double& energie) {
    const Ligne4 l{t.x.data(), t.y.data(), t.z.data(), rx, ry, rz, _mm256_set1_pd(t.x[i]), _mm256_set1_pd(t.y[i]),
                   _mm256_set1_pd(t.z[i]), _mm256_set1_pd(1.0)};
    __m256d f[3] = {_mm256_setzero_pd(), _mm256_setzero_pd(), _mm256_setzero_pd()};
    __m256d somme = _mm256_setzero_pd();
    int j = 0;
    if (i < 4 * (kAvance + 1)) {
        LigneEnergieCourte(l, i, f, somme, j);
    } else {
        __m256d s0 = Carre(l, 0), s1 = Carre(l, 4);
        __m256d inv0 = InverseExacte(s0), inv1 = InverseExacte(s1);
        for (; j + 4 * (kAvance + 1) <= i; j += 4) {
            const __m256d s2 = Carre(l, j + 4 * kAvance);
            const __m256d inv2 = InverseExacte(s2);
            somme = _mm256_add_pd(somme, inv0);
            AppliquerFusionne(l, j, CoefficientDescente(inv0, _mm256_mul_pd(inv0, inv0), s0), f);
            s0 = s1;
            inv0 = inv1;
            s1 = s2;
            inv1 = inv2;
        }
        somme = _mm256_add_pd(somme, inv0);
        AppliquerFusionne(l, j, CoefficientDescente(inv0, _mm256_mul_pd(inv0, inv0), s0), f);
        somme = _mm256_add_pd(somme, inv1);
        AppliquerFusionne(l, j + 4, CoefficientDescente(inv1, _mm256_mul_pd(inv1, inv1), s1), f);
        j += 8;
    }
    double forces[3] = {Somme(f[0]), Somme(f[1]), Somme(f[2])};
    double e = Somme(somme);
    EnergieScalaire(t, i, j, rx, ry, rz, forces, e);
    for (int k = 0; k < 3; ++k) force[k] += forces[k];
    energie += e;
}

// Energy: five rows against four columns; per eight columns, seven of the ten
// row vectors go through the unit (the fastest mix measured). A row through the unit computes s
// and 1 / sqrt(s) exactly as the scalar code; a row through InverseRacine is
// within a few units of the last place, and the lanes whose float rounding
// that could change are redone exactly.
constexpr long long kMarge = 64;

template <bool unite>
AVX2_EN_LIGNE __m256d InverseDistance(__m256d dx, __m256d dy, __m256d dz, __m256d& douteux) {
    if (unite) return _mm256_div_pd(_mm256_set1_pd(1.0), _mm256_sqrt_pd(CarreExact(dx, dy, dz)));
    const __m256d s = _mm256_fmadd_pd(dz, dz, _mm256_fmadd_pd(dy, dy, _mm256_mul_pd(dx, dx)));
    const __m256d r = InverseRacine(s);
    // Bits below single precision within kMarge of a halfway point, or s
    // outside the range where 1 / sqrt(s) is a normal float (the test assumes
    // the float grid of normal numbers) or where the estimate holds.
    const __m256i decale = _mm256_add_epi64(_mm256_castpd_si256(r), _mm256_set1_epi64x(kMarge - 0x10000000));
    const __m256i bas = _mm256_and_si256(decale, _mm256_set1_epi64x(0x1FFFFFFF));
    const __m256i pres = _mm256_cmpgt_epi64(_mm256_set1_epi64x(2 * kMarge + 1), bas);
    const __m256d hors = _mm256_or_pd(_mm256_cmp_pd(s, _mm256_set1_pd(1e-60), _CMP_NGE_UQ),
                                      _mm256_cmp_pd(s, _mm256_set1_pd(1e60), _CMP_NLE_UQ));
    douteux = _mm256_or_pd(douteux, _mm256_or_pd(_mm256_castsi256_pd(pres), hors));
    return r;
}

template <bool unite>
AVX2_EN_LIGNE __m256d Ligne(const PositionsSoA& p, int i, __m256d xj, __m256d yj, __m256d zj, __m256d& douteux) {
    const __m256d dx = _mm256_sub_pd(_mm256_set1_pd(p.x[i]), xj);
    const __m256d dy = _mm256_sub_pd(_mm256_set1_pd(p.y[i]), yj);
    const __m256d dz = _mm256_sub_pd(_mm256_set1_pd(p.z[i]), zj);
    return InverseDistance<unite>(dx, dy, dz, douteux);
}

// Four columns of the five rows, in pattern M (bit k set: row k through the
// unit).
template <int M>
AVX2_EN_LIGNE void QuatreColonnes(const PositionsSoA& p, int r0, int j, float* t, int pas, __m256d& somme) {
    const __m256d xj = _mm256_loadu_pd(p.x.data() + j);
    const __m256d yj = _mm256_loadu_pd(p.y.data() + j);
    const __m256d zj = _mm256_loadu_pd(p.z.data() + j);
    __m256d douteux = _mm256_setzero_pd();
    __m256d e[5] = {Ligne<(M & 1) != 0>(p, r0, xj, yj, zj, douteux),
                    Ligne<(M & 2) != 0>(p, r0 + 1, xj, yj, zj, douteux),
                    Ligne<(M & 4) != 0>(p, r0 + 2, xj, yj, zj, douteux),
                    Ligne<(M & 8) != 0>(p, r0 + 3, xj, yj, zj, douteux),
                    Ligne<(M & 16) != 0>(p, r0 + 4, xj, yj, zj, douteux)};
    if (_mm256_movemask_pd(douteux)) {
        for (int k = 0; k < 5; ++k) e[k] = Ligne<true>(p, r0 + k, xj, yj, zj, douteux);
    }
    for (int k = 0; k < 5; ++k) {
        somme = _mm256_add_pd(somme, e[k]);
        _mm_storeu_ps(t + k * pas, _mm256_cvtpd_ps(e[k]));
    }
}

AVX2 double TermesAvx2(const PositionsSoA& p, int r0, int rows, int a, int b, float* t, int pas) {
    if (rows != 5) return noyauxPortables.termes(p, r0, rows, a, b, t, pas);
    __m256d somme = _mm256_setzero_pd();
    int j = a;
    for (; j + 8 <= b; j += 8) {
        QuatreColonnes<0b11011>(p, r0, j, t + j - a, pas, somme);
        QuatreColonnes<0b10110>(p, r0, j + 4, t + j + 4 - a, pas, somme);
    }
    for (; j + 4 <= b; j += 4) QuatreColonnes<0b11111>(p, r0, j, t + j - a, pas, somme);
    return Somme(somme) + noyauxPortables.termes(p, r0, rows, j, b, t + j - a, pas);
}

}  // namespace

// Each lane of pot and of the transposed rows adds its own particle's terms
// one after the other, so the float sums keep the index order.
AVX2 void CumulerAvx2(const float* t, int pas, int rows, int a, int b, float* pot, float* acc) {
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

AVX2 double DeltaEnergieAvx2(const PositionsSoA& p, int a, int b, const double o[3], const double q[3]) {
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


const NoyauxPaires noyauxAvx2 = {LigneForceAvx2,   TermesAvx2,        CumulerAvx2,
                                 DeltaEnergieAvx2, LigneDescenteAvx2, LigneEnergieAvx2};
