// The program of one iteration, D the smallest distance, h the region's
// half-width: maximise t over t and v (two tangent coordinates per particle,
// each in [-1, 1], the move being h v) subject to, for every pair (i, j)
// closer than D + 3h (no other pair can become the closest within the
// region),
//     t - n_ij . (B_i v_i - B_j v_j) <= (r_ij - D) / h,
// n_ij the unit vector from j to i and B_i the tangent basis at i: the
// linearised distances divided by h, less D, so that the program stays well
// scaled however small h becomes. D + h t is the predicted smallest distance.
//
// Only those pairs, found by the sweep along z, and the particles they touch
// are in the program; the others do not move. The program is kept from one
// iteration to the next and the simplex starts from the basis the previous
// one ended on (a few pivots once the steps are small, where a program
// solved afresh took thousands): a pair that left the region keeps its row,
// free, until its slack is basic, and a particle no pair touches keeps its
// columns until they are non-basic, so that what is removed never breaks the
// basis. Each simplex runs in slices, the stop flag looked at between two.
//
// Above kSeuilMorceaux particles one program costs too much (at N = 2000
// thousands of pivots of a millisecond each once the pairs crowd near D):
// the sphere is cut into regions of a few hundred particles, each solved on
// its own, afresh, on the workers (class Morceaux).
#include "mathematiques/tammes.h"

#include <glpk.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "etat/parallele.h"
#include "mathematiques/metriques.h"
#include "mathematiques/separation.h"
#include "mathematiques/voisinage.h"

namespace {

constexpr double kRegionInitiale = 0.05;  // half-width, in units of D
constexpr double kMarge = 3.0;            // pairs closer than D + kMarge h
constexpr double kPlusPetiteRegion = 1e-13;  // in units of D: below, rounding decides
constexpr double kContact = 1e-9;         // relative, for the count of contacts
// Beyond twice the initial width, more pairs enter the program than the
// region gains: from a relaxed start at N = 2000, h = 0.19 D took 15000
// pivots an iteration and predicted less than h = 0.1 D.
constexpr double kRegionMax = 2.0 * kRegionInitiale;
// Pivots of a slice of simplex: some tenths of a second at N = 9999.
constexpr int kPivotsParTranche = 100;
// Above this many particles the program is solved in pieces of about
// kParticulesParMorceau particles (class Morceaux).
constexpr int kSeuilMorceaux = 1000;
constexpr int kParticulesParMorceau = 250;
// Cuts in a row whose program predicts no gain before the point is taken as
// stationary: one cut may leave the closest pairs across a border.
constexpr int kDecoupagesSansGain = 4;

struct Paire {
    int i, j;  // i < j
    double r;
};

struct Repere {
    Vec3 e1, e2;
};

Repere Tangentes(const Vec3& x) {
    const Vec3 axe = std::abs(x.x) < 0.6 ? Vec3{1, 0, 0} : (std::abs(x.y) < 0.6 ? Vec3{0, 1, 0} : Vec3{0, 0, 1});
    Vec3 e1 = cross(x, axe);
    setLength(e1, 1.0);
    return {e1, cross(x, e1)};
}

// In the order of the full scan (by j, then i).
std::vector<Paire> PairesProches(std::span<const Vec3> x, double limite) {
    std::vector<Paire> paires;
    ParcourirPairesProches(x, limite, [&](int a, int b, double c) {
        paires.push_back({std::min(a, b), std::max(a, b), std::sqrt(c)});
    });
    std::sort(paires.begin(), paires.end(), [](const Paire& a, const Paire& b) {
        return a.j < b.j || (a.j == b.j && a.i < b.i);
    });
    return paires;
}

class Programme {
  public:
    explicit Programme(int n) : n_(n), colonne_(n, 0), touchee_(n, 0), lp_(glp_create_prob()) {
        glp_set_obj_dir(lp_, GLP_MAX);
        glp_add_cols(lp_, 1);
        glp_set_col_bnds(lp_, kColonneT, GLP_UP, 0.0, 4.0);  // |n . (B_i v_i - B_j v_j)| < 2 sqrt 2
        glp_set_obj_coef(lp_, kColonneT, 1.0);
    }
    ~Programme() { glp_delete_prob(lp_); }
    Programme(const Programme&) = delete;
    Programme& operator=(const Programme&) = delete;

