// What benchmarks that play a timeline share: a music clock that stands
// still and a loading screen that draws nothing.
#pragma once

#include "timeline/LoadingScreen.h"
#include "timeline/MusicClock.h"

#include <string>

namespace benchsupport {

// Always at 1 s, never ending.
class StillClock : public MusicClock {
public:
    bool setMusic(const std::string&) override { return true; }
    void startIfNeeded() override {}
    double time() override { return 1.0; }
    bool ended() override { return false; }
};

class SilentProgress : public LoadingScreen {
public:
    int draw(float) override { return 0; }
    void addProgress(float) override {}
};

}  // namespace benchsupport
