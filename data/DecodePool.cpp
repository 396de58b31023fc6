#include "data/DecodePool.h"

#include "DataFiles.h"

#include <algorithm>
#include <cstdlib>

namespace {

// Pools whose workers are running. The process may end in the middle of a
// load (a fatal stop, an interrupt) with workers still reading data files:
// they are stopped before the static objects they use go.
std::mutex gLivePoolsLock;
std::vector<DecodePool*> gLivePools;

void stopLivePools() {
    std::vector<DecodePool*> pools;
    {
        std::lock_guard<std::mutex> guard(gLivePoolsLock);
        pools = gLivePools;
    }
    for (DecodePool* pool : pools) pool->stop();
}

void registerLive(DecodePool* pool) {
    // Registered after the data files are made, so it runs before they go.
    static const bool registered = std::atexit(stopLivePools) == 0;
    (void)registered;
    std::lock_guard<std::mutex> guard(gLivePoolsLock);
    gLivePools.push_back(pool);
}

void unregisterLive(DecodePool* pool) {
    std::lock_guard<std::mutex> guard(gLivePoolsLock);
    gLivePools.erase(std::remove(gLivePools.begin(), gLivePools.end(), pool), gLivePools.end());
}

}  // namespace

DecodePool::DecodePool(const std::vector<std::string>& names, unsigned workers,
                       std::size_t maxWaiting, Decode decode)
    : maxWaiting_(std::max<std::size_t>(maxWaiting, 1)), decode_(std::move(decode)) {
    for (const std::string& name : names) {
        if (byName_.emplace(name, items_.size()).second)
            items_.push_back({name, State::pending, nullptr});
    }
    // The data files are indexed once, here, not by racing workers.
    dataFiles();
    registerLive(this);
    workers = std::max(workers, 1u);
    for (unsigned i = 0; i < workers; ++i) workers_.emplace_back([this] { work(); });
}

DecodePool::~DecodePool() {
    stop();
}

void DecodePool::stop() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        stopping_ = true;
    }
    changed_.notify_all();
    for (std::thread& worker : workers_) {
        if (worker.joinable() && worker.get_id() != std::this_thread::get_id()) worker.join();
    }
    unregisterLive(this);
}

std::size_t DecodePool::mostWaiting() const {
    std::lock_guard<std::mutex> guard(lock_);
    return mostWaiting_;
}

void DecodePool::work() {
    std::unique_lock<std::mutex> guard(lock_);
    for (;;) {
        changed_.wait(guard, [this] {
            return stopping_ || next_ >= items_.size() || waiting_ < maxWaiting_;
        });
        while (next_ < items_.size() && items_[next_].state != State::pending) ++next_;
        if (stopping_ || next_ >= items_.size()) return;
        Item& item = items_[next_++];
        item.state = State::decoding;
        mostWaiting_ = std::max(mostWaiting_, ++waiting_);
        const std::string name = item.name;
        guard.unlock();
        std::unique_ptr<DecodeResult> decoded = decode_(name);
        guard.lock();
        item.result = std::move(decoded);
        item.state = State::done;
        changed_.notify_all();
    }
}

std::unique_ptr<DecodeResult> DecodePool::take(const std::string& name) {
    std::unique_lock<std::mutex> guard(lock_);
    const auto found = byName_.find(name);
    if (found == byName_.end()) return nullptr;
    Item& item = items_[found->second];
    changed_.wait(guard, [&] { return item.state != State::decoding; });
    switch (item.state) {
    case State::taken: return nullptr;
    case State::pending:
        // No worker has begun it (all busy ahead of it, or stopped): waiting
        // would gain nothing.
        item.state = State::taken;
        guard.unlock();
        return decode_(name);
    case State::decoding:
    case State::done: break;
    }
    item.state = State::taken;
    --waiting_;
    changed_.notify_all();
    return std::move(item.result);
}
