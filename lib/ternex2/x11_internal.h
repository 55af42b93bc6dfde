// Inside the library: the window thread's side of a graphics window, and the
// small X helpers the window, the dialogs and the icons share.
#pragma once

#include <GL/glx.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <deque>
#include <functional>
#include <mutex>
#include <string>

#include "ternex2/ternex2.h"

namespace ternex2::detail {

// Makes Xlib safe for the window thread and the dialogs' connections.
void InitXlib();

// The window threads' X connection for the current DISPLAY, or null. Opened
// on first use and kept for the process: one window thread uses it at a
// time, and closing it would unload the GL driver (whose allocations then
// read as leaks) only to load it again at the next opening.
Display* WindowConnection();

// Windows-1252 to UTF-8 (for _NET_WM_NAME) and to Latin-1 (for WM_NAME and
// the core fonts), characters without a Latin-1 form becoming '?'.
std::string ToUtf8(const char* text);
std::string ToLatin1(const char* text);

// Sets WM_NAME and _NET_WM_NAME.
void SetTitle(Display* dpy, Window window, const char* text);

// Catches the X protocol errors of the calls made while it lives. Traps are
// serialised across threads because the handler is process-wide.
class x_error_trap {
public:
    explicit x_error_trap(Display* dpy);
    ~x_error_trap();
    // Waits for the server's replies and returns the first error code (0: none).
    int finish();

private:
    Display* dpy;
    XErrorHandler previous;
    std::unique_lock<std::mutex> lock;
    bool finished = false;
};

// Owned by a graphics object. The queue and the wake pipe are shared with the
// posting thread; every other field belongs to the window thread.
struct window_side {
    // Shared.
    std::mutex queueLock;
    std::deque<std::function<void()>> queue;
    int wakeRead = -1, wakeWrite = -1;

    // Window thread only.
    graphics* owner = nullptr;
    Display* dpy = nullptr;
    Window window = 0;
    Colormap colormap = 0;
    GLXContext context = nullptr;
    Atom wmDelete = 0;
    int clientWidth = 0, clientHeight = 0;
    double world[4] = {0.0, 100.0, 0.0, 100.0};  // xFrom, xTo, yFrom, yTo
    mouse_handler mouse = nullptr;
    intptr_t mouseUser = 0;
    key_handler key = nullptr;
    intptr_t keyUser = 0;
    std::function<void()> paint;
    std::vector<uint32_t> shown;  // plain window: the picture it shows
    bool running = true;

    // The thread's body: opens the window (and the context), stores the
    // outcome in the owner, calls started(), then serves until the end.
    void run(int width, int height, bool withGL, const std::function<void()>& started);
    void post(std::function<void()> request);
    // Window thread: shows part of the picture of a plain window.
    void show(int x, int y, int width, int height, std::vector<uint32_t> block);
    void set_size(int width, int height);
    void set_icon(const std::vector<icon_image>& images);
    // Records the event in the owner and calls its handler.
    void deliver_mouse(const MouseEvent& event);
    void deliver_key(int code);
};

// The window whose thread is the caller, or null.
window_side* CurrentWindow();

}  // namespace ternex2::detail
