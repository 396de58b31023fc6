// The process-wide pool of routing endpoints: frame-buffer destinations and
// patch cables, reused once no track slot refers to them any more.
#pragma once

#include "timeline/RenderTarget.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class SourceDestPool {
public:
    // Makes the endpoint for a name ("PatchCable..." or "DestinationGL", any
    // case); null when it cannot be made. The rendering layer installs the
    // real one; the default makes endpoints that draw nowhere.
    using Factory = std::function<std::unique_ptr<PoolEntry>(std::string_view name)>;

    static SourceDestPool& instance();

    void setFactory(Factory factory) { factory_ = std::move(factory); }

    // The first endpoint, in creation order, with use count 0 whose poolName
    // equals `name` exactly; else a new one, appended. An unknown name ends
    // the process ("SourceDestPool: name unknown, aborting", status 26); a
    // factory that cannot make the endpoint gives null.
    PoolEntry* freeEndpoint(std::string_view name);

    // Stores `endpoint` in `slot`, moving one use from the old endpoint to the
    // new one.
    static void assign(PoolEntry*& slot, PoolEntry* endpoint);

    std::size_t size() const { return entries_.size(); }

private:
    SourceDestPool();
    Factory factory_;
    std::vector<std::unique_ptr<PoolEntry>> entries_;
    // The endpoints of each pool name, in creation order. Every track asks
    // for a "DestinationGL", which no endpoint is filed under, so track
    // creation does not walk the endpoints of all the tracks made before.
    std::unordered_map<std::string, std::vector<PoolEntry*>> byPoolName_;
};

// An endpoint with no surface: what tracks draw into when nothing renders.
class NullEndpoint : public PoolEntry {
public:
    NullEndpoint(std::string poolName, bool offscreen)
        : name_(std::move(poolName)), offscreen_(offscreen) {}
    void bind() override {}
    bool isOffscreen() const override { return offscreen_; }
    int width() const override;
    int height() const override;
    std::string poolName() const override { return offscreen_ ? name_ : "void *"; }

private:
    std::string name_;
    bool offscreen_;
};
