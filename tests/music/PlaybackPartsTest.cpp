// The player's parts on their own: the ring between decoder and callback,
// and the resampler. (The smooth clock's precision is measured by the
// music benchmark.)
#include "AudioRing.h"
#include "Resampler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <thread>

TEST(AudioRing, ConcurrentWriterAndReaderSeeEveryFrameOnceInOrder) {
    AudioRing ring(64);  // small: both sides wrap around all the time
    constexpr int kTotal = 200000;
    std::thread writer([&] {
        for (int next = 0; next < kTotal;) {
            const float frame[2] = {static_cast<float>(next), static_cast<float>(-next)};
            next += static_cast<int>(ring.write(frame, 1));
        }
        ring.finish();
    });
    float out[2 * 23];
    int expected = 0;
    bool inOrder = true;
    while (!ring.drained()) {
        const std::size_t n = ring.read(out, 23);
        for (std::size_t i = 0; i < n; ++i, ++expected)
            inOrder &= out[2 * i] == static_cast<float>(expected) && out[2 * i + 1] == -out[2 * i];
    }
    writer.join();
    EXPECT_TRUE(inOrder);
    EXPECT_EQ(expected, kTotal);
    EXPECT_EQ(ring.framesRead(), kTotal);
}

namespace {

std::vector<float> tone(double hz, int rate, int frames) {
    std::vector<float> v;
    for (int i = 0; i < frames; ++i) {
        v.push_back(static_cast<float>(0.5 * std::sin(2.0 * M_PI * hz * i / rate)));
        v.push_back(-v.back());
    }
    return v;
}

std::vector<float> resample(const std::vector<float>& in, int rate, std::size_t chunk) {
    Resampler resampler(rate, 44100);
    std::vector<float> out;
    for (std::size_t at = 0; at < in.size() / 2; at += chunk)
        resampler.push(in.data() + 2 * at, std::min(chunk, in.size() / 2 - at), out);
    resampler.finish(out);
    return out;
}

}  // namespace

TEST(Resampler, ReproducesAToneWhateverTheChunksAndFiltersWhatTheOutputCannotCarry) {
    for (int rate : {8000, 22050, 48000}) {
        const auto out = resample(tone(1000.0, rate, rate + 7), rate, 1000);
        EXPECT_EQ(resample(tone(1000.0, rate, rate + 7), rate, 1), out) << rate;
        // n frames in, ceil(n * 44100 / rate) out, frame j at j * rate / 44100.
        EXPECT_EQ(out.size() / 2, (static_cast<std::size_t>(rate + 7) * 44100 + rate - 1) / rate)
            << rate;
        const auto ideal = tone(1000.0, 44100, 44100);
        for (std::size_t i = 2000; i < ideal.size() - 2000; ++i)  // away from the edges
            ASSERT_NEAR(out[i], ideal[i], 1e-3) << rate << " at " << i;
    }
    // 30 kHz lies above the output's Nyquist frequency: removed, not folded
    // down to 14.1 kHz.
    const auto out = resample(tone(30000.0, 96000, 96000), 96000, 4096);
    double energy = 0.0;
    for (std::size_t i = 2000; i < out.size() - 2000; ++i) energy += out[i] * out[i];
    EXPECT_LT(std::sqrt(energy / static_cast<double>(out.size() - 4000)), 0.005);
}
