#include "timeline/Event.h"

#include "base/CaseInsensitive.h"
#include "base/Log.h"
#include "timeline/Timeline.h"

namespace {

[[noreturn]] void loopAbort(const char* eventName) {
    if (eventName)
        logMessage("Possible loop in relative timers, involving \"%s\", aborting\n", eventName);
    else
        logMessage("Possible loop in relative timers, aborting\n");
    fatalStop(326);
}

float numberOr0(ArgumentList& arguments, const char* key) {
    const ArgumentValue& v = arguments.find(key);
    return v.isNumber() ? v.number() : 0.0f;
}

// The event a relative timer refers to; a name that matches nothing ends
// the process (status 364).
Event& referencedEvent(ArgumentList& arguments, Timeline& timeline) {
    const ArgumentValue& v = arguments.find("relativeTo");
    // text() is empty unless the value is a string; no event has that name.
    const std::string& name = v.text();
    Event* e = timeline.findEventIgnoringCase(name);
    if (!e) {
        logMessage("relativetimer: event \"%s\" does not exist\n", name.c_str());
        fatalStop(364);
    }
    return *e;
}

}  // namespace

float Event::eventTime(Timeline& timeline, int depth) {
    if (depth == 0) loopAbort(name.c_str());
    return module->eventTime(arguments, timeline, depth);
}

const std::string& EventModule::name() const {
    static const std::string n = "no module";
    return n;
}

const std::string& TimerModule::name() const {
    static const std::string n = "timer";
    return n;
}

bool TimerModule::checkArguments(ArgumentList& arguments) {
    arguments.clearUsed();
    const ArgumentValue& time = arguments.find("time");
    if (time.isNone())
        logError("timer: must specify parameter \"time\"\n");
    else if (!time.isNumber())
        logError("timer: parameter \"time\" must have data type float\n");
    arguments.warnUnused();
    return true;
}

float TimerModule::eventTime(ArgumentList& arguments, Timeline&, int) {
    return numberOr0(arguments, "time");
}

bool TimerModule::isDue(ArgumentList& arguments, Timeline& timeline) {
    return timeline.musicTime() >= numberOr0(arguments, "time");
}

const std::string& RelativeTimerModule::name() const {
    static const std::string n = "relativeTimer";
    return n;
}

bool RelativeTimerModule::checkArguments(ArgumentList& arguments) {
    arguments.clearUsed();
    arguments.requireNumber("deltaTime");
    arguments.requireString("relativeTo");
    arguments.warnUnused();
    return true;
}

float RelativeTimerModule::eventTime(ArgumentList& arguments, Timeline& timeline, int depth) {
    if (depth == 0) loopAbort(nullptr);
    const float delta = numberOr0(arguments, "deltaTime");
    return referencedEvent(arguments, timeline).eventTime(timeline, depth - 1) + delta;
}

bool RelativeTimerModule::isDue(ArgumentList& arguments, Timeline& timeline) {
    const float delta = numberOr0(arguments, "deltaTime");
    Event& referenced = referencedEvent(arguments, timeline);
    return timeline.musicTime() >= referenced.eventTime(timeline, kDepthBudget) + delta;
}

EventModuleRegistry& EventModuleRegistry::instance() {
    static EventModuleRegistry registry;
    return registry;
}

std::unique_ptr<EventModule> EventModuleRegistry::create(std::string_view name) {
    if (equalsIgnoreCase(name, "timer")) return std::make_unique<TimerModule>();
    if (equalsIgnoreCase(name, "relativeTimer")) return std::make_unique<RelativeTimerModule>();
    return nullptr;
}

bool EventModuleRegistry::initialiseAll() {
    bool ok = true;
    for (auto& m : elements_) ok = m->initialise() && ok;
    return ok;
}
