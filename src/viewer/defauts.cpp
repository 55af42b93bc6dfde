// The colours by hull degree (MODE DEFAUTS) and their legend.
#include <GL/gl.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>

#include "viewer/scene.h"

namespace {

// Cells in the bright colour, points in a darker one of the same hue.
constexpr CouleurDegre kCellules[kLignesLegende] = {
    {1.0f, 0.78f, 0.25f},   // 4 amber
    {0.95f, 0.25f, 0.2f},   // 5 red
    {0.9f, 0.9f, 0.86f},    // 6 light neutral
    {0.25f, 0.45f, 0.95f},  // 7 blue
    {0.35f, 0.8f, 0.35f},   // 8 green
    {0.75f, 0.35f, 0.85f},  // others violet
};
constexpr CouleurDegre kPoints[kLignesLegende] = {
    {0.8f, 0.5f, 0.0f},  {0.8f, 0.0f, 0.0f}, {0.5f, 0.5f, 0.47f},
    {0.0f, 0.15f, 0.8f}, {0.0f, 0.5f, 0.0f}, {0.5f, 0.0f, 0.6f},
};

// A 5 x 7 font of what the legend writes: rows top first, bit 4 leftmost.
struct Glyphe {
    char c;
    uint8_t rangs[7];
};
constexpr Glyphe kPolice[] = {
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}}, {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}}, {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}}, {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}}, {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}}, {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {'a', {0x00, 0x00, 0x0E, 0x01, 0x0F, 0x11, 0x0F}}, {'u', {0x00, 0x00, 0x11, 0x11, 0x11, 0x13, 0x0D}},
    {'t', {0x08, 0x08, 0x1C, 0x08, 0x08, 0x09, 0x06}}, {'r', {0x00, 0x00, 0x16, 0x19, 0x10, 0x10, 0x10}},
    {'e', {0x00, 0x00, 0x0E, 0x11, 0x1F, 0x10, 0x0E}}, {'s', {0x00, 0x00, 0x0E, 0x10, 0x0E, 0x01, 0x1E}},
};

// Eye-space sizes (the picture's shorter side spans 2).
constexpr double kCase = 0.0065;             // one dot of the font
constexpr double kLigne = 11 * kCase;        // a row of the legend
constexpr double kMarge = 0.03;
constexpr double kCarre = 7 * kCase;         // the colour swatch

void Rectangle(double x0, double y0, double x1, double y1) {
    glBegin(GL_QUADS);
    glVertex2d(x0, y0);
    glVertex2d(x1, y0);
    glVertex2d(x1, y1);
    glVertex2d(x0, y1);
    glEnd();
}

// Writes text with its bottom-left corner at (x, y); returns the x after it.
double Ecrire(const std::string& texte, double x, double y) {
    for (char c : texte) {
        for (const Glyphe& g : kPolice) {
            if (g.c != c) continue;
            for (int rang = 0; rang < 7; ++rang) {
                for (int col = 0; col < 5; ++col) {
                    if ((g.rangs[rang] >> (4 - col) & 1) == 0) continue;
                    const double gx = x + col * kCase, gy = y + (6 - rang) * kCase;
                    Rectangle(gx, gy, gx + kCase, gy + kCase);
                }
            }
        }
        x += 6 * kCase;
    }
    return x;
}

}  // namespace

int LigneLegende(int degre) { return degre >= 4 && degre <= 8 ? degre - 4 : kLignesLegende - 1; }

CouleurDegre CouleurCellule(int degre) { return kCellules[LigneLegende(degre)]; }

CouleurDegre CouleurPoint(int degre) { return kPoints[LigneLegende(degre)]; }

void DessinerLegende(const CopieImage& copie, double limiteX, double limiteY) {
    std::array<int, kLignesLegende> nombres{};
    const std::vector<int32_t>& degres = DegresImage(copie);
    for (size_t i = 0; i < degres.size() && static_cast<int>(i) < copie.count; ++i) ++nombres[LigneLegende(degres[i])];
    const char* noms[kLignesLegende] = {"4", "5", "6", "7", "8", "autres"};

    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    const double x0 = -limiteX + kMarge, y0 = -limiteY + kMarge;
    const double largeur = 18 * 6 * kCase, hauteur = kLignesLegende * kLigne + 2 * kCase;
    glColor3f(1.0f, 1.0f, 1.0f);
    Rectangle(x0, y0, x0 + largeur, y0 + hauteur);
    for (int l = 0; l < kLignesLegende; ++l) {
        // 4 at the top.
        const double y = y0 + 2 * kCase + (kLignesLegende - 1 - l) * kLigne;
        const double x = x0 + 2 * kCase;
        glColor3f(0.2f, 0.2f, 0.2f);
        Rectangle(x - kCase / 2, y - kCase / 2, x + kCarre + kCase / 2, y + kCarre + kCase / 2);
        glColor3f(kCellules[l].r, kCellules[l].g, kCellules[l].b);
        Rectangle(x, y, x + kCarre, y + kCarre);
        glColor3f(kPoints[l].r, kPoints[l].g, kPoints[l].b);
        const double apres = Ecrire(noms[l], x + kCarre + 2 * kCase, y);
        glColor3f(0.15f, 0.15f, 0.15f);
        Ecrire(std::to_string(nombres[l]), std::max(apres, x + kCarre + 2 * kCase + 7 * 6 * kCase) + kCase, y);
    }
    glEnable(GL_DEPTH_TEST);
    glPopMatrix();
}
