// Minimisation commands. MINIMISER, EXPLORER and TAMMES work on a copy of
// the positions and take the state lock only to copy them in and out, so
// that the viewer can draw meanwhile; after each step the copy is shown to it
// when the lock is free. They end with the counted commands' closing lines.
#include "shell/commandes_minimisation.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

#include "etat/modes.h"
#include "etat/particules.h"
#include "hull/enveloppe.h"
#include "mathematiques/defauts.h"
#include "mathematiques/exploration.h"
#include "mathematiques/metriques.h"
#include "mathematiques/minimisation.h"
#include "mathematiques/minimum_local.h"
#include "mathematiques/objectif_riesz.h"
#include "mathematiques/riesz.h"
#include "mathematiques/saut_tammes.h"
#include "mathematiques/tammes.h"
#include "shell/avertissements.h"
#include "shell/boucle.h"
#include "shell/boucle_comptee.h"
#include "shell/commandes.h"
#include "shell/commandes_minima.h"
#include "shell/commandes_symetrie.h"
#include "shell/messages.h"
#include "shell/progression.h"
#include "shell/trace.h"
#include "store/best_store.h"
#include "ternex/ternex.h"

namespace {

std::vector<Vec3> PositionsCourantes() {
    Garde verrou(verrouEtat);
    return CopierPositions();
}

// Between steps: only when no frame holds the lock.
void Montrer(std::span<const Vec3> p) {
    if (!verrouEtat.try_lock()) return;
    CopierDansLEtat(p);
    verrouEtat.unlock();
}

// The result becomes the configuration; returns the clock at the end of the
// computation.
long long Installer(std::span<const Vec3> p) {
    const long long fin = Horloge();
    Garde verrou(verrouEtat);
    CopierDansLEtat(p);
    return fin;
}

// Runs calcul on a copy of the positions, the stop flag cleared first, and
// installs the result; debut and fin are the clock around the computation.
template <typename Calcul>
auto Lancer(Calcul calcul, long long& debut, long long& fin) {
    std::vector<Vec3> x = PositionsCourantes();
    EffacerArret();
    debut = Horloge();
    const auto bilan = calcul(x);
    fin = Installer(x);
    return bilan;
}

void Clore(long long debut, long long fin) {
    EcrireTempsDeCalcul(debut, fin);
    ApresDeplacement();
}

// The energy of n particles from the descents' f (the log of the sum),
// also beyond the largest double.
double Energie(double f, int n) { return EnergieDepuisLog(f, n, params.exposant); }

// The energy of the last step or hop, or TAMMES's smallest distance, for the
// status line (command thread).
double valeurAffichee = 0.0;
double ValeurAffichee() { return valeurAffichee; }

ParametresDescente Descente() {
    ParametresDescente p;
    p.exposant = params.exposant;
    p.arret = &stopRequested;
    return p;
}

// What the check at the end of the descent found: the saddles left, and
// whether the end is a minimum; nothing when the descent ended otherwise
// than on its criterion.
void EcrireVerdict(const BilanMinimum& m) {
    if (m.cols > 0) console.write(", points selles quittés : ").write(m.cols);
    if (m.verifie) {
        console.write(", minimum vérifié");
    } else if (m.descente.fin == FinDescente::critere) {
        console.write(", minimum non vérifié");
    }
}

// Why the descents ended, on a line of their own.
void EcrireFinDescente(const BilanDescente& b, const ParametresDescente& p) {
    console.write("Arrêt : ");
    switch (b.fin) {
        case FinDescente::critere:
            console.write("critère atteint (force tangentielle maximale / force moyenne < ").write(p.tolerance);
            console.write(").\n");
            break;
        case FinDescente::iterations:
            console.write("nombre maximal d'itérations atteint (").write(p.iterationsMax);
            console.write("), le critère vaut alors ").write(b.critere).write(" (").write(p.tolerance);
            console.write(" demandé).\n");
            break;
        case FinDescente::arret: console.write("interrompu.\n"); break;
        case FinDescente::bloquee:
            console.write("aucun pas ne fait plus baisser l'énergie, le critère vaut alors ").write(b.critere);
            console.write(".\n");
            break;
    }
}

}  // namespace

