// The viewer's scene: particles, hull lines or triangles (or the dual cells)
// and the axes, drawn on the window thread with the GL context current.
// Projection stays the identity: the visible volume is the cube [-1, 1]^3 of
// eye space, and the depth test keeps the smaller eye-space z.
#pragma once

#include <atomic>

#include "etat/vec3.h"
#include "etat/verrous.h"

// View angles in radians, set by the viewer's mouse handler and read by
// frames, both on the window thread; they survive closing the viewer.
extern double angleX;
extern double angleY;

// Bounds of the colour ramp, found by the shading pass of a frame that saw
// the hull stale (window thread).
extern double potentialMin;
extern double potentialMax;

// Set when a label image is missing or short; never cleared. Written by
// LireTextures before the viewer's init is posted, read by frames.
extern std::atomic<bool> texturesFailed;

// --- Command thread -------------------------------------------------------

// Reads ./img/x.tga, y.tga, z.tga (the first 12288 bytes of each: 64 x 64
// RGB) for the next ChargerTextures. On a missing or short file, writes
// "Erreur : Impossible de charger les textures du dossier img.\n", sets
// texturesFailed and reads no further file. Call before the viewer's init
// is posted (InitialiserGL uploads what was read).
void LireTextures();

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
