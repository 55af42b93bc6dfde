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
RampeCouleurs rampeVue;
double zoomVue = 1.0;
std::atomic<void (*)()> apresCopieImage{nullptr};

namespace {

constexpr double kDemiPi = 1.5707963267948966;
constexpr double kEchelle = 0.9090909090909091;  // 1 / 1.1: the sphere with a margin
constexpr double kTaillePoint = 5.0;             // pixels, in a 600 x 600 picture
constexpr double kCoteReference = 600.0;

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

bool DessineEnveloppe(const CopieImage& c) { return c.lignes || c.polygones || (c.dual && c.defauts); }

bool RemplitCellules(const CopieImage& c) { return c.polygones || (c.dual && c.defauts); }

const std::vector<int32_t>& DegresImage(const CopieImage& c) {
    return c.construite ? c.enveloppe.degres : c.degres;
}

double EchelleImage(int largeur, int hauteur) {
    return std::max(1, std::min(largeur, hauteur)) / kCoteReference;
}

double DecalageDansCadre(double debut, double etendue, double limite) {
    const double bas = std::min(debut, debut + etendue), haut = std::max(debut, debut + etendue);
    if (haut - bas >= 2.0 * limite) return -limite - bas;
    if (haut > limite) return limite - haut;
    if (bas < -limite) return -limite - bas;
    return 0.0;
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
    copie.defauts = modes.defauts;
    // Colouring by degree needs the hull of what it colours.
    const bool hull = DessineEnveloppe(copie) || (copie.defauts && copie.particules);
    copie.perimee = !hullValid;
    copie.construite = copie.perimee && hull;
    copie.publiee = false;
    copie.generation = etat.generation;
    copie.count = std::min<int>(etat.count, static_cast<int>(etat.particles.size()));
    const int n = copie.count;
    copie.positions.resize(n);
    for (int i = 0; i < n; ++i) copie.positions[i] = etat.particles[i].position;
    if (copie.construite) {
        PrendreCapacites(copie.enveloppe);
    } else if (hull) {
        CopierListes(copie);
        if (copie.dual) CopierDual(copie);
    }
    // The ramp of a stale frame that does not build, or the colours by
    // degree of one that does not: the degrees there are.
    if (!copie.construite && (copie.perimee || copie.defauts)) {
        copie.degres.resize(n);
        for (int i = 0; i < n; ++i) copie.degres[i] = etat.particles[i].degree;
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
    if (!copie.publiee) return false;
    PublierEnveloppe(e);
    if (copie.dual) CopierCouleurs(copie);
    return true;
}

void ColorerImage(CopieImage& copie, RampeCouleurs& rampe) {
    const int n = copie.count;
    const Vec3 w = DirectionVue();
    copie.ombres.resize(n);
    for (int i = 0; i < n; ++i) copie.ombres[i] = static_cast<float>((1.0 + dot(w, copie.positions[i])) / 2.0);
    if (copie.perimee) {
        const std::vector<int32_t>& degres = DegresImage(copie);
        rampe.positions.assign(copie.positions.begin(), copie.positions.begin() + n);
        rampe.degres.assign(degres.begin(), degres.begin() + n);
        rampe.due = true;
    }
    if (rampe.due && copie.polygones && !copie.dual) CalculerRampe(rampe);
}

// Particles off the hull (degree 0) have no share to divide, and stay out of
// the bounds; with none on it, the bounds stay inverted (a cyan hull).
void CalculerRampe(RampeCouleurs& rampe) {
    const size_t n = rampe.positions.size();
    rampe.potentiels.resize(n);
    PotentielsDe(rampe.positions, rampe.potentiels);
    float bas = 1e38f, haut = 0.0f;
    for (size_t i = 0; i < n; ++i) {
        const int32_t d = rampe.degres[i];
        if (d <= 0) continue;
        float& p = rampe.potentiels[i];
        p /= static_cast<float>(d);
        bas = std::fmin(bas, p);
        haut = std::fmax(haut, p);
    }
    rampe.bas = bas;
    rampe.haut = haut;
    rampe.due = false;
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
    ColorerImage(copie, rampeVue);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    // The sphere keeps its shape in a window that is not square: the shorter
    // side spans [-1, 1] (a square one keeps the identity).
    GLint vue[4] = {0, 0, 1, 1};
    glGetIntegerv(GL_VIEWPORT, vue);
    const double cote = std::max(1, std::min(vue[2], vue[3]));
    const double limiteX = vue[2] / cote, limiteY = vue[3] / cote;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glScaled(1.0 / limiteX, 1.0 / limiteY, 1.0);
    glMatrixMode(GL_MODELVIEW);
    const double echelle = EchelleImage(vue[2], vue[3]);
    glPointSize(static_cast<float>(kTaillePoint * echelle));
    glLineWidth(static_cast<float>(std::max(1.0, echelle)));
    glLoadIdentity();
    // In eye space, x and y only: the picture grows while depths keep their
    // range, so zooming in clips nothing, and the labels stay facing the screen.
    glScaled(zoomVue, zoomVue, 1.0);
    glRotated(-angleY * 90.0 / kDemiPi, 0.0, 1.0, 0.0);
    glRotated(angleX * 90.0 / kDemiPi, 1.0, 0.0, 0.0);
    glScaled(kEchelle, kEchelle, kEchelle);
    if (DessineEnveloppe(copie)) {
        if (copie.dual) {
            DessinerDual(copie);
        } else {
            DessinerEnveloppe(copie, rampeVue);
        }
    }
    if (copie.particules) DessinerPoints(copie);
    if (copie.axes && !texturesFailed) DessinerAxes(limiteX, limiteY);
    if (copie.defauts && (copie.particules || (copie.dual && DessineEnveloppe(copie)))) {
        DessinerLegende(copie, limiteX, limiteY);
    }
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
