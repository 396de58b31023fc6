// Files decoded ahead of need on worker threads: the names a load pass will
// ask for are decoded in that order while the main thread draws the loading
// screen and uses what is ready. What a decode makes is the caller's own
// result type; a decode function never logs directly and never stops the
// process (it runs under a LogCapture or keeps its faults in its result).
#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

// What one decode made; the pool's user knows the concrete type.
struct DecodeResult {
    virtual ~DecodeResult() = default;
};

class DecodePool {
public:
    // Runs on a worker (or on the taker's thread) for one name; never null.
    using Decode = std::function<std::unique_ptr<DecodeResult>(const std::string& name)>;

    // Starts decoding `names` (later repeats ignored) in their order on
    // `workers` threads (at least one). At most `maxWaiting` results are
    // being made or wait to be taken at any time, which bounds the memory
    // held. The data files are indexed here, before any worker runs.
    DecodePool(const std::vector<std::string>& names, unsigned workers, std::size_t maxWaiting,
               Decode decode);
    // Stops the workers: names not begun are dropped, those being decoded
    // are finished and dropped.
    ~DecodePool();
    DecodePool(const DecodePool&) = delete;
    DecodePool& operator=(const DecodePool&) = delete;

    // The decode of `name`, once: waits for a worker that has begun it, or
    // decodes it on the calling thread when none has. Null when `name` is
    // not one of the pool's names or was taken before.
    std::unique_ptr<DecodeResult> take(const std::string& name);

    // Ends the workers as the destructor does; take still answers, decoding
    // on the calling thread what no worker finished. Idempotent.
    void stop();

    // The most results that were being made or waited to be taken at one
    // time so far.
    std::size_t mostWaiting() const;

private:
    enum class State { pending, decoding, done, taken };
    struct Item {
        std::string name;
        State state = State::pending;
        std::unique_ptr<DecodeResult> result;
    };

    void work();

    const std::size_t maxWaiting_;
    const Decode decode_;
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
