// Texture objects and the bound-texture record that keeps the door's binding
// and 2D texturing in step. Everything here runs on the main thread with the
// context current.
#pragma once

#include "timeline/RenderTarget.h"

#include <cstdint>

enum FilterMode : std::int32_t { nearest = 0, linear = 1, mipmap = 2 };

// A GL texture object. Its image is made on demand (create), so the object
// can be dropped with its GL context and made again in a new one.
class Texture {
public:
    explicit Texture(std::int32_t filterMode);
    virtual ~Texture();
    Texture(const Texture&) = delete;
    Texture& operator=(const Texture&) = delete;

    // Whether the texture's image has an alpha channel.
    virtual bool hasAlpha() const { return false; }
    // Called by bind when the GL object does not exist: makes it and gives
    // it its image (if it has one).
    virtual void create() = 0;
    // Called after bind: nearest-neighbour filtering on the bound texture.
    virtual void setNearestFilter();
    // Called after setNearestFilter: the texture's own filter again.
    virtual void restoreFilter();

    // Makes this the bound 2D texture: no GL call when it already is,
    // glEnable(GL_TEXTURE_2D) only when nothing was bound.
    void bindTexture();

    std::int32_t filterMode() const { return filterMode_; }
    bool created() const { return created_; }
    std::uint32_t id() const { return id_; }

    // Deletes every texture's GL object (the context is about to go) and
    // clears the bound record; each is made again at its next bind.
    static void releaseAll();

protected:
    // Generates and binds the GL object and sets its filters from `mode`,
    // unless it exists. Leaves it bound in GL; the bound record is unchanged.
    void createObject(std::int32_t mode);
    void setFilterMode(std::int32_t mode) { filterMode_ = mode; }
    void release();

private:
    std::int32_t filterMode_;
    bool created_ = false;
    std::uint32_t id_ = 0;
    // Every live texture, newest first, so all can be dropped with a GL
    // context. Intrusive, so no object with a destructor is involved.
    static Texture* firstLive_;
    Texture* previousLive_ = nullptr;  // non-owning
    Texture* nextLive_ = nullptr;      // non-owning
};

// The texture bound to GL_TEXTURE_2D, or null when 2D texturing is off.
Texture* boundTexture();
// Turns 2D texturing off when a texture is bound; clears the record.
void unbindTexture();