// The hull no longer describes the positions: a
// frame that draws it builds it again.
void CopierDansLEtat(std::span<const Vec3> p) {
    for (int i = 0; i < etat.count && i < static_cast<int>(p.size()); ++i) etat.particles[i].position = p[i];
    MarquerDeplacement();
    hullValid = false;
}

void EcrireEnergie(double logEnergie, int n) {
    const double decimal = logEnergie / std::log(10.0);
    if (decimal < 300.0) {
        console.write(Energie(logEnergie, n));
        return;
    }
    const double exposant = std::floor(decimal);
    console.write(std::pow(10.0, decimal - exposant)).write("e").write(static_cast<long long>(exposant));
}

void EcrireNomRiesz(const char* energie, double s) {
    if (s == 0.0) {
        console.write(energie).write(" logarithmique s = 0");
        return;
    }
    console.write(energie).write(" de Riesz s = ");
    if (s == std::floor(s) && std::abs(s) < 1e9) {
        console.write(static_cast<long long>(s));
    } else {
        console.write(s);
    }
    // Below 0 the sum of r^|s| is maximised: its opposite is what is shown.
    if (s < 0.0) console.write(" (opposé de la somme des r^|s|)");
}

void CommandeMinimiser(const Ligne& ligne) {
    const std::optional<long long> n = LireCompte(ligne);
    if (!n) return;
    ParametresDescente p = Descente();
    p.iterationsMax = *n;
    long long debut, fin;
    int compte = 0;
    BilanMinimum m;
    {
        Progression progression(LigneTapee(ligne, 1), *n, ValeurAffichee);
        std::FILE* trace = TraceFichier();
        CommencerTrace(kEnTeteMinimiser);
        p.apresPas = [&progression, trace](const EtapeDescente& e) {
            if (trace != nullptr) EcrireLignePas(trace, e, params.exposant);
            Montrer(e.positions);
            valeurAffichee = Energie(e.logEnergie, static_cast<int>(e.positions.size()));
            progression.Avancer(e.iteration);
        };
        m = Lancer(
            [&p, &compte](std::span<Vec3> x) {
                compte = static_cast<int>(x.size());
                return MinimiserJusquAuMinimum(x, p);
            },
            debut, fin);
    }
    ViderTrace();
    const BilanDescente& b = m.descente;
    console.write("Itérations : ").write(b.iterations);
    console.write(", évaluations de l'énergie : ").write(b.evaluations);
    console.write(", force tangentielle maximale / force moyenne : ").write(b.critere);
    if (p.exposant == 1.0) {
        console.write(", énergie : ");
    } else {
        EcrireNomRiesz(", énergie", p.exposant);
        console.write(" : ");
    }
    EcrireEnergie(b.logEnergie, compte);
    EcrireVerdict(m);
    console.write("\n");
    EcrireFinDescente(b, p);
    Clore(debut, fin);
}