    // The iteration's rows and columns, the basis kept as far as it goes.
    // With `morceau`, only the particles of piece `numero` move: a pair
    // with one end outside keeps that end still and gives the other end
    // twice its weight, so that it takes on its own half of the pair's
    // margin (the other piece takes the other half).
    void Charger(std::span<const Vec3> x, const std::vector<Repere>& reperes, const std::vector<Paire>& paires,
                 double d, double h, std::span<const int> morceau = {}, int numero = 0) {
        const auto mobile = [&](int k) { return morceau.empty() || morceau[k] == numero; };
        std::vector<char>& touchee = touchee_;
        touchee.assign(n_, 0);
        std::unordered_map<uint64_t, int> indices;
        indices.reserve(2 * paires.size());
        for (int k = 0; k < static_cast<int>(paires.size()); ++k) {
            indices.emplace(Cle(paires[k].i, paires[k].j), k);
            if (mobile(paires[k].i)) touchee[paires[k].i] = 1;
            if (mobile(paires[k].j)) touchee[paires[k].j] = 1;
        }
        std::vector<int> ligneDe(paires.size(), 0);
        RetirerLignes(indices, ligneDe);
        RetirerColonnes(touchee);
        for (int k = 0; k < n_; ++k) {
            if (!touchee[k] || colonne_[k] != 0) continue;
            colonne_[k] = glp_add_cols(lp_, 2);
            for (int c = 0; c < 2; ++c) glp_set_col_bnds(lp_, colonne_[k] + c, GLP_DB, -1.0, 1.0);
        }
        std::vector<int> nouvelles;
        for (int k = 0; k < static_cast<int>(paires.size()); ++k) {
            if (ligneDe[k] == 0) nouvelles.push_back(k);
        }
        if (!nouvelles.empty()) {
            const int premiere = glp_add_rows(lp_, static_cast<int>(nouvelles.size()));  // slacks basic
            for (size_t m = 0; m < nouvelles.size(); ++m) {
                const Paire& p = paires[nouvelles[m]];
                ligneDe[nouvelles[m]] = premiere + static_cast<int>(m);
                cles_.push_back(Cle(p.i, p.j));
            }
        }
        for (int k = 0; k < static_cast<int>(paires.size()); ++k) {
            const Paire& p = paires[k];
            Vec3 u = difference(x[p.i], x[p.j]);
            u /= p.r;
            const int a = colonne_[p.i], b = colonne_[p.j];
            if (touchee[p.i] && touchee[p.j]) {
                const int ind[6] = {0, kColonneT, a, a + 1, b, b + 1};
                const double val[6] = {0.0, 1.0, -dot(u, reperes[p.i].e1), -dot(u, reperes[p.i].e2),
                                       dot(u, reperes[p.j].e1), dot(u, reperes[p.j].e2)};
                glp_set_mat_row(lp_, ligneDe[k], 5, ind, val);
            } else {
                const int m = touchee[p.i] ? p.i : p.j;
                const double poids = touchee[p.i] ? -2.0 : 2.0;
                const int ind[4] = {0, kColonneT, colonne_[m], colonne_[m] + 1};
                const double val[4] = {0.0, 1.0, poids * dot(u, reperes[m].e1), poids * dot(u, reperes[m].e2)};
                glp_set_mat_row(lp_, ligneDe[k], 3, ind, val);
            }
            glp_set_row_bnds(lp_, ligneDe[k], GLP_UP, 0.0, (p.r - d) / h);
        }
    }

    enum class Issue { optimum, arret, echec };

