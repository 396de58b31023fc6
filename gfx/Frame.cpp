#include "gfx/Frame.h"

#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace gfx {

namespace {

struct Buffers {
    GLuint framebuffer = 0;
    GLuint colour = 0;
    GLuint depthStencil = 0;  // 0 for a colour-only buffer
};

struct FrameState {
    FrameLayout layout;  // samples: as granted
    int asked = 0;       // samples asked for
    Buffers draw;        // the frame as drawn; none: the window is drawn to
    Buffers resolve;     // its samples resolved, when the frame is also scaled

    bool active() const { return draw.framebuffer != 0; }
    bool scaled() const {
        return layout.windowWidth != layout.width || layout.windowHeight != layout.height;
    }
    bool multisampled() const { return layout.samples >= 2; }
};

FrameState gFrame;

// Framebuffer objects with multisampled renderbuffers and blits between
// framebuffers: core since 3.0 (and OpenGL ES 3.0), else the ARB extension
// that brought them.
bool haveFramebuffers() {
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    int major = 0;
    if (version && std::sscanf(version, "%d", &major) == 1 && major >= 3) return true;
    // OpenGL ES has them from 3.0 on, with the same calls.
    if (version && std::sscanf(version, "OpenGL ES %d", &major) == 1 && major >= 3) return true;
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    return extensions && std::strstr(extensions, "GL_ARB_framebuffer_object") != nullptr;
}

void release(Buffers& b) {
    if (b.framebuffer) glDeleteFramebuffers(1, &b.framebuffer);
    if (b.colour) glDeleteRenderbuffers(1, &b.colour);
    if (b.depthStencil) glDeleteRenderbuffers(1, &b.depthStencil);
    b = Buffers{};
}

// A complete framebuffer of the frame's size: `format` colour and, with
// `depth`, depth and stencil, `samples` per pixel (0: single sampled). The
// samples granted replace `samples`. False, nothing left allocated, when the
// driver refuses.
bool make(Buffers& b, int width, int height, int& samples, GLenum format, bool depth) {
    glGenFramebuffers(1, &b.framebuffer);
    glGenRenderbuffers(1, &b.colour);
    glBindRenderbuffer(GL_RENDERBUFFER, b.colour);
    glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, format, width, height);
    if (depth) {
        glGenRenderbuffers(1, &b.depthStencil);
        glBindRenderbuffer(GL_RENDERBUFFER, b.depthStencil);
        glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, GL_DEPTH24_STENCIL8, width,
                                         height);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, b.framebuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, b.colour);
    if (depth)
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                                  b.depthStencil);
    const bool ok = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE &&
                    glGetError() == GL_NO_ERROR;
    if (ok && samples >= 2) {
        // Drivers may round the count up.
        GLint granted = 0;
        glBindRenderbuffer(GL_RENDERBUFFER, b.colour);
        glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_SAMPLES, &granted);
        if (granted >= 2) samples = granted;
    }
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    if (!ok) release(b);
    return ok;
}

std::array<int, 4> placementOf(const FrameLayout& l) {
    if (l.width <= 0 || l.height <= 0 || l.windowWidth <= 0 || l.windowHeight <= 0)
        return {{0, 0, l.width, l.height}};
    // The whole width, unless that makes the picture taller than the window.
    long long w = l.windowWidth;
    long long h = static_cast<long long>(l.height) * l.windowWidth / l.width;
    if (h > l.windowHeight) {
        h = l.windowHeight;
        w = static_cast<long long>(l.width) * l.windowHeight / l.height;
    }
    return {{static_cast<int>((l.windowWidth - w) / 2), static_cast<int>((l.windowHeight - h) / 2),
             static_cast<int>(w), static_cast<int>(h)}};
}

// The framebuffer whose colour is the frame's resolved picture at its own
// size, after resolving the samples into it when they must be.
GLuint resolvedSource() {
    const FrameState& f = gFrame;
    if (!f.multisampled()) return f.draw.framebuffer;
    glBindFramebuffer(GL_READ_FRAMEBUFFER, f.draw.framebuffer);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, f.resolve.framebuffer);
    glBlitFramebuffer(0, 0, f.layout.width, f.layout.height, 0, 0, f.layout.width, f.layout.height,
                      GL_COLOR_BUFFER_BIT, GL_NEAREST);
    return f.resolve.framebuffer;
}

