// A named layer of the timeline: owns the modules used on it, draws the
// selected one into its destination.
#pragma once

#include "timeline/RenderTarget.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class LoadingScreen;
struct ResourceList;
class TrackList;
class TrackModule;

class Track {
public:
    // `creationIndex` orders tracks for the dependency map; `list` is the
    // list that holds the track. The destination starts as a free
    // frame-buffer endpoint of the routing pool.
    Track(std::string name, int creationIndex, TrackList& list);
    ~Track();
    Track(const Track&) = delete;
    Track& operator=(const Track&) = delete;

    const std::string& name() const { return name_; }
    int creationIndex() const { return creationIndex_; }
    // The list that holds this track: its modules act on the other tracks
    // and read the command time through it.
    TrackList& list() const { return *list_; }

    // Draws the selected module; true when there is none or it returned 0.
    bool render(float time);

    // Makes `module` (one of this track's, or null) the selected one:
    // deselect the old, select the new. False when either refused.
    bool selectModule(TrackModule* module);
    TrackModule* selected() const { return selected_; }

    // This track's module for a type word (exact match among its own), else
    // a new one from the factory table. An unknown word ends the process.
    TrackModule* moduleFor(std::string_view typeWord);

    float loadWeight() const;
    // Loads every module in creation order; false if any failed (all run).
    bool load(LoadingScreen& progress);
    // The module made `index`th (below moduleCount()).
    TrackModule& module(std::size_t index) { return *modules_[index]; }
    // What load will ask for, module by module in creation order.
    void listResources(ResourceList& out) const;

    PoolEntry* destination() const { return destination_; }
    PoolEntry* source() const { return source_; }
    void setDestination(PoolEntry* endpoint);
    void setSource(PoolEntry* endpoint);

    std::size_t moduleCount() const { return modules_.size(); }

private:
    std::string name_;
    int creationIndex_;
    TrackList* list_;                   // non-owning: the list owns the track
    PoolEntry* source_ = nullptr;       // counted use, pool-owned
    PoolEntry* destination_ = nullptr;  // counted use, pool-owned
    TrackModule* selected_ = nullptr;   // one of modules_, or null
    std::vector<std::unique_ptr<TrackModule>> modules_;
};
