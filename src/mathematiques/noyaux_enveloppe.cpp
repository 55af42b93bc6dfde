// The AVX2 loops gather four valid entries, compute their terms lane by lane
// with the scalar code's operations in the scalar code's order (no fused
// multiply-add), then add them entry after entry; the last valid entries that
// do not fill a block of four go through the scalar code.
#include "mathematiques/noyaux_enveloppe.h"

#include <immintrin.h>

#include <cmath>

#include "mathematiques/noyaux.h"

#define AVX2 __attribute__((target("avx2")))
#define AVX2_EN_LIGNE __attribute__((target("avx2"), always_inline)) inline

namespace {

bool Dans(int i, int n) { return i >= 0 && i < n; }

void Ajouter(Ligne4& d, const double t[3]) {
    d.v[0] += t[0];
    d.v[1] += t[1];
    d.v[2] += t[2];
}

void Retrancher(Ligne4& d, const double t[3]) {
    d.v[0] -= t[0];
    d.v[1] -= t[1];
    d.v[2] -= t[2];
}

void TermeCoulomb(const Ligne4& a, const Ligne4& b, double c, double t[3]) {
    const double dx = a.v[0] - b.v[0], dy = a.v[1] - b.v[1], dz = a.v[2] - b.v[2];
    const double s = dx * dx + dy * dy + dz * dz;
    const double w = CoefficientPaire(c, s, std::sqrt(s));
    t[0] = dx * w;
    t[1] = dy * w;
    t[2] = dz * w;
}

// e = a - b scaled by (cible - l) R / l, l = |e|; zero when l is not positive.
void TermeRessort(const Ligne4& a, const Ligne4& b, double l, double cible, double R, double t[3]) {
    for (int k = 0; k < 3; ++k) t[k] = l > 0.0 ? (a.v[k] - b.v[k]) * (cible - l) * R / l : 0.0;
}

double Longueur(const Ligne4& a, const Ligne4& b) {
    const double dx = a.v[0] - b.v[0], dy = a.v[1] - b.v[1], dz = a.v[2] - b.v[2];
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

void AppliquerArete(Ligne4* d, int a, int b, const double t[3]) {
    Ajouter(d[a], t);
    Retrancher(d[b], t);
}

void AppliquerFace(Ligne4* d, const int v[3], const double t[3][3]) {
    for (int k = 0; k < 3; ++k) Ajouter(d[v[k]], t[k]);
    for (int k = 0; k < 3; ++k) Retrancher(d[v[(k + 1) % 3]], t[k]);
}

void FacePortable(const Ligne4* p, Ligne4* d, const int v[3], double R) {
    double l[3], t[3][3];
    for (int k = 0; k < 3; ++k) l[k] = Longueur(p[v[k]], p[v[(k + 1) % 3]]);
    const double m = (l[0] + l[1] + l[2]) / 3.0;
    for (int k = 0; k < 3; ++k) TermeRessort(p[v[k]], p[v[(k + 1) % 3]], l[k], m, R, t[k]);
    AppliquerFace(d, v, t);
}

bool Sommets(const HullFace& f, int n, int v[3]) {
    for (int k = 0; k < 3; ++k) {
        v[k] = f.v[k];
        if (!Dans(v[k], n)) return false;
    }
    return true;
}

void ProjeterUne(Ligne4& p, const Ligne4& d) {
    double v[3];
    for (int k = 0; k < 3; ++k) v[k] = p.v[k] + d.v[k];
    const double inverse = 1.0 / std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    for (int k = 0; k < 3; ++k) p.v[k] = v[k] * inverse;
    p.v[3] = 0.0;
}

void ProjeterPortable(Ligne4* p, const Ligne4* d, int n) {
    for (int i = 0; i < n; ++i) ProjeterUne(p[i], d[i]);
}

void CoulombPortable(const Ligne4* p, Ligne4* d, const HullEdge* aretes, int m, int n, double c) {
    for (int e = 0; e < m; ++e) {
        const int a = aretes[e].lo, b = aretes[e].hi;
        if (!Dans(a, n) || !Dans(b, n)) continue;
        double t[3];
        TermeCoulomb(p[a], p[b], c, t);
        AppliquerArete(d, a, b, t);
    }
}

void RessortsPortables(const Ligne4* p, Ligne4* d, const HullEdge* aretes, int m, int n, double L, double R) {
    for (int e = 0; e < m; ++e) {
        const int a = aretes[e].lo, b = aretes[e].hi;
        if (!Dans(a, n) || !Dans(b, n)) continue;
        double t[3];
        TermeRessort(p[a], p[b], Longueur(p[a], p[b]), L, R, t);
        AppliquerArete(d, a, b, t);
    }
}

void FacesPortables(const Ligne4* p, Ligne4* d, const HullFace* faces, int m, int n, double R) {
    for (int f = 0; f < m; ++f) {
        int v[3];
        if (Sommets(faces[f], n, v)) FacePortable(p, d, v, R);
    }
}

// ---- AVX2 ----

// Rows a, b, c, d become columns: a = lane 0 of each, and so on.
AVX2_EN_LIGNE void Transposer(__m256d& a, __m256d& b, __m256d& c, __m256d& d) {
    const __m256d t0 = _mm256_unpacklo_pd(a, b);
    const __m256d t1 = _mm256_unpackhi_pd(a, b);
    const __m256d t2 = _mm256_unpacklo_pd(c, d);
    const __m256d t3 = _mm256_unpackhi_pd(c, d);
    a = _mm256_permute2f128_pd(t0, t2, 0x20);
    b = _mm256_permute2f128_pd(t1, t3, 0x20);
    c = _mm256_permute2f128_pd(t0, t2, 0x31);
    d = _mm256_permute2f128_pd(t1, t3, 0x31);
}

AVX2_EN_LIGNE __m256d Carre(__m256d x, __m256d y, __m256d z) {
    return _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(x, x), _mm256_mul_pd(y, y)), _mm256_mul_pd(z, z));
}

