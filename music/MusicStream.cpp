#include "MusicStream.h"

#include "MusicFormat.h"

#include <SDL.h>

#include <chrono>
#include <cstring>
#include <vector>

namespace {

constexpr std::size_t kDecodeFrames = 4096;
constexpr auto kSpacePoll = std::chrono::milliseconds(5);

}  // namespace

std::unique_ptr<MusicStream> MusicStream::open(std::unique_ptr<MusicDecoder> decoder,
                                               double startSeconds, double (*clock)()) {
    auto stream = std::make_unique<MusicStream>(Key(), std::move(decoder), startSeconds, clock);
    const int rate = stream->decoder_->sampleRate();
    if (rate != kOutputRate) stream->resampler_ = std::make_unique<Resampler>(rate, kOutputRate);
    if (!stream->openDevice()) return nullptr;
    stream->decoding_ = std::thread([s = stream.get()] { s->decodeLoop(); });
    return stream;
}

MusicStream::MusicStream(Key, std::unique_ptr<MusicDecoder> decoder, double startSeconds,
                         double (*clock)())
    : decoder_(std::move(decoder)),
      start_(startSeconds),
      clock_(clock),
      ring_(kRingFrames),
      smooth_(startSeconds) {}

MusicStream::~MusicStream() {
    if (device_ != 0) SDL_CloseAudioDevice(device_);  // waits for a running callback
    {
        std::lock_guard<std::mutex> lock(stopMutex_);
        stopping_ = true;
    }
    stopSignal_.notify_all();
    if (decoding_.joinable()) decoding_.join();
    if (audioInitialised_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool MusicStream::openDevice() {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    audioInitialised_ = true;
    SDL_AudioSpec want{};
    want.freq = kOutputRate;
    want.format = AUDIO_F32SYS;
    want.channels = kOutputChannels;
    want.samples = kDeviceFrames;
    want.callback = &MusicStream::audioCallback;
    want.userdata = this;
    SDL_AudioSpec have{};
    // No changes allowed: SDL converts to whatever the hardware wants, so the
    // callback always works in the output format.
    device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (device_ == 0) return false;
    latency_ = static_cast<double>(have.samples) / have.freq;
    return true;
}

void MusicStream::play() {
    SDL_PauseAudioDevice(device_, 0);
}

double MusicStream::streamSeconds(std::int64_t frames) const {
    return start_ + static_cast<double>(frames) / kOutputRate;
}

double MusicStream::heardTime(double now) {
    ClockAnchor anchor;
    if (!anchors_.latest(anchor)) return smooth_.last();
    // The block was queued behind `latency_` of audio when its callback ran.
    const double raw = streamSeconds(anchor.position) + (now - anchor.clock) - latency_;
    return smooth_.follow(now, raw, streamSeconds(anchor.position + anchor.frames));
}

std::optional<double> MusicStream::endTime() const {
    if (!ring_.drained()) return std::nullopt;
    return streamSeconds(ring_.framesWritten());
}

void SDLCALL MusicStream::audioCallback(void* self, Uint8* bytes, int length) {
    auto* stream = static_cast<MusicStream*>(self);
    const double now = stream->clock_();
    float* out = reinterpret_cast<float*>(bytes);
    const std::size_t frames = static_cast<std::size_t>(length) / (sizeof(float) * kOutputChannels);
    const std::int64_t position = stream->ring_.framesRead();
    const std::size_t got = stream->ring_.read(out, frames);
    std::memset(out + got * kOutputChannels, 0,
                static_cast<std::size_t>(length) - got * kOutputChannels * sizeof(float));
    stream->anchors_.publish({now, position, static_cast<std::int64_t>(got)});
}

bool MusicStream::waitForSpace() {
    std::unique_lock<std::mutex> lock(stopMutex_);
    return !stopSignal_.wait_for(lock, kSpacePoll, [this] { return stopping_; });
}

void MusicStream::decodeLoop() {
    std::vector<float> decoded(kDecodeFrames * kOutputChannels);
    std::vector<float> pending;  // frames at the output rate not yet in the ring
    std::size_t pendingAt = 0;   // frames of `pending` already written
    bool endOfPiece = false;
    for (;;) {
        const std::size_t pendingFrames = pending.size() / kOutputChannels;
        if (pendingAt < pendingFrames) {
            pendingAt += ring_.write(pending.data() + pendingAt * kOutputChannels,
                                     pendingFrames - pendingAt);
            if (pendingAt < pendingFrames && !waitForSpace()) return;
            continue;
        }
        if (endOfPiece) break;
        {
            std::lock_guard<std::mutex> lock(stopMutex_);
            if (stopping_) return;
        }
        const std::size_t got = decoder_->read(decoded.data(), kDecodeFrames);
        endOfPiece = got == 0;
        pendingAt = 0;
        if (!resampler_) {
            pending.assign(decoded.begin(), decoded.begin() + got * kOutputChannels);
            continue;
        }
        pending.clear();
        if (endOfPiece)
            resampler_->finish(pending);
        else
            resampler_->push(decoded.data(), got, pending);
    }
    ring_.finish();
}