// Each new lowest minimum is announced, shown, and offered to the store as
// INFO offers the configuration it reports (the Coulomb energy and the
// smallest distance of those positions), all from the command's thread
// whatever thread the walker that found it runs on. A store error is
// reported once and the search goes on without the store. With MODE TAMMES
// on, the search widens the smallest distance (saut_tammes.h) and the
// announcements and the status line give it.
void CommandeExplorer(const Ligne& ligne) {
    const std::optional<long long> n = LireCompte(ligne);
    if (!n) return;
    const bool tammes = modes.tammes;
    ParametresExploration p;
    p.sauts = *n;
    p.descente.exposant = params.exposant;
    if (tammes) {
        p.descente.exposant = kExposantTammes;
        p.descendre = DescenteTammes;
    }
    p.arret = &stopRequested;
    // One walker per processor with OPENMP on, however busy they are: the
    // seed then repeats the search.
    p.graines = GrainesDesMarcheurs(NombreDeThreads());
    // The catalogue holds energy minima: not the Tammes mode's. Switched off,
    // it no longer describes the searches made: emptied.
    if (!modes.minima) {
        OublierMinima();
    } else if (!tammes) {
        PreparerCatalogue();
        p.minimumDuSaut = [](const MinimumDuSaut& m) { NoterMinimum(m, &stopRequested); };
    }
    if (std::FILE* trace = TraceFichier()) {
        CommencerTrace(kEnTeteExplorer);
        // Only the command thread changes the count.
        const int particules = static_cast<int>(PositionsCourantes().size());
        p.chaqueRapport = [trace, particules](const Rapport& r) {
            if (!r.fin) EcrireLigneSaut(trace, r, particules, params.exposant);
        };
    }
    bool baseEnErreur = false;
    int compte = 0;  // the first call, at hop 0, comes before any apresSaut
    p.nouveauMinimum = [&baseEnErreur, &compte, tammes](long long saut, double logEnergie, std::span<const Vec3> x) {
        compte = static_cast<int>(x.size());
        console.write("Saut ").write(saut);
        if (tammes) {
            console.write(", nouvelle distance minimale maximale : ").write(DistanceDeMesure(logEnergie));
        } else if (params.exposant == 1.0) {
            console.write(", nouvelle énergie minimale : ");
        } else {
            EcrireNomRiesz(", nouveau minimum, énergie", params.exposant);
            console.write(" : ");
        }
        if (!tammes) EcrireEnergie(logEnergie, compte);
        console.write("\n");
        Garde verrou(verrouEtat);
        CopierDansLEtat(x);
        if (baseEnErreur) return;
        try {
            const double d = DistanceMinimale();
            MettreAJourReferences(etat.count, EnergiePotentielle(), d, x);
        } catch (const DbError& e) {
            SignalerErreurBase(e.code);
            SignalerEchec();
            baseEnErreur = true;
        }
    };
    long long debut, fin;
    BilanExploration b;
    {
        Progression progression(LigneTapee(ligne, 1), *n, ValeurAffichee, tammes ? "distance" : "énergie");
        p.apresSaut = [&progression, &compte, tammes](long long saut, double logMeilleur) {
            valeurAffichee = tammes ? DistanceDeMesure(logMeilleur) : Energie(logMeilleur, compte);
            progression.Avancer(saut);
        };
        b = Lancer([&p](std::span<Vec3> x) { return Explorer(x, p); }, debut, fin);
    }
    ViderTrace();
    console.write("Sauts : ").write(b.sauts);
    if (b.marcheurs > 1) console.write(" (").write(b.marcheurs).write(" marcheurs)");
    console.write(", acceptés : ").write(static_cast<long long>(std::lround(100.0 * b.acceptation))).write(" %");
    console.write(", meilleur au saut ").write(b.meilleurSaut);
    console.write(", évaluations de l'énergie : ").write(b.evaluations).write("\n");
    Clore(debut, fin);
}

// Read as K reads its value, and refused out of range.
void CommandeS(const Ligne& ligne) {
    if (ligne.count < 3) {
        console.write("L'exposant de l'énergie de Riesz est : ").write(params.exposant).write("\n");
        if (ligne.count == 2) SignalerValeurSansFraction(ligne);
        return;
    }
    // A whole part that is no number (or five digits) would read as 0, now
    // an exponent: refused, as it always was.
    const double s = LireReel(ligne[1], ligne[2]) + 0.0;  // -0.0 typed is 0
    if (!PartieEntiere(ligne.texte(1).c_str()) || !(s >= kExposantMin && s <= kExposantMax)) {
        Signaler(Msg::ParametreNonValide);
        return;
    }
    if (s != params.exposant) OublierMinima();
    params.exposant = s;
    VerifierReel(ligne, 1, s);
}

