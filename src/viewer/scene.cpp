#include "viewer/scene.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "etat/modes.h"
#include "etat/particules.h"
#include "hull/enveloppe.h"
#include "mathematiques/metriques.h"
#include "ternex2/ternex2.h"

double angleX = 0.0;
double angleY = 0.0;
double potentialMin = 0.0;
double potentialMax = 0.0;
double zoomVue = 1.0;
std::atomic<void (*)()> apresCopieImage{nullptr};

namespace {

constexpr double kDemiPi = 1.5707963267948966;
constexpr double kEchelle = 0.9090909090909091;  // 1 / 1.1: the sphere with a margin

// Set while a frame posted by RafraichirGraphique waits in the window
// thread's queue: that frame copies the state when it starts, so further
// refreshes meanwhile need no frame of their own, and a backlog of frames
// behind quick commands would only take the processor from them.
std::atomic<bool> imageEnAttente{false};

void DessinerSceneAppel(int) {
    imageEnAttente = false;
    DessinerScene();
}

// The window thread's copy, kept between frames.
CopieImage imageCourante;

// Divides potential(i) by degree(i) for i < n (degree 0 or less: left out)
// and gives the bounds of the results: the colour ramp of a frame that found
// the hull stale. Both callers hold the lock, which the shared records need.
template <class Potentiel, class Degre>
void DiviserParDegre(int n, Potentiel potentiel, Degre degre, double& low, double& high) REQUIRES(verrouEtat) {
    float bas = 1e38f, haut = 0.0f;
    for (int i = 0; i < n; ++i) {
        const int32_t d = degre(i);
        if (d <= 0) continue;  // not on the hull: no share to divide
        float& p = potentiel(i);
        p /= static_cast<float>(d);
        bas = std::fmin(bas, p);
        haut = std::fmax(haut, p);
    }
    low = bas;
    high = haut;
}

// Whatever moves a particle bumps the generation; a frame trusting it checks
// that claim when asked to.
void VerifierPositions(const CopieImage& copie) REQUIRES(verrouEtat) {
    for (int i = 0; i < copie.count; ++i) {
        const Vec3& a = etat.particles[i].position;
        const Vec3& b = copie.positions[i];
        if (std::memcmp(&a, &b, sizeof a) != 0) {
            std::fputs("GRAPH : des positions ont changé sans MarquerDeplacement\n", stderr);
            std::abort();
        }
    }
}

void CopierListes(CopieImage& copie) REQUIRES(verrouEtat) {
    HullMesh& m = copie.enveloppe.maillage;
    m.edges.assign(enveloppe.edges.begin(), enveloppe.edges.begin() + enveloppe.edgeCount);
    m.faces.assign(enveloppe.faces.begin(), enveloppe.faces.begin() + enveloppe.faceCount);
    m.edgeCount = enveloppe.edgeCount;
    m.faceCount = enveloppe.faceCount;
    m.complete = enveloppe.complete;
}

// The corners drawn: at most degree of each particle's.
void CopierDual(CopieImage& copie) REQUIRES(verrouEtat) {
    CoinsDual& d = copie.enveloppe.dual;
    d.debut.resize(static_cast<size_t>(copie.count) + 1);
    d.debut[0] = 0;
    for (int i = 0; i < copie.count; ++i) {
        const ParticleRecord& p = etat.particles[i];
        const size_t dessines = std::min(p.dualCorners.size(), static_cast<size_t>(std::max(p.degree, 0)));
        d.debut[i + 1] = d.debut[i] + static_cast<int>(dessines);
    }
    d.coins.resize(static_cast<size_t>(d.debut[copie.count]));
    for (int i = 0; i < copie.count; ++i) {
        const std::vector<Vec3>& coins = etat.particles[i].dualCorners;
        std::copy_n(coins.begin(), d.debut[i + 1] - d.debut[i], d.coins.begin() + d.debut[i]);
    }
}

void CopierCouleurs(CopieImage& copie) REQUIRES(verrouEtat) {
    copie.couleurs.resize(static_cast<size_t>(copie.count));
    for (int i = 0; i < copie.count; ++i) {
        const double* c = etat.particles[i].dualColour;
        copie.couleurs[i] = {c[0], c[1], c[2]};
    }
}

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
    ActualiserPotentiels();  // Monte Carlo attempts leave them owed
    DiviserParDegre(
        static_cast<int>(etat.particles.size()),
        [](int i) REQUIRES(verrouEtat) -> float& { return etat.particles[i].potential; },
        [](int i) REQUIRES(verrouEtat) { return etat.particles[i].degree; }, potentialMin, potentialMax);
}

CouleurRampe Rampe(float potential) { return Rampe(potential, potentialMin, potentialMax); }

