// How smooth the music clock is: plays a generated WAV through SDL's dummy
// audio driver (real-time pace), reads the music time once per 60 Hz frame
// and compares each frame's music step with the clock's step. Counters, in
// microseconds: spread (standard deviation) and worst of that per-frame
// error, after the first half second ("settled") and from the first frame
// the music moved ("all": includes locking on; the frames before, while the
// first block is not yet heard, hold the start and are left out, like the
// frame where the music stops at its end). Also the
// resampler's speed, which must stay far ahead of real time.
#include "Resampler.h"
#include "base/Clock.h"
#include "music/Music.h"

#include <benchmark/benchmark.h>

#include <unistd.h>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

namespace {

void put32(std::ofstream& out, std::uint32_t v) {
    const char b[4] = {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                       static_cast<char>(v >> 24)};
    out.write(b, 4);
}

void put16(std::ofstream& out, std::uint16_t v) {
    const char b[2] = {static_cast<char>(v), static_cast<char>(v >> 8)};
    out.write(b, 2);
}

std::string writeWav(int seconds) {
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("dp_music_bench_" + std::to_string(getpid()) + ".wav"))
                                 .string();
    const std::uint32_t frames = 44100u * static_cast<std::uint32_t>(seconds);
    std::ofstream out(path, std::ios::binary);
    out.write("RIFF", 4);
    put32(out, 36 + frames * 4);
    out.write("WAVEfmt ", 8);
    put32(out, 16);
    put16(out, 1);
    put16(out, 2);
    put32(out, 44100);
    put32(out, 44100 * 4);
    put16(out, 4);
    put16(out, 16);
    out.write("data", 4);
    put32(out, frames * 4);
    for (std::uint32_t i = 0; i < frames; ++i) {
        const auto s =
            static_cast<std::uint16_t>(static_cast<std::int16_t>(3000 * std::sin(i * 0.0627)));
        put16(out, s);
        put16(out, s);
    }
    return path;
}

struct Spread {
    double deviation = 0.0;
    double worst = 0.0;
};

Spread spread(const std::vector<double>& errors) {
    Spread s;
    if (errors.empty()) return s;
    double mean = 0.0;
    for (double e : errors) mean += e;
    mean /= static_cast<double>(errors.size());
    for (double e : errors) {
        s.deviation += (e - mean) * (e - mean);
        s.worst = std::max(s.worst, std::fabs(e));
    }
    s.deviation = std::sqrt(s.deviation / static_cast<double>(errors.size()));
    return s;
}

void BM_MusicTimeFrameToFrameError(benchmark::State& state) {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    const int seconds = static_cast<int>(state.range(0));
    const std::string path = writeWav(seconds);
    for (auto _ : state) {
        Music music;
        if (!music.setMusic(path)) {
            state.SkipWithError("cannot play the music");
            break;
        }
        std::vector<double> clocks, times;
        int interrupted = 0;
        const double begin = clockSeconds();
        music.startIfNeeded();
        for (int frame = 0; !music.ended(); ++frame) {
            // Frames at a steady 60 Hz, as a vsynced main loop draws them.
            const double due = begin + frame / 60.0;
            while (clockSeconds() < due)
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            // The clock is read around the music time; a read the scheduler
            // cut into says nothing about the music clock and is left out.
            const double before = clockSeconds();
            const double time = music.time();
            const double after = clockSeconds();
            if (after - before > 0.0005) {
                ++interrupted;
                continue;
            }
            clocks.push_back(0.5 * (before + after));
            times.push_back(time);
        }
        std::vector<double> all, settled;
        std::size_t moving = 1;
        while (moving < times.size() && times[moving] == times.front()) ++moving;
        for (std::size_t i = moving + 1; i < times.size(); ++i) {
            const double error = (times[i] - times[i - 1]) - (clocks[i] - clocks[i - 1]);
            if (times[i] == times.back()) break;  // the music stopped at its end
            all.push_back(error);
            if (clocks[i] - begin > 0.5) settled.push_back(error);
        }
        const Spread whole = spread(all);
        const Spread steady = spread(settled);
        state.SetIterationTime(clockSeconds() - begin);
        state.counters["spread_us"] = steady.deviation * 1e6;
        state.counters["worst_us"] = steady.worst * 1e6;
        state.counters["spread_all_us"] = whole.deviation * 1e6;
        state.counters["worst_all_us"] = whole.worst * 1e6;
        state.counters["frames"] = static_cast<double>(times.size());
        state.counters["interrupted"] = interrupted;
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_MusicTimeFrameToFrameError)
    ->Arg(10)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

void BM_Resample(benchmark::State& state) {
    const int rate = static_cast<int>(state.range(0));
    std::vector<float> in(2 * 4096);
    for (std::size_t i = 0; i < in.size(); ++i) in[i] = static_cast<float>(std::sin(i * 0.01));
    Resampler resampler(rate, 44100);
    std::vector<float> out;
    for (auto _ : state) {
        out.clear();
        resampler.push(in.data(), 4096, out);
        benchmark::DoNotOptimize(out.data());
    }
    // Seconds of music converted per second.
    state.counters["x_realtime"] =
        benchmark::Counter(4096.0 / rate, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_Resample)->Arg(22050)->Arg(48000)->Arg(96000);

}  // namespace
BENCHMARK_MAIN();
