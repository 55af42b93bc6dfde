// The viewer's scene: particles, hull lines or triangles (or the dual cells)
// and the axes, drawn on the window thread with the GL context current.
// Projection stays the identity: the visible volume is the cube [-1, 1]^3 of
// eye space, and the depth test keeps the smaller eye-space z.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <vector>

#include "etat/vec3.h"
#include "etat/verrous.h"
#include "hull/enveloppe.h"

// View angles in radians, set by the viewer's mouse handler and read by
// frames, both on the window thread; they survive closing the viewer.
extern double angleX;
extern double angleY;

// Magnification of the picture, 1 at start; the mouse wheel changes it
// within [kZoomMin, kZoomMax] (window thread). It survives closing the viewer.
extern double zoomVue;
inline constexpr double kZoomMin = 0.5;
inline constexpr double kZoomMax = 5.0;
inline constexpr double kPasZoom = 1.1;  // per notch (wheel 120)

// The colours of filled hull triangles, the viewer's own: each particle's
// sum of 1 / r to the others over its degree, at the positions of the last
// frame that found the hull stale, and the bounds of those values. That
// frame keeps its positions and degrees; the values are worked out by the
// first frame that draws filled triangles (the pair sum costs about as much
// as a hull build). Window thread; it survives closing the viewer.
struct RampeCouleurs {
    std::vector<Vec3> positions;
    std::vector<int32_t> degres;
    bool due = false;               // positions and degrees kept, values not worked out yet
    std::vector<float> potentiels;  // over the degrees (a particle of degree 0 or less keeps its sum)
    double bas = 0.0, haut = 0.0;   // smallest and largest over the positive degrees
};
extern RampeCouleurs rampeVue;

// Set when a label image is missing or short; never cleared. Written by
// LireTextures before the viewer's init is posted, read by frames.
extern std::atomic<bool> texturesFailed;

// --- Command thread -------------------------------------------------------

// Reads x.tga, y.tga, z.tga (the first 12288 bytes of each: 64 x 64 RGB) for
// the next ChargerTextures, from ./img, else the installed data folder, else
// img/ beside the executable. On a missing or short file, writes
// "Erreur : Impossible de charger les textures du dossier img.\n", sets
// texturesFailed and reads no further file (and returns false). Call before
// the viewer's init is posted (InitialiserGL uploads what was read).
bool LireTextures();

// Posts one frame to the viewer when it is open; does nothing otherwise, nor
// when a frame it posted has not started yet (that one shows the state as it
// will be). Never waits for the frame.
void RafraichirGraphique();

// --- Window thread --------------------------------------------------------

// The viewer's init operation: GL state, textures, then a first frame.
void InitialiserGL();
// A new window's queue holds no frame of an earlier one (InitialiserGL).
void OublierImageEnAttente();
// Uploads the blocks LireTextures read into three texture names.
void ChargerTextures();
// Releases the three texture names (before the viewer closes).
void SupprimerTextures();

// What a frame draws, copied from the shared state under verrouEtat so that
// the hull build, the shading and the drawing run without it. The window
// thread keeps one from frame to frame, so that its buffers are not
// reallocated.
struct CopieImage {
    // The drawing modes as the frame found them.
    bool particules = false, lignes = false, polygones = false, dual = false, axes = false;
    bool defauts = false;     // particles and cells coloured by degree
    bool perimee = false;     // hullValid was clear
    bool construite = false;  // stale and drawn: this frame builds the hull on the copy
    bool publiee = false;     // that build became the shared hull
    uint64_t generation = 0;  // etat.generation at the copy
    int count = 0;
    std::vector<Vec3> positions;
    // Not built here: the degrees the particles had (stale and not drawn, for
    // the ramp; or drawn by degree).
    std::vector<int32_t> degres;
    std::vector<float> ombres;    // brightness for the current angles (ColorerImage)
    EnveloppeCopiee enveloppe;    // the lists (and dual corners) drawn: copied, or built here
    std::vector<std::array<double, 3>> couleurs;  // dual cell colours
};

// One frame; nothing while etat.resizing is set. Holds verrouEtat only to
// copy what it draws and to publish a hull it built.
void DessinerScene();
// The frame of DessinerScene drawn into the back buffer, not presented; false
// when nothing was drawn (etat.resizing).
bool DessinerImage();
// One notch of the wheel (MouseEvent.wheel, +120 away from the user) zooms
// in by kPasZoom, toward the user out, within the bounds.
void ZoomerVue(int wheel);

