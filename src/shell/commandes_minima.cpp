#include "shell/commandes_minima.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "etat/modes.h"
#include "etat/particules.h"
#include "hull/enveloppe.h"
#include "mathematiques/minimisation.h"
#include "mathematiques/objectif_riesz.h"
#include "mathematiques/riesz.h"
#include "shell/avertissements.h"
#include "shell/boucle_comptee.h"
#include "shell/commandes.h"
#include "shell/commandes_symetrie.h"
#include "shell/messages.h"
#include "shell/mots.h"
#include "ternex/ternex.h"

namespace {

CatalogueMinima catalogue;
// Whose it is: the count, the count's changes when it was fed, the exponent.
int compte = 0;
uint64_t changements = 0;
double exposant = 0.0;
// The hull's lists, sized once for the count, and a minimum being finished
// (command thread only).
EnveloppeCopiee brouillon;
std::vector<Vec3> poli;

// Word i as a rank from 1 to 9999, else 0 (a sign too: LireEntier skips it).
int Rang(const Ligne& ligne, int i) { return ligne.texte(i).starts_with('-') ? 0 : LireEntier(ligne[i]); }

// Empty, or of another count or exponent: then emptied.
bool CatalogueAJour() {
    Garde verrou(verrouEtat);
    if (compte == etat.count && changements == etat.changementsDeNombre && exposant == params.exposant) {
        return !catalogue.Minima().empty();
    }
    catalogue.Vider();
    return false;
}

// The gap to the lowest, in energy.
double Ecart(const MinimumCatalogue& m, const MinimumCatalogue& plusBas) {
    return EnergieDepuisLog(m.logEnergie, compte, exposant) - EnergieDepuisLog(plusBas.logEnergie, compte, exposant);
}

void Lister(int n) {
    const std::vector<MinimumCatalogue>& minima = catalogue.Minima();
    long long fois = 0;
    for (const MinimumCatalogue& m : minima) fois += m.fois;
    console.write("Minima distincts : ").write(static_cast<long long>(minima.size()));
    console.write(", rencontrés ").write(fois).write(" fois, ");
    EcrireNomRiesz("énergie", exposant);
    console.write("\n");
    console.write("Rang ; énergie ; écart au plus bas ; rencontres ; premier saut ; groupe ; degré 5 ; degré 7\n");
    const int lignes = std::min(n, static_cast<int>(minima.size()));
    for (int k = 0; k < lignes; ++k) {
        const MinimumCatalogue& m = minima[static_cast<size_t>(k)];
        console.write(k + 1).write(" ; ");
        EcrireEnergie(m.logEnergie, compte);
        console.write(" ; ").write(Ecart(m, minima.front())).write(" ; ").write(m.fois);
        console.write(" ; ").write(m.premierSaut).write(" ; ").write(m.signature.groupe.c_str());
        console.write(" ; ").write(m.signature.Degre(5)).write(" ; ").write(m.signature.Degre(7)).write("\n");
    }
}

void Charger(const Ligne& ligne) {
    const int k = ligne.count >= 3 ? Rang(ligne, 2) : 0;
    if (k < 1 || k > static_cast<int>(catalogue.Gardes())) {
        Signaler(Msg::ParametreNonValide);
        return;
    }
    const std::vector<MinimumCatalogue>& minima = catalogue.Minima();
    const size_t gardes = std::min(minima.size(), catalogue.Gardes());
    if (static_cast<size_t>(k) > gardes) {
        Signaler(Msg::MinimumAbsent, {ligne.texte(2), std::to_string(gardes)});
        return;
    }
    const MinimumCatalogue& m = minima[static_cast<size_t>(k - 1)];
    {
        Garde verrou(verrouEtat);
        CopierDansLEtat(m.positions);
    }
    console.write("Minimum ").write(k).write(" chargé, ");
    EcrireNomRiesz("énergie", exposant);
    console.write(" : ");
    EcrireEnergie(m.logEnergie, compte);
    console.write("\n");
    ApresDeplacement();
}

}  // namespace

SignatureMinimum SignatureDe(std::span<const Vec3> positions) {
    SignatureMinimum s;
    s.groupe = TrouverGroupePonctuel(positions, ToleranceSymetrie()).nom;
    ConstruireEnveloppe(std::vector<Vec3>(positions.begin(), positions.end()), false, brouillon);
    for (const int32_t d : brouillon.degres) {
        if (d < 0) continue;
        if (static_cast<size_t>(d) >= s.parDegre.size()) s.parDegre.resize(static_cast<size_t>(d) + 1, 0);
        ++s.parDegre[static_cast<size_t>(d)];
    }
    return s;
}

void PreparerCatalogue() {
    CatalogueAJour();
    Garde verrou(verrouEtat);
    compte = etat.count;
    changements = etat.changementsDeNombre;
    exposant = params.exposant;
    PrendreCapacites(brouillon);
}

void NoterMinimum(const MinimumDuSaut& m, const std::atomic<bool>* arret) {
    // Met again, beyond doubt by its energy alone: nothing more to learn.
    if (const long rang = catalogue.Reconnaitre(m.logEnergie, m.ecart); rang >= 0) {
        catalogue.Compter(rang);
        return;
    }
    poli.assign(m.positions.begin(), m.positions.end());
    if (m.critere > kTolerancePolie) {
        ParametresDescente d;
        d.exposant = exposant;
        d.tolerance = kTolerancePolie;
        d.arret = arret;
        if (Minimiser(poli, d).fin == FinDescente::arret) return;  // no minimum
    }
    // The energy of the positions kept, as INFO computes it, so that a
    // minimum loaded shows the energy listed.
    catalogue.Noter(LogEnergieRiesz(poli, exposant), m.saut, SignatureDe(poli), poli);
}

void OublierMinima() { catalogue.Vider(); }

const CatalogueMinima& CatalogueCourant() { return catalogue; }

void CommandeMinima(const Ligne& ligne) {
    const bool charger = ligne.count >= 2 && ligne[1] == mot::kCharger;
    const int n = ligne.count >= 2 && !charger ? Rang(ligne, 1) : kMinimaListes;
    if (n == 0 || (charger && ligne.count < 3)) {
        Signaler(Msg::ParametreNonValide);
        return;
    }
    if (!charger) SignalerMotsEnTrop(ligne, 2);  // MINIMA n reads one word
    if (!modes.minima) {
        Signaler(Msg::CatalogueDesactive);
        return;
    }
    if (!CatalogueAJour()) {
        Signaler(Msg::CatalogueVide);
        return;
    }
    if (charger) {
        Charger(ligne);
    } else {
        Lister(n);
    }
}
