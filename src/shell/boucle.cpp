// The prompt, the dispatch of the first word and the main loop.
#include "shell/boucle.h"

#include "shell/commandes.h"
#include "shell/commandes_minimisation.h"
#include "shell/mots.h"
#include "store/best_store.h"
#include "ternex/ternex.h"

int LireCommande(CommandWord* words, int max, bool* endOfInput) {
    console.set_text_attribute(15);
    console.write("> ");
    console.set_text_attribute(7);
    char ligne[256];
    bool fin = false;
    const int lus = console.read_line(ligne, 255, &fin);
    if (endOfInput != nullptr) *endOfInput = fin && lus == 0;
    if (lus == 0) ligne[0] = '\0';
    return DecouperLigne(ligne, words, max);
}

namespace {

using Gestionnaire = void (*)(int, const CommandWord*);

// One comparison per command word, in the order of the command table.
Gestionnaire Trouver(CommandWord c) {
    using namespace mot;
    if (c == kAide) return CommandeAide;
    if (c == kInfo) return CommandeInfo;
    if (c == kNb) return CommandeNb;
    if (c == kAjouter) return CommandeAjouter;
    if (c == kChamp) return CommandeChamp;
    if (c == kK) return CommandeK;
    if (c == kP) return CommandeP;
    if (c == kR) return CommandeR;
    if (c == kL) return CommandeL;
    if (c == kPlacer) return CommandePlacer;
    if (c == kGraph) return CommandeGraph;
    if (c == kImage) return CommandeImage;
    if (c == kRelax) return CommandeRelax;
    if (c == kMonteCarlo) return CommandeMonteCarlo;
    if (c == kEloigne) return CommandeEloigne;
    if (c == kApproche) return CommandeApproche;
    if (c == kLocal || c == kLocale) return CommandeLocal;
    if (c == kFaces) return CommandeFaces;
    if (c == kAretes) return CommandeAretes;
    if (c == kEnveloppe) return CommandeEnveloppe;
    if (c == kCharger) return CommandeCharger;
    if (c == kEnregistrer) return CommandeEnregistrer;
    if (c == kSupprimer) return CommandeSupprimer;
    if (c == kMarquer) return CommandeMarquer;
    if (c == kDesinstaller) return CommandeDesinstaller;
    if (c == kListe) return CommandeListe;
    if (c == kMode) return CommandeMode;
    if (c == kMinimiser) return CommandeMinimiser;
    if (c == kExplorer) return CommandeExplorer;
    if (c == kS) return CommandeS;
    if (c == kTammes) return CommandeTammes;
    if (c == kDefauts) return CommandeDefauts;
    return nullptr;
}

}  // namespace

bool Executer(int count, const CommandWord* words) {
    const CommandWord c = words[0];
    if (c == 0) return true;
    if (c == mot::kQuitter) return false;
    const Gestionnaire g = Trouver(c);
    if (g == nullptr) {
        console.write("Commande inconnue.\n");
        return true;
    }
    try {
        g(count, words);
    } catch (const DbError& e) {
        SignalerErreurBase(e.code);
    }
    return true;
}

int BoucleCommandes() {
    CommandWord words[kMaxWords];
    for (;;) {
        bool fin = false;
        const int count = LireCommande(words, kMaxWords, &fin);
        if (fin || !Executer(count, words)) return 0;
    }
}
