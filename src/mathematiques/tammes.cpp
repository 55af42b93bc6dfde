// The program of one iteration, D the smallest distance, h the region's
// half-width: maximise t over t and v (two tangent coordinates per particle,
// each in [-1, 1], the move being h v) subject to, for every pair (i, j)
// closer than D + 3h (no other pair can become the closest within the
// region),
//     t - n_ij . (B_i v_i - B_j v_j) <= (r_ij - D) / h,
// n_ij the unit vector from j to i and B_i the tangent basis at i: the
// linearised distances divided by h, less D, so that the program stays well
// scaled however small h becomes. D + h t is the predicted smallest distance.
#include "mathematiques/tammes.h"

#include <glpk.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "mathematiques/separation.h"

namespace {

constexpr double kRegionInitiale = 0.05;  // half-width, in units of D
constexpr double kMarge = 3.0;            // pairs closer than D + kMarge h
constexpr double kPlusPetiteRegion = 1e-13;  // in units of D: below, rounding decides
constexpr double kContact = 1e-9;         // relative, for the count of contacts

struct Paire {
    int i, j;
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

double PlusPetiteDistance(std::span<const Vec3> x) {
    double m = 5.0;
    for (size_t j = 1; j < x.size(); ++j) {
        for (size_t i = 0; i < j; ++i) m = std::min(m, squaredDistance(x[i], x[j]));
    }
    return std::sqrt(m);
}

std::vector<Paire> PairesProches(std::span<const Vec3> x, double limite) {
    std::vector<Paire> paires;
    const double l2 = limite * limite;
    for (int j = 1; j < static_cast<int>(x.size()); ++j) {
        for (int i = 0; i < j; ++i) {
            const double s = squaredDistance(x[i], x[j]);
            if (s < l2) paires.push_back({i, j, std::sqrt(s)});
        }
    }
    return paires;
}

struct Programme {
    double t = 0.0;         // optimum, in units of h above D
    std::vector<double> v;  // 2 per particle
};

struct Liberer {
    void operator()(glp_prob* p) const { glp_delete_prob(p); }
};

// Solves the program; false when GLPK finds no optimum.
bool Resoudre(std::span<const Vec3> x, const std::vector<Repere>& reperes, const std::vector<Paire>& paires, double d,
              double h, Programme& sortie) {
    const int n = static_cast<int>(x.size());
    const std::unique_ptr<glp_prob, Liberer> lp(glp_create_prob());
    glp_set_obj_dir(lp.get(), GLP_MAX);
    glp_add_cols(lp.get(), 2 * n + 1);
    for (int c = 1; c <= 2 * n; ++c) glp_set_col_bnds(lp.get(), c, GLP_DB, -1.0, 1.0);
    const int colonneT = 2 * n + 1;
    glp_set_col_bnds(lp.get(), colonneT, GLP_UP, 0.0, 4.0);  // |n . (B_i v_i - B_j v_j)| < 2 sqrt 2
    glp_set_obj_coef(lp.get(), colonneT, 1.0);
    glp_add_rows(lp.get(), static_cast<int>(paires.size()));
    std::vector<int> ia{0}, ja{0};
    std::vector<double> ar{0.0};
    auto mettre = [&](int ligne, int colonne, double valeur) {
        ia.push_back(ligne);
        ja.push_back(colonne);
        ar.push_back(valeur);
    };
    for (size_t k = 0; k < paires.size(); ++k) {
        const Paire& p = paires[k];
        const int ligne = static_cast<int>(k) + 1;
        Vec3 u = difference(x[p.i], x[p.j]);
        u /= p.r;
        glp_set_row_bnds(lp.get(), ligne, GLP_UP, 0.0, (p.r - d) / h);
        mettre(ligne, colonneT, 1.0);
        mettre(ligne, 2 * p.i + 1, -dot(u, reperes[p.i].e1));
        mettre(ligne, 2 * p.i + 2, -dot(u, reperes[p.i].e2));
        mettre(ligne, 2 * p.j + 1, dot(u, reperes[p.j].e1));
        mettre(ligne, 2 * p.j + 2, dot(u, reperes[p.j].e2));
    }
    glp_load_matrix(lp.get(), static_cast<int>(ia.size()) - 1, ia.data(), ja.data(), ar.data());
    glp_smcp parametres;
    glp_init_smcp(&parametres);
    parametres.msg_lev = GLP_MSG_OFF;
    parametres.presolve = GLP_OFF;
    if (glp_simplex(lp.get(), &parametres) != 0 || glp_get_status(lp.get()) != GLP_OPT) return false;
    sortie.t = glp_get_obj_val(lp.get());
    sortie.v.resize(2 * n);
    for (int c = 0; c < 2 * n; ++c) sortie.v[c] = glp_get_col_prim(lp.get(), c + 1);
    return true;
}

int Contacts(std::span<const Vec3> x, double d) {
    return static_cast<int>(PairesProches(x, d * (1.0 + kContact)).size());
}

}  // namespace

BilanTammes PolirTammes(std::span<Vec3> x, const ParametresTammes& p) {
    BilanTammes bilan;
    const int n = static_cast<int>(x.size());
    if (n < 2) return bilan;
    glp_term_out(GLP_OFF);
    SeparerPositions(x);
    double d = PlusPetiteDistance(x);
    bilan.distanceAvant = d;
    double h = kRegionInitiale * d;
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
        for (int i = 0; i < n; ++i) reperes[i] = Tangentes(x[i]);
        const std::vector<Paire> paires = PairesProches(x, d + kMarge * h);
        Programme prog;
        ++bilan.iterations;
        if (!Resoudre(x, reperes, paires, d, h, prog)) {
            bilan.fin = FinTammes::echec;
            break;
        }
        const double prevu = h * prog.t;
        if (!(prevu > 1e-15 * d)) {  // the current point is stationary for the program
            bilan.fin = FinTammes::stationnaire;
            break;
        }
        double plusGrand = 0.0;
        for (int i = 0; i < n; ++i) {
            Vec3 a = reperes[i].e1, b = reperes[i].e2;
            a *= h * prog.v[2 * i];
            b *= h * prog.v[2 * i + 1];
            essai[i] = x[i];
            essai[i] += a;
            essai[i] += b;
            setLength(essai[i], 1.0);
            plusGrand = std::max({plusGrand, std::abs(prog.v[2 * i]), std::abs(prog.v[2 * i + 1])});
        }
        const double nouvelle = PlusPetiteDistance(essai);
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
