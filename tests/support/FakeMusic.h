// A music clock set by hand, for tests and benchmarks of the timeline
// without a sound device: it remembers what it was asked to play.
#pragma once

#include "timeline/MusicClock.h"

#include <string>
#include <vector>

class FakeMusic : public MusicClock {
public:
    bool setMusic(const std::string& name) override {
        names.push_back(name);
        return true;
    }
    void startIfNeeded() override { ++starts; }
    double time() override { return now; }
    bool ended() override { return isOver; }

    double now = 0.0;
    bool isOver = false;
    int starts = 0;
    std::vector<std::string> names;
};
