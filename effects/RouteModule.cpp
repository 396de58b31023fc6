#include "effects/RouteModule.h"

#include "base/CaseInsensitive.h"
#include "base/Log.h"
#include "timeline/SourceDestPool.h"
#include "timeline/Track.h"

const std::string& RouteModule::name() const {
    static const std::string n = "route";
    return n;
}

bool RouteModule::command(const std::string& commandName, ArgumentList& arguments, Track& track) {
    if (equalsIgnoreCase(commandName, "start")) {
        // A second start would otherwise leave the first source track drawing
        // into a cable nobody shows, and its dependency behind.
        if (hasTracks()) disconnect();
        startTracks(arguments, track);
        PoolEntry* cable = SourceDestPool::instance().freeEndpoint("PatchCable");
        if (!cable) {
            logMessage("Route: error - cannot alloc memory to patch cable\n");
            fatalStop(658);
        }
        first()->setDestination(cable);
        second()->setSource(cable);
    } else if (equalsIgnoreCase(commandName, "stop")) {
        if (!hasTracks()) stopTracks();  // reports and ends the process
        disconnect();
    } else {
        logError("Route: command \"%s\" not recognized\n", commandName.c_str());
    }
    // Selects on "start" and marks the draw order for sorting, now that the
    // source track renders into a texture; deselects on "stop".
    return TrackModule::command(commandName, arguments, track);
}

void RouteModule::disconnect() {
    first()->setDestination(SourceDestPool::instance().freeEndpoint("DestinationGL"));
    second()->setSource(nullptr);
    stopTracks();
}
