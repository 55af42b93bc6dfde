#include "mathematiques/symetrie.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <numeric>
#include <optional>
#include <unordered_map>

namespace {

using Matrice = std::array<std::array<double, 3>, 3>;

Vec3 Appliquer(const Matrice& m, const Vec3& v) {
    return {m[0][0] * v.x + m[0][1] * v.y + m[0][2] * v.z, m[1][0] * v.x + m[1][1] * v.y + m[1][2] * v.z,
            m[2][0] * v.x + m[2][1] * v.y + m[2][2] * v.z};
}

Vec3 Unitaire(Vec3 v) {
    setLength(v, 1.0);
    return v;
}

// Buckets of side `cote` over the cube that holds the ball of the positions
// (and so every image of them by an orthogonal map).
class Grille {
public:
    Grille(std::span<const Vec3> x, double cote) {
        double rayon = 0.0;
        for (const Vec3& p : x) rayon = std::max(rayon, norm(p));
        origine_ = -rayon * (1.0 + 1e-9) - 1e-12;
        cotes_ = std::clamp(static_cast<int>(std::ceil(-2.0 * origine_ / cote)), 1, 128);
        cote_ = -2.0 * origine_ / cotes_;
        debut_.assign(static_cast<size_t>(cotes_) * cotes_ * cotes_ + 1, 0);
        for (const Vec3& p : x) ++debut_[Case(p) + 1];
        std::partial_sum(debut_.begin(), debut_.end(), debut_.begin());
        indices_.resize(x.size());
        std::vector<int> rang(debut_.begin(), debut_.end() - 1);
        for (int i = 0; i < static_cast<int>(x.size()); ++i) indices_[rang[Case(x[i])]++] = i;
    }

    // f(j) for every particle j of the cells that the ball of radius r about q meets.
    template <class F>
    void Parcourir(const Vec3& q, double r, F&& f) const {
        const int x0 = Indice(q.x - r), x1 = Indice(q.x + r);
        const int y0 = Indice(q.y - r), y1 = Indice(q.y + r);
        const int z0 = Indice(q.z - r), z1 = Indice(q.z + r);
        for (int i = x0; i <= x1; ++i) {
            for (int j = y0; j <= y1; ++j) {
                for (int k = z0; k <= z1; ++k) {
                    const int c = (i * cotes_ + j) * cotes_ + k;
                    for (int t = debut_[c]; t < debut_[c + 1]; ++t) f(indices_[t]);
                }
            }
        }
    }

    double Cote() const { return cote_; }

private:
    int Indice(double c) const {
        return std::clamp(static_cast<int>(std::floor((c - origine_) / cote_)), 0, cotes_ - 1);
    }
    int Case(const Vec3& p) const { return (Indice(p.x) * cotes_ + Indice(p.y)) * cotes_ + Indice(p.z); }

    double origine_ = 0.0, cote_ = 1.0;
    int cotes_ = 1;
    std::vector<int> debut_, indices_;
};

// Each particle's distances to its nearest neighbours, in increasing order:
// an isometry that moves no particle by more than t changes each by at most 2t.
constexpr int kVoisins = 6;
struct Signature {
    std::array<double, kVoisins> d{};
};

std::vector<Signature> Signatures(std::span<const Vec3> x, const Grille& grille, int voisins) {
    const int n = static_cast<int>(x.size());
    std::vector<Signature> s(n);
    std::vector<double> carres;
    for (int i = 0; i < n; ++i) {
        for (double r = grille.Cote();; r *= 2.0) {
            carres.clear();
            grille.Parcourir(x[i], r, [&](int j) {
                const double c = squaredDistance(x[i], x[j]);
                if (j != i && c <= r * r) carres.push_back(c);
            });
            if (static_cast<int>(carres.size()) >= voisins || r > 4.0) break;
        }
        const int k = std::min(voisins, static_cast<int>(carres.size()));
        std::partial_sort(carres.begin(), carres.begin() + k, carres.end());
        for (int v = 0; v < k; ++v) s[i].d[v] = std::sqrt(carres[v]);
    }
    return s;
}

// The particles whose signatures agree within `ecart` with a given one.
class Classes {
public:
    Classes(std::vector<Signature> s, double ecart) : s_(std::move(s)), ecart_(ecart) {
        ordre_.resize(s_.size());
        std::iota(ordre_.begin(), ordre_.end(), 0);
        std::sort(ordre_.begin(), ordre_.end(), [&](int a, int b) { return s_[a].d[0] < s_[b].d[0]; });
        for (int i : ordre_) premieres_.push_back(s_[i].d[0]);
    }

