// Music files the browser decodes (WAV, Ogg Vorbis, Opus, MP3, FLAC, ...):
// the whole file is decoded at open by the page's Web Audio decoder, kept as
// the page's AudioBuffer, and copied out block by block as it is read.
#include "music/MusicDecoder.h"

#include <emscripten.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

// clang-format off
// Decodes the file at `path` of the virtual file system; waits (Asyncify)
// for the browser. Returns the decoded sound's id, or 0 with the reason kept
// for dp_web_audio_fault. Without the page's context (a run without sound)
// an offline context decodes, which needs no click.
EM_JS(int, dp_web_decode_audio, (const char* path), {
    return Asyncify.handleSleep((wakeUp) => {
        Module.dpDecoded = Module.dpDecoded || { next: 1 };
        let bytes;
        try {
            bytes = FS.readFile(UTF8ToString(path));
        } catch (e) {
            Module.dpDecodeFault = 'cannot be read';
            wakeUp(0);
            return;
        }
        let context = Module.audioContext;
        if (!context) {
            if (!Module.dpOfflineContext)
                Module.dpOfflineContext = new OfflineAudioContext(2, 1, 44100);
            context = Module.dpOfflineContext;
        }
        const copy = bytes.buffer.slice(bytes.byteOffset, bytes.byteOffset + bytes.byteLength);
        context.decodeAudioData(copy).then((buffer) => {
            const id = Module.dpDecoded.next++;
            Module.dpDecoded[id] = buffer;
            wakeUp(id);
        }, (error) => {
            Module.dpDecodeFault = (error && error.message) || String(error);
            wakeUp(0);
        });
    });
});

EM_JS(int, dp_web_audio_fault, (char* out, int size), {
    stringToUTF8(Module.dpDecodeFault || 'unknown fault', out, size);
    return 0;
});

EM_JS(int, dp_web_decoded_rate, (int id), {
    return Module.dpDecoded[id].sampleRate;
});

EM_JS(double, dp_web_decoded_frames, (int id), {
    return Module.dpDecoded[id].length;
});

// Copies `frames` frames from `first` on as interleaved stereo; mono is
// played on both sides, channels past two are left out.
EM_JS(void, dp_web_decoded_copy, (int id, double first, int frames, float* out), {
    const buffer = Module.dpDecoded[id];
    const left = buffer.getChannelData(0).subarray(first, first + frames);
    const right = buffer.numberOfChannels > 1
        ? buffer.getChannelData(1).subarray(first, first + frames) : left;
    const target = HEAPF32.subarray(out >> 2, (out >> 2) + 2 * frames);
    for (let i = 0; i < frames; ++i) {
        target[2 * i] = left[i];
        target[2 * i + 1] = right[i];
    }
});

EM_JS(void, dp_web_decoded_release, (int id), {
    delete Module.dpDecoded[id];
});
// clang-format on

namespace {

class BrowserDecoder : public MusicDecoder {
public:
    explicit BrowserDecoder(int id)
        : id_(id),
          rate_(dp_web_decoded_rate(id)),
          frames_(static_cast<std::int64_t>(dp_web_decoded_frames(id))) {}
    ~BrowserDecoder() override { dp_web_decoded_release(id_); }

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

}  // namespace

std::unique_ptr<MusicDecoder> openBrowserDecoder(const std::string& path, std::string* fault) {
    const int id = dp_web_decode_audio(path.c_str());
    if (id == 0) {
        if (fault) {
            char text[256];
            dp_web_audio_fault(text, sizeof text);
            *fault = text;
        }
        return nullptr;
    }
    auto decoder = std::make_unique<BrowserDecoder>(id);
    if (decoder->sampleRate() <= 0) {
        if (fault) *fault = "the browser decoded it without a sample rate";
        return nullptr;
    }
    return decoder;
}
