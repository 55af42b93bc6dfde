// A small window library: one off-screen surface, one X11 window shown on a
// thread of its own, and the OpenGL variant the viewer draws in.
//
// Threads: the thread that constructs a window (the command thread) only posts
// requests; the window thread owns the X connection and the GL context and
// runs every request, event handler and paint in the order they arrive.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace ternex2 {

struct rgb {
    uint8_t red = 0, green = 0, blue = 0;
    bool operator==(const rgb&) const = default;
};

// Why a window could not be opened; error_text gives the description.
enum error_code : int {
    error_none = 0,
    error_no_display = 1,    // no DISPLAY, or the X server refused the connection
    error_no_visual = 2,     // no double-buffered RGBA visual with a depth buffer
    error_pixel_format = 3,  // the window could not be created with that visual
    error_no_context = 4,    // the GL context could not be created or made current
    error_no_window = 5,     // the plain window could not be created
};
const char* error_text(int code);

// An in-memory picture with a world window. Pixels are 0x00RRGGBB, top row
// first. Every drawing primitive ends with refresh() of what it touched.
class surface {
public:
    surface();  // 400 x 400
    surface(int width, int height);
    virtual ~surface();
    surface(const surface&) = delete;
    surface& operator=(const surface&) = delete;

    // Recreates the picture at the new size; unless discard, the old picture
    // is kept in the top-left corner and the rest cleared to the background.
    virtual bool resize(int width, int height, bool discard);
    // Writes the picture as a 24-bit bottom-up BMP file.
    virtual bool save_bitmap(const char* path);
    virtual void refresh(int x, int y, int width, int height);

    // Refuses (false) when either range is empty.
    bool set_world_window(double xFrom, double xTo, double yFrom, double yTo);
    void set_foreground(rgb colour);
    void set_background(rgb colour);
    void set_pen_width(int pixels);  // 0 and 1 both draw one pixel
    // Corners are inclusive. filled uses the foreground, or the background
    // when useBackground is set; an outline uses the foreground pen.
    void rectangle(int left, int top, int right, int bottom, bool filled, bool useBackground = false);
    // Copies a width x height block of source at (sx, sy) to (dx, dy), clipped.
    void copy_from(const surface& source, int sx, int sy, int width, int height, int dx, int dy);
    void clear();

    rgb pixel(int x, int y) const;  // black outside the picture
    int get_width() const { return width; }
    int get_height() const { return height; }
    bool is_allocated() const { return allocated; }
    rgb get_foreground() const { return foreground; }
    rgb get_background() const { return background; }

protected:
    // Called after the world window changed (graphics hands it to its thread).
    virtual void world_window_changed() {}

    int32_t width = 400;
    int32_t height = 400;
    bool allocated = false;
    int32_t penWidth = 0;
    double xFrom = 0.0, xTo = 100.0, yFrom = 0.0, yTo = 100.0;
    rgb foreground{0, 0, 0};
    rgb background{255, 255, 255};
    std::vector<uint32_t> pixels;

private:
    void fill(int left, int top, int right, int bottom, uint32_t colour);
};

// The record given to the mouse handler. button: 4 none (move), 2 left,
// 0 right, 1 middle, 3 wheel. action: 2 move, 1 press, 0 release, 3 wheel.
// wx = xFrom + (xTo - xFrom) * px / width, and likewise wy with py and height.
struct MouseEvent {
    int32_t button = 4;
    int32_t action = 2;
    int32_t wheel = 0;  // +120 per notch away from the user, -120 toward
    int32_t px = 0, py = 0;
    double wx = 0.0, wy = 0.0;
    bool control = false;
    bool shift = false;
};
using mouse_handler = void (*)(MouseEvent event, intptr_t user);
// kind 4 is a character; code is its Latin-1 value.
using key_handler = void (*)(int kind, int code, intptr_t user);
inline constexpr int key_character = 4;

namespace detail {
struct window_side;
}

// A window showing a surface. The constructor returns once the window is
// mapped (or failed: see is_open). Methods are called from the constructing
// thread; those that touch the window post a request and return at once.
class graphics : public surface {
public:
    graphics(int width, int height);
    ~graphics() override;

    bool resize(int width, int height, bool discard) override;
    // Copies the rectangle to the window (nothing for an OpenGL window).
    void refresh(int x, int y, int width, int height) override;

