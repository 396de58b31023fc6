// The registries of pictures: bitmap textures by file name, and the decoded
// bitmaps behind them with their prefetch on worker threads.
#pragma once

#include "data/MipmapChain.h"
#include "render/BitmapTexture.h"
#include "timeline/NamedRegistry.h"

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class Bitmap;
class PictureDecodePool;

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
