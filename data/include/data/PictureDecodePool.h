// Pictures decoded ahead of need on worker threads: the names a load pass
// will ask for are decoded in that order while the main thread draws the
// loading screen and uploads what is ready. A worker never logs and never
// stops the process: each decode keeps its log lines and the fatal-stop
// status its fault calls for, for the taker to replay at the point where it
// uses the picture.
#pragma once

#include "base/Log.h"
#include "data/Bitmap.h"
#include "data/MipmapChain.h"

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

// One picture's decode, as the main thread would have seen it.
struct DecodedPicture {
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
    // `workers` threads (at least one). At most `maxWaiting` pictures are
    // being decoded or wait decoded to be taken at any time, which bounds
    // the memory held. With `buildMipmaps`, each decoded picture also gets
    // its mipmap levels.
    PictureDecodePool(const std::vector<std::string>& names, unsigned workers,
                      std::size_t maxWaiting, bool buildMipmaps);
    // Stops the workers: pictures not begun are dropped, those being decoded
    // are finished and dropped.
    ~PictureDecodePool();
    PictureDecodePool(const PictureDecodePool&) = delete;
    PictureDecodePool& operator=(const PictureDecodePool&) = delete;

    // The decode of `name`, once: waits for a worker that has begun it, or
    // decodes it on the calling thread when none has. Null when `name` is
    // not one of the pool's names or was taken before.
    std::unique_ptr<DecodedPicture> take(const std::string& name);

    // Ends the workers as the destructor does; take still answers, decoding
    // on the calling thread what no worker finished. Idempotent.
    void stop();

    // The most pictures that were being decoded or waited to be taken at
    // one time so far.
    std::size_t mostWaiting() const;

private:
    enum class State { pending, decoding, done, taken };
    struct Item {
        std::string name;
        State state = State::pending;
        std::unique_ptr<DecodedPicture> result;
    };

    void work();

    const std::size_t maxWaiting_;
    const bool buildMipmaps_;
    std::vector<Item> items_;
    std::unordered_map<std::string, std::size_t> byName_;
    mutable std::mutex lock_;
    std::condition_variable changed_;
    std::size_t next_ = 0;     // the first item no worker has looked at
    std::size_t waiting_ = 0;  // decoding or done, not taken
    std::size_t mostWaiting_ = 0;
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};
