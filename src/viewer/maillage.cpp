// The hull as lines or ramp-coloured triangles, the dual cells, the points.
// Window thread, inside a frame (verrouEtat held).
#include <GL/gl.h>

#include <cmath>
#include <mutex>

#include "hull/enveloppe.h"
#include "etat/particules.h"
#include "etat/modes.h"
#include "viewer/scene.h"

namespace {

// Depth ranges put points in front of lines, and lines in front of faces.
constexpr double kPointsNear = 0.08, kPointsFar = 0.98;
constexpr double kLinesNear = 0.09, kLinesFar = 0.99;
constexpr double kFacesNear = 0.1, kFacesFar = 1.0;

bool Valide(int index) REQUIRES(verrouEtat) { return index >= 0 && index < etat.count; }

void Sommet(const Vec3& v) { glVertex3d(v.x, v.y, v.z); }

void SommetRampe(int index) REQUIRES(verrouEtat) {
    const ParticleRecord& p = etat.particles[index];
    const CouleurRampe c = Rampe(p.potential);
    glColor3f(c.r, c.g, c.b);
    Sommet(p.position);
}

void SommetOmbre(int index) REQUIRES(verrouEtat) {
    const ParticleRecord& p = etat.particles[index];
    glColor3f(p.shading, p.shading, 1.0f);
    Sommet(p.position);
}

}  // namespace

// ---------------------------------------------------------------------------
// Hull, dual cells and points
// ---------------------------------------------------------------------------

void DessinerEnveloppe() {
    if (modes.polygones) {
        glDepthRange(kFacesNear, kFacesFar);
        glBegin(GL_TRIANGLES);
        for (int f = 0; f < enveloppe.faceCount; ++f) {
            const HullFace& face = enveloppe.faces[f];
            if (!Valide(face.v[0]) || !Valide(face.v[1]) || !Valide(face.v[2])) continue;
            for (int k = 0; k < 3; ++k) SommetRampe(face.v[k]);
        }
        glEnd();
    }
    if (modes.lignes) {
        glDepthRange(kLinesNear, kLinesFar);
        glBegin(GL_LINES);
        for (int e = 0; e < enveloppe.edgeCount; ++e) {
            const HullEdge& edge = enveloppe.edges[e];
            if (!Valide(edge.lo) || !Valide(edge.hi)) continue;
            SommetOmbre(edge.lo);
            SommetOmbre(edge.hi);
        }
        glEnd();
    }
}

void DessinerDual() {
    if (modes.polygones) {
        glDepthRange(kFacesNear, kFacesFar);
        for (const ParticleRecord& p : etat.particles) {
            const size_t corners = std::min(p.dualCorners.size(), static_cast<size_t>(std::max(p.degree, 0)));
            glColor3dv(p.dualColour);
            glBegin(GL_POLYGON);
            for (size_t k = 0; k < corners; ++k) Sommet(p.dualCorners[k]);
            glEnd();
        }
    }
    if (modes.lignes) {
        glDepthRange(kLinesNear, kLinesFar);
        const Vec3 w = DirectionVue();
        for (const ParticleRecord& p : etat.particles) {
            const size_t corners = std::min(p.dualCorners.size(), static_cast<size_t>(std::max(p.degree, 0)));
            glBegin(GL_LINE_LOOP);
            for (size_t k = 0; k < corners; ++k) {
                const float light = static_cast<float>((1.0 + dot(w, p.dualCorners[k])) / 2.0);
                glColor3f(light, light, 1.0f);
                Sommet(p.dualCorners[k]);
            }
            glEnd();
        }
    }
}

void DessinerPoints() {
    glDepthRange(kPointsNear, kPointsFar);
    glBegin(GL_POINTS);
    for (const ParticleRecord& p : etat.particles) {
        glColor3f(1.0f, p.shading, p.shading);
        Sommet(p.position);
    }
    glEnd();
}
