#include "viewer/scene.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <mutex>

#include "hull/enveloppe.h"
#include "mathematiques/metriques.h"
#include "etat/particules.h"
#include "etat/modes.h"
#include "ternex2/ternex2.h"

double angleX = 0.0;
double angleY = 0.0;
double potentialMin = 0.0;
double potentialMax = 0.0;
double zoomVue = 1.0;

namespace {

constexpr double kDemiPi = 1.5707963267948966;
constexpr double kEchelle = 0.9090909090909091;  // 1 / 1.1: the sphere with a margin

void DessinerSceneAppel(int) { DessinerScene(); }

}  // namespace

// ---------------------------------------------------------------------------
// Frames
// ---------------------------------------------------------------------------

Vec3 DirectionVue() {
    return {std::sin(angleY), std::cos(angleY) * std::sin(angleX), std::cos(angleY) * std::cos(angleX)};
}

void OmbrerParticules(bool wasStale) {
    const Vec3 w = DirectionVue();
    for (ParticleRecord& p : etat.particles) {
        p.shading = static_cast<float>((1.0 + dot(w, p.position)) / 2.0);
    }
    if (!wasStale) return;
    ActualiserPotentiels();  // Monte Carlo attempts leave them owed; the frame holds verrouEtat
    float low = 1e38f, high = 0.0f;
    for (ParticleRecord& p : etat.particles) {
        if (p.degree <= 0) continue;  // not on the hull: no share to divide
        p.potential /= static_cast<float>(p.degree);
        low = std::fmin(low, p.potential);
        high = std::fmax(high, p.potential);
    }
    potentialMin = low;
    potentialMax = high;
}

CouleurRampe Rampe(float potential) {
    const float span = static_cast<float>(potentialMax - potentialMin);
    float s = 0.0f;
    if (span > 0.0f) {
        const float t = (potential - static_cast<float>(potentialMin)) / span;
        s = t * t;
    }
    CouleurRampe c;
    c.r = s < 0.33f ? 0.0f : (s >= 0.66f ? 1.0f : 3.0f * (s - 0.33f));
    c.g = s < 0.33f ? 1.0f - 3.0f * s : 0.0f;
    c.b = s < 0.66f ? 1.0f : 1.0f - 3.0f * (s - 0.66f);
    return c;
}

void ZoomerVue(int wheel) {
    zoomVue = std::clamp(zoomVue * std::pow(kPasZoom, wheel / 120.0), kZoomMin, kZoomMax);
}

bool DessinerImage() {
    if (etat.resizing) return false;
    Garde verrou(verrouEtat);
    if (etat.resizing) return false;  // raised while we waited for the lock
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    // In eye space, x and y only: the picture grows while depths keep their
    // range, so zooming in clips nothing, and the labels stay facing the screen.
    glScaled(zoomVue, zoomVue, 1.0);
    glRotated(-angleY * 90.0 / kDemiPi, 0.0, 1.0, 0.0);
    glRotated(angleX * 90.0 / kDemiPi, 1.0, 0.0, 0.0);
    glScaled(kEchelle, kEchelle, kEchelle);
    const bool wasStale = !hullValid;
    const bool hull = modes.lignes || modes.polygones;
    if (wasStale && hull) CalculerEnveloppe(false);
    OmbrerParticules(wasStale);
    if (hull) {
        if (modes.dual) {
            DessinerDual();
        } else {
            DessinerEnveloppe();
        }
    }
    if (modes.particules) DessinerPoints();
    if (modes.axes && !texturesFailed) DessinerAxes();
    glFlush();
    return true;
}

void DessinerScene() {
    if (DessinerImage()) ogl_swap_buffers();
}

void RafraichirGraphique() { ogl_post_call(DessinerSceneAppel); }
