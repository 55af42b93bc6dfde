// AIDE: the command list and the detailed help topics, both read from the
// command table.
#include "shell/commandes.h"
#include "shell/messages.h"
#include "shell/table_commandes.h"
#include "ternex/ternex.h"

namespace {

void EcrireSujet(const Commande& commande) {
    for (const MorceauAide& m : commande.sujet) {
        switch (m.genre) {
            case MorceauAide::Genre::Texte: console.write(m.texte); break;
            case MorceauAide::Genre::Entier: console.write(m.entier); break;
            case MorceauAide::Genre::Reel: console.write(m.reel); break;
            case MorceauAide::Genre::Compte: console.write(commande.compte); break;
        }
    }
}

void EcrireListe() {
    console.write(aide::kDebutListe);
    for (const Commande& c : TableCommandes()) console.write(c.ligneListe);
    console.write(aide::kFinListe);
}

}  // namespace

void CommandeAide(const Ligne& ligne) {
    if (ligne.count < 2) {
        EcrireListe();
        return;
    }
    const Commande* commande = TrouverCommande(ligne[1]);
    if (commande != nullptr) {
        EcrireSujet(*commande);
    } else {
        Signaler(Msg::AucuneAide);
    }
}
