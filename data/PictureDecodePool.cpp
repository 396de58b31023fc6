#include "data/PictureDecodePool.h"

#include "DataFiles.h"

#include <algorithm>
#include <cstdlib>

namespace {

// Pools whose workers are running. The process may end in the middle of a
// load (a fatal stop, an interrupt) with workers still reading data files:
// they are stopped before the static objects they use go.
std::mutex gLivePoolsLock;
std::vector<PictureDecodePool*> gLivePools;

void stopLivePools()
{
    std::vector<PictureDecodePool*> pools;
    {
        std::lock_guard<std::mutex> guard(gLivePoolsLock);
        pools = gLivePools;
    }
    for (PictureDecodePool* pool : pools)
        pool->stop();
}

void registerLive(PictureDecodePool* pool)
{
    // Registered after the data files are made, so it runs before they go.
    static const bool registered = std::atexit(stopLivePools) == 0;
    (void)registered;
    std::lock_guard<std::mutex> guard(gLivePoolsLock);
    gLivePools.push_back(pool);
}

void unregisterLive(PictureDecodePool* pool)
{
    std::lock_guard<std::mutex> guard(gLivePoolsLock);
    gLivePools.erase(std::remove(gLivePools.begin(), gLivePools.end(), pool), gLivePools.end());
}

}  // namespace

std::unique_ptr<DecodedPicture> decodePicture(const std::string& name, bool buildMipmaps)
{
    auto decoded = std::make_unique<DecodedPicture>();
    LogCapture capture;
    int status = 0;
    decoded->bitmap = std::make_unique<Bitmap>(name, status);
    decoded->stopStatus = status;
    if (status != 0)
        decoded->bitmap.reset();
    else if (buildMipmaps && !decoded->bitmap->empty())
        decoded->mipmaps = buildMipmapChain(decoded->bitmap->pixels(), decoded->bitmap->width(),
                                            decoded->bitmap->height());
    decoded->log = capture.take();
    return decoded;
}

PictureDecodePool::PictureDecodePool(const std::vector<std::string>& names, unsigned workers,
                                     std::size_t maxWaiting, bool buildMipmaps)
    : maxWaiting_(std::max<std::size_t>(maxWaiting, 1)), buildMipmaps_(buildMipmaps)
{
    for (const std::string& name : names) {
        if (byName_.emplace(name, items_.size()).second)
            items_.push_back({name, State::pending, nullptr});
    }
    // The data files are indexed once, here, not by racing workers.
    dataFiles();
    registerLive(this);
    workers = std::max(workers, 1u);
    for (unsigned i = 0; i < workers; ++i)
        workers_.emplace_back([this] { work(); });
}

PictureDecodePool::~PictureDecodePool()
{
    stop();
}

void PictureDecodePool::stop()
{
    {
        std::lock_guard<std::mutex> guard(lock_);
        stopping_ = true;
    }
    changed_.notify_all();
    for (std::thread& worker : workers_) {
        if (worker.joinable() && worker.get_id() != std::this_thread::get_id())
            worker.join();
    }
    unregisterLive(this);
}

std::size_t PictureDecodePool::mostWaiting() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return mostWaiting_;
}

void PictureDecodePool::work()
{
    std::unique_lock<std::mutex> guard(lock_);
    for (;;) {
        changed_.wait(guard, [this] {
            return stopping_ || next_ >= items_.size() || waiting_ < maxWaiting_;
        });
        while (next_ < items_.size() && items_[next_].state != State::pending)
            ++next_;
        if (stopping_ || next_ >= items_.size())
            return;
        Item& item = items_[next_++];
        item.state = State::decoding;
        mostWaiting_ = std::max(mostWaiting_, ++waiting_);
        const std::string name = item.name;
        guard.unlock();
        std::unique_ptr<DecodedPicture> decoded = decodePicture(name, buildMipmaps_);
        guard.lock();
        item.result = std::move(decoded);
        item.state = State::done;
        changed_.notify_all();
    }
}

std::unique_ptr<DecodedPicture> PictureDecodePool::take(const std::string& name)
{
    std::unique_lock<std::mutex> guard(lock_);
    const auto found = byName_.find(name);
    if (found == byName_.end())
        return nullptr;
    Item& item = items_[found->second];
    changed_.wait(guard, [&] { return item.state != State::decoding; });
    switch (item.state) {
    case State::taken:
        return nullptr;
    case State::pending:
        // No worker has begun it (all busy ahead of it, or stopped): waiting
        // would gain nothing.
        item.state = State::taken;
        guard.unlock();
        return decodePicture(name, buildMipmaps_);
    case State::decoding:
    case State::done:
        break;
    }
    item.state = State::taken;
    --waiting_;
    changed_.notify_all();
    return std::move(item.result);
}
