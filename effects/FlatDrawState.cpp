#include "effects/FlatDrawState.h"

#include <GL/gl.h>

namespace {

constexpr GLenum kCapabilities[] = {GL_DEPTH_TEST, GL_STENCIL_TEST, GL_ALPHA_TEST, GL_CULL_FACE,
                                     GL_LIGHTING,   GL_FOG,          GL_BLEND};

}  // namespace

FlatDrawState::FlatDrawState() {
    for (unsigned i = 0; i < sizeof kCapabilities / sizeof kCapabilities[0]; ++i) {
        if (glIsEnabled(kCapabilities[i])) {
            glDisable(kCapabilities[i]);
            restore_ |= 1u << i;
        }
    }
    glGetFloatv(GL_CURRENT_COLOR, colour_);
}

FlatDrawState::~FlatDrawState() {
    glColor4fv(colour_);
    for (unsigned i = 0; i < sizeof kCapabilities / sizeof kCapabilities[0]; ++i)
        if (restore_ & (1u << i)) glEnable(kCapabilities[i]);
}
