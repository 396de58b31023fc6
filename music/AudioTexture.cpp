// Shadertoy's audio texture computed from the decoded music.
//
// What a shader sees, following how the Web Audio API defines AnalyserNode
// ("FFT windowing and smoothing over time", getByteFrequencyData and
// getByteTimeDomainData) with Shadertoy's settings, the node's defaults:
// - the input is the mono down-mix, 0.5 * (left + right);
// - a window is the most recent N = 2048 samples; it is multiplied by the
//   Blackman window w[n] = 0.42 - 0.5 cos(2 pi n / N) + 0.08 cos(4 pi n / N)
//   (alpha 0.16; the periodic form, divided by N and not N - 1);
// - its transform is scaled by 1 / N, and |X[k]| is smoothed over time with
//   tau = 0.8: S = 0.8 * S_previous + 0.2 * |X[k]|, starting from zeros;
// - Y[k] = 20 log10(S), and the byte is floor(255 / (-30 - -100) * (Y[k] + 100))
//   clipped to 0..255 (an S of 0 gives 0);
// - the waveform byte is floor(128 * (1 + x)) clipped to 0..255. Shadertoy
//   reads it into a 512-byte array, which takes the first 512 samples of the
//   2048-sample window, the oldest ones, so row 1 shows the samples from
//   2048 to 1537 samples before the music time;
// - row 0 is bins 0..511 of the 1024 the node delivers.
//
// Where this differs, on purpose: the node smooths over whatever calls came
// before (one per animation frame, at the display's pace), which no seek, no
// capture and no video export could reproduce. Here the previous frames are
// a fixed grid: the window ending at the music time t (sample index
// round(t * rate)) and those ending at the 23 points of the 1/60 s grid
// before t (the last grid point strictly before t, then one frame earlier
// each; at a time on the grid, exactly t - j/60 s for j = 1 .. 23), where a
// window ending at index e holds the samples e - 2048 .. e - 1 and samples
// before 0 or past the end are 0, with the recursion started from zeros 24
// frames back,
//   S(t) = sum over j of 0.2 * 0.8^j * |X_j[k]|.
// The dropped remainder weighs 0.8^24 < 0.5%, 0.04 dB, under a sixth of one
// byte step (70 dB / 255). A window is named by its end sample, so the
// spectrum of one window is the same number whichever frame asks for it: the
// cache of window spectra changes the cost, never a byte. The grid makes a
// clock that does not advance by whole frames (real-time playback) find all
// but the newest windows in the cache.
#include "music/AudioTexture.h"

#include "music/MusicDecoder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace {

constexpr int kWindowSize = 2048;           // the analyser's fftSize
constexpr int kHalfSize = kWindowSize / 2;  // the complex transform's size
constexpr int kBins = AudioTexture::kWidth;
constexpr int kWaveSamples = AudioTexture::kWidth;
constexpr int kHistory = 24;             // analysis frames a texture sums
constexpr double kFramesPerSecond = 60;  // the grid of those frames
constexpr double kSmoothing = 0.8;       // smoothingTimeConstant
constexpr double kMinDecibels = -100, kMaxDecibels = -30;
// Window spectra kept: one texture's worth and the next frame's new ones,
// with room to spare for a frame that steps a little more than the grid.
constexpr int kCachedWindows = 2 * kHistory;

using Spectrum = std::array<float, kBins>;

