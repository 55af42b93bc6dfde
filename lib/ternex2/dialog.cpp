// message_box: a small modal dialog on a connection of its own, so any thread
// may show one while the window thread goes on serving the viewer.
#include <X11/Xatom.h>
#include <X11/keysym.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ternex2/x11_internal.h"

namespace {

using namespace ternex2;

constexpr int kMargin = 16;
constexpr int kButtonWidth = 84;
constexpr int kButtonHeight = 26;
constexpr int kButtonGap = 12;
constexpr size_t kWrapColumn = 60;

// Cuts the text into lines of at most kWrapColumn characters at spaces.
std::vector<std::string> WrapLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line, word;
    auto flushWord = [&] {
        if (!line.empty() && line.size() + 1 + word.size() > kWrapColumn) {
            lines.push_back(line);
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
        word.clear();
    };
    for (char c : text) {
        if (c == '\n') {
            flushWord();
            lines.push_back(line);
            line.clear();
        } else if (c == ' ') {
            flushWord();
        } else {
            word += c;
        }
    }
    if (!word.empty()) flushWord();
    if (!line.empty()) lines.push_back(line);
    return lines;
}

struct dialog {
    Display* dpy = nullptr;
    Window window = 0;
    GC gc = nullptr;
    XFontStruct* font = nullptr;
    std::vector<std::string> lines;
    std::vector<std::pair<std::string, int>> buttons;  // label, answer
    int width = 0, height = 0, lineHeight = 14;
    size_t focus = 0;
    Atom wmDelete = 0;

    int text_width(const std::string& s) const {
        return font ? XTextWidth(font, s.data(), static_cast<int>(s.size())) : static_cast<int>(s.size()) * 6;
    }

    int button_left(size_t k) const {
        const int total = static_cast<int>(buttons.size()) * (kButtonWidth + kButtonGap) - kButtonGap;
        return (width - total) / 2 + static_cast<int>(k) * (kButtonWidth + kButtonGap);
    }

    int buttons_top() const { return height - kMargin - kButtonHeight; }

    void layout() {
        if (font) lineHeight = font->ascent + font->descent + 2;
        int textWidth = 0;
        for (const std::string& l : lines) textWidth = std::max(textWidth, text_width(l));
        const int buttonsWidth = static_cast<int>(buttons.size()) * (kButtonWidth + kButtonGap);
        width = std::max({textWidth + 2 * kMargin, buttonsWidth + 2 * kMargin, 240});
        height = kMargin + static_cast<int>(lines.size()) * lineHeight + kMargin + kButtonHeight + kMargin;
    }

