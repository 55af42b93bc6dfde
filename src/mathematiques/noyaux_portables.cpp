#include <cmath>

#include "mathematiques/noyaux.h"

namespace {

double CarreDistance(const PositionsSoA& p, int i, int j) {
    const double dx = p.x[i] - p.x[j], dy = p.y[i] - p.y[j], dz = p.z[i] - p.z[j];
    return dx * dx + dy * dy + dz * dz;
}

void LigneForcePortable(const PositionsSoA& p, int i, double c, double* rx, double* ry, double* rz, double force[3]) {
    double f[3] = {0.0, 0.0, 0.0};
    ForceScalaire(p, i, 0, c, rx, ry, rz, f);
    for (int k = 0; k < 3; ++k) force[k] += f[k];
}

double TermesPortables(const PositionsSoA& p, int r0, int rows, int a, int b, float* t, int pas) {
    double somme = 0.0;
    for (int k = 0; k < rows; ++k) {
        for (int j = a; j < b; ++j) {
            const double e = 1.0 / std::sqrt(CarreDistance(p, r0 + k, j));
            t[k * pas + j - a] = static_cast<float>(e);
            somme += e;
        }
    }
    return somme;
}

void CumulerPortable(const float* t, int pas, int rows, int a, int b, float* pot, float* acc) {
    for (int j = a; j < b; ++j) {
        for (int k = 0; k < rows; ++k) {
            pot[j] += t[k * pas + j - a];
            acc[k] += t[k * pas + j - a];
        }
    }
}

double DeltaEnergiePortable(const PositionsSoA& p, int a, int b, const double o[3], const double q[3]) {
    double somme = 0.0;
    for (int j = a; j < b; ++j) {
        const double ax = q[0] - p.x[j], ay = q[1] - p.y[j], az = q[2] - p.z[j];
        const double bx = o[0] - p.x[j], by = o[1] - p.y[j], bz = o[2] - p.z[j];
        somme += 1.0 / std::sqrt(ax * ax + ay * ay + az * az) - 1.0 / std::sqrt(bx * bx + by * by + bz * bz);
    }
    return somme;
}

void LigneDescentePortable(const PositionsSoA& t, const PositionsSoA& d, int i, double* rx, double* ry, double* rz,
                           double force[3], double sommes[2]) {
    DescenteScalaire(t, d, i, 0, rx, ry, rz, force, sommes);
}

void LigneEnergiePortable(const PositionsSoA& t, int i, double* rx, double* ry, double* rz, double force[3],
                          double& energie) {
    EnergieScalaire(t, i, 0, rx, ry, rz, force, energie);
}

}  // namespace

const NoyauxPaires noyauxPortables = {LigneForcePortable,   TermesPortables,       CumulerPortable,
                                      DeltaEnergiePortable, LigneDescentePortable, LigneEnergiePortable};