    // f(j) for each look-alike j of i, i included, while f returns true.
    template <class F>
    void Parcourir(int i, F&& f) const {
        auto t = std::lower_bound(premieres_.begin(), premieres_.end(), s_[i].d[0] - ecart_) - premieres_.begin();
        for (; t < static_cast<long>(premieres_.size()) && premieres_[t] <= s_[i].d[0] + ecart_; ++t) {
            const int j = ordre_[t];
            bool pareil = true;
            for (int v = 1; v < kVoisins && pareil; ++v) pareil = std::abs(s_[j].d[v] - s_[i].d[v]) <= ecart_;
            if (pareil && !f(j)) return;
        }
    }

    std::vector<int> Membres(int i) const {
        std::vector<int> m;
        Parcourir(i, [&](int j) {
            m.push_back(j);
            return true;
        });
        return m;
    }

    // How many look-alikes, counted up to plafond + 1.
    int Taille(int i, int plafond) const {
        int t = 0;
        Parcourir(i, [&](int) { return ++t <= plafond; });
        return t;
    }

private:
    std::vector<Signature> s_;
    double ecart_;
    std::vector<int> ordre_;
    std::vector<double> premieres_;  // d[0] in the order of ordre_
};

// Eigenvector of the largest eigenvalue of a symmetric 4x4 matrix (cyclic Jacobi).
std::array<double, 4> VecteurPropreMax(double a[4][4]) {
    double v[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
    for (int balayage = 0; balayage < 60; ++balayage) {
        double hors = 0.0, diag = 0.0;
        for (int p = 0; p < 4; ++p) {
            diag += a[p][p] * a[p][p];
            for (int q = p + 1; q < 4; ++q) hors += a[p][q] * a[p][q];
        }
        if (hors <= 1e-32 * diag || hors == 0.0) break;
        for (int p = 0; p < 4; ++p) {
            for (int q = p + 1; q < 4; ++q) {
                if (a[p][q] == 0.0) continue;
                const double theta = (a[q][q] - a[p][p]) / (2.0 * a[p][q]);
                const double t = (theta >= 0.0 ? 1.0 : -1.0) / (std::abs(theta) + std::sqrt(theta * theta + 1.0));
                const double c = 1.0 / std::sqrt(t * t + 1.0), s = t * c;
                for (int k = 0; k < 4; ++k) {
                    const double kp = a[k][p], kq = a[k][q];
                    a[k][p] = c * kp - s * kq;
                    a[k][q] = s * kp + c * kq;
                }
                for (int k = 0; k < 4; ++k) {
                    const double pk = a[p][k], qk = a[q][k];
                    a[p][k] = c * pk - s * qk;
                    a[q][k] = s * pk + c * qk;
                }
                for (int k = 0; k < 4; ++k) {
                    const double kp = v[k][p], kq = v[k][q];
                    v[k][p] = c * kp - s * kq;
                    v[k][q] = s * kp + c * kq;
                }
            }
        }
    }
    int m = 0;
    for (int k = 1; k < 4; ++k) {
        if (a[k][k] > a[m][m]) m = k;
    }
    return {v[0][m], v[1][m], v[2][m], v[3][m]};
}

// The rotation R that maximises the sum of signe * x[image[i]] . R x[i]
// (Horn's unit quaternion: the eigenvector of the largest eigenvalue).
Matrice RotationAjustee(std::span<const Vec3> x, const std::vector<int>& image, double signe) {
    double s[3][3] = {};
    for (size_t i = 0; i < x.size(); ++i) {
        const double u[3] = {x[i].x, x[i].y, x[i].z};
        const Vec3& y = x[image[i]];
        const double w[3] = {signe * y.x, signe * y.y, signe * y.z};
        for (int a = 0; a < 3; ++a) {
            for (int b = 0; b < 3; ++b) s[a][b] += u[a] * w[b];
        }
    }
    double n[4][4] = {
        {s[0][0] + s[1][1] + s[2][2], s[1][2] - s[2][1], s[2][0] - s[0][2], s[0][1] - s[1][0]},
        {s[1][2] - s[2][1], s[0][0] - s[1][1] - s[2][2], s[0][1] + s[1][0], s[2][0] + s[0][2]},
        {s[2][0] - s[0][2], s[0][1] + s[1][0], -s[0][0] + s[1][1] - s[2][2], s[1][2] + s[2][1]},
        {s[0][1] - s[1][0], s[2][0] + s[0][2], s[1][2] + s[2][1], -s[0][0] - s[1][1] + s[2][2]}};
    const auto [q0, qx, qy, qz] = VecteurPropreMax(n);
    return {{{q0 * q0 + qx * qx - qy * qy - qz * qz, 2 * (qx * qy - q0 * qz), 2 * (qx * qz + q0 * qy)},
             {2 * (qy * qx + q0 * qz), q0 * q0 - qx * qx + qy * qy - qz * qz, 2 * (qy * qz - q0 * qx)},
             {2 * (qz * qx - q0 * qy), 2 * (qz * qy + q0 * qx), q0 * q0 - qx * qx - qy * qy + qz * qz}}};
}

// The orthogonal map of determinant `det` that sends a to a' and b to b'
// (exactly when the pairs are congruent): frame (a, b) onto frame (a', b').
Matrice Envoyer(const Vec3& a, const Vec3& b, const Vec3& a2, const Vec3& b2, double det) {
    auto repere = [](const Vec3& u, const Vec3& v) {
        const Vec3 e1 = Unitaire(u);
        Vec3 e2 = v;
        Vec3 p = e1;
        p *= dot(v, e1);
        e2 -= p;
        e2 = Unitaire(e2);
        return std::array<Vec3, 3>{e1, e2, cross(e1, e2)};
    };
    const auto f = repere(a, b), g = repere(a2, b2);
    const double d[3] = {1.0, 1.0, det};
    Matrice m{};
    for (int k = 0; k < 3; ++k) {
        const double gk[3] = {g[k].x, g[k].y, g[k].z}, fk[3] = {f[k].x, f[k].y, f[k].z};
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) m[r][c] += gk[r] * d[k] * fk[c];
        }
    }
    return m;
}

