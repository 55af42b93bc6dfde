// The viewer driven through the program: GRAPH, IMAGE, MODE and the window's
// own input (pointer, wheel, keys), under a private Xvfb. The windows are inspected and read back
// through a connection of the test's own.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/keysym.h>
#include <png.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <thread>

#include "e2e/harness.h"
#include "viewer/x_test_support.h"

namespace {

namespace fs = std::filesystem;

constexpr int kCote = 600;
constexpr const char* kTexteTextures = "Erreur : Impossible de charger les textures du dossier img.\n";

struct Pixel {
    int r, g, b;
};
struct Vec3Test {
    double x, y, z;
};

// Screen pixel of a turned model point: the model view scales it by 1/1.1,
// the projection is the identity.
int EcranX(double eyeX) { return static_cast<int>((eyeX / 1.1 + 1.0) * kCote / 2); }
int EcranY(double eyeY) { return static_cast<int>((1.0 - eyeY / 1.1) * kCote / 2); }

// An octahedron with one particle turned a little off the back pole: points
// at known places, in known colours, with the angles at 0.
constexpr const char* kPositions =
    "0:\t1\t0\t0\n"
    "1:\t-1\t0\t0\n"
    "2:\t0\t1\t0\n"
    "3:\t0.05\t0\t-0.998749217771909\n"
    "4:\t0\t0\t1\n"
    "5:\t0\t0\t-1\n";

class Vue : public ::testing::Test {
protected:
    void SetUp() override {
        if (!xtest::Xvfb::Installed()) GTEST_SKIP() << "Xvfb is not installed";
        server = xtest::XvfbPartage();
        ASSERT_NE(server, nullptr);
        dpy = XOpenDisplay(server->Display().c_str());
        ASSERT_NE(dpy, nullptr);
        session.setEnv("DISPLAY", server->Display());
        session.setEnv("LP_NUM_THREADS", "0");
        fs::create_directories(session.workDir() / "img");
        for (const char* name : {"x.tga", "y.tga", "z.tga"}) {
            fs::copy_file(fs::path(GLOMERIX_SOURCE_DIR) / "img" / name, session.workDir() / "img" / name);
        }
    }

    void TearDown() override {
        if (dpy != nullptr) XCloseDisplay(dpy);
    }

    // Sends one command line and waits for the next prompt.
    void Commande(const std::string& line) { ASSERT_TRUE(session.sendAndWait(line + "\n")) << line; }

    std::vector<Window> Fenetres() { return xtest::FenetresDeClasse(dpy, "Graphics::Wnd"); }

    Window Vue1() {
        const std::vector<Window> found = Fenetres();
        EXPECT_EQ(found.size(), 1u);
        return found.empty() ? 0 : found[0];
    }

    std::vector<uint32_t> Capture() { return xtest::Capturer(dpy, Vue1(), kCote, kCote); }

public:
    static Pixel At(const std::vector<uint32_t>& image, int x, int y) {
        const uint32_t p = image[static_cast<size_t>(y) * kCote + x];
        return {static_cast<int>(p >> 16), static_cast<int>((p >> 8) & 0xFF), static_cast<int>(p & 0xFF)};
    }

protected:
    // Waits until a capture satisfies `test` (frames arrive asynchronously).
    bool Montre(const std::function<bool(const std::vector<uint32_t>&)>& test) {
        return xtest::Attendre([&] {
            const std::vector<uint32_t> image = Capture();
            return image.size() == static_cast<size_t>(kCote) * kCote && test(image);
        });
    }

    static int Compter(const std::vector<uint32_t>& image, const std::function<bool(Pixel)>& keep) {
        int n = 0;
        for (size_t k = 0; k < image.size(); ++k) n += keep(At(image, k % kCote, k / kCote));
        return n;
    }

    static bool Blanche(const std::vector<uint32_t>& image) {
        for (uint32_t p : image) {
            if (p != 0xFFFFFFu) return false;
        }
        return true;
    }

    // The octahedron's points alone, in a new viewer.
    void OuvrirOctaedre() {
        e2e::EcrireFichier(session.workDir() / "octa.txt", kPositions);
        Modes({"particules"});
        Commande("nb 6");
        Commande("charger fichier\nocta.txt");
        Commande("graph");
    }

