// Modules that act on two other tracks named by two parameters: the base of
// "drawOrder" (and of routing). While started and selected they hold the
// dependency "draw the first track before the second".
#pragma once

#include "timeline/TrackModule.h"
#include "timeline/TrackPair.h"

#include <string>

class FxModule : public TrackModule {
public:
    FxModule(std::string firstParameter, std::string secondParameter);

    int render(float, Destination*, TextureSource*, TextureSource*) override { return 0; }
    // "start" requires both track-name parameters and keeps the names for load.
    bool checkCommand(const std::string& commandName, ArgumentList& arguments,
                      Track& track) override;
    // Makes every named track exist before the first frame.
    bool loadNext(LoadingScreen& progress, bool& ok) override;
    // "start" adds the dependency, "stop" removes it; then the base handling.
    bool command(const std::string& commandName, ArgumentList& arguments, Track& track) override;
    // A dependency never outlives the selection.
    bool deselect(Track& track) override;
    int drawPriority() const override { return -1000; }

    Track* first() const { return pair_.first(); }
    Track* second() const { return pair_.second(); }

protected:
    // The FxModule part of "start" (tracks and dependency), without the base
    // handling; the route module builds on it.
    void startTracks(ArgumentList& arguments, Track& owner);
    // The FxModule part of "stop": ends the process (status 23) when no
    // "start" came before.
    void stopTracks();
    bool hasTracks() const { return pair_.held(); }

private:
    TrackPair pair_;
    std::string firstParameter_;
    std::string secondParameter_;
};

// Draws track "first" before track "second" while started.
class DrawOrderModule : public FxModule {
public:
    DrawOrderModule() : FxModule("first", "second") {}
    const std::string& name() const override;
};