// One radix-4 pass (two radix-2 stages, spans s and 2s) over a group of 4s
// points whose quarters are q0..q3, with w1..w3 = W^k, W^2k, W^3k for
// W = e^(-2 pi i / 4s), k < s:
//   B = W^2k q1, C = W^k q2, D = W^3k q3,
//   q0, q2 <- (q0 + B) +- (C + D);  q1, q3 <- (q0 - B) -+ i (C - D).
// The quarters never overlap.
void radix4(int s, float* __restrict r0, float* __restrict i0, float* __restrict r1,
            float* __restrict i1, float* __restrict r2, float* __restrict i2, float* __restrict r3,
            float* __restrict i3, const float* __restrict w) {
    const float* w1r = w;
    const float* w1i = w + s;
    const float* w2r = w + 2 * s;
    const float* w2i = w + 3 * s;
    const float* w3r = w + 4 * s;
    const float* w3i = w + 5 * s;
    for (int k = 0; k < s; ++k) {
        const float br = r1[k] * w2r[k] - i1[k] * w2i[k];
        const float bi = r1[k] * w2i[k] + i1[k] * w2r[k];
        const float cr = r2[k] * w1r[k] - i2[k] * w1i[k];
        const float ci = r2[k] * w1i[k] + i2[k] * w1r[k];
        const float dr = r3[k] * w3r[k] - i3[k] * w3i[k];
        const float di = r3[k] * w3i[k] + i3[k] * w3r[k];
        const float sumR = r0[k] + br, sumI = i0[k] + bi;
        const float difR = r0[k] - br, difI = i0[k] - bi;
        const float cdR = cr + dr, cdI = ci + di;
        const float cdDifR = cr - dr, cdDifI = ci - di;
        r0[k] = sumR + cdR;
        i0[k] = sumI + cdI;
        r2[k] = sumR - cdR;
        i2[k] = sumI - cdI;
        // -i (C - D) is (cdDifI, -cdDifR).
        r1[k] = difR + cdDifI;
        i1[k] = difI - cdDifR;
        r3[k] = difR - cdDifI;
        i3[k] = difI + cdDifR;
    }
}

// The magnitudes |X[k]| / N, k < kBins, of a Blackman-windowed block of
// kWindowSize real samples. The real transform is done as a complex one of
// half the size over the even (real part) and odd (imaginary part) samples,
// then split into the real input's bins.
class WindowTransform {
public:
    // Precomputes the window, the bit-reversed order and the twiddle factors.
    WindowTransform() {
        const double pi = std::acos(-1.0);
        for (int n = 0; n < kWindowSize; ++n)
            window_[n] = static_cast<float>(0.42 - 0.5 * std::cos(2 * pi * n / kWindowSize) +
                                            0.08 * std::cos(4 * pi * n / kWindowSize));
        int bits = 0;
        while ((1 << bits) < kHalfSize) ++bits;
        for (int i = 0; i < kHalfSize; ++i) {
            int r = 0;
            for (int b = 0; b < bits; ++b)
                if (i & (1 << b)) r |= 1 << (bits - 1 - b);
            reversed_[i] = r;
        }
        // The passes after the first: s = 4, 16, 64, 256, each with six rows
        // of s numbers: W^k, W^2k, W^3k, each real row then imaginary row.
        for (int s = 4; s < kHalfSize; s *= 4)
            for (int m = 1; m <= 3; ++m) {
                for (int k = 0; k < s; ++k)
                    twiddles_.push_back(static_cast<float>(std::cos(2 * pi * m * k / (4 * s))));
                for (int k = 0; k < s; ++k)
                    twiddles_.push_back(static_cast<float>(-std::sin(2 * pi * m * k / (4 * s))));
            }
        for (int k = 0; k < kBins; ++k) {
            splitRe_[k] = static_cast<float>(std::cos(2 * pi * k / kWindowSize));
            splitIm_[k] = static_cast<float>(-std::sin(2 * pi * k / kWindowSize));
        }
    }

    // Writes the magnitudes of `block` (kWindowSize samples, oldest first) to `out`.
    void magnitudes(const float* block, float* out) {
        float* re = re_.data();
        float* im = im_.data();
        for (int n = 0; n < kHalfSize; ++n) {
            const int to = reversed_[n];
            re[to] = block[2 * n] * window_[2 * n];
            im[to] = block[2 * n + 1] * window_[2 * n + 1];
        }
        // Spans 1 and 2 at once: their twiddle factors are 1 and -i.
        for (int start = 0; start < kHalfSize; start += 4) {
            float* r = re + start;
            float* i = im + start;
            const float r01 = r[0] + r[1], i01 = i[0] + i[1], r01d = r[0] - r[1],
                        i01d = i[0] - i[1];
            const float r23 = r[2] + r[3], i23 = i[2] + i[3], r23d = r[2] - r[3],
                        i23d = i[2] - i[3];
            r[0] = r01 + r23;
            i[0] = i01 + i23;
            r[2] = r01 - r23;
            i[2] = i01 - i23;
            // (r23d + i i23d) times -i is i23d - i r23d.
            r[1] = r01d + i23d;
            i[1] = i01d - r23d;
            r[3] = r01d - i23d;
            i[3] = i01d + r23d;
        }
        const float* w = twiddles_.data();
        for (int s = 4; s < kHalfSize; s *= 4) {
            for (int start = 0; start < kHalfSize; start += 4 * s) {
                float* r = re + start;
                float* i = im + start;
                radix4(s, r, i, r + s, i + s, r + 2 * s, i + 2 * s, r + 3 * s, i + 3 * s, w);
            }
            w += 6 * s;
        }
        // Z = E + i O with E, O the transforms of the even and odd samples:
        // E[k] = (Z[k] + conj Z[M-k]) / 2, O[k] = (Z[k] - conj Z[M-k]) / 2i,
        // X[k] = E[k] + e^(-2 pi i k / N) O[k].
        constexpr float kScale = 1.0f / kWindowSize;
        for (int k = 0; k < kBins; ++k) {
            const int m = (kHalfSize - k) & (kHalfSize - 1);
            const float er = 0.5f * (re[k] + re[m]);
            const float ei = 0.5f * (im[k] - im[m]);
            const float orr = 0.5f * (im[k] + im[m]);
            const float oi = -0.5f * (re[k] - re[m]);
            const float xr = er + splitRe_[k] * orr - splitIm_[k] * oi;
            const float xi = ei + splitRe_[k] * oi + splitIm_[k] * orr;
            out[k] = std::sqrt(xr * xr + xi * xi) * kScale;
        }
    }

private:
    std::array<float, kWindowSize> window_;
    std::array<int, kHalfSize> reversed_;
    std::vector<float> twiddles_;
    std::array<float, kBins> splitRe_, splitIm_;
    std::array<float, kHalfSize> re_, im_;
};

