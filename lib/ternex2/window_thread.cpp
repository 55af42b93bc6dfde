// The window thread: opens the X window (and the GL context), then serves X
// events and posted requests until asked to end. Nothing here runs on the
// command thread except window_side::post.
#include <X11/Xatom.h>
#include <X11/keysym.h>
#include <errno.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <utility>

#include "ternex2/x11_internal.h"

namespace {

using namespace ternex2;
using ternex2::detail::window_side;
using ternex2::detail::x_error_trap;

thread_local window_side* current = nullptr;

// glXChooseVisual takes the deepest RGBA visual meeting these minimums.
int kGlAttributes[] = {GLX_RGBA,       GLX_DOUBLEBUFFER, GLX_RED_SIZE,   1, GLX_GREEN_SIZE, 1,
                       GLX_BLUE_SIZE,  1,                GLX_DEPTH_SIZE, 16, None};

// The user may resize a GL window (its frames follow), down to a size where a
// picture still shows; a plain window shows its surface and keeps its size.
constexpr int kTailleMin = 64;

void FixSize(Display* dpy, Window window, int width, int height, bool resizable) {
    XSizeHints* hints = XAllocSizeHints();
    if (hints == nullptr) return;
    hints->flags = PPosition | PSize | PMinSize | (resizable ? 0 : PMaxSize);
    hints->x = hints->y = 0;
    hints->width = hints->max_width = width;
    hints->height = hints->max_height = height;
    hints->min_width = resizable ? std::min(width, kTailleMin) : width;
    hints->min_height = resizable ? std::min(height, kTailleMin) : height;
    XSetWMNormalHints(dpy, window, hints);
    XFree(hints);
}

void SetProperties(Display* dpy, Window window, int width, int height, bool resizable) {
    XClassHint hint;
    hint.res_name = program_invocation_short_name;
    hint.res_class = const_cast<char*>("Graphics::Wnd");
    XSetClassHint(dpy, window, &hint);
    ternex2::detail::SetTitle(dpy, window, "Ternex2 - Graphical Window");
    FixSize(dpy, window, width, height, resizable);
    const long pid = getpid();
    XChangeProperty(dpy, window, XInternAtom(dpy, "_NET_WM_PID", False), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&pid), 1);
}

// Waits up to two seconds for the window to be mapped, leaving other events queued.
void WaitUntilMapped(Display* dpy, Window window) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    XEvent event;
    while (!XCheckTypedWindowEvent(dpy, window, MapNotify, &event)) {
        if (std::chrono::steady_clock::now() > deadline) return;
        pollfd fd{ConnectionNumber(dpy), POLLIN, 0};
        poll(&fd, 1, 10);
    }
}

int ButtonNumber(unsigned int xButton) {
    switch (xButton) {
        case Button1: return 2;
        case Button2: return 1;
        case Button3: return 0;
        default: return 3;
    }
}

struct window_opener {
    window_side& s;

    int open(int width, int height, bool withGL) {
        s.dpy = ternex2::detail::WindowConnection();
        if (s.dpy == nullptr) return error_no_display;
        s.clientWidth = width;
        s.clientHeight = height;
        XVisualInfo* visual = nullptr;
        if (withGL) {
            int base = 0;
            if (glXQueryExtension(s.dpy, &base, &base)) {
                visual = glXChooseVisual(s.dpy, DefaultScreen(s.dpy), kGlAttributes);
            }
            if (visual == nullptr) {
                message_box(0, "ChoosePixelFormat failed", "Error", mb_ok);
                return error_no_visual;
            }
        }
        int error = create(width, height, visual);
        if (error != error_none && withGL) message_box(0, "SetPixelFormat failed", "Error", mb_ok);
        if (error == error_none && withGL) error = create_context(visual);
        if (visual != nullptr) XFree(visual);
        if (error != error_none) return error;
        XMapWindow(s.dpy, s.window);
        WaitUntilMapped(s.dpy, s.window);
        return error_none;
    }

