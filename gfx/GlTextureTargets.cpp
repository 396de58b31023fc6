#include "GlTextureTargets.h"

#ifdef __EMSCRIPTEN__
#include <GLES3/gl3.h>
#else
#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>
#endif

#include <vector>

namespace gfx {

namespace {

// Process-wide, so that an id from an earlier backend or context never
// names a later target.
TargetId gNextTarget = 1;

void clearErrors() {
    while (glGetError() != GL_NO_ERROR) {}
}

}  // namespace

void fillBoundColour(const Rgba& colour, const State& have) {
    const bool scissor = have.on(Cap::scissorTest);
    if (scissor) glDisable(GL_SCISSOR_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glClearColor(colour.r, colour.g, colour.b, colour.a);
    glClear(GL_COLOR_BUFFER_BIT);
    const Rgba& c = have.clearColour;
    glClearColor(c.r, c.g, c.b, c.a);
    const auto& m = have.colourMask;
    glColorMask(m[0] ? GL_TRUE : GL_FALSE, m[1] ? GL_TRUE : GL_FALSE, m[2] ? GL_TRUE : GL_FALSE,
                m[3] ? GL_TRUE : GL_FALSE);
    if (scissor) glEnable(GL_SCISSOR_TEST);
}

GlTextureTargets::~GlTextureTargets() {
    for (const auto& entry : made_) {
        const GLuint framebuffer = entry.second.framebuffer, texture = entry.second.texture;
        glDeleteFramebuffers(1, &framebuffer);
        glDeleteTextures(1, &texture);
    }
}

TargetId GlTextureTargets::create(int width, int height, bool& half) {
    if (width <= 0 || height <= 0) return 0;
    clearErrors();
    GLuint framebuffer = 0, texture = 0;
    glGenFramebuffers(1, &framebuffer);
    glGenTextures(1, &texture);
    if (!framebuffer || !texture) {
        // No framebuffer objects at all.
        if (framebuffer) glDeleteFramebuffers(1, &framebuffer);
        if (texture) glDeleteTextures(1, &texture);
        clearErrors();
        return 0;
    }
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    // Storage given as zeros: a cleared target is all 0 on every driver.
    const auto complete = [&](GLint internal, GLenum type, std::size_t bytesPerPixel) {
        const std::vector<unsigned char> zeros(
            static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * bytesPerPixel, 0);
        glTexImage2D(GL_TEXTURE_2D, 0, internal, width, height, 0, GL_RGBA, type, zeros.data());
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
        const bool ok = glGetError() == GL_NO_ERROR &&
                        glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
        clearErrors();
        return ok;
    };
    bool ok = false;
    if (half) ok = complete(GL_RGBA16F, GL_HALF_FLOAT, 8);
    if (!ok) {
        half = false;
        ok = complete(GL_RGBA8, GL_UNSIGNED_BYTE, 4);
    }
    if (!ok) {
        glDeleteFramebuffers(1, &framebuffer);
        glDeleteTextures(1, &texture);
        rebind();
        return 0;
    }
    const TargetId id = gNextTarget++;
    made_[id] = Target{framebuffer, texture};
    rebind();
    glBindTexture(GL_TEXTURE_2D, texture);
    return id;
}

TextureId GlTextureTargets::remove(TargetId target) {
    const auto found = made_.find(target);
    if (found == made_.end()) return 0;
    const GLuint framebuffer = found->second.framebuffer, texture = found->second.texture;
    made_.erase(found);
    if (drawing_ == target) {
        drawing_ = 0;
        rebind();
    }
    glDeleteFramebuffers(1, &framebuffer);
    glDeleteTextures(1, &texture);
    return texture;
}

TextureId GlTextureTargets::texture(TargetId target) const {
    const auto found = made_.find(target);
    return found == made_.end() ? 0 : found->second.texture;
}

void GlTextureTargets::drawInto(TargetId target) {
    const TargetId next = made_.count(target) ? target : 0;
    if (next == drawing_) return;
    drawing_ = next;
    rebind();
}

void GlTextureTargets::clear(TargetId target, const State& have) {
    const auto found = made_.find(target);
    if (found == made_.end()) return;
    glBindFramebuffer(GL_FRAMEBUFFER, found->second.framebuffer);
    fillBoundColour(Rgba{0.0f, 0.0f, 0.0f, 0.0f}, have);
    rebind();
}

void GlTextureTargets::frameBound(std::uint32_t draw, std::uint32_t read) {
    frameDraw_ = draw;
    frameRead_ = read;
    drawing_ = 0;
}

void GlTextureTargets::rebind() const {
    if (drawing_) {
        glBindFramebuffer(GL_FRAMEBUFFER, made_.at(drawing_).framebuffer);
    } else if (frameDraw_ == frameRead_) {
        glBindFramebuffer(GL_FRAMEBUFFER, frameDraw_);
    } else {
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, frameDraw_);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, frameRead_);
    }
}

}  // namespace gfx