AVX2_EN_LIGNE void AjouterLigne(Ligne4& d, __m256d t) { _mm256_store_pd(d.v, _mm256_add_pd(_mm256_load_pd(d.v), t)); }

AVX2_EN_LIGNE void RetrancherLigne(Ligne4& d, __m256d t) {
    _mm256_store_pd(d.v, _mm256_sub_pd(_mm256_load_pd(d.v), t));
}

// d_a += t, d_b -= t, entry after entry.
AVX2_EN_LIGNE void AppliquerAretes(Ligne4* d, const int* a, const int* b, const __m256d t[4]) {
    for (int k = 0; k < 4; ++k) {
        AjouterLigne(d[a[k]], t[k]);
        RetrancherLigne(d[b[k]], t[k]);
    }
}

// p_a[k] - p_b[k] for the four entries: rows, then x, y, z across lanes.
struct Ecarts {
    __m256d ligne[4];
    __m256d x, y, z;
};

AVX2_EN_LIGNE Ecarts Ecarter(const Ligne4* p, const int* a, const int* b) {
    Ecarts e;
    for (int k = 0; k < 4; ++k) e.ligne[k] = _mm256_sub_pd(_mm256_load_pd(p[a[k]].v), _mm256_load_pd(p[b[k]].v));
    __m256d w = e.ligne[3];
    e.x = e.ligne[0];
    e.y = e.ligne[1];
    e.z = e.ligne[2];
    Transposer(e.x, e.y, e.z, w);
    return e;
}

// Lanes x, y, z scaled by (cible - l) R / l, zero where l is not positive,
// back as one row per entry (unused lane 0).
AVX2_EN_LIGNE void Ressorts4(__m256d x, __m256d y, __m256d z, __m256d l, __m256d cible, __m256d R, __m256d t[4]) {
    const __m256d f = _mm256_sub_pd(cible, l);
    const __m256d positif = _mm256_cmp_pd(l, _mm256_setzero_pd(), _CMP_GT_OQ);
    t[0] = _mm256_and_pd(positif, _mm256_div_pd(_mm256_mul_pd(_mm256_mul_pd(x, f), R), l));
    t[1] = _mm256_and_pd(positif, _mm256_div_pd(_mm256_mul_pd(_mm256_mul_pd(y, f), R), l));
    t[2] = _mm256_and_pd(positif, _mm256_div_pd(_mm256_mul_pd(_mm256_mul_pd(z, f), R), l));
    t[3] = _mm256_setzero_pd();
    Transposer(t[0], t[1], t[2], t[3]);
}

