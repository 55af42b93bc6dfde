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

// Bounds of the colour ramp, found by the shading pass of a frame that saw
// the hull stale (window thread).
extern double potentialMin;
extern double potentialMax;

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
// the hull build and the drawing run without it. The window thread keeps one
// from frame to frame, so that its buffers are not reallocated.
struct CopieImage {
    // The drawing modes as the frame found them.
    bool particules = false, lignes = false, polygones = false, dual = false, axes = false;
    bool perimee = false;     // hullValid was clear
    bool construite = false;  // stale and drawn: this frame builds the hull on the copy
    bool publiee = false;     // that build became the shared hull
    uint64_t generation = 0;  // etat.generation at the copy
    int count = 0;
    std::vector<Vec3> positions;
    std::vector<float> ombres;
    std::vector<float> potentiels;  // divided by the degrees when the frame found the hull stale
    double potentielMin = 0.0, potentielMax = 0.0;  // the ramp this frame colours with
    EnveloppeCopiee enveloppe;  // the lists (and dual corners) drawn: copied, or built here
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

// The steps of a frame. First, under verrouEtat: the effects on the shared
// state that need no build (every particle's shading; with a stale hull that
// is not drawn, the division of OmbrerParticules), then the copy. False while
// etat.resizing is set.
bool CopierImage(CopieImage& copie) REQUIRES(verrouEtat);
// Without the lock: when the hull was stale and is drawn, builds it on the
// copy. Returns whether it did.
bool ConstruireImage(CopieImage& copie);
// Under verrouEtat, after a build: when the positions are those of the copy
// (same generation and count), the hull still stale and the DUAL mode
// unchanged, installs the built hull and shades as a frame that built it
// under the lock always did (OmbrerParticules(true)), and takes the
// resulting potentials and ramp into the copy. Otherwise the shared state is
// left as if the frame had not built, and the copy's own potentials are
// divided by its degrees. Returns whether the hull was published.
bool PublierImage(CopieImage& copie) REQUIRES(verrouEtat);
// GL, without the lock: the copy's hull or dual cells, and its points.
void DessinerEnveloppe(const CopieImage& copie);
void DessinerDual(const CopieImage& copie);
void DessinerPoints(const CopieImage& copie);
void DessinerAxes();
void DessinerEtiquette(char letter);  // 'x', 'y' or 'z'

// Tests: called on the window thread between a frame's copy and its build,
// the lock released.
extern std::atomic<void (*)()> apresCopieImage;

// --- Pure helpers (any thread, under verrouEtat for particle data) --------

// Writes every particle's shading for the current angles; when wasStale,
// divides each potential by its degree (particles of degree 0 are left out)
// and sets potentialMin and potentialMax from the results.
void OmbrerParticules(bool wasStale) REQUIRES(verrouEtat);

// The model-space unit vector that the view rotation turns into eye-space +z.
Vec3 DirectionVue();

struct CouleurRampe {
    float r, g, b;
};
// Cyan (lowest) to blue, magenta and red (highest) between potentialMin and
// potentialMax, or the given bounds; cyan when the bounds are equal or inverted.
CouleurRampe Rampe(float potential);
CouleurRampe Rampe(float potential, double low, double high);

// --- The view as a picture ------------------------------------------------

struct ImageVue {
    int largeur = 0, hauteur = 0;
    std::vector<unsigned char> rgb;  // 8-bit RGB, top row first; empty: no picture
};

// Window thread: draws a frame, reads it back at the window's size, then
// presents it. Empty when no frame could be drawn.
ImageVue CapturerVue();

// Command thread, without verrouEtat (the frame takes it): asks the open
// viewer for CapturerVue and waits for it. False without a viewer, or when
// the window thread does not answer.
bool LireImageVue(ImageVue& image) EXCLUDES(verrouEtat);

// Writes the picture as an 8-bit RGB PNG file; false (and no file left) on failure.
bool EcrireImagePng(const char* chemin, const ImageVue& image);
