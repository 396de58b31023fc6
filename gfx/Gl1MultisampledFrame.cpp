#include "gfx/MultisampledFrame.h"

#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace gfx {

namespace {

struct FrameBuffers {
    GLuint framebuffer = 0;
    GLuint colour = 0;
    GLuint depthStencil = 0;
    int width = 0;
    int height = 0;
    int samples = 0;
};

FrameBuffers gFrame;

// Framebuffer objects with multisampled renderbuffers and blits between
// framebuffers: core since 3.0 (and OpenGL ES 3.0), else the ARB extension
// that brought them.
bool haveMultisampledFramebuffers() {
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    int major = 0;
    if (version && std::sscanf(version, "%d", &major) == 1 && major >= 3) return true;
    // OpenGL ES has them from 3.0 on, with the same calls.
    if (version && std::sscanf(version, "OpenGL ES %d", &major) == 1 && major >= 3) return true;
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    return extensions && std::strstr(extensions, "GL_ARB_framebuffer_object") != nullptr;
}

void releaseBuffers(FrameBuffers& f) {
    if (f.framebuffer) glDeleteFramebuffers(1, &f.framebuffer);
    if (f.colour) glDeleteRenderbuffers(1, &f.colour);
    if (f.depthStencil) glDeleteRenderbuffers(1, &f.depthStencil);
    f.framebuffer = f.colour = f.depthStencil = 0;
}

// The blit that resolves samples honours the scissor test and nothing else
// of the fragment pipeline: it is switched off for the copy and restored.
void blitToWindow(const FrameBuffers& f) {
    const GLboolean scissor = glIsEnabled(GL_SCISSOR_TEST);
    if (scissor) glDisable(GL_SCISSOR_TEST);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, f.framebuffer);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glBlitFramebuffer(0, 0, f.width, f.height, 0, 0, f.width, f.height, GL_COLOR_BUFFER_BIT,
                      GL_NEAREST);
    if (scissor) glEnable(GL_SCISSOR_TEST);
}

// A complete framebuffer of `format` whose samples resolve into the window
// without an error (drivers may insist the colour formats match), or false
// with nothing left allocated.
bool makeBuffers(FrameBuffers& f, GLenum format) {
    glGenFramebuffers(1, &f.framebuffer);
    glGenRenderbuffers(1, &f.colour);
    glGenRenderbuffers(1, &f.depthStencil);
    glBindRenderbuffer(GL_RENDERBUFFER, f.colour);
    glRenderbufferStorageMultisample(GL_RENDERBUFFER, f.samples, format, f.width, f.height);
    glBindRenderbuffer(GL_RENDERBUFFER, f.depthStencil);
    glRenderbufferStorageMultisample(GL_RENDERBUFFER, f.samples, GL_DEPTH24_STENCIL8, f.width,
                                     f.height);
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, f.framebuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, f.colour);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                              f.depthStencil);
    bool ok = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE &&
              glGetError() == GL_NO_ERROR;
    if (ok) {
        // Drivers may round the count up.
        GLint granted = 0;
        glBindRenderbuffer(GL_RENDERBUFFER, f.colour);
        glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_SAMPLES, &granted);
        glBindRenderbuffer(GL_RENDERBUFFER, 0);
        if (granted >= 2) f.samples = granted;
        blitToWindow(f);
        ok = glGetError() == GL_NO_ERROR;
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    if (!ok) releaseBuffers(f);
    return ok;
}

// No multisampling, and why: "N samples asked for, but the OpenGL driver
// <reason>; drawing without anti-aliasing".
MultisampleGrant withoutSamples(int asked, const char* reason) {
    MultisampleGrant grant;
    grant.note = std::to_string(asked) + " samples asked for, but the OpenGL driver " + reason +
                 "; drawing without anti-aliasing";
    return grant;
}

}  // namespace

MultisampleGrant beginMultisampledFrame(int width, int height, int samples) {
    endMultisampledFrame();
    MultisampleGrant grant;
    if (samples < 2 || width < 1 || height < 1) return grant;
    while (glGetError() != GL_NO_ERROR) {}
    if (!haveMultisampledFramebuffers())
        return withoutSamples(samples, "has no multisampled framebuffers");
    GLint most = 0;
    glGetIntegerv(GL_MAX_SAMPLES, &most);
    FrameBuffers f;
    f.width = width;
    f.height = height;
    f.samples = samples <= most ? samples : most;
    if (f.samples < 2) return withoutSamples(samples, "gives none");
    // The window's colour format first, so the resolve is a plain copy.
    GLint red = 0, green = 0, blue = 0;
    glGetIntegerv(GL_RED_BITS, &red);
    glGetIntegerv(GL_GREEN_BITS, &green);
    glGetIntegerv(GL_BLUE_BITS, &blue);
    const bool shallow = red == 5 && green == 6 && blue == 5;
    const GLenum formats[] = {shallow ? GLenum(GL_RGB565) : GLenum(GL_RGBA8), GL_RGB8, GL_RGBA8,
                              GL_RGB565};
    bool made = false;
    for (GLenum format : formats)
        if ((made = makeBuffers(f, format))) break;
    if (!made)
        return withoutSamples(samples, "cannot resolve a multisampled frame into the window");
    gFrame = f;
    glBindFramebuffer(GL_FRAMEBUFFER, gFrame.framebuffer);
    grant.samples = gFrame.samples;
    if (gFrame.samples < samples) {
        const std::string most = std::to_string(gFrame.samples);
        grant.note = std::to_string(samples) +
                     " samples asked for, the OpenGL driver gives at most " + most + "; using " +
                     most;
    }
    return grant;
}

void endMultisampledFrame() {
    if (!gFrame.framebuffer) return;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    releaseBuffers(gFrame);
    gFrame = FrameBuffers{};
}

int multisampledFrameSamples() {
    return gFrame.samples;
}

void resolveFrame() {
    if (!gFrame.framebuffer) return;
    blitToWindow(gFrame);
    glBindFramebuffer(GL_FRAMEBUFFER, gFrame.framebuffer);
}

ResolvedFrameRead::ResolvedFrameRead() {
    if (!gFrame.framebuffer) return;
    blitToWindow(gFrame);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, gFrame.framebuffer);
}

ResolvedFrameRead::~ResolvedFrameRead() {
    if (gFrame.framebuffer) glBindFramebuffer(GL_FRAMEBUFFER, gFrame.framebuffer);
}

}  // namespace gfx