CouleurRampe Rampe(float potential, double low, double high) {
    const float span = static_cast<float>(high - low);
    float s = 0.0f;
    if (span > 0.0f) {
        const float t = (potential - static_cast<float>(low)) / span;
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

bool CopierImage(CopieImage& copie) {
    if (etat.resizing) return false;
    copie.particules = modes.particules;
    copie.lignes = modes.lignes;
    copie.polygones = modes.polygones;
    copie.dual = modes.dual;
    copie.axes = modes.axes;
    const bool hull = copie.lignes || copie.polygones;
    copie.perimee = !hullValid;
    copie.construite = copie.perimee && hull;
    copie.publiee = false;
    copie.generation = etat.generation;
    copie.count = std::min<int>(etat.count, static_cast<int>(etat.particles.size()));
    // A frame that builds divides the potentials after its build; one that
    // does not draw the hull divides them now, by the degrees there are.
    if (copie.construite) ActualiserPotentiels();
    OmbrerParticules(copie.perimee && !hull);
    const int n = copie.count;
    copie.positions.resize(n);
    copie.ombres.resize(n);
    copie.potentiels.resize(n);
    for (int i = 0; i < n; ++i) {
        const ParticleRecord& p = etat.particles[i];
        copie.positions[i] = p.position;
        copie.ombres[i] = p.shading;
        copie.potentiels[i] = p.potential;
    }
    copie.potentielMin = potentialMin;
    copie.potentielMax = potentialMax;
    if (copie.construite) {
        PrendreCapacites(copie.enveloppe);
    } else if (hull) {
        CopierListes(copie);
        if (copie.dual) CopierDual(copie);
    }
    // A refused build is drawn in the colours the cells had.
    if (hull && copie.dual) CopierCouleurs(copie);
    return true;
}

bool ConstruireImage(CopieImage& copie) {
    if (!copie.construite) return false;
    ConstruireEnveloppe(copie.positions, copie.dual, copie.enveloppe);
    return true;
}

bool PublierImage(CopieImage& copie) {
    const EnveloppeCopiee& e = copie.enveloppe;
    const bool memesPositions = !etat.resizing && etat.generation == copie.generation && etat.count == copie.count &&
                                static_cast<int>(etat.particles.size()) >= copie.count;
    if (memesPositions && verifierGeneration) VerifierPositions(copie);
    copie.publiee = memesPositions && !hullValid && modes.dual == copie.dual &&
                    enveloppe.edges.size() == e.maillage.edges.size() && enveloppe.faces.size() == e.maillage.faces.size();
    if (!copie.publiee) {
        DiviserParDegre(
            copie.count, [&](int i) -> float& { return copie.potentiels[i]; }, [&](int i) { return e.degres[i]; },
            copie.potentielMin, copie.potentielMax);
        return false;
    }
    PublierEnveloppe(e);
    OmbrerParticules(true);
    for (int i = 0; i < copie.count; ++i) copie.potentiels[i] = etat.particles[i].potential;
    copie.potentielMin = potentialMin;
    copie.potentielMax = potentialMax;
    if (copie.dual) CopierCouleurs(copie);
    return true;
}

bool DessinerImage() {
    CopieImage& copie = imageCourante;
    if (etat.resizing) return false;
    {
        Garde verrou(verrouEtat);
        if (!CopierImage(copie)) return false;  // resizing may have been raised while we waited
    }
    if (void (*observateur)() = apresCopieImage.load()) observateur();
    if (ConstruireImage(copie)) {
        Garde verrou(verrouEtat);
        PublierImage(copie);
    }
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    // In eye space, x and y only: the picture grows while depths keep their
    // range, so zooming in clips nothing, and the labels stay facing the screen.
    glScaled(zoomVue, zoomVue, 1.0);
    glRotated(-angleY * 90.0 / kDemiPi, 0.0, 1.0, 0.0);
    glRotated(angleX * 90.0 / kDemiPi, 1.0, 0.0, 0.0);
    glScaled(kEchelle, kEchelle, kEchelle);
    if (copie.lignes || copie.polygones) {
        if (copie.dual) {
            DessinerDual(copie);
        } else {
            DessinerEnveloppe(copie);
        }
    }
    if (copie.particules) DessinerPoints(copie);
    if (copie.axes && !texturesFailed) DessinerAxes();
    glFlush();
    return true;
}

void DessinerScene() {
    if (DessinerImage()) ogl_swap_buffers();
}

void RafraichirGraphique() {
    if (ogl_instance() == nullptr || imageEnAttente.exchange(true)) return;
    ogl_post_call(DessinerSceneAppel);
}

void OublierImageEnAttente() { imageEnAttente = false; }
