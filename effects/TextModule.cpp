#include "effects/TextModule.h"

#include "base/Log.h"
#include "base/Screen.h"
#include "effects/FlatDrawState.h"
#include "effects/LayerBlending.h"
#include "effects/ModuleCommand.h"
#include "effects/ProjectionScope.h"
#include "render/OverlayFont.h"
#include "script/ArgumentList.h"
#include "timeline/RenderTarget.h"

#include "gfx/Gfx.h"

const std::string& TextModule::name() const {
    static const std::string n = "text";
    return n;
}

bool TextModule::checkCommand(const std::string& commandName, ArgumentList& arguments, Track&) {
    arguments.clearUsed();
    switch (commandWord(commandName)) {
    case CommandWord::start: arguments.requireString("string"); break;
    case CommandWord::stop: break;
    case CommandWord::setParam: arguments.optionalString("string"); break;
    case CommandWord::other:
        logError("image: command %s not supported\n", commandName.c_str());
        break;
    }
    for (const AnimatedParameter& p : parameters_) p.markUsed(arguments);
    arguments.warnUnused();
    return true;
}

void TextModule::takeText(ArgumentList& arguments) {
    const ArgumentValue& value = arguments.find("string");
    hasText_ = value.isString();
    if (hasText_)
        text_ = value.text();
    else
        text_.clear();
}

bool TextModule::command(const std::string& commandName, ArgumentList& arguments, Track& track) {
    const float t = commandTime(track);
    const CommandWord word = commandWord(commandName);
    for (AnimatedParameter& p : parameters_) commandParameter(word, p, arguments, t);
    switch (word) {
    case CommandWord::start: takeText(arguments); break;
    case CommandWord::stop:
        hasText_ = false;
        text_.clear();
        break;
    case CommandWord::setParam:
        if (!arguments.find("string").isNone()) takeText(arguments);
        break;
    case CommandWord::other: break;
    }
    return TrackModule::command(commandName, arguments, track);
}

int TextModule::render(float time, Destination* destination, TextureSource*, TextureSource*) {
    if (!hasText_) {
        logMessage("text - no text string set, aborting\n");
        fatalStop(23);
    }
    if (destination) destination->beginDraw();
    {
        FlatDrawState flat;
        LayerBlending blending(parameters_[kAlpha].valueAt(time), nullptr, *this, false);
        gfx::colour(parameters_[kRed].valueAt(time), parameters_[kGreen].valueAt(time),
                    parameters_[kBlue].valueAt(time), blending.alpha());
        // Positions are fractions of the window; a patch cable is smaller,
        // so they shrink with it.
        const ScreenSize& screen = screenSize();
        float sx = 1.0f, sy = 1.0f;
        if (destination && screen.width > 0 && screen.height > 0) {
            sx = static_cast<float>(destination->width()) / static_cast<float>(screen.width);
            sy = static_cast<float>(destination->height()) / static_cast<float>(screen.height);
        }
        // y grows downwards: 0 is the top edge.
        ProjectionScope projection(Ortho{0.0, 1.0, 1.0, 0.0});
        // The text's start takes the colour set above.
        OverlayFont::instance().printFrom((parameters_[kX].valueAt(time) + 0.02f) * sx,
                                          (parameters_[kY].valueAt(time) + 0.08f) * sy,
                                          text_.c_str());
    }
    // After the GL state is back: a patch cable captures the frame here.
    if (destination) destination->endDraw();
    return 0;
}
