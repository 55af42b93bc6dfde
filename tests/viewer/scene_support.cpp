#include "viewer/scene_support.h"

#include <GL/gl.h>
#include <GL/glx.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <mutex>

#include "etat/modes.h"
#include "etat/particules.h"
#include "hull/enveloppe.h"
#include "ternex2/ternex2.h"
#include "viewer/scene.h"

namespace scene_test {

namespace {

constexpr int kCote = 600;

Image lu;  // written on the window thread, read after `lectures` moves
std::atomic<int> lectures{0};

// Window thread, after a frame: the depth buffer (not swapped) is read here;
// the colours are read by the test from the window itself once the server
// has the presented frame (XSync on the GL connection).
void LireTampon(int) {
    lu.depth.assign(kCote * kCote, 0.0f);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kCote, kCote, GL_DEPTH_COMPONENT, GL_FLOAT, lu.depth.data());
    XSync(glXGetCurrentDisplay(), False);
    ++lectures;
}

void DessinerEtLire(int argument) {
    DessinerScene();
    LireTampon(argument);
}

void InitialiserVue(int, intptr_t) { InitialiserGL(); }

Image Attendre(void (*op)(int)) {
    const int before = lectures;
    ogl_post_call(op);
    EXPECT_TRUE(xtest::Attendre([&] { return lectures > before; }));
    Image image = lu;
    Display* dpy = XOpenDisplay(nullptr);
    if (dpy == nullptr || ogl_instance() == nullptr) return image;
    // Captured top row first; Image keeps GL's bottom-up order.
    const std::vector<uint32_t> shown = xtest::Capturer(dpy, ogl_instance()->window_id(), kCote, kCote);
    XCloseDisplay(dpy);
    image.rgb.assign(kCote * kCote * 3, 0);
    for (size_t k = 0; k < shown.size(); ++k) {
        const size_t row = kCote - 1 - k / kCote, col = k % kCote;
        unsigned char* out = &image.rgb[3 * (row * kCote + col)];
        out[0] = (shown[k] >> 16) & 0xFF;
        out[1] = (shown[k] >> 8) & 0xFF;
        out[2] = shown[k] & 0xFF;
    }
    return image;
}

}  // namespace

Pixel Image::at(int x, int y) const {
    const size_t k = 3 * (static_cast<size_t>(kCote - 1 - y) * kCote + x);
    return {rgb[k], rgb[k + 1], rgb[k + 2]};
}

float Image::depthAt(int x, int y) const { return depth[static_cast<size_t>(kCote - 1 - y) * kCote + x]; }

bool Image::allWhite() const {
    for (unsigned char c : rgb) {
        if (c != 255) return false;
    }
    return !rgb.empty();
}

void Placer(const std::vector<Vec3>& positions) {
    Garde lock(verrouEtat);
    etat.resizing = true;
    etat.count = static_cast<int32_t>(positions.size());
    etat.particles.assign(positions.size(), ParticleRecord{});
    for (size_t k = 0; k < positions.size(); ++k) etat.particles[k].position = positions[k];
    MarquerDeplacement();
    AllouerEnveloppe(etat.count);
    etat.resizing = false;
}

std::vector<Vec3> Octaedre() { return {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}}; }

void Reinitialiser() {
    modes.particules = false;
    modes.lignes = false;
    modes.polygones = false;
    modes.axes = false;
    modes.dual = false;
    angleX = 0.0;
    angleY = 0.0;
    texturesFailed = false;
    rampeVue = RampeCouleurs{};
}

std::vector<float> PartsParDegre(const std::vector<Vec3>& positions, const std::vector<int32_t>& degres) {
    std::vector<float> parts(positions.size(), 0.0f);
    for (size_t i = 0; i < positions.size(); ++i) {
        for (size_t j = 0; j < positions.size(); ++j) {
            if (j != i) parts[i] += static_cast<float>(1.0 / std::sqrt(squaredDistance(positions[i], positions[j])));
        }
        if (degres[i] > 0) parts[i] /= static_cast<float>(degres[i]);
    }
    return parts;
}

void Scene::SetUp() {
    if (!xtest::Xvfb::Installed()) GTEST_SKIP() << "Xvfb is not installed";
    server = xtest::XvfbPartage();
    ASSERT_NE(server, nullptr);
    setenv("DISPLAY", server->Display().c_str(), 1);
    setenv("LP_NUM_THREADS", "0", 1);
    Reinitialiser();
    work = std::filesystem::temp_directory_path() / ("glomerix-scene-" + std::to_string(getpid()));
    std::filesystem::remove_all(work);
    std::filesystem::create_directories(work / "img");
    for (const char* name : {"x.tga", "y.tga", "z.tga"}) {
        std::filesystem::copy_file(std::filesystem::path(GLOMERIX_SOURCE_DIR) / "img" / name, work / "img" / name);
    }
    previous = std::filesystem::current_path();
    std::filesystem::current_path(work);
}

void Scene::TearDown() {
    ogl_close();
    if (!work.empty()) {
        std::filesystem::current_path(previous);
        std::filesystem::remove_all(work);
    }
}

void Scene::Ouvrir() {
    LireTextures();
    ASSERT_TRUE(ogl_open(kCote, kCote, InitialiserVue));
    ogl_set_paint(DessinerScene);
}

Image Scene::Dessiner() { return Attendre(DessinerEtLire); }

Image Scene::Lire() { return Attendre(LireTampon); }

}  // namespace scene_test
