#include "modules/ImageModule.h"

#include "assets/Texture.h"
#include "modules/FlatDrawState.h"
#include "script/ArgumentList.h"
#include "script/CaseInsensitive.h"
#include "shell/Log.h"
#include "timeline/LoadingScreen.h"
#include "timeline/Timeline.h"

#include <GL/gl.h>

namespace {

constexpr float kBitmapWeight = 10.0f;

float currentMusicTime() {
    Timeline* timeline = currentTimeline();
    return timeline ? static_cast<float>(timeline->musicTime()) : 0.0f;
}

// True when `key` is given as a number other than 0.
bool nonZeroNumber(ArgumentList& arguments, const char* key) {
    const ArgumentValue& value = arguments.find(key);
    return value.isNumber() && value.number() != 0.0f;
}

}  // namespace

ImageModule::ImageModule() = default;

const std::string& ImageModule::name() const {
    static const std::string n = "image";
    return n;
}

bool ImageModule::checkCommand(const std::string& commandName, ArgumentList& arguments, Track&) {
    arguments.clearUsed();
    if (equalsIgnoreCase(commandName, "start")) {
        const ArgumentValue& bitmap = arguments.find("bitmap");
        if (bitmap.isString())
            bitmapNames_.push_back(bitmap.text());
        else if (!bitmap.isNone())
            // The message names "scene": scripts and their authors know it so.
            logError("scene: parameter \"bitmap\" must have data type string\n");
    } else if (!equalsIgnoreCase(commandName, "stop") && !equalsIgnoreCase(commandName, "setParam")) {
        logError("image: command %s not supported\n", commandName.c_str());
    }
    arguments.optionalNumber("noAntialiasing");
    forEachParameter([&](AnimatedParameter& p) { p.markUsed(arguments); });
    arguments.optionalNumber("additiveBlending");
    arguments.warnUnused();
    return true;
}

float ImageModule::loadWeight() const {
    return kBitmapWeight * static_cast<float>(bitmapNames_.size());
}

bool ImageModule::load(LoadingScreen& progress) {
    // A name listed twice counts twice: loadWeight promised it.
    for (const std::string& name : bitmapNames_) {
        BitmapTexture* texture = TextureRegistry::instance().getOrCreate(name);
        progress.addProgress(kBitmapWeight);
        if (!texture) logFatal("Cannot find bitmap \"%s\"\n", name.c_str());
    }
    return true;
}

bool ImageModule::command(const std::string& commandName, ArgumentList& arguments, Track& track) {
    const float t = currentMusicTime();
    if (equalsIgnoreCase(commandName, "start")) {
        additiveBlending_ = false;
        const ArgumentValue& bitmap = arguments.find("bitmap");
        texture_ = bitmap.isString() ? TextureRegistry::instance().getOrCreate(bitmap.text())
                                     : nullptr;
        forEachParameter([&](AnimatedParameter& p) { p.reset(arguments, t); });
        if (nonZeroNumber(arguments, "noAntialiasing")) noAntialiasing_ = true;
    } else if (equalsIgnoreCase(commandName, "stop")) {
        texture_ = nullptr;
        noAntialiasing_ = false;
        additiveBlending_ = false;
    } else if (equalsIgnoreCase(commandName, "setParam")) {
        forEachParameter([&](AnimatedParameter& p) { p.update(arguments, t); });
        if (nonZeroNumber(arguments, "noAntialiasing")) noAntialiasing_ = true;
    }
    if (!arguments.find("additiveBlending").isNone())
        additiveBlending_ = nonZeroNumber(arguments, "additiveBlending");
    return TrackModule::command(commandName, arguments, track);
}

int ImageModule::render(float time, Destination* destination, TextureSource* source,
                        TextureSource*) {
    TextureSource* picture = source ? source : texture_;
    if (destination) destination->beginDraw();
    {
        FlatDrawState flat;

        float alpha = alpha_.valueAt(time);
        const bool blend = !(alpha == 1.0f && (!picture || !picture->hasAlpha()) && !fading &&
                             !additiveBlending_);
        if (blend) {
            // A fade replaces the picture's own opacity; it does not scale it.
            if (fading) alpha = fadeAmount;
            glEnable(GL_BLEND);
            glBlendFunc(GL_SRC_ALPHA, additiveBlending_ ? GL_ONE : GL_ONE_MINUS_SRC_ALPHA);
        }

        // Identity matrices: the viewport spans -1..1 in both axes. A vertex
        // is scaled, then rotated, then moved.
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glTranslatef(2.0f * x_.valueAt(time), 2.0f * y_.valueAt(time), 0.0f);
        glRotatef(rotation_.valueAt(time), 0.0f, 0.0f, 1.0f);
        glScalef(width_.valueAt(time), height_.valueAt(time), 1.0f);

        if (picture)
            picture->bind();
        else
            unbindTexture();
        const bool nearestPixels = noAntialiasing_ && picture;
        if (nearestPixels) picture->setNearestFilter();

        glColor4f(red_.valueAt(time), green_.valueAt(time), blue_.valueAt(time), alpha);
        // Texture rows are stored bottom first: (0, 0) is the picture's lower
        // left corner, which goes to the rectangle's lower left.
        glBegin(GL_QUADS);
        glTexCoord2f(0.0f, 0.0f);
        glVertex2f(-1.0f, -1.0f);
        glTexCoord2f(1.0f, 0.0f);
        glVertex2f(1.0f, -1.0f);
        glTexCoord2f(1.0f, 1.0f);
        glVertex2f(1.0f, 1.0f);
        glTexCoord2f(0.0f, 1.0f);
        glVertex2f(-1.0f, 1.0f);
        glEnd();

        if (nearestPixels) picture->restoreFilter();
        if (picture) unbindTexture();

        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        if (blend) glDisable(GL_BLEND);
    }
    // After the GL state is back: a patch cable captures the frame here.
    if (destination) destination->endDraw();
    return 0;
}