void CommandeTammes(const Ligne& ligne) {
    const std::optional<long long> n = LireCompte(ligne);
    if (!n) return;
    ParametresTammes p;
    p.iterationsMax = *n;
    p.arret = &stopRequested;
    long long debut, fin;
    BilanTammes b;
    {
        Progression progression(LigneTapee(ligne, 1), *n, ValeurAffichee, "distance");
        p.apresIteration = [&progression](long long iteration, double distance) {
            valeurAffichee = distance;
            progression.Avancer(iteration);
        };
        b = Lancer([&p](std::span<Vec3> x) { return PolirTammes(x, p); }, debut, fin);
    }
    if (b.fin == FinTammes::echec) Signaler(Msg::ProgrammeLineaire);
    console.write("Itérations : ").write(b.iterations);
    console.write(", déplacements retenus : ").write(b.pas);
    console.write(", distance minimale : ").write(b.distanceAvant).write(" -> ").write(b.distanceApres);
    console.write(", paires au contact : ").write(b.contacts).write("\n");
    switch (b.fin) {
        case FinTammes::stationnaire:
            console.write("Arrêt : aucun déplacement ne peut plus augmenter la distance minimale.\n");
            break;
        case FinTammes::iterations:
            console.write("Arrêt : nombre maximal d'itérations atteint (").write(p.iterationsMax).write(").\n");
            break;
        case FinTammes::arret: console.write("Arrêt : interrompu.\n"); break;
        case FinTammes::echec: break;  // said above
    }
    Clore(debut, fin);
}

// Degrees 4 to 8 always, any other present degree too; the lines that
// scripts read first, those added since (the scars' charges, the
// dislocations, the isolated disclinations, the point group at SYMETRIE's
// tolerance) after them.
void CommandeDefauts(const Ligne&) {
    Defauts d;
    std::vector<Vec3> x;
    {
        Garde verrou(verrouEtat);
        CalculerEnveloppe(false);
        std::vector<int32_t> degres(etat.count);
        for (int i = 0; i < etat.count; ++i) degres[i] = etat.particles[i].degree;
        const int aretes = std::clamp(enveloppe.edgeCount, 0, static_cast<int>(enveloppe.edges.size()));
        d = CompterDefauts(std::span<const HullEdge>(enveloppe.edges.data(), aretes), degres);
        x = CopierPositions();
    }
    for (int g = 0; g < static_cast<int>(d.parDegre.size()) || g <= 8; ++g) {
        const int nombre = g < static_cast<int>(d.parDegre.size()) ? d.parDegre[g] : 0;
        if (nombre == 0 && (g < 4 || g > 8)) continue;
        console.write("Degré ").write(g).write(" : ").write(nombre).write("\n");
    }
    console.write("Charge topologique : ").write(d.charge).write("\n");
    console.write("Cicatrices : ").write(d.cicatrices).write("\n");
    console.write("Particules de degré 5 dans des cicatrices : ").write(d.cinqEnCicatrices).write("\n");
    console.write("Particules de degré 7 dans des cicatrices : ").write(d.septEnCicatrices).write("\n");
    if (d.cicatrices > 0) {
        const char* separateur = "Charges des cicatrices : ";
        for (const auto& [charge, nombre] : d.chargesCicatrices) {
            console.write(separateur).write(nombre).write(" de charge ").write(charge > 0 ? "+" : "").write(charge);
            separateur = ", ";
        }
        console.write("\n");
    }
    console.write("Dislocations : ").write(d.dislocations).write("\n");
    console.write("Disclinations isolées : ").write(d.disclinations).write("\n");
    EcrireGroupe(TrouverGroupePonctuel(x, ToleranceSymetrie()));
}
