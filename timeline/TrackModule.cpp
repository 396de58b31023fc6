#include "timeline/TrackModule.h"

#include "base/CaseInsensitive.h"
#include "base/Log.h"
#include "script/ArgumentList.h"
#include "timeline/Track.h"
#include "timeline/TrackList.h"

const std::string& TrackModule::name() const {
    static const std::string n = "no module";
    return n;
}

bool TrackModule::command(const std::string& commandName, ArgumentList&, Track& track) {
    if (equalsIgnoreCase(commandName, "start")) {
        track.selectModule(this);
        track.list().markForSort();
    } else if (equalsIgnoreCase(commandName, "stop")) {
        track.selectModule(nullptr);
    }
    return true;
}

bool TrackModule::checkCommand(const std::string& commandName, ArgumentList&, Track&) {
    return equalsIgnoreCase(commandName, "start") || equalsIgnoreCase(commandName, "stop");
}

bool TrackModule::loadNext(LoadingScreen&, bool&) {
    return false;
}

bool TrackModule::load(LoadingScreen& progress) {
    bool ok = true;
    while (loadNext(progress, ok)) {}
    return ok;
}

bool TrackModule::beginFade() {
    fading = true;
    return true;
}

bool TrackModule::endFade() {
    fading = false;
    return true;
}

bool TrackModule::select(Track&) {
    return true;
}
bool TrackModule::deselect(Track&) {
    return true;
}

const std::string& DummyModule::name() const {
    static const std::string n = "dummyModule";
    return n;
}

bool DummyModule::command(const std::string& commandName, ArgumentList& arguments, Track& track) {
    logProgress("%s executed at %s\n", commandName.c_str(), track.name().c_str());
    return TrackModule::command(commandName, arguments, track);
}

bool DummyModule::checkCommand(const std::string&, ArgumentList& arguments, Track&) {
    // Reads nothing: every argument written for it is reported as unused.
    arguments.clearUsed();
    arguments.warnUnused();
    return true;
}
