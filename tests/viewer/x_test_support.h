// Test support for windows: a private Xvfb server, and a client connection of
// the test's own to inspect windows, read their pixels and send them events.
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace xtest {

// Xvfb on a display number it picks itself (-displayfd), 24-bit screen.
class Xvfb {
public:
    static bool Installed();  // Xvfb is on PATH
    Xvfb();                   // starts it; see Running()
    ~Xvfb();
    Xvfb(const Xvfb&) = delete;
    Xvfb& operator=(const Xvfb&) = delete;

    bool Running() const { return pid_ > 0 && !display_.empty(); }
    const std::string& Display() const { return display_; }  // ":N"

private:
    pid_t pid_ = -1;
    std::string display_;
};

// The test program's server, started at the first call and stopped at exit
// (the window library keeps its connection for the process, so one server
// serves every test of a program). Null when it could not start.
const Xvfb* XvfbPartage();

// Polls cond every 10 ms until it holds or the time is up: a generous
// minute, so that a loaded machine never fails a test that would pass.
bool Attendre(const std::function<bool()>& cond, std::chrono::milliseconds limit = std::chrono::seconds(60));

// Top-level windows (children of the root) whose WM_CLASS class is resClass.
std::vector<Window> FenetresDeClasse(::Display* dpy, const std::string& resClass);
// The top-level window whose _NET_WM_NAME is title (UTF-8), or 0.
Window FenetreDeTitre(::Display* dpy, const std::string& title);

std::string ProprieteTexte(::Display* dpy, Window w, const char* property);  // raw bytes
std::vector<long> ProprieteCardinaux(::Display* dpy, Window w, const char* property, Atom type);
void Classe(::Display* dpy, Window w, std::string& resName, std::string& resClass);
bool Existe(::Display* dpy, Window w);
void TailleInterieure(::Display* dpy, Window w, int& width, int& height);

// X errors of the test's connections are ignored from now on (windows of
// the program may disappear while the test talks to them).
void IgnorerErreursX();

// Synthetic events, delivered to the client that created the window.
void EnvoyerMouvement(::Display* dpy, Window w, int x, int y, unsigned state = 0);
void EnvoyerBouton(::Display* dpy, Window w, unsigned button, bool press, int x, int y, unsigned state = 0);
void EnvoyerTouche(::Display* dpy, Window w, KeySym key, unsigned state = 0);
void EnvoyerFermeture(::Display* dpy, Window w);  // WM_DELETE_WINDOW, as a close box does

// The window's pixels as 0xRRGGBB, top row first (empty when it cannot be read).
std::vector<uint32_t> Capturer(::Display* dpy, Window w, int width, int height);

}  // namespace xtest
