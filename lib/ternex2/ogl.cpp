// ogl_support and the free operations on the single viewer window.
#include <atomic>
#include <cstdlib>
#include <mutex>

#include "ternex2/x11_internal.h"

namespace {

// Written by the command thread only; the window thread may read it (a frame
// posting the next one), and the object outlives every such read because
// ogl_close joins the thread before freeing it.
std::atomic<ogl_support*> instance{nullptr};
std::atomic<int> lastError{ternex2::error_none};

void CloseAtExit() { ogl_close(); }

}  // namespace

// ---------------------------------------------------------------------------
// ogl_support
// ---------------------------------------------------------------------------

ogl_support::ogl_support(int width, int height) : graphics(width, height, deferred{}) { start(true); }

ogl_support::~ogl_support() { stop(); }

void ogl_support::set_paint(paint_op op) {
    post([s = side.get(), op] { s->paint = op != nullptr ? std::function<void()>(op) : nullptr; });
}

void ogl_support::run_init(init_op op, intptr_t parameter) {
    if (op != nullptr) post([op, parameter] { op(2, parameter); });
}

// ---------------------------------------------------------------------------
// Free operations
// ---------------------------------------------------------------------------

bool ogl_open(int width, int height, ogl_support::init_op init) {
    if (instance.load() != nullptr) return true;
    auto* window = new ogl_support(width, height);
    if (!window->is_open()) {
        lastError = window->open_error();
        delete window;
        return false;
    }
    lastError = ternex2::error_none;
    instance = window;
    window->run_init(init, 0);
    static std::once_flag registered;
    std::call_once(registered, [] { std::atexit(CloseAtExit); });
    return true;
}

ogl_support* ogl_instance() { return instance.load(); }

int ogl_last_error() { return lastError.load(); }

void ogl_swap_buffers() {
    ternex2::detail::window_side* s = ternex2::detail::CurrentWindow();
    if (s != nullptr && s->context != nullptr) glXSwapBuffers(s->dpy, s->window);
}

void ogl_set_paint(ogl_support::paint_op op) {
    if (ogl_support* window = instance.load()) window->set_paint(op);
}

void ogl_post_call(void (*op)(int)) {
    if (ogl_support* window = instance.load(); window != nullptr && op != nullptr) {
        window->post([op] { op(3); });
    }
}

void ogl_close() {
    ogl_support* window = instance.load();
    if (window == nullptr || window->on_window_thread()) return;
    instance = nullptr;
    delete window;  // joins the window thread first
}