    // Every drawing mode off, then the given ones on.
    void Modes(std::initializer_list<const char*> on) {
        for (const char* mode : {"particules", "lignes", "polygones", "axes", "dual"}) {
            Commande(std::string("mode ") + mode + " off");
        }
        for (const char* mode : on) Commande(std::string("mode ") + mode + " on");
    }

    const xtest::Xvfb* server = nullptr;
    Display* dpy = nullptr;
    e2e::Session session;
};

TEST_F(Vue, GraphOpensOneWindowAndGraphOffClosesIt) {
    ASSERT_TRUE(session.startAtPrompt());
    Commande("graph");
    const Window w = Vue1();
    ASSERT_NE(w, 0u);
    EXPECT_TRUE(xtest::Attendre([&] { return xtest::ProprieteTexte(dpy, w, "_NET_WM_NAME") == "Glomerix"; }));
    int width = 0, height = 0;
    xtest::TailleInterieure(dpy, w, width, height);
    EXPECT_EQ(width, kCote);
    EXPECT_EQ(height, kCote);
    // Icon 101: 32 and 16 pixels in 16 colours, 48 and 32 in 256 colours.
    // GRAPH returns once the window exists; the icon follows as a request.
    std::vector<long> sizes;
    xtest::Attendre([&] {
        const std::vector<long> icon = xtest::ProprieteCardinaux(dpy, w, "_NET_WM_ICON", XA_CARDINAL);
        sizes.clear();
        for (size_t at = 0; at + 1 < icon.size(); at += 2 + icon[at] * icon[at + 1]) sizes.push_back(icon[at]);
        return !sizes.empty();
    });
    EXPECT_EQ(sizes, (std::vector<long>{32, 16, 48, 32}));

    Commande("graph");
    Commande("graph on");
    Commande("graph yes");
    EXPECT_EQ(Fenetres().size(), 1u);
    EXPECT_EQ(Vue1(), w);
    Commande("graph off");
    EXPECT_TRUE(Fenetres().empty());
    Commande("graph off");
    Commande("graph");
    EXPECT_EQ(Fenetres().size(), 1u);
    session.send("quitter\n");
    const e2e::Result r = session.finish();
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(e2e::ApresDemarrage(r.out), "> > > > > > > ");  // seven prompts: the viewer commands write nothing
}

TEST_F(Vue, EndOfInputWithTheWindowOpenEndsNormally) {
    ASSERT_TRUE(session.startAtPrompt());
    Commande("graph");
    session.closeInput();
    EXPECT_EQ(session.finish().exitCode, 0);
}

TEST_F(Vue, FramesFollowTheModes) {
    ASSERT_TRUE(session.startAtPrompt());
    Commande("graph");
    Modes({});
    EXPECT_TRUE(Montre(Blanche)) << "every mode off: white";

    Commande("mode particules on");
    EXPECT_TRUE(Montre([](const auto& image) {
        return Compter(image, [](Pixel p) { return p.r == 255 && p.g == p.b && p.g < 128; }) > 50;
    })) << "points, red toward the back";

    Modes({"lignes"});
    EXPECT_TRUE(Montre([](const auto& image) {
        bool onlyLines = true;
        const int blue = Compter(image, [&](Pixel p) {
            if (p.r == 255 && p.g == 255 && p.b == 255) return false;
            if (p.b != 255 || std::abs(p.r - p.g) > 1) onlyLines = false;
            return p.r < 128;
        });
        return onlyLines && blue > 200;
    })) << "hull edges, blue to white";

    Modes({"polygones"});
    EXPECT_TRUE(Montre([](const auto& image) {
        const int cyanToBlue = Compter(image, [](Pixel p) { return p.r == 0 && p.g > 0 && p.b == 255; });
        const int blueToMagenta = Compter(image, [](Pixel p) { return p.g == 0 && p.b == 255 && p.r > 0; });
        return cyanToBlue + blueToMagenta > 10000;
    })) << "triangles on the colour ramp";

    Modes({"axes"});
    EXPECT_TRUE(Montre([](const auto& image) {
        auto dark = [&](int x, int y) {
            int best = 255;
            for (int d = -1; d <= 1; ++d) best = std::min(best, At(image, x, y + d).r);
            return best < 40;
        };
        return dark(EcranX(0.6), kCote / 2) && At(image, EcranX(-0.6), kCote / 2).r == 255;
    })) << "black axes";
    session.send("quitter\n");
    EXPECT_EQ(session.finish().exitCode, 0);
}

TEST_F(Vue, AMissingLabelImageIsReportedOnceAndHidesTheAxes) {
    fs::remove(session.workDir() / "img" / "y.tga");
    ASSERT_TRUE(session.startAtPrompt());
    Modes({"axes"});
    Commande("graph");
    EXPECT_EQ(e2e::Compter(session.outputSoFar(), kTexteTextures), 1);
    Commande("graph");  // already open: a frame, no new loading
    EXPECT_EQ(e2e::Compter(session.outputSoFar(), kTexteTextures), 1);
    EXPECT_TRUE(Montre(Blanche));
    session.send("quitter\n");
    EXPECT_EQ(session.finish().exitCode, 0);
}

TEST_F(Vue, ThePointerTurnsTheViewAndTheCloseBoxIsIgnored) {
    ASSERT_TRUE(session.startAtPrompt());
    Modes({"axes"});
    Commande("graph");
    const Window w = Vue1();
    ASSERT_TRUE(Montre([](const auto& image) { return At(image, EcranX(0.5), kCote / 2).r < 60; }));

    // Pixel (0, 0) is world (-1.1, 1.1): angleY = -1.1 pi/2, angleX = 1.1 pi/2.
    // The view turns about x by angleX, then about y by -angleY: the y axis
    // point (0, t, 0) goes to (t sin(a) sin(a), t cos(a), ...) with a = 1.1 pi/2.
    const double a = 1.1 * 1.5707963267948966;
    const double t = 0.5;
    const double yEye = t * std::cos(a);             // about x by +a
    const double zAfterX = t * std::sin(a);
    const double xEye = zAfterX * std::sin(a);       // about y by -angleY = +a
    xtest::EnvoyerMouvement(dpy, w, 0, 0);
    EXPECT_TRUE(Montre([&](const auto& image) {
        int best = 255;
        for (int dx = -1; dx <= 1; ++dx) {
            for (int dy = -1; dy <= 1; ++dy) best = std::min(best, At(image, EcranX(xEye) + dx, EcranY(yEye) + dy).r);
        }
        return best < 80 && At(image, EcranX(0.5), kCote / 2).r == 255;
    })) << "the y axis moved to the right, the x axis away from its place";

    xtest::EnvoyerFermeture(dpy, w);
    Commande("mode");
    EXPECT_EQ(Fenetres().size(), 1u);
    session.send("quitter\n");
    EXPECT_EQ(session.finish().exitCode, 0);
}

bool Rose(Pixel p) { return p.r == 255 && std::abs(p.g - 128) <= 8 && std::abs(p.b - p.g) <= 2; }
bool Rouge(Pixel p) { return p.r == 255 && p.g < 40 && p.b < 40; }

// Some pixel within one of (x, y) passes `test`.
bool Autour(const std::vector<uint32_t>& image, int x, int y, bool (*test)(Pixel)) {
    for (int dx = -1; dx <= 1; ++dx) {
        for (int dy = -1; dy <= 1; ++dy) {
            if (x + dx >= 0 && x + dx < kCote && y + dy >= 0 && y + dy < kCote && test(Vue::At(image, x + dx, y + dy)))
                return true;
        }
    }
    return false;
}

// A PNG file decoded to 0xRRGGBB, top row first.
std::vector<uint32_t> LirePng(const fs::path& path, int& largeur, int& hauteur) {
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    largeur = hauteur = 0;
    if (!png_image_begin_read_from_file(&png, path.c_str())) return {};
    png.format = PNG_FORMAT_RGB;
    std::vector<unsigned char> rgb(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, rgb.data(), 0, nullptr)) return {};
    largeur = static_cast<int>(png.width);
    hauteur = static_cast<int>(png.height);
    std::vector<uint32_t> image(rgb.size() / 3);
    for (size_t k = 0; k < image.size(); ++k) image[k] = rgb[3 * k] << 16 | rgb[3 * k + 1] << 8 | rgb[3 * k + 2];
    return image;
}

