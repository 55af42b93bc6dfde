#include "shell/trace.h"

#include <cmath>
#include <string>

#include "mathematiques/objectif_riesz.h"
#include "mathematiques/riesz.h"
#include "shell/avertissements.h"
#include "shell/commandes_fichiers.h"
#include "shell/messages.h"
#include "shell/mots.h"
#include "ternex/ternex.h"

namespace {

// Command thread only.
std::FILE* fichier = nullptr;
std::string nomTrace;

}  // namespace

bool TraceOuverte() { return fichier != nullptr; }
std::FILE* TraceFichier() { return fichier; }

void FermerTrace() {
    if (fichier == nullptr) return;
    FinirEcriture(fichier, !std::ferror(fichier), nomTrace);
    fichier = nullptr;
}

void CommencerTrace(const char* entete) {
    if (fichier != nullptr) std::fprintf(fichier, "%s\n", entete);
}

void ViderTrace() {
    if (fichier != nullptr) std::fflush(fichier);
}

// Coulomb: at s = 1 the descent's own energy, otherwise one more pass.
void EcrireLignePas(std::FILE* f, const EtapeDescente& e, double s) {
    const int n = static_cast<int>(e.positions.size());
    const double energieS = EnergieDepuisLog(e.logEnergie, n, s);
    const double coulomb = s == 1.0 ? energieS : std::exp(LogEnergieRiesz(e.positions, 1.0));
    const double force = PlusGrandeForceTangentielle(e.positions, e.forces) * e.facteurForces;
    std::fprintf(f, "%lld,%lld,%.17g,%.17g,%.17g\n", e.iteration, e.evaluations, coulomb, energieS, force);
}

void EcrireLigneSaut(std::FILE* f, const Rapport& r, int n, double s) {
    std::fprintf(f, "%lld,%d,%.17g,%.17g,%d,%.17g,%.17g\n", r.saut, r.marcheur, EnergieDepuisLog(r.logSaut, n, s),
                 EnergieDepuisLog(r.logMeilleurMarcheur, n, s), r.accepte ? 1 : 0, r.temperature, r.secondes);
}

void CommandeTrace(const Ligne& ligne) {
    if (ligne.count < 2) {
        if (fichier == nullptr) {
            console.write("Trace : désactivée.\n");
        } else {
            console.write("Trace : activée, dans le fichier ").write(nomTrace.c_str()).write(".\n");
        }
        return;
    }
    bool marche = false;
    if (!LireMarcheArret(ligne, 1, &marche)) return;
    FermerTrace();
    if (!marche) return;
    const std::string tape = DemanderNomAEcrire();
    std::FILE* f = std::fopen(NomSysteme(tape).c_str(), "w");
    if (f == nullptr) {
        Signaler(Msg::NomFichierNonValide);
        return;
    }
    fichier = f;
    nomTrace = tape;
}