AVX2_EN_LIGNE void BlocCoulomb(const Ligne4* p, Ligne4* d, const int* a, const int* b, double coefficient) {
    const __m256d c = _mm256_set1_pd(coefficient);
    const Ecarts e = Ecarter(p, a, b);
    const __m256d s = Carre(e.x, e.y, e.z);
    const __m256d proches = _mm256_cmp_pd(s, _mm256_set1_pd(kContact * kContact), _CMP_GE_OQ);
    const __m256d w = _mm256_and_pd(proches, _mm256_div_pd(c, _mm256_mul_pd(_mm256_sqrt_pd(s), s)));
    const __m256d t[4] = {_mm256_mul_pd(e.ligne[0], _mm256_permute4x64_pd(w, 0x00)),
                          _mm256_mul_pd(e.ligne[1], _mm256_permute4x64_pd(w, 0x55)),
                          _mm256_mul_pd(e.ligne[2], _mm256_permute4x64_pd(w, 0xAA)),
                          _mm256_mul_pd(e.ligne[3], _mm256_permute4x64_pd(w, 0xFF))};
    AppliquerAretes(d, a, b, t);
}

AVX2_EN_LIGNE void BlocRessorts(const Ligne4* p, Ligne4* d, const int* a, const int* b, double L, double R) {
    const Ecarts e = Ecarter(p, a, b);
    __m256d t[4];
    Ressorts4(e.x, e.y, e.z, _mm256_sqrt_pd(Carre(e.x, e.y, e.z)), _mm256_set1_pd(L), _mm256_set1_pd(R), t);
    AppliquerAretes(d, a, b, t);
}

// v[f][k]: corner k of the block's face f.
AVX2 void BlocFaces(const Ligne4* p, Ligne4* d, const int (*v)[3], double resistance) {
    const __m256d R = _mm256_set1_pd(resistance);
    __m256d x[3], y[3], z[3];
    for (int k = 0; k < 3; ++k) {
        __m256d w = _mm256_load_pd(p[v[3][k]].v);
        x[k] = _mm256_load_pd(p[v[0][k]].v);
        y[k] = _mm256_load_pd(p[v[1][k]].v);
        z[k] = _mm256_load_pd(p[v[2][k]].v);
        Transposer(x[k], y[k], z[k], w);
    }
    __m256d ex[3], ey[3], ez[3], l[3];
    for (int k = 0; k < 3; ++k) {
        const int s = (k + 1) % 3;
        ex[k] = _mm256_sub_pd(x[k], x[s]);
        ey[k] = _mm256_sub_pd(y[k], y[s]);
        ez[k] = _mm256_sub_pd(z[k], z[s]);
        l[k] = _mm256_sqrt_pd(Carre(ex[k], ey[k], ez[k]));
    }
    const __m256d m = _mm256_div_pd(_mm256_add_pd(_mm256_add_pd(l[0], l[1]), l[2]), _mm256_set1_pd(3.0));
    __m256d t[3][4];  // t[k][f]: edge k of face f, as a row
    for (int k = 0; k < 3; ++k) Ressorts4(ex[k], ey[k], ez[k], l[k], m, R, t[k]);
    for (int f = 0; f < 4; ++f) {
        const int* s = v[f];
        if (s[0] != s[1] && s[1] != s[2] && s[2] != s[0]) {
            // Each corner's two terms follow each other in its sum: one load and store.
            for (int k = 0; k < 3; ++k) {
                Ligne4& r = d[s[k]];
                _mm256_store_pd(r.v, _mm256_sub_pd(_mm256_add_pd(_mm256_load_pd(r.v), t[k][f]), t[(k + 2) % 3][f]));
            }
        } else {
            for (int k = 0; k < 3; ++k) AjouterLigne(d[s[k]], t[k][f]);
            for (int k = 0; k < 3; ++k) RetrancherLigne(d[s[(k + 1) % 3]], t[k][f]);
        }
    }
}

// Edges four at a time when all eight ends are particles (one vector test),
// else each valid edge alone; `bloc` and `seule` add in list order.
template <typename Bloc, typename Seule>
AVX2_EN_LIGNE void ParQuatreAretes(const HullEdge* aretes, int m, int n, const Bloc& bloc, const Seule& seule) {
    static_assert(sizeof(HullEdge) == 4);
    const __m256i borne = _mm256_set1_epi32(n), moinsUn = _mm256_set1_epi32(-1);
    int e = 0;
    for (; e + 4 <= m; e += 4) {
        const __m256i v = _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(aretes + e)));
        const __m256i dans = _mm256_and_si256(_mm256_cmpgt_epi32(v, moinsUn), _mm256_cmpgt_epi32(borne, v));
        alignas(32) int bouts[8];  // lo, hi of each edge
        _mm256_store_si256(reinterpret_cast<__m256i*>(bouts), v);
        if (_mm256_movemask_epi8(dans) == -1) {
            const int a[4] = {bouts[0], bouts[2], bouts[4], bouts[6]};
            const int b[4] = {bouts[1], bouts[3], bouts[5], bouts[7]};
            bloc(a, b);
        } else {
            for (int k = 0; k < 4; ++k) {
                if (Dans(bouts[2 * k], n) && Dans(bouts[2 * k + 1], n)) seule(bouts[2 * k], bouts[2 * k + 1]);
            }
        }
    }
    for (; e < m; ++e) {
        if (Dans(aretes[e].lo, n) && Dans(aretes[e].hi, n)) seule(aretes[e].lo, aretes[e].hi);
    }
}

