// Off-screen pictures: a framebuffer object of the asked size on the window
// thread, multisampled when the driver offers it, read back as RGB.
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstring>

#include "ternex2/x11_internal.h"

namespace {

// Framebuffer objects are GL 3.0; libGL need not export them, so they are
// looked up once per context (the window thread's only).
struct fbo_api {
    PFNGLGENFRAMEBUFFERSPROC genFramebuffers = nullptr;
    PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers = nullptr;
    PFNGLBINDFRAMEBUFFERPROC bindFramebuffer = nullptr;
    PFNGLGENRENDERBUFFERSPROC genRenderbuffers = nullptr;
    PFNGLDELETERENDERBUFFERSPROC deleteRenderbuffers = nullptr;
    PFNGLBINDRENDERBUFFERPROC bindRenderbuffer = nullptr;
    PFNGLRENDERBUFFERSTORAGEMULTISAMPLEPROC storage = nullptr;
    PFNGLFRAMEBUFFERRENDERBUFFERPROC attach = nullptr;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC status = nullptr;
    PFNGLBLITFRAMEBUFFERPROC blit = nullptr;

    template <typename F>
    static bool find(F& f, const char* name) {
        f = reinterpret_cast<F>(glXGetProcAddress(reinterpret_cast<const GLubyte*>(name)));
        return f != nullptr;
    }
    bool load() {
        return find(genFramebuffers, "glGenFramebuffers") && find(deleteFramebuffers, "glDeleteFramebuffers") &&
               find(bindFramebuffer, "glBindFramebuffer") && find(genRenderbuffers, "glGenRenderbuffers") &&
               find(deleteRenderbuffers, "glDeleteRenderbuffers") && find(bindRenderbuffer, "glBindRenderbuffer") &&
               find(storage, "glRenderbufferStorageMultisample") && find(attach, "glFramebufferRenderbuffer") &&
               find(status, "glCheckFramebufferStatus") && find(blit, "glBlitFramebuffer");
    }
};

// A framebuffer with a colour and a depth renderbuffer of `samples` samples
// (0: one per pixel).
struct target {
    GLuint fbo = 0, colour = 0, depth = 0;

    bool create(const fbo_api& gl, int width, int height, int samples) {
        gl.genFramebuffers(1, &fbo);
        gl.bindFramebuffer(GL_FRAMEBUFFER, fbo);
        gl.genRenderbuffers(1, &colour);
        gl.bindRenderbuffer(GL_RENDERBUFFER, colour);
        gl.storage(GL_RENDERBUFFER, samples, GL_RGBA8, width, height);
        gl.attach(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
        gl.genRenderbuffers(1, &depth);
        gl.bindRenderbuffer(GL_RENDERBUFFER, depth);
        gl.storage(GL_RENDERBUFFER, samples, GL_DEPTH_COMPONENT24, width, height);
        gl.attach(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
        return glGetError() == GL_NO_ERROR && gl.status(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    }
    void destroy(const fbo_api& gl) {
        if (colour != 0) gl.deleteRenderbuffers(1, &colour);
        if (depth != 0) gl.deleteRenderbuffers(1, &depth);
        if (fbo != 0) gl.deleteFramebuffers(1, &fbo);
        *this = {};
    }
};

struct offscreen_state {
    bool active = false;
    int width = 0, height = 0, samples = 0;
    target drawn, resolved;  // resolved: only when drawn is multisampled
};

thread_local fbo_api api;
thread_local bool apiLoaded = false;
thread_local offscreen_state state;

void Release() {
    api.bindFramebuffer(GL_FRAMEBUFFER, 0);
    state.drawn.destroy(api);
    state.resolved.destroy(api);
    state.active = false;
    if (ternex2::detail::window_side* s = ternex2::detail::CurrentWindow()) {
        glViewport(0, 0, s->clientWidth, s->clientHeight);
    }
}

}  // namespace

bool ogl_client_size(int& width, int& height) {
    ternex2::detail::window_side* s = ternex2::detail::CurrentWindow();
    if (s == nullptr || s->context == nullptr) return false;
    width = s->clientWidth;
    height = s->clientHeight;
    return true;
}

bool ogl_begin_offscreen(int width, int height, int maxSamples) {
    int w = 0, h = 0;
    if (state.active || width <= 0 || height <= 0 || !ogl_client_size(w, h)) return false;
    if (!apiLoaded) apiLoaded = api.load();
    if (!apiLoaded) return false;
    // Errors left by earlier calls would read as ours.
    for (int k = 0; k < 32 && glGetError() != GL_NO_ERROR; ++k) {
    }
    GLint limit = 0, dims[2] = {0, 0}, samples = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &limit);
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, dims);
    glGetIntegerv(GL_MAX_SAMPLES, &samples);
    if (width > limit || height > limit || width > dims[0] || height > dims[1]) return false;
    state.samples = samples < maxSamples ? samples : maxSamples;
    if (state.samples < 2) state.samples = 0;
    state.width = width;
    state.height = height;
    state.active = true;
    bool ok = state.drawn.create(api, width, height, state.samples);
    if (ok && state.samples > 0) {
        ok = state.resolved.create(api, width, height, 0);
        api.bindFramebuffer(GL_FRAMEBUFFER, state.drawn.fbo);
    }
    if (!ok) {
        Release();
        return false;
    }
    glViewport(0, 0, width, height);
    return true;
}

int ogl_offscreen_samples() { return state.active ? state.samples : 0; }

bool ogl_end_offscreen(std::vector<unsigned char>& rgb) {
    if (!state.active) return false;
    const int w = state.width, h = state.height;
    GLuint read = state.drawn.fbo;
    if (state.samples > 0) {
        // The samples are averaged into the single-sample target.
        api.bindFramebuffer(GL_READ_FRAMEBUFFER, state.drawn.fbo);
        api.bindFramebuffer(GL_DRAW_FRAMEBUFFER, state.resolved.fbo);
        api.blit(0, 0, w, h, 0, 0, w, h, GL_COLOR_BUFFER_BIT, GL_NEAREST);
        read = state.resolved.fbo;
    }
    api.bindFramebuffer(GL_FRAMEBUFFER, read);
    std::vector<unsigned char> lu(static_cast<size_t>(w) * h * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, lu.data());
    const bool ok = glGetError() == GL_NO_ERROR;
    Release();
    if (!ok) return false;
    // GL gives the bottom row first.
    const size_t row = static_cast<size_t>(w) * 3;
    rgb.resize(lu.size());
    for (int y = 0; y < h; ++y) std::memcpy(&rgb[y * row], &lu[static_cast<size_t>(h - 1 - y) * row], row);
    return true;
}
