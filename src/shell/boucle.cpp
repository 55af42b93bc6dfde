// The prompt, the dispatch of the first word and the main loop.
#include "shell/boucle.h"

#include "shell/commandes.h"
#include "shell/edition.h"
#include "shell/options.h"
#include "shell/table_commandes.h"
#include "store/best_store.h"
#include "ternex/ternex.h"

int LireCommande(CommandWord* words, int max, bool* endOfInput) {
    char ligne[kLongueurLigne + 1];
    bool fin = false;
    LireLigneCommande(options.silencieux ? nullptr : "> ", ligne, &fin);
    if (endOfInput != nullptr) *endOfInput = fin;
    return DecouperLigne(ligne, words, max);
}

bool Executer(int count, const CommandWord* words) {
    const CommandWord c = words[0];
    if (c == 0) return true;
    const Commande* commande = TrouverCommande(c);
    if (commande == nullptr) {
        console.write("Commande inconnue.\n");
        SignalerEchec();
        return true;
    }
    if (commande->executer == nullptr) return false;  // QUITTER
    try {
        commande->executer(count, words);
    } catch (const DbError& e) {
        SignalerErreurBase(e.code);
        SignalerEchec();
    }
    return true;
}

int BoucleCommandes() {
    CommandWord words[kMaxWords];
    for (;;) {
        bool fin = false;
        const int count = LireCommande(words, kMaxWords, &fin);
        if (fin || !Executer(count, words) || FinDemandee() != 0) return FinDemandee();
    }
}