    Issue Resoudre(const ParametresTammes& p, long long& pivots) {
        glp_smcp parametres;
        glp_init_smcp(&parametres);
        parametres.msg_lev = GLP_MSG_OFF;
        // The dual simplex with the long-step ratio test, which flips many
        // coordinates from one bound to the other at each pivot: from the
        // program's first basis (t at its bound, every coordinate at one of
        // its own), a seventh of the pivots the primal simplex takes.
        parametres.meth = GLP_DUALP;
        parametres.r_test = GLP_RT_FLIP;
        parametres.presolve = GLP_OFF;
        // Slices counted in pivots, not in time: the path, and so the
        // positions, do not depend on the machine's speed.
        parametres.it_lim = p.pivotsParTranche > 0 ? p.pivotsParTranche : kPivotsParTranche;
        const int debut = glp_get_it_cnt(lp_);
        bool repare = false;
        for (;;) {
            const int r = glp_simplex(lp_, &parametres);
            pivots = glp_get_it_cnt(lp_) - debut;
            if (r == 0) return glp_get_status(lp_) == GLP_OPT ? Issue::optimum : Issue::echec;
            if (r == GLP_ETMLIM || r == GLP_EITLIM) {
                // The next slice restarts from this basis: the primal simplex
                // resumes where it stopped, where the dual one, once the basis
                // is no longer dual feasible, would begin its first phase
                // again and might never end.
                parametres.meth = GLP_PRIMAL;
                parametres.r_test = GLP_RT_HAR;
                if (p.pendantResolution) p.pendantResolution(pivots);
                if (p.arret != nullptr && p.arret->load()) return Issue::arret;
                continue;
            }
            // The kept basis turned singular with the new coefficients: a
            // basis built afresh, once.
            if (repare || (r != GLP_EBADB && r != GLP_ESING && r != GLP_ECOND)) return Issue::echec;
            glp_adv_basis(lp_, 0);
            repare = true;
        }
    }

    double T() const { return glp_get_col_prim(lp_, kColonneT); }

    // Particle k's move in its tangent coordinates (in units of h); 0 for a
    // particle outside the program.
    bool Mouvement(int k, double& a, double& b) const {
        if (!touchee_[k]) return false;
        a = glp_get_col_prim(lp_, colonne_[k]);
        b = glp_get_col_prim(lp_, colonne_[k] + 1);
        return true;
    }

  private:
    static constexpr int kColonneT = 1;

    uint64_t Cle(int i, int j) const { return static_cast<uint64_t>(i) * static_cast<uint64_t>(n_) + j; }

    // Rows of pairs still in the region are kept (ligneDe); the others go
    // if their slack is basic, else stay free.
    void RetirerLignes(const std::unordered_map<uint64_t, int>& indices, std::vector<int>& ligneDe) {
        std::vector<int> retirees{0};  // GLPK counts from 1
        std::vector<uint64_t> gardees;
        for (int r = 1; r <= static_cast<int>(cles_.size()); ++r) {
            const auto it = indices.find(cles_[r - 1]);
            if (it == indices.end() && glp_get_row_stat(lp_, r) == GLP_BS) {
                retirees.push_back(r);
                continue;
            }
            gardees.push_back(cles_[r - 1]);
            if (it != indices.end()) {
                ligneDe[it->second] = static_cast<int>(gardees.size());
            } else {
                glp_set_row_bnds(lp_, r, GLP_FR, 0.0, 0.0);
            }
        }
        if (retirees.size() > 1) glp_del_rows(lp_, static_cast<int>(retirees.size()) - 1, retirees.data());
        cles_ = std::move(gardees);
    }

    // Columns of particles no pair touches go once both are non-basic.
    void RetirerColonnes(const std::vector<char>& touchee) {
        std::vector<int> retirees{0};
        for (int k = 0; k < n_; ++k) {
            const int c = colonne_[k];
            if (c == 0 || touchee[k] || glp_get_col_stat(lp_, c) == GLP_BS || glp_get_col_stat(lp_, c + 1) == GLP_BS) {
                continue;
            }
            retirees.push_back(c);
            retirees.push_back(c + 1);
            colonne_[k] = 0;
        }
        if (retirees.size() == 1) return;
        glp_del_cols(lp_, static_cast<int>(retirees.size()) - 1, retirees.data());
        // The columns left keep their order: each moves down by the number of
        // removed columns before it.
        std::sort(retirees.begin() + 1, retirees.end());
        for (int& c : colonne_) {
            if (c != 0) c -= static_cast<int>(std::lower_bound(retirees.begin() + 1, retirees.end(), c) - retirees.begin() - 1);
        }
    }

