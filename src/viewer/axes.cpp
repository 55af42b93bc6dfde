// GL set-up, the label textures, and the axes with their arrow heads and labels.
#include <GL/gl.h>
#include <GL/glu.h>

#include <unistd.h>

#include <array>
#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include "ternex/ternex.h"
#include "viewer/scene.h"

std::atomic<bool> texturesFailed{false};

namespace {

constexpr int kCote = 64;                            // label images are 64 x 64 RGB
constexpr size_t kOctetsImage = kCote * kCote * 3;   // 12288, header included
constexpr const char* kNoms[3] = {"x.tga", "y.tga", "z.tga"};
constexpr double kLongueur = 1.05;                   // axis length
constexpr double kCoteEtiquette = 0.1;               // a label's side, model units

// Written by LireTextures before the init request is posted, read by that
// request's ChargerTextures: the request queue orders the two.
std::array<std::vector<unsigned char>, 3> blocs;
GLuint labelTextures[3] = {0, 0, 0};

// Where the labels are: the working directory's img/, else the installed data
// folder seen from the executable's (<prefix>/share/glomerix from <prefix>/bin),
// else img/ beside the executable (the build tree links the source tree's
// there). The first folder holding x.tga is taken, so that an incomplete set
// still reports its missing file rather than being passed over.
std::string DossierEtiquettes() {
    std::vector<std::string> candidats;
    candidats.reserve(3);
    candidats.emplace_back("./img");
    char exe[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n > 0) {
        std::string dossier(exe, static_cast<size_t>(n));
        dossier.erase(dossier.find_last_of('/') + 1);
        candidats.push_back(dossier + GLOMERIX_BIN_TO_DATA);
        candidats.push_back(dossier + "img");
    }
    for (const std::string& c : candidats) {
        if (access((c + "/" + kNoms[0]).c_str(), R_OK) == 0) return c;
    }
    return candidats.front();
}

bool LireBloc(const std::string& path, std::vector<unsigned char>& bloc) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return false;
    bloc.assign(kOctetsImage, 0);
    const size_t lu = std::fread(bloc.data(), 1, kOctetsImage, f);
    std::fclose(f);
    if (lu == kOctetsImage) return true;
    bloc.clear();
    return false;
}

void Cone() {
    GLUquadric* q = gluNewQuadric();
    gluCylinder(q, 0.02, 0.0, 0.05, 10, 1);
    gluDeleteQuadric(q);
}

}  // namespace

// ---------------------------------------------------------------------------
// Set-up and textures
// ---------------------------------------------------------------------------

bool LireTextures() {
    for (std::vector<unsigned char>& bloc : blocs) bloc.clear();
    const std::string dossier = DossierEtiquettes();
    for (int i = 0; i < 3; ++i) {
        if (!LireBloc(dossier + "/" + kNoms[i], blocs[i])) {
            texturesFailed = true;
            console.write("Erreur : Impossible de charger les textures du dossier img.\n");
            return false;
        }
    }
    return true;
}

void InitialiserGL() {
    glEnable(GL_POINT_SMOOTH);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_POLYGON_SMOOTH);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glClearColor(1.0f, 1.0f, 1.0f, 0.0f);
    glLineWidth(1.0f);
    glPointSize(5.0f);
    glDepthFunc(GL_LESS);
    glBlendFunc(GL_SRC_ALPHA, GL_SRC_COLOR);
    glShadeModel(GL_SMOOTH);
    glMatrixMode(GL_MODELVIEW);
    glClearDepth(1.0);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    ChargerTextures();
    OublierImageEnAttente();
    RafraichirGraphique();
}

void ChargerTextures() {
    glGenTextures(3, labelTextures);
    for (int i = 0; i < 3 && blocs[i].size() == kOctetsImage; ++i) {
        glBindTexture(GL_TEXTURE_2D, labelTextures[i]);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexImage2D(GL_TEXTURE_2D, 0, 3, kCote, kCote, 0, GL_RGB, GL_UNSIGNED_BYTE, blocs[i].data());
    }
    glBindTexture(GL_TEXTURE_2D, 0);
}