    int create(int width, int height, XVisualInfo* gl) {
        const int screen = DefaultScreen(s.dpy);
        const Window root = RootWindow(s.dpy, screen);
        Visual* visual = gl ? gl->visual : DefaultVisual(s.dpy, screen);
        XSetWindowAttributes a{};
        a.border_pixel = 0;
        a.background_pixel = WhitePixel(s.dpy, screen);
        a.event_mask = ExposureMask | KeyPressMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                       StructureNotifyMask;
        unsigned long mask = CWBorderPixel | CWEventMask;
        // A GL window is never cleared by the server: the frames cover it.
        mask |= gl ? CWBackPixmap : CWBackPixel;
        x_error_trap trap(s.dpy);
        if (gl) {
            s.colormap = XCreateColormap(s.dpy, root, visual, AllocNone);
            a.colormap = s.colormap;
            a.background_pixmap = None;
            mask |= CWColormap;
        }
        s.window = XCreateWindow(s.dpy, root, 0, 0, width, height, 0, gl ? gl->depth : CopyFromParent,
                                 InputOutput, visual, mask, &a);
        if (trap.finish() != 0 || s.window == 0) {
            s.window = 0;
            return gl ? error_pixel_format : error_no_window;
        }
        SetProperties(s.dpy, s.window, width, height, gl != nullptr);
        s.wmDelete = XInternAtom(s.dpy, "WM_DELETE_WINDOW", False);
        XSetWMProtocols(s.dpy, s.window, &s.wmDelete, 1);
        if (!gl) s.shown.assign(static_cast<size_t>(width) * height, 0xFFFFFF);
        return error_none;
    }

    int create_context(XVisualInfo* visual) {
        x_error_trap trap(s.dpy);
        s.context = glXCreateContext(s.dpy, visual, nullptr, True);
        const bool current = s.context != nullptr && glXMakeCurrent(s.dpy, s.window, s.context);
        if (trap.finish() != 0 || !current) return error_no_context;
        glViewport(0, 0, s.clientWidth, s.clientHeight);
        return error_none;
    }
};

struct event_server {
    window_side& s;

    void mouse(int button, int action, int wheel, int x, int y, unsigned int state) {
        MouseEvent m;
        m.button = button;
        m.action = action;
        m.wheel = wheel;
        m.px = x;
        m.py = y;
        m.wx = s.world[0] + (s.world[1] - s.world[0]) * x / s.clientWidth;
        m.wy = s.world[2] + (s.world[3] - s.world[2]) * y / s.clientHeight;
        m.control = (state & ControlMask) != 0;
        m.shift = (state & ShiftMask) != 0;
        s.deliver_mouse(m);
    }

    void key(XKeyEvent& event) {
        char text[16];
        KeySym keysym = 0;
        const int n = XLookupString(&event, text, sizeof text, &keysym, nullptr);
        for (int k = 0; k < n; ++k) {
            s.deliver_key(static_cast<unsigned char>(text[k]));
        }
    }

    void button(XButtonEvent& e, bool press) {
        if (e.button == Button4 || e.button == Button5) {
            if (press) mouse(3, 3, e.button == Button4 ? 120 : -120, e.x, e.y, e.state);
            return;
        }
        if (e.button > Button5) return;
        mouse(ButtonNumber(e.button), press ? 1 : 0, 0, e.x, e.y, e.state);
    }

    // Moves queued right behind this one replace it: only the latest
    // position is worth a frame, and a backlog of frames would keep the
    // command thread waiting for the state lock.
    void skip_to_last_move(XEvent& e) {
        XEvent next;
        while (XEventsQueued(s.dpy, QueuedAfterReading) > 0) {
            XPeekEvent(s.dpy, &next);
            if (next.type != MotionNotify || next.xmotion.window != s.window) break;
            XNextEvent(s.dpy, &e);
        }
    }

    // The drawing follows the window's size: a new viewport and a frame (a
    // window made smaller gets no Expose).
    void resized(int width, int height) {
        if (s.context == nullptr || (width == s.clientWidth && height == s.clientHeight)) return;
        s.clientWidth = width;
        s.clientHeight = height;
        glViewport(0, 0, width, height);
        if (s.paint) s.paint();
    }

    void handle(XEvent& e) {
        if (e.xany.window != s.window) return;  // left by an earlier window on this connection
        switch (e.type) {
            case Expose:
                if (e.xexpose.count != 0) break;
                if (s.context != nullptr) {
                    if (s.paint) s.paint();
                } else if (!s.shown.empty()) {
                    s.show(0, 0, s.clientWidth, s.clientHeight, std::vector<uint32_t>(s.shown));
                }
                break;
            case MotionNotify:
                skip_to_last_move(e);
                mouse(4, 2, 0, e.xmotion.x, e.xmotion.y, e.xmotion.state);
                break;
            case ButtonPress: button(e.xbutton, true); break;
            case ButtonRelease: button(e.xbutton, false); break;
            case KeyPress: key(e.xkey); break;
            case ConfigureNotify: resized(e.xconfigure.width, e.xconfigure.height); break;
            case ClientMessage: break;  // WM_DELETE_WINDOW: the close box does not close
            default: break;
        }
    }

    void run_requests() {
        std::deque<std::function<void()>> batch;
        {
            std::lock_guard<std::mutex> lock(s.queueLock);
            batch.swap(s.queue);
        }
        for (std::function<void()>& request : batch) request();
    }

