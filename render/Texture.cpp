#include "render/Texture.h"

#include "gfx/Gfx.h"

#include <cstdio>

namespace {

Texture* gBound = nullptr;

// Sets the bound texture's filters for `mode`; false for an unknown mode.
bool applyFilter(std::int32_t mode) {
    switch (mode) {
    case nearest: gfx::textureFilter(gfx::Filter::nearest, gfx::Filter::nearest); return true;
    case linear: gfx::textureFilter(gfx::Filter::linear, gfx::Filter::linear); return true;
    case mipmap:
        gfx::textureFilter(gfx::Filter::linearMipmapNearest, gfx::Filter::linear);
        return true;
    default: std::printf("Texture - unsupported filter type\n"); return false;
    }
}

}  // namespace

Texture* boundTexture() {
    return gBound;
}

void unbindTexture() {
    if (gBound) gfx::disable(gfx::Cap::texture2D);
    gBound = nullptr;
}

// Head of the list of live textures. A plain pointer, constant-initialised
// and never destroyed, so textures owned by objects of static lifetime (the
// registries, the routing pool) may unlink themselves in any order at exit.
Texture* Texture::firstLive_ = nullptr;

Texture::Texture(std::int32_t filterMode) : filterMode_(filterMode) {
    nextLive_ = firstLive_;
    if (firstLive_) firstLive_->previousLive_ = this;
    firstLive_ = this;
}

Texture::~Texture() {
    if (gBound == this) gBound = nullptr;
    release();
    if (previousLive_) {
        previousLive_->nextLive_ = nextLive_;
    } else {
        firstLive_ = nextLive_;
    }
    if (nextLive_) nextLive_->previousLive_ = previousLive_;
}

void Texture::release() {
    if (created_ && id_ != 0) {
        gfx::deleteTexture(id_);
    }
    id_ = 0;
    created_ = false;
}

void Texture::releaseAll() {
    unbindTexture();
    for (Texture* t = firstLive_; t; t = t->nextLive_) t->release();
}

void Texture::createObject(std::int32_t mode) {
    if (created_) return;
    id_ = gfx::createTexture();
    gfx::bindTexture(id_);
    applyFilter(mode);
    created_ = true;
}

void Texture::bindTexture() {
    if (gBound == this) return;
    if (!created_) create();
    gfx::bindTexture(id_);
    if (!gBound) gfx::enable(gfx::Cap::texture2D);
    gBound = this;
}

void Texture::setNearestFilter() {
    if (filterMode_ == nearest) return;
    gfx::textureFilter(gfx::Filter::nearest, gfx::Filter::nearest);
}

void Texture::restoreFilter() {
    if (filterMode_ == nearest) return;
    applyFilter(filterMode_);
}
