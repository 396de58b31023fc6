// The three steps the presentation hangs on: demo start (parse and load),
// one frame (update, draw, present), demo shutdown.
#pragma once

#include "FrameRate.h"
#include "ResourceRefresh.h"
#include "ScriptedActions.h"
#include "Window.h"
#include "app/Options.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

class FileWatcher;
class LoadingScreen;
class Music;
class MusicClock;
class Timeline;
class VideoEncoder;

class Demo {
public:
    // `music` is the process-wide player; `presentationFrames` counts drawn
    // presentation frames across rebuilds (capture numbering).
    // `requestQuit` ends the message loop at the next turn; `requestToggle` asks for a
    // rebuild in the other screen mode (a scripted action; F1 is the platform's). The window
    // record, options and clock are not owned and outlive the demo.
    Demo(WindowRecord* window, const Options* options, Music* music, MusicClock* musicClock,
         long* presentationFrames, std::function<void()> requestQuit,
         std::function<void()> requestToggle);
    ~Demo();

    // Sets the GL defaults, builds what the presentation draws with, and
    // shows the loading screen's first frame. Always succeeds; fatal
    // conditions stop the process.
    void start();
    // One frame of the presentation: while the browser decodes the music,
    // the loading screen; while loading, a loading step and the loading
    // screen after it; then frame update, draw, capture and buffer swap. The platform calls it once a frame, handling its window's
    // events between calls.
    bool step();
    // Releases everything demo start built, while the GL context is current.
    void shutdown();

    // Every presentation frame also goes to `video` (not owned; null: none).
    void setVideoEncoder(VideoEncoder* video) { video_ = video; }

    float framesPerSecond() const { return fpsRing_.fps(); }
    bool showFps() const { return showFps_; }

private:
    // Frame update, frame draw, frame capture and buffer swap; the loading
    // screen while loading.
    void oneFrame();
    // Once the music is open: the loading steps begin.
    void beginLoading();
    // After the last loading step: the presentation begins.
    void finishLoading();
    void update();
    // Parses the script again; when it is sound, replaces the timeline with
    // the new one, which starts at the current music time exactly as a run
    // with --start at that time would. With `filesChanged`, the data-file
    // archives are indexed again and changed pictures and scenes are read
    // again first. A faulty script is listed, one line says the previous one
    // is kept, and the previous timeline plays on. Returns whether the
    // timeline was replaced.
    bool rebuildTimeline(bool filesChanged);
    // The authoring keys and the test hook's actions due at this frame.
    void authorActions(const std::int32_t* keys);
    // Reloads once the watched files settled after a change.
    void watchFiles();
    // Moves the music to `seconds` and rebuilds the timeline there.
    void seekTo(double seconds);
    void copyFile(const std::string& from, const std::string& to);
    // The window's picture as shown, for the test hook's "window=" action.
    void writeWindowPicture();
    // False when no frame was drawn (the --until time was reached).
    bool draw();
    void capture();
    // Hands the frame just read back to the video export.
    void feedVideo(double readBackSeconds);
    // Drawn after the capture's read-back: never part of a captured frame.
    void drawAuthorOverlay();
    void showNote(std::string note);

    WindowRecord* window_;           // non-owning
    const Options* options_;         // non-owning
    Music* music_;                   // non-owning, process-wide
    MusicClock* musicClock_;         // non-owning
    long* presentationFrames_;       // non-owning
    VideoEncoder* video_ = nullptr;  // non-owning
    std::function<void()> requestQuit_;
    std::function<void()> requestToggle_;

    FrameRateRing fpsRing_;
    PressDetector spaceKey_;
    bool showFps_ = false;
    bool presentationFrame_ = false;  // the frame being drawn is not a loading frame
    bool waitingForMusic_ = false;    // the browser is decoding the music
    bool loading_ = false;            // loading steps remain
    std::vector<std::uint8_t> captureBuffer_;
    std::unique_ptr<Timeline> timeline_;
    std::unique_ptr<LoadingScreen> loadingScreen_;

    // Authoring: the watcher (--watch), the pictures and scenes read again
    // on a change, the keys, the overlay and the test hook.
    std::unique_ptr<FileWatcher> watcher_;
    // A reload that found the script not ready (an editor writing it) is
    // tried again shortly, a few times, as well as at the next change.
    double retryAt_ = -1.0;  // clock seconds; negative: none pending
    int retriesLeft_ = 0;
    bool retryFilesChanged_ = false;
    ResourceRefresh resources_;
    PressDetector pauseKey_, overlayKey_, backKey_, forwardKey_, homeKey_;
    bool overlay_ = false;
    std::string note_;           // the last reload's result, shown for a while
    std::string windowPicture_;  // where the shown picture goes after this frame
    double noteUntil_ = 0.0;     // clock seconds
    std::vector<ScriptedAction> actions_;
    std::size_t nextAction_ = 0;
};