TEST_F(Vue, ImageSavesTheViewAsAPngAndALineWithoutTheViewerStays) {
    ASSERT_TRUE(session.startAtPrompt());
    Commande("image");
    EXPECT_NE(session.outputSoFar().find("Le graph doit être affiché pour pouvoir effectuer cette commande.\n"),
              std::string::npos);
    OuvrirOctaedre();
    std::string before = session.outputSoFar();
    Commande("image\nvue");
    EXPECT_EQ(session.outputSoFar(), before + "Nom du fichier : Image enregistrée dans le fichier vue.png.\n> ");
    EXPECT_EQ(xtest::FenetreDeTitre(dpy, "Glomerix : Erreur"), 0u) << "no message box";

    int largeur = 0, hauteur = 0;
    const std::vector<uint32_t> png = LirePng(session.workDir() / "vue.png", largeur, hauteur);
    ASSERT_EQ(largeur, kCote);
    ASSERT_EQ(hauteur, kCote);
    EXPECT_TRUE(Autour(png, EcranX(1.0), kCote / 2, Rose)) << "+x, half shaded, on the right";
    EXPECT_TRUE(Autour(png, EcranX(-1.0), kCote / 2, Rose)) << "-x on the left";
    EXPECT_TRUE(Autour(png, kCote / 2, EcranY(1.0), Rose)) << "+y at the top";
    EXPECT_TRUE(Rouge(At(png, kCote / 2, kCote / 2))) << "the back pole in front of the front one";
    EXPECT_TRUE(Autour(png, EcranX(0.05), kCote / 2, Rouge));
    EXPECT_EQ(At(png, 150, 150).r + At(png, 150, 150).g + At(png, 150, 150).b, 3 * 255) << "white elsewhere";
    // Drawn again off-screen, antialiased: the window's points with softened edges.
    const auto dessines = [](const std::vector<uint32_t>& image) {
        return Compter(image, [](Pixel p) { return p.r != 255 || p.g != 255 || p.b != 255; });
    };
    // The window is read once it shows the view again: under load a frame
    // can still be on its way, and the window then reads all black.
    int fenetre = 0;
    ASSERT_TRUE(Montre([&](const std::vector<uint32_t>& image) {
        fenetre = dessines(image);
        const Pixel fond = At(image, 150, 150);
        return Rouge(At(image, kCote / 2, kCote / 2)) && fond.r + fond.g + fond.b == 3 * 255;
    }));
    EXPECT_GE(dessines(png), fenetre);
    EXPECT_LE(dessines(png), 2 * fenetre) << "as much drawn as the window shows, and edges";

    // An empty answer gives glomerix.png; ".png" is added only when missing.
    Commande("image\n");
    EXPECT_TRUE(fs::exists(session.workDir() / "glomerix.png"));
    Commande("image\nAutre.PNG");
    EXPECT_TRUE(fs::exists(session.workDir() / "Autre.PNG"));
    EXPECT_FALSE(fs::exists(session.workDir() / "Autre.PNG.png"));
    LirePng(session.workDir() / "Autre.PNG", largeur, hauteur);
    EXPECT_EQ(largeur, kCote);

    // A file that cannot be written: one French line, and no file.
    before = session.outputSoFar();
    Commande("image\nabsent/vue");
    EXPECT_EQ(session.outputSoFar(), before +
                                         "Nom du fichier : Erreur : impossible d'enregistrer l'image dans le fichier "
                                         "absent/vue.png.\n> ");
    EXPECT_FALSE(fs::exists(session.workDir() / "absent"));
    session.send("quitter\n");
    EXPECT_EQ(session.finish().exitCode, 0);
}

