// Real-time playback of one decoded piece: a thread decodes ahead into a
// ring, the SDL audio callback plays from the ring, and the main thread reads
// the heard position as a smooth clock.
//
// The callback never waits: it copies what the ring holds (silence for the
// rest), records where the block starts in the stream, and returns.
//
// In a web page (WebMusicStream.cpp) there are no threads: the main thread
// decodes ahead whenever the time is asked, in blocks the page's Web Audio
// context plays back to back at exact context times, and the heard position
// is the context's output time.
#pragma once

#include "AudioRing.h"
#include "Resampler.h"
#include "SmoothClock.h"
#include "music/MusicDecoder.h"

#ifndef __EMSCRIPTEN__
#include <SDL_audio.h>
#endif

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

class MusicStream {
public:
    // Ring size: about 1.5 s of music decoded ahead of the device.
    static constexpr std::size_t kRingFrames = 65536;
    // Frames per device block asked of SDL.
    static constexpr int kDeviceFrames = 1024;

    // Starts decoding `decoder` (already at the stream's start position,
    // `startSeconds` into the piece) and opens the sound device paused.
    // Null when the audio subsystem or the device cannot be opened.
    static std::unique_ptr<MusicStream> open(std::unique_ptr<MusicDecoder> decoder,
                                             double startSeconds, double (*clock)());

    // Only open may construct; the key keeps the constructor to it.
    class Key {
        friend class MusicStream;
        Key() = default;
    };
    MusicStream(Key, std::unique_ptr<MusicDecoder> decoder, double startSeconds, double (*clock)());

    // Closes the device, then stops and joins the decoding thread.
    ~MusicStream();
    MusicStream(const MusicStream&) = delete;
    MusicStream& operator=(const MusicStream&) = delete;

    // Unpauses the device.
    void play();

    // Seconds into the piece the listener hears at clock reading `now`:
    // the start position until the first frames are heard, never going
    // backwards, never past the last frame given to the device.
    double heardTime(double now);

    // The time of the stream's last frame, once the device has taken it.
    std::optional<double> endTime() const;

private:
#ifdef __EMSCRIPTEN__
    // Decodes and queues blocks until kAheadSeconds are queued past what
    // the context plays now; after the page was hidden and the queue ran
    // dry, the sound goes on from where it stopped.
    void queueAhead();
    double queuedSeconds() const;

    std::unique_ptr<MusicDecoder> decoder_;
    double start_;
    SmoothClock smooth_;
    int id_ = 0;               // the page's record of this stream's queued sounds
    std::int64_t queued_ = 0;  // frames queued since the start position
    double anchor_ = 0.0;      // context time at which the start position is heard
    bool playing_ = false;
    bool drained_ = false;  // the decoder has nothing more
    std::vector<float> block_;
#else
    bool openDevice();
    void decodeLoop();
    // Waits up to a few milliseconds for ring space; false once stopping.
    bool waitForSpace();
    static void SDLCALL audioCallback(void* self, Uint8* bytes, int length);
    double streamSeconds(std::int64_t frames) const;

    std::unique_ptr<MusicDecoder> decoder_;  // used by the decoding thread only
    std::unique_ptr<Resampler> resampler_;   // decoding thread only; null at the output rate
    double start_;
    double (*clock_)();
    AudioRing ring_;
    AnchorMailbox anchors_;
    SmoothClock smooth_;
    double latency_ = 0.0;  // seconds of audio the device holds before it is heard

    bool audioInitialised_ = false;
    SDL_AudioDeviceID device_ = 0;

    std::mutex stopMutex_;
    std::condition_variable stopSignal_;
    bool stopping_ = false;  // guarded by stopMutex_
    std::thread decoding_;
#endif
};
