// Named points on the music's time axis, the modules that compute their
// times, and the commands that run when they fire.
#pragma once

#include "script/ArgumentList.h"
#include "timeline/NamedRegistry.h"

#include <memory>
#include <string>
#include <vector>

class Track;
class TrackModule;

// One "at" statement: a command word for a module on a track.
struct Command {
    TrackModule* module = nullptr;  // non-owning, owned by `track`
    std::string commandName;
    ArgumentList arguments;
    Track* track = nullptr;  // non-owning
};

class EventModule;
class Timeline;

struct Event {
    std::string name;
    EventModule* module = nullptr;  // non-owning, owned by the event-module registry
    ArgumentList arguments;
    std::vector<Command> commands;
    bool fired = false;
    // Where its "event" statement stands: the line, and the position of the
    // event's name on it. Line -1 for an event that no script declared.
    int line = -1;
    int pos = 0;

    // The event's time through its module, events it refers to found in
    // `timeline`; `depth` is the budget of hops through referenced events.
    // A budget of 0 ends the process (status 326).
    float eventTime(Timeline& timeline, int depth);
};

// Computes events' times from their arguments. One shared instance per type
// serves every event of that type, for the timeline it is handed.
class EventModule {
public:
    virtual ~EventModule() = default;
    // The type's name ("timer", "relativeTimer").
    virtual const std::string& name() const;
    // Called every frame until the event fires: has its time come on
    // `timeline`'s music clock?
    virtual bool isDue(ArgumentList& arguments, Timeline& timeline) = 0;
    // Called once per event statement while parsing; reports problems with
    // logError. The result is not used.
    virtual bool checkArguments(ArgumentList& arguments) = 0;
    // The event's time in seconds, events it refers to found in `timeline`;
    // `depth` limits chains of references.
    virtual float eventTime(ArgumentList& arguments, Timeline& timeline, int depth) = 0;
    // Called once after parsing; false stops the demo.
    virtual bool initialise() { return true; }
};

// "timer": fires at the number "time".
class TimerModule : public EventModule {
public:
    const std::string& name() const override;
    bool isDue(ArgumentList& arguments, Timeline& timeline) override;
    bool checkArguments(ArgumentList& arguments) override;
    float eventTime(ArgumentList& arguments, Timeline& timeline, int depth) override;
};

// "relativeTimer": fires "deltaTime" seconds after the event "relativeTo"
// (found without regard to case).
class RelativeTimerModule : public EventModule {
public:
    static constexpr int kDepthBudget = 256;
    const std::string& name() const override;
    bool isDue(ArgumentList& arguments, Timeline& timeline) override;
    bool checkArguments(ArgumentList& arguments) override;
    float eventTime(ArgumentList& arguments, Timeline& timeline, int depth) override;
};

// The process-wide registry of event modules: "timer" and "relativeTimer",
// made on first use of a word (any case; lookup is exact, so "Timer" and
// "timer" give two instances).
class EventModuleRegistry : public NamedRegistry<EventModule> {
public:
    static EventModuleRegistry& instance();
    // Initialises every instance, all of them even after a failure.
    bool initialiseAll();

protected:
    std::unique_ptr<EventModule> create(std::string_view name) override;
};