// Blits honour the scissor test, and clears the colour mask too: both are
// set aside for the copy and put back.
class CopyState {
public:
    CopyState() : scissor_(glIsEnabled(GL_SCISSOR_TEST)) {
        if (scissor_) glDisable(GL_SCISSOR_TEST);
    }
    ~CopyState() {
        if (scissor_) glEnable(GL_SCISSOR_TEST);
    }
    CopyState(const CopyState&) = delete;
    CopyState& operator=(const CopyState&) = delete;

private:
    GLboolean scissor_;
};

// The frame into the window's back buffer: the same size copied (resolving
// samples), else scaled into its place over black.
void copyToWindow() {
    const FrameState& f = gFrame;
    const CopyState state;
    const int w = f.layout.width, h = f.layout.height;
    if (!f.scaled()) {
        glBindFramebuffer(GL_READ_FRAMEBUFFER, f.draw.framebuffer);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
        glBlitFramebuffer(0, 0, w, h, 0, 0, w, h, GL_COLOR_BUFFER_BIT, GL_NEAREST);
        return;
    }
    const GLuint source = f.resolve.framebuffer ? resolvedSource() : f.draw.framebuffer;
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    GLfloat clear[4] = {0, 0, 0, 0};
    GLboolean mask[4] = {GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    glGetBooleanv(GL_COLOR_WRITEMASK, mask);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(clear[0], clear[1], clear[2], clear[3]);
    glColorMask(mask[0], mask[1], mask[2], mask[3]);
    const std::array<int, 4> p = placementOf(f.layout);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, source);
    glBlitFramebuffer(0, 0, w, h, p[0], p[1], p[0] + p[2], p[1] + p[3], GL_COLOR_BUFFER_BIT,
                      f.layout.smooth ? GL_LINEAR : GL_NEAREST);
}

void releaseFrame() {
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    release(gFrame.draw);
    release(gFrame.resolve);
}

// The frame's buffers in `format`, copied into the window once to see the
// driver takes it (drivers may insist the colour formats match). False,
// nothing allocated, when not.
bool makeFrame(FrameState& f, GLenum format) {
    int samples = f.layout.samples;
    if (!make(f.draw, f.layout.width, f.layout.height, samples, format, true)) return false;
    int none = 0;
    if (samples >= 2 && f.scaled() &&
        !make(f.resolve, f.layout.width, f.layout.height, none, format, false)) {
        release(f.draw);
        return false;
    }
    f.layout.samples = samples >= 2 ? samples : 0;
    gFrame = f;
    copyToWindow();
    const bool ok = glGetError() == GL_NO_ERROR;
    if (!ok) {
        releaseFrame();
        gFrame = FrameState{};
    }
    return ok;
}

}  // namespace

