// The "route" track module: while started, the source track draws into a
// patch cable instead of the screen and the destination track draws the
// cable's picture in place of its own. Endpoints come from the process-wide
// routing pool, which counts the track slots using each.
#pragma once

#include "timeline/FxModule.h"

class RouteModule : public FxModule {
public:
    // First track "source" (draws into the cable), second "destination".
    RouteModule() : FxModule("source", "destination") {}

    // "route".
    const std::string& name() const override;
    // "start" orders source before destination and connects them through a
    // free cable (ending a running route first); "stop" puts the source
    // track back on the frame buffer and clears the destination's source
    // (status 23 when not started); other words are reported as errors and
    // change nothing. Always true.
    bool command(const std::string& commandName, ArgumentList& arguments, Track& track) override;

private:
    // Source track back on a frame-buffer endpoint, destination track
    // without a source, dependency removed, tracks forgotten.
    void disconnect();
};
