// Relaxation from the spiral reaches the published minimum energies.
#include <cmath>

#include "simulation_outils.h"

namespace {

double Relaxer(int n, int pas) {
    outils::Configurer(std::vector<Vec3>(n));
    PlacerEnSpirale(kDefaultSpiralStep);
    params.K = 100.0;  // larger steps, same fixed points
    for (int k = 0; k < pas; ++k) {
        AppliquerForce();
        ModifierPosition();
    }
    return EnergiePotentielle();
}

TEST(Thomson, CinqEtDouzeParticules) {
    EXPECT_NEAR(Relaxer(5, 10000), 6.474691495, 5e-10);
    EXPECT_NEAR(Relaxer(12, 10000), 49.165253058, 5e-10);
}

}  // namespace
