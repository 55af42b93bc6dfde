// The viewer window under a private Xvfb: properties, thread division,
// events, close box, icon, the plain window and the message box.
// gtest before the X headers, whose macros (None, Bool) it would trip on.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/keysym.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdlib>
#include <future>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "ternex2/ternex2.h"
#include "viewer/x_test_support.h"

namespace {

std::atomic<int> marks{0};
std::atomic<int> initCalls{0};
std::atomic<int> initArgument{-1};
std::atomic<int> postArgument{-1};
std::thread::id initThread;
std::mutex recorded;
std::vector<ternex2::MouseEvent> mice;
std::vector<std::array<intptr_t, 3>> keys;
intptr_t mouseUser = 0;

void Marquer(int argument) {
    postArgument = argument;
    ++marks;
}

void Init(int kind, intptr_t) {
    initThread = std::this_thread::get_id();
    initArgument = kind;
    ++initCalls;
}

void Souris(ternex2::MouseEvent e, intptr_t user) {
    std::lock_guard<std::mutex> lock(recorded);
    mice.push_back(e);
    mouseUser = user;
}

void Clavier(int kind, int code, intptr_t user) {
    std::lock_guard<std::mutex> lock(recorded);
    keys.push_back({kind, code, user});
}

class Fenetre : public ::testing::Test {
protected:
    void SetUp() override {
        if (!xtest::Xvfb::Installed()) GTEST_SKIP() << "Xvfb is not installed";
        server = xtest::XvfbPartage();
        ASSERT_NE(server, nullptr);
        setenv("DISPLAY", server->Display().c_str(), 1);
        setenv("LP_NUM_THREADS", "0", 1);
        dpy = XOpenDisplay(nullptr);
        ASSERT_NE(dpy, nullptr);
        marks = 0;
        initCalls = 0;
        mice.clear();
        keys.clear();
    }

    void TearDown() override {
        ogl_close();
        if (dpy != nullptr) XCloseDisplay(dpy);
    }

    // Returns once every request posted so far has run on the window thread.
    void Synchroniser() {
        const int before = marks;
        ogl_post_call(Marquer);
        ASSERT_TRUE(xtest::Attendre([&] { return marks > before; }));
    }

    Window Ouvrir() {
        EXPECT_TRUE(ogl_open(600, 600, Init));
        EXPECT_NE(ogl_instance(), nullptr);
        return ogl_instance() ? ogl_instance()->window_id() : 0;
    }

    std::vector<ternex2::MouseEvent> Souris(size_t count) {
        EXPECT_TRUE(xtest::Attendre([&] {
            std::lock_guard<std::mutex> lock(recorded);
            return mice.size() >= count;
        }));
        std::lock_guard<std::mutex> lock(recorded);
        return mice;
    }

