#include "shell/boucle_comptee.h"

#include <chrono>
#include <mutex>

#include "hull/enveloppe.h"
#include "shell/avertissements.h"
#include "shell/progression.h"
#include "etat/particules.h"
#include "shell/commandes.h"
#include "etat/modes.h"
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

// The step count is 64-bit: "9999 M" is about 10^10 steps, beyond int32.
// The lock is released between steps so that the viewer can draw a frame.
void BoucleComptee(const Ligne& ligne, bool enveloppeAvant, void (*etape)(), double (*energie)()) {
    if (enveloppeAvant) {
        Garde verrou(verrouEtat);
        CalculerEnveloppe(false);
    }
    const std::optional<long long> n = LireCompte(ligne);
    if (!n) return;
    stopRequested = false;
    long long debut = 0, fin = 0;
    {
        Progression progression(LigneTapee(ligne, 1), *n, energie);
        debut = Horloge();
        for (long long i = 0; i < *n && !stopRequested; ++i) {
            {
                Garde verrou(verrouEtat);
                etape();
            }
            progression.Avancer(i + 1);
        }
        fin = Horloge();
    }
    {
        // Under the lock: a frame building the hull meanwhile would mark it valid again.
        Garde verrou(verrouEtat);
        hullValid = false;
    }
    EcrireTempsDeCalcul(debut, fin);
    ApresDeplacement();
}