void SupprimerTextures() {
    glDeleteTextures(3, labelTextures);
    for (GLuint& name : labelTextures) name = 0;
}

// ---------------------------------------------------------------------------
// Axes
// ---------------------------------------------------------------------------

void DessinerAxes(double limiteX, double limiteY) {
    glDepthRange(0.1, 1.0);
    glColor3f(0.0f, 0.0f, 0.0f);
    glEnable(GL_LINE_SMOOTH);
    glBegin(GL_LINES);
    glVertex3f(0.0f, 0.0f, 0.0f);
    glVertex3d(kLongueur, 0.0, 0.0);
    glVertex3f(0.0f, 0.0f, 0.0f);
    glVertex3d(0.0, kLongueur, 0.0);
    glVertex3f(0.0f, 0.0f, 0.0f);
    glVertex3d(0.0, 0.0, -kLongueur);  // the z axis points toward -z
    glEnd();
    glDisable(GL_LINE_SMOOTH);

    glTranslated(0.0, 0.0, -kLongueur);
    glRotated(180.0, 0.0, 1.0, 0.0);
    Cone();
    glRotated(-180.0, 0.0, 1.0, 0.0);
    glTranslated(kLongueur, 0.0, kLongueur);
    glRotated(90.0, 0.0, 1.0, 0.0);
    Cone();
    glRotated(-90.0, 0.0, 1.0, 0.0);
    glTranslated(-kLongueur, kLongueur, 0.0);
    glRotated(90.0, -1.0, 0.0, 0.0);
    Cone();
    glRotated(-90.0, -1.0, 0.0, 0.0);
    glTranslated(0.0, -kLongueur, 0.0);

    // Alpha 0 with (GL_SRC_ALPHA, GL_SRC_COLOR): the label multiplies what is
    // already drawn by its texels, so white leaves the scene and dark darkens it.
    glColor4f(1.0f, 1.0f, 1.0f, 0.0f);
    glEnable(GL_BLEND);
    glTranslated(kLongueur, 0.0, 0.0);
    DessinerEtiquette('x', limiteX, limiteY);
    glTranslated(-kLongueur, kLongueur, 0.0);
    DessinerEtiquette('y', limiteX, limiteY);
    glTranslated(0.0, -kLongueur, -kLongueur);
    DessinerEtiquette('z', limiteX, limiteY);
    glTranslated(0.0, 0.0, kLongueur);
    glDisable(GL_BLEND);
    glBindTexture(GL_TEXTURE_2D, 0);
}

void DessinerEtiquette(char letter, double limiteX, double limiteY) {
    const int i = letter == 'x' ? 0 : (letter == 'y' ? 1 : 2);
    constexpr double kDegres = 90.0 / 1.5707963267948966;
    glPushMatrix();
    // Undo the view rotation so that the label faces the screen.
    glRotated(-angleX * kDegres, 1.0, 0.0, 0.0);
    glRotated(angleY * kDegres, 0.0, 1.0, 0.0);
    // Kept inside the picture: the quad's eye-space box, moved in if need be.
    GLdouble m[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, m);
    const double cote = kCoteEtiquette;
    m[12] += DecalageDansCadre(m[12], cote * (m[0] + m[4]), limiteX);
    m[13] += DecalageDansCadre(m[13], cote * (m[1] + m[5]), limiteY);
    glLoadMatrixd(m);
    glBindTexture(GL_TEXTURE_2D, labelTextures[i]);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(0.0f, 0.0f, 0.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3d(cote, 0.0, 0.0);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3d(cote, cote, 0.0);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3d(0.0, cote, 0.0);
    glEnd();
    glPopMatrix();
}
