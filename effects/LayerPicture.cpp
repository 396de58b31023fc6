#include "effects/LayerPicture.h"

#include "base/Log.h"
#include "render/Texture.h"
#include "script/ArgumentList.h"
#include "timeline/LoadingScreen.h"

namespace {

constexpr float kBitmapWeight = 10.0f;

}  // namespace

CommandWord LayerPicture::check(const std::string& commandName, ArgumentList& arguments,
                                const char* moduleTag) {
    const CommandWord word = commandWord(commandName);
    if (word == CommandWord::start) {
        const ArgumentValue& bitmap = arguments.find("bitmap");
        if (bitmap.isString())
            bitmapNames_.push_back(bitmap.text());
        else if (!bitmap.isNone())
            // The message names "scene": scripts and their authors know it so.
            logError("scene: parameter \"bitmap\" must have data type string\n");
    } else if (word == CommandWord::other) {
        logError("%s: command %s not supported\n", moduleTag, commandName.c_str());
    }
    return word;
}

float LayerPicture::loadWeight() const {
    return kBitmapWeight * static_cast<float>(bitmapNames_.size());
}

void LayerPicture::load(LoadingScreen& progress) {
    for (const std::string& name : bitmapNames_) {
        BitmapTexture* texture = TextureRegistry::instance().getOrCreate(name);
        progress.addProgress(kBitmapWeight);
        if (!texture) logFatal("Cannot find bitmap \"%s\"\n", name.c_str());
    }
}

CommandWord LayerPicture::apply(const std::string& commandName, ArgumentList& arguments) {
    const CommandWord word = commandWord(commandName);
    if (word == CommandWord::start) {
        const ArgumentValue& bitmap = arguments.find("bitmap");
        texture_ =
            bitmap.isString() ? TextureRegistry::instance().getOrCreate(bitmap.text()) : nullptr;
    } else if (word == CommandWord::stop) {
        texture_ = nullptr;
    }
    return word;
}
