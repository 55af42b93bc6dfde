// The hull as lines or ramp-coloured triangles, the dual cells, the points.
// Window thread, from a frame's copy (without verrouEtat).
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cmath>

#include "ternex2/ternex2.h"
#include "viewer/scene.h"

namespace {

// Depth ranges put points in front of lines, and lines in front of faces.
constexpr double kPointsNear = 0.08, kPointsFar = 0.98;
constexpr double kLinesNear = 0.09, kLinesFar = 0.99;
constexpr double kFacesNear = 0.1, kFacesFar = 1.0;

bool Valide(const CopieImage& c, int index) { return index >= 0 && index < c.count; }

void Sommet(const Vec3& v) { glVertex3d(v.x, v.y, v.z); }

// A particle the ramp does not know (none kept yet) takes its low end.
void SommetRampe(const CopieImage& c, const RampeCouleurs& rampe, int index) {
    const float potentiel = static_cast<size_t>(index) < rampe.potentiels.size() ? rampe.potentiels[index]
                                                                                 : static_cast<float>(rampe.bas);
    const CouleurRampe couleur = Rampe(potentiel, rampe.bas, rampe.haut);
    glColor3f(couleur.r, couleur.g, couleur.b);
    Sommet(c.positions[index]);
}

void SommetOmbre(const CopieImage& c, int index) {
    glColor3f(c.ombres[index], c.ombres[index], 1.0f);
    Sommet(c.positions[index]);
}

}  // namespace

// ---------------------------------------------------------------------------
// Hull, dual cells and points
// ---------------------------------------------------------------------------

void DessinerEnveloppe(const CopieImage& c, const RampeCouleurs& rampe) {
    const HullMesh& m = c.enveloppe.maillage;
    if (c.polygones) {
        glDepthRange(kFacesNear, kFacesFar);
        glBegin(GL_TRIANGLES);
        for (int f = 0; f < m.faceCount; ++f) {
            const HullFace& face = m.faces[f];
            if (!Valide(c, face.v[0]) || !Valide(c, face.v[1]) || !Valide(c, face.v[2])) continue;
            for (int k = 0; k < 3; ++k) SommetRampe(c, rampe, face.v[k]);
        }
        glEnd();
    }
    if (c.lignes) {
        glDepthRange(kLinesNear, kLinesFar);
        glBegin(GL_LINES);
        for (int e = 0; e < m.edgeCount; ++e) {
            const HullEdge& edge = m.edges[e];
            if (!Valide(c, edge.lo) || !Valide(c, edge.hi)) continue;
            SommetOmbre(c, edge.lo);
            SommetOmbre(c, edge.hi);
        }
        glEnd();
    }
}

void DessinerDual(const CopieImage& c) {
    const CoinsDual& d = c.enveloppe.dual;
    const int cellules = std::min(c.count, static_cast<int>(d.debut.size()) - 1);
    if (RemplitCellules(c)) {
        glDepthRange(kFacesNear, kFacesFar);
        for (int i = 0; i < cellules; ++i) {
            if (c.defauts) {
                const CouleurDegre couleur = CouleurCellule(d.debut[i + 1] - d.debut[i]);
                glColor3f(couleur.r, couleur.g, couleur.b);
            } else {
                glColor3dv(c.couleurs[i].data());
            }
            glBegin(GL_POLYGON);
            for (int k = d.debut[i]; k < d.debut[i + 1]; ++k) Sommet(d.coins[k]);
            glEnd();
        }
    }
    if (c.lignes) {
        glDepthRange(kLinesNear, kLinesFar);
        const Vec3 w = DirectionVue();
        for (int i = 0; i < cellules; ++i) {
            glBegin(GL_LINE_LOOP);
            for (int k = d.debut[i]; k < d.debut[i + 1]; ++k) {
                const float light = static_cast<float>((1.0 + dot(w, d.coins[k])) / 2.0);
                glColor3f(light, light, 1.0f);
                Sommet(d.coins[k]);
            }
            glEnd();
        }
    }
}

void DessinerPoints(const CopieImage& c) {
    glDepthRange(kPointsNear, kPointsFar);
    // In a multisampled picture points come out square: there they are drawn
    // one sample a pixel, smoothed by their coverage blended over the scene.
    const bool lisses = ogl_offscreen_samples() > 0;
    if (lisses) {
        glDisable(GL_MULTISAMPLE);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
    const std::vector<int32_t>& degres = DegresImage(c);
    const bool parDegre = c.defauts && degres.size() >= static_cast<size_t>(c.count);
    glBegin(GL_POINTS);
    for (int i = 0; i < c.count; ++i) {
        if (parDegre) {
            const CouleurDegre couleur = CouleurPoint(degres[i]);
            glColor3f(couleur.r, couleur.g, couleur.b);
        } else {
            glColor3f(1.0f, c.ombres[i], c.ombres[i]);
        }
        Sommet(c.positions[i]);
    }
    glEnd();
    if (lisses) {
        glBlendFunc(GL_SRC_ALPHA, GL_SRC_COLOR);  // the labels' blending (InitialiserGL)
        glDisable(GL_BLEND);
        glEnable(GL_MULTISAMPLE);
    }
}
