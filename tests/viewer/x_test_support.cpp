#include "viewer/x_test_support.h"

#include <X11/Xatom.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>

namespace xtest {

namespace {

int Ignorer(::Display*, XErrorEvent*) { return 0; }

Atom Atome(::Display* dpy, const char* name) { return XInternAtom(dpy, name, False); }

std::vector<Window> Racines(::Display* dpy) {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int n = 0;
    std::vector<Window> out;
    if (XQueryTree(dpy, DefaultRootWindow(dpy), &root, &parent, &children, &n)) {
        out.assign(children, children + n);
        XFree(children);
    }
    return out;
}

}  // namespace

bool Xvfb::Installed() {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        const size_t end = dirs.find(':', start);
        const std::string dir = dirs.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!dir.empty() && access((dir + "/Xvfb").c_str(), X_OK) == 0) return true;
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return false;
}

Xvfb::Xvfb() {
    int fds[2];
    if (pipe(fds) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);  // no stray server when a test program dies
        close(fds[0]);
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, 1);
        dup2(quiet, 2);
        const std::string fd = std::to_string(fds[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
               "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    if (pid_ < 0) {
        close(fds[0]);
        return;
    }
    std::string number;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd p{fds[0], POLLIN, 0};
        if (poll(&p, 1, 100) <= 0) continue;
        char c;
        if (read(fds[0], &c, 1) != 1) break;
        if (c == '\n') break;
        number += c;
    }
    close(fds[0]);
    if (!number.empty()) display_ = ":" + number;
}

// Xvfb can miss a SIGTERM that lands just before it goes back to waiting for
// clients (seen under load: the test program then hung at exit for minutes),
// so the signal is repeated every half second, then the server is killed.
Xvfb::~Xvfb() {
    if (pid_ <= 0) return;
    int status = 0;
    for (int tentative = 0; tentative < 20; ++tentative) {
        kill(pid_, SIGTERM);
        for (int attente = 0; attente < 50; ++attente) {
            if (waitpid(pid_, &status, WNOHANG) != 0) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    kill(pid_, SIGKILL);
    waitpid(pid_, &status, 0);
}

const Xvfb* XvfbPartage() {
    static const std::unique_ptr<Xvfb> server = std::make_unique<Xvfb>();
    return server->Running() ? server.get() : nullptr;
}

bool Attendre(const std::function<bool()>& cond, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!cond()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

std::string ProprieteTexte(::Display* dpy, Window w, const char* property) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string out;
    if (XGetWindowProperty(dpy, w, Atome(dpy, property), 0, 1 << 16, False, AnyPropertyType, &type, &format,
                           &count, &after, &data) == Success &&
        data != nullptr) {
        if (format == 8) out.assign(reinterpret_cast<char*>(data), count);
        XFree(data);
    }
    return out;
}

std::vector<long> ProprieteCardinaux(::Display* dpy, Window w, const char* property, Atom wanted) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::vector<long> out;
    if (XGetWindowProperty(dpy, w, Atome(dpy, property), 0, 1 << 20, False, wanted, &type, &format, &count, &after,
                           &data) == Success &&
        data != nullptr) {
        if (format == 32) out.assign(reinterpret_cast<long*>(data), reinterpret_cast<long*>(data) + count);
        XFree(data);
    }
    return out;
}

void Classe(::Display* dpy, Window w, std::string& resName, std::string& resClass) {
    XClassHint hint{};
    resName.clear();
    resClass.clear();
    if (XGetClassHint(dpy, w, &hint)) {
        resName = hint.res_name ? hint.res_name : "";
        resClass = hint.res_class ? hint.res_class : "";
        XFree(hint.res_name);
        XFree(hint.res_class);
    }
}

std::vector<Window> FenetresDeClasse(::Display* dpy, const std::string& resClass) {
    std::vector<Window> out;
    for (Window w : Racines(dpy)) {
        std::string name, cls;
        Classe(dpy, w, name, cls);
        if (cls == resClass) out.push_back(w);
    }
    return out;
}

Window FenetreDeTitre(::Display* dpy, const std::string& title) {
    for (Window w : Racines(dpy)) {
        if (ProprieteTexte(dpy, w, "_NET_WM_NAME") == title) return w;
    }
    return 0;
}

bool Existe(::Display* dpy, Window w) {
    XSync(dpy, False);
    XErrorHandler old = XSetErrorHandler(Ignorer);
    XWindowAttributes a;
    const Status ok = XGetWindowAttributes(dpy, w, &a);
    XSync(dpy, False);
    XSetErrorHandler(old);
    return ok != 0;
}

void TailleInterieure(::Display* dpy, Window w, int& width, int& height) {
    XWindowAttributes a{};
    XGetWindowAttributes(dpy, w, &a);
    width = a.width;
    height = a.height;
}

void IgnorerErreursX() { XSetErrorHandler(Ignorer); }

void EnvoyerMouvement(::Display* dpy, Window w, int x, int y, unsigned state) {
    XEvent e{};
    e.xmotion.type = MotionNotify;
    e.xmotion.display = dpy;
    e.xmotion.window = w;
    e.xmotion.root = DefaultRootWindow(dpy);
    e.xmotion.x = x;
    e.xmotion.y = y;
    e.xmotion.state = state;
    e.xmotion.same_screen = True;
    XSendEvent(dpy, w, False, 0, &e);
    XFlush(dpy);
}

void EnvoyerBouton(::Display* dpy, Window w, unsigned button, bool press, int x, int y, unsigned state) {
    XEvent e{};
    e.xbutton.type = press ? ButtonPress : ButtonRelease;
    e.xbutton.display = dpy;
    e.xbutton.window = w;
    e.xbutton.root = DefaultRootWindow(dpy);
    e.xbutton.x = x;
    e.xbutton.y = y;
    e.xbutton.button = button;
    e.xbutton.state = state;
    e.xbutton.same_screen = True;
    XSendEvent(dpy, w, False, 0, &e);
    XFlush(dpy);
}

void EnvoyerTouche(::Display* dpy, Window w, KeySym key, unsigned state) {
    XEvent e{};
    e.xkey.type = KeyPress;
    e.xkey.display = dpy;
    e.xkey.window = w;
    e.xkey.root = DefaultRootWindow(dpy);
    e.xkey.keycode = XKeysymToKeycode(dpy, key);
    e.xkey.state = state;
    e.xkey.same_screen = True;
    XSendEvent(dpy, w, False, 0, &e);
    XFlush(dpy);
}

void EnvoyerFermeture(::Display* dpy, Window w) {
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = w;
    e.xclient.message_type = Atome(dpy, "WM_PROTOCOLS");
    e.xclient.format = 32;
    e.xclient.data.l[0] = static_cast<long>(Atome(dpy, "WM_DELETE_WINDOW"));
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(dpy, w, False, 0, &e);
    XFlush(dpy);
}

std::vector<uint32_t> Capturer(::Display* dpy, Window w, int width, int height) {
    std::vector<uint32_t> out;
    XSync(dpy, False);
    XErrorHandler old = XSetErrorHandler(Ignorer);
    XImage* image = XGetImage(dpy, w, 0, 0, width, height, AllPlanes, ZPixmap);
    XSync(dpy, False);
    XSetErrorHandler(old);
    if (image == nullptr) return out;
    out.reserve(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) out.push_back(XGetPixel(image, x, y) & 0xFFFFFF);
    }
    XDestroyImage(image);
    return out;
}

}  // namespace xtest