    const xtest::Xvfb* server = nullptr;
    Display* dpy = nullptr;
};

TEST_F(Fenetre, OpensOneResizableWindowOfClassGraphicsWnd) {
    const Window w = Ouvrir();
    ASSERT_NE(w, 0u);
    EXPECT_TRUE(ogl_open(600, 600, Init));  // a second open changes nothing
    Synchroniser();
    EXPECT_EQ(xtest::FenetresDeClasse(dpy, "Graphics::Wnd").size(), 1u);
    EXPECT_EQ(initCalls, 1);
    EXPECT_EQ(initArgument, 2);
    EXPECT_NE(initThread, std::this_thread::get_id());
    EXPECT_EQ(postArgument, 3);

    std::string name, cls;
    xtest::Classe(dpy, w, name, cls);
    EXPECT_EQ(cls, "Graphics::Wnd");
    EXPECT_FALSE(name.empty());
    int width = 0, height = 0;
    xtest::TailleInterieure(dpy, w, width, height);
    EXPECT_EQ(width, 600);
    EXPECT_EQ(height, 600);
    XSizeHints hints{};
    long supplied = 0;
    ASSERT_TRUE(XGetWMNormalHints(dpy, w, &hints, &supplied));
    // Opened at 600 x 600, resizable down to 64 x 64 and without an upper bound.
    EXPECT_TRUE(hints.flags & PMinSize);
    EXPECT_FALSE(hints.flags & PMaxSize);
    EXPECT_EQ(hints.min_width, 64);
    EXPECT_EQ(hints.min_height, 64);
    EXPECT_EQ(xtest::ProprieteTexte(dpy, w, "WM_NAME"), "Ternex2 - Graphical Window");

    Atom* protocols = nullptr;
    int count = 0;
    ASSERT_TRUE(XGetWMProtocols(dpy, w, &protocols, &count));
    const Atom del = XInternAtom(dpy, "WM_DELETE_WINDOW", False);
    EXPECT_NE(std::find(protocols, protocols + count, del), protocols + count);
    XFree(protocols);
}

TEST_F(Fenetre, TitleIsSetInUtf8AndLatin1) {
    const Window w = Ouvrir();
    ogl_instance()->set_title("Fenêtre €");  // Windows-1252 in the binary
    Synchroniser();
    EXPECT_EQ(xtest::ProprieteTexte(dpy, w, "_NET_WM_NAME"), "Fen\xC3\xAAtre \xE2\x82\xAC");
    EXPECT_EQ(xtest::ProprieteTexte(dpy, w, "WM_NAME"), "Fen\xEAtre ?");
}

std::atomic<bool> glChecked{false};
GLint depthBits = 0, redBits = 0;
GLboolean doubleBuffered = GL_FALSE, rgbaMode = GL_FALSE;
bool contextCurrent = false;

void LireEtatGL(int) {
    contextCurrent = glXGetCurrentContext() != nullptr;
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    glGetIntegerv(GL_RED_BITS, &redBits);
    glGetBooleanv(GL_DOUBLEBUFFER, &doubleBuffered);
    glGetBooleanv(GL_RGBA_MODE, &rgbaMode);
    glChecked = true;
}

TEST_F(Fenetre, ContextIsDoubleBufferedRgbaWithDepthAndCurrentOnTheWindowThread) {
    Ouvrir();
    EXPECT_EQ(glXGetCurrentContext(), nullptr);  // never on this thread
    ogl_post_call(LireEtatGL);
    ASSERT_TRUE(xtest::Attendre([] { return glChecked.load(); }));
    EXPECT_TRUE(contextCurrent);
    EXPECT_GE(depthBits, 16);
    EXPECT_GE(redBits, 1);
    EXPECT_TRUE(doubleBuffered);
    EXPECT_TRUE(rgbaMode);
}

TEST_F(Fenetre, CloseEndsTheWindowAndAReopenBuildsANewOne) {
    const Window first = Ouvrir();
    ogl_close();
    EXPECT_EQ(ogl_instance(), nullptr);
    EXPECT_FALSE(xtest::Existe(dpy, first));
    ogl_close();  // nothing left to close
    const Window second = Ouvrir();
    EXPECT_TRUE(xtest::Existe(dpy, second));
    Synchroniser();
    EXPECT_EQ(initCalls, 2);
}

std::atomic<bool> release{false};
std::atomic<int> order{0};
std::atomic<bool> inOrder{true};

void Bloquer(int) {
    while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void Suivant(int) {
    static int expected = 0;  // window thread only
    if (order.load() != expected++) inOrder = false;
    ++order;
}

TEST_F(Fenetre, PostingNeverWaitsAndRequestsRunInOrder) {
    Ouvrir();
    ogl_post_call(Bloquer);
    for (int k = 0; k < 200; ++k) ogl_post_call(Suivant);  // the window thread is busy: must not block
    EXPECT_EQ(order, 0);
    release = true;
    ASSERT_TRUE(xtest::Attendre([] { return order == 200; }));
    EXPECT_TRUE(inOrder);
}

TEST_F(Fenetre, MouseEventsMapPixelsToTheWorldWindow) {
    const Window w = Ouvrir();
    ogl_support* f = ogl_instance();
    ASSERT_TRUE(f->set_world_window(-1.1, 1.1, 1.1, -1.1));
    EXPECT_FALSE(f->set_world_window(0.0, 0.0, 1.0, 2.0));  // refused, the old one stays
    f->set_mouse_handler(::Souris, 77);
    Synchroniser();
    // One at a time: moves queued behind each other are merged (see below).
    xtest::EnvoyerMouvement(dpy, w, 0, 0);
    Souris(1);
    xtest::EnvoyerMouvement(dpy, w, 300, 300, Button1Mask);
    Souris(2);
    xtest::EnvoyerMouvement(dpy, w, 600, 150);
    Souris(3);
    xtest::EnvoyerBouton(dpy, w, Button1, true, 10, 20, ControlMask);
    xtest::EnvoyerBouton(dpy, w, Button1, false, 10, 20, ShiftMask);
    xtest::EnvoyerBouton(dpy, w, Button3, true, 1, 1);
    xtest::EnvoyerBouton(dpy, w, Button2, true, 1, 1);
    xtest::EnvoyerBouton(dpy, w, Button4, true, 1, 1);
    xtest::EnvoyerBouton(dpy, w, Button5, true, 1, 1);
    xtest::EnvoyerBouton(dpy, w, Button5, false, 1, 1);  // wheel releases are not events
    const auto m = Souris(9);
    ASSERT_GE(m.size(), 9u);
    EXPECT_EQ(m[0].button, 4);
    EXPECT_EQ(m[0].action, 2);
    EXPECT_DOUBLE_EQ(m[0].wx, -1.1);
    EXPECT_DOUBLE_EQ(m[0].wy, 1.1);
    EXPECT_EQ(m[1].button, 4);  // a move with a button held is still a move
    EXPECT_EQ(m[1].action, 2);
    EXPECT_DOUBLE_EQ(m[1].wx, 0.0);
    EXPECT_DOUBLE_EQ(m[1].wy, 0.0);
    EXPECT_NEAR(m[2].wx, 1.1, 1e-12);
    EXPECT_NEAR(m[2].wy, 0.55, 1e-12);
    EXPECT_EQ(m[3].button, 2);
    EXPECT_EQ(m[3].action, 1);
    EXPECT_EQ(m[3].px, 10);
    EXPECT_EQ(m[3].py, 20);
    EXPECT_TRUE(m[3].control);
    EXPECT_FALSE(m[3].shift);
    EXPECT_EQ(m[4].action, 0);
    EXPECT_TRUE(m[4].shift);
    EXPECT_EQ(m[5].button, 0);
    EXPECT_EQ(m[6].button, 1);
    EXPECT_EQ(m[7].button, 3);
    EXPECT_EQ(m[7].action, 3);
    EXPECT_EQ(m[7].wheel, 120);
    EXPECT_EQ(m[8].wheel, -120);
    Synchroniser();
    EXPECT_EQ(Souris(9).size(), 9u);
    EXPECT_EQ(mouseUser, 77);
    EXPECT_EQ(f->last_mouse_event().wheel, -120);
}

TEST_F(Fenetre, MovesQueuedBehindEachOtherGiveOneEventAtTheLastPosition) {
    const Window w = Ouvrir();
    ogl_instance()->set_mouse_handler(::Souris, 0);
    release = false;
    ogl_post_call(Bloquer);  // the moves pile up meanwhile
    for (int k = 0; k < 50; ++k) xtest::EnvoyerMouvement(dpy, w, k, 2 * k);
    xtest::EnvoyerBouton(dpy, w, Button1, true, 7, 8);
    xtest::EnvoyerMouvement(dpy, w, 9, 9);
    XSync(dpy, False);
    release = true;
    Souris(1);
    Synchroniser();
    const auto m = Souris(1);
    ASSERT_GE(m.size(), 3u);
    EXPECT_LT(m.size(), 50u);
    ASSERT_EQ(m[m.size() - 2].action, 1) << "a press is never merged, nor moved across";
    EXPECT_EQ(m[m.size() - 3].px, 49);
    EXPECT_EQ(m[m.size() - 3].py, 98);
    EXPECT_EQ(m.back().px, 9);
}

TEST_F(Fenetre, KeysReachTheHandlerAsCharacters) {
    const Window w = Ouvrir();
    ogl_instance()->set_key_handler(Clavier, 1234);
    Synchroniser();
    xtest::EnvoyerTouche(dpy, w, XK_a);
    xtest::EnvoyerTouche(dpy, w, XK_a, ShiftMask);
    xtest::EnvoyerTouche(dpy, w, XK_Return);
    xtest::EnvoyerTouche(dpy, w, XK_Shift_L);  // no character: no event
    xtest::EnvoyerTouche(dpy, w, XK_7);
    ASSERT_TRUE(xtest::Attendre([] {
        std::lock_guard<std::mutex> lock(recorded);
        return keys.size() >= 4;
    }));
    Synchroniser();
    std::lock_guard<std::mutex> lock(recorded);
    ASSERT_EQ(keys.size(), 4u);
    EXPECT_EQ(keys[0], (std::array<intptr_t, 3>{4, 'a', 1234}));
    EXPECT_EQ(keys[1][1], 'A');
    EXPECT_EQ(keys[2][1], '\r');
    EXPECT_EQ(keys[3][1], '7');
    int kind = 0, code = 0;
    ogl_instance()->last_key_event(kind, code);
    EXPECT_EQ(kind, 4);
    EXPECT_EQ(code, '7');
}

TEST_F(Fenetre, TheCloseBoxLeavesTheWindowOpen) {
    const Window w = Ouvrir();
    xtest::EnvoyerFermeture(dpy, w);
    Synchroniser();
    Synchroniser();
    EXPECT_NE(ogl_instance(), nullptr);
    EXPECT_TRUE(xtest::Existe(dpy, w));
}

TEST_F(Fenetre, IconIsPublishedFromTheRegisteredImages) {
    const Window w = Ouvrir();
    ternex2::icon_image small{2, 1, {0xFF112233u, 0x00000000u}};
    ternex2::icon_image big{1, 2, {0x80FFFFFFu, 0xFF000000u}};
    ternex2::register_icon(5, {small, big});
    EXPECT_FALSE(ogl_instance()->set_icon(6, false));  // not registered
    EXPECT_FALSE(ogl_instance()->set_icon(5, true));   // no stock icons here
    EXPECT_TRUE(ogl_instance()->set_icon(5, false));
    Synchroniser();
    std::vector<long> icon = xtest::ProprieteCardinaux(dpy, w, "_NET_WM_ICON", XA_CARDINAL);
    for (long& v : icon) v &= 0xFFFFFFFFL;  // Xlib hands 32-bit items back sign-extended
    const std::vector<long> expected = {2, 1, 0xFF112233L, 0, 1, 2, 0x80FFFFFFL, 0xFF000000L};
    EXPECT_EQ(icon, expected);
}

TEST_F(Fenetre, WithoutADisplayOpeningFailsCleanly) {
    unsetenv("DISPLAY");
    EXPECT_FALSE(ogl_open(600, 600, Init));
    EXPECT_EQ(ogl_instance(), nullptr);
    EXPECT_EQ(ogl_last_error(), ternex2::error_no_display);
    setenv("DISPLAY", ":987", 1);  // no server there
    EXPECT_FALSE(ogl_open(600, 600, Init));
    EXPECT_EQ(ogl_instance(), nullptr);
    EXPECT_EQ(initCalls, 0);
    ogl_post_call(Marquer);  // harmless without a window
    ogl_swap_buffers();
    EXPECT_EQ(ternex2::message_box(0, "texte", "titre", ternex2::mb_ok), 0);
    setenv("DISPLAY", server->Display().c_str(), 1);
    EXPECT_NE(Ouvrir(), 0u);
}

TEST_F(Fenetre, APlainWindowShowsItsSurface) {
    ternex2::graphics g(64, 48);
    ASSERT_TRUE(g.is_open());
    const Window w = g.window_id();
    g.set_foreground({255, 0, 0});
    g.rectangle(10, 5, 19, 14, true);
    auto rouge = [&](int x, int y) {
        const auto pixels = xtest::Capturer(dpy, w, g.get_width(), g.get_height());
        return !pixels.empty() && pixels[static_cast<size_t>(y) * g.get_width() + x] == 0xFF0000u;
    };
    EXPECT_TRUE(xtest::Attendre([&] { return rouge(10, 5) && rouge(19, 14); }));
    EXPECT_FALSE(rouge(20, 14));
    ASSERT_TRUE(g.resize(80, 40, false));
    EXPECT_TRUE(xtest::Attendre([&] {
        int width = 0, height = 0;
        xtest::TailleInterieure(dpy, w, width, height);
        return width == 80 && height == 40;
    }));
    EXPECT_TRUE(xtest::Attendre([&] { return rouge(15, 10); }));
}

struct BoiteOuverte {
    std::future<int> answer;
    Window window = 0;
};

BoiteOuverte Montrer(Display* dpy, const char* title, int buttons) {
    BoiteOuverte b;
    b.answer = std::async(std::launch::async, [title, buttons] {
        return ternex2::message_box(0, "Un texte assez long pour être coupé en deux lignes par la boîte de "
                                       "dialogue, sans plus.", title, buttons);
    });
    xtest::Attendre([&] { return (b.window = xtest::FenetreDeTitre(dpy, title)) != 0; });
    return b;
}

TEST_F(Fenetre, MessageBoxAnswersItsButtonsKeysAndCloseBox) {
    BoiteOuverte b = Montrer(dpy, "Glomerix : Erreur", ternex2::mb_okcancel);
    ASSERT_NE(b.window, 0u);
    EXPECT_EQ(xtest::ProprieteTexte(dpy, b.window, "WM_NAME"), "Glomerix : Erreur");
    EXPECT_EQ(b.answer.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);  // modal
    xtest::EnvoyerTouche(dpy, b.window, XK_Escape);
    EXPECT_EQ(b.answer.get(), ternex2::id_cancel);

    b = Montrer(dpy, "Deux", ternex2::mb_okcancel);
    ASSERT_NE(b.window, 0u);
    xtest::EnvoyerTouche(dpy, b.window, XK_Return);
    EXPECT_EQ(b.answer.get(), ternex2::id_ok);

    b = Montrer(dpy, "Trois", ternex2::mb_okcancel);
    ASSERT_NE(b.window, 0u);
    xtest::EnvoyerFermeture(dpy, b.window);
    EXPECT_EQ(b.answer.get(), ternex2::id_cancel);

    b = Montrer(dpy, "Quatre", ternex2::mb_ok);
    ASSERT_NE(b.window, 0u);
    xtest::EnvoyerFermeture(dpy, b.window);
    EXPECT_EQ(b.answer.get(), ternex2::id_ok);
}

TEST(ErreursFenetre, EveryCodeHasItsOwnPrefixedText) {
    std::set<std::string> texts;
    for (int code = ternex2::error_none; code <= ternex2::error_no_window; ++code) {
        const std::string text = ternex2::error_text(code);
        EXPECT_EQ(text.rfind("ternex2: ", 0), 0u) << text;
        texts.insert(text);
    }
    EXPECT_EQ(texts.size(), 6u);
}

}  // namespace
