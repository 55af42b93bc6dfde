// Entry point: start-up, the command loop, shutdown.
#include "shell/boucle.h"
#include "shell/options.h"

int main(int argc, char** argv) {
    const int arret = LireOptions(argc, argv);
    if (arret >= 0) return arret;
    Demarrer();
    const int code = BoucleCommandes();
    // Now rather than from the exit hook: hooks that libraries register later
    // (the GL driver's, when the viewer first draws) run before ours, and the
    // viewer must close while they still stand.
    QuitterProprement();
    return CodeDeSortie(code);
}