std::uint8_t waveByte(float x) {
    const float v = std::floor(128.0f * (1.0f + x));
    if (!(v > 0.0f)) return 0;  // also a NaN sample
    return v >= 255.0f ? 255 : static_cast<std::uint8_t>(v);
}

// The spectrum byte of a smoothed magnitude S: floor(255 / 70 * (20 log10 S + 100))
// clipped to 0..255, found as the number of thresholds 10^((70 b / 255 - 100) / 20),
// b = 1..255, at or below S; no logarithm per bin.
class SpectrumBytes {
public:
    // Precomputes the thresholds.
    SpectrumBytes() {
        threshold_[0] = 0.0;  // never compared
        for (int b = 1; b < 256; ++b)
            threshold_[b] =
                std::pow(10.0, ((kMaxDecibels - kMinDecibels) * b / 255.0 + kMinDecibels) / 20.0);
    }

    // The byte for `smoothed`; 0 for 0 and for what is not a number.
    std::uint8_t operator()(double smoothed) const {
        if (!(smoothed > 0.0)) return 0;
        int b = 0;
        for (int step = 128; step > 0; step /= 2) b += smoothed >= threshold_[b + step] ? step : 0;
        return static_cast<std::uint8_t>(b);
    }

private:
    std::array<double, 256> threshold_;
};

}  // namespace

bool MusicSamples::load(const std::string& path, std::string* fault) {
    const std::unique_ptr<MusicDecoder> decoder = openMusicDecoder(path, fault);
    if (!decoder) return false;
    const int rate = decoder->sampleRate();
    std::vector<float> mono;
    const double announced = decoder->lengthSeconds() * rate;
    // The announced length is a hint only; a broken header must not reserve gigabytes.
    if (announced > 0 && announced < 1e9) mono.reserve(static_cast<std::size_t>(announced) + 1);
    constexpr std::size_t kBlock = 4096;
    std::vector<float> stereo(2 * kBlock);
    while (const std::size_t got = decoder->read(stereo.data(), kBlock))
        for (std::size_t i = 0; i < got; ++i)
            mono.push_back(0.5f * (stereo[2 * i] + stereo[2 * i + 1]));
    if (mono.empty() && decoder->lengthSeconds() > 0) {
        if (fault) *fault = "no sample could be decoded";
        return false;
    }
    assign(std::move(mono), rate);
    return true;
}

void MusicSamples::assign(std::vector<float> mono, int sampleRate) {
    samples_ = std::move(mono);
    sampleRate_ = sampleRate > 0 ? sampleRate : 0;
    ++version_;
}

struct AudioTexture::Analysis {
    struct Cached {
        std::int64_t end = 0;
        std::uint64_t used = 0;  // 0: empty
        Spectrum spectrum;
    };

