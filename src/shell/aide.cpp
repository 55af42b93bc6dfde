// AIDE: the command list and the detailed help topics.
#include "shell/aide_textes.h"
#include "shell/commandes.h"
#include "ternex/ternex.h"

namespace {

void EcrireMorceaux(std::span<const MorceauAide> morceaux) {
    for (const MorceauAide& m : morceaux) {
        switch (m.genre) {
            case MorceauAide::Genre::Texte: console.write(m.texte); break;
            case MorceauAide::Genre::Caractere: console.write(m.caractere); break;
            case MorceauAide::Genre::Entier: console.write(m.entier); break;
            case MorceauAide::Genre::Reel: console.write(m.reel); break;
        }
    }
}

}  // namespace

void CommandeAide(int count, const CommandWord* words) {
    if (count < 2) {
        EcrireMorceaux(ListeAide());
        return;
    }
    if (const SujetAide* sujet = TrouverSujetAide(words[1])) {
        EcrireMorceaux(sujet->morceaux);
    } else {
        console.write(kAucuneAide);
    }
}
