// The energies compared are log E (E the sum of r^-s), so that the
// temperature means the same at every N and every s. Three perturbations, in
// turn at random: a few particles sent to random places; a random cap turned
// by a random angle about its axis; the particle of highest
// potential sent to the emptiest spot found among random candidates; above
// N = 200 also, now and then, a new configuration within a point group. The
// temperature is multiplied or divided by kFacteur every kFenetre hops to keep
// about half the hops accepted; after kRetour hops without a new lowest
// minimum the search goes back to the lowest.
#include "mathematiques/exploration.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <deque>
#include <numbers>
#include <thread>
#include <vector>

#include "etat/parallele.h"
#include "etat/reveil.h"
#include "mathematiques/depart_symetrique.h"
#include "mathematiques/hasard.h"
#include "mathematiques/riesz.h"

namespace {

constexpr double kTemperatureInitiale = 1e-6;
constexpr int kFenetre = 10;
constexpr double kCible = 0.5;
constexpr double kFacteur = 1.3;
constexpr long long kRetour = 100;
constexpr double kMemeMinimum = 1e-13;  // |difference of log E| below which two minima are one
// The hops' descents stop at this tolerance (their energies then within about
// 1e-12 of the minimum's, above it, enough to compare basins: kMemeBassin); a
// hop below the lowest minimum is finished at the full tolerance before it is
// kept as the lowest.
constexpr double kToleranceSauts = 1e-6;
constexpr double kMemeBassin = 1e-11;
// How far above its minimum's log E a descent may have stopped: the larger
// of kMargeCritere c^2 (c its criterion) and kMargeModele times its L-BFGS
// model's own estimate. Measured at s = -2 to 12, N = 20 to 1000 (hops at
// 1e-6): the gap was at most 4 c^2 for s > 0 and 200 c^2 or 75 estimates
// below, unless the descent stopped on a shoulder and the finishing one
// went on to another minimum, which no bound at the end foresees.
constexpr double kMargeCritere = 30.0;
constexpr double kMargeModele = 100.0;

double EcartPossible(const BilanDescente& d) {
    return std::max(kMargeCritere * d.critere * d.critere, kMargeModele * d.ecartEstime);
}

int Indice(int n, FluxHasard& h) { return std::min(n - 1, static_cast<int>(n * h.Reel())); }

void DeplacerQuelques(std::span<Vec3> x, FluxHasard& h) {
    const int n = static_cast<int>(x.size());
    const int k = std::min(n, 1 + static_cast<int>(3 * h.Reel()));
    for (int m = 0; m < k; ++m) h.PointSphere(x[Indice(n, h)], 1.0);
}

// v turned by angle t about the unit axis a (Rodrigues).
Vec3 Tourner(const Vec3& v, const Vec3& a, double t) {
    const double c = std::cos(t), s = std::sin(t);
    const Vec3 axv = cross(a, v);
    const double av = dot(a, v) * (1.0 - c);
    return {v.x * c + axv.x * s + a.x * av, v.y * c + axv.y * s + a.y * av, v.z * c + axv.z * s + a.z * av};
}

// A cap turned by any angle, holding from 5 % to 50 % of the sphere up to
// N = 200, and from 5 % to 50 % of 100 particles' worth from N = 400 (of
// 40000 / N between). At large counts half the sphere turned is a grain
// boundary whose descent is long and ends far above, where caps of tens of
// particles move the defects; at N = 122 and 200 the larger caps found the
// minimum sooner (bench/README.md, "Walkers").
void TournerCalotte(std::span<Vec3> x, FluxHasard& h) {
    Vec3 axe;
    h.PointSphere(axe, 1.0);
    const double n = static_cast<double>(x.size());
    const double u = 0.05 + 0.45 * h.Reel();
    const double part = n <= 200.0 ? u : u * std::max(100.0, 40000.0 / n) / n;
    const double seuil = 1.0 - 2.0 * part;
    const double angle = 2.0 * std::numbers::pi * h.Reel();
    for (Vec3& v : x) {
        if (dot(v, axe) > seuil) v = Tourner(v, axe, angle);
    }
}

void ComblerTrou(std::span<Vec3> x, double s, FluxHasard& h) {
    const int n = static_cast<int>(x.size());
    std::vector<double> potentiels(n);
    PotentielsRiesz(x, s, std::max(DistanceMinimaleDe(x), 1e-300), potentiels);
    const int i = static_cast<int>(std::max_element(potentiels.begin(), potentiels.end()) - potentiels.begin());
    Vec3 meilleur = x[i];
    double plusVide = -1.0;
    const int candidats = std::max(100, 4 * n);
    for (int c = 0; c < candidats; ++c) {
        Vec3 q;
        h.PointSphere(q, 1.0);
        double proche = 5.0;
        for (int j = 0; j < n; ++j) {
            if (j != i) proche = std::min(proche, squaredDistance(q, x[j]));
        }
        if (proche > plusVide) {
            plusVide = proche;
            meilleur = q;
        }
    }
    x[i] = meilleur;
}

// Above N = 200 a fifth of the hops draw a configuration afresh within a
// random point group: where the lowest arrangement has one, such starts
// reach its funnel, which hops from another funnel seldom do (N = 282 and
// 470: bench/README.md, "Symmetric starts").
constexpr size_t kSymetriquesDes = 200;
constexpr double kPartSymetriques = 0.2;

void Perturber(std::span<Vec3> x, double s, FluxHasard& h) {
    if (x.size() > kSymetriquesDes && h.Reel() < kPartSymetriques) {
        TirerSymetrique(x, h);
        return;
    }
    const double u = h.Reel();
    if (u < 1.0 / 3) {
        DeplacerQuelques(x, h);
    } else if (u < 2.0 / 3) {
        TournerCalotte(x, h);
    } else {
        ComblerTrou(x, s, h);
    }
}

bool Arret(const std::atomic<bool>* arret) { return arret != nullptr && arret->load(); }

// One walker's state between hops: its stream, its current and lowest
// minima, its temperature.
class Marcheur {
public:
    // With `ailleurs`, the walker starts from points of its own stream
    // rather than from `depart` (only their number counts then).
    Marcheur(std::span<const Vec3> depart, const ParametresExploration& p, long graine, bool ailleurs)
        : flux_(graine),
          courant_(depart.begin(), depart.end()),
          essai_(depart.size()),
          garderSaut_(static_cast<bool>(p.minimumDuSaut)) {
        if (ailleurs) {
            for (Vec3& v : courant_) flux_.PointSphere(v, 1.0);
        }
        descente_ = p.descente;
        descente_.arret = p.arret;
        descente_.apresPas = nullptr;
        descente_.estimerEcart = garderSaut_;
        descenteSaut_ = descente_;
        descenteSaut_.tolerance = std::max(descente_.tolerance, kToleranceSauts);
        descendre_ = p.descendre;
        affiner_ = !descendre_;
        if (!descendre_) descendre_ = [](std::span<Vec3> x, const ParametresDescente& d) { return Minimiser(x, d); };
    }

