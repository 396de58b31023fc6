#include "GlFramebuffers.h"

#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdio>
#include <cstring>

namespace gfx {

GlFramebuffers::~GlFramebuffers() {
    for (const auto& entry : made_) {
        const GLuint framebuffer = entry.first;
        const GLuint colour = entry.second.colour, depthStencil = entry.second.depthStencil;
        glDeleteFramebuffers(1, &framebuffer);
        glDeleteRenderbuffers(1, &colour);
        if (depthStencil) glDeleteRenderbuffers(1, &depthStencil);
    }
}

// Core since 3.0 (and OpenGL ES 3.0, with the same calls), else the ARB
// extension that brought them. Asked when a frame is begun, not per frame.
FramebufferSupport GlFramebuffers::support() const {
    FramebufferSupport s;
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    int major = 0;
    if (version && std::sscanf(version, "%d", &major) == 1 && major >= 3) s.available = true;
    if (version && std::sscanf(version, "OpenGL ES %d", &major) == 1 && major >= 3)
        s.available = true;
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    if (extensions && std::strstr(extensions, "GL_ARB_framebuffer_object")) s.available = true;
    if (s.available) glGetIntegerv(GL_MAX_SAMPLES, &s.maxSamples);
    glGetIntegerv(GL_RED_BITS, &s.red);
    glGetIntegerv(GL_GREEN_BITS, &s.green);
    glGetIntegerv(GL_BLUE_BITS, &s.blue);
    glGetIntegerv(GL_ALPHA_BITS, &s.alpha);
    return s;
}

std::uint32_t GlFramebuffers::create(int width, int height, FrameFormat format, bool depth,
                                     int& samples) {
    const GLenum colourFormat = format == FrameFormat::rgb565  ? GL_RGB565
                                : format == FrameFormat::rgba8 ? GL_RGBA8
                                                               : GL_RGB8;
    while (glGetError() != GL_NO_ERROR) {}
    GLuint framebuffer = 0, colour = 0, depthStencil = 0;
    glGenFramebuffers(1, &framebuffer);
    glGenRenderbuffers(1, &colour);
    glBindRenderbuffer(GL_RENDERBUFFER, colour);
    glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, colourFormat, width, height);
    if (depth) {
        glGenRenderbuffers(1, &depthStencil);
        glBindRenderbuffer(GL_RENDERBUFFER, depthStencil);
        glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, GL_DEPTH24_STENCIL8, width,
                                         height);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
    if (depth)
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                                  depthStencil);
    const bool ok = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE &&
                    glGetError() == GL_NO_ERROR;
    if (ok && samples >= 2) {
        // Drivers may round the count up.
        GLint granted = 0;
        glBindRenderbuffer(GL_RENDERBUFFER, colour);
        glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_SAMPLES, &granted);
        if (granted >= 2) samples = granted;
    }
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    if (!ok) {
        glDeleteFramebuffers(1, &framebuffer);
        glDeleteRenderbuffers(1, &colour);
        if (depthStencil) glDeleteRenderbuffers(1, &depthStencil);
        return 0;
    }
    made_[framebuffer] = Buffers{colour, depthStencil};
    return framebuffer;
}

void GlFramebuffers::remove(std::uint32_t framebuffer) {
    const auto found = made_.find(framebuffer);
    if (found == made_.end()) return;
    const GLuint name = framebuffer, colour = found->second.colour,
                 depthStencil = found->second.depthStencil;
    glDeleteFramebuffers(1, &name);
    glDeleteRenderbuffers(1, &colour);
    if (depthStencil) glDeleteRenderbuffers(1, &depthStencil);
    made_.erase(found);
}

void GlFramebuffers::bind(std::uint32_t draw, std::uint32_t read) {
    if (draw == read) {
        glBindFramebuffer(GL_FRAMEBUFFER, draw);
        return;
    }
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, draw);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, read);
}

// Copies honour the scissor test: it is set aside for the copy.
void GlFramebuffers::blit(const std::array<int, 4>& from, const std::array<int, 4>& to,
                          bool linear, const State& have) {
    const bool scissor = have.on(Cap::scissorTest);
    if (scissor) glDisable(GL_SCISSOR_TEST);
    glBlitFramebuffer(from[0], from[1], from[2], from[3], to[0], to[1], to[2], to[3],
                      GL_COLOR_BUFFER_BIT, linear ? GL_LINEAR : GL_NEAREST);
    if (scissor) glEnable(GL_SCISSOR_TEST);
}

}  // namespace gfx