// The unit vector that m - diag(s) sends to zero (m's axis for s = 1, a
// mirror's normal for s = -1): the longest cross product of two of its rows.
Vec3 DirectionFixe(const double m[3][3], double s) {
    Vec3 l[3];
    for (int r = 0; r < 3; ++r) l[r] = {m[r][0] - (r == 0 ? s : 0), m[r][1] - (r == 1 ? s : 0), m[r][2] - (r == 2 ? s : 0)};
    Vec3 meilleur{0, 0, 1};
    double plusLong = 0.0;
    for (const auto& [i, j] : {std::pair{0, 1}, std::pair{0, 2}, std::pair{1, 2}}) {
        const Vec3 c = cross(l[i], l[j]);
        if (norm(c) > plusLong) {
            plusLong = norm(c);
            meilleur = c;
        }
    }
    if (plusLong == 0.0) return meilleur;
    meilleur = Unitaire(meilleur);
    // One of the two directions, the same whatever the rows: the first
    // clearly non-zero coordinate positive.
    const double premier = std::abs(meilleur.z) > 1e-9 ? meilleur.z : std::abs(meilleur.y) > 1e-9 ? meilleur.y : meilleur.x;
    if (premier < 0.0) meilleur *= -1.0;
    return meilleur;
}

// The search: candidates sent a -> a', b -> b', each checked against every
// particle.
class Recherche {
public:
    Recherche(std::span<const Vec3> x, double tolerance, const Grille& grille, int a, int b, double distanceMin)
        : x_(x), n_(static_cast<int>(x.size())), tolerance_(tolerance), grille_(grille), prise_(x.size(), -1) {
        // A candidate built from a' and b' within t of the images of a and b
        // is off by about t (2 + 4 / sin) at any particle: the first
        // matching is looked for that far, the fitted map must then do with
        // t. Never beyond half the smallest distance (unless t is), where
        // the nearest particle stops meaning anything and the balls searched
        // hold many.
        const double sinus = norm(cross(Unitaire(x[a]), Unitaire(x[b])));
        rayon_ = std::min(tolerance * (4.0 + 8.0 / sinus), std::max(tolerance, distanceMin / 2.0));
    }

