// Music files the browser decodes (WAV, Ogg Vorbis, Opus, MP3, FLAC, ...):
// the page's Web Audio decoder decodes the whole file in the background at
// its first open; the page keeps the AudioBuffer for the rest of the run
// (the page's files never change), and reads copy it out block by block.
#include "music/MusicDecoder.h"

#include <emscripten.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>

// clang-format off
// The decodings of the run, by the file's absolute path: an entry is
// pending until the browser answers, then holds the AudioBuffer or the
// reason it gave.
EM_JS(void, dp_web_decode_begin, (const char* key), {
    Module.dpDecoded = Module.dpDecoded || { byName: new Map(), byId: [null] };
    const entry = { id: Module.dpDecoded.byId.length };
    Module.dpDecoded.byId.push(entry);
    Module.dpDecoded.byName.set(UTF8ToString(key), entry);
    let bytes;
    try {
        bytes = FS.readFile(UTF8ToString(key));
    } catch (e) {
        entry.fault = 'cannot be read';
        return;
    }
    // Without the page's context (a run without sound) an offline context
    // decodes, which needs no click.
    let context = Module.audioContext;
    if (!context) {
        if (!Module.dpOfflineContext)
            Module.dpOfflineContext = new OfflineAudioContext(2, 1, 44100);
        context = Module.dpOfflineContext;
    }
    const copy = bytes.buffer.slice(bytes.byteOffset, bytes.byteOffset + bytes.byteLength);
    context.decodeAudioData(copy).then((buffer) => {
        entry.buffer = buffer;
    }, (error) => {
        entry.fault = (error && error.message) || String(error) || 'unknown fault';
    });
});

// The entry's id once decoded; 0 when never begun, -1 while pending, -2
// when the browser could not decode it.
EM_JS(int, dp_web_decode_state, (const char* key), {
    const entry = Module.dpDecoded && Module.dpDecoded.byName.get(UTF8ToString(key));
    if (!entry) return 0;
    if (entry.buffer) return entry.id;
    return entry.fault ? -2 : -1;
});

EM_JS(void, dp_web_audio_fault, (const char* key, char* out, int size), {
    const entry = Module.dpDecoded.byName.get(UTF8ToString(key));
    stringToUTF8(entry.fault, out, size);
});

EM_JS(int, dp_web_decoded_rate, (int id), {
    return Module.dpDecoded.byId[id].buffer.sampleRate;
});

EM_JS(double, dp_web_decoded_frames, (int id), {
    return Module.dpDecoded.byId[id].buffer.length;
});

// Copies `frames` frames from `first` on as interleaved stereo; mono is
// played on both sides, channels past two are left out.
EM_JS(void, dp_web_decoded_copy, (int id, double first, int frames, float* out), {
    const buffer = Module.dpDecoded.byId[id].buffer;
    const left = buffer.getChannelData(0).subarray(first, first + frames);
    const right = buffer.numberOfChannels > 1
        ? buffer.getChannelData(1).subarray(first, first + frames) : left;
    const target = HEAPF32.subarray(out >> 2, (out >> 2) + 2 * frames);
    for (let i = 0; i < frames; ++i) {
        target[2 * i] = left[i];
        target[2 * i + 1] = right[i];
    }
});
// clang-format on

namespace {

class BrowserDecoder : public MusicDecoder {
public:
    explicit BrowserDecoder(int id)
        : id_(id),
          rate_(dp_web_decoded_rate(id)),
          frames_(static_cast<std::int64_t>(dp_web_decoded_frames(id))) {}

    int sampleRate() const override { return rate_; }

    double lengthSeconds() const override { return static_cast<double>(frames_) / rate_; }

    bool seek(double seconds) override {
        if (!std::isfinite(seconds)) return false;
        next_ = std::clamp<std::int64_t>(std::llround(seconds * rate_), 0, frames_);
        return true;
    }

    std::size_t read(float* out, std::size_t frames) override {
        const std::int64_t count =
            std::min<std::int64_t>(static_cast<std::int64_t>(frames), frames_ - next_);
        if (count <= 0) return 0;
        dp_web_decoded_copy(id_, static_cast<double>(next_), static_cast<int>(count), out);
        next_ += count;
        return static_cast<std::size_t>(count);
    }

private:
    int id_;
    int rate_;
    std::int64_t frames_;
    std::int64_t next_ = 0;
};

constexpr int kNotBegun = 0;
constexpr int kPending = -1;
constexpr int kFailed = -2;

std::string decodingKey(const std::string& path) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.lexically_normal().string();
}

}  // namespace

bool musicDecodePending(const std::string& path) {
    return dp_web_decode_state(decodingKey(path).c_str()) == kPending;
}

std::unique_ptr<MusicDecoder> openBrowserDecoder(const std::string& path, std::string* fault,
                                                 bool* pending) {
    const std::string key = decodingKey(path);
    int state = dp_web_decode_state(key.c_str());
    if (state == kNotBegun) {
        dp_web_decode_begin(key.c_str());
        state = dp_web_decode_state(key.c_str());
    }
    if (state == kPending) {
        if (fault) *fault = "the browser is still decoding it";
        if (pending) *pending = true;
        return nullptr;
    }
    if (state == kFailed) {
        if (fault) {
            char text[256];
            dp_web_audio_fault(key.c_str(), text, sizeof text);
            *fault = text;
        }
        return nullptr;
    }
    auto decoder = std::make_unique<BrowserDecoder>(state);
    if (decoder->sampleRate() <= 0) {
        if (fault) *fault = "the browser decoded it without a sample rate";
        return nullptr;
    }
    return decoder;
}