    WindowTransform transform;
    SpectrumBytes spectrumByte;
    std::array<Cached, kCachedWindows> cache;
    std::uint64_t uses = 0;
    std::uint64_t musicVersion = std::numeric_limits<std::uint64_t>::max();
    // Samples from a window's end back to each grid frame's end.
    std::array<std::int64_t, kHistory> back{};
    std::array<double, kHistory> weight{};
    std::array<float, kWindowSize> padded;
    std::array<double, kBins> smoothed;

    // Forgets what was computed from other samples.
    void follow(const MusicSamples& music) {
        if (musicVersion == music.version()) return;
        musicVersion = music.version();
        for (Cached& c : cache) c.used = 0;
        for (int j = 0; j < kHistory; ++j) {
            back[j] = std::llround(j * music.sampleRate() / kFramesPerSecond);
            weight[j] = (1.0 - kSmoothing) * std::pow(kSmoothing, j);
        }
    }

    // The magnitudes of the window that ends (exclusive) at sample `end`,
    // with zeros outside the music; from the cache when it has them.
    const Spectrum& window(const std::vector<float>& samples, std::int64_t end) {
        Cached* slot = &cache[0];
        for (Cached& c : cache) {
            if (c.used != 0 && c.end == end) {
                c.used = ++uses;
                return c.spectrum;
            }
            if (c.used < slot->used) slot = &c;
        }
        const std::int64_t size = static_cast<std::int64_t>(samples.size());
        const std::int64_t begin = end - kWindowSize;
        const float* block;
        if (begin >= 0 && end <= size) {
            block = samples.data() + begin;
        } else {
            for (int n = 0; n < kWindowSize; ++n) {
                const std::int64_t i = begin + n;
                padded[n] = i >= 0 && i < size ? samples[static_cast<std::size_t>(i)] : 0.0f;
            }
            block = padded.data();
        }
        transform.magnitudes(block, slot->spectrum.data());
        slot->end = end;
        slot->used = ++uses;
        return slot->spectrum;
    }
};

AudioTexture::AudioTexture(const MusicSamples& music)
    : music_(music), analysis_(std::make_unique<Analysis>()) {}

AudioTexture::~AudioTexture() = default;

void AudioTexture::compute(double seconds, std::uint8_t* out) {
    std::uint8_t* spectrumRow = out;
    std::uint8_t* waveRow = out + kWidth;
    std::fill(spectrumRow, spectrumRow + kWidth, 0);
    std::fill(waveRow, waveRow + kWidth, 128);

    const std::vector<float>& samples = music_.samples();
    const int rate = music_.sampleRate();
    if (rate <= 0 || samples.empty()) return;
    Analysis& a = *analysis_;
    a.follow(music_);

    // Past these bounds every window lies outside the music: silence, and
    // the sample index stays far from what llround can hold.
    const std::int64_t size = static_cast<std::int64_t>(samples.size());
    const double position = seconds * rate;
    if (!std::isfinite(position) || position < 0.0 ||
        position > static_cast<double>(size + kWindowSize + a.back[kHistory - 1] + rate))
        return;
    const std::int64_t end = std::llround(position);

    // The newest window ends at the music time; the earlier ones end on the
    // fixed grid of frames (multiples of 1/60 s) before it, so a clock that
    // does not advance by whole frames (real-time playback) still finds all
    // but the newest in the cache. At a time on the grid this is exactly the
    // analyser's sequence of frames.
    const double lastGridFrame = std::ceil(seconds * kFramesPerSecond - 1e-9) - 1.0;
    std::fill(a.smoothed.begin(), a.smoothed.end(), 0.0);
    for (int j = 0; j < kHistory; ++j) {
        const std::int64_t frameEnd =
            j == 0 ? end
                   : std::llround((lastGridFrame - (j - 1)) * rate / kFramesPerSecond);
        // A window wholly outside the music adds exact zeros.
        if (frameEnd <= 0 || frameEnd - kWindowSize >= size) continue;
        const Spectrum& spectrum = a.window(samples, frameEnd);
        for (int k = 0; k < kBins; ++k) a.smoothed[k] += a.weight[j] * spectrum[k];
    }
    for (int k = 0; k < kBins; ++k) spectrumRow[k] = a.spectrumByte(a.smoothed[k]);

    const std::int64_t waveBegin = end - kWindowSize;
    for (int n = 0; n < kWaveSamples; ++n) {
        const std::int64_t i = waveBegin + n;
        if (i >= 0 && i < size) waveRow[n] = waveByte(samples[static_cast<std::size_t>(i)]);
    }
}