// The steps of a frame. First, under verrouEtat, the copy; it changes
// nothing shared. False while etat.resizing is set.
bool CopierImage(CopieImage& copie) REQUIRES(verrouEtat);
// Without the lock: when the hull was stale and is drawn, builds it on the
// copy. Returns whether it did.
bool ConstruireImage(CopieImage& copie);
// Under verrouEtat, after a build: when the positions are those of the copy
// (same generation and count), the hull still stale and the DUAL mode
// unchanged, installs the built hull as CalculerEnveloppe would have (the
// cells' colours drawn then). Otherwise the shared state is left as it is,
// and the frame draws the hull of its copy. Returns whether the hull was
// published.
bool PublierImage(CopieImage& copie) REQUIRES(verrouEtat);
// Without the lock: the copy's shading; when the hull was stale, the ramp
// takes the copy's positions and degrees (those of its build, or those the
// particles had); when the frame draws filled triangles, the ramp's values
// are worked out if due.
void ColorerImage(CopieImage& copie, RampeCouleurs& rampe);
// The values of a ramp whose positions and degrees are kept.
void CalculerRampe(RampeCouleurs& rampe);
// GL, without the lock: the copy's hull (triangles coloured by the ramp) or
// dual cells, and its points.
void DessinerEnveloppe(const CopieImage& copie, const RampeCouleurs& rampe);
void DessinerDual(const CopieImage& copie);
void DessinerPoints(const CopieImage& copie);
// The visible half-widths in eye space (1 and 1 in a square picture): the
// labels are moved in, when they would stick out, to lie within them.
void DessinerAxes(double limiteX = 1.0, double limiteY = 1.0);
void DessinerEtiquette(char letter, double limiteX = 1.0, double limiteY = 1.0);  // 'x', 'y' or 'z'

// Tests: called on the window thread between a frame's copy and its build,
// the lock released.
extern std::atomic<void (*)()> apresCopieImage;

// What a frame draws of the hull: its lines or triangles, or the dual cells
// instead (with DEFAUTS, DUAL alone draws them filled).
bool DessineEnveloppe(const CopieImage& copie);
bool RemplitCellules(const CopieImage& copie);
// The degrees the frame colours by: those of its build, else those copied.
const std::vector<int32_t>& DegresImage(const CopieImage& copie);
// GL: the legend of the degree colours in the bottom-left corner, with each
// degree's count; eye-space units, visible half-widths limiteX, limiteY.
void DessinerLegende(const CopieImage& copie, double limiteX, double limiteY);

// --- Pure helpers -----------------------------------------------------------

// The colours by hull degree: 5 red, 6 a light neutral, 7 blue, 4 amber, 8
// green, any other violet; a particle's point darker than its cell, so that
// it shows on white and on its own cell.
struct CouleurDegre {
    float r, g, b;
};
CouleurDegre CouleurCellule(int degre);
CouleurDegre CouleurPoint(int degre);
// The legend's rows: 4 to 8, then every other degree.
inline constexpr int kLignesLegende = 6;
int LigneLegende(int degre);

// Pixel sizes scale with the picture, so that a large one looks like the
// window at 600 x 600, only finer: the shorter side over 600.
double EchelleImage(int largeur, int hauteur);

// Where a label whose eye-space box starts at `debut` and spans `etendue`
// must be moved along one axis to lie within [-limite, limite]: 0 when it
// already does.
double DecalageDansCadre(double debut, double etendue, double limite);

// The model-space unit vector that the view rotation turns into eye-space +z.
Vec3 DirectionVue();

struct CouleurRampe {
    float r, g, b;
};
// Cyan (lowest) to blue, magenta and red (highest) between the bounds; cyan
// when they are equal or inverted.
CouleurRampe Rampe(float potential, double low, double high);

// --- The view as a picture ------------------------------------------------

struct ImageVue {
    int largeur = 0, hauteur = 0;
    std::vector<unsigned char> rgb;  // 8-bit RGB, top row first; empty: no picture
};

// The side of a picture IMAGE can ask for at most.
inline constexpr int kTailleImageMax = 4096;
// Samples per pixel asked of off-screen pictures (antialiasing).
inline constexpr int kEchantillonsImage = 4;

// Window thread: draws a frame off-screen at taille x taille (0: the window's
// size) and reads it back; the window's own picture is left alone. Empty
// when no frame could be drawn or the driver cannot make the picture.
ImageVue CapturerVue(int taille = 0);

// Command thread, without verrouEtat (the frame takes it): asks the open
// viewer for CapturerVue(taille) and waits for it. False without a viewer,
// or when the window thread does not answer.
bool LireImageVue(ImageVue& image, int taille = 0) EXCLUDES(verrouEtat);

// Writes the picture as an 8-bit RGB PNG file; false (and no file left) on failure.
bool EcrireImagePng(const char* chemin, const ImageVue& image);
