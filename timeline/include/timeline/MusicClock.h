// What the timeline needs of the music: start it, read its time, know its end.
#pragma once

#include <string>

class MusicClock {
public:
    virtual ~MusicClock() = default;
    // Called by the script's global settings with the "music" value. False
    // (after logError) when refused or unreadable.
    virtual bool setMusic(const std::string& fileName) = 0;
    // Called at the start of every frame step; starts playing the first time.
    virtual void startIfNeeded() = 0;
    // The music time in seconds: what the listener hears.
    virtual double time() = 0;
    // True once the music has played to its end.
    virtual bool ended() = 0;
};