    std::optional<OperationSymetrie> Verifier(const Matrice& q, bool propre) {
        // A few spread particles first: most candidates fail there.
        const int pas = std::max(1, n_ / 16);
        for (int i = 0; i < n_; i += pas) {
            if (PlusProche(Appliquer(q, x_[i]), false) < 0) return std::nullopt;
        }
        ++tampon_;
        OperationSymetrie op;
        op.image.resize(n_);
        for (int i = 0; i < n_; ++i) {
            const int j = PlusProche(Appliquer(q, x_[i]), true);
            if (j < 0) return std::nullopt;
            prise_[j] = tampon_;
            op.image[i] = j;
        }
        const double signe = propre ? 1.0 : -1.0;
        const Matrice r = RotationAjustee(x_, op.image, signe);
        Matrice m;
        for (int l = 0; l < 3; ++l) {
            for (int c = 0; c < 3; ++c) m[l][c] = op.m[l][c] = signe * r[l][c];
        }
        op.propre = propre;
        for (int i = 0; i < n_; ++i) {
            op.ecart = std::max(op.ecart, std::sqrt(squaredDistance(Appliquer(m, x_[i]), x_[op.image[i]])));
        }
        if (!(op.ecart <= tolerance_)) return std::nullopt;
        return op;
    }

private:
    // The nearest particle within the first matching's reach (not yet taken
    // when libres), -1 if none.
    int PlusProche(const Vec3& q, bool libres) const {
        int j = -1;
        double meilleur = rayon_ * rayon_;
        grille_.Parcourir(q, rayon_, [&](int k) {
            if (libres && prise_[k] == tampon_) return;
            const double c = squaredDistance(q, x_[k]);
            if (c <= meilleur) {
                meilleur = c;
                j = k;
            }
        });
        return j;
    }

    std::span<const Vec3> x_;
    int n_;
    double tolerance_;
    const Grille& grille_;
    double rayon_ = 0.0;
    std::vector<int> prise_;
    int tampon_ = 0;
};

// An operation is known by where it sends a and b, and its determinant.
class Cles {
public:
    Cles(const std::vector<OperationSymetrie>& ops, int a, int b) : ops_(ops), a_(a), b_(b) {
        for (int k = 0; k < static_cast<int>(ops.size()); ++k) index_[Cle(ops[k].image[a], ops[k].image[b], ops[k].propre)] = k;
    }

    // The operation that does g after h, -1 if it is not among them.
    int Produit(int g, int h) const {
        const auto& ig = ops_[g].image;
        const auto& ih = ops_[h].image;
        return Trouver(ig[ih[a_]], ig[ih[b_]], ops_[g].propre == ops_[h].propre);
    }

    int Trouver(int ia, int ib, bool propre) const {
        const auto t = index_.find(Cle(ia, ib, propre));
        return t == index_.end() ? -1 : t->second;
    }

    // The smallest k > 0 with g^k the identity (0 when the powers leave the set).
    int Ordre(int g) const {
        const auto& ig = ops_[g].image;
        int ia = a_, ib = b_;
        for (int k = 1; k <= static_cast<int>(ops_.size()); ++k) {
            ia = ig[ia];
            ib = ig[ib];
            if (ia == a_ && ib == b_ && (ops_[g].propre || k % 2 == 0)) return k;
        }
        return 0;
    }

private:
    static long long Cle(int ia, int ib, bool propre) {
        return ((static_cast<long long>(ia) << 31) + ib) * 2 + (propre ? 1 : 0);
    }

    const std::vector<OperationSymetrie>& ops_;
    int a_, b_;
    std::unordered_map<long long, int> index_;
};

bool Ferme(const Cles& cles, int nombre) {
    for (int g = 0; g < nombre; ++g) {
        for (int h = 0; h < nombre; ++h) {
            if (cles.Produit(g, h) < 0) return false;
        }
    }
    return true;
}

struct AxeRotation {
    int ordre;
    Vec3 direction;
};

bool Parallele(const Vec3& u, const Vec3& v) { return std::abs(dot(u, v)) > 0.9; }

// The rotation axes with their orders, the mirrors' normals and the inversion.
struct Elements {
    int propres = 0;
    std::vector<AxeRotation> axes;
    std::vector<Vec3> miroirs;
    bool inversion = false;
};

