// What Shadertoy's audio texture costs per frame, computed from two minutes
// of generated music at 44.1 kHz:
// - Playing: the music time steps by exactly 1/60 s, on the analysis grid,
//   so each frame transforms one new window and reuses 23 from the cache.
// - Seek: every frame jumps far away; all 24 windows are transformed.
// - FreeClock: steps of 1/60 s give or take up to half a millisecond, as a
//   music clock that is not locked to the frames gives them: the earlier
//   windows lie on the fixed grid and come from the cache; only the newest
//   is transformed anew.
// The budget while playing at 60 fps is 0.2 ms per frame.
#include "music/AudioTexture.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr double kSeconds = 120;

const MusicSamples& music() {
    static const MusicSamples samples = [] {
        std::vector<float> s(static_cast<std::size_t>(kRate * kSeconds));
        std::uint32_t state = 1;
        for (std::size_t i = 0; i < s.size(); ++i) {
            state = state * 1664525u + 1013904223u;
            const double t = static_cast<double>(i) / kRate;
            s[i] = static_cast<float>(0.1 * (static_cast<double>(state >> 8) / (1 << 24) - 0.5) +
                                      0.4 * std::sin(2 * 3.14159265 * 220 * t) *
                                          std::sin(3.14159265 * t));
        }
        MusicSamples m;
        m.assign(std::move(s), kRate);
        return m;
    }();
    return samples;
}

// Runs frames whose music times `next` gives, starting at `first`.
template <typename Next>
void runFrames(benchmark::State& state, double first, Next next) {
    AudioTexture texture(music());
    std::vector<std::uint8_t> out(AudioTexture::kWidth * AudioTexture::kHeight);
    double t = first;
    for (auto _ : state) {
        texture.compute(t, out.data());
        benchmark::DoNotOptimize(out.data());
        t = next(t);
    }
}

void BM_AudioTexturePlaying(benchmark::State& state) {
    // 7080 frames before the end; the one cold frame of each lap counts in.
    runFrames(state, 1.0,
              [](double t) { return t + 1.0 / 60 < kSeconds - 1 ? t + 1.0 / 60 : 1.0; });
}
BENCHMARK(BM_AudioTexturePlaying);

void BM_AudioTextureSeek(benchmark::State& state) {
    runFrames(state, 1.0, [](double t) { return std::fmod(t + 37.123, kSeconds - 2) + 1; });
}
BENCHMARK(BM_AudioTextureSeek);

void BM_AudioTextureFreeClock(benchmark::State& state) {
    std::uint32_t jitter = 7;
    runFrames(state, 1.0, [&jitter](double t) {
        jitter = jitter * 1664525u + 1013904223u;
        const double step = 1.0 / 60 + ((jitter >> 8) / double(1 << 24) - 0.5) * 1e-3;
        return t + step < kSeconds - 1 ? t + step : 1.0;
    });
}
BENCHMARK(BM_AudioTextureFreeClock);

}  // namespace

BENCHMARK_MAIN();