    // The start's own descent; false when stopped.
    bool Demarrer() {
        const BilanDescente d = descendre_(courant_, descente_);
        evaluations_ += d.evaluations;
        eCourant_ = logMeilleur_ = d.logEnergie;
        meilleur_ = courant_;
        if (garderSaut_) Garder(courant_, d);
        dernier_.logEnergie = d.logEnergie;
        return d.fin != FinDescente::arret;
    }

    enum class Issue { rien, nouveau, arret };

    Issue Sauter() {
        essai_ = courant_;
        Perturber(essai_, descente_.exposant, flux_);
        BilanDescente d = descendre_(essai_, affiner_ ? descenteSaut_ : descente_);
        evaluations_ += d.evaluations;
        if (affiner_ && d.fin != FinDescente::arret && d.logEnergie < logMeilleur_ - kMemeMinimum) {
            d = descendre_(essai_, descente_);
            evaluations_ += d.evaluations;
        }
        if (d.fin == FinDescente::arret) return Issue::arret;  // an unfinished descent is no minimum
        ++sauts_;
        if (garderSaut_) Garder(essai_, d);
        const double ecart = d.logEnergie - eCourant_;
        dernier_ = {d.logEnergie, false, temperature_};
        if (ecart < kMemeBassin || flux_.Reel() < std::exp(-ecart / temperature_)) {
            std::swap(courant_, essai_);
            eCourant_ = d.logEnergie;
            ++acceptes_;
            ++acceptesFenetre_;
            dernier_.accepte = true;
        }
        Issue issue = Issue::rien;
        if (eCourant_ < logMeilleur_ - kMemeMinimum) {
            meilleur_ = courant_;
            logMeilleur_ = eCourant_;
            depuisMeilleur_ = 0;
            issue = Issue::nouveau;
        } else if (++depuisMeilleur_ >= kRetour) {
            courant_ = meilleur_;
            eCourant_ = logMeilleur_;
            depuisMeilleur_ = 0;
        }
        if (sauts_ % kFenetre == 0) {
            temperature_ *= acceptesFenetre_ > kCible * kFenetre ? 1.0 / kFacteur : kFacteur;
            acceptesFenetre_ = 0;
        }
        return issue;
    }