    bool is_open() const { return openError == error_none; }
    int open_error() const { return openError; }
    unsigned long window_id() const { return windowId; }  // X window, 0 if not open
    bool on_window_thread() const { return std::this_thread::get_id() == thread.get_id(); }

    void set_title(const char* text);  // Windows-1252 text
    // Icon `name` from the program's resources (register_icon); stock icons
    // do not exist on X11, so stock gives false.
    bool set_icon(int name, bool stock);
    void set_mouse_handler(mouse_handler handler, intptr_t user);
    void set_key_handler(key_handler handler, intptr_t user);
    MouseEvent last_mouse_event() const;
    void last_key_event(int& kind, int& code) const;

    // Queues a request for the window thread and wakes it; never waits.
    // Requests run in the order they were posted.
    void post(std::function<void()> request);

protected:
    struct deferred {};
    // For derived windows: the thread starts when the derived constructor
    // calls start(), so the thread never sees a half-built object.
    graphics(int width, int height, deferred);
    void start(bool withGL);
    // Posts the end behind every queued request and joins the thread.
    // Idempotent. Must not run on the window thread.
    void stop();
    void world_window_changed() override;

    bool openGL = false;  // the window shows GL frames, not the surface
    std::unique_ptr<detail::window_side> side;

private:
    friend struct detail::window_side;
    void record_mouse(const MouseEvent& event);
    void record_key(int kind, int code);

    std::thread thread;
    int openError = error_no_window;
    unsigned long windowId = 0;
    mutable std::mutex eventLock;  // guards the two last events
    MouseEvent lastMouse;
    int lastKind = 0, lastCode = 0;
};

// An icon resource: several sizes of one picture, pixels 0xAARRGGBB.
struct icon_image {
    int width = 0, height = 0;
    std::vector<uint32_t> argb;
};
void register_icon(int name, std::vector<icon_image> images);
bool find_icon(int name, std::vector<icon_image>& images);  // false if unknown

// A modal message box of its own X connection; blocks until answered.
// owner is an X window the box stays above, or 0. Text and caption are
// Windows-1252. Returns id_ok or id_cancel; 0 when no display is available.
enum : int { mb_ok = 0, mb_okcancel = 1 };
enum : int { id_ok = 1, id_cancel = 2 };
int message_box(unsigned long owner, const char* text, const char* caption, int buttons);

}  // namespace ternex2

// A window drawn by OpenGL: the context is current on the window thread only.
class ogl_support : public ternex2::graphics {
public:
    using paint_op = void (*)();
    using init_op = void (*)(int, intptr_t);

    ogl_support(int width, int height);
    ~ogl_support() override;

    void set_paint(paint_op op);                     // called on every expose
    void run_init(init_op op, intptr_t parameter);   // posts op(2, parameter)
};

// The single viewer window of the process. All but ogl_swap_buffers are for
// the command thread.
// Opens the window unless one exists (then true at once); false, with no
// instance left, when it cannot be opened (ogl_last_error says why).
bool ogl_open(int width, int height, ogl_support::init_op init);
ogl_support* ogl_instance();
int ogl_last_error();
// On the window thread: presents the back buffer. Elsewhere: nothing.
void ogl_swap_buffers();
void ogl_set_paint(ogl_support::paint_op op);
// Posts op(3) to the window thread; returns at once. Nothing without a window.
void ogl_post_call(void (*op)(int));
// Ends the window thread (after the requests already queued) and frees the
// instance. Must not be called from the window thread, nor while the caller
// holds a lock that a queued request may wait for.
void ogl_close();

// Off-screen pictures, on the window thread with the context current.
// The window's client size (its drawable follows resizes); false elsewhere.
bool ogl_client_size(int& width, int& height);
// Draws from now on into a width x height picture with up to maxSamples
// samples per pixel (as many as the driver offers), the viewport covering it.
// False, nothing changed, when the driver cannot make it that large.
bool ogl_begin_offscreen(int width, int height, int maxSamples);
int ogl_offscreen_samples();  // of the picture begun; 0: one per pixel
// Reads the picture (8-bit RGB, top row first), frees it and draws into the
// window again, its viewport restored. False when nothing was begun or the
// read failed.
bool ogl_end_offscreen(std::vector<unsigned char>& rgb);
