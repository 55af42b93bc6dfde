#include <X11/Xatom.h>

#include <cstdlib>
#include <map>
#include <mutex>
#include <string>

#include "ternex2/x11_internal.h"

namespace {

// Unicode of Windows-1252 0x80 .. 0x9F; 0 where the code page has no character.
constexpr char32_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char32_t Unicode(unsigned char c) {
    if (c >= 0x80 && c < 0xA0) return kCp1252High[c - 0x80] ? kCp1252High[c - 0x80] : U'?';
    return c;
}

void AppendUtf8(std::string& out, char32_t u) {
    if (u < 0x80) {
        out += static_cast<char>(u);
    } else if (u < 0x800) {
        out += static_cast<char>(0xC0 | (u >> 6));
        out += static_cast<char>(0x80 | (u & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (u >> 12));
        out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (u & 0x3F));
    }
}

std::mutex trapMutex;
Display* trapDisplay = nullptr;  // guarded by trapMutex while a trap lives
int trapError = 0;

int RecordError(Display* dpy, XErrorEvent* event) {
    // Errors of other connections meanwhile are dropped rather than fatal.
    if (dpy == trapDisplay && trapError == 0) trapError = event->error_code;
    return 0;
}

std::mutex connectionLock;
// By DISPLAY; never closed, and never destroyed, so that the connections stay
// reachable (not leaked) until the process ends.
auto* const connections = new std::map<std::string, Display*>;

}  // namespace

// ---------------------------------------------------------------------------
// Shared X helpers
// ---------------------------------------------------------------------------

namespace ternex2::detail {

void InitXlib() {
    static std::once_flag once;
    std::call_once(once, [] { XInitThreads(); });
}

Display* WindowConnection() {
    InitXlib();
    const char* name = std::getenv("DISPLAY");
    const std::string key = name != nullptr ? name : "";
    std::lock_guard<std::mutex> lock(connectionLock);
    Display*& dpy = (*connections)[key];
    if (dpy == nullptr) dpy = XOpenDisplay(nullptr);
    return dpy;
}

std::string ToUtf8(const char* text) {
    std::string out;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != 0; ++p) {
        AppendUtf8(out, Unicode(*p));
    }
    return out;
}

std::string ToLatin1(const char* text) {
    std::string out;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != 0; ++p) {
        out += (*p >= 0x80 && *p < 0xA0) ? '?' : static_cast<char>(*p);
    }
    return out;
}

void SetTitle(Display* dpy, Window window, const char* text) {
    const std::string latin1 = ToLatin1(text);
    const std::string utf8 = ToUtf8(text);
    XChangeProperty(dpy, window, XA_WM_NAME, XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(latin1.data()), static_cast<int>(latin1.size()));
    XChangeProperty(dpy, window, XInternAtom(dpy, "_NET_WM_NAME", False), XInternAtom(dpy, "UTF8_STRING", False),
                    8, PropModeReplace, reinterpret_cast<const unsigned char*>(utf8.data()),
                    static_cast<int>(utf8.size()));
}

x_error_trap::x_error_trap(Display* d) : dpy(d), lock(trapMutex) {
    XSync(dpy, False);  // earlier requests' errors are not ours
    trapDisplay = dpy;
    trapError = 0;
    previous = XSetErrorHandler(RecordError);
}

int x_error_trap::finish() {
    if (!finished) {
        XSync(dpy, False);
        XSetErrorHandler(previous);
        trapDisplay = nullptr;
        finished = true;
    }
    return trapError;
}

x_error_trap::~x_error_trap() { finish(); }

}  // namespace ternex2::detail