// The triangles' colours belong to the picture: a command that measures the
// configuration without moving it (INFO) leaves them as they were.
TEST_F(Vue, MeasuringTheConfigurationLeavesTheTrianglesColours) {
    ASSERT_TRUE(session.startAtPrompt());
    Commande("nb 60");
    Commande("relax 30");
    Modes({"polygones"});
    Commande("graph");
    Commande("image\navant");
    Commande("info");
    Commande("image\napres");
    int largeur = 0, hauteur = 0;
    const std::vector<uint32_t> avant = LirePng(session.workDir() / "avant.png", largeur, hauteur);
    const std::vector<uint32_t> apres = LirePng(session.workDir() / "apres.png", largeur, hauteur);
    ASSERT_EQ(avant.size(), static_cast<size_t>(kCote) * kCote);
    EXPECT_GT(Compter(avant, [](Pixel p) { return p.b == 255 && p.g < 255; }), 10000) << "triangles on the ramp";
    EXPECT_EQ(Compter(apres, [](Pixel p) { return p.r == 255 && p.g == 0; }),
              Compter(avant, [](Pixel p) { return p.r == 255 && p.g == 0; }))
        << "red at the top of the ramp";
    EXPECT_TRUE(avant == apres);
    session.send("quitter\n");
    EXPECT_EQ(session.finish().exitCode, 0);
}