std::optional<Elements> Analyser(const std::vector<OperationSymetrie>& ops, const Cles& cles, int a, int b) {
    Elements e;
    const int nombre = static_cast<int>(ops.size());
    std::vector<int> ordres(nombre);
    for (int g = 0; g < nombre; ++g) {
        ordres[g] = cles.Ordre(g);
        if (ordres[g] == 0) return std::nullopt;
        if (ops[g].propre) {
            ++e.propres;
        } else if (ordres[g] == 2) {
            const double trace = ops[g].m[0][0] + ops[g].m[1][1] + ops[g].m[2][2];
            if (trace < -2.0) {
                e.inversion = true;
            } else {
                e.miroirs.push_back(DirectionFixe(ops[g].m, -1.0));
            }
        }
    }
    // The rotations about one axis are the powers of the one of highest
    // order: taken in decreasing order, each new one opens an axis.
    std::vector<int> rotations;
    for (int g = 0; g < nombre; ++g) {
        if (ops[g].propre && ordres[g] > 1) rotations.push_back(g);
    }
    std::stable_sort(rotations.begin(), rotations.end(), [&](int u, int v) { return ordres[u] > ordres[v]; });
    std::vector<bool> vue(nombre, false);
    for (int g : rotations) {
        if (vue[g]) continue;
        e.axes.push_back({ordres[g], DirectionFixe(ops[g].m, 1.0)});
        int ia = a, ib = b;
        for (int k = 1; k < ordres[g]; ++k) {
            ia = ops[g].image[ia];
            ib = ops[g].image[ib];
            const int p = cles.Trouver(ia, ib, true);
            if (p < 0) return std::nullopt;
            vue[p] = true;
        }
    }
    return e;
}

// "D3h": built by appending (GCC 12 warns wrongly about "D" + std::string).
std::string Symbole(char lettre, int n, const char* suffixe) {
    std::string s(1, lettre);
    s += std::to_string(n);
    s += suffixe;
    return s;
}

// The name and order of the group whose elements these are; nullopt when
// they are not those of a point group.
std::optional<GroupePonctuel> Nommer(const Elements& e, int nombre) {
    GroupePonctuel g;
    const int p = e.propres;
    const bool impropres = nombre > p;
    if (impropres && nombre != 2 * p) return std::nullopt;
    int n = 1, aPlusDe2 = 0;
    for (const AxeRotation& axe : e.axes) {
        n = std::max(n, axe.ordre);
        if (axe.ordre >= 3) ++aPlusDe2;
    }
    for (const AxeRotation& axe : e.axes) {
        if (axe.ordre == n) g.axes.push_back(axe.direction);
    }
    g.ordreAxes = n;
    const int axesMax = static_cast<int>(g.axes.size());
    auto miroirSur = [&](auto&& principal) {
        for (const Vec3& m : e.miroirs) {
            for (const AxeRotation& axe : e.axes) {
                if (principal(axe) && Parallele(m, axe.direction)) return true;
            }
        }
        return false;
    };
    if (p == 1) {
        g.nom = !impropres ? "C1" : e.inversion ? "Ci" : e.miroirs.size() == 1 ? "Cs" : "";
    } else if (aPlusDe2 >= 2) {
        const bool t = p == 12 && n == 3 && axesMax == 4, o = p == 24 && n == 4 && axesMax == 3,
                   i = p == 60 && n == 5 && axesMax == 6;
        if (t) g.nom = !impropres ? "T" : e.inversion ? "Th" : "Td";
        if (o) g.nom = !impropres ? "O" : e.inversion ? "Oh" : "";
        if (i) g.nom = !impropres ? "I" : e.inversion ? "Ih" : "";
    } else if (p == n && e.axes.size() == 1) {
        const auto principal = [&](const AxeRotation& axe) { return axe.ordre == n; };
        if (!impropres) {
            g.nom = Symbole('C', n, "");
        } else if (miroirSur(principal)) {
            g.nom = e.miroirs.size() == 1 ? Symbole('C', n, "h") : "";
        } else if (!e.miroirs.empty()) {
            g.nom = static_cast<int>(e.miroirs.size()) == n ? Symbole('C', n, "v") : "";
        } else {
            g.nom = Symbole('S', 2 * n, "");
        }
    } else if (p == 2 * n && static_cast<int>(e.axes.size()) == n + 1) {
        const auto principal = [&](const AxeRotation& axe) { return axe.ordre == n; };
        g.nom = Symbole('D', n, !impropres ? "" : miroirSur(principal) ? "h" : "d");
    }
    if (g.nom.empty()) return std::nullopt;
    g.ordre = nombre;
    return g;
}

// The index of the loosest operation but the identity (index 0).
int PlusLache(const std::vector<OperationSymetrie>& ops) {
    int pire = 1;
    for (int k = 2; k < static_cast<int>(ops.size()); ++k) {
        if (ops[k].ecart > ops[pire].ecart) pire = k;
    }
    return pire;
}