    void drain_pipe() {
        char bytes[64];
        while (read(s.wakeRead, bytes, sizeof bytes) > 0) {
        }
    }

    // Sleeps in poll() on the X connection and the wake pipe; no idle loop.
    // The requests queued when an event is taken run before it, so those
    // posted before the event was sent (a handler set just after opening)
    // apply to it.
    void serve() {
        while (s.running) {
            run_requests();
            while (s.running && XPending(s.dpy) > 0) {
                XEvent event;
                XNextEvent(s.dpy, &event);
                run_requests();
                if (s.running) handle(event);
            }
            if (!s.running) break;
            XFlush(s.dpy);
            if (XEventsQueued(s.dpy, QueuedAlready) > 0) continue;
            pollfd fds[2] = {{s.wakeRead, POLLIN, 0}, {ConnectionNumber(s.dpy), POLLIN, 0}};
            if (poll(fds, 2, -1) < 0 && errno != EINTR) break;
            if (fds[0].revents & POLLIN) drain_pipe();
        }
    }
};

}  // namespace

// ---------------------------------------------------------------------------
// window_side
// ---------------------------------------------------------------------------

namespace ternex2::detail {

window_side* CurrentWindow() { return current; }

void window_side::post(std::function<void()> request) {
    {
        std::lock_guard<std::mutex> lock(queueLock);
        queue.push_back(std::move(request));
    }
    const char byte = 1;
    // A full pipe (EAGAIN) means the thread has wake-ups pending anyway.
    [[maybe_unused]] const ssize_t n = write(wakeWrite, &byte, 1);
}

void window_side::show(int x, int y, int width, int height, std::vector<uint32_t> block) {
    if (context != nullptr || shown.empty()) return;
    for (int row = 0; row < height; ++row) {
        std::copy_n(block.begin() + static_cast<size_t>(row) * width, width,
                    shown.begin() + static_cast<size_t>(y + row) * clientWidth + x);
    }
    const int screen = DefaultScreen(dpy);
    if (DefaultDepth(dpy, screen) < 24) return;  // only true-colour screens show the picture
    XImage* image = XCreateImage(dpy, DefaultVisual(dpy, screen), DefaultDepth(dpy, screen), ZPixmap, 0,
                                 reinterpret_cast<char*>(shown.data()), clientWidth, clientHeight, 32,
                                 clientWidth * 4);
    if (image == nullptr) return;
    XPutImage(dpy, window, DefaultGC(dpy, screen), image, x, y, x, y, width, height);
    image->data = nullptr;  // the picture belongs to `shown`
    XDestroyImage(image);
}

void window_side::set_size(int width, int height) {
    if (width == clientWidth && height == clientHeight) return;
    clientWidth = width;
    clientHeight = height;
    FixSize(dpy, window, width, height, context != nullptr);
    XResizeWindow(dpy, window, width, height);
    if (context != nullptr) {
        glViewport(0, 0, width, height);
    } else {
        shown.assign(static_cast<size_t>(width) * height, 0xFFFFFF);
    }
}

void window_side::set_icon(const std::vector<icon_image>& images) {
    // _NET_WM_ICON: width, height, then the ARGB pixels, for each image.
    // Format-32 properties travel as longs.
    std::vector<long> data;
    for (const icon_image& image : images) {
        data.push_back(image.width);
        data.push_back(image.height);
        data.insert(data.end(), image.argb.begin(), image.argb.end());
    }
    XChangeProperty(dpy, window, XInternAtom(dpy, "_NET_WM_ICON", False), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(data.data()), static_cast<int>(data.size()));
}

void window_side::deliver_mouse(const MouseEvent& event) {
    owner->record_mouse(event);
    if (mouse != nullptr) mouse(event, mouseUser);
}

void window_side::deliver_key(int code) {
    owner->record_key(key_character, code);
    if (key != nullptr) key(key_character, code, keyUser);
}

void window_side::run(int width, int height, bool withGL, const std::function<void()>& started) {
    current = this;
    const int error = window_opener{*this}.open(width, height, withGL);
    owner->openError = error;
    owner->windowId = error == error_none ? window : 0;
    started();
    if (error == error_none) event_server{*this}.serve();
    if (dpy != nullptr) {
        if (context != nullptr) {
            glXMakeCurrent(dpy, None, nullptr);
            glXDestroyContext(dpy, context);
            context = nullptr;
        }
        if (window != 0) XDestroyWindow(dpy, window);
        if (colormap != 0) XFreeColormap(dpy, colormap);
        XSync(dpy, True);  // the connection stays; this window's events go
        dpy = nullptr;
    }
    current = nullptr;
}

}  // namespace ternex2::detail
