// The descent: L-BFGS (memoire_lbfgs.h) on the objective log E on the sphere
// (objectif_riesz.h), each direction searched by a line search meeting the
// strong Wolfe conditions (recherche_lineaire.h).
//
// Once the criterion is below kSeuilLissage (the order of the neighbours
// settled), the recursion's initial inverse Hessian is P S P, S the
// neighbour smoothing (lissage.h) rebuilt every kRenouvellementLissage steps,
// P the projection onto the tangent planes (bench/README.md: what it saves).
#include "mathematiques/minimisation.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "mathematiques/lissage.h"
#include "mathematiques/memoire_lbfgs.h"
#include "mathematiques/objectif_riesz.h"
#include "mathematiques/recherche_lineaire.h"
#include "mathematiques/separation.h"

namespace {

constexpr ConditionsWolfe kWolfe{1e-4, 0.9, 30};
constexpr double kPasInitial = 0.1;         // largest move of a steepest step, in mean spacings
constexpr double kPasMax = 0.5;             // largest move of any step, in mean spacings
constexpr double kSeuilLissage = 3e-3;      // criterion below which the steps are smoothed
constexpr int kRenouvellementLissage = 50;  // steps between two neighbour graphs

double PlusGrandMouvement(const std::vector<Vec3>& direction) {
    double m = 0.0;
    for (const Vec3& v : direction) m = std::max(m, norm(v));
    return m;
}

class Descente {
  public:
    Descente(std::span<const Vec3> positions, const ParametresDescente& p)
        : p_(p), a_(EcartMoyen(static_cast<int>(positions.size()))), objectif_(positions, p.exposant),
          memoire_(p.memoire) {}

    BilanDescente Executer(std::span<Vec3> sortie) {
        BilanDescente bilan;
        for (;;) {
            bilan.critere = objectif_.Critere();
            if (!(bilan.critere > p_.tolerance)) {
                bilan.fin = FinDescente::critere;
                break;
            }
            if (bilan.iterations >= p_.iterationsMax) {
                bilan.fin = FinDescente::iterations;
                break;
            }
            if (p_.arret != nullptr && p_.arret->load()) {
                bilan.fin = FinDescente::arret;
                break;
            }
            if (!Iterer()) {
                bilan.fin = FinDescente::bloquee;
                break;
            }
            bilan.iterations = ++iterations_;
            if (p_.apresPas) {
                p_.apresPas({bilan.iterations, objectif_.LogEnergie(), objectif_.Variation(), objectif_.Critere(),
                             objectif_.Courant().x, objectif_.Evaluations(), objectif_.Courant().f,
                             objectif_.FacteurForces()});
            }
        }
        bilan.evaluations = objectif_.Evaluations();
        bilan.logEnergie = objectif_.LogEnergie();
        if (p_.estimerEcart) bilan.ecartEstime = EcartAuMinimum();
        std::copy(objectif_.Courant().x.begin(), objectif_.Courant().x.end(), sortie.begin());
        return bilan;
    }

  private:
    // One accepted step; false when even the steepest direction gives none.
    bool Iterer() {
        PreparerLissage();
        for (;;) {
            memoire_.Diriger(objectif_.Courant().g, lissage_.Pret() ? &lisser_ : nullptr, direction_);
            ProjeterTangentes(objectif_.Courant().x, direction_);
            const double dphi0 = ProduitScalaire(objectif_.Courant().g, direction_);
            const double m = PlusGrandMouvement(direction_);
            if (!(dphi0 < 0.0) || !(m > 0.0)) {
                if (!Recommencer()) return false;
                continue;
            }
            const double alphaMax = std::min(kPasMax * a_, objectif_.PasSelonEchelle()) / m;
            const double alpha = memoire_.Vide() ? kPasInitial * a_ / m : 1.0;
            const auto essayer = [this](double t) { return objectif_.Essayer(direction_, t); };
            PointSphere pris;
            if (ChercherPas(essayer, dphi0, std::min(alpha, alphaMax), alphaMax, kWolfe, pris)) {
                std::vector<Vec3> s, y;
                objectif_.Accepter(std::move(pris), s, y);
                memoire_.Retenir(std::move(s), std::move(y));
                return true;
            }
            if (!Recommencer()) return false;
        }
    }

    // The quasi-Newton model's drop of log E from here to the minimum,
    // -g.d/2 with d = -H g the memory's direction; 0 with no memory.
    double EcartAuMinimum() {
        if (memoire_.Vide()) return 0.0;
        memoire_.Diriger(objectif_.Courant().g, nullptr, direction_);
        ProjeterTangentes(objectif_.Courant().x, direction_);
        return std::max(0.0, -0.5 * ProduitScalaire(objectif_.Courant().g, direction_));
    }

    // After a direction that gives no step: the steepest direction, smoothed
    // and then plain (the graph is built again at the next step); false when
    // even that was tried.
    bool Recommencer() {
        if (!memoire_.Vide()) {
            memoire_.Oublier();
        } else if (lissage_.Pret()) {
            lissage_.Oublier();
        } else {
            return false;
        }
        return true;
    }

    void PreparerLissage() {
        if (!(objectif_.Critere() < kSeuilLissage)) return;
        if (lissage_.Pret() && iterations_ - construction_ < kRenouvellementLissage) return;
        lissage_.Construire(objectif_.Courant().x, p_.exposant);
        construction_ = iterations_;
    }

    // v := P S P v at the current point.
    void Lisser(std::vector<Vec3>& v) const {
        ProjeterTangentes(objectif_.Courant().x, v);
        lissage_.Appliquer(v, v);
        ProjeterTangentes(objectif_.Courant().x, v);
    }

    const ParametresDescente& p_;
    const double a_;  // mean spacing
    ObjectifRiesz objectif_;
    MemoireLbfgs memoire_;
    LissageVoisins lissage_;
    const Preconditionneur lisser_ = [this](std::vector<Vec3>& v) { Lisser(v); };
    std::vector<Vec3> direction_;
    long long iterations_ = 0, construction_ = 0;
};

}  // namespace

BilanDescente Minimiser(std::span<Vec3> positions, const ParametresDescente& parametres) {
    if (positions.size() < 2) return {};
    SeparerPositions(positions);
    Descente d(positions, parametres);
    return d.Executer(positions);
}
