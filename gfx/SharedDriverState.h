// The state OpenGL and OpenGL ES 2.0 share (blending, depth, stencil,
// culling, masks, line width, clear values, viewport, scissor, the bound
// texture), brought to the door's value with only the calls that change
// something. Include after the API's own header and GlEnums.h.
#pragma once

#include "gfx/State.h"

#include <cstdint>

namespace gfx::glenums {

// Sets in the driver what `want` has and `have` (what the driver has) does
// not, and updates `have`; with `all`, every value whatever `have` says.
// `clearDepth` sets the depth clear value (the two APIs name it apart).
// Returns how many calls were made.
template <class ClearDepth>
std::uint64_t applySharedState(const State& want, State& have, bool all, ClearDepth clearDepth) {
    std::uint64_t calls = 0;
    const auto cap = [&](Cap c, GLenum name) {
        const std::size_t i = static_cast<std::size_t>(c);
        if (!all && want.enabled[i] == have.enabled[i]) return;
        if (want.enabled[i])
            glEnable(name);
        else
            glDisable(name);
        have.enabled[i] = want.enabled[i];
        ++calls;
    };
    cap(Cap::blend, GL_BLEND);
    cap(Cap::depthTest, GL_DEPTH_TEST);
    cap(Cap::stencilTest, GL_STENCIL_TEST);
    cap(Cap::cullFace, GL_CULL_FACE);
    cap(Cap::scissorTest, GL_SCISSOR_TEST);
    if (all || want.blendSource != have.blendSource ||
        want.blendDestination != have.blendDestination) {
        glBlendFunc(glBlendFactor(want.blendSource), glBlendFactor(want.blendDestination));
        have.blendSource = want.blendSource;
        have.blendDestination = want.blendDestination;
        ++calls;
    }
    if (all || want.depthFunc != have.depthFunc) {
        glDepthFunc(glCompare(want.depthFunc));
        have.depthFunc = want.depthFunc;
        ++calls;
    }
    if (all || want.depthMask != have.depthMask) {
        glDepthMask(want.depthMask ? GL_TRUE : GL_FALSE);
        have.depthMask = want.depthMask;
        ++calls;
    }
    if (all || want.colourMask != have.colourMask) {
        const auto& m = want.colourMask;
        glColorMask(m[0] ? GL_TRUE : GL_FALSE, m[1] ? GL_TRUE : GL_FALSE,
                    m[2] ? GL_TRUE : GL_FALSE, m[3] ? GL_TRUE : GL_FALSE);
        have.colourMask = m;
        ++calls;
    }
    if (all || want.stencilCompare != have.stencilCompare ||
        want.stencilReference != have.stencilReference ||
        want.stencilValueMask != have.stencilValueMask) {
        glStencilFunc(glCompare(want.stencilCompare), want.stencilReference,
                      want.stencilValueMask);
        have.stencilCompare = want.stencilCompare;
        have.stencilReference = want.stencilReference;
        have.stencilValueMask = want.stencilValueMask;
        ++calls;
    }
    if (all || want.stencilFail != have.stencilFail ||
        want.stencilDepthFail != have.stencilDepthFail || want.stencilPass != have.stencilPass) {
        glStencilOp(glStencilAction(want.stencilFail), glStencilAction(want.stencilDepthFail),
                    glStencilAction(want.stencilPass));
        have.stencilFail = want.stencilFail;
        have.stencilDepthFail = want.stencilDepthFail;
        have.stencilPass = want.stencilPass;
        ++calls;
    }
    if (all || want.stencilWriteMask != have.stencilWriteMask) {
        glStencilMask(want.stencilWriteMask);
        have.stencilWriteMask = want.stencilWriteMask;
        ++calls;
    }
    if (all || want.cull != have.cull) {
        glCullFace(glFace(want.cull));
        have.cull = want.cull;
        ++calls;
    }
    if (all || want.lineWidth != have.lineWidth) {
        glLineWidth(want.lineWidth);
        have.lineWidth = want.lineWidth;
        ++calls;
    }
    if (all || !(want.clearColour == have.clearColour)) {
        const Rgba& c = want.clearColour;
        glClearColor(c.r, c.g, c.b, c.a);
        have.clearColour = c;
        ++calls;
    }
    if (all || want.clearDepth != have.clearDepth) {
        clearDepth(want.clearDepth);
        have.clearDepth = want.clearDepth;
        ++calls;
    }
    if (all || want.clearStencil != have.clearStencil) {
        glClearStencil(want.clearStencil);
        have.clearStencil = want.clearStencil;
        ++calls;
    }
    if (all || want.viewport != have.viewport) {
        const auto& v = want.viewport;
        glViewport(v[0], v[1], v[2], v[3]);
        have.viewport = v;
        ++calls;
    }
    if (all || want.scissor != have.scissor) {
        const auto& s = want.scissor;
        glScissor(s[0], s[1], s[2], s[3]);
        have.scissor = s;
        ++calls;
    }
    if (all || want.bound != have.bound) {
        glBindTexture(GL_TEXTURE_2D, want.bound);
        have.bound = want.bound;
        ++calls;
    }
    return calls;
}

}  // namespace gfx::glenums