TEST_F(Vue, TheWheelZoomsWithinBounds) {
    ASSERT_TRUE(session.startAtPrompt());
    OuvrirOctaedre();
    const Window w = Vue1();
    ASSERT_TRUE(Montre([](const auto& image) { return Autour(image, EcranX(1.0), kCote / 2, Rose); }));
    // The screen place of model x on the middle row at zoom z.
    const auto place = [](double x, double z) { return EcranX(x * z); };
    const auto molette = [&](unsigned bouton, int crans) {
        for (int k = 0; k < crans; ++k) xtest::EnvoyerBouton(dpy, w, bouton, true, 300, 300);
        XFlush(dpy);
    };

    molette(Button5, 1);  // toward the user: out
    EXPECT_TRUE(Montre([&](const auto& image) {
        return Autour(image, place(1.0, 1 / 1.1), kCote / 2, Rose) && !Autour(image, EcranX(1.0), kCote / 2, Rose);
    })) << "one notch out";

    // Each bound is seen on screen before the notch back: the frames of the
    // notches still on their way pass near the places looked for.
    molette(Button5, 30);
    ASSERT_TRUE(Montre([&](const auto& image) { return Autour(image, place(1.0, 0.5), kCote / 2, Rose); }));
    molette(Button4, 1);  // from the lower bound 0.5
    EXPECT_TRUE(Montre([&](const auto& image) { return Autour(image, place(1.0, 0.5 * 1.1), kCote / 2, Rose); }))
        << "out no further than half";

    molette(Button4, 60);
    ASSERT_TRUE(Montre([&](const auto& image) { return Autour(image, place(0.05, 5.0), kCote / 2, Rouge); }));
    molette(Button5, 1);  // from the upper bound 5
    EXPECT_TRUE(Montre([&](const auto& image) {
        return Autour(image, place(0.05, 5.0 / 1.1), kCote / 2, Rouge) && !Autour(image, EcranX(0.05), kCote / 2, Rouge);
    })) << "in no further than five times";

    // The pointer still turns the view as before: the zoom only scales it.
    Commande("graph off");
    Commande("graph");
    EXPECT_TRUE(Montre([&](const auto& image) { return Autour(image, place(0.05, 5.0 / 1.1), kCote / 2, Rouge); }))
        << "the zoom survives closing the viewer";
    session.send("quitter\n");
    EXPECT_EQ(session.finish().exitCode, 0);
}

// Two caps turned toward the viewer (the back, z < 0, is in front): a
// particle at the middle of a ring of 7 (degree 7) and one at the middle of a
// ring of 5 (degree 5), the rest of the sphere sparsely covered.
const Vec3Test kCentre7 = {-0.6, 0.0, -0.8};
const Vec3Test kCentre5 = {0.6, 0.0, -0.8};