struct QuatreCoulomb {
    const Ligne4* p;
    Ligne4* d;
    double c;
    AVX2_EN_LIGNE void operator()(const int* a, const int* b) const { BlocCoulomb(p, d, a, b, c); }
};

struct QuatreRessorts {
    const Ligne4* p;
    Ligne4* d;
    double L, R;
    AVX2_EN_LIGNE void operator()(const int* a, const int* b) const { BlocRessorts(p, d, a, b, L, R); }
};

AVX2 void CoulombAvx2(const Ligne4* p, Ligne4* d, const HullEdge* aretes, int m, int n, double c) {
    ParQuatreAretes(aretes, m, n, QuatreCoulomb{p, d, c}, [&](int a, int b) {
        double t[3];
        TermeCoulomb(p[a], p[b], c, t);
        AppliquerArete(d, a, b, t);
    });
}

AVX2 void RessortsAvx2(const Ligne4* p, Ligne4* d, const HullEdge* aretes, int m, int n, double L, double R) {
    ParQuatreAretes(aretes, m, n, QuatreRessorts{p, d, L, R}, [&](int a, int b) {
        double t[3];
        TermeRessort(p[a], p[b], Longueur(p[a], p[b]), L, R, t);
        AppliquerArete(d, a, b, t);
    });
}

AVX2 void FacesAvx2(const Ligne4* p, Ligne4* d, const HullFace* faces, int m, int n, double R) {
    int v[4][3], pleins = 0;
    for (int f = 0; f < m; ++f) {
        if (!Sommets(faces[f], n, v[pleins])) continue;
        if (++pleins == 4) {
            BlocFaces(p, d, v, R);
            pleins = 0;
        }
    }
    for (int k = 0; k < pleins; ++k) FacePortable(p, d, v[k], R);
}

AVX2 void ProjeterAvx2(Ligne4* p, const Ligne4* d, int n) {
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        __m256d x = _mm256_add_pd(_mm256_load_pd(p[i].v), _mm256_load_pd(d[i].v));
        __m256d y = _mm256_add_pd(_mm256_load_pd(p[i + 1].v), _mm256_load_pd(d[i + 1].v));
        __m256d z = _mm256_add_pd(_mm256_load_pd(p[i + 2].v), _mm256_load_pd(d[i + 2].v));
        __m256d w = _mm256_add_pd(_mm256_load_pd(p[i + 3].v), _mm256_load_pd(d[i + 3].v));
        Transposer(x, y, z, w);
        const __m256d inverse = _mm256_div_pd(_mm256_set1_pd(1.0), _mm256_sqrt_pd(Carre(x, y, z)));
        x = _mm256_mul_pd(x, inverse);
        y = _mm256_mul_pd(y, inverse);
        z = _mm256_mul_pd(z, inverse);
        w = _mm256_setzero_pd();
        Transposer(x, y, z, w);
        _mm256_store_pd(p[i].v, x);
        _mm256_store_pd(p[i + 1].v, y);
        _mm256_store_pd(p[i + 2].v, z);
        _mm256_store_pd(p[i + 3].v, w);
    }
    for (; i < n; ++i) ProjeterUne(p[i], d[i]);
}

const NoyauxEnveloppe enveloppePortable = {CoulombPortable, RessortsPortables, FacesPortables, ProjeterPortable};
const NoyauxEnveloppe enveloppeAvx2 = {CoulombAvx2, RessortsAvx2, FacesAvx2, ProjeterAvx2};

}  // namespace

// Every set but the portable one needs AVX2.
const NoyauxEnveloppe& NoyauxDeLEnveloppe() {
    return &Noyaux() == &TableDuJeu(JeuNoyaux::portable) ? enveloppePortable : enveloppeAvx2;
}
