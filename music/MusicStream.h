// Real-time playback of one decoded piece: a thread decodes ahead into a
// ring, the SDL audio callback plays from the ring, and the main thread reads
// the heard position as a smooth clock.
//
// The callback never waits: it copies what the ring holds (silence for the
// rest), records where the block starts in the stream, and returns.
#pragma once

#include "AudioRing.h"
#include "music/MusicDecoder.h"
#include "Resampler.h"
#include "SmoothClock.h"

#include <SDL_audio.h>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

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
};
