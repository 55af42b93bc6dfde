// Start-up and shutdown.
#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <string>

#include <omp.h>

#include "etat/modes.h"
#include "etat/particules.h"
#include "hull/enveloppe.h"
#include "mathematiques/hasard.h"
#include "mathematiques/placement.h"
#include "mathematiques/relaxation.h"
#include "shell/boucle.h"
#include "shell/commandes.h"
#include "shell/credits.h"
#include "shell/messages.h"
#include "shell/options.h"
#include "shell/trace.h"
#include "store/best_store.h"
#include "ternex/ternex.h"

namespace {

// Console geometry before start-up, restored at shutdown when it could be read.
struct Geometrie {
    int colonnes = 0, lignes = 0;
    int gauche = 0, haut = 0, droite = 0, bas = 0;
    bool tampon = false, fenetre = false;
};
Geometrie geometrie;

// The particle array and the hull storage for n particles, positions left to
// the start-up placement (keeping the positions of none: no random draw here).
void AllouerParticules(int n) {
    Garde verrou(verrouEtat);
    ChangerNombre(n, true);
}

// The screen is cleared only when the database opened: a failure's error lines
// and explanation, written before, must stay in view above the banner.
// -q leaves out the title, the clearing and the banner: a script's output
// then holds only the commands' answers.
void PreparerConsole(bool effacer) {
    console.set_ctrl_handler(GestionnaireControle);
    geometrie.tampon = console.get_buffer_size(geometrie.colonnes, geometrie.lignes);
    geometrie.fenetre =
        console.get_window_rect(geometrie.gauche, geometrie.haut, geometrie.droite, geometrie.bas);
    console.set_buffer_size(80, std::max(geometrie.lignes, 415));
    console.set_window_rect(0, 79, 0, 24);
    console.set_precision(9);
    if (options.silencieux) return;
    console.set_title((std::string("Glomerix - programmé par ") + kCreditAuteur).c_str());
    if (effacer) console.clear_screen();
    console.write("\t\tGlomerix\nLogiciel de simulations physiques et mathématiques, réalisé dans le "
                  "cadres d'un ")
        .write(kCreditProjet)
        .write(".");
    console.write("\n\nPour obtenir de l'aide sur les commandes disponibles, tapez aide.\n\n");
}

void ExpliquerEchecBase() { Signaler(Msg::BaseIndisponible, {kAdresseContact}); }

// A damaged settings record must not end the program: the error is shown and
// the run goes on with the default switches.
void ChargerSettings() {
    try {
        ChargerModes();
    } catch (const DbError& e) {
        SignalerErreurBase(e.code);
        SignalerEchec();
        modes.resetDefaults();
    }
    params.resetDefaults();
}

// Random placement, then ten relaxation steps.
void PlacerDepart() {
    Garde verrou(verrouEtat);
    PlacerAleatoirement(0);
    etat.resizing = false;
    for (int i = 0; i < kStartupRelaxSteps; ++i) {
        AppliquerForce();
        ModifierPosition();
    }
}

void EcrireThreads() {
    if (options.silencieux) return;
    const int n = NombreDeThreads();
    console.write("Le logiciel va utiliser ")
        .write(n)
        .write(n <= 1 ? " thread pour s'exécuter.\n\n" : " threads pour s'exécuter.\n\n");
}

void LibererParticules() {
    Garde verrou(verrouEtat);
    etat.resizing = true;
    etat.particles = {};  // the dual corners go with their records
    etat.count = 0;
    MarquerDeplacement();
    enveloppe = HullMesh{};
    hullValid = false;
    dualAllocated = false;
}

}  // namespace

void Sortir(int code) {
    QuitterProprement();
    std::exit(CodeDeSortie(code));
}

namespace {

std::atomic<int> finDemandee{0};
static_assert(std::atomic<int>::is_always_lock_free, "finDemandee is written from a signal handler");

}  // namespace

void DemanderFin(int statut) {
    int aucune = 0;
    finDemandee.compare_exchange_strong(aucune, statut);
    stopRequested = true;
    ternex_close_input();
}

int FinDemandee() { return finDemandee.load(); }

void EffacerArret() { stopRequested = FinDemandee() != 0; }

// The end the closing of the terminal or a termination asks for is the one
// QUITTER makes (the MODE switches saved, the database closed), so that
// nothing of the session is lost; the status tells it from a clean end.
bool GestionnaireControle(int event) {
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
        stopRequested = true;
        return true;
    case CTRL_CLOSE_EVENT:
        DemanderFin(128 + SIGHUP);
        return true;
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        DemanderFin(128 + SIGTERM);
        return true;
    default:
        return true;
    }
}

void Demarrer() {
    // A reader gone from the output ends the run as the end of input does
    // (the console sees its failed write); a database grown past the size
    // limit is a write error, not the end of the process.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    InitialiserHasard(options.graine >= 0 ? options.graine : static_cast<long>(std::time(nullptr)));
    std::atexit(QuitterProprement);
    // --sans-base: no file, no failure to explain.
    const bool base = options.sansBase || OuvrirBase(options.base);
    if (!base) ExpliquerEchecBase();
    omp_set_dynamic(0);
    ChargerSettings();
    AllouerParticules(kDefaultParticles);
    PreparerConsole(base);
    PlacerDepart();
    EcrireThreads();
}

void QuitterProprement() {
    static std::atomic<bool> fait{false};
    if (fait.exchange(true)) return;
    FermerTrace();
    FermerGraphique();  // without verrouEtat: the window thread may be waiting for it
    if (geometrie.fenetre) {
        console.set_window_rect(geometrie.gauche, geometrie.droite, geometrie.haut, geometrie.bas);
    }
    if (geometrie.tampon) console.set_buffer_size(geometrie.colonnes, geometrie.lignes);
    try {
        SauverModes();
    } catch (const DbError& e) {
        SignalerErreurBase(e.code);
        SignalerEchec();
    }
    try {
        FermerBase();
    } catch (const DbError& e) {
        SignalerErreurBase(e.code);
        SignalerEchec();
    }
    LibererParticules();
}
