// Without MPI: one process, threads only.
#include <cstdlib>

#include "explorer/reseau.h"

namespace reseau {

bool Rejoindre(int*, char***) { return false; }
int Rang() { return 0; }
int Taille() { return 1; }
long Diffuser(long valeur) { return valeur; }
void Envoyer(const Rapport&) {}
int Demander() { return 0; }
bool Recevoir(Message&) { return false; }
void Repondre(int, int) {}
std::unique_ptr<Echange> EchangeDesRangs(std::function<void(Rapport&&)> rapporter) {
    return std::make_unique<EchangeFils>(1, std::move(rapporter));
}
void SiPerdu(std::function<void()>) {}
void Quitter() {}
void Abandonner(int code) { std::exit(code); }

}  // namespace reseau