    // After a meeting: start again from the group's lowest when the current
    // minimum lies more than `ecart` temperatures above it.
    void Rejoindre(double logGroupe, const std::vector<Vec3>& groupe, double ecart) {
        if (!(logGroupe < logMeilleur_ - kMemeMinimum)) return;  // the walker holds it
        if (!(eCourant_ - logGroupe > ecart * temperature_)) return;
        courant_ = groupe;
        eCourant_ = logMeilleur_ = logGroupe;
        meilleur_ = groupe;
        depuisMeilleur_ = 0;
    }

    // The last descent's minimum for the owner, as it ended.
    void Garder(const std::vector<Vec3>& x, const BilanDescente& d) {
        saut_ = x;
        ecartSaut_ = EcartPossible(d);
        critereSaut_ = d.critere;
    }

    long long Sauts() const { return sauts_; }
    double Secondes() const { return std::chrono::duration<double>(std::chrono::steady_clock::now() - debut_).count(); }
    long long Acceptes() const { return acceptes_; }
    long long Evaluations() const { return evaluations_; }
    double LogMeilleur() const { return logMeilleur_; }
    const std::vector<Vec3>& Meilleur() const { return meilleur_; }
    // The last descent's minimum, kept when the owner asks for every hop's.
    bool GarderSaut() const { return garderSaut_; }
    const std::vector<Vec3>& PositionsSaut() const { return saut_; }
    double EcartSaut() const { return ecartSaut_; }
    double CritereSaut() const { return critereSaut_; }
    struct Saut {
        double logEnergie = 0.0;
        bool accepte = true;  // the start's descent
        double temperature = kTemperatureInitiale;
    };
    const Saut& Dernier() const { return dernier_; }

private:
    const std::chrono::steady_clock::time_point debut_ = std::chrono::steady_clock::now();
    FluxHasard flux_;
    ParametresDescente descente_, descenteSaut_;
    std::function<BilanDescente(std::span<Vec3>, const ParametresDescente&)> descendre_;
    bool affiner_ = true;  // a hop below the lowest is finished at the full tolerance
    std::vector<Vec3> courant_, meilleur_, essai_, saut_;
    const bool garderSaut_;
    double ecartSaut_ = 0.0, critereSaut_ = 0.0;
    double eCourant_ = 0.0, logMeilleur_ = 0.0;
    double temperature_ = kTemperatureInitiale;
    int acceptesFenetre_ = 0;
    long long sauts_ = 0, acceptes_ = 0, evaluations_ = 0, depuisMeilleur_ = 0;
    Saut dernier_;
};

Rapport RapportDe(const Marcheur& m, int compte, int marcheur, bool minimum) {
    Rapport r;
    r.compte = compte;
    r.marcheur = marcheur;
    r.saut = m.Sauts();
    r.minimum = minimum;
    r.secondes = m.Secondes();
    r.logSaut = m.Dernier().logEnergie;
    r.accepte = m.Dernier().accepte;
    r.temperature = m.Dernier().temperature;
    r.logMeilleurMarcheur = m.LogMeilleur();
    if (minimum) {
        r.logEnergie = m.LogMeilleur();
        r.positions = m.Meilleur();
    }
    return r;
}

// A hop's report, with the hop's minimum when the owner asks for it.
Rapport RapportDuSaut(const Marcheur& m, int compte, int marcheur, bool minimum) {
    Rapport r = RapportDe(m, compte, marcheur, minimum);
    r.avecSaut = m.GarderSaut();
    if (r.avecSaut) {
        r.positionsSaut = m.PositionsSaut();
        r.ecartSaut = m.EcartSaut();
        r.critereSaut = m.CritereSaut();
    }
    return r;
}

}  // namespace

void Marcher(std::span<Vec3> positions, const ParametresExploration& p, int marcheur, long graine,
             Echange& echange, int compte) {
    // Walker 0 starts from the positions given, the others each from a
    // random placement of their own: starts as different as the hops.
    Marcheur m(positions, p, graine, marcheur > 0);
    const auto horsDelai = [&] { return p.secondes > 0.0 && m.Secondes() >= p.secondes; };
    bool arreter = !m.Demarrer();
    echange.Rapporter(RapportDuSaut(m, compte, marcheur, true));  // stopped or not, the start's minimum
    std::vector<Vec3> groupe;
    for (;;) {
        const long long prochaine = p.partage > 0 ? m.Sauts() + p.partage : p.sauts;
        while (!arreter && m.Sauts() < std::min(prochaine, p.sauts)) {
            if (Arret(p.arret) || horsDelai()) {
                arreter = true;
                break;
            }
            const Marcheur::Issue issue = m.Sauter();
            if (issue == Marcheur::Issue::arret) {
                arreter = true;
                break;
            }
            echange.Rapporter(RapportDuSaut(m, compte, marcheur, issue == Marcheur::Issue::nouveau));
        }
        double logGroupe = m.LogMeilleur();
        groupe = m.Meilleur();
        const bool fin = echange.Rencontrer(marcheur, logGroupe, groupe, arreter || m.Sauts() >= p.sauts);
        if (fin) break;
        m.Rejoindre(logGroupe, groupe, p.ecartPartage);
    }
    std::copy(groupe.begin(), groupe.end(), positions.begin());
    Rapport r = RapportDe(m, compte, marcheur, false);
    r.fin = true;
    r.sauts = m.Sauts();
    r.acceptes = m.Acceptes();
    r.evaluations = m.Evaluations();
    echange.Rapporter(std::move(r));
}

