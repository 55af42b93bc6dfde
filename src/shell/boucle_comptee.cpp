#include "shell/boucle_comptee.h"

#include <chrono>
#include <mutex>

#include "etat/modes.h"
#include "etat/particules.h"
#include "hull/enveloppe.h"
#include "shell/avertissements.h"
#include "shell/boucle.h"
#include "shell/commandes.h"
#include "shell/progression.h"
#include "ternex/ternex.h"
#include "viewer/scene.h"

long long Horloge() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void EcrireTempsDeCalcul(long long debut, long long fin) {
    console.write("Temps de calcul (ms) : ");
    console.write(fin - debut);
    console.write("\n");
}

void ApresDeplacement() {
    if (modes.info) {
        Garde verrou(verrouEtat);
        AfficherInfo();
    }
    RafraichirGraphique();
}

Tours::Tours(const Ligne& ligne, bool enveloppeAvant, double (*energie)()) {
    if (enveloppeAvant) {
        Garde verrou(verrouEtat);
        CalculerEnveloppe(false);
    }
    total_ = LireCompte(ligne);
    if (!total_) return;
    EffacerArret();
    progression_.emplace(LigneTapee(ligne, 1), *total_, energie);
    debut_ = Horloge();
}

void Tours::Terminer() {
    if (!total_) return;
    const long long fin = Horloge();
    progression_.reset();
    {
        // Under the lock: a frame building the hull meanwhile would mark it valid again.
        Garde verrou(verrouEtat);
        hullValid = false;
    }
    EcrireTempsDeCalcul(debut_, fin);
    ApresDeplacement();
}
