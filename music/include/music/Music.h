// The music clock. One music object per process streams the script's music
// file and answers what the rest of the system asks of it: the current music
// time, whether the music has ended, and (once) start playing now. Every time
// in the timeline is music time in seconds.
//
// Three ways to run, chosen by configure before the music is set:
// - real time: the file plays through the sound device; time is what the
//   listener hears, smooth and never going backwards;
// - fixed frame rate: no sound device; time is start + k/N for presentation
//   frame k; the file is still opened for its length and its sync points;
// - decode only (checking a script): the file is opened and validated, no
//   sound device is ever opened.
// Without music, a silent clock of 180 seconds takes the music's place.
//
// Sync points are the cue markers of a WAV file, named by their labels;
// passing one logs a line. All operations belong to the main thread.
#pragma once

#include "base/Log.h"

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class MusicStream;

class Music {
public:
    // Seconds of a music-free run: the silent clock ends once time is
    // strictly greater than this.
    static constexpr double kSilenceSeconds = 180.0;

    // The process's music object; lives until the process exits, when it
    // closes the sound device and stops its decoding thread.
    static Music& instance();

    // A separate player, for tests. `clock` replaces the program clock as the
    // time source of the silent clock and of the real-time estimate.
    explicit Music(double (*clock)() = nullptr);
    ~Music();
    Music(const Music&) = delete;
    Music& operator=(const Music&) = delete;

    // How this run plays; call before the first setMusic (later calls are
    // ignored). fixedFps: no sound device, time = startTime + k/N after k
    // frameDrawn calls (a rate that is not positive means real time).
    // decodeOnly: open and validate the file, never open a sound device.
    // startTime: the music position the presentation begins at, >= 0 (the
    // stream seeks there; sync points before it are never reported).
    void configure(std::optional<double> fixedFps, double startTime, bool decodeOnly);

    // The script's "music" value: a path relative to the current directory,
    // with '\' read as '/'. Opens the file paused at the start position.
    // Returns false after logging an error when the file cannot be opened or
    // played, or when a different file was already set; the same file set
    // again (a rebuild parsing the script anew) returns true and keeps playing.
    // In a web page the browser may still be decoding the file when this
    // returns true: decodePending() says when it is open, or why it is not.
    bool setMusic(const std::string& scriptName);

    // True while the file set is being decoded by the browser (web pages
    // only); each call asks, and the first call after the decoding ended
    // opens the file, logging its faults as setMusic would have, at the
    // script position setMusic had. Then false, with the music open or, after
    // the logged error, not set.
    bool decodePending();

    // Called at the start of every frame step: the first call unpauses the
    // stream, or starts the silent clock with a warning when no music is set.
    void startIfNeeded();

    // Music time in seconds: the start position until playing starts, then
    // the position the listener hears (or start + k/N at a fixed frame rate).
    // Logs the sync points passed since the last call.
    double time();

    // True once the whole stream has been heard (fixed frame rate: once time
    // is past the length; no music: once time is past 180 s). The first true
    // logs the end line after any remaining sync points.
    bool ended();

    // Fixed frame rate: one presentation frame was drawn since playing
    // started (none counts while paused). No effect otherwise.
    void frameDrawn();

    // Moves the music to `seconds` (below 0: the start), at any time: the
    // music file is opened again there, sync points before it are never
    // reported, and a music that had ended plays again (past its length it
    // ends at once). Real time: the sound goes on from there unless paused;
    // fixed frame rate: time is seconds + k/N after k further frames. When
    // the file cannot be opened again a log line says so and a silent clock
    // of the music's length plays on.
    void seek(double seconds);
    // The music file changed: opens it again (its new length and sync
    // points) and plays on from the current time.
    void reload();
    // Pausing holds the time where it is and stops the sound; resuming
    // plays on from there. Before the first frame a pause holds the start.
    void setPaused(bool paused);
    bool paused() const { return paused_; }

    // Length of the music file in seconds; empty when no music is set.
    std::optional<double> length() const;

    // For a review of the presentation: decodes the music file set from
    // its start to its end, without a sound device, and returns what went
    // wrong (worded to follow the file's name), or an empty string when it
    // decodes whole. Empty when no music is set.
    std::string decodeWholeFile() const;
    // The music file's path as opened; empty while no music is set.
    const std::string& fileName() const { return name_; }

private:
    struct SyncPoint {
        double time;  // seconds from the start of the file
        std::string name;
    };

    double now() const;
    bool hasMusic() const { return !name_.empty(); }
    // The music set: open, or waiting for its decoding.
    const std::string& musicSet() const { return pending_ ? pending_->path : name_; }
    double rawTime();
    void reportSyncPoints(double t);
    bool openMusic(const std::string& path);
    void closeMusic();
    void restartAt(double seconds);

    double (*clock_)();
    std::optional<double> fixedFps_;
    double start_ = 0.0;
    bool decodeOnly_ = false;

    std::string name_;  // the music's path as opened; empty while no music is set
    struct PendingOpen {
        std::string path;
        ScriptPosition position;  // where the script set it, for the messages
    };
    std::optional<PendingOpen> pending_;  // the browser is decoding it
    std::optional<double> length_;
    std::vector<SyncPoint> syncPoints_;  // ordered by time
    std::size_t nextSyncPoint_ = 0;
    std::unique_ptr<MusicStream> stream_;  // real-time playback only

    bool started_ = false;
    bool paused_ = false;
    double heldTime_ = 0.0;    // the time while paused
    double startClock_ = 0.0;  // clock reading at the first frame (silent clock)
    long framesDrawn_ = 0;
    std::atomic<bool> ended_{false};
};
