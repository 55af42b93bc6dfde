// AIDE: the command list and the detailed help topics, both read from the
// command table.
#include "shell/commandes.h"
#include "shell/messages.h"
#include "shell/table_commandes.h"
#include "ternex/ternex.h"

namespace {

void EcrireMorceaux(std::span<const MorceauAide> morceaux) {
    for (const MorceauAide& m : morceaux) {
        switch (m.genre) {
            case MorceauAide::Genre::Texte: console.write(m.texte); break;
            case MorceauAide::Genre::Entier: console.write(m.entier); break;
            case MorceauAide::Genre::Reel: console.write(m.reel); break;
        }
    }
}

void EcrireListe() {
    console.write(aide::kDebutListe);
    for (const Commande& c : TableCommandes()) console.write(c.ligneListe);
    console.write(aide::kFinListe);
}

}  // namespace

void CommandeAide(int count, const CommandWord* words) {
    if (count < 2) {
        EcrireListe();
        return;
    }
    const Commande* commande = TrouverCommande(words[1]);
    if (commande != nullptr) {
        EcrireMorceaux(commande->sujet);
    } else {
        Signaler(Msg::AucuneAide);
    }
}
