// The three steps the presentation hangs on: demo start (parse and load),
// one frame (update, draw, present), demo shutdown.
#pragma once

#include "FrameRate.h"
#include "Window.h"
#include "app/Options.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class LoadingScreen;
class Music;
class MusicClock;
class Timeline;
class VideoEncoder;

// Where the script lives in every demo directory.
extern const char* const kScriptPath;

class Demo {
public:
    // `music` is the process-wide player; `presentationFrames` counts drawn
    // presentation frames across rebuilds (capture numbering).
    // `toggleKey` tells F1 presses from a held key. `requestQuit` ends the message loop at the next turn; `requestToggle`
    // asks for a rebuild in the other screen mode. The window record, options
    // and clock are not owned and outlive the demo.
    Demo(WindowRecord* window, const Options* options, Music* music, MusicClock* musicClock,
         long* presentationFrames, PressDetector* toggleKey, std::function<void()> requestQuit,
         std::function<void()> requestToggle);
    ~Demo();

    // Sets the GL defaults, builds what the presentation draws with, and
    // loads it behind the loading screen. Always succeeds; fatal conditions
    // stop the process.
    void start();
    // Frame update, frame draw, frame capture and buffer swap. Runs the
    // loading screen while loading.
    void oneFrame();
    // Releases everything demo start built, while the GL context is current.
    void shutdown();

    // Every presentation frame also goes to `video` (not owned; null: none).
    void setVideoEncoder(VideoEncoder* video) { video_ = video; }

    float framesPerSecond() const { return fpsRing_.fps(); }
    bool showFps() const { return showFps_; }

private:
    void update();
    // False when no frame was drawn (the --until time was reached).
    bool draw();
    void capture();

    WindowRecord* window_;        // non-owning
    const Options* options_;      // non-owning
    Music* music_;                // non-owning, process-wide
    MusicClock* musicClock_;      // non-owning
    long* presentationFrames_;    // non-owning
    PressDetector* toggleKey_;    // non-owning: F1, kept across rebuilds
    VideoEncoder* video_ = nullptr;  // non-owning
    std::function<void()> requestQuit_;
    std::function<void()> requestToggle_;

    FrameRateRing fpsRing_;
    PressDetector spaceKey_;
    bool showFps_ = false;
    bool presentationFrame_ = false;  // the frame being drawn is not a loading frame
    std::vector<std::uint8_t> captureBuffer_;
    std::unique_ptr<Timeline> timeline_;
    std::unique_ptr<LoadingScreen> loadingScreen_;
};
