// The object built from the script: events in declaration order, the track
// list, the tempo for musical times, and the frame step that plays them
// against the music clock.
#pragma once

#include "script/MusicTempo.h"
#include "timeline/Event.h"
#include "timeline/FoldedNameIndex.h"
#include "timeline/TrackList.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class LoadingScreen;
class MusicClock;

class Timeline {
public:
    // `music` is the process-wide music clock (not owned).
    explicit Timeline(MusicClock* music);
    // Destroys the track list (every track and module), then the events.
    ~Timeline();
    Timeline(const Timeline&) = delete;
    Timeline& operator=(const Timeline&) = delete;

    MusicTempo& tempo() { return tempo_; }
    TrackList& tracks() { return tracks_; }
    MusicClock* music() const { return music_; }
    double musicTime();
    // The time commands take as "now" when they record a start: while an
    // event fires, that event's own time; otherwise the music time. An event
    // that fires late (the first frame after --start or a rebuild, or a slow
    // frame) thus starts its modules where they would have been started on
    // time, and animations show what they should at the music time.
    double commandTime();

    // Appends an event; duplicate names are kept, look-ups find the first.
    // The name is indexed as it is now: it must not change afterwards.
    Event& addEvent(Event event);
    // The first event, in declaration order, named exactly `name`, or null.
    Event* findEvent(const std::string& name);
    // The first event, in declaration order, whose name equals `name` with
    // the ASCII letters folded, or null. Relative timers ask this for every
    // waiting event on every frame, so it is a hash look-up.
    Event* findEventIgnoringCase(const std::string& name);
    std::size_t eventCount() const { return events_.size(); }
    Event& event(std::size_t i) { return *events_[i]; }

    // Fires every due event not yet fired, in declaration order, running
    // its commands; false when any command failed.
    bool fireEvents();

    // One frame: start the music if needed, fire events, draw the tracks.
    // False when anything failed or the music has ended.
    bool frame(float time);

    float totalLoadWeight() const { return totalLoadWeight_; }
    void setTotalLoadWeight(float weight) { totalLoadWeight_ = weight; }

    // Loads every module behind the loading screen. A module that fails
    // ends the process (status 1); returns true otherwise.
    bool load(LoadingScreen& progress);
    // The same a step at a time, so the platform draws (and answers its
    // window) between steps: beginLoading, then loadStep until it returns
    // false. Each step loads until one resource was reported to `progress`;
    // the last logs the end, or ends the process when a module failed;
    // later steps do nothing.
    void beginLoading();
    bool loadStep(LoadingScreen& progress);

private:
    std::vector<std::unique_ptr<Event>> events_;
    // Each name (exact, and folded) to the first event declared with it.
    std::unordered_map<std::string, Event*> eventsByName_;
    FoldedNameIndex eventsByFoldedName_;
    MusicClock* music_;  // non-owning
    TrackList tracks_;
    float totalLoadWeight_ = 0.0f;
    bool loadingOk_ = true;  // no module failed to load so far
    bool loaded_ = false;    // the last load step was taken
    MusicTempo tempo_;
    const Event* firing_ = nullptr;  // the event whose commands run now
    double firingTime_ = 0.0;
};

// Makes `timeline` (null: none) the one being built or played: its tempo is
// the one musical times are read with. Modules are handed what they need of
// it (their track's list, its clock), never this.
void setCurrentTimeline(Timeline* timeline);
