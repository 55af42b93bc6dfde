// cmake --install to a temporary prefix: the three programs in bin, the label
// images in share/glomerix, and the installed viewer drawing its labelled
// axes when started from a folder without img/.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "e2e/harness.h"
#include "viewer/x_test_support.h"

namespace {

namespace fs = std::filesystem;

constexpr int kCote = 600;
constexpr const char* kTexteTextures = "Erreur : Impossible de charger les textures du dossier img.\n";

int EcranX(double x) { return static_cast<int>((x / 1.1 + 1.0) * kCote / 2); }

// Runs a program with its output in `sortie`; its exit status, or -1.
int Lancer(const std::vector<std::string>& args, const fs::path& sortie) {
    const pid_t pid = fork();
    if (pid == 0) {
        const int fd = open(sortie.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(fd, 1);
        dup2(fd, 2);
        std::vector<char*> argv;
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class Installation : public ::testing::Test {
protected:
    void SetUp() override {
        if (!xtest::Xvfb::Installed()) GTEST_SKIP() << "Xvfb is not installed";
        server = xtest::XvfbPartage();
        ASSERT_NE(server, nullptr);
        dpy = XOpenDisplay(server->Display().c_str());
        ASSERT_NE(dpy, nullptr);
        std::string tmpl = (fs::temp_directory_path() / "glomerix-install-XXXXXX").string();
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
        prefix = tmpl;
        ASSERT_EQ(Lancer({GLOMERIX_CMAKE, "--install", e2e::DossierProgrammes().string(), "--prefix", prefix.string()},
                         prefix / "log"),
                  0)
            << e2e::LireFichier(prefix / "log");
    }

    void TearDown() override {
        if (dpy != nullptr) XCloseDisplay(dpy);
        if (!prefix.empty()) fs::remove_all(prefix);
    }

    // The installed program, started in the session's own folder (no img/).
    void Demarrer(e2e::Session& s) {
        s.setProgram(prefix / "bin" / "glomerix");
        s.setEnv("DISPLAY", server->Display());
        s.setEnv("LP_NUM_THREADS", "0");
        ASSERT_FALSE(fs::exists(s.workDir() / "img"));
        ASSERT_TRUE(s.startAtPrompt());
        for (const char* line : {"mode particules off", "mode lignes off", "mode polygones off", "mode axes on", "graph"})
            ASSERT_TRUE(s.sendAndWait(std::string(line) + "\n")) << line;
    }

    // The viewer's picture, top row first (empty until it can be read).
    std::vector<uint32_t> Image() {
        const std::vector<Window> fenetres = xtest::FenetresDeClasse(dpy, "Graphics::Wnd");
        if (fenetres.size() != 1) return {};
        std::vector<uint32_t> image = xtest::Capturer(dpy, fenetres[0], kCote, kCote);
        if (image.size() != static_cast<size_t>(kCote) * kCote) return {};
        return image;
    }

    // A frame with the axes: a dark pixel on the x axis near the middle row,
    // white on the other side (the axes are drawn only when the three labels
    // were read).
    bool AxeDessine() {
        const std::vector<uint32_t> image = Image();
        if (image.empty() || image[static_cast<size_t>(kCote / 2) * kCote + EcranX(-0.6)] != 0xFFFFFFu) return false;
        for (int y = kCote / 2 - 1; y <= kCote / 2 + 1; ++y) {
            if (((image[static_cast<size_t>(y) * kCote + EcranX(0.6)] >> 16) & 0xFF) < 40) return true;
        }
        return false;
    }

    bool Blanche() {
        const std::vector<uint32_t> image = Image();
        return !image.empty() && std::all_of(image.begin(), image.end(), [](uint32_t p) { return p == 0xFFFFFFu; });
    }

    const xtest::Xvfb* server = nullptr;
    Display* dpy = nullptr;
    fs::path prefix;
};

TEST_F(Installation, TheInstalledProgramDrawsItsLabelsFromAnyFolder) {
    for (const char* programme : {"glomerix", "glomerix-db", "glomerix-explorer"}) {
        const fs::path exe = prefix / "bin" / programme;
        EXPECT_TRUE(fs::is_regular_file(exe)) << programme;
        EXPECT_EQ(access(exe.c_str(), X_OK), 0) << programme;
    }
    for (const char* label : {"x.tga", "y.tga", "z.tga"}) {
        EXPECT_EQ(e2e::LireFichier(prefix / "share" / "glomerix" / label),
                  e2e::LireFichier(fs::path(GLOMERIX_SOURCE_DIR) / "img" / label))
            << label;
    }

    e2e::Session s;
    Demarrer(s);
    EXPECT_TRUE(xtest::Attendre([&] { return AxeDessine(); })) << s.outputSoFar();
    EXPECT_EQ(s.outputSoFar().find(kTexteTextures), std::string::npos);
    s.send("quitter\n");
    EXPECT_EQ(s.finish().exitCode, 0);

    // The installed database tool reads what the installed program wrote.
    EXPECT_EQ(Lancer({(prefix / "bin" / "glomerix-db").string(), s.dbPath().string()}, "/dev/null"), 0);
}

TEST_F(Installation, TheLabelsAreTheInstalledOnes) {
    fs::remove(prefix / "share" / "glomerix" / "y.tga");
    e2e::Session s;
    Demarrer(s);
    EXPECT_EQ(e2e::Compter(s.outputSoFar(), kTexteTextures), 1);
    EXPECT_TRUE(xtest::Attendre([&] { return Blanche(); })) << "the axes are not drawn";
    s.send("quitter\n");
    EXPECT_EQ(s.finish().exitCode, 0);
}

}  // namespace
