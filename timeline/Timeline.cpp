#include "timeline/Timeline.h"

#include "base/Log.h"
#include "timeline/MusicClock.h"
#include "timeline/TrackModule.h"

#include <algorithm>

namespace {
Timeline* gCurrent = nullptr;
}  // namespace

void setCurrentTimeline(Timeline* timeline) {
    gCurrent = timeline;
    setCurrentTempo(timeline ? &timeline->tempo() : nullptr);
}

Timeline::Timeline(MusicClock* music) : music_(music) {
    tracks_.setTimeSource([this] { return musicTime(); });
    tracks_.setCommandTimeSource([this] { return commandTime(); });
}

Timeline::~Timeline() {
    // Its tempo must not stay current once it is gone.
    if (gCurrent == this) setCurrentTimeline(nullptr);
}

double Timeline::musicTime() {
    return music_ ? music_->time() : 0.0;
}

double Timeline::commandTime() {
    return firing_ ? firingTime_ : musicTime();
}

Event& Timeline::addEvent(Event event) {
    events_.push_back(std::make_unique<Event>(std::move(event)));
    Event* added = events_.back().get();
    // Both indexes keep an existing entry: the first event of a name wins.
    eventsByName_.emplace(added->name, added);
    eventsByFoldedName_.add(added);
    return *added;
}

Event* Timeline::findEvent(const std::string& name) {
    const auto found = eventsByName_.find(name);
    return found == eventsByName_.end() ? nullptr : found->second;
}

Event* Timeline::findEventIgnoringCase(const std::string& name) {
    return eventsByFoldedName_.find(name);
}

bool Timeline::fireEvents() {
    bool result = true;
    for (auto& e : events_) {
        if (e->fired || !e->module->isDue(e->arguments, *this)) continue;
        e->fired = true;
        // The event's time with the budget its due test had, never later
        // than now.
        firingTime_ = std::min(
            static_cast<double>(e->eventTime(*this, RelativeTimerModule::kDepthBudget + 1)),
            musicTime());
        firing_ = e.get();
        bool eventResult = true;
        for (Command& c : e->commands) {
            if (c.track->selected() != c.module) c.track->selectModule(c.module);
            eventResult = c.module->command(c.commandName, c.arguments, *c.track) && eventResult;
        }
        firing_ = nullptr;
        result = eventResult && result;
    }
    return result;
}

bool Timeline::frame(float time) {
    if (music_) music_->startIfNeeded();
    bool ok = fireEvents();
    ok = tracks_.draw(time) && ok;
    return ok && !(music_ && music_->ended());
}

bool Timeline::load(LoadingScreen& progress) {
    beginLoading();
    while (loadStep(progress)) {}
    return true;
}

void Timeline::beginLoading() {
    logProgress("Loading script\n");
    loadingOk_ = true;
    loaded_ = false;
}

bool Timeline::loadStep(LoadingScreen& progress) {
    if (loaded_) return false;
    if (tracks_.loadStep(progress, loadingOk_)) return true;
    loaded_ = true;
    if (!loadingOk_) {
        logMessage("Fatal error: not all track modules could be initialized\n");
        fatalStop(1);
    }
    logProgress("Loading done, entering demo\n");
    return false;
}