    int n_;
    std::vector<int> colonne_;     // particle -> its first column, 0 outside the program
    std::vector<char> touchee_;    // particle -> in a pair of this iteration (else it stays)
    std::vector<uint64_t> cles_;   // row r -> its pair (at r - 1)
    glp_prob* lp_;
};

// GLPK keeps an environment per thread: each thread that solves programs
// frees its own on leaving.
struct EnvironnementGlpk {
    ~EnvironnementGlpk() { glp_free_env(); }
};

void PreparerGlpk() {
    thread_local EnvironnementGlpk environnement;
    (void)environnement;
    glp_term_out(GLP_OFF);
}

// A large set's program solved in pieces: the sphere cut into regions
// around points of a spiral, each region's particles moving in a program of
// their own while the others stay, its pairs with another region taking half
// their margin each (see Programme::Charger). The moves together keep every
// linearised distance above D + h T, T the smallest of the pieces' optima.
// The cut turns from one iteration to the next so that no pair stays
// across a border.
class Morceaux {
  public:
    Morceaux(int n, int taille)
        : n_(n), nombre_(std::max(2, (n + taille / 2) / taille)), morceau_(n, 0), centres_(nombre_) {
        for (int m = 0; m < nombre_; ++m) {
            const double z = 1.0 - (2.0 * m + 1.0) / nombre_;
            const double r = std::sqrt(std::max(0.0, 1.0 - z * z));
            centres_[m] = {r * std::cos(kAngleDOr * m), r * std::sin(kAngleDOr * m), z};
        }
    }

    // T (in units of h) and each particle's move (0, 0 for one that stays).
    Programme::Issue Resoudre(std::span<const Vec3> x, const std::vector<Repere>& reperes,
                              const std::vector<Paire>& paires, double d, double h, const ParametresTammes& p,
                              long long& pivots, double& t, std::vector<double>& va, std::vector<double>& vb) {
        Decouper(x);
        std::vector<std::vector<Paire>> paires_(nombre_);
        for (const Paire& q : paires) {
            paires_[morceau_[q.i]].push_back(q);
            if (morceau_[q.j] != morceau_[q.i]) paires_[morceau_[q.j]].push_back(q);
        }
        std::vector<std::vector<int>> membres(nombre_);
        for (int k = 0; k < n_; ++k) membres[morceau_[k]].push_back(k);
        va.assign(n_, 0.0);
        vb.assign(n_, 0.0);
        std::vector<double> optimum(nombre_, 0.0);
        std::vector<long long> pivotsDe(nombre_, 0);
        std::vector<Programme::Issue> issues(nombre_, Programme::Issue::optimum);
        ParametresTammes q = p;
        q.pendantResolution = nullptr;  // not from the workers
        const int equipe = PreparerEquipe(nombre_, 2);
#pragma omp parallel for num_threads(equipe) schedule(dynamic, 1) if (equipe > 1)
        for (int m = 0; m < nombre_; ++m) {
            if (p.arret != nullptr && p.arret->load()) {
                issues[m] = Programme::Issue::arret;
                continue;
            }
            PreparerGlpk();
            Programme programme(n_);
            programme.Charger(x, reperes, paires_[m], d, h, morceau_, m);
            issues[m] = programme.Resoudre(q, pivotsDe[m]);
            if (issues[m] != Programme::Issue::optimum) continue;
            optimum[m] = programme.T();
            for (int k : membres[m]) programme.Mouvement(k, va[k], vb[k]);
        }
        pivots = 0;
        t = 4.0;
        Programme::Issue issue = Programme::Issue::optimum;
        for (int m = 0; m < nombre_; ++m) {
            pivots += pivotsDe[m];
            t = std::min(t, optimum[m]);
            if (issues[m] == Programme::Issue::echec) issue = Programme::Issue::echec;
            if (issues[m] == Programme::Issue::arret && issue == Programme::Issue::optimum) issue = Programme::Issue::arret;
        }
        return issue;
    }

  private:
    // Turns the cut by a fixed rotation (an irrational angle about a skew
    // axis) and gives each particle the region of its nearest centre.
    void Decouper(std::span<const Vec3> x) {
        const Vec3 axe{0.2672612419124244, 0.5345224838248488, 0.8017837257372732};  // (1, 2, 3) / sqrt 14
        const double c = std::cos(kAngleDOr), s = std::sin(kAngleDOr);
        for (Vec3& v : centres_) {
            Vec3 w = cross(axe, v);
            const double a = dot(axe, v) * (1.0 - c);
            v = {v.x * c + w.x * s + axe.x * a, v.y * c + w.y * s + axe.y * a, v.z * c + w.z * s + axe.z * a};
            setLength(v, 1.0);
        }
        for (int k = 0; k < n_; ++k) {
            int meilleur = 0;
            double plusProche = -2.0;
            for (int m = 0; m < nombre_; ++m) {
                const double p = dot(x[k], centres_[m]);
                if (p > plusProche) {
                    plusProche = p;
                    meilleur = m;
                }
            }
            morceau_[k] = meilleur;
        }
    }

