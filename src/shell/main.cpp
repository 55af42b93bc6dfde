// Entry point: start-up, the command loop; shutdown runs from the exit hook.
#include "shell/boucle.h"

int main() {
    Demarrer();
    return BoucleCommandes();
}
