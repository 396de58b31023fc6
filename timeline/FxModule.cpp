#include "timeline/FxModule.h"

#include "base/CaseInsensitive.h"
#include "base/Log.h"
#include "script/ArgumentList.h"
#include "timeline/Track.h"
#include "timeline/TrackList.h"

FxModule::FxModule(std::string firstParameter, std::string secondParameter)
    : firstParameter_(std::move(firstParameter)), secondParameter_(std::move(secondParameter)) {}

bool FxModule::checkCommand(const std::string& commandName, ArgumentList& arguments, Track& track) {
    if (equalsIgnoreCase(commandName, "start"))
        pair_.check(arguments, firstParameter_, secondParameter_, track);
    return true;
}

bool FxModule::loadNext(LoadingScreen&, bool&) {
    pair_.ensureTracks();
    return false;
}

void FxModule::startTracks(ArgumentList& arguments, Track& owner) {
    pair_.bind(owner);
    pair_.hold(pair_.named(arguments, firstParameter_), pair_.named(arguments, secondParameter_));
}

void FxModule::stopTracks() {
    if (!hasTracks()) {
        logMessage("FxModule - stop called without tracks set, aborting\n");
        fatalStop(23);
    }
    pair_.release();
}

bool FxModule::command(const std::string& commandName, ArgumentList& arguments, Track& track) {
    if (equalsIgnoreCase(commandName, "start")) {
        startTracks(arguments, track);
    } else if (equalsIgnoreCase(commandName, "stop")) {
        stopTracks();
    }
    return TrackModule::command(commandName, arguments, track);
}

bool FxModule::deselect(Track&) {
    pair_.release();
    return true;
}

const std::string& DrawOrderModule::name() const {
    static const std::string n = "drawOrder";
    return n;
}
