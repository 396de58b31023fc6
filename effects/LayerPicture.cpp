#include "effects/LayerPicture.h"

#include "base/Log.h"
#include "render/BitmapTexture.h"
#include "render/Texture.h"
#include "render/TextureRegistry.h"
#include "script/ArgumentList.h"
#include "timeline/LoadingScreen.h"
#include "timeline/ResourceList.h"

namespace {

constexpr float kBitmapWeight = 10.0f;

}  // namespace

CommandWord LayerPicture::check(const std::string& commandName, ArgumentList& arguments,
                                const char* moduleTag) {
    const CommandWord word = commandWord(commandName);
    if (word == CommandWord::start) {
        const ArgumentValue& bitmap = arguments.find("bitmap");
        if (bitmap.isString())
            bitmaps_.push_back({bitmap.text(), scriptPosition().line, scriptPosition().pos});
        else if (!bitmap.isNone())
            // The message names "scene": scripts and their authors know it so.
            logError("scene: parameter \"bitmap\" must have data type string\n");
    } else if (word == CommandWord::other) {
        logError("%s: command %s not supported\n", moduleTag, commandName.c_str());
    }
    return word;
}

void LayerPicture::listResources(ResourceList& out) const {
    out.pictures.insert(out.pictures.end(), bitmaps_.begin(), bitmaps_.end());
}

float LayerPicture::loadWeight() const {
    return kBitmapWeight * static_cast<float>(bitmaps_.size());
}

bool LayerPicture::loadNext(LoadingScreen& progress) {
    if (loaded_ >= bitmaps_.size()) return false;
    const std::string& name = bitmaps_[loaded_++].name;
    BitmapTexture* texture = TextureRegistry::instance().getOrCreate(name);
    progress.addProgress(kBitmapWeight);
    if (!texture) logFatal("Cannot find bitmap \"%s\"\n", name.c_str());
    return loaded_ < bitmaps_.size();
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
