// The process-wide music player seen through the timeline's music clock.
#pragma once

#include "music/Music.h"
#include "timeline/MusicClock.h"

class MusicAdapter : public MusicClock {
public:
    explicit MusicAdapter(Music& music) : music_(music) {}
    bool setMusic(const std::string& fileName) override { return music_.setMusic(fileName); }
    void startIfNeeded() override { music_.startIfNeeded(); }
    double time() override { return music_.time(); }
    bool ended() override { return music_.ended(); }

private:
    Music& music_;
};
