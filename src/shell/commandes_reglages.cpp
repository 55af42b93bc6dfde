// Settings commands: the model constants K, P, R, L, the ambient field, the
// MODE switches and the generator's seed, and the one-line vector display.
#include <atomic>
#include <string>

#include "etat/modes.h"
#include "etat/particules.h"
#include "hull/enveloppe.h"
#include "mathematiques/hasard.h"
#include "shell/avertissements.h"
#include "shell/commandes.h"
#include "shell/messages.h"
#include "shell/mots.h"
#include "ternex/ternex.h"
#include "viewer/scene.h"

namespace {

// Shows the field with fewer than three words; otherwise reads "a.b" from words
// 1 and 2. With zeroMeansDefault, 0 restores the default; without it, a
// negative value does.
void ReglerConstante(const Ligne& ligne, double& field, double defaut, const char* label, bool zeroMeansDefault) {
    if (ligne.count < 3) {
        console.write(label).write(field).write("\n");
        if (ligne.count == 2) SignalerValeurSansFraction(ligne);
        return;
    }
    const double v = LireReel(ligne[1], ligne[2]);
    const bool defautDemande = zeroMeansDefault ? v == 0.0 : v < 0.0;
    field = defautDemande ? defaut : v;
    VerifierReel(ligne, 1, field);
}

// "  PARTICULES  ": the label of the listing.
std::string Libelle(const Interrupteur& i) {
    std::string libelle = "  ";
    for (const char* c = i.mot; *c != '\0'; ++c) {
        libelle += static_cast<char>(*c >= 'a' && *c <= 'z' ? *c - 'a' + 'A' : *c);
    }
    libelle.resize(kLargeurLibelle, ' ');
    return libelle;
}

void ListerModes() {
    console.write("Etats des mode du programme :\n");
    for (const Interrupteur& i : kInterrupteurs) {
        console.write(Libelle(i).c_str()).write((modes.*i.drapeau) ? "MARCHE\n" : "ARRET\n");
    }
}

const Interrupteur* TrouverInterrupteur(CommandWord w) {
    for (const Interrupteur& i : kInterrupteurs) {
        if (w == Plier(i.mot) || (i.autreMot != nullptr && w == Plier(i.autreMot))) return &i;
    }
    return nullptr;
}

}  // namespace

void CommandeK(const Ligne& ligne) {
    ReglerConstante(ligne, params.K, SimParams::kDefaultK, "La constante de normalisation de la force est : ", true);
}

void CommandeP(const Ligne& ligne) {
    ReglerConstante(ligne, params.P, SimParams::kDefaultP, "Le pourcentage de déplacement des particules est : ",
                    true);
}

void CommandeR(const Ligne& ligne) {
    ReglerConstante(ligne, params.stringResistance, SimParams::kDefaultStringResistance,
                    "La résistance des cordes est : ", true);
}

void CommandeL(const Ligne& ligne) {
    ReglerConstante(ligne, params.springLength, SimParams::kDefaultSpringLength, "La longueur des ressorts est : ",
                    false);
}

void CommandeChamp(const Ligne& ligne) {
    Vec3& champ = params.ambientField;
    if (ligne.count < 7) {
        console.write("Le vecteur champ magnétique ambiant actuel est :\n");
        AfficherVecteur(champ.x, champ.y, champ.z);
        for (int i = 1; i < ligne.count; ++i) {
            if (!ligne.texte(i).empty()) {
                SignalerFormeReelle(ligne, ligne.count, "affiche le champ sans le modifier", "CHAMP 1.0 0.0 0.0");
                break;
            }
        }
        return;
    }
    champ.x = LireReel(ligne[1], ligne[2]);
    champ.y = LireReel(ligne[3], ligne[4]);
    champ.z = LireReel(ligne[5], ligne[6]);
    VerifierReel(ligne, 1, champ.x);
    VerifierReel(ligne, 3, champ.y);
    VerifierReel(ligne, 5, champ.z);
}

void AfficherVecteur(double x, double y, double z) {
    const char* const noms[3] = {"X", "Y", "Z"};
    const int colonnes[3] = {15, 36, 57};
    const double valeurs[3] = {x, y, z};
    for (int i = 0; i < 3; ++i) {
        console.set_cursor_column(colonnes[i]);
        console.set_text_attribute(15);
        console.write(noms[i]);
        console.set_text_attribute(7);
        console.write(" : ").write(valeurs[i]).write(i < 2 ? "\t" : "\r\n");
    }
}

void CommandeMode(const Ligne& ligne) {
    if (ligne.count < 2) {
        ListerModes();
        return;
    }
    bool marche = true;
    if (ligne.count >= 3 && !LireMarcheArret(ligne, 2, &marche)) return;
    const Interrupteur* i = TrouverInterrupteur(ligne[1]);
    if (i == nullptr) {
        Signaler(Msg::ModeNonValide);
        return;
    }
    modes.*i->drapeau = marche;
    if (i->refaireEnveloppe && marche) {
        Garde verrou(verrouEtat);
        hullValid = false;
    }
    if (i->redessiner) RafraichirGraphique();
}

// Shown as the generator takes it (its low 30 bits), so that GRAINE with the
// value shown repeats what followed it.
void CommandeGraine(const Ligne& ligne) {
    if (ligne.count < 2) {
        console.write("La graine du générateur est : ").write(GraineHasard()).write("\n");
        return;
    }
    long long graine = 0;
    if (!LireEntierLong(ligne, 1, kGraineMax, &graine)) {
        Signaler(Msg::ParametreNonValide);
        return;
    }
    InitialiserHasard(static_cast<long>(graine));
}
