// OpenGL 2D textures: bitmap textures shared by file name, patch cables that
// capture what a track drew, the frame buffer as a draw target, and the
// bound-texture record that keeps GL's binding and GL_TEXTURE_2D in step.
// Everything here runs on the main thread with the GL context current.
#pragma once

#include "timeline/NamedRegistry.h"
#include "timeline/RenderTarget.h"

#include "data/MipmapChain.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class Bitmap;
class PictureDecodePool;

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

// A picture file as a texture. Its bitmap belongs to the bitmap registry.
class BitmapTexture : public TextureSource, public Texture {
public:
    // Finds or decodes the bitmap and uploads it at once. A mode other than
    // mipmap becomes mipmap when a side is not a power of two.
    BitmapTexture(std::string name, std::int32_t filterMode);

    const std::string& name() const { return name_; }
    const Bitmap* bitmap() const { return bitmap_; }

    void bind() override { bindTexture(); }
    bool hasAlpha() const override;
    void create() override;
    void setNearestFilter() override { Texture::setNearestFilter(); }
    void restoreFilter() override { Texture::restoreFilter(); }
    // The bitmap's pixels were replaced: the GL object goes (unbound first
    // when bound) and is made from the new pixels at the next bind.
    void imageChanged();

private:
    std::string name_;
    Bitmap* bitmap_ = nullptr;  // non-owning: the bitmap registry's
};

// A texture that receives the lower-left power-of-two rectangle of the frame
// buffer after its track drew there.
class PatchCable : public Texture, public PoolEntry {
public:
    explicit PatchCable(std::string poolName);

    void create() override;
    void bind() override { bindTexture(); }
    bool hasAlpha() const override { return false; }
    void setNearestFilter() override { Texture::setNearestFilter(); }
    void restoreFilter() override { Texture::restoreFilter(); }
    std::string poolName() const override { return poolName_; }

    // Copies the drawn rectangle into the texture, turns texturing off and
    // clears the colour buffer for the next track.
    void endDraw() override;
    bool isOffscreen() const override { return true; }
    int width() const override;
    int height() const override;

private:
    std::string poolName_;
};

// The frame buffer as a draw target.
class DestinationGL : public PoolEntry {
public:
    DestinationGL(int width, int height) : width_(width), height_(height) {}
    void bind() override {}
    bool isOffscreen() const override { return false; }
    int width() const override { return width_; }
    int height() const override { return height_; }

private:
    int width_;
    int height_;
};

// Bitmap textures by file name (exact case), each decoded and uploaded once,
// mipmapped. Always makes the texture: a picture file that cannot be had is
// handled by its loader (a fatal stop, or an empty bitmap drawn white).
class TextureRegistry : public NamedRegistry<BitmapTexture> {
public:
    static TextureRegistry& instance();

protected:
    std::unique_ptr<BitmapTexture> create(std::string_view name) override;
};

// Decoded bitmaps by file name (exact case), kept for the program's life so
// textures can be uploaded again in a new GL context.
//
// While a prefetch runs, the pictures it names are decoded on worker threads
// in the order given; a look-up of one of them waits for its decode and then
// logs what the decode logged and takes its fatal stop, if any, just where a
// decode on the spot would have. The log and the outcome are the same as
// without the prefetch.
class BitmapRegistry : public NamedRegistry<Bitmap> {
public:
    static BitmapRegistry& instance();
    ~BitmapRegistry() override;

    // Starts decoding `names` that are not registered yet (a rebuild decodes
    // nothing) on `workers` threads, with their mipmap levels; at most two
    // pictures per worker wait decoded at a time. Replaces a running
    // prefetch. Call on the main thread.
    void beginPrefetch(const std::vector<std::string>& names, unsigned workers);
    // Stops the prefetch; pictures it did not hand out are decoded on the
    // spot when asked for.
    void endPrefetch();

    // The mipmap levels the prefetch built for the bitmap `name`, once; empty
    // when none were built.
    MipmapChain takeMipmaps(const std::string& name);

protected:
    std::unique_ptr<Bitmap> create(std::string_view name) override;

private:
    std::unique_ptr<PictureDecodePool> prefetch_;
    // Levels made with a prefetched bitmap, until its texture uploads them.
    std::unordered_map<std::string, MipmapChain> mipmaps_;
};

// Makes the routing pool hand out patch cables and frame-buffer targets.
void installGLEndpoints();
