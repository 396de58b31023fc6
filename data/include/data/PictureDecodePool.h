// Pictures decoded ahead of need on worker threads: the names a load pass
// will ask for are decoded in that order while the main thread draws the
// loading screen and uploads what is ready. A worker never logs and never
// stops the process: each decode keeps its log lines and the fatal-stop
// status its fault calls for, for the taker to replay at the point where it
// uses the picture.
#pragma once

#include "base/Log.h"
#include "data/Bitmap.h"
#include "data/DecodePool.h"
#include "data/MipmapChain.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

// One picture's decode, as the main thread would have seen it.
struct DecodedPicture : DecodeResult {
    std::unique_ptr<Bitmap> bitmap;  // null when the decode calls for a stop
    std::vector<HeldMessage> log;    // what the decode logged, in order
    int stopStatus = 0;              // non-zero: stop with it after the log
    MipmapChain mipmaps;             // empty unless asked for and decoded
};

// Decodes one picture the way the bitmap registry would, without logging or
// stopping: everything it would have said is in the result.
std::unique_ptr<DecodedPicture> decodePicture(const std::string& name, bool buildMipmaps);

class PictureDecodePool {
public:
    // Starts decoding `names` (later repeats ignored) in their order on
    // `workers` threads, at most `maxWaiting` pictures decoded or waiting at
    // once (see DecodePool). With `buildMipmaps`, each decoded picture also
    // gets its mipmap levels.
    PictureDecodePool(const std::vector<std::string>& names, unsigned workers,
                      std::size_t maxWaiting, bool buildMipmaps);

    // The decode of `name`, once (see DecodePool::take); null when `name` is
    // not one of the pool's names or was taken before.
    std::unique_ptr<DecodedPicture> take(const std::string& name);
    // Ends the workers; take still answers. Idempotent.
    void stop() { pool_.stop(); }
    std::size_t mostWaiting() const { return pool_.mostWaiting(); }

private:
    DecodePool pool_;
};
