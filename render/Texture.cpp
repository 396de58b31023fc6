#include "render/Texture.h"

#include <GL/gl.h>

#include <cstdio>

namespace {

Texture* gBound = nullptr;

// Sets the bound texture's filters for `mode`; false for an unknown mode.
bool applyFilter(std::int32_t mode) {
    GLint mag = 0, min = 0;
    switch (mode) {
    case nearest: mag = min = GL_NEAREST; break;
    case linear: mag = min = GL_LINEAR; break;
    case mipmap:
        mag = GL_LINEAR;
        min = GL_LINEAR_MIPMAP_NEAREST;
        break;
    default:
        std::printf("Texture - unsupported filter type\n");
        return false;
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, mag);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, min);
    return true;
}

}  // namespace

Texture* boundTexture() { return gBound; }

void unbindTexture() {
    if (gBound) glDisable(GL_TEXTURE_2D);
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
    if (created_ && glName_ != 0) {
        GLuint name = glName_;
        glDeleteTextures(1, &name);
    }
    glName_ = 0;
    created_ = false;
}

void Texture::releaseAll() {
    unbindTexture();
    for (Texture* t = firstLive_; t; t = t->nextLive_) t->release();
}

void Texture::createObject(std::int32_t mode) {
    if (created_) return;
    GLuint name = 0;
    glGenTextures(1, &name);
    glName_ = name;
    glBindTexture(GL_TEXTURE_2D, name);
    applyFilter(mode);
    created_ = true;
}

void Texture::bindTexture() {
    if (gBound == this) return;
    if (!created_) create();
    glBindTexture(GL_TEXTURE_2D, glName_);
    if (!gBound) glEnable(GL_TEXTURE_2D);
    gBound = this;
}

void Texture::setNearestFilter() {
    if (filterMode_ == nearest) return;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
}

void Texture::restoreFilter() {
    if (filterMode_ == nearest) return;
    applyFilter(filterMode_);
}
