#include "effects/DistortModule.h"

#include "effects/FlatDrawState.h"
#include "effects/LayerBlending.h"
#include "effects/ModuleCommand.h"
#include "effects/ProjectionScope.h"
#include "render/Texture.h"
#include "script/ArgumentList.h"

#include "gfx/Gfx.h"

#include <utility>

bool DistortModule::checkCommand(const std::string& commandName, ArgumentList& arguments, Track&) {
    arguments.clearUsed();
    const CommandWord word = picture_.check(commandName, arguments, "distort");
    if (word == CommandWord::start || word == CommandWord::stop) additiveBlending_ = false;
    readFlag(arguments, "additiveBlending", additiveBlending_);
    forEachParameter([&](AnimatedParameter& p) { p.markUsed(arguments); });
    arguments.optionalNumber("additiveBlending");
    arguments.warnUnused();
    return true;
}

bool DistortModule::command(const std::string& commandName, ArgumentList& arguments, Track& track) {
    const float t = commandTime(track);
    const CommandWord word = picture_.apply(commandName, arguments);
    forEachParameter([&](AnimatedParameter& p) { commandParameter(word, p, arguments, t); });
    return TrackModule::command(commandName, arguments, track);
}

int DistortModule::render(float time, Destination* destination, TextureSource* source,
                          TextureSource*) {
    TextureSource* picture = picture_.choose(source);
    if (destination) destination->beginDraw();
    {
        FlatDrawState flat;
        // Grid vertex (column j, row i) lies at (j, i): the grid covers the
        // viewport exactly.
        constexpr double last = kGridSize - 1;
        ProjectionScope projection(Ortho{0.0, last, 0.0, last});
        LayerBlending blending(colour_[kAlpha].valueAt(time), picture, *this, additiveBlending_);
        if (picture)
            picture->bind();
        else
            unbindTexture();
        gfx::colour(colour_[kRed].valueAt(time), colour_[kGreen].valueAt(time),
                    colour_[kBlue].valueAt(time), blending.alpha());
        // Coordinates moved beyond the picture take its edge colour instead
        // of wrapping round to the opposite side. GL_CLAMP would mix in the
        // black border colour there and darken every edge the wave pulls
        // in. Only a bound picture's wrap is touched: without one, GL's
        // binding may be another texture's.
        if (picture) {
            gfx::textureWrap(gfx::Wrap::clampToEdge, gfx::Wrap::clampToEdge);
        }
        beginGrid(time);
        drawGrid();
        if (picture) {
            gfx::textureWrap(gfx::Wrap::repeat, gfx::Wrap::repeat);
            unbindTexture();
        }
    }
    // After the GL state is back: a patch cable captures the frame here.
    if (destination) destination->endDraw();
    return 0;
}

void DistortModule::drawGrid() {
    constexpr int n = kGridSize;
    // Grid coordinates accumulate by single-precision addition, row by row
    // and column by column.
    const float step = 1.0f / static_cast<float>(n - 1);
    TexCoord* previous = previousRow_.data();
    TexCoord* current = currentRow_.data();
    const auto vertex = [](int column, int row, const TexCoord& c) {
        gfx::texCoord(c.u, c.v);
        gfx::vertex(static_cast<float>(column), static_cast<float>(row));
    };

    float s = 0.0f;
    for (int j = 0; j < n; ++j, s += step) previous[j] = textureCoordinate(s, 0.0f);
    gfx::begin(gfx::Primitive::quads);
    float t = step;
    for (int i = 1; i < n; ++i, t += step) {
        current[0] = textureCoordinate(0.0f, t);
        s = step;
        for (int j = 1; j < n; ++j, s += step) {
            current[j] = textureCoordinate(s, t);
            vertex(j - 1, i - 1, previous[j - 1]);
            vertex(j, i - 1, previous[j]);
            vertex(j, i, current[j]);
            vertex(j - 1, i, current[j - 1]);
        }
        std::swap(previous, current);
    }
    gfx::end();
}

const std::string& IdentityDistortModule::name() const {
    static const std::string n = "identityDistort";
    return n;
}
