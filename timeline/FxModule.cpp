#include "timeline/FxModule.h"

#include "base/CaseInsensitive.h"
#include "base/Log.h"
#include "script/ArgumentList.h"
#include "timeline/Timeline.h"
#include "timeline/Track.h"
#include "timeline/TrackList.h"

namespace {

TrackList& currentTracks() {
    return currentTimeline()->tracks();
}

Track* trackNamed(ArgumentList& arguments, const std::string& parameter) {
    return currentTracks().getOrCreate(arguments.find(parameter).text());
}

}  // namespace

FxModule::FxModule(std::string firstParameter, std::string secondParameter)
    : firstParameter_(std::move(firstParameter)), secondParameter_(std::move(secondParameter)) {}

bool FxModule::checkCommand(const std::string& commandName, ArgumentList& arguments, Track&) {
    if (equalsIgnoreCase(commandName, "start")) {
        arguments.requireString(firstParameter_);
        arguments.requireString(secondParameter_);
        trackNames_.push_back(arguments.find(firstParameter_).text());
        trackNames_.push_back(arguments.find(secondParameter_).text());
    }
    return true;
}

bool FxModule::load(LoadingScreen&) {
    for (const std::string& name : trackNames_) {
        if (!currentTracks().getOrCreate(name)) {
            logMessage("FxModule - track with name %s not found\n", name.c_str());
            fatalStop(4574);
        }
    }
    return true;
}

void FxModule::startTracks(ArgumentList& arguments) {
    // A second "start" while started replaces the pair: the first one's
    // dependency must not stay behind with nobody left to remove it.
    if (hasTracks()) currentTracks().removeDependency(first_, second_);
    first_ = trackNamed(arguments, firstParameter_);
    second_ = trackNamed(arguments, secondParameter_);
    currentTracks().addDependency(first_, second_);
}

void FxModule::stopTracks() {
    if (!hasTracks()) {
        logMessage("FxModule - stop called without tracks set, aborting\n");
        fatalStop(23);
    }
    currentTracks().removeDependency(first_, second_);
    first_ = nullptr;
    second_ = nullptr;
}

bool FxModule::command(const std::string& commandName, ArgumentList& arguments, Track& track) {
    if (equalsIgnoreCase(commandName, "start")) {
        startTracks(arguments);
    } else if (equalsIgnoreCase(commandName, "stop")) {
        stopTracks();
    }
    return TrackModule::command(commandName, arguments, track);
}

bool FxModule::deselect(Track&) {
    if (hasTracks()) {
        currentTracks().removeDependency(first_, second_);
        first_ = nullptr;
        second_ = nullptr;
    }
    return true;
}

const std::string& DrawOrderModule::name() const {
    static const std::string n = "drawOrder";
    return n;
}
