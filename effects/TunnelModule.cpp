#include "effects/TunnelModule.h"

#include "base/Screen.h"
#include "effects/FlatDrawState.h"
#include "effects/LayerBlending.h"
#include "effects/ModuleCommand.h"
#include "effects/ProjectionScope.h"
#include "render/Texture.h"
#include "script/ArgumentList.h"
#include "timeline/RenderTarget.h"

#include "gfx/Gfx.h"

#include <cmath>

namespace {

// The tube's own depth test for the lifetime of one object: a cleared depth
// buffer, less-or-equal, nicest perspective correction. The depth function,
// depth writes and the hint are put back afterwards and depth testing is
// off again (FlatDrawState turns it back on when it was on before).
class TubeDepth {
public:
    TubeDepth() {
        const gfx::State& state = gfx::state();
        depthFunc_ = state.depthFunc;
        depthMask_ = state.depthMask;
        hint_ = state.hint;
        // Depth writes on, or the clear would leave the depth buffer alone.
        gfx::depthMask(true);
        gfx::clear(gfx::depthBuffer);
        gfx::enable(gfx::Cap::depthTest);
        gfx::depthFunc(gfx::Compare::lessOrEqual);
        gfx::perspectiveHint(gfx::Hint::nicest);
    }
    ~TubeDepth() {
        gfx::disable(gfx::Cap::depthTest);
        gfx::depthFunc(depthFunc_);
        gfx::depthMask(depthMask_);
        gfx::perspectiveHint(hint_);
    }
    TubeDepth(const TubeDepth&) = delete;
    TubeDepth& operator=(const TubeDepth&) = delete;

private:
    gfx::Compare depthFunc_ = gfx::Compare::less;
    bool depthMask_ = true;
    gfx::Hint hint_ = gfx::Hint::dontCare;
};

}  // namespace

TunnelModule::TunnelModule() {
    // Closed around (a = 32 meets a = 0), radius 3 at the mouth (z = 0)
    // shrinking to 1/3 at the far end (z = -32).
    for (int a = 0; a < kGridSize; ++a) {
        const float angle = static_cast<float>(a) * 0.19634955f;
        for (int d = 0; d < kGridSize; ++d) {
            const float radius = 3.0f - static_cast<float>(d) * 0.083333336f;
            base_[a][d] = {std::cos(angle) * radius, std::sin(angle) * radius,
                           -static_cast<float>(d)};
        }
    }
}

const std::string& TunnelModule::name() const {
    static const std::string n = "tunnel";
    return n;
}

bool TunnelModule::checkCommand(const std::string& commandName, ArgumentList& arguments, Track&) {
    arguments.clearUsed();
    picture_.check(commandName, arguments, "distort");
    for (const AnimatedParameter& p : parameters_) p.markUsed(arguments);
    arguments.optionalNumber("additiveBlending");
    arguments.warnUnused();
    return true;
}

bool TunnelModule::command(const std::string& commandName, ArgumentList& arguments, Track& track) {
    const float t = commandTime(track);
    const CommandWord word = picture_.apply(commandName, arguments);
    if (word == CommandWord::start || word == CommandWord::stop) additiveBlending_ = false;
    for (AnimatedParameter& p : parameters_) commandParameter(word, p, arguments, t);
    readFlag(arguments, "additiveBlending", additiveBlending_);
    return TrackModule::command(commandName, arguments, track);
}

float TunnelModule::aspectFor(int width, int height) {
    // The integer quotient is the tube's look (640 x 480 draws at 1). A
    // destination taller than wide would give 0, which GLU turns into an
    // infinite projection.
    const int quotient = height > 0 ? width / height : 1;
    return static_cast<float>(quotient >= 1 ? quotient : 1);
}

void TunnelModule::computeGrid(float time) {
    const float phase = parameters_[kSpeed].valueAt(time) * time * 10.0f;
    const float twistX = parameters_[kTwistX].valueAt(time);
    const float twistY = parameters_[kTwistY].valueAt(time);
    float stretch = parameters_[kStretch].valueAt(time);
    // Near 0 (or not a number) the texture would repeat without end along
    // the tube: hold it at the smallest magnitude, keeping its sign.
    if (!(std::fabs(stretch) >= kMinStretch)) stretch = stretch < 0.0f ? -kMinStretch : kMinStretch;

    // The displacement at the mouth; subtracted so the mouth stays centred
    // and only the far end swings.
    const float a1 = 2.0f * std::sin(phase * 0.03448276f);
    const float a2 = std::cos(phase * 0.07692308f);
    const float a3 = 2.0f * std::cos(phase * 0.03030303f);
    const float a4 = std::sin(phase * 0.05882353f);
    // Everything but u's step around the tube depends on the along index
    // only: one set of sines per ring.
    for (int d = 0; d < kGridSize; ++d) {
        const float along = static_cast<float>(d);
        const float q = phase + 2.0f * along;
        // Each term less its mouth value, so the mouth's displacement is
        // exactly 0, not a rounding residue.
        const float dx =
            twistX * ((2.0f * std::sin(q * 0.03448276f) - a1) + (std::cos(q * 0.07692308f) - a2));
        const float dy =
            twistY * ((2.0f * std::cos(q * 0.03030303f) - a3) + (std::sin(q * 0.05882353f) - a4));
        const float u = 0.5f * std::cos((8.0f * along + 4.0f * phase) * 0.016666668f);
        const float stretched = along / stretch;
        const float v = (6.0f * phase + stretched) * 0.008333334f + stretched * 0.0625f;
        for (int a = 0; a < kGridSize; ++a) {
            const GridPoint& b = base_[a][d];
            moved_[a][d] = {b.x + dx, b.y + dy, b.z};
            texCoords_[a][d] = {u + static_cast<float>(a) * 0.0625f, v};
        }
    }
}

int TunnelModule::render(float time, Destination* destination, TextureSource* source,
                         TextureSource*) {
    TextureSource* picture = picture_.choose(source);
    if (destination) destination->beginDraw();
    {
        FlatDrawState flat;
        TubeDepth depth;
        const ScreenSize& screen = screenSize();
        const float aspect = destination ? aspectFor(destination->width(), destination->height())
                                         : aspectFor(screen.width, screen.height);
        ProjectionScope projection(Perspective{45.0, aspect, 0.1, 100.0});
        gfx::translate(0.0f, 0.0f, -4.0f);
        LayerBlending blending(parameters_[kAlpha].valueAt(time), picture, *this,
                               additiveBlending_);
        if (picture)
            picture->bind();
        else
            unbindTexture();
        gfx::colour(parameters_[kRed].valueAt(time), parameters_[kGreen].valueAt(time),
                    parameters_[kBlue].valueAt(time), blending.alpha());

        computeGrid(time);
        const auto vertex = [this](int a, int d) {
            gfx::texCoord(texCoords_[a][d].u, texCoords_[a][d].v);
            gfx::vertex(moved_[a][d].x, moved_[a][d].y, moved_[a][d].z);
        };
        for (int d = 0; d + 1 < kGridSize; ++d) {
            gfx::begin(gfx::Primitive::quads);
            for (int a = 0; a + 1 < kGridSize; ++a) {
                vertex(a, d);
                vertex(a + 1, d);
                vertex(a + 1, d + 1);
                vertex(a, d + 1);
            }
            gfx::end();
        }
        if (picture) unbindTexture();
    }
    // After the GL state is back: a patch cable captures the frame here.
    if (destination) destination->endDraw();
    return 0;
}