// a: of a sample spread over the indices, the particle with the fewest
// look-alikes; b: the same among those far from a's axis. Counting them for
// every particle would cost more than the search where many particles look
// alike within the tolerance (a smooth lattice such as the spiral's).
constexpr int kEchantillon = 64;

std::pair<int, int> Reperes(std::span<const Vec3> x, const Classes& classes) {
    const int n = static_cast<int>(x.size());
    const int pas = std::max(1, n / kEchantillon);
    auto plusSeul = [&](auto&& admis) {
        int meilleur = -1, taille = n;
        for (int i = 0; i < n; i += pas) {
            if (!admis(i)) continue;
            const int t = classes.Taille(i, taille);
            if (meilleur < 0 || t < taille) {
                meilleur = i;
                taille = t;
            }
        }
        return meilleur;
    };
    const int a = plusSeul([](int) { return true; });
    const Vec3 ua = Unitaire(x[a]);
    std::vector<double> sinus(n);
    for (int i = 0; i < n; ++i) sinus[i] = norm(cross(ua, Unitaire(x[i])));
    const int loin = static_cast<int>(std::max_element(sinus.begin(), sinus.end()) - sinus.begin());
    if (sinus[loin] < 1e-9) return {a, -1};
    const double seuil = std::min(0.7, 0.9 * sinus[loin]);
    const int b = plusSeul([&](int i) { return sinus[i] >= seuil; });
    return {a, b >= 0 ? b : loin};
}

GroupePonctuel Identite(int n) {
    GroupePonctuel g;
    OperationSymetrie e;
    for (int k = 0; k < 3; ++k) e.m[k][k] = 1.0;
    e.image.resize(n);
    std::iota(e.image.begin(), e.image.end(), 0);
    g.operations.push_back(std::move(e));
    return g;
}

}  // namespace

GroupePonctuel TrouverGroupePonctuel(std::span<const Vec3> x, double tolerance) {
    const int n = static_cast<int>(x.size());
    if (n < 3) return Identite(n);
    const Grille grille(x, 2.0 * std::sqrt(4.0 * std::numbers::pi / n));
    const double ecart = 2.0 * tolerance * (1.0 + 1e-9) + 1e-12;
    std::vector<Signature> signatures = Signatures(x, grille, std::min(kVoisins, n - 1));
    double distanceMin = 4.0;
    for (const Signature& s : signatures) distanceMin = std::min(distanceMin, s.d[0]);
    const Classes classes(std::move(signatures), ecart);
    const auto [premier, second] = Reperes(x, classes);
    const int a = premier, b = second;  // plain variables: lambdas capture them below
    if (b < 0) return Identite(n);

    Recherche recherche(x, tolerance, grille, a, b, distanceMin);
    std::vector<OperationSymetrie> ops;
    const double ab = std::sqrt(squaredDistance(x[a], x[b]));
    const std::vector<int> cb = classes.Membres(b);
    for (int a2 : classes.Membres(a)) {
        for (int b2 : cb) {
            if (std::abs(std::sqrt(squaredDistance(x[a2], x[b2])) - ab) > ecart) continue;
            for (bool propre : {true, false}) {
                auto op = recherche.Verifier(Envoyer(x[a], x[b], x[a2], x[b2], propre ? 1.0 : -1.0), propre);
                if (!op) continue;
                const bool identite = propre && op->image[a] == a && op->image[b] == b;
                ops.insert(identite ? ops.begin() : ops.end(), std::move(*op));
            }
        }
    }
    // Two candidates may settle on one operation: keep the first.
    std::vector<OperationSymetrie> uniques;
    for (OperationSymetrie& op : ops) {
        const bool double_ = std::any_of(uniques.begin(), uniques.end(), [&](const OperationSymetrie& u) {
            return u.propre == op.propre && u.image[a] == op.image[a] && u.image[b] == op.image[b];
        });
        if (!double_) uniques.push_back(std::move(op));
    }
    ops = std::move(uniques);
    if (ops.empty() || ops[0].image[a] != a || !ops[0].propre) return Identite(n);

    while (true) {
        const Cles cles(ops, a, b);
        if (Ferme(cles, static_cast<int>(ops.size()))) {
            if (const auto e = Analyser(ops, cles, a, b)) {
                if (auto g = Nommer(*e, static_cast<int>(ops.size()))) {
                    g->operations = std::move(ops);
                    return std::move(*g);
                }
            }
        }
        ops.erase(ops.begin() + PlusLache(ops));
    }
}
