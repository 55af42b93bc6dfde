// The command thread's side of a graphics window: construction, requests and
// the end of the window thread.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <future>
#include <string>

#include "ternex2/x11_internal.h"

// ---------------------------------------------------------------------------
// ternex2::graphics
// ---------------------------------------------------------------------------

namespace ternex2 {

graphics::graphics(int w, int h) : graphics(w, h, deferred{}) { start(false); }

graphics::graphics(int w, int h, deferred) : surface(w, h), side(std::make_unique<detail::window_side>()) {
    side->owner = this;
    int fds[2];
    if (pipe2(fds, O_NONBLOCK | O_CLOEXEC) == 0) {
        side->wakeRead = fds[0];
        side->wakeWrite = fds[1];
    }
    side->world[0] = xFrom;
    side->world[1] = xTo;
    side->world[2] = yFrom;
    side->world[3] = yTo;
}

graphics::~graphics() {
    stop();
    if (side->wakeRead >= 0) close(side->wakeRead);
    if (side->wakeWrite >= 0) close(side->wakeWrite);
}

void graphics::start(bool withGL) {
    openGL = withGL;
    if (side->wakeRead < 0) return;
    // The promise outlives this frame: the thread may still be inside
    // set_value when the wait below returns.
    auto started = std::make_shared<std::promise<void>>();
    std::future<void> done = started->get_future();
    thread = std::thread([s = side.get(), w = width, h = height, withGL, started] {
        s->run(w, h, withGL, [&started] { started->set_value(); });
    });
    done.wait();
    if (openError != error_none) stop();
}

void graphics::stop() {
    if (!thread.joinable() || on_window_thread()) return;
    side->post([s = side.get()] { s->running = false; });
    thread.join();
}

void graphics::post(std::function<void()> request) {
    if (thread.joinable() && is_open()) side->post(std::move(request));
}

bool graphics::resize(int w, int h, bool discard) {
    if (!surface::resize(w, h, discard)) return false;
    post([s = side.get(), w, h] { s->set_size(w, h); });
    refresh(0, 0, w, h);
    return true;
}

void graphics::refresh(int x, int y, int w, int h) {
    if (openGL || !is_open()) return;
    // The window thread gets its own copy of the block: no pixel is shared.
    const int left = std::max(x, 0), top = std::max(y, 0);
    const int right = std::min(x + w, width), bottom = std::min(y + h, height);
    if (right <= left || bottom <= top) return;
    const int bw = right - left, bh = bottom - top;
    std::vector<uint32_t> block(static_cast<size_t>(bw) * bh);
    for (int row = 0; row < bh; ++row) {
        std::copy_n(pixels.begin() + static_cast<size_t>(top + row) * width + left, bw,
                    block.begin() + static_cast<size_t>(row) * bw);
    }
    post([s = side.get(), left, top, bw, bh, b = std::move(block)]() mutable {
        s->show(left, top, bw, bh, std::move(b));
    });
}

void graphics::world_window_changed() {
    post([s = side.get(), f = xFrom, t = xTo, u = yFrom, v = yTo] {
        s->world[0] = f;
        s->world[1] = t;
        s->world[2] = u;
        s->world[3] = v;
    });
}

void graphics::set_title(const char* text) {
    post([s = side.get(), title = std::string(text)] { detail::SetTitle(s->dpy, s->window, title.c_str()); });
}

bool graphics::set_icon(int name, bool stock) {
    std::vector<icon_image> images;
    if (stock || !find_icon(name, images)) return false;
    post([s = side.get(), icons = std::move(images)] { s->set_icon(icons); });
    return true;
}

void graphics::set_mouse_handler(mouse_handler handler, intptr_t user) {
    post([s = side.get(), handler, user] {
        s->mouse = handler;
        s->mouseUser = user;
    });
}

void graphics::set_key_handler(key_handler handler, intptr_t user) {
    post([s = side.get(), handler, user] {
        s->key = handler;
        s->keyUser = user;
    });
}

MouseEvent graphics::last_mouse_event() const {
    std::lock_guard<std::mutex> lock(eventLock);
    return lastMouse;
}

void graphics::last_key_event(int& kind, int& code) const {
    std::lock_guard<std::mutex> lock(eventLock);
    kind = lastKind;
    code = lastCode;
}

void graphics::record_mouse(const MouseEvent& event) {
    std::lock_guard<std::mutex> lock(eventLock);
    lastMouse = event;
}

void graphics::record_key(int kind, int code) {
    std::lock_guard<std::mutex> lock(eventLock);
    lastKind = kind;
    lastCode = code;
}

}  // namespace ternex2
