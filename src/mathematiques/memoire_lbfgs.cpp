// The recursion costs 4m products and 2m updates per direction. Every
// product adds the same terms into the same partial sums whatever the
// instruction set chosen at load time, so a descent repeats bit for bit.
#include "mathematiques/memoire_lbfgs.h"

#include <cmath>

#include "etat/vectoriel.h"

static_assert(sizeof(Vec3) == 3 * sizeof(double));

namespace {

const double* Composantes(const std::vector<Vec3>& v) { return reinterpret_cast<const double*>(v.data()); }
double* Composantes(std::vector<Vec3>& v) { return reinterpret_cast<double*>(v.data()); }

// The copies stay inside this file: Clang names a function with clones
// apart from its plain declaration, so the exported product calls its own.
VECTORIEL double Produit(const std::vector<Vec3>& va, const std::vector<Vec3>& vb) {
    const double* a = Composantes(va);
    const double* b = Composantes(vb);
    const size_t n = 3 * va.size();
    double p[8] = {0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        for (int k = 0; k < 8; ++k) p[k] += a[i + k] * b[i + k];
    }
    for (int k = 0; i < n; ++i, ++k) p[k] += a[i] * b[i];
    return ((p[0] + p[4]) + (p[1] + p[5])) + ((p[2] + p[6]) + (p[3] + p[7]));
}

VECTORIEL void Ajouter(std::vector<Vec3>& vv, double c, const std::vector<Vec3>& vw) {
    double* v = Composantes(vv);
    const double* w = Composantes(vw);
    const size_t n = 3 * vv.size();
    for (size_t i = 0; i < n; ++i) v[i] += c * w[i];
}

}  // namespace

double ProduitScalaire(const std::vector<Vec3>& a, const std::vector<Vec3>& b) { return Produit(a, b); }

bool MemoireLbfgs::Retenir(std::vector<Vec3> s, std::vector<Vec3> y) {
    const double sy = Produit(s, y);
    if (!(sy > 1e-12 * std::sqrt(Produit(s, s) * Produit(y, y)))) return false;
    paires_.push_back({std::move(s), std::move(y), 1.0 / sy});
    if (static_cast<int>(paires_.size()) > capacite_) paires_.pop_front();
    return true;
}

void MemoireLbfgs::Diriger(const std::vector<Vec3>& g, const Preconditionneur* h0, std::vector<Vec3>& d) {
    d = g;
    a_.resize(paires_.size());
    for (size_t k = paires_.size(); k-- > 0;) {
        a_[k] = paires_[k].rho * Produit(paires_[k].s, d);
        Ajouter(d, -a_[k], paires_[k].y);
    }
    if (h0 != nullptr) {
        (*h0)(d);
        if (!paires_.empty()) {
            const Paire& p = paires_.back();
            h0y_ = p.y;
            (*h0)(h0y_);
            const double gamma = 1.0 / (p.rho * Produit(p.y, h0y_));
            for (Vec3& v : d) v *= gamma;
        }
    } else if (!paires_.empty()) {
        const Paire& p = paires_.back();
        const double gamma = 1.0 / (p.rho * Produit(p.y, p.y));
        for (Vec3& v : d) v *= gamma;
    }
    for (size_t k = 0; k < paires_.size(); ++k) {
        const double b = paires_[k].rho * Produit(paires_[k].y, d);
        Ajouter(d, a_[k] - b, paires_[k].s);
    }
    for (Vec3& v : d) v *= -1.0;
}