std::string ConfigurationDeuxCaps() {
    std::vector<Vec3Test> p = {kCentre7, kCentre5};
    const auto anneau = [&](Vec3Test c, int n) {
        // An orthonormal pair around c (c lies in the xz plane).
        const Vec3Test u = {-c.z, 0.0, c.x}, v = {0.0, 1.0, 0.0};
        const double t = 0.35;
        for (int k = 0; k < n; ++k) {
            const double a = 2 * M_PI * k / n + 0.1;
            const double cu = std::sin(t) * std::cos(a), cv = std::sin(t) * std::sin(a);
            p.push_back({c.x * std::cos(t) + u.x * cu + v.x * cv, c.y * std::cos(t) + u.y * cu + v.y * cv,
                         c.z * std::cos(t) + u.z * cu + v.z * cv});
        }
    };
    anneau(kCentre7, 7);
    anneau(kCentre5, 5);
    for (Vec3Test q : std::initializer_list<Vec3Test>{{0, 0, 1}, {0.8, 0, 0.6}, {-0.8, 0, 0.6}, {0, 1, 0},
                                                      {0, -1, 0}, {0, 0.7, -0.714}, {0, -0.7, -0.714}}) {
        p.push_back(q);
    }
    std::string texte;
    char ligne[160];
    for (size_t i = 0; i < p.size(); ++i) {
        const double n = std::sqrt(p[i].x * p[i].x + p[i].y * p[i].y + p[i].z * p[i].z);
        std::snprintf(ligne, sizeof ligne, "%zu:\t%.17g\t%.17g\t%.17g\n", i, p[i].x / n, p[i].y / n, p[i].z / n);
        texte += ligne;
    }
    return texte;
}

// The pixel of model (x, y) in a square picture of side `cote`, angles at 0.
int PixelX(double x, int cote) { return static_cast<int>((x / 1.1 + 1.0) * cote / 2); }
int PixelY(double y, int cote) { return static_cast<int>((1.0 - y / 1.1) * cote / 2); }

bool Couleur(Pixel p, int r, int g, int b) {
    return std::abs(p.r - r) <= 3 && std::abs(p.g - g) <= 3 && std::abs(p.b - b) <= 3;
}

Pixel PixelDe(const std::vector<uint32_t>& image, int largeur, int x, int y) {
    const uint32_t v = image[static_cast<size_t>(y) * largeur + x];
    return {static_cast<int>(v >> 16), static_cast<int>((v >> 8) & 0xFF), static_cast<int>(v & 0xFF)};
}

// The colours of degree 5 and 7 (points darker than their cells), 8-bit.
constexpr int kPoint5[3] = {204, 0, 0}, kPoint7[3] = {0, 38, 204};
constexpr int kCellule5[3] = {242, 64, 51}, kCellule7[3] = {64, 115, 242};

TEST_F(Vue, DefautsColoursParticlesAndCellsByDegreeAtAnySize) {
    ASSERT_TRUE(session.startAtPrompt());
    e2e::EcrireFichier(session.workDir() / "caps.txt", ConfigurationDeuxCaps());
    Commande("nb 21");
    Commande("charger fichier\ncaps.txt");
    Modes({"particules"});
    Commande("mode defauts on");
    Commande("graph");
    for (int cote : {600, 1300}) {
        const std::string nom = "points" + std::to_string(cote);
        Commande("image " + std::to_string(cote) + "\n" + nom);
        int largeur = 0, hauteur = 0;
        const std::vector<uint32_t> png = LirePng(session.workDir() / (nom + ".png"), largeur, hauteur);
        ASSERT_EQ(largeur, cote);
        ASSERT_EQ(hauteur, cote);
        const Pixel p7 = PixelDe(png, cote, PixelX(kCentre7.x, cote), PixelY(kCentre7.y, cote));
        const Pixel p5 = PixelDe(png, cote, PixelX(kCentre5.x, cote), PixelY(kCentre5.y, cote));
        EXPECT_TRUE(Couleur(p7, kPoint7[0], kPoint7[1], kPoint7[2])) << cote << ": " << p7.r << "," << p7.g << "," << p7.b;
        EXPECT_TRUE(Couleur(p5, kPoint5[0], kPoint5[1], kPoint5[2])) << cote << ": " << p5.r << "," << p5.g << "," << p5.b;
        // Points scale with the picture: 5 pixels at 600, about 11 at 1300.
        const int rayon = cote / 600 * 2;
        EXPECT_TRUE(Couleur(PixelDe(png, cote, PixelX(kCentre5.x, cote) + rayon, PixelY(kCentre5.y, cote)), kPoint5[0],
                            kPoint5[1], kPoint5[2]))
            << cote;
        // The legend in the bottom-left corner: the swatch of 5.
        int swatch = 0;
        for (int y = cote * 3 / 4; y < cote; ++y) {
            for (int x = 0; x < cote / 4; ++x) swatch += Couleur(PixelDe(png, cote, x, y), kCellule5[0], kCellule5[1], kCellule5[2]);
        }
        EXPECT_GT(swatch, 20 * (cote / 600) * (cote / 600)) << cote;
    }

    // DUAL alone draws the cells, coloured by degree, under the points.
    Modes({"dual"});
    Commande("image 800\ncellules");
    int largeur = 0, hauteur = 0;
    const std::vector<uint32_t> png = LirePng(session.workDir() / "cellules.png", largeur, hauteur);
    ASSERT_EQ(largeur, 800);
    const int d = 800 * 6 / 600;  // inside the cell, clear of its point
    const Pixel c7 = PixelDe(png, 800, PixelX(kCentre7.x, 800) + d, PixelY(kCentre7.y, 800) + d);
    const Pixel c5 = PixelDe(png, 800, PixelX(kCentre5.x, 800) - d, PixelY(kCentre5.y, 800) + d);
    EXPECT_TRUE(Couleur(c7, kCellule7[0], kCellule7[1], kCellule7[2])) << c7.r << "," << c7.g << "," << c7.b;
    EXPECT_TRUE(Couleur(c5, kCellule5[0], kCellule5[1], kCellule5[2])) << c5.r << "," << c5.g << "," << c5.b;

    Commande("mode defauts off");
    Commande("image\nsans");
    const std::vector<uint32_t> sans = LirePng(session.workDir() / "sans.png", largeur, hauteur);
    EXPECT_TRUE(Blanche(sans)) << "without DEFAUTS, DUAL alone draws nothing";
    session.send("quitter\n");
    EXPECT_EQ(session.finish().exitCode, 0);
}

