#include "render/TextureRegistry.h"

#include "base/Log.h"
#include "data/Bitmap.h"
#include "data/PictureDecodePool.h"

TextureRegistry& TextureRegistry::instance() {
    static TextureRegistry registry;
    return registry;
}

std::unique_ptr<BitmapTexture> TextureRegistry::create(std::string_view name) {
    // Always a texture: the bitmap's loader decides what a file that cannot
    // be had means (a fatal stop for JPEG and BMP, an empty picture for PNG).
    return std::make_unique<BitmapTexture>(std::string(name), mipmap);
}

BitmapRegistry& BitmapRegistry::instance() {
    static BitmapRegistry registry;
    return registry;
}

BitmapRegistry::~BitmapRegistry() = default;

void BitmapRegistry::beginPrefetch(const std::vector<std::string>& names, unsigned workers) {
    endPrefetch();
    std::vector<std::string> wanted;
    for (const std::string& name : names)
        if (!find(name)) wanted.push_back(name);
    if (wanted.empty() || workers == 0) return;
    prefetch_ =
        std::make_unique<PictureDecodePool>(wanted, workers, 2 * std::size_t(workers), true);
}

void BitmapRegistry::endPrefetch() {
    prefetch_.reset();
    mipmaps_.clear();
}

MipmapChain BitmapRegistry::takeMipmaps(const std::string& name) {
    const auto found = mipmaps_.find(name);
    if (found == mipmaps_.end()) return {};
    MipmapChain chain = std::move(found->second);
    mipmaps_.erase(found);
    return chain;
}

std::unique_ptr<Bitmap> BitmapRegistry::create(std::string_view name) {
    std::string fileName(name);
    std::unique_ptr<DecodedPicture> decoded = prefetch_ ? prefetch_->take(fileName) : nullptr;
    if (!decoded) return std::make_unique<Bitmap>(std::move(fileName));
    replayLog(decoded->log);
    if (decoded->stopStatus != 0) fatalStop(decoded->stopStatus);
    if (!decoded->mipmaps.empty()) mipmaps_[fileName] = std::move(decoded->mipmaps);
    return std::move(decoded->bitmap);
}
