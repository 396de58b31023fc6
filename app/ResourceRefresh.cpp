#include "ResourceRefresh.h"

#include "base/Log.h"
#include "data/Bitmap.h"
#include "data/DataFile.h"
#include "data/PictureCheck.h"
#include "render/BitmapTexture.h"
#include "render/SceneRegistry.h"
#include "render/Texture.h"
#include "render/TextureRegistry.h"

#include <cstring>
#include <memory>

namespace {

// What a file's content is recognised by: FNV-1a over its bytes. 0 stands
// for a file that cannot be read.
std::uint64_t contentPrint(const std::string& name) {
    std::unique_ptr<MemoryFile> file = openDataFile(name);
    if (!file) return 0;
    std::uint64_t hash = 1469598103934665603ull;
    const std::uint8_t* bytes = file->data();
    for (std::size_t i = 0; i < file->size(); ++i) {
        hash ^= bytes[i];
        hash *= 1099511628211ull;
    }
    return hash ^ file->size();
}

// Decodes the picture file of `bitmap` again into it. The caller has made
// sure it decodes: a JPEG or BMP file that does not would stop the process.
void decodeAgain(Bitmap& bitmap) {
    const Bitmap fresh(bitmap.name());
    if (fresh.empty() || !bitmap.allocate(fresh.width(), fresh.height(), fresh.hasAlpha())) {
        bitmap.clear();
        return;
    }
    std::memcpy(
        bitmap.pixels(), fresh.pixels(),
        static_cast<std::size_t>(fresh.width()) * static_cast<std::size_t>(fresh.height()) * 4);
}

}  // namespace

void ResourceRefresh::remember() {
    BitmapRegistry& bitmaps = BitmapRegistry::instance();
    for (std::size_t i = 0; i < bitmaps.size(); ++i) {
        const std::string& name = bitmaps.at(i)->name();
        if (!pictures_.count(name)) pictures_.emplace(name, contentPrint(name));
    }
    SceneRegistry& scenes = SceneRegistry::instance();
    for (std::size_t i = 0; i < scenes.size(); ++i) {
        const std::string& name = scenes.at(i)->name();
        if (!scenes_.count(name)) scenes_.emplace(name, contentPrint(name));
    }
}

ResourceRefresh::Result ResourceRefresh::refreshChanged() {
    Result result;
    BitmapRegistry& bitmaps = BitmapRegistry::instance();
    TextureRegistry& textures = TextureRegistry::instance();
    for (std::size_t i = 0; i < bitmaps.size(); ++i) {
        Bitmap& bitmap = *bitmaps.at(i);
        const auto known = pictures_.find(bitmap.name());
        if (known == pictures_.end()) continue;
        const std::uint64_t print = contentPrint(bitmap.name());
        if (print == known->second) continue;
        const std::string fault = pictureFault(bitmap.name());
        if (!fault.empty()) {
            logMessage("Picture %s %s, the old one stays\n", bitmap.name().c_str(), fault.c_str());
            continue;
        }
        decodeAgain(bitmap);
        known->second = print;
        if (BitmapTexture* texture = textures.find(bitmap.name())) texture->imageChanged();
        logProgress("Picture %s decoded again\n", bitmap.name().c_str());
        ++result.pictures;
    }
    SceneRegistry& scenes = SceneRegistry::instance();
    // Scenes' compiled meshes may bind the textures just made anew:
    // compiled again at their next draw.
    if (result.pictures > 0) scenes.releaseGLResources();
    for (std::size_t i = 0; i < scenes.size(); ++i) {
        Scene& scene = *scenes.at(i);
        const auto known = scenes_.find(scene.name());
        if (known == scenes_.end()) continue;
        const std::uint64_t print = contentPrint(scene.name());
        if (print == known->second || !scenes.readAgain(scene)) continue;
        known->second = print;
        logProgress("Scene %s read again\n", scene.name().c_str());
        ++result.scenes;
    }
    return result;
}