// IMAGE's size: none is the window's, which the user may resize (the sphere
// keeps its shape); a size outside 1 to 4096, or not a number, is refused
// before the file name is asked.
TEST_F(Vue, ImageSizeFollowsTheWindowAndBadSizesAreRefused) {
    ASSERT_TRUE(session.startAtPrompt());
    OuvrirOctaedre();
    for (const char* mauvais : {"image 0", "image 100000", "image abc", "image 4097"}) {
        const std::string before = session.outputSoFar();
        Commande(mauvais);
        EXPECT_EQ(session.outputSoFar(), before + "Paramètre non valide.\n> ") << mauvais;
    }
    Commande("image 4096\ngrande");
    int largeur = 0, hauteur = 0;
    LirePng(session.workDir() / "grande.png", largeur, hauteur);
    EXPECT_EQ(largeur, 4096);
    EXPECT_EQ(hauteur, 4096);

    const Window w = Vue1();
    XResizeWindow(dpy, w, 800, 500);
    XFlush(dpy);
    ASSERT_TRUE(xtest::Attendre([&] {
        int lw = 0, lh = 0;
        xtest::TailleInterieure(dpy, w, lw, lh);
        return lw == 800 && lh == 500;
    }));
    // The window thread takes the new size from its event; the picture says when.
    ASSERT_TRUE(xtest::Attendre([&] {
        Commande("image\nlarge");
        LirePng(session.workDir() / "large.png", largeur, hauteur);
        return largeur == 800;
    }));
    const std::vector<uint32_t> large = LirePng(session.workDir() / "large.png", largeur, hauteur);
    ASSERT_EQ(hauteur, 500);
    // The shorter side spans the sphere: +x at 250 / 1.1 pixels right of the middle.
    const int x = static_cast<int>(400 + 250 / 1.1), y = 250;
    bool rose = false;
    for (int dx = -1; dx <= 1; ++dx) {
        for (int dy = -1; dy <= 1; ++dy) rose = rose || Rose(PixelDe(large, 800, x + dx, y + dy));
    }
    EXPECT_TRUE(rose) << "+x where a round sphere puts it";
    EXPECT_TRUE(Rouge(PixelDe(large, 800, 400, 250)));
    session.send("quitter\n");
    EXPECT_EQ(session.finish().exitCode, 0);
}

