#include "mathematiques/placement.h"

#include <cmath>
#include <numbers>
#include <vector>

#include "etat/parallele.h"
#include "etat/particules.h"
#include "mathematiques/hasard.h"
#include "mathematiques/metriques.h"

void PlacerAleatoirement(int32_t first) {
    const int n = etat.count;
    const int debut = first < 0 ? 0 : first;
    // One thread: the generator is shared, and a team would deal its numbers
    // to the particles in whatever order the workers reach it.
    for (int i = debut; i < n; ++i) TirerPointSphere(etat.particles[i].position, 1.0);
    MarquerDeplacement();
    AnnulerDerivees();
}

// z runs from -1 to 1 in equal steps. A single particle (never allowed by the
// shell, the height formula would divide 0 by 0) goes to the south pole.
void CalculerSpirale(double step, std::span<Vec3> positions) {
    const int n = static_cast<int>(positions.size());
    const double a = step / std::sqrt(static_cast<double>(n));
    double phi = 0.0;
    for (int i = 0; i < n; ++i) {
        const double z = n > 1 ? 2.0 * i / (n - 1) - 1.0 : -1.0;
        const double theta = std::acos(z);
        if (i == 0 || i == n - 1) {
            phi = 0.0;
        } else {
            phi = std::fmod(phi + a / std::sqrt(1.0 - z * z), 2.0 * std::numbers::pi);
        }
        positions[i] = fromAngles(phi, theta);
    }
}

double PlacerEnSpirale(double step) {
    std::vector<Vec3> points(etat.count);
    CalculerSpirale(step, points);
    for (int i = 0; i < etat.count; ++i) etat.particles[i].position = points[i];
    MarquerDeplacement();
    AnnulerDerivees();
    return EnergiePotentielle();
}

void AnnulerDerivees() {
    const int n = etat.count;
    const int equipe = PreparerEquipe(n, kSeuilParticules);
    ParticleRecord* particules = etat.particles.data();  // the caller holds the lock
    PourChaque(n, equipe, [particules](int i) { particules[i].derivative.clear(); });
}
