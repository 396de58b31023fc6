// Real-time playback in a web page through the page's Web Audio context
// (Module.audioContext, made by the page at the viewer's click so the
// browser lets it sound). See MusicStream.h.
#include "MusicStream.h"

#include "MusicFormat.h"

#include <emscripten.h>

#include <algorithm>

// clang-format off
EM_JS(int, dp_web_audio_open, (), {
    const context = Module.audioContext;
    if (!context || context.state === 'closed') return 0;
    Module.dpStreams = Module.dpStreams || { next: 1 };
    const id = Module.dpStreams.next++;
    Module.dpStreams[id] = new Set();
    return id;
});

EM_JS(double, dp_web_audio_now, (), {
    return Module.audioContext.currentTime;
});

// The context time the listener hears now: the output timestamp moved on by
// the time since it was taken; without one, the context time less the
// output latency.
EM_JS(double, dp_web_audio_heard, (), {
    const context = Module.audioContext;
    const stamp = context.getOutputTimestamp ? context.getOutputTimestamp() : null;
    if (stamp && stamp.performanceTime > 0)
        return stamp.contextTime + (performance.now() - stamp.performanceTime) / 1000;
    return context.currentTime - (context.outputLatency || context.baseLatency || 0);
});

EM_JS(void, dp_web_audio_queue, (int id, const float* samples, int frames, int rate, double when), {
    const context = Module.audioContext;
    const sources = Module.dpStreams[id];
    const buffer = context.createBuffer(2, frames, rate);
    const left = buffer.getChannelData(0);
    const right = buffer.getChannelData(1);
    const interleaved = HEAPF32.subarray(samples >> 2, (samples >> 2) + 2 * frames);
    for (let i = 0; i < frames; ++i) {
        left[i] = interleaved[2 * i];
        right[i] = interleaved[2 * i + 1];
    }
    const source = context.createBufferSource();
    source.buffer = buffer;
    source.connect(context.destination);
    source.onended = () => sources.delete(source);
    sources.add(source);
    source.start(when);
});

EM_JS(void, dp_web_audio_close, (int id), {
    const sources = Module.dpStreams && Module.dpStreams[id];
    if (!sources) return;
    for (const source of sources) {
        source.onended = null;
        try { source.stop(); } catch (e) {}
        source.disconnect();
    }
    delete Module.dpStreams[id];
});
// clang-format on

namespace {

// Sound queued ahead of what plays: enough to ride out a slow frame.
constexpr double kAheadSeconds = 1.0;
// Below this much ahead the queue is filled at once (at play, after a seek,
// after the page was hidden); above it one block a call tops it up, so no
// frame decodes and queues a whole second of sound.
constexpr double kLowSeconds = 0.25;
// One queued block.
constexpr std::size_t kBlockFrames = 8192;
// The first block starts this long after play, so it is not late.
constexpr double kLeadSeconds = 0.05;

}  // namespace

std::unique_ptr<MusicStream> MusicStream::open(std::unique_ptr<MusicDecoder> decoder,
                                               double startSeconds, double (*clock)()) {
    auto stream = std::make_unique<MusicStream>(Key{}, std::move(decoder), startSeconds, clock);
    stream->id_ = dp_web_audio_open();
    if (stream->id_ == 0) return nullptr;
    return stream;
}

// The clock is the caller's: heardTime is given its readings.
MusicStream::MusicStream(Key, std::unique_ptr<MusicDecoder> decoder, double startSeconds,
                         double (*)())
    : decoder_(std::move(decoder)),
      start_(startSeconds),
      smooth_(startSeconds),
      block_(kBlockFrames * kOutputChannels) {}

MusicStream::~MusicStream() {
    if (id_ != 0) dp_web_audio_close(id_);
}

double MusicStream::queuedSeconds() const {
    return static_cast<double>(queued_) / decoder_->sampleRate();
}

void MusicStream::play() {
    if (playing_) return;
    playing_ = true;
    anchor_ = dp_web_audio_now() + kLeadSeconds;
    queueAhead();
}

void MusicStream::queueAhead() {
    if (!playing_ || drained_) return;
    const double now = dp_web_audio_now();
    // A queue that ran dry (no frames while the page was hidden) goes on
    // from its end a moment from now, instead of skipping what was missed.
    if (anchor_ + queuedSeconds() < now + 0.01) anchor_ = now + kLeadSeconds - queuedSeconds();
    for (int blocks = 0; anchor_ + queuedSeconds() < now + kAheadSeconds; ++blocks) {
        if (blocks > 0 && anchor_ + queuedSeconds() >= now + kLowSeconds) return;
        const std::size_t got = decoder_->read(block_.data(), kBlockFrames);
        if (got == 0) {
            drained_ = true;
            return;
        }
        dp_web_audio_queue(id_, block_.data(), static_cast<int>(got), decoder_->sampleRate(),
                           anchor_ + queuedSeconds());
        queued_ += static_cast<std::int64_t>(got);
    }
}

double MusicStream::heardTime(double now) {
    queueAhead();
    if (!playing_) return smooth_.last();
    const double raw = start_ + (dp_web_audio_heard() - anchor_);
    return smooth_.follow(now, raw, start_ + queuedSeconds());
}

std::optional<double> MusicStream::endTime() const {
    if (!drained_) return std::nullopt;
    return start_ + queuedSeconds();
}
