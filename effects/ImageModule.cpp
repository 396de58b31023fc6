#include "effects/ImageModule.h"

#include "effects/FlatDrawState.h"
#include "effects/LayerBlending.h"
#include "effects/ModuleCommand.h"
#include "effects/ProjectionScope.h"
#include "effects/ViewportQuad.h"
#include "render/Texture.h"
#include "script/ArgumentList.h"

#include "gfx/Gfx.h"

ImageModule::ImageModule() = default;

const std::string& ImageModule::name() const {
    static const std::string n = "image";
    return n;
}

bool ImageModule::checkCommand(const std::string& commandName, ArgumentList& arguments, Track&) {
    arguments.clearUsed();
    picture_.check(commandName, arguments, "image");
    arguments.optionalNumber("noAntialiasing");
    forEachParameter([&](AnimatedParameter& p) { p.markUsed(arguments); });
    arguments.optionalNumber("additiveBlending");
    arguments.warnUnused();
    return true;
}

bool ImageModule::command(const std::string& commandName, ArgumentList& arguments, Track& track) {
    const float t = commandTime(track);
    const CommandWord word = picture_.apply(commandName, arguments);
    forEachParameter([&](AnimatedParameter& p) { commandParameter(word, p, arguments, t); });
    switch (word) {
    case CommandWord::start:
        additiveBlending_ = false;
        if (nonZeroNumber(arguments, "noAntialiasing")) noAntialiasing_ = true;
        break;
    case CommandWord::stop:
        noAntialiasing_ = false;
        additiveBlending_ = false;
        break;
    case CommandWord::setParam:
        if (nonZeroNumber(arguments, "noAntialiasing")) noAntialiasing_ = true;
        break;
    case CommandWord::other: break;
    }
    readFlag(arguments, "additiveBlending", additiveBlending_);
    return TrackModule::command(commandName, arguments, track);
}

int ImageModule::render(float time, Destination* destination, TextureSource* source,
                        TextureSource*) {
    TextureSource* picture = picture_.choose(source);
    if (destination) destination->beginDraw();
    {
        FlatDrawState flat;
        LayerBlending blending(alpha_.valueAt(time), picture, *this, additiveBlending_);

        // Identity matrices: the viewport spans -1..1 in both axes. A vertex
        // is scaled, then rotated, then moved.
        ProjectionScope projection;
        gfx::translate(2.0f * x_.valueAt(time), 2.0f * y_.valueAt(time), 0.0f);
        gfx::rotate(rotation_.valueAt(time), 0.0f, 0.0f, 1.0f);
        gfx::scale(width_.valueAt(time), height_.valueAt(time), 1.0f);

        if (picture)
            picture->bind();
        else
            unbindTexture();
        const bool nearestPixels = noAntialiasing_ && picture;
        if (nearestPixels) picture->setNearestFilter();

        gfx::colour(red_.valueAt(time), green_.valueAt(time), blue_.valueAt(time),
                    blending.alpha());
        drawViewportQuad();

        if (nearestPixels) picture->restoreFilter();
        if (picture) unbindTexture();
    }
    // After the GL state is back: a patch cable captures the frame here.
    if (destination) destination->endDraw();
    return 0;
}
