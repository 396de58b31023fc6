#include "timeline/SourceDestPool.h"

#include "base/CaseInsensitive.h"
#include "base/Log.h"
#include "base/Screen.h"

namespace {

bool isCableName(std::string_view name) {
    return startsWithIgnoreCase(name, "PatchCable");
}

}  // namespace

int NullEndpoint::width() const {
    return offscreen_ ? screenSize().pow2Width : screenSize().width;
}
int NullEndpoint::height() const {
    return offscreen_ ? screenSize().pow2Height : screenSize().height;
}

SourceDestPool::SourceDestPool()
    : factory_([](std::string_view name) {
          return std::make_unique<NullEndpoint>(std::string(name), isCableName(name));
      }) {}

SourceDestPool& SourceDestPool::instance() {
    static SourceDestPool pool;
    return pool;
}

PoolEntry* SourceDestPool::freeEndpoint(std::string_view name) {
    const auto named = byPoolName_.find(std::string(name));
    if (named != byPoolName_.end())
        for (PoolEntry* e : named->second)
            if (e->useCount() == 0) return e;
    if (!isCableName(name) && !equalsIgnoreCase(name, "DestinationGL")) {
        logMessage("SourceDestPool: name unknown, aborting");
        fatalStop(26);
    }
    std::unique_ptr<PoolEntry> made = factory_(name);
    if (!made) return nullptr;
    PoolEntry* endpoint = made.get();
    entries_.push_back(std::move(made));
    byPoolName_[endpoint->poolName()].push_back(endpoint);
    return endpoint;
}

void SourceDestPool::assign(PoolEntry*& slot, PoolEntry* endpoint) {
    if (slot) slot->releaseUse();
    if (endpoint) endpoint->addUse();
    slot = endpoint;
}
