#include "effects/BlurModule.h"

#include "effects/FlatDrawState.h"
#include "effects/ModuleCommand.h"
#include "effects/ProjectionScope.h"
#include "effects/ViewportQuad.h"
#include "render/Texture.h"
#include "script/ArgumentList.h"
#include "timeline/RenderTarget.h"

#include "gfx/Gfx.h"

#include <cmath>

namespace {

constexpr float kTwoPi = 6.2831855f;

}  // namespace

const std::string& BlurModule::name() const {
    static const std::string n = "blur";
    return n;
}

bool BlurModule::checkCommand(const std::string& commandName, ArgumentList& arguments, Track&) {
    arguments.clearUsed();
    picture_.check(commandName, arguments, "image");
    for (const AnimatedParameter& p : parameters_) p.markUsed(arguments);
    arguments.warnUnused();
    return true;
}

bool BlurModule::command(const std::string& commandName, ArgumentList& arguments, Track& track) {
    const float t = commandTime(track);
    const CommandWord word = picture_.apply(commandName, arguments);
    for (AnimatedParameter& p : parameters_) commandParameter(word, p, arguments, t);
    return TrackModule::command(commandName, arguments, track);
}

int BlurModule::copyCount(float nCopies) {
    // Converting a float beyond the int range is undefined; a count that
    // grows with time ("nCopiesVel") gets there.
    if (!(nCopies >= 1.0f)) return 0;
    if (nCopies >= static_cast<float>(kMaxCopies)) return kMaxCopies;
    return static_cast<int>(nCopies);
}

float BlurModule::copyAlpha(int i, float firstAlpha, float alphaDiff, float alpha) {
    const float a = (static_cast<float>(i - 1) * alphaDiff + firstAlpha) * alpha;
    if (!(a < 1.0f)) return 1.0f;
    if (!(a > 0.0f)) return 0.0f;
    return a;
}

int BlurModule::render(float time, Destination* destination, TextureSource* source,
                       TextureSource*) {
    TextureSource* picture = picture_.choose(source);
    if (destination) destination->beginDraw();
    {
        FlatDrawState flat;
        float v[kCount];
        for (int i = 0; i < kCount; ++i) v[i] = parameters_[i].valueAt(time);
        const int copies = copyCount(v[kNCopies]);
        const float modulation =
            v[kModulationAmount] * std::sin(v[kModulationSpeed] * time * kTwoPi);

        // Copies are translucent whatever the layer's own opacity; fades
        // do not apply to this layer.
        gfx::enable(gfx::Cap::blend);
        gfx::blendFunc(gfx::BlendFactor::srcAlpha, gfx::BlendFactor::oneMinusSrcAlpha);
        {
            ProjectionScope projection;
            if (picture)
                picture->bind();
            else
                unbindTexture();
            gfx::colour(v[kRed], v[kGreen], v[kBlue], v[kAlpha]);
            drawViewportQuad();
            // In normalised device coordinates the viewport is 2 wide: copy i
            // moves xDiff * spread viewport widths and turns and scales
            // about the viewport's centre.
            for (int i = 1; i <= copies; ++i) {
                const float spread = static_cast<float>(i) * (1.0f + modulation);
                gfx::loadIdentity();
                gfx::translate(2.0f * v[kXDiff] * spread, 2.0f * v[kYDiff] * spread, 0.0f);
                gfx::rotate(v[kRotationDiff] * spread, 0.0f, 0.0f, 1.0f);
                gfx::scale(1.0f + v[kWidthDiff] * spread, 1.0f + v[kHeightDiff] * spread, 1.0f);
                gfx::colour(v[kRed], v[kGreen], v[kBlue],
                            copyAlpha(i, v[kFirstAlpha], v[kAlphaDiff], v[kAlpha]));
                drawViewportQuad();
            }
            if (picture) unbindTexture();
        }
        gfx::disable(gfx::Cap::blend);
    }
    // A routed blur is captured here like every other layer.
    if (destination) destination->endDraw();
    return 0;
}