    void create(unsigned long owner, const char* caption) {
        const int screen = DefaultScreen(dpy);
        window = XCreateSimpleWindow(dpy, RootWindow(dpy, screen), 0, 0, width, height, 0, BlackPixel(dpy, screen),
                                     WhitePixel(dpy, screen));
        XSelectInput(dpy, window, ExposureMask | KeyPressMask | ButtonPressMask | ButtonReleaseMask |
                                      StructureNotifyMask);
        detail::SetTitle(dpy, window, caption);
        XClassHint hint{program_invocation_short_name, const_cast<char*>("Ternex2::Dialog")};
        XSetClassHint(dpy, window, &hint);
        XSizeHints* size = XAllocSizeHints();
        size->flags = PSize | PMinSize | PMaxSize;
        size->width = size->min_width = size->max_width = width;
        size->height = size->min_height = size->max_height = height;
        XSetWMNormalHints(dpy, window, size);
        XFree(size);
        wmDelete = XInternAtom(dpy, "WM_DELETE_WINDOW", False);
        XSetWMProtocols(dpy, window, &wmDelete, 1);
        const Atom type = XInternAtom(dpy, "_NET_WM_WINDOW_TYPE_DIALOG", False);
        XChangeProperty(dpy, window, XInternAtom(dpy, "_NET_WM_WINDOW_TYPE", False), XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&type), 1);
        const long pid = getpid();
        XChangeProperty(dpy, window, XInternAtom(dpy, "_NET_WM_PID", False), XA_CARDINAL, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&pid), 1);
        if (owner != 0) {
            XSetTransientForHint(dpy, window, owner);
            const Atom modal = XInternAtom(dpy, "_NET_WM_STATE_MODAL", False);
            XChangeProperty(dpy, window, XInternAtom(dpy, "_NET_WM_STATE", False), XA_ATOM, 32, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(&modal), 1);
        }
        gc = XCreateGC(dpy, window, 0, nullptr);
        if (font) XSetFont(dpy, gc, font->fid);
    }

    void draw() {
        const int screen = DefaultScreen(dpy);
        XClearWindow(dpy, window);
        XSetForeground(dpy, gc, BlackPixel(dpy, screen));
        const int ascent = font ? font->ascent : 10;
        for (size_t k = 0; k < lines.size(); ++k) {
            XDrawString(dpy, window, gc, kMargin, kMargin + static_cast<int>(k) * lineHeight + ascent,
                        lines[k].data(), static_cast<int>(lines[k].size()));
        }
        for (size_t k = 0; k < buttons.size(); ++k) {
            const int left = button_left(k), top = buttons_top();
            XDrawRectangle(dpy, window, gc, left, top, kButtonWidth, kButtonHeight);
            if (k == focus) XDrawRectangle(dpy, window, gc, left + 2, top + 2, kButtonWidth - 4, kButtonHeight - 4);
            const std::string& label = buttons[k].first;
            XDrawString(dpy, window, gc, left + (kButtonWidth - text_width(label)) / 2,
                        top + (kButtonHeight + ascent) / 2 - 1, label.data(), static_cast<int>(label.size()));
        }
    }

    int button_at(int x, int y) const {
        for (size_t k = 0; k < buttons.size(); ++k) {
            const int left = button_left(k), top = buttons_top();
            if (x >= left && x <= left + kButtonWidth && y >= top && y <= top + kButtonHeight) {
                return static_cast<int>(k);
            }
        }
        return -1;
    }

    // Enter and space take the focused button, Escape and the close box the
    // last one (Cancel, or OK when it is alone), Tab moves the focus.
    int serve() {
        int pressed = -1;
        for (;;) {
            XEvent e;
            XNextEvent(dpy, &e);
            if (e.type == Expose && e.xexpose.count == 0) draw();
            if (e.type == MapNotify) XSetInputFocus(dpy, window, RevertToParent, CurrentTime);
            if (e.type == ButtonPress && e.xbutton.button == Button1) pressed = button_at(e.xbutton.x, e.xbutton.y);
            if (e.type == ButtonRelease && e.xbutton.button == Button1 && pressed >= 0 &&
                pressed == button_at(e.xbutton.x, e.xbutton.y)) {
                return buttons[pressed].second;
            }
            if (e.type == ClientMessage && static_cast<Atom>(e.xclient.data.l[0]) == wmDelete) {
                return buttons.back().second;
            }
            if (e.type == KeyPress) {
                const KeySym key = XLookupKeysym(&e.xkey, 0);
                if (key == XK_Return || key == XK_KP_Enter || key == XK_space) return buttons[focus].second;
                if (key == XK_Escape) return buttons.back().second;
                if (key == XK_Tab) {
                    focus = (focus + 1) % buttons.size();
                    draw();
                }
            }
        }
    }
};

}  // namespace

// ---------------------------------------------------------------------------
// message_box
// ---------------------------------------------------------------------------

namespace ternex2 {

int message_box(unsigned long owner, const char* text, const char* caption, int kind) {
    detail::InitXlib();
    Display* dpy = XOpenDisplay(nullptr);
    if (dpy == nullptr) return 0;
    dialog d;
    d.dpy = dpy;
    d.font = XLoadQueryFont(dpy, "fixed");
    d.lines = WrapLines(detail::ToLatin1(text));
    d.buttons.push_back({"OK", id_ok});
    if (kind == mb_okcancel) d.buttons.push_back({"Annuler", id_cancel});
    d.layout();
    d.create(owner, caption);
    XMapRaised(dpy, d.window);
    const int answer = d.serve();
    XFreeGC(dpy, d.gc);
    if (d.font) XFreeFont(dpy, d.font);
    XDestroyWindow(dpy, d.window);
    XCloseDisplay(dpy);
    return answer;
}

}  // namespace ternex2
