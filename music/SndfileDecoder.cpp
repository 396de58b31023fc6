// libsndfile behind MusicDecoder: any file libsndfile recognises by content.
#include "music/MusicDecoder.h"

#include "MusicFormat.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

class SndfileDecoder final : public MusicDecoder {
public:
    SndfileDecoder(SNDFILE* file, const SF_INFO& info) : file_(file), info_(info) {}
    // Closes the file.
    ~SndfileDecoder() override { sf_close(file_); }

    // The file's own rate.
    int sampleRate() const override { return info_.samplerate; }

    // Frames the header announces, at the file's rate.
    double lengthSeconds() const override {
        return static_cast<double>(info_.frames) / info_.samplerate;
    }

    // To the nearest frame; by decoding from the start where the file cannot seek.
    bool seek(double seconds) override {
        const sf_count_t target = std::clamp<sf_count_t>(
            std::llround(std::max(0.0, seconds) * info_.samplerate), 0, info_.frames);
        if (target == info_.frames) {
            atEnd_ = true;
            return true;
        }
        atEnd_ = false;
        if (sf_seek(file_, target, SEEK_SET) == target) return true;
        // Some streams cannot seek: start over and decode up to the target.
        if (sf_seek(file_, 0, SEEK_SET) != 0) return false;
        std::vector<float> scratch(4096 * static_cast<std::size_t>(info_.channels));
        sf_count_t left = target;
        while (left > 0) {
            const sf_count_t n =
                sf_readf_float(file_, scratch.data(), std::min<sf_count_t>(left, 4096));
            if (n <= 0) return false;
            left -= n;
        }
        return true;
    }

    // Decodes the next frames, folded or spread to two channels.
    std::size_t read(float* out, std::size_t frames) override {
        if (atEnd_ || frames == 0) return 0;
        const int channels = info_.channels;
        if (channels == 2) {
            const sf_count_t n = sf_readf_float(file_, out, static_cast<sf_count_t>(frames));
            return n > 0 ? static_cast<std::size_t>(n) : 0;
        }
        scratch_.resize(frames * static_cast<std::size_t>(channels));
        const sf_count_t got =
            sf_readf_float(file_, scratch_.data(), static_cast<sf_count_t>(frames));
        if (got <= 0) return 0;
        const std::size_t n = static_cast<std::size_t>(got);
        for (std::size_t i = 0; i < n; ++i) {
            const float* in = &scratch_[i * static_cast<std::size_t>(channels)];
            // Mono plays on both sides; beyond stereo the first two channels
            // are front left and front right in every layout libsndfile reads.
            out[2 * i] = in[0];
            out[2 * i + 1] = channels == 1 ? in[0] : in[1];
        }
        return n;
    }

private:
    SNDFILE* file_;
    SF_INFO info_;
    bool atEnd_ = false;
    std::vector<float> scratch_;
};

}  // namespace

std::unique_ptr<MusicDecoder> openSndfileDecoder(const std::string& path, std::string* fault) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) {
        if (fault) *fault = sf_strerror(nullptr);
        return nullptr;
    }
    // A header libsndfile accepts may still describe nothing playable, or a
    // rate no converter should be sized for.
    if (info.channels < 1 || info.samplerate < kMinInputRate || info.samplerate > kMaxInputRate ||
        info.frames < 0) {
        if (fault)
            *fault = std::to_string(info.channels) + " channels at " +
                     std::to_string(info.samplerate) + " Hz, not playable";
        sf_close(file);
        return nullptr;
    }
    return std::make_unique<SndfileDecoder>(file, info);
}
