#include "render/BitmapTexture.h"

#include "base/Screen.h"
#include "data/Bitmap.h"
#include "gfx/Gfx.h"
#include "render/TextureRegistry.h"

#include <cstdio>

namespace {

bool isPowerOfTwo(std::int32_t x) {
    return x > 0 && (x & (x - 1)) == 0;
}

// What an empty bitmap (a picture that failed to decode) shows: one opaque
// white pixel, so nothing is ever uploaded from an absent buffer.
const std::uint8_t kPlaceholder[4] = {255, 255, 255, 255};

// Uploads levels made ahead (the picture's own pixels for an empty level 0)
// as the door's own mipmap building would have. False, uploading nothing,
// when level 0 is larger than the driver takes: building them then finds
// the size that fits.
bool uploadMipmaps(const MipmapChain& chain, const Bitmap& bitmap,
                   gfx::PixelFormat internalFormat) {
    const int maxSide = gfx::maxTextureSize();
    const MipmapLevel& base = chain.levels.front();
    if (base.width > maxSide || base.height > maxSide) return false;
    for (std::size_t level = 0; level < chain.levels.size(); ++level) {
        const MipmapLevel& l = chain.levels[level];
        const void* pixels = l.pixels.empty() ? bitmap.pixels() : l.pixels.data();
        gfx::textureImage(static_cast<int>(level), internalFormat, l.width, l.height,
                          gfx::PixelFormat::rgba, pixels);
    }
    return true;
}

}  // namespace

BitmapTexture::BitmapTexture(std::string name, std::int32_t filterMode)
    : Texture(filterMode), name_(std::move(name)) {
    bitmap_ = BitmapRegistry::instance().getOrCreate(name_);
    create();
}

bool BitmapTexture::hasAlpha() const {
    return bitmap_ && !bitmap_->empty() && bitmap_->hasAlpha();
}

void BitmapTexture::create() {
    if (!bitmap_) bitmap_ = BitmapRegistry::instance().getOrCreate(name_);
    const bool empty = !bitmap_ || bitmap_->empty();
    const std::int32_t w = empty ? 1 : bitmap_->width();
    const std::int32_t h = empty ? 1 : bitmap_->height();
    const void* pixels = empty ? kPlaceholder : bitmap_->pixels();
    if (filterMode() != mipmap && (!isPowerOfTwo(w) || !isPowerOfTwo(h))) setFilterMode(mipmap);
    const gfx::PixelFormat internalFormat =
        hasAlpha() ? gfx::PixelFormat::rgba : gfx::PixelFormat::rgb;

    createObject(filterMode());
    switch (filterMode()) {
    case nearest:
    case linear: gfx::textureImage(0, internalFormat, w, h, gfx::PixelFormat::rgba, pixels); break;
    case mipmap: {
        // Levels built with a prefetched decode are used once, at the first
        // upload; a rebuild builds them here again.
        const MipmapChain chain =
            empty ? MipmapChain() : BitmapRegistry::instance().takeMipmaps(name_);
        if (chain.empty() || !uploadMipmaps(chain, *bitmap_, internalFormat))
            gfx::buildMipmaps(internalFormat, w, h, gfx::PixelFormat::rgba, pixels);
        break;
    }
    default: std::printf("Texture - unsupported filter type\n"); break;
    }
    // Creating binds without changing the record: put back what the record
    // says is bound.
    Texture* bound = boundTexture();
    gfx::bindTexture(bound ? bound->id() : 0);
}

void BitmapTexture::imageChanged() {
    if (boundTexture() == this) unbindTexture();
    release();
}
