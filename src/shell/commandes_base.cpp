// The commands that read or write the record database: INFO, LISTE, CHARGER,
// SUPPRIMER, MARQUER, DESINSTALLER.
#include <mutex>
#include <vector>

#include "etat/modes.h"
#include "etat/particules.h"
#include "hull/enveloppe.h"
#include "mathematiques/metriques.h"
#include "mathematiques/riesz.h"
#include "shell/avertissements.h"
#include "shell/boucle.h"
#include "shell/commandes.h"
#include "shell/commandes_fichiers.h"
#include "shell/edition.h"
#include "shell/messages.h"
#include "shell/mots.h"
#include "shell/options.h"
#include "store/best_store.h"
#include "ternex/ternex.h"
#include "viewer/scene.h"

namespace {

void AfficherPositions() {
    Garde verrou(verrouEtat);
    console.write("Position des particules : \r\n");
    for (int i = 0; i < etat.count; ++i) {
        const Vec3& p = etat.particles[i].position;
        console.write("Particule ").write(i + 1).write("\t");
        AfficherVecteur(p.x, p.y, p.z);
    }
}

// EP or DIST from the store; FICHIER from a position file. -1: not a CHARGER word.
int Charger(CommandWord w) {
    if (w == mot::kFichier) return ChargerFichier();
    if (w != mot::kEp && w != mot::kDist) return -1;
    Garde verrou(verrouEtat);
    std::vector<Vec3> p(static_cast<size_t>(etat.count));
    if (!ChargerPosition(etat.count, w == mot::kEp, p)) return 0;
    for (size_t i = 0; i < p.size(); ++i) etat.particles[i].position = p[i];
    MarquerDeplacement();
    return 1;
}

}  // namespace

// Computes the metrics, records them as references when they improve on the
// stored ones, and writes the summary. Takes the state lock itself, so the
// computation commands may call it with or without holding it.
void AfficherInfo() {
    Garde verrou(verrouEtat);
    const double d = DistanceMinimale();
    const double e = EnergiePotentielle();
    const int n = etat.count;
    console.write("Nombre de particules : ").write(n).write("\n");
    console.write("Distance minimale    : ").write(d).write("\n");
    console.write("Energie Potentielle  : ").write(e).write("\n");
    const BestValues ref = MettreAJourReferences(n, e, d, CopierPositions());
    console.write(EstValide(n) ? "Valeurs de références (*) :\n" : "Valeurs de références :\n");
    console.write("Maximum de la distance minimale  : ").write(ref.minDistance).write("\n");
    console.write("Minimum de l'energie potentielle : ").write(ref.energy).write("\n");
    console.write("Energie Potentiel minimum théorique : ")
        .write(EnergieMinimumTheorique(n))
        .write("\n");
    // What MINIMISER and EXPLORER minimise, when it is not the energy above.
    if (params.exposant != 1.0) {
        EcrireNomRiesz("Energie", params.exposant);
        console.write(" : ");
        EcrireEnergie(LogEnergieRiesz(CopierPositions(), params.exposant), n);
        console.write("\n");
    }
}

void CommandeInfo(const Ligne& ligne) {
    if (ligne.count >= 2 && ligne[1] == mot::kPos) AfficherPositions();
    if (ligne.count >= 2 && ligne[1] != mot::kPos) SignalerMotIgnore(ligne, 1, "POS");
    AfficherInfo();
}

void CommandeListe(const Ligne& ligne) {
    const bool tout = ligne.count >= 2 && ligne[1] == mot::kTout;
    if (ligne.count >= 2 && !tout) SignalerMotIgnore(ligne, 1, "TOUT");
    for (int n = kMinParticles; n <= kMaxParticles; ++n) {
        const BestValues v = LireReferences(n);
        const bool valide = EstValide(n);
        if (v.minDistance == 0.0 || (!valide && !tout)) continue;
        console.write("Nombre de particules : ").write(n);
        console.write(" Distance : ").write(v.minDistance);
        console.write(" Energie : ").write(v.energy);
        console.write(valide && tout ? " (*)\n" : "\n");
    }
}

void CommandeCharger(const Ligne& ligne) {
    if (ligne.count < 2) {
        SignalerParametreManquant(ligne, "EP, DIST ou FICHIER");
        return;
    }
    const int ok = Charger(ligne[1]);
    if (ok < 0) {
        Signaler(Msg::ParametreNonValide);
        return;
    }
    if (ok == 0) {
        Signaler(Msg::AucunePosition);
        return;
    }
    {
        Garde verrou(verrouEtat);  // a frame may be building the hull from the old positions
        hullValid = false;
    }
    if (modes.info) AfficherInfo();
    RafraichirGraphique();
}

// On a terminal both ask first: the entry, or the whole database, cannot be
// had back. A script's input is taken as already confirmed.
void CommandeSupprimer(const Ligne&) {
    if (!Confirmer()) return;
    Garde verrou(verrouEtat);
    if (!SupprimerReferences(etat.count)) SignalerEchec();
}

void CommandeMarquer(const Ligne& ligne) {
    bool valide = true;
    if (ligne.count >= 2 && !LireMarcheArret(ligne, 1, &valide)) return;
    Garde verrou(verrouEtat);
    MarquerValide(etat.count, valide);
}

void CommandeDesinstaller(const Ligne&) {
    // A run started with --sans-base has no file of its own: the usual one,
    // which it never opened, is not its to delete.
    if (options.sansBase) {
        Signaler(Msg::SansBase);
        Sortir(0);
    }
    if (!Confirmer()) return;
    try {
        FermerBase();
    } catch (const DbError& e) {  // the file goes anyway
        SignalerErreurBase(e.code);
        SignalerEchec();
    }
    if (SupprimerBase()) Sortir(0);
    Signaler(Msg::BaseNonSupprimee);
    if (!options.silencieux) console.write("Appuyer sur entrée pour quitter le programme.\n");
    LireCommande();
    Sortir(1);
}
