// The memory of limited-memory BFGS: the last curvature pairs (s, y) and the
// two-loop recursion that turns a gradient into a search direction
// (Nocedal and Wright, ch. 7, algorithm 7.4), on vectors of Vec3. The
// recursion's initial inverse Hessian is gamma H0, gamma = s.y / y.H0 y of
// the newest pair, H0 a preconditioner the caller gives or the identity.
#pragma once

#include <deque>
#include <functional>
#include <vector>

#include "etat/vec3.h"

// a . b over the 3n doubles, with eight partial sums instead of one chain
// of additions each waiting for the last, so that they run in vector
// registers; the same bits on every instruction set. The recursion's updates
// run the same way.
double ProduitScalaire(const std::vector<Vec3>& a, const std::vector<Vec3>& b);

// v := H0 v, symmetric and positive definite.
using Preconditionneur = std::function<void(std::vector<Vec3>&)>;

class MemoireLbfgs {
  public:
    explicit MemoireLbfgs(int capacite) : capacite_(capacite < 1 ? 1 : capacite) {}

    // Keeps the pair when its curvature s.y is positive beyond rounding (a
    // pair without it would make the recursion's matrix indefinite, ch. 6),
    // forgetting the oldest past the capacity. Returns whether it was kept.
    bool Retenir(std::vector<Vec3> s, std::vector<Vec3> y);
    bool Vide() const { return paires_.empty(); }
    void Oublier() { paires_.clear(); }

    // d := -H g by the two-loop recursion, H0 = h0 when given. Without pairs,
    // -h0 g (or -g).
    void Diriger(const std::vector<Vec3>& g, const Preconditionneur* h0, std::vector<Vec3>& d);

  private:
    struct Paire {
        std::vector<Vec3> s, y;
        double rho;  // 1 / s.y
    };
    std::deque<Paire> paires_;
    int capacite_;
    std::vector<double> a_;  // the first loop's coefficients
    std::vector<Vec3> h0y_;  // H0 y of the newest pair
};
