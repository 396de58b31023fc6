#include "data/Bitmap.h"
#include "base/Screen.h"
#include "render/Texture.h"
#include "timeline/SourceDestPool.h"

#include "base/CaseInsensitive.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdio>

namespace {

bool isPowerOfTwo(std::int32_t x) { return x > 0 && (x & (x - 1)) == 0; }

// What an empty bitmap (a picture that failed to decode) shows: one opaque
// white pixel, so nothing is ever uploaded from an absent buffer.
const std::uint8_t kPlaceholder[4] = {255, 255, 255, 255};

}  // namespace

BitmapTexture::BitmapTexture(std::string name, std::int32_t filterMode)
    : Texture(filterMode), name_(std::move(name)) {
    bitmap_ = BitmapRegistry::instance().getOrCreate(name_);
    create();
}

bool BitmapTexture::hasAlpha() const { return bitmap_ && !bitmap_->empty() && bitmap_->hasAlpha(); }

void BitmapTexture::create() {
    if (!bitmap_) bitmap_ = BitmapRegistry::instance().getOrCreate(name_);
    const bool empty = !bitmap_ || bitmap_->empty();
    const std::int32_t w = empty ? 1 : bitmap_->width();
    const std::int32_t h = empty ? 1 : bitmap_->height();
    const void* pixels = empty ? kPlaceholder : bitmap_->pixels();
    if (filterMode() != mipmap && (!isPowerOfTwo(w) || !isPowerOfTwo(h))) setFilterMode(mipmap);
    const GLint internalFormat = hasAlpha() ? GL_RGBA : GL_RGB;

    createObject(filterMode());
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    switch (filterMode()) {
    case nearest:
    case linear:
        glTexImage2D(GL_TEXTURE_2D, 0, internalFormat, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
        break;
    case mipmap:
        gluBuild2DMipmaps(GL_TEXTURE_2D, internalFormat, w, h, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
        break;
    default:
        std::printf("Texture - unsupported filter type\n");
        break;
    }
    // Creating binds in GL without changing the record: put back what the
    // record says is bound.
    Texture* bound = boundTexture();
    glBindTexture(GL_TEXTURE_2D, bound ? bound->glName() : 0);
}

void BitmapTexture::imageChanged() {
    if (boundTexture() == this) unbindTexture();
    release();
}

PatchCable::PatchCable(std::string poolName) : Texture(linear), poolName_(std::move(poolName)) {
    create();
    Texture* bound = boundTexture();
    glBindTexture(GL_TEXTURE_2D, bound ? bound->glName() : 0);
}

void PatchCable::create() { createObject(linear); }

int PatchCable::width() const { return screenSize().pow2Width; }
int PatchCable::height() const { return screenSize().pow2Height; }

void PatchCable::endDraw() {
    bindTexture();
    glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 0, 0, width(), height(), 0);
    unbindTexture();
    glClear(GL_COLOR_BUFFER_BIT);
}

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

std::unique_ptr<Bitmap> BitmapRegistry::create(std::string_view name) {
    return std::make_unique<Bitmap>(std::string(name));
}

void installGLEndpoints() {
    SourceDestPool::instance().setFactory([](std::string_view name) -> std::unique_ptr<PoolEntry> {
        if (startsWithIgnoreCase(name, "PatchCable"))
            return std::make_unique<PatchCable>(std::string(name));
        return std::make_unique<DestinationGL>(screenSize().width, screenSize().height);
    });
}
