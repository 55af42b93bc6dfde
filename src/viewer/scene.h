// The viewer's scene: particles, hull lines or triangles (or the dual cells)
// and the axes, drawn on the window thread with the GL context current.
// Projection stays the identity: the visible volume is the cube [-1, 1]^3 of
// eye space, and the depth test keeps the smaller eye-space z.
#pragma once

#include <atomic>
#include <vector>

#include "etat/vec3.h"
#include "etat/verrous.h"

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

// Posts one frame to the viewer when it is open; does nothing otherwise.
// Never waits for the frame.
void RafraichirGraphique();

// --- Window thread --------------------------------------------------------

// The viewer's init operation: GL state, textures, then a first frame.
void InitialiserGL();
// Uploads the blocks LireTextures read into three texture names.
void ChargerTextures();
// Releases the three texture names (before the viewer closes).
void SupprimerTextures();

// One frame; nothing while etat.resizing is set. Holds verrouEtat for the
// whole frame, and may build the hull.
void DessinerScene();
// The frame of DessinerScene drawn into the back buffer, not presented; false
// when nothing was drawn (etat.resizing).
bool DessinerImage();
// One notch of the wheel (MouseEvent.wheel, +120 away from the user) zooms
// in by kPasZoom, toward the user out, within the bounds.
void ZoomerVue(int wheel);
void DessinerEnveloppe() REQUIRES(verrouEtat);
void DessinerDual() REQUIRES(verrouEtat);
void DessinerPoints() REQUIRES(verrouEtat);
void DessinerAxes();
void DessinerEtiquette(char letter);  // 'x', 'y' or 'z'

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
// Cyan (lowest) to blue, magenta and red (highest); cyan when the bounds are
// equal or inverted.
CouleurRampe Rampe(float potential);

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
