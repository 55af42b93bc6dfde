// Computation commands: NB, PLACER, the counted loops, ENVELOPPE, AJOUTER.
#include <mutex>
#include <vector>

#include "etat/modes.h"
#include "etat/particules.h"
#include "hull/enveloppe.h"
#include "mathematiques/hasard.h"
#include "mathematiques/simulation.h"
#include "shell/avertissements.h"
#include "shell/boucle_comptee.h"
#include "shell/commandes.h"
#include "shell/messages.h"
#include "shell/mots.h"
#include "ternex/ternex.h"

namespace {

// At most 10 001 attempts: a step ends at the first accepted move.
constexpr int kEssaisMonteCarlo = 10001;

void EtapeMonteCarlo() REQUIRES(verrouEtat) {
    for (int essai = 0; essai < kEssaisMonteCarlo; ++essai) {
        if (EssaiMonteCarlo()) return;
    }
}

// The energy the attempts keep: after a step it describes the positions, so
// reading it costs no evaluation.
double EnergieMonteCarlo() {
    Garde verrou(verrouEtat);
    return EnergieMonteCarloCourante();
}

}  // namespace

// Each step is a lambda that the lock analysis follows (BoucleComptee).
void CommandeRelax(const Ligne& ligne) {
    BoucleComptee(ligne, false, []() REQUIRES(verrouEtat) {
        AppliquerForce();
        ModifierPosition();
    });
}
void CommandeLocal(const Ligne& ligne) {
    BoucleComptee(ligne, true, []() REQUIRES(verrouEtat) { DeplacerSelonForceLocale(); });
}
void CommandeFaces(const Ligne& ligne) {
    BoucleComptee(ligne, true, []() REQUIRES(verrouEtat) { DeplacerSelonFaces(); });
}
void CommandeAretes(const Ligne& ligne) {
    BoucleComptee(ligne, true, []() REQUIRES(verrouEtat) { DeplacerSelonAretes(); });
}
void CommandeEloigne(const Ligne& ligne) {
    BoucleComptee(ligne, true, []() REQUIRES(verrouEtat) { EloignerPlusProches(); });
}
void CommandeApproche(const Ligne& ligne) {
    BoucleComptee(ligne, true, []() REQUIRES(verrouEtat) { ApprocherPlusEloignees(); });
}
void CommandeMonteCarlo(const Ligne& ligne) {
    BoucleComptee(ligne, false, []() REQUIRES(verrouEtat) { EtapeMonteCarlo(); }, EnergieMonteCarlo);
}

// The arrays are rebuilt even when the count does not change.
void CommandeNb(const Ligne& ligne) {
    if (ligne.count < 2) {
        Garde verrou(verrouEtat);
        console.write("Le nombre actuel de particules est : ");
        console.write(etat.count);
        console.write("\n");
        return;
    }
    int n = LireEntier(ligne[1]);
    if (n < kMinParticles) n = kDefaultParticles;
    VerifierNombreParticules(ligne, n);
    const bool conserver = ligne.count >= 3 && ligne[2] == mot::kConserv;
    if (ligne.count >= 3 && !conserver) SignalerMotIgnore(ligne, 2, "CONSERV");
    {
        Garde verrou(verrouEtat);
        const int ancien = etat.count;
        ChangerNombre(n, conserver);
        if (conserver) PlacerAleatoirement(ancien);
    }
    ApresDeplacement();
}

void CommandePlacer(const Ligne& ligne) {
    const CommandWord choix = ligne.count < 2 ? mot::kAlea : ligne[1];
    {
        Garde verrou(verrouEtat);
        if (choix == mot::kAlea) {
            SignalerMotsEnTrop(ligne, 2);
            PlacerAleatoirement(0);
        } else if (choix == mot::kSpirale) {
            double pas = ligne.count < 4 ? 0.0 : LireReel(ligne[2], ligne[3]);
            if (pas == 0.0) pas = kDefaultSpiralStep;
            if (ligne.count >= 4) VerifierReel(ligne, 2, pas);
            if (ligne.count == 3 && !ligne.texte(2).empty()) {
                SignalerFormeReelle(ligne, ligne.count, "place les particules avec le pas 3.6", "PLACER SPIRALE 2.0");
            }
            PlacerEnSpirale(pas);
        } else {
            SignalerSansEffet(ligne, 1, "ALEA ou SPIRALE", "rien n'est placé");
        }
        hullValid = false;
    }
    ApresDeplacement();
}

// Neither INFO nor a new frame: only the hull's step count and the time.
void CommandeEnveloppe(const Ligne&) {
    const long long debut = Horloge();
    {
        Garde verrou(verrouEtat);
        hullValid = false;
        CalculerEnveloppe(true);
    }
    EcrireTempsDeCalcul(debut, Horloge());
}

namespace {

// Sum of the positions scaled to length 1. An edge through the centre (two
// antipodal particles) sums to zero, which would give a non-finite position:
// that particle is placed at random instead.
Vec3 Normaliser(Vec3 somme) {
    if (!(norm(somme) > 0.0)) {
        TirerPointSphere(somme, 1.0);
        return somme;
    }
    setLength(somme, 1.0);
    return somme;
}

// One position per hull face (or edge), in table order, from the current positions.
std::vector<Vec3> PositionsAjoutees(bool faces) REQUIRES(verrouEtat) {
    std::vector<Vec3> ajout;
    const auto& p = etat.particles;
    if (faces) {
        ajout.reserve(enveloppe.faceCount);
        for (int f = 0; f < enveloppe.faceCount; ++f) {
            const HullFace& face = enveloppe.faces[f];
            Vec3 s = p[face.v[0]].position;
            s += p[face.v[1]].position;
            s += p[face.v[2]].position;
            ajout.push_back(Normaliser(s));
        }
    } else {
        ajout.reserve(enveloppe.edgeCount);
        for (int e = 0; e < enveloppe.edgeCount; ++e) {
            Vec3 s = p[enveloppe.edges[e].lo].position;
            s += p[enveloppe.edges[e].hi].position;
            ajout.push_back(Normaliser(s));
        }
    }
    return ajout;
}

}  // namespace

// The hull is built first when stale: its arrays would otherwise describe an
// earlier configuration, or be all zero after a count change, putting every
// added particle on particle 0. The count added is what the build really made.
void CommandeAjouter(const Ligne& ligne) {
    const CommandWord choix = ligne.count < 2 ? 0 : ligne[1];
    if (choix != mot::kFaces && choix != mot::kAretes) {
        Signaler(Msg::FacesOuAretes);
        return;
    }
    {
        Garde verrou(verrouEtat);
        CalculerEnveloppe(false);
        const int n = etat.count;
        const int ajout = choix == mot::kFaces ? enveloppe.faceCount : enveloppe.edgeCount;
        if (n + ajout > kMaxParticles) {
            Signaler(Msg::MaximumDepasse);
            return;
        }
        const std::vector<Vec3> positions = PositionsAjoutees(choix == mot::kFaces);
        ChangerNombre(n + ajout, true);
        for (int k = 0; k < ajout; ++k) etat.particles[n + k].position = positions[k];
        MarquerDeplacement();
    }
    ApresDeplacement();
}