    static constexpr double kAngleDOr = 2.399963229728653;  // pi (3 - sqrt 5)
    int n_;
    int nombre_;
    std::vector<int> morceau_;  // particle -> its region
    std::vector<Vec3> centres_;
};

int Contacts(std::span<const Vec3> x, double d) {
    int contacts = 0;
    ParcourirPairesProches(x, d * (1.0 + kContact), [&](int, int, double) { ++contacts; });
    return contacts;
}

}  // namespace

BilanTammes PolirTammes(std::span<Vec3> x, const ParametresTammes& p) {
    BilanTammes bilan;
    const int n = static_cast<int>(x.size());
    if (n < 2) return bilan;
    PreparerGlpk();
    SeparerPositions(x);
    double d = DistanceMinimaleDe(x);
    bilan.distanceAvant = d;
    double h = kRegionInitiale * d;
    Programme programme(n);
    const int taille = p.particulesParMorceau > 0 ? p.particulesParMorceau : kParticulesParMorceau;
    const bool enMorceaux = p.particulesParMorceau > 0 || n > kSeuilMorceaux;
    Morceaux morceaux(enMorceaux ? n : 0, taille);
    int sansGain = 0;
    std::vector<double> va, vb;
    std::vector<Repere> reperes(n);
    std::vector<Vec3> essai(n);
    bilan.fin = FinTammes::iterations;
    while (bilan.iterations < p.iterationsMax) {
        if (p.arret != nullptr && p.arret->load()) {
            bilan.fin = FinTammes::arret;
            break;
        }
        if (h < kPlusPetiteRegion * d) {
            bilan.fin = FinTammes::stationnaire;
            break;
        }
        h = std::min(h, kRegionMax * d);
        for (int i = 0; i < n; ++i) reperes[i] = Tangentes(x[i]);
        long long pivots = 0;
        double t = 0.0;
        Programme::Issue issue;
        if (enMorceaux) {
            issue = morceaux.Resoudre(x, reperes, PairesProches(x, d + kMarge * h), d, h, p, pivots, t, va, vb);
        } else {
            programme.Charger(x, reperes, PairesProches(x, d + kMarge * h), d, h);
            issue = programme.Resoudre(p, pivots);
            if (issue == Programme::Issue::optimum) t = programme.T();
        }
        bilan.pivots += pivots;
        if (issue == Programme::Issue::arret) {
            bilan.fin = FinTammes::arret;
            break;
        }
        ++bilan.iterations;
        if (issue == Programme::Issue::echec) {
            bilan.fin = FinTammes::echec;
            break;
        }
        const double prevu = h * t;
        if (!(prevu > 1e-15 * d)) {  // the current point is stationary for the program
            if (enMorceaux && ++sansGain < kDecoupagesSansGain) {
                if (p.apresIteration) p.apresIteration(bilan.iterations, d);
                continue;
            }
            bilan.fin = FinTammes::stationnaire;
            break;
        }
        sansGain = 0;
        double plusGrand = 0.0;
        for (int i = 0; i < n; ++i) {
            essai[i] = x[i];
            double a = 0.0, b = 0.0;
            if (enMorceaux) {
                a = va[i];
                b = vb[i];
                if (a == 0.0 && b == 0.0) continue;
            } else if (!programme.Mouvement(i, a, b)) {
                continue;
            }
            Vec3 u = reperes[i].e1, w = reperes[i].e2;
            u *= h * a;
            w *= h * b;
            essai[i] += u;
            essai[i] += w;
            setLength(essai[i], 1.0);
            plusGrand = std::max({plusGrand, std::abs(a), std::abs(b)});
        }
        const double nouvelle = DistanceMinimaleDe(essai);
        const double rapport = (nouvelle - d) / prevu;
        if (nouvelle > d) {
            std::copy(essai.begin(), essai.end(), x.begin());
            d = nouvelle;
            ++bilan.pas;
            if (rapport > 0.75 && plusGrand > 0.99) h *= 2.0;
            if (rapport < 0.25) h *= 0.5;
        } else {
            h *= 0.25;
        }
        if (p.apresIteration) p.apresIteration(bilan.iterations, d);
    }
    bilan.distanceApres = d;
    bilan.contacts = Contacts(x, d);
    return bilan;
}