MultisampleGrant beginFrame(const FrameLayout& layout) {
    endMultisampledFrame();
    MultisampleGrant grant;
    FrameState f;
    f.layout = layout;
    f.asked = layout.samples;
    f.layout.samples = layout.samples >= 2 ? layout.samples : 0;
    if (layout.width < 1 || layout.height < 1) return grant;
    if (!f.scaled() && f.layout.samples == 0) {
        gFrame = f;  // straight into the window
        return grant;
    }
    while (glGetError() != GL_NO_ERROR) {}
    const std::string asked =
        std::to_string(f.asked) + " samples asked for, but the OpenGL driver ";
    if (!haveFramebuffers()) {
        grant.note = f.layout.samples ? asked +
                                            "has no multisampled framebuffers; drawing "
                                            "without anti-aliasing"
                                      : std::string();
        if (f.scaled())
            grant.note += std::string(grant.note.empty() ? "" : "; ") +
                          "the OpenGL driver has no framebuffer objects: the frame is drawn at "
                          "the window's size";
        f.layout.samples = 0;
        gFrame = f;
        return grant;
    }
    if (f.layout.samples) {
        GLint most = 0;
        glGetIntegerv(GL_MAX_SAMPLES, &most);
        f.layout.samples = f.layout.samples <= most ? f.layout.samples : most;
        if (f.layout.samples < 2) {
            grant.note = asked + "gives none; drawing without anti-aliasing";
            f.layout.samples = 0;
        }
    }
    // The window's colour format first, so the copy is a plain one and the
    // frame draws as the window would (without stored alpha, blending with
    // the destination's alpha sees 1, as in the window).
    GLint red = 0, green = 0, blue = 0, alpha = 0;
    glGetIntegerv(GL_RED_BITS, &red);
    glGetIntegerv(GL_GREEN_BITS, &green);
    glGetIntegerv(GL_BLUE_BITS, &blue);
    glGetIntegerv(GL_ALPHA_BITS, &alpha);
    const bool shallow = red == 5 && green == 6 && blue == 5;
    const GLenum own = shallow ? GLenum(GL_RGB565) : alpha > 0 ? GLenum(GL_RGBA8) : GLenum(GL_RGB8);
    const GLenum formats[] = {own, GL_RGB8, GL_RGBA8, GL_RGB565};
    bool made = false;
    for (GLenum format : formats)
        if ((made = makeFrame(f, format))) break;
    if (!made && f.layout.samples && f.scaled()) {
        // Scaling matters more than smooth edges.
        grant.note = asked + "cannot resolve a multisampled frame; drawing without anti-aliasing";
        f.layout.samples = 0;
        for (GLenum format : formats)
            if ((made = makeFrame(f, format))) break;
    }
    if (!made) {
        if (f.layout.samples)
            grant.note = asked +
                         "cannot resolve a multisampled frame into the window; drawing "
                         "without anti-aliasing";
        if (f.scaled())
            grant.note += std::string(grant.note.empty() ? "" : "; ") +
                          "the OpenGL driver cannot scale a frame into the window: the frame is "
                          "drawn at the window's size";
        f.layout.samples = 0;
        gFrame = FrameState{};
        gFrame.layout = f.layout;
        return grant;
    }
    glBindFramebuffer(GL_FRAMEBUFFER, gFrame.draw.framebuffer);
    grant.samples = gFrame.layout.samples;
    if (grant.samples >= 2 && grant.samples < f.asked) {
        const std::string most = std::to_string(grant.samples);
        grant.note = std::to_string(f.asked) +
                     " samples asked for, the OpenGL driver gives at most " + most + "; using " +
                     most;
    }
    return grant;
}

void setFrameWindowSize(int windowWidth, int windowHeight) {
    if (windowWidth < 1 || windowHeight < 1) return;
    FrameLayout layout = gFrame.layout;
    if (layout.windowWidth == windowWidth && layout.windowHeight == windowHeight) return;
    layout.windowWidth = windowWidth;
    layout.windowHeight = windowHeight;
    layout.samples = gFrame.asked;
    // Made again for the new size: the next frame is drawn whole anyway.
    beginFrame(layout);
}

std::array<int, 4> framePlacement() {
    if (!gFrame.active()) return {{0, 0, gFrame.layout.windowWidth, gFrame.layout.windowHeight}};
    return placementOf(gFrame.layout);
}

void endMultisampledFrame() {
    if (gFrame.active()) releaseFrame();
    gFrame = FrameState{};
}

int multisampledFrameSamples() {
    return gFrame.layout.samples;
}

void resolveFrame() {
    if (!gFrame.active()) return;
    copyToWindow();
    glBindFramebuffer(GL_FRAMEBUFFER, gFrame.draw.framebuffer);
}

void readWindowPixels(int width, int height, void* rgb) {
    if (width < 1 || height < 1) return;
    GLint read = 0;
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &read);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    std::vector<unsigned char> rgba(static_cast<std::size_t>(width) * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    auto* out = static_cast<unsigned char*>(rgb);
    for (std::size_t i = 0, n = rgba.size() / 4; i < n; ++i)
        std::memcpy(out + i * 3, &rgba[i * 4], 3);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(read));
}

ResolvedFrameRead::ResolvedFrameRead() {
    if (!gFrame.active()) return;
    if (!gFrame.scaled()) {
        // The window's back buffer holds the resolved picture at its size.
        copyToWindow();
        glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    } else {
        const CopyState state;
        glBindFramebuffer(GL_READ_FRAMEBUFFER, resolvedSource());
    }
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, gFrame.draw.framebuffer);
}

ResolvedFrameRead::~ResolvedFrameRead() {
    if (gFrame.active()) glBindFramebuffer(GL_FRAMEBUFFER, gFrame.draw.framebuffer);
}

}  // namespace gfx
