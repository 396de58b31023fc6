#include "effects/FlatDrawState.h"

#include "gfx/Gfx.h"

namespace {

constexpr gfx::Cap kCapabilities[] = {
    gfx::Cap::depthTest, gfx::Cap::stencilTest, gfx::Cap::alphaTest, gfx::Cap::cullFace,
    gfx::Cap::lighting,  gfx::Cap::fog,         gfx::Cap::blend};

}  // namespace

FlatDrawState::FlatDrawState() {
    for (unsigned i = 0; i < sizeof kCapabilities / sizeof kCapabilities[0]; ++i) {
        if (gfx::isEnabled(kCapabilities[i])) {
            gfx::disable(kCapabilities[i]);
            restore_ |= 1u << i;
        }
    }
    const gfx::Rgba c = gfx::currentColour();
    colour_[0] = c.r;
    colour_[1] = c.g;
    colour_[2] = c.b;
    colour_[3] = c.a;
}

FlatDrawState::~FlatDrawState() {
    gfx::colour(colour_[0], colour_[1], colour_[2], colour_[3]);
    for (unsigned i = 0; i < sizeof kCapabilities / sizeof kCapabilities[0]; ++i)
        if (restore_ & (1u << i)) gfx::enable(kCapabilities[i]);
}
