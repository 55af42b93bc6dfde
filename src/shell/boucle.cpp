// The prompt, the dispatch of the first word and the main loop.
#include "shell/boucle.h"

#include <csignal>
#include <utility>

#include "shell/avertissements.h"
#include "shell/commandes.h"
#include "shell/edition.h"
#include "shell/messages.h"
#include "shell/options.h"
#include "shell/table_commandes.h"
#include "store/best_store.h"
#include "ternex/ternex.h"

Ligne LireCommande(bool* endOfInput) {
    char ligne[kLongueurLigne + 1];
    bool fin = false;
    LireLigneCommande(options.silencieux ? nullptr : "> ", ligne, &fin);
    if (endOfInput != nullptr) *endOfInput = fin;
    return DecouperLigne(ligne);
}

bool Executer(Ligne ligne) {
    if (ligne[0] == 0) return true;
    const Commande* commande = ligne.commande;
    if (commande == nullptr) {
        Signaler(Msg::CommandeInconnue);
        return true;
    }
    // "MINIMISER " as editors and scripts leave it: the empty word is no count.
    if (commande->lecture == Lecture::stricte) {
        while (ligne.count > 1 && ligne[ligne.count - 1] == 0) --ligne.count;
    }
    SignalerMotsEnTrop(ligne, commande->mots + 1);
    if (commande->executer == nullptr) return false;  // QUITTER
    try {
        commande->executer(ligne);
    } catch (const DbError& e) {
        SignalerErreurBase(e.code);
        SignalerEchec();
    }
    return true;
}

namespace {

// Asked before GestionnaireControle, which goes on to stop the command under
// way; the script then ends as a termination does, with its own status.
bool NoterInterruption(int event) {
    if (event == CTRL_C_EVENT) DemanderFin(128 + SIGINT);
    if (event == CTRL_BREAK_EVENT) DemanderFin(128 + SIGQUIT);
    return false;
}

}  // namespace

// A session typed or piped in goes on after Ctrl+C: the user chooses the next
// command. A script's next commands assumed the interrupted one had finished.
int BoucleCommandes() {
    if (options.script) console.set_ctrl_handler(NoterInterruption);
    for (;;) {
        bool fin = false;
        Ligne ligne = LireCommande(&fin);
        // A line read while the end was asked for is not run.
        if (FinDemandee() != 0) return FinDemandee();
        if (fin || !Executer(std::move(ligne)) || FinDemandee() != 0) return FinDemandee();
    }
}