// An image that could not be written counts as an error under --strict; one
// that was, not.
TEST_F(Vue, AnImageNotSavedGivesStatusOneUnderStrict) {
    for (const auto& [nom, statut] : {std::pair<std::string, int>{"absent/vue", 1}, {"vue", 0}}) {
        e2e::Session s;
        s.setEnv("DISPLAY", server->Display());
        s.setEnv("LP_NUM_THREADS", "0");
        fs::copy(session.workDir() / "img", s.workDir() / "img");
        s.setArgs({"--strict", "-q"});
        const e2e::Result r = s.run("mode info off\ngraph\nimage\n" + nom + "\nquitter\n");
        EXPECT_EQ(r.exitCode, statut) << nom << r.out;
        EXPECT_EQ(r.out, statut == 1 ? "Erreur : impossible d'enregistrer l'image dans le fichier absent/vue.png.\n"
                                     : "Image enregistrée dans le fichier vue.png.\n");
    }
}

TEST_F(Vue, KeysTypedInTheViewerReachThePrompt) {
    ASSERT_TRUE(session.startAtPrompt());
    Commande("graph");
    const Window w = Vue1();
    for (KeySym k : {XK_m, XK_o, XK_d, XK_e, XK_Return}) xtest::EnvoyerTouche(dpy, w, k);
    EXPECT_TRUE(session.waitFor("Etats des mode du programme :\n"));
    for (KeySym k : {XK_q, XK_u, XK_i, XK_t, XK_t, XK_e, XK_r, XK_Return}) xtest::EnvoyerTouche(dpy, w, k);
    const e2e::Result r = session.finish();
    EXPECT_EQ(r.exitCode, 0);
}

TEST_F(Vue, WithoutADisplayGraphSaysSoAndTheProgramGoesOn) {
    session.setEnv("DISPLAY", "");
    fs::remove(session.workDir() / "img" / "y.tga");  // no window: the labels are not even read
    const e2e::Result r = session.run("graph\nimage\ngraph off\nquitter\n");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(e2e::ApresDemarrage(r.out),
              "Impossible d'ouvrir la fenêtre graphique : aucun affichage disponible.\n"
              "> Le graph doit être affiché pour pouvoir effectuer cette commande.\n> > ");
}

// Under ThreadSanitizer (label tsan) this is the race check: frames drawn on
// every pointer move and every refresh while the command thread relaxes,
// rebuilds the hull, resizes the particle set, changes modes, and runs the
// descents that show their steps to the viewer; every parallel region on a
// team of two whatever the load (GLOMERIX_EQUIPE), the status line ticking
// on its own thread.
TEST_F(Vue, TheViewerDrawsWhileTheCommandsComputeWithoutRaces) {
    session.setEnv("GLOMERIX_EQUIPE", "2");
    session.setTerminal(e2e::Session::Terminal::Erreurs);
    ASSERT_TRUE(session.startAtPrompt());
    Commande("graph");
    xtest::IgnorerErreursX();  // the window goes away under the pointer at GRAPH OFF
    std::atomic<bool> moving{true};
    std::thread pointer([&] {
        Display* own = XOpenDisplay(server->Display().c_str());
        for (int k = 0; moving && own != nullptr; ++k) {
            for (Window w : xtest::FenetresDeClasse(own, "Graphics::Wnd")) {
                xtest::EnvoyerMouvement(own, w, (k * 37) % kCote, (k * 53) % kCote);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));  // a quick hand
        }
        if (own != nullptr) XCloseDisplay(own);
    });
    for (const char* line :
         {"relax 200",      "mode polygones on", "nb 120",       "relax 100", "mode dual on", "enveloppe",
          "placer",         "local 50",          "mode axes on", "faces 30",  "aretes 30",    "nb 60",
          "montecarlo 50",  "mode lignes off",   "relax 50",     "graph off", "graph",        "relax 30",
          "mode openmp on", "minimiser 30",      "explorer 2",   "tammes 10"}) {
        Commande(line);
    }
    moving = false;
    pointer.join();
    session.send("quitter\n");
    const e2e::Result r = session.finish();
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err.find("ThreadSanitizer"), std::string::npos) << r.err;
    EXPECT_EQ(r.out.find("Commande inconnue"), std::string::npos);
}

}  // namespace
