#include "render/Texture.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

Texture* gBound = nullptr;

// Every live texture, so all can be dropped with a GL context.
std::vector<Texture*>& liveTextures() {
    static std::vector<Texture*> textures;
    return textures;
}

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

Texture::Texture(std::int32_t filterMode) : filterMode_(filterMode) {
    liveTextures().push_back(this);
}

Texture::~Texture() {
    if (gBound == this) gBound = nullptr;
    release();
    auto& live = liveTextures();
    live.erase(std::remove(live.begin(), live.end(), this), live.end());
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
    for (Texture* t : liveTextures()) t->release();
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
