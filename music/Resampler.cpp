#include "Resampler.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;
// Kaiser window shape: about 90 dB of stop-band attenuation.
constexpr double kKaiserBeta = 8.6;
// Cut-off as a fraction of the lower Nyquist frequency: the transition band
// sits just below it, so little leaks through above.
constexpr double kCutoff = 0.95;

double besselI0(double x) {
    double sum = 1.0, term = 1.0;
    for (int k = 1; k < 50; ++k) {
        term *= (x / (2.0 * k)) * (x / (2.0 * k));
        sum += term;
        if (term < 1e-12 * sum) break;
    }
    return sum;
}

}  // namespace

Resampler::Resampler(int inRate, int outRate)
    : inRate_(inRate),
      outRate_(outRate),
      halfTaps_(static_cast<int>(
          std::ceil(kHalfTaps * std::max(1.0, static_cast<double>(inRate) / outRate)))) {
    const int taps = 2 * halfTaps_;
    const double fc = kCutoff * std::min(1.0, static_cast<double>(outRate) / inRate);
    const double windowNorm = besselI0(kKaiserBeta);
    table_.resize(static_cast<std::size_t>(kPhases + 1) * taps);
    for (int p = 0; p <= kPhases; ++p) {
        float* row = &table_[static_cast<std::size_t>(p) * taps];
        double sum = 0.0;
        for (int k = 0; k < taps; ++k) {
            // Distance from the output position to the tap's input frame.
            const double d = (k - halfTaps_ + 1) - static_cast<double>(p) / kPhases;
            const double r = d / halfTaps_;
            const double window = std::fabs(r) >= 1.0
                                      ? 0.0
                                      : besselI0(kKaiserBeta * std::sqrt(1.0 - r * r)) / windowNorm;
            const double z = fc * d;
            const double sinc = z == 0.0 ? 1.0 : std::sin(kPi * z) / (kPi * z);
            const double h = fc * sinc * window;
            row[k] = static_cast<float>(h);
            sum += h;
        }
        // Unity gain at every phase: a constant stays constant.
        for (int k = 0; k < taps; ++k) row[k] = static_cast<float>(row[k] / sum);
    }
}

// Input frame `frame`; silence before the first and after the last.
float Resampler::history(std::int64_t frame, int channel) const {
    const std::int64_t at = frame - historyStart_;
    if (at < 0 || frame >= inputFrames_) return 0.0f;
    return history_[static_cast<std::size_t>(at) * 2 + channel];
}

void Resampler::push(const float* in, std::size_t frames, std::vector<float>& out) {
    history_.insert(history_.end(), in, in + frames * 2);
    inputFrames_ += static_cast<std::int64_t>(frames);
    produce(false, out);
}

void Resampler::finish(std::vector<float>& out) {
    produce(true, out);
}

void Resampler::produce(bool final, std::vector<float>& out) {
    const int taps = 2 * halfTaps_;
    for (;;) {
        const std::int64_t scaled = nextOutput_ * inRate_;
        const std::int64_t base = scaled / outRate_;
        // Past the input's end: done. Before the end of input, wait until
        // every tap's frame is there.
        if (scaled >= inputFrames_ * outRate_) break;
        if (!final && base + halfTaps_ >= inputFrames_) break;
        const double phase = static_cast<double>(scaled % outRate_) / outRate_ * kPhases;
        const int p = std::min(static_cast<int>(phase), kPhases - 1);
        const float t = static_cast<float>(phase - p);
        const float* a = &table_[static_cast<std::size_t>(p) * taps];
        const float* b = a + taps;
        float left = 0.0f, right = 0.0f;
        const std::int64_t first = base - halfTaps_ + 1;
        for (int k = 0; k < taps; ++k) {
            const float h = a[k] + (b[k] - a[k]) * t;
            left += h * history(first + k, 0);
            right += h * history(first + k, 1);
        }
        out.push_back(left);
        out.push_back(right);
        ++nextOutput_;
    }
    // Drop the frames no later output frame reaches.
    const std::int64_t keepFrom = (nextOutput_ * inRate_) / outRate_ - halfTaps_ + 1;
    if (keepFrom > historyStart_) {
        const std::size_t drop = static_cast<std::size_t>(std::min<std::int64_t>(
            keepFrom - historyStart_, static_cast<std::int64_t>(history_.size() / 2)));
        history_.erase(history_.begin(), history_.begin() + static_cast<std::ptrdiff_t>(drop * 2));
        historyStart_ += static_cast<std::int64_t>(drop);
    }
}
