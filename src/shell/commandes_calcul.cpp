// Computation commands: NB, PLACER, the counted loops, ENVELOPPE, AJOUTER.
#include <mutex>
#include <vector>

#include "hull/enveloppe.h"
#include "mathematiques/hasard.h"
#include "etat/particules.h"
#include "mathematiques/simulation.h"
#include "shell/avertissements.h"
#include "shell/boucle_comptee.h"
#include "shell/commandes.h"
#include "etat/modes.h"
#include "shell/messages.h"
#include "shell/mots.h"
#include "ternex/ternex.h"

namespace {

// At most 10 001 attempts: a step ends at the first accepted move.
constexpr int kEssaisMonteCarlo = 10001;

void EtapeRelax() REQUIRES(verrouEtat) { AppliquerForce(); ModifierPosition(); }
void EtapeLocale() REQUIRES(verrouEtat) { DeplacerSelonForceLocale(); }
void EtapeFaces() REQUIRES(verrouEtat) { DeplacerSelonFaces(); }
void EtapeAretes() REQUIRES(verrouEtat) { DeplacerSelonAretes(); }
void EtapeEloigne() REQUIRES(verrouEtat) { EloignerPlusProches(); }
void EtapeApproche() REQUIRES(verrouEtat) { ApprocherPlusEloignees(); }

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

void CommandeRelax(int count, const CommandWord* words) { BoucleComptee(count, words, false, EtapeRelax); }
void CommandeLocal(int count, const CommandWord* words) { BoucleComptee(count, words, true, EtapeLocale); }
void CommandeFaces(int count, const CommandWord* words) { BoucleComptee(count, words, true, EtapeFaces); }
void CommandeAretes(int count, const CommandWord* words) { BoucleComptee(count, words, true, EtapeAretes); }
void CommandeEloigne(int count, const CommandWord* words) { BoucleComptee(count, words, true, EtapeEloigne); }
void CommandeApproche(int count, const CommandWord* words) { BoucleComptee(count, words, true, EtapeApproche); }
void CommandeMonteCarlo(int count, const CommandWord* words) {
    BoucleComptee(count, words, false, EtapeMonteCarlo, EnergieMonteCarlo);
}

// The arrays are rebuilt even when the count does not change.
void CommandeNb(int count, const CommandWord* words) {
    if (count < 2) {
        Garde verrou(verrouEtat);
        console.write("Le nombre actuel de particules est : ");
        console.write(etat.count);
        console.write("\n");
        return;
    }
    int n = LireEntier(words[1]);
    if (n < kMinParticles) n = kDefaultParticles;
    VerifierNombreParticules(words, n);
    const bool conserver = count >= 3 && words[2] == mot::kConserv;
    if (count >= 3 && !conserver) SignalerMotIgnore(words, 2, "CONSERV");
    {
        Garde verrou(verrouEtat);
        const int ancien = etat.count;
        ChangerNombre(n, conserver);
        if (conserver) PlacerAleatoirement(ancien);
    }
    ApresDeplacement();
}

void CommandePlacer(int count, const CommandWord* words) {
    const CommandWord choix = count < 2 ? mot::kAlea : words[1];
    {
        Garde verrou(verrouEtat);
        if (choix == mot::kAlea) {
            SignalerMotsEnTrop(count, words, 2);
            PlacerAleatoirement(0);
        } else if (choix == mot::kSpirale) {
            double pas = count < 4 ? 0.0 : LireReel(words[2], words[3]);
            if (pas == 0.0) pas = kDefaultSpiralStep;
            if (count >= 4) VerifierReel(words, 2, pas);
            const char* t = count == 3 ? TexteMot(words, 2) : nullptr;
            if (t != nullptr && *t != '\0') {
                SignalerFormeReelle(count, words, "place les particules avec le pas 3.6", "PLACER SPIRALE 2.0");
            }
            PlacerEnSpirale(pas);
        } else {
            SignalerSansEffet(words, 1, "ALEA ou SPIRALE", "rien n'est placé");
        }
        hullValid = false;
    }
    ApresDeplacement();
}

// Neither INFO nor a new frame: only the hull's step count and the time.
void CommandeEnveloppe(int, const CommandWord*) {
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
void CommandeAjouter(int count, const CommandWord* words) {
    const CommandWord choix = count < 2 ? 0 : words[1];
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