std::vector<long> GrainesDesMarcheurs(int n) {
    std::vector<long> graines(static_cast<size_t>(std::max(1, n)));
    for (long& g : graines) g = std::min(kGraineMax, static_cast<long>(TirerReel() * (kGraineMax + 1.0)));
    return graines;
}

BilanExploration Explorer(std::span<Vec3> positions, const ParametresExploration& p) {
    BilanExploration bilan;
    if (positions.size() < 2) return bilan;
    const std::vector<long> graines = p.graines.empty() ? GrainesDesMarcheurs(1) : p.graines;
    const int marcheurs = static_cast<int>(graines.size());
    AnnoncesDuGroupe annonces(marcheurs);
    long long finis = -1;
    std::deque<Rapport> sauts;  // hops' minima not yet handed on, in (hop, walker) order
    const auto traiter = [&](Rapport&& r) {
        if (p.chaqueRapport) p.chaqueRapport(r);
        if (r.avecSaut) {
            Rapport s;
            s.saut = r.saut;
            s.marcheur = r.marcheur;
            s.logSaut = r.logSaut;
            s.ecartSaut = r.ecartSaut;
            s.critereSaut = r.critereSaut;
            s.positionsSaut = std::move(r.positionsSaut);
            sauts.insert(std::upper_bound(sauts.begin(), sauts.end(), s, Avant), std::move(s));
        }
        annonces.Recevoir(std::move(r));
        for (; !sauts.empty() && annonces.Connu(sauts.front().saut, sauts.front().marcheur); sauts.pop_front()) {
            const Rapport& s = sauts.front();
            p.minimumDuSaut({s.saut, s.marcheur, s.logSaut, s.ecartSaut, s.critereSaut, s.positionsSaut});
        }
        for (Rapport a; annonces.Suivante(a);) {
            if (p.nouveauMinimum) p.nouveauMinimum(a.saut, a.logEnergie, a.positions);
        }
        if (annonces.SautsFinis() > finis && annonces.LogMeilleur() < HUGE_VAL) {
            finis = annonces.SautsFinis();
            if (p.apresSaut && finis > 0) p.apresSaut(finis, annonces.LogMeilleur());
        }
    };
    if (marcheurs == 1) {
        EchangeFils seul(1, traiter);
        Marcher(positions, p, 0, graines[0], seul);
    } else {
        const ReveilPrompt prompt;  // before the walkers take the cores
        FileRapports file;
        EchangeFils echange(marcheurs, [&file](Rapport&& r) { file.Deposer(std::move(r)); });
        std::vector<std::vector<Vec3>> copies(static_cast<size_t>(marcheurs),
                                              std::vector<Vec3>(positions.begin(), positions.end()));
        std::vector<std::thread> fils;
        for (int w = 0; w < marcheurs; ++w) {
            fils.emplace_back([&, w] {
                ImposerEquipeDuFil(1);
                Marcher(copies[static_cast<size_t>(w)], p, w, graines[static_cast<size_t>(w)], echange);
            });
        }
        while (!annonces.Fini()) {
            Rapport r;
            if (file.Recevoir(r, std::chrono::milliseconds(100))) traiter(std::move(r));
        }
        for (std::thread& f : fils) f.join();
        std::copy(copies[0].begin(), copies[0].end(), positions.begin());
    }
    bilan.marcheurs = marcheurs;
    bilan.sauts = annonces.sauts;
    bilan.evaluations = annonces.evaluations;
    bilan.meilleurSaut = annonces.SautMeilleur();
    bilan.logEnergie = annonces.LogMeilleur();
    bilan.acceptation = bilan.sauts > 0 ? static_cast<double>(annonces.acceptes) / bilan.sauts : 0.0;
    return bilan;
}
