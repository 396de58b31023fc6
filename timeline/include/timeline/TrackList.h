// Every track of the timeline, kept in draw order: sorted by the selected
// modules' draw priorities, then adjusted by dependencies ("draw A before
// B") that modules add and remove while they run.
#pragma once

#include "timeline/NamedRegistry.h"
#include "timeline/Track.h"

#include <functional>
#include <map>
#include <utility>

class LoadingScreen;
struct ResourceList;

class TrackList : public NamedRegistry<Track> {
public:
    // Sets the graphics viewport; installed by the rendering layer (the
    // default does nothing, for runs without graphics).
    using ViewportSetter = std::function<void(int x, int y, int width, int height)>;
    // Reads the music time for the order listing.
    using TimeSource = std::function<double()>;

    TrackList();
    ~TrackList() override;

    void setViewportSetter(ViewportSetter setter) { setViewport_ = std::move(setter); }
    void setTimeSource(TimeSource source) { timeSource_ = std::move(source); }
    // Reads the time of the command being carried out (the firing event's
    // time while events fire, else the music time): modules' motions start
    // there.
    void setCommandTimeSource(TimeSource source) { commandTimeSource_ = std::move(source); }
    double commandTime() const { return commandTimeSource_(); }

    // Counted: each add needs one remove. Adding sorts at once; removing a
    // pair that was never added ends the process (status 87).
    void addDependency(Track* first, Track* second);
    void removeDependency(Track* first, Track* second);
    int dependencyCount(const Track* first, const Track* second) const;
    std::size_t dependencyPairs() const { return dependencies_.size(); }

    void markForSort() { needsSort_ = true; }
    bool needsSort() const { return needsSort_; }

    // Sorts the draw order now and lists it in the log.
    bool sort();
    // Draws every track in order (sorting first when needed); false when any
    // track failed. Every track is drawn regardless.
    bool draw(float time);

    float loadWeight() const;
    // Loads every track in order; tracks appended meanwhile are loaded too.
    bool load(LoadingScreen& progress);
    // The same a step at a time: loads modules in that order until one
    // reported a resource to `progress` or none is left, and returns whether
    // any may be left. A module that failed clears `ok`.
    bool loadStep(LoadingScreen& progress, bool& ok);
    // What load will ask for, track by track in order.
    void listResources(ResourceList& out) const;

    std::size_t firstFullViewport() const { return firstFullViewport_; }

protected:
    std::unique_ptr<Track> create(std::string_view name) override;

private:
    struct Dependency {
        Track* first;
        Track* second;
        int count;
    };
    // Keyed by the tracks' creation order, so the visiting order of the
    // dependency passes is the same on every run.
    std::map<std::pair<int, int>, Dependency> dependencies_;
    // Where loadStep goes on: a track, and a module of it.
    std::size_t loadingTrack_ = 0;
    std::size_t loadingModule_ = 0;
    bool needsSort_ = true;
    std::size_t firstFullViewport_ = 0;
    int nextCreationIndex_ = 0;
    ViewportSetter setViewport_;
    TimeSource timeSource_;
    TimeSource commandTimeSource_;
};
